#include "gui/platform/ShowMsgBox.h"

MsgBoxAnswer ShowMsgBox(const QString &title, int icon, const QString &text, int defaultButton,
                        bool offerDontShow, const QStringList &buttons)
{
    return ShowMsgBox(MakeMsgBoxRequest(title, icon, text, defaultButton, offerDontShow, buttons));
}

MsgBoxAnswer ShowMsgBox(const MsgBoxRequest &request)
{
    const MsgBoxAnswer answer = desktop().messageBox(request);
    MsgBoxAnswer result;
    if (answer.choice >= 0 && answer.choice <= request.buttons.size()) {
        result.choice = answer.choice;
        // The tick counts whatever closed the box, Esc and the close box too.
        result.dontShow = request.offerDontShow && answer.dontShow;
    }
    return result;
}
