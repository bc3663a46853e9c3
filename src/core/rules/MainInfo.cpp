#include "core/rules/MainInfo.h"

#include "core/common/Globals.h"
#include "core/common/MsgBox.h"

namespace
{

MsgBoxRequest infoBox(const QString &title, const QString &text)
{
    return MakeMsgBoxRequest(title, 5, text, 1, false, {QStringLiteral("&Okay")});
}

} // namespace

QString RefreshMenuItemCaption(int index)
{
    switch (index) {
    case 1:
        return QStringLiteral("More information about this button...");
    case 3:
        return QStringLiteral("Enable 'Refresh List' sound notification");
    case 4:
        return QStringLiteral("Disable 'Refresh List' sound notification");
    case 6:
        return QStringLiteral("Exit this menu");
    default:
        return QString();
    }
}

bool RefreshMenuItemIsSeparator(int index)
{
    return index == 2 || index == 5;
}

bool RefreshMenuItemEnabled(int index, bool soundOn)
{
    const bool enableItem = !soundOn;
    switch (index) {
    case 3:
        return enableItem;
    case 4:
        return !enableItem;
    default:
        return index >= 1 && index <= RefreshMenuItemCount;
    }
}

MsgBoxRequest RefreshButtonInfoBox()
{
    return infoBox(QStringLiteral("The 'Refresh List' button..."),
                   QStringLiteral("If the ") + AppTitle + QStringLiteral(" database has been") +
                       CrLf + QStringLiteral("updated by some other network user,") + CrLf +
                       QStringLiteral("this button will flash. When you click it,") + CrLf +
                       QStringLiteral("the list of reports displayed on your screen") + CrLf +
                       QStringLiteral("will be updated with the latest information."));
}

MsgBoxRequest UserInformationBox(const QString &userName, int accessLevel)
{
    return infoBox(QStringLiteral("User Information"),
                   QStringLiteral("Current User:") + CrLf + userName + CrLf + CrLf +
                       QStringLiteral("Access Level:") + CrLf + AccessLevelName(accessLevel));
}

MsgBoxRequest AboutBox()
{
    const QString version = QStringLiteral("%1.%2.%3")
                                .arg(AppVersionMajor)
                                .arg(AppVersionMinor)
                                .arg(AppVersionRevision);
    return infoBox(QStringLiteral("About ") + AppTitle,
                   AppTitle + CrLf + QStringLiteral("Version w") + version + CrLf + CrLf +
                       AppDescription + CrLf + QStringLiteral("©") + AppLegalNotice);
}
