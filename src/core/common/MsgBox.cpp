#include "core/common/MsgBox.h"

#include "core/common/Globals.h"

#include <cmath>

MsgBoxRequest MakeMsgBoxRequest(const QString &title, int icon, const QString &text,
                                int defaultButton, bool offerDontShow, const QStringList &buttons)
{
    return MsgBoxRequest{title, icon, text, defaultButton, offerDontShow, buttons};
}

MsgBoxLayout LayoutMsgBox(QSizeF labelSize, const std::function<double(double)> &wrappedHeight,
                          const QVector<double> &captionWidths, bool offerDontShow, QSizeF screen)
{
    MsgBoxLayout l;
    l.labelWidth = labelSize.width();
    l.labelHeight = labelSize.height();

    // Width limit: twice a tenth of the screen, the screen width first
    // rounded to a whole number with ties to even.
    const double limit = 2.0 * std::floor(std::nearbyint(screen.width()) / 10.0);
    if (l.labelWidth > limit) {
        l.wordWrap = true;
        l.labelWidth = std::min(limit, 12000.0);
        l.labelHeight = wrappedHeight(l.labelWidth);
    }

    l.buttonTop = l.labelHeight + 400;
    l.rowTotal = 0;
    for (double w : captionWidths) {
        l.buttonWidth.append(w);
        l.rowTotal += w + 100;
    }

    l.windowWidth = std::max(l.labelWidth + 1100, l.rowTotal + 300);
    l.windowHeight = l.labelHeight + 1300 + (offerDontShow ? 300 : 0);
    l.fits = !(l.windowHeight > screen.height() || l.windowWidth > screen.width());

    double x = std::nearbyint(l.windowWidth / 2 - l.rowTotal / 2);
    for (double w : captionWidths) {
        l.buttonLeft.append(x);
        x += w + 100;
    }

    l.bandTop = l.labelHeight + 275;
    l.bandWidth = l.windowWidth + 40;
    l.bandHeight = l.windowHeight - l.bandTop + 100;
    l.checkTop = l.buttonTop + l.buttonHeight + 100;
    return l;
}

QString DisplayIssueText()
{
    return AppTitle + QStringLiteral(" is trying to display a message") + CrLf +
           QStringLiteral("that is too big for your screen resolution.") + CrLf + CrLf +
           QStringLiteral("Please contact ") + VendorName + QStringLiteral(" about this.");
}
