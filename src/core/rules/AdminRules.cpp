#include "core/rules/AdminRules.h"

#include "core/common/Formats.h"
#include "core/common/Globals.h"
#include "core/common/InputChecks.h"
#include "core/common/MsgBox.h"
#include "core/store/Store.h"
#include "core/users/Installation.h"
#include "core/users/UserRecord.h"

#include <cmath>

// ---- texts of the administrative window ----

QString AdminText::WindowCaption()
{
    return AppTitle + QStringLiteral(" - Administrative Window");
}
QString AdminText::EditingListCaption()
{
    return QStringLiteral("'User List' Administration");
}
QString AdminText::UserSelectedCaption()
{
    return QStringLiteral("&Sign in the Highlighted User");
}
QString AdminText::UserSelectedTip()
{
    return QStringLiteral(" Sign the highlighted user in... ");
}
QString AdminText::EnterPasswordCaption()
{
    return QStringLiteral("Enter Password at right");
}
QString AdminText::SignInCaption()
{
    return QStringLiteral("&Sign In");
}
QString AdminText::CancelCaption()
{
    return QStringLiteral("&Cancel");
}
QString AdminText::EditListCaption()
{
    return QStringLiteral("Edit '&User List'");
}
QString AdminText::EditListTip()
{
    return QStringLiteral(" Add, Edit/View, and/or Delete Users ");
}
QString AdminText::FinishedEditingCaption()
{
    return QStringLiteral("&Finished editing");
}
QString AdminText::FinishedEditingTip()
{
    return QStringLiteral(" Click here when finished editing the 'User List' ");
}
QString AdminText::AddUserCaption()
{
    return QStringLiteral("&Add User");
}
QString AdminText::AddUserTip()
{
    return QStringLiteral(" Add a User to the 'User Name' list ");
}
QString AdminText::EditUserCaption()
{
    return QStringLiteral("&Edit User");
}
QString AdminText::EditUserTip()
{
    return QStringLiteral(" Edit the highlighted User ");
}
QString AdminText::DeleteUserCaption()
{
    return QStringLiteral("&Delete User");
}
QString AdminText::DeleteUserTip()
{
    return QStringLiteral(" Delete the highlighted User ");
}
QString AdminText::ReviewLogsCaption()
{
    return QStringLiteral("&Activity Logs");
}
QString AdminText::ReviewLogsTip()
{
    return QStringLiteral(" Review the program activity logs... ");
}
QString AdminText::BackupRestoreCaption()
{
    return QStringLiteral("&Backup/Restore Data");
}
QString AdminText::BackupRestoreTip()
{
    return QStringLiteral(" Backup or Restore the '") + AppTitle + QStringLiteral("' data files ");
}
QString AdminText::HelpCaption()
{
    return QStringLiteral("&Help");
}
QString AdminText::HelpTip()
{
    return QStringLiteral(" Illustrated Manual <F1> ");
}
QString AdminText::QuitTip()
{
    return QStringLiteral(" Exit ") + AppTitle + QStringLiteral(" ");
}

QString AdminText::GridTip(int mouseRow, bool userSelectedVisible, bool editUserVisible)
{
    if (mouseRow < 1)
        return QString();
    if (userSelectedVisible)
        return QStringLiteral(" Double-click to select this User ");
    if (editUserVisible)
        return QStringLiteral(" Double-click to view/edit this User ");
    return QString();
}

QString AdminText::UserGridFormat()
{
    return QStringLiteral("<User List|<Access Level|^Date Created|NameSort|RecNum");
}

// ---- message boxes ----

MsgBoxRequest UserListEmptyMessage()
{
    return MakeMsgBoxRequest(QStringLiteral("'User List' empty"), 2,
                             QStringLiteral("There are currently no 'Users'") + CrLf +
                                 QStringLiteral("entered in the 'User List'"),
                             1, false, {QStringLiteral("&Continue")});
}

MsgBoxRequest IncorrectPasswordMessage()
{
    return MakeMsgBoxRequest(QStringLiteral("Incorrect Password"), 2,
                             QStringLiteral("That is not the correct password") + CrLf +
                                 QStringLiteral("associated with this name"),
                             1, false,
                             {QStringLiteral("&Try again"), QStringLiteral("&Cancel sign-in")});
}

MsgBoxRequest UnreadableUserMessage()
{
    return MakeMsgBoxRequest(QStringLiteral("User not available"), 4,
                             QStringLiteral("The user picked can not be read from the") + CrLf +
                                 QStringLiteral("user file '") + UserFileName +
                                 QStringLiteral("'.") + CrLf + CrLf +
                                 QStringLiteral("The list has been read again; please pick") +
                                 CrLf + QStringLiteral("the user once more."),
                             1, false, {QStringLiteral("&Okay")});
}

MsgBoxRequest DamagedAccessLevelMessage(const QString &displayName, int level)
{
    return MakeMsgBoxRequest(
        QStringLiteral("User record damaged"), 2,
        QStringLiteral("The user record of '") + displayName +
            QStringLiteral("' holds the access") + CrLf + QStringLiteral("level ") +
            QString::number(level) + QStringLiteral(", which is none of the levels 1 to 4.") +
            CrLf + CrLf + QStringLiteral("Nobody can sign in with it. An administrator") + CrLf +
            QStringLiteral("can give the user a level in 'Edit User List'."),
        1, false, {QStringLiteral("&Okay")});
}

bool IsValidAccessLevel(int level)
{
    return level >= 1 && level <= 4;
}

MsgBoxRequest InvalidAccessCodeMessage(const QString &answer)
{
    return MakeMsgBoxRequest(QStringLiteral("Invalid Entry"), 2,
                             QStringLiteral("'") + answer + QStringLiteral("' is not the") + CrLf +
                                 CrLf + QStringLiteral("correct Access Code"),
                             1, false,
                             {QStringLiteral("&Try again"), QStringLiteral("&Never mind")});
}

MsgBoxRequest ConfirmDeletionMessage(const QString &displayName)
{
    return MakeMsgBoxRequest(
        QStringLiteral("Confirm Deletion"), 4,
        QStringLiteral("Are you sure you want to remove") + CrLf + CrLf + displayName + CrLf +
            CrLf + QStringLiteral("from the 'User List'?"),
        2, true, {QStringLiteral("&Yes, delete this User"), QStringLiteral("&No, do not delete")});
}

MsgBoxRequest UserRemovedMessage()
{
    return MakeMsgBoxRequest(QStringLiteral("User removed"), 5,
                             QStringLiteral("This name has been deleted") + CrLf +
                                 QStringLiteral("from the 'User List'."),
                             1, true, {QStringLiteral("&Continue editing")});
}

MsgBoxRequest InvalidPasswordEntryMessage()
{
    return MakeMsgBoxRequest(QStringLiteral("Invalid Password Entry"), 4,
                             QStringLiteral("The password must be") + CrLf +
                                 QStringLiteral("4 to 8 characters, using") + CrLf +
                                 QStringLiteral("letters and numbers only."),
                             1, false, {QStringLiteral("&Please enter valid password")});
}

MsgBoxRequest InvalidUserNameMessage(UserNameCheck check)
{
    const QString text =
        check == UserNameCheck::Reserved
            ? QStringLiteral("'") + UserKilledMarker +
                  QStringLiteral("' can not be used as a first name:") + CrLf +
                  QStringLiteral("it marks a user while the user is being deleted.")
            : QStringLiteral("A name may not hold a tab, a line break") + CrLf +
                  QStringLiteral("or another control character.");
    return MakeMsgBoxRequest(QStringLiteral("Invalid Name"), 4, text, 1, false,
                             {QStringLiteral("&Okay")});
}

// ---- access code ----

QString AccessCodeTitle()
{
    return QStringLiteral("Access Code Required");
}
QString AccessCodePrompt()
{
    return CrLf + QStringLiteral("Please enter the") + CrLf +
           QStringLiteral("correct access code...");
}
QString AccessCodeDefault()
{
    return QStringLiteral("<Enter Access Code Here>");
}

int WrongAccessCodeDelayMs(int wrongCodes)
{
    if (wrongCodes < 2)
        return 0;
    const int doublings = qMin(wrongCodes - 2, 5);
    return qMin(1000 << doublings, 30000);
}

AccessCodeVerdict JudgeAccessCode(Store &store, Session &session, const QString &answer)
{
    AccessCodeVerdict verdict;
    const InstallationResult checked = store.checkAccessCode(answer);
    if (checked == InstallationResult::Ok) {
        session.WrongAccessCodes = 0;
        store.clearWrongAccessCodes();
        verdict.kind = AccessCodeVerdict::Granted;
        return verdict;
    }
    if (checked != InstallationResult::AccessCodeInvalid) {
        // The settings went missing or were damaged: the answer can not be
        // judged, and the person is told why.
        verdict.kind = AccessCodeVerdict::Unjudged;
        verdict.message = {InstallationResultTitle(checked),
                           MsgIcon::Stop,
                           store.installationProblemText(checked),
                           MsgButton::First,
                           false,
                           {QStringLiteral("&Okay")}};
        return verdict;
    }
    // The store's count, which a restart does not reset; this session's
    // own where the store's can not be kept.
    const int counted = store.countWrongAccessCode();
    session.WrongAccessCodes = counted > 0 ? counted : session.WrongAccessCodes + 1;
    if (const int ms = WrongAccessCodeDelayMs(session.WrongAccessCodes); ms > 0)
        desktop().pause(ms);
    verdict.message = InvalidAccessCodeMessage(answer);
    return verdict;
}

// ---- password entry ----

PasswordEntryState PasswordEntryRules(int length)
{
    PasswordEntryState s;
    s.signInEnabled = length > 3;
    s.signInDefault = s.signInEnabled;
    s.cancelDefault = length == 0;
    return s;
}

// ---- user grid ----

QString UserGridRowText(const UserRecord &user, int recordNumber)
{
    // A tab or line break in a name an older release let in must not shift
    // the columns: the row would lose its record number.
    const QChar tab(QLatin1Char('\t'));
    return OneLine(user.DisplayName()) + tab + AccessLevelName(user.AccessLevel) + tab +
           OleDateText(user.DateCreated) + tab + OneLine(user.SortKey()) + tab +
           QString::number(recordNumber);
}

int RowOfSortKey(const QStringList &sortKeysInGridOrder, const QString &key)
{
    const qsizetype i = sortKeysInGridOrder.indexOf(key);
    return i < 0 ? 0 : int(i) + 1;
}

int RowAfterDelete(int deletedRow)
{
    return deletedRow - 1 < 1 ? 1 : deletedRow - 1;
}

// ---- pulse ----

bool PulseColors(OleColor backOver, const ButtonPulse &s, OleColor *back, OleColor *fore)
{
    const int l = s.level;
    const int m = s.mirror;
    switch (backOver) {
    case 0xFFFF00:
    case 0xFFFF80:
        *back = OleRgb(0, m, m);
        *fore = OleRgb(0, l, l);
        return true;
    case 0xFF80FF:
    case 0xFF00FF:
        *back = OleRgb(m, qMin(m, 124), m);
        *fore = OleRgb(l, qMin(l, 124), l);
        return true;
    case 0x80FF80:
    case 0x00FF00:
        *back = OleRgb(0, m, 0);
        *fore = OleRgb(0, l, 0);
        return true;
    default:
        return false;
    }
}

// ---- add/edit user window ----

QString AddEditText::AddMode()
{
    return QStringLiteral("Add a User");
}
QString AddEditText::EditMode()
{
    return QStringLiteral("View/Edit this User");
}
QString AddEditText::Caption(const QString &mode)
{
    return AppTitle + QStringLiteral(" - ") + mode;
}
QString AddEditText::FirstNameLabel()
{
    return QStringLiteral("* First Name");
}
QString AddEditText::LastNameLabel()
{
    return QStringLiteral("* Last Name");
}
QString AddEditText::PasswordLabel()
{
    return QStringLiteral("* Password (4-8 characters)");
}
QString AddEditText::CommentsLabel()
{
    return QStringLiteral(" Comments");
}
QString AddEditText::AccessLevelLabel()
{
    return QStringLiteral("* Access Level");
}
QString AddEditText::MandatoryLabel()
{
    return QStringLiteral("* (Mandatory Entry)");
}
QString AddEditText::PasswordHint()
{
    return QStringLiteral("<4 to 8 chars only>");
}
QString AddEditText::SaveNewCaption()
{
    return QStringLiteral("&Save New Entry");
}
QString AddEditText::CancelNewCaption()
{
    return QStringLiteral("&Cancel New Entry");
}
QString AddEditText::SaveChangesCaption()
{
    return QStringLiteral("&Save Changes");
}
QString AddEditText::FinishedViewingCaption()
{
    return QStringLiteral("&Finished Viewing");
}
QString AddEditText::CancelChangesCaption()
{
    return QStringLiteral("&Cancel Changes");
}

QString AddEditText::DateCreatedText(double dateCreated)
{
    const QString created = OleDateTimeText(dateCreated);
    return QStringLiteral(" Record Created ") +
           (created.isEmpty() ? created : created + QLatin1Char(' '));
}

QString AddEditText::SpaceFullText(int characters)
{
    double share = double(characters) / CommentsMaxLength;
    if (std::round(share * 100.0) < 1.0)
        share = 0.01;
    return QStringLiteral(" ") + PercentText(share) + QStringLiteral(" full ");
}

bool MandatoryFieldsFilled(const QString &firstName, const QString &lastName,
                           const QString &password)
{
    return !firstName.trimmed().isEmpty() && !lastName.trimmed().isEmpty() &&
           !password.trimmed().isEmpty();
}

SaveButtonState SaveButtonAfterChange(SaveButtonState now, bool mandatoryFilled)
{
    if (now.visible)
        return {true, mandatoryFilled};
    return {mandatoryFilled, now.enabled};
}

QString CommentsForRecord(const QString &boxText)
{
    QString text = boxText;
    text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    text.replace(QLatin1Char('\r'), QLatin1Char('\n'));
    text.replace(QLatin1Char('\n'), CrLf);
    return text;
}

QString CommentsForBox(const QString &stored)
{
    QString text = stored;
    text.replace(CrLf, QStringLiteral("\n"));
    text.replace(QLatin1Char('\r'), QLatin1Char('\n'));
    return text;
}

QString LimitComments(const QString &boxText)
{
    QString text = boxText;
    while (CommentsForRecord(text).size() > CommentsMaxLength)
        text.chop(1);
    return text;
}

// ---- installation set-up ----

SetupCheck CheckSetupEntry(const QString &agency, const QString &code, const QString &confirm)
{
    const QString name = agency.trimmed();
    if (name.isEmpty())
        return SetupCheck::AgencyEmpty;
    if (CharacterCount(name) > AgencyNameMaxLength)
        return SetupCheck::AgencyTooLong;
    if (HasControlCharacter(name))
        return SetupCheck::AgencyInvalid;
    if (CharacterCount(code) != AccessCodeLength)
        return SetupCheck::CodeWrongLength;
    if (HasControlCharacter(code))
        return SetupCheck::CodeInvalid;
    if (code != confirm)
        return SetupCheck::CodesDiffer;
    return SetupCheck::Ok;
}

MsgBoxRequest SetupCheckMessage(const DataSet &ds, SetupCheck check)
{
    const QStringList okay{QStringLiteral("&Okay")};
    auto fromResult = [&](InstallationResult r) {
        return MakeMsgBoxRequest(InstallationResultTitle(r), 4, InstallationResultText(ds, r), 1,
                                 false, okay);
    };
    switch (check) {
    case SetupCheck::AgencyEmpty:
        return fromResult(InstallationResult::AgencyEmpty);
    case SetupCheck::AgencyTooLong:
        return fromResult(InstallationResult::AgencyTooLong);
    case SetupCheck::AgencyInvalid:
        return fromResult(InstallationResult::AgencyInvalid);
    case SetupCheck::CodeWrongLength:
        return fromResult(InstallationResult::AccessCodeInvalid);
    case SetupCheck::CodeInvalid:
        return MakeMsgBoxRequest(InstallationResultTitle(InstallationResult::AccessCodeInvalid), 4,
                                 QStringLiteral("The access code may not hold") + CrLf +
                                     QStringLiteral("line breaks or tabs."),
                                 1, false, okay);
    case SetupCheck::CodesDiffer:
        return MakeMsgBoxRequest(QStringLiteral("Access Codes Differ"), 4,
                                 QStringLiteral("The two access codes typed are not the same.") +
                                     CrLf + CrLf +
                                     QStringLiteral("Please type the access code again") + CrLf +
                                     QStringLiteral("in both boxes."),
                                 1, false, {QStringLiteral("&Try again")});
    case SetupCheck::Ok:
        break;
    }
    return MsgBoxRequest();
}
