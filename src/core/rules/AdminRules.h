// The rules of the administrative window and the add/edit user window that
// need no widget: the texts, the password-entry keys, the captions of
// list-editing mode, where the highlight goes after an add or a delete, the
// pulse of the flashing button, the access code prompt and the checks of the
// installation set-up.
#pragma once

#include "core/common/ColorMath.h"
#include "core/common/Desktop.h"
#include "core/rules/ButtonPulse.h"

#include "core/common/DataSet.h"
#include "core/common/Session.h"

#include <QString>
#include <QStringList>
#include <QVector>

class Store;

struct UserRecord;
enum class UserNameCheck;

// ---- texts of the administrative window ----
namespace AdminText
{
QString WindowCaption();      // "Custorin - Administrative Window"
QString EditingListCaption(); // "'User List' Administration"

QString UserSelectedCaption(); // "&Sign in the Highlighted User"
QString UserSelectedTip();
QString EnterPasswordCaption(); // "Enter Password at right"
QString SignInCaption();        // "&Sign In"
QString CancelCaption();        // "&Cancel"
QString EditListCaption();      // "Edit '&User List'"
QString EditListTip();
QString FinishedEditingCaption(); // "&Finished editing"
QString FinishedEditingTip();
QString AddUserCaption();
QString AddUserTip();
QString EditUserCaption();
QString EditUserTip();
QString DeleteUserCaption();
QString DeleteUserTip();
QString ReviewLogsCaption();
QString ReviewLogsTip();
QString BackupRestoreCaption();
QString BackupRestoreTip();
QString HelpCaption();
QString HelpTip();
QString QuitTip();

// The grid's tool tip over a data row (empty over the heading).
QString GridTip(int mouseRow, bool userSelectedVisible, bool editUserVisible);

// The user grid's format string.
QString UserGridFormat();
} // namespace AdminText

// ---- message boxes of the administrative window ----
MsgBoxRequest UserListEmptyMessage();
MsgBoxRequest IncorrectPasswordMessage();
// Sign-in on a grid row whose user can not be read from the user file.
MsgBoxRequest UnreadableUserMessage();
// Sign-in of a user whose record holds an access level outside 1..4.
MsgBoxRequest DamagedAccessLevelMessage(const QString &displayName, int level);
// Whether a stored access level is one of the four levels.
bool IsValidAccessLevel(int level);
MsgBoxRequest InvalidAccessCodeMessage(const QString &answer);
MsgBoxRequest ConfirmDeletionMessage(const QString &displayName);
MsgBoxRequest UserRemovedMessage();
MsgBoxRequest InvalidPasswordEntryMessage();
// A name the user file may not hold (CheckUserNames).
MsgBoxRequest InvalidUserNameMessage(UserNameCheck check);

// ---- access code ----
QString AccessCodeTitle();   // "Access Code Required"
QString AccessCodePrompt();  // CR LF "Please enter the" CR LF "correct access code..."
QString AccessCodeDefault(); // "<Enter Access Code Here>"
// What one answer to the administrative access code question came to.
// The window asks until it is right, the input box is cancelled or left
// empty, or the person chooses "&Never mind" on the Wrong message.
struct AccessCodeVerdict {
    enum Kind {
        Granted,  // the right code: the folder's count of wrong ones is reset
        Wrong,    // message: "Invalid Entry" (Try again, Never mind)
        Unjudged, // the settings are missing or damaged; message says so
    };
    Kind kind = Wrong;
    MsgBoxRequest message;
};
// Judges one answer. Each wrong code is written to "UserList.Log" (never
// the code itself); from the second wrong code in a row for the store on
// (Store::countWrongAccessCode: across restarts and workstations), the
// verdict comes only after a wait that doubles each time
// (WrongAccessCodeDelayMs, through the desktop's pause). The session's
// WrongAccessCodes: wrong access codes since the last right one, the
// store's count as last seen, or this session's own where the store's
// can not be kept.
AccessCodeVerdict JudgeAccessCode(Store &store, Session &session, const QString &answer);
// The wait after the n-th wrong code in a row: none after the first, then
// 1, 2, 4, ... seconds, at most 30.
int WrongAccessCodeDelayMs(int wrongCodes);

// ---- password entry (sign-in) ----
// What the buttons do while the password box holds `length` characters:
// Enter signs in from 4 characters, cancels while the box is empty and
// does nothing with 1 to 3 characters.
struct PasswordEntryState {
    bool signInEnabled = false;
    bool signInDefault = false; // and the pulse runs
    bool cancelDefault = false;
};
PasswordEntryState PasswordEntryRules(int length);
constexpr int SignInPasswordMaxLength = 8;

// ---- user grid ----
constexpr int UserGridVisibleRows = 12; // the grid's height in row heights
constexpr quint32 UserGridEvenRowColor = 0xD0D0D0;
// One grid row: display name, level name, date created, sort key, record
// number, separated by TAB.
QString UserGridRowText(const UserRecord &user, int recordNumber);
// The first row (1-based, in the given grid order) whose sort key is
// exactly key; 0 when none.
int RowOfSortKey(const QStringList &sortKeysInGridOrder, const QString &key);
// The row to highlight after the user in row `deletedRow` was deleted:
// the one above it, at least row 1.
int RowAfterDelete(int deletedRow);

// ---- the pulse of the flashing button ----
// The colours of a pulsing button whose hover colour is backOver; false
// when that hover colour has no pulse (the colours stay as they are).
bool PulseColors(OleColor backOver, const ButtonPulse &pulse, OleColor *back, OleColor *fore);

// ---- the add/edit user window ----
namespace AddEditText
{
QString AddMode();  // "Add a User"
QString EditMode(); // "View/Edit this User"
QString Caption(const QString &mode);
QString FirstNameLabel();
QString LastNameLabel();
QString PasswordLabel();
QString CommentsLabel();
QString AccessLevelLabel();
QString MandatoryLabel();
QString PasswordHint(); // "<4 to 8 chars only>"
QString SaveNewCaption();
QString CancelNewCaption();
QString SaveChangesCaption();
QString FinishedViewingCaption();
QString CancelChangesCaption();
// " Record Created mm/dd/yyyy hh:mmam/pm "
QString DateCreatedText(double dateCreated);
// " 12% full ": how full the comments box is; never less than 1%.
QString SpaceFullText(int characters);
} // namespace AddEditText

constexpr int FirstNameMaxLength = 15;
constexpr int LastNameMaxLength = 20;
constexpr int PasswordBoxMaxLength = 19;
constexpr int CommentsMaxLength = 439;
constexpr OleColor AddModeFocusColor = 0xC0FFFF;  // light yellow
constexpr OleColor EditModeFocusColor = 0xFFC0FF; // light pink
constexpr OleColor NoFocusColor = 0xFFFFC0;       // light cyan
constexpr OleColor SelectedLevelColor = 0x400000;
constexpr OleColor OtherLevelColor = 0x800000;

bool MandatoryFieldsFilled(const QString &firstName, const QString &lastName,
                           const QString &password);

// The save button after a change: while it is visible it is enabled
// exactly when the mandatory fields are filled; while hidden (view/edit
// before the first change) it becomes visible exactly then.
struct SaveButtonState {
    bool visible = false;
    bool enabled = false;
};
SaveButtonState SaveButtonAfterChange(SaveButtonState now, bool mandatoryFilled);

// The comments box shows line breaks as "\n"; the record keeps them as
// CR LF, as every release wrote them, so a line break takes two of the 439
// characters.
QString CommentsForRecord(const QString &boxText);
QString CommentsForBox(const QString &stored);
// The box's text cut so that its record form fits the 439 characters.
QString LimitComments(const QString &boxText);

// ---- installation set-up ----
enum class SetupCheck {
    Ok,
    AgencyEmpty,
    AgencyTooLong,
    AgencyInvalid,
    CodeWrongLength,
    CodeInvalid,
    CodesDiffer,
};
// Checks what the set-up window holds before anything is saved.
SetupCheck CheckSetupEntry(const QString &agency, const QString &code, const QString &confirm);
MsgBoxRequest SetupCheckMessage(const DataSet &ds, SetupCheck check);
