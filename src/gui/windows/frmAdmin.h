// The administrative window: sign-in, and behind the administrative access
// code the user list, the logs and backup.
#pragma once

#include "core/common/Session.h"
#include "core/store/Store.h"

#include "core/rules/AdminRules.h"
#include "core/rules/LogReview.h"
#include "core/users/UserRecord.h"

#include <QVector>
#include <QWidget>
#include <memory>

class Grid;
class QAction;
class QLabel;
class QLineEdit;
class QMenu;
class QPlainTextEdit;
class QRadioButton;
class QTimer;
class ZelButton;

// Asks for the administrative access code until it is right (true), the
// input box is cancelled or left empty, or the person chooses "&Never
// mind" (false). Every call asks afresh; JudgeAccessCode judges each
// answer against the store's settings, in the session.
bool AccessCodeGranted(Store &store, Session &session);

class frmAdmin : public QWidget
{
    Q_OBJECT
public:
    frmAdmin(Store &store, Session &session, QWidget *parent = nullptr);
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

    // The log panel.
    QWidget *picLogs = nullptr;
    QRadioButton *optViewLog[LogOptionCount + 1] = {}; // 1..4
    QPlainTextEdit *txtLogText = nullptr;
    ZelButton *cmdFindText = nullptr;
    ZelButton *cmdFindFinished = nullptr;
    QLabel *labelLogNote = nullptr;
    QLabel *lblChainState = nullptr; // the shown log's chain verified, or where it breaks
    ZelButton *cmdSealLogs = nullptr;
    // The backup/restore pop-up menu and its items 1..4.
    QMenu *menuBackupRestoreMenu = nullptr;
    QAction *menuBackupRestore[5] = {};

    // (Re)loads the user grid from the user file.
    void FillUserGrid();
    void SetUpButtons();
    // Marks line (1-based) of the shown log; 0 takes the mark away.
    void markLogLine(int line);

    // Window state.
    bool EditingList = false;
    // Set from the deletion confirmation's "Don't show this again" box.
    bool SkipDeleteConfirm = false;
    // The button that pulses while timerFlashButton runs (none: nullptr).
    ZelButton *FlashingButton = nullptr;
    ButtonPulse Flash;
    // Log review.
    bool ReviewingLogs = false;
    int LastLogShown = 0;     // the option last shown; 0 before the first
    LogTextSearch TextSearch; // SearchText and SearchStart
    // The logs shown (and their review recorded) in this opening, 1..4.
    bool LogReviewed[LogOptionCount + 1] = {};
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
    void optViewLog_Click(int index);
    void cmdFindText_Click();
    void cmdFindFinished_Click();
    void cmdSealLogs_Click();
    void menuBackupRestore_Click(int index);

protected:
    void showEvent(QShowEvent *event) override;
    void closeEvent(QCloseEvent *event) override;

private:
    // Back colours of the sign-in button: while it marks the password
    // entry, and otherwise.
    static constexpr OleColor UserSelectedEntryColor = 0x80C0FF; // light orange
    static constexpr OleColor UserSelectedColor = 0x80FFFF;      // light yellow

    void buildControls();
    void connectControls();
    void makeDefault(ZelButton *button);
    void stopFlash();
    void restoreColors(ZelButton *button);
    void selectRow(int row);
    void afterUserSaved(ZelButton *button, const UserRecord &saved);
    bool gridShown() const;
    // The user as the grid read it, for the identity check before a
    // sign-in, an edit or a delete; false when row holds no user.
    bool userOfRow(int row, int *recordNumber, UserRecord *user) const;

    LogTextSearch::Hooks searchHooks();
    void buildLogPanel();
    void showLogText(const QString &text);
    void countLogLines();
    void fitLogBox(int columns);
    void showLineStart(bool match);
    void buildBackupMenu();

    QVector<UserRecord> m_users; // file order, as the grid was filled
    LogFinder m_logFinder;
    QString m_reviewLogsTip;
    int m_logPanelHome = 0;
    int m_logExtraWidth = 0; // pixels the window grew by for the log box
    int m_logLines = 0;      // lines of the text in the log box
    bool m_countingLines = false;
    bool m_activated = false;
    bool m_activatePending = false;
    QString m_editListTip;
    int m_homeTop = 0;
    QString m_windowTag;
    Store &m_store;
    Session &m_session;
    DataSet &data() const { return m_store.dataSet(); }
};

// Opens a new administrative window for signing in (every window lives
// from its showing to its closing).
frmAdmin *ShowAdminWindow(Store &store, Session &session);

// Opens the main window for the person who has just signed in; its
// administrative button leads back here.
class frmMain;
frmMain *ShowMainWindow(Store &store, Session &session);
// Makes a main window once, unseen, with a few rows in its list, and paints
// it into a picture: run while the title window stands, it loads the fonts,
// pictures and code the first main window after the sign-in would otherwise
// wait for. Changes nothing of the session or the data set.
void WarmUpMainWindow(Store &store, const Session &session);
