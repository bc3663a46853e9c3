// The administrative window: sign-in, and behind the administrative access
// code the user list, the logs and backup.
#pragma once

#include "core/rules/AdminRules.h"
#include "core/users/UserRecord.h"

#include <QVector>
#include <QWidget>

class Grid;
class QLineEdit;
class QTimer;
class ZelButton;

class frmAdmin : public QWidget
{
    Q_OBJECT
public:
    explicit frmAdmin(QWidget *parent = nullptr);
    ~frmAdmin() override;

    Grid *grid = nullptr;
    ZelButton *cmdUserSelected = nullptr;
    QLineEdit *txtPassword = nullptr;
    ZelButton *cmdSignIn = nullptr;
    ZelButton *cmdCancel = nullptr;
    ZelButton *cmdEditList = nullptr;
    ZelButton *cmdAddUser = nullptr;
    ZelButton *cmdEditUser = nullptr;
    ZelButton *cmdDeleteUser = nullptr;
    ZelButton *cmdReviewLogs = nullptr;
    ZelButton *cmdBackupRestore = nullptr;
    ZelButton *cmdHelp = nullptr;
    ZelButton *cmdQuit = nullptr;
    QTimer *timerFlashButton = nullptr;

    // (Re)loads the user grid from the user file.
    void FillUserGrid();
    void SetUpButtons();

    // Window state.
    bool EditingList = false;
    // Set from the deletion confirmation's "Don't show this again" box.
    bool SkipDeleteConfirm = false;
    // The button that pulses while timerFlashButton runs (none: nullptr).
    ZelButton *FlashingButton = nullptr;
    FlashState Flash;
    bool activatedOnce() const { return m_activated; }

public slots:
    void Form_Activate();
    void cmdUserSelected_Click();
    void txtPassword_Change();
    void cmdSignIn_Click();
    void cmdCancel_Click();
    void cmdEditList_Click();
    void cmdAddUser_Click();
    void cmdEditUser_Click();
    void cmdDeleteUser_Click();
    void cmdReviewLogs_Click();
    void cmdBackupRestore_Click();
    void cmdHelp_Click();
    void cmdQuit_Click();
    void grid_DblClick();
    void grid_MouseMove();
    void timerFlashButton_Timer();

protected:
    void showEvent(QShowEvent *event) override;
    void closeEvent(QCloseEvent *event) override;

private:
    void makeDefault(ZelButton *button);
    void stopFlash();
    void restoreColors(ZelButton *button);
    void selectRow(int row);
    void afterUserSaved(ZelButton *button, const UserRecord &saved);
    bool gridShown() const;
    // The user as the grid read it, for the identity check before a
    // sign-in, an edit or a delete; false when row holds no user.
    bool userOfRow(int row, int *recordNumber, UserRecord *user) const;

    QVector<UserRecord> m_users; // file order, as the grid was filled
    bool m_activated = false;
    bool m_activatePending = false;
    QString m_editListTip;
    int m_homeTop = 0;
    QString m_windowTag;
};

// Opens a new administrative window for signing in (every window lives
// from its showing to its closing).
frmAdmin *ShowAdminWindow();

// Opens the main window for the person who has just signed in; its
// administrative button leads back here.
class frmMain;
frmMain *ShowMainWindow();
