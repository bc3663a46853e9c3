// The administrative window's sign-in: picking a user, the password,
// signing in or cancelling, and the access code.
#include "gui/windows/frmAdmin.h"

#include "core/common/ActivityLog.h"
#include "core/common/Desktop.h"
#include "gui/controls/Grid.h"
#include "gui/controls/ZelButton.h"
#include "gui/platform/Presenter.h"
#include "gui/platform/ShowMsgBox.h"

#include <QLineEdit>
#include <QTimer>

// ---- picking a user and signing in ----

void frmAdmin::grid_DblClick()
{
    if (!cmdUserSelected->isHidden())
        cmdUserSelected_Click();
    else if (!cmdEditUser->isHidden() && EditingList)
        cmdEditUser_Click();
}

void frmAdmin::grid_MouseMove()
{
    grid->setToolTipText(
        AdminText::GridTip(grid->MouseRow(), !cmdUserSelected->isHidden(), EditingList));
}

void frmAdmin::cmdUserSelected_Click()
{
    if (!cmdUserSelected->Tag().isEmpty() || grid->Row() < 1)
        return;
    grid->setEnabled(false);
    cmdEditList->hide();
    cmdReviewLogs->hide();
    cmdBackupRestore->hide();

    cmdUserSelected->setTag(cmdUserSelected->text());
    cmdUserSelected->setBackColor(UserSelectedEntryColor);
    cmdUserSelected->setFontBold(true);
    cmdUserSelected->setText(AdminText::EnterPasswordCaption());
    cmdUserSelected->setEnabled(false);

    cmdSignIn->setText(AdminText::SignInCaption());
    cmdSignIn->show();
    cmdSignIn->setEnabled(false);
    cmdCancel->setText(AdminText::CancelCaption());
    cmdCancel->show();

    txtPassword->clear();
    txtPassword->show();
    txtPassword->setFocus();
    txtPassword_Change();
    FlashingButton = cmdSignIn;
}

void frmAdmin::txtPassword_Change()
{
    const PasswordEntryState s = PasswordEntryRules(int(txtPassword->text().size()));
    cmdSignIn->setEnabled(s.signInEnabled);
    if (s.signInDefault) {
        makeDefault(cmdSignIn);
        FlashingButton = cmdSignIn;
        timerFlashButton->start();
    } else {
        timerFlashButton->stop();
        restoreColors(cmdSignIn);
        makeDefault(s.cancelDefault ? cmdCancel : nullptr);
    }
    cmdCancel->setEnabled(true);
}

void frmAdmin::cmdSignIn_Click()
{
    if (!cmdSignIn->isEnabled() || cmdSignIn->isHidden())
        return;
    const int row = grid->Row();
    int n = 0;
    UserRecord asListed;
    if (!userOfRow(row, &n, &asListed)) {
        // The row names no record of the list as read: say so and read the
        // list again rather than doing nothing.
        ShowMsgBox(UnreadableUserMessage());
        cmdCancel_Click();
        FillUserGrid();
        cmdUserSelected->setVisible(data().UserCount >= 1);
        return;
    }
    if (!OpenUsers(m_store))
        return;
    const UserRecord user = m_store.user(n);
    m_store.closeUsers();

    m_session.CurrentUserName = grid->TextMatrix(row, 0);
    stopFlash();
    restoreColors(cmdSignIn);

    // The record numbers move when another workstation deletes a user:
    // the password is only compared with the user picked from the list.
    if (!UserIdentity::of(asListed).matches(user)) {
        m_session.CurrentUserName.clear();
        ShowUserResult(data(), UserResult::Changed);
        cmdCancel_Click();
        FillUserGrid();
        cmdUserSelected->setVisible(data().UserCount >= 1);
        return;
    }

    if (!m_store.passwordMatches(user, txtPassword->text())) {
        const int choice = ShowMsgBox(IncorrectPasswordMessage()).choice;
        RunLocked(this, data(), [this] { m_store.logSignInOut(LogIncorrectPassword); });
        m_session.CurrentUserName.clear();
        if (choice == 1) {
            txtPassword->clear();
            txtPassword->setFocus();
        } else {
            cmdCancel_Click();
        }
        return;
    }

    if (!IsValidAccessLevel(user.AccessLevel)) {
        // A damaged record grants nothing: no sign-in, no log line with a
        // blank level.
        m_session.CurrentUserName.clear();
        ShowMsgBox(DamagedAccessLevelMessage(user.DisplayName(), user.AccessLevel));
        cmdCancel_Click();
        return;
    }
    m_session.CurrentAccessLevel = user.AccessLevel;
    bool logged = false;
    RunLocked(this, data(), [&] { logged = m_store.logSignInOut(LogSignedIn); });
    if (!logged) {
        // Nobody signs in without the line in the sign-in log.
        const DatabaseFailure &db = data().databaseFailure;
        ShowMsgBox(db.isSet() ? DatabaseFailureTitle(db)
                              : QStringLiteral("Activity log not available"),
                   2, LogFailedText(data(), SignInOutLogName), 1, false, {QStringLiteral("&Okay")});
        m_session.CurrentUserName.clear();
        m_session.CurrentAccessLevel = 0;
        txtPassword->clear();
        txtPassword->setFocus();
        return;
    }
    close();
    ShowMainWindow(m_store, m_session);
}

void frmAdmin::cmdCancel_Click()
{
    txtPassword->hide();
    timerFlashButton->stop();
    FlashingButton = nullptr;
    cmdSignIn->hide();
    restoreColors(cmdSignIn);
    restoreColors(cmdCancel);
    cmdCancel->hide();
    cmdEditList->show();
    cmdReviewLogs->show();
    cmdBackupRestore->show();
    grid->setEnabled(true);
    if (!cmdUserSelected->Tag().isEmpty())
        cmdUserSelected->setText(cmdUserSelected->Tag());
    cmdUserSelected->setTag(QString());
    cmdUserSelected->setFontBold(false);
    cmdUserSelected->setBackColor(UserSelectedColor);
    cmdUserSelected->setEnabled(true);
    makeDefault(cmdUserSelected);
    grid->setFocus();
}

bool AccessCodeGranted(Store &store, Session &session)
{
    for (;;) {
        const std::optional<QString> answer =
            desktop().inputBox(AccessCodeTitle(), AccessCodePrompt(), AccessCodeDefault());
        if (!answer || answer->isEmpty())
            return false;
        AccessCodeVerdict verdict;
        RunLocked(nullptr, store.dataSet(),
                  [&] { verdict = JudgeAccessCode(store, session, *answer); });
        if (verdict.kind == AccessCodeVerdict::Granted)
            return true;
        const int choice = ShowMsgBox(verdict.message).choice;
        if (verdict.kind == AccessCodeVerdict::Unjudged || choice != MsgButton::First)
            return false;
    }
}
