#include "gui/windows/frmAdmin.h"

#include "core/common/ActivityLog.h"
#include "core/common/Desktop.h"
#include "core/common/Globals.h"
#include "core/common/Links.h"
#include "core/common/MsgBox.h"
#include "core/rules/BackupRestore.h"
#include "core/users/UserFile.h"
#include "gui/controls/Grid.h"
#include "gui/controls/ZelButton.h"
#include "gui/platform/BusyGuard.h"
#include "gui/platform/Presenter.h"
#include "gui/platform/WindowLook.h"
#include "gui/windows/BackupProcedures.h"
#include "gui/windows/Quit.h"
#include "gui/windows/frmAddEditUser.h"
#include "gui/windows/frmMain.h"

#include <QAbstractTextDocumentLayout>
#include <QApplication>
#include <QCloseEvent>
#include <QFileInfo>
#include <QFontMetrics>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPlainTextEdit>
#include <QRadioButton>
#include <QScrollBar>
#include <QShortcut>
#include <QStyle>
#include <QTextBlock>
#include <QTextCursor>
#include <QTimer>

namespace
{

// Window size and places, in twips.
constexpr double WindowWidth = 8930;
constexpr double WindowHeight = 5375;
constexpr double Margin = 240;
constexpr double GridWidth = 7300;
constexpr double ButtonHeight = 450;
constexpr double RowGap = 120;
constexpr double SideLeft = 7750;
constexpr double SideWidth = 940;

// Back colours of the sign-in button: while it marks the password entry,
// and otherwise.
constexpr OleColor UserSelectedEntryColor = 0x80C0FF; // light orange
constexpr OleColor UserSelectedColor = 0x80FFFF;      // light yellow
// Hover colours that give the two pulsing buttons their pulse.
constexpr OleColor SignInHover = 0x80FF80;
constexpr OleColor EditListHover = 0xFFFF80;
constexpr OleColor ReviewLogsHover = 0xFF80FF;
constexpr OleColor FindFinishedHover = 0x80FF80;
// The pop-up menu's place in the window.
constexpr double MenuLeft = 6200;
constexpr double MenuTop = 550;
// The log panel: the option row, and the row of the search buttons.
constexpr double OptionRowHeight = 560;
constexpr double FindRowHeight = 450;
// The log box shows at least this many characters a line (a log line is
// about 70 to 75), more when the log shown has longer lines.
constexpr int LogBoxColumns = 80;
// Lines of a log held by one paragraph of the log box (the others end in a
// line separator): a text document builds a 100,000-paragraph text about
// ten times slower than one of 1,600 paragraphs, and lays out only the
// paragraphs in view.
constexpr int LogLinesPerParagraph = 64;

int px(double twips)
{
    return TwipsToPixels(twips);
}

} // namespace

frmAdmin::frmAdmin(Store &store, Session &session, QWidget *parent)
    : QWidget(parent), m_store(store), m_session(session)
{
    setObjectName(QStringLiteral("frmAdmin"));
    setWindowTitle(AdminText::WindowCaption());
    setFont(ProgramFont(QStringLiteral("Tahoma"), 9));

    const QFont buttonFont = ProgramFont(QStringLiteral("Verdana"), 8.25, true);
    auto makeButton = [&](ZelButton *&b, const QString &name) {
        b = new ZelButton(this);
        b->setObjectName(name);
        b->setFont(buttonFont);
        b->setProgramLook();
    };

    grid = new Grid(this);
    grid->setObjectName(QStringLiteral("grid"));
    grid->setAccessibleName(QStringLiteral("User List"));
    grid->setFont(ProgramFont(QStringLiteral("Tahoma"), 9));
    grid->setGeometry(px(Margin), px(Margin), px(GridWidth), px(3600));

    makeButton(cmdUserSelected, QStringLiteral("cmdUserSelected"));
    cmdUserSelected->setProgramLook(UserSelectedColor);
    txtPassword = new QLineEdit(this);
    txtPassword->setObjectName(QStringLiteral("txtPassword"));
    txtPassword->setAccessibleName(QStringLiteral("Password"));
    txtPassword->setEchoMode(QLineEdit::Password);
    txtPassword->setMaxLength(SignInPasswordMaxLength);
    txtPassword->setFont(ProgramFont(QStringLiteral("Verdana"), 11, true));
    txtPassword->hide();
    makeButton(cmdSignIn, QStringLiteral("cmdSignIn"));
    cmdSignIn->setBackOver(SignInHover);
    cmdSignIn->hide();
    makeButton(cmdCancel, QStringLiteral("cmdCancel"));
    cmdCancel->setCancel(true);
    cmdCancel->hide();
    makeButton(cmdEditList, QStringLiteral("cmdEditList"));
    cmdEditList->setBackOver(EditListHover);
    makeButton(cmdAddUser, QStringLiteral("cmdAddUser"));
    makeButton(cmdEditUser, QStringLiteral("cmdEditUser"));
    makeButton(cmdDeleteUser, QStringLiteral("cmdDeleteUser"));
    makeButton(cmdReviewLogs, QStringLiteral("cmdReviewLogs"));
    cmdReviewLogs->setBackOver(ReviewLogsHover);
    makeButton(cmdBackupRestore, QStringLiteral("cmdBackupRestore"));
    makeButton(cmdHelp, QStringLiteral("cmdHelp"));
    makeButton(cmdQuit, QStringLiteral("cmdQuit"));
    cmdQuit->setAccessibleName(QStringLiteral("Exit"));
    cmdQuit->setPictureNormal(style()->standardIcon(QStyle::SP_DialogCloseButton).pixmap(24, 24));
    cmdQuit->setPicturePosition(4);
    for (ZelButton *b : {cmdAddUser, cmdEditUser, cmdDeleteUser})
        b->setEnabled(false);

    // The caption texts are set by SetUpButtons; the places are fixed.
    SetUpButtons();
    const double gridHeight = UserGridVisibleRows * grid->RowHeight(0);
    grid->setHeight(gridHeight);
    const double rowA = Margin + gridHeight + 180;
    const double rowB = rowA + ButtonHeight + RowGap;
    const double height = qMax(WindowHeight, rowB + ButtonHeight + Margin);
    cmdUserSelected->setGeometry(px(Margin), px(rowA), px(3100), px(ButtonHeight));
    txtPassword->setGeometry(px(3500), px(rowA), px(1300), px(ButtonHeight));
    cmdSignIn->setGeometry(px(4950), px(rowA), px(1250), px(ButtonHeight));
    cmdCancel->setGeometry(px(6300), px(rowA), px(Margin + GridWidth - 6300), px(ButtonHeight));
    cmdEditList->setGeometry(px(Margin), px(rowB), px(2300), px(ButtonHeight));
    cmdReviewLogs->setGeometry(px(2700), px(rowB), px(2200), px(ButtonHeight));
    cmdBackupRestore->setGeometry(px(5060), px(rowB), px(Margin + GridWidth - 5060),
                                  px(ButtonHeight));
    // At home the editing buttons lie below the window's visible area.
    const double home = height + 200;
    cmdAddUser->setGeometry(px(Margin), px(home), px(2300), px(ButtonHeight));
    cmdEditUser->setGeometry(px(2700), px(home), px(2200), px(ButtonHeight));
    cmdDeleteUser->setGeometry(px(5060), px(home), px(Margin + GridWidth - 5060), px(ButtonHeight));
    cmdHelp->setGeometry(px(SideLeft), px(Margin), px(SideWidth), px(ButtonHeight));
    cmdQuit->setGeometry(px(SideLeft), px(rowB), px(SideWidth), px(ButtonHeight));
    m_homeTop = cmdAddUser->y();

    // The log panel covers the grid and the sign-in row while it is shown;
    // at home it lies below the window's visible area.
    picLogs = new QWidget(this);
    picLogs->setObjectName(QStringLiteral("picLogs"));
    picLogs->setGeometry(px(Margin), px(home + ButtonHeight + 200), px(GridWidth),
                         px(rowA + ButtonHeight - Margin));
    buildLogPanel();
    picLogs->hide();
    SetUpButtons();
    m_logPanelHome = picLogs->y();
    buildBackupMenu();

    setFixedSize(px(WindowWidth), px(height));
    TileBackground(BackgroundTile(), this);

    timerFlashButton = new QTimer(this);
    timerFlashButton->setObjectName(QStringLiteral("timerFlashButton"));
    timerFlashButton->setInterval(10);

    connect(cmdUserSelected, &QPushButton::clicked, this, &frmAdmin::cmdUserSelected_Click);
    connect(txtPassword, &QLineEdit::textChanged, this, &frmAdmin::txtPassword_Change);
    connect(cmdSignIn, &QPushButton::clicked, this, &frmAdmin::cmdSignIn_Click);
    connect(cmdCancel, &QPushButton::clicked, this, &frmAdmin::cmdCancel_Click);
    connect(cmdEditList, &QPushButton::clicked, this, &frmAdmin::cmdEditList_Click);
    connect(cmdAddUser, &QPushButton::clicked, this, &frmAdmin::cmdAddUser_Click);
    connect(cmdEditUser, &QPushButton::clicked, this, &frmAdmin::cmdEditUser_Click);
    connect(cmdDeleteUser, &QPushButton::clicked, this, &frmAdmin::cmdDeleteUser_Click);
    connect(cmdReviewLogs, &QPushButton::clicked, this, &frmAdmin::cmdReviewLogs_Click);
    connect(cmdBackupRestore, &QPushButton::clicked, this, &frmAdmin::cmdBackupRestore_Click);
    connect(cmdHelp, &QPushButton::clicked, this, &frmAdmin::cmdHelp_Click);
    connect(cmdQuit, &QPushButton::clicked, this, &frmAdmin::cmdQuit_Click);
    connect(grid, &Grid::DblClick, this, &frmAdmin::grid_DblClick);
    connect(grid, &Grid::MouseMove, this, &frmAdmin::grid_MouseMove);
    connect(timerFlashButton, &QTimer::timeout, this, &frmAdmin::timerFlashButton_Timer);
    auto *f1 = new QShortcut(QKeySequence(Qt::Key_F1), this);
    f1->setContext(Qt::WindowShortcut);
    connect(f1, &QShortcut::activated, this, &frmAdmin::cmdHelp_Click);

    grid->hide();
    cmdUserSelected->hide();
}

frmAdmin::~frmAdmin() = default;

void frmAdmin::buildLogPanel()
{
    const int width = picLogs->width();
    const int height = picLogs->height();
    const QFont buttonFont = ProgramFont(QStringLiteral("Verdana"), 8.25, true);
    // Widths in twips, by the length of the captions.
    const double optionWidths[LogOptionCount] = {1750, 2000, 1550, 2000};
    double optionLeft = 0;
    for (int i = 1; i <= LogOptionCount; ++i) {
        auto *o = new QRadioButton(picLogs);
        o->setObjectName(QStringLiteral("optViewLog(%1)").arg(i));
        o->setFont(ProgramFont(QStringLiteral("Tahoma"), 8.25));
        o->setGeometry(px(optionLeft), 0, px(optionWidths[i - 1]), px(OptionRowHeight));
        optionLeft += optionWidths[i - 1];
        o->setToolTip(LogReviewText::OptionTip(i));
        o->setAccessibleDescription(o->toolTip());
        optViewLog[i] = o;
        // Selected however that happens: a click, a key, assistive
        // technology's "Toggle" (which never clicks), or the review opening.
        connect(o, &QRadioButton::toggled, this, [this, i](bool on) {
            if (on)
                optViewLog_Click(i);
        });
    }
    txtLogText = new QPlainTextEdit(picLogs);
    txtLogText->setObjectName(QStringLiteral("txtLogText"));
    txtLogText->setAccessibleName(QStringLiteral("Activity log"));
    QFont logFont = ProgramFont(QStringLiteral("Courier New"), 9);
    logFont.setStyleHint(QFont::TypeWriter); // fixed pitch where Courier New is missing
    txtLogText->setFont(logFont);
    txtLogText->setLineWrapMode(QPlainTextEdit::NoWrap);
    // The logs are only read here: the box selects and copies, never edits,
    // and keeps no undo history of the text put into it.
    txtLogText->setReadOnly(true);
    txtLogText->setUndoRedoEnabled(false);
    txtLogText->setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
    const int textTop = px(OptionRowHeight) + px(60);
    const int findTop = height - px(FindRowHeight);
    txtLogText->setGeometry(0, textTop, width, findTop - px(90) - textTop);

    auto makeButton = [&](ZelButton *&b, const QString &name, double left, double w) {
        b = new ZelButton(picLogs);
        b->setObjectName(name);
        b->setFont(buttonFont);
        b->setProgramLook();
        b->setGeometry(px(left), findTop, px(w), px(FindRowHeight));
    };
    makeButton(cmdFindText, QStringLiteral("cmdFindText"), 0, 1500);
    makeButton(cmdFindFinished, QStringLiteral("cmdFindFinished"), 1600, 1200);
    cmdFindFinished->setBackOver(FindFinishedHover);
    cmdFindFinished->hide();
    QAbstractTextDocumentLayout *layout = txtLogText->document()->documentLayout();
    connect(layout, &QAbstractTextDocumentLayout::update, this, &frmAdmin::countLogLines);
    connect(layout, &QAbstractTextDocumentLayout::documentSizeChanged, this,
            &frmAdmin::countLogLines);
    labelLogNote = new QLabel(LogReviewText::NoteText(), picLogs);
    labelLogNote->setObjectName(QStringLiteral("labelLogNote"));
    labelLogNote->setFont(ProgramFont(QStringLiteral("Tahoma"), 7));
    labelLogNote->setWordWrap(true);
    labelLogNote->setGeometry(px(2900), findTop, width - px(2900), px(FindRowHeight));
    labelLogNote->hide();
    connect(cmdFindText, &QPushButton::clicked, this, &frmAdmin::cmdFindText_Click);
    connect(cmdFindFinished, &QPushButton::clicked, this, &frmAdmin::cmdFindFinished_Click);
}

void frmAdmin::buildBackupMenu()
{
    menuBackupRestoreMenu = new QMenu(this);
    menuBackupRestoreMenu->setObjectName(QStringLiteral("menuBackupRestoreMenu"));
    for (int i = 1; i <= 4; ++i) {
        QAction *a = nullptr;
        if (i == 3) {
            a = menuBackupRestoreMenu->addSeparator();
        } else {
            a = menuBackupRestoreMenu->addAction(BackupText::MenuCaption(i));
        }
        a->setObjectName(QStringLiteral("menuBackupRestore(%1)").arg(i));
        menuBackupRestore[i] = a;
    }
    menuBackupRestoreMenu->setDefaultAction(menuBackupRestore[1]);
}

frmMain *ShowMainWindow(Store &store, Session &session)
{
    auto *main = new frmMain(store, session);
    main->setAttribute(Qt::WA_DeleteOnClose);
    QObject::connect(main, &frmMain::adminWindowRequested, main,
                     [&store, &session] { ShowAdminWindow(store, session); });
    main->show();
    return main;
}

frmAdmin *ShowAdminWindow(Store &store, Session &session)
{
    auto *w = new frmAdmin(store, session);
    w->setAttribute(Qt::WA_DeleteOnClose);
    w->show();
    return w;
}

void frmAdmin::showEvent(QShowEvent *event)
{
    QWidget::showEvent(event);
    // The first activation asks questions; it runs once the window is up.
    if (!m_activated && !m_activatePending) {
        m_activatePending = true;
        QTimer::singleShot(0, this, [this] {
            m_activatePending = false;
            Form_Activate();
        });
    }
}

void frmAdmin::Form_Activate()
{
    if (m_activated)
        return;
    FillUserGrid();
    SetUpButtons();
    m_activated = true;
    cmdUserSelected->setVisible(data().UserCount >= 1);
    if (data().UserCount < 1) {
        ShowMsgBox(UserListEmptyMessage());
        return;
    }
    makeDefault(cmdUserSelected);
    grid->setFocus();
}

void frmAdmin::SetUpButtons()
{
    cmdHelp->setText(AdminText::HelpCaption());
    cmdHelp->setToolTip(AdminText::HelpTip());
    cmdQuit->setText(QString());
    cmdQuit->setToolTip(AdminText::QuitTip());
    cmdEditList->setText(AdminText::EditListCaption());
    cmdEditList->setToolTip(AdminText::EditListTip());
    cmdAddUser->setText(AdminText::AddUserCaption());
    cmdAddUser->setToolTip(AdminText::AddUserTip());
    cmdEditUser->setText(AdminText::EditUserCaption());
    cmdEditUser->setToolTip(AdminText::EditUserTip());
    cmdDeleteUser->setText(AdminText::DeleteUserCaption());
    cmdDeleteUser->setToolTip(AdminText::DeleteUserTip());
    cmdReviewLogs->setText(AdminText::ReviewLogsCaption());
    cmdReviewLogs->setToolTip(AdminText::ReviewLogsTip());
    cmdBackupRestore->setText(AdminText::BackupRestoreCaption());
    cmdBackupRestore->setToolTip(AdminText::BackupRestoreTip());
    cmdUserSelected->setText(AdminText::UserSelectedCaption());
    cmdUserSelected->setToolTip(AdminText::UserSelectedTip());
    cmdSignIn->setText(AdminText::SignInCaption());
    cmdCancel->setText(AdminText::CancelCaption());
    // The log panel is made after the first captions are set.
    if (picLogs) {
        for (int i = 1; i <= LogOptionCount; ++i)
            optViewLog[i]->setText(
                LogReviewText::OptionCaption(i).replace(CrLf, QStringLiteral("\n")));
        if (!TextSearch.running()) {
            cmdFindText->setText(LogReviewText::FindTextCaption());
            cmdFindText->setToolTip(LogReviewText::FindTextTip());
            cmdFindFinished->setText(LogReviewText::FindFinishedCaption());
            cmdFindFinished->setToolTip(LogReviewText::FindFinishedTip());
        }
    }
    for (ZelButton *b : findChildren<ZelButton *>())
        b->setAccessibleDescription(b->toolTip());
}

bool frmAdmin::gridShown() const
{
    return !grid->isHidden();
}

void frmAdmin::FillUserGrid()
{
    grid->hide();
    grid->setRedraw(false);
    grid->setRows(1);
    grid->setCols(5);
    grid->setFormatString(AdminText::UserGridFormat());
    grid->setHeight(UserGridVisibleRows * grid->RowHeight(0));

    m_users.clear();
    // A data folder without a user file has none (reading would make one);
    // a database has its table.
    if (!dynamic_cast<const FolderStore *>(&m_store) ||
        QFileInfo::exists(DataPath(data(), UserFileName))) {
        bool ok = false;
        m_users = m_store.allUsers(&ok);
        for (int i = 0; i < m_users.size(); ++i)
            grid->AddItem(UserGridRowText(m_users.at(i), i + 1));
    } else {
        data().UserCount = 0;
    }
    const int dataRows = grid->Rows() - 1;
    if (dataRows >= 2) {
        grid->setRow(1);
        grid->setCol(3);
        grid->setColSel(3);
        grid->setSort(GridTable::SortStringNoCaseAscending);
    }
    if (dataRows >= 1) {
        grid->setColWidth(0, 4000);
        grid->setColWidth(1, 1900);
        grid->setColWidth(2, 1250);
        for (int r = 2; r <= dataRows; r += 2) {
            grid->setRow(r);
            grid->setCol(0);
            grid->setColSel(2);
            grid->setCellBackColor(UserGridEvenRowColor);
        }
        // The sort key and the record number are for the program only; the
        // name column takes up the width they leave.
        grid->setColHidden(3, true);
        grid->setColHidden(4, true);
        grid->setFillCol(0);
        grid->show();
        grid->setRedraw(true);
        selectRow(1);
        grid->setTopRow(1);
    } else {
        grid->setRedraw(true);
    }
}

void frmAdmin::selectRow(int row)
{
    if (row < 1 || row >= grid->Rows())
        return;
    grid->setRow(row);
    grid->setCol(0);
    grid->setColSel(2);
}

bool frmAdmin::userOfRow(int row, int *recordNumber, UserRecord *user) const
{
    if (row < 1 || row >= grid->Rows())
        return false;
    const int n = grid->TextMatrix(row, 4).toInt();
    if (n < 1 || n > m_users.size())
        return false;
    *recordNumber = n;
    *user = m_users.at(n - 1);
    return true;
}

void frmAdmin::makeDefault(ZelButton *button)
{
    for (ZelButton *b : findChildren<ZelButton *>())
        b->setDefault(b == button);
}

void frmAdmin::restoreColors(ZelButton *button)
{
    if (!button)
        return;
    button->setBackColor(button == cmdUserSelected ? UserSelectedColor : ZelButton::ProgramFace);
    button->setForeColor(ZelButton::ProgramText);
}

void frmAdmin::stopFlash()
{
    timerFlashButton->stop();
    restoreColors(FlashingButton);
    FlashingButton = nullptr;
}

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
    if (!m_store.openUsers())
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
        m_store.logSignInOut(LogIncorrectPassword);
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
    if (!m_store.logSignInOut(LogSignedIn)) {
        // Nobody signs in without the line in the sign-in log.
        ShowMsgBox(QStringLiteral("Activity log not available"), 2,
                   LogFailedText(data(), SignInOutLogName), 1, false, {QStringLiteral("&Okay")});
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

bool AccessCodeGranted(DataSet &ds, Session &session)
{
    for (;;) {
        const std::optional<QString> answer =
            desktop().inputBox(AccessCodeTitle(), AccessCodePrompt(), AccessCodeDefault());
        if (!answer || answer->isEmpty())
            return false;
        const AccessCodeVerdict verdict = JudgeAccessCode(ds, session, *answer);
        if (verdict.kind == AccessCodeVerdict::Granted)
            return true;
        const int choice = ShowMsgBox(verdict.message).choice;
        if (verdict.kind == AccessCodeVerdict::Unjudged || choice != MsgButton::First)
            return false;
    }
}

// ---- list editing ----

void frmAdmin::cmdEditList_Click()
{
    if (!EditingList) {
        if (!AccessCodeGranted(data(), m_session))
            return;
        EditingList = true;
        cmdEditList->setTag(cmdEditList->text());
        cmdEditList->setText(AdminText::FinishedEditingCaption());
        m_editListTip = cmdEditList->toolTip();
        cmdEditList->setToolTip(AdminText::FinishedEditingTip());
        cmdEditList->setAccessibleDescription(cmdEditList->toolTip());
        cmdReviewLogs->hide();
        cmdBackupRestore->hide();
        cmdUserSelected->hide();

        m_homeTop = cmdAddUser->y();
        for (ZelButton *b : {cmdAddUser, cmdEditUser, cmdDeleteUser})
            b->move(b->x(), cmdUserSelected->y());
        cmdAddUser->setEnabled(true);
        cmdEditUser->setEnabled(gridShown());
        cmdDeleteUser->setEnabled(gridShown());
        makeDefault(nullptr);

        m_windowTag = windowTitle();
        setWindowTitle(AdminText::EditingListCaption());
        if (data().UserCount == 0)
            cmdAddUser_Click();
        FlashingButton = cmdEditList;
        timerFlashButton->start();
        return;
    }

    EditingList = false;
    stopFlash();
    cmdEditList->setText(cmdEditList->Tag());
    cmdEditList->setTag(QString());
    cmdEditList->setToolTip(m_editListTip);
    cmdEditList->setAccessibleDescription(m_editListTip);
    restoreColors(cmdEditList);
    for (ZelButton *b : {cmdAddUser, cmdEditUser, cmdDeleteUser}) {
        b->move(b->x(), m_homeTop);
        b->setEnabled(false);
    }
    cmdReviewLogs->show();
    cmdBackupRestore->show();
    cmdUserSelected->setVisible(gridShown());
    if (gridShown())
        makeDefault(cmdUserSelected);
    setWindowTitle(m_windowTag);
}

void frmAdmin::afterUserSaved(ZelButton *button, const UserRecord &saved)
{
    button->setTag(QStringLiteral("Update"));
    const QString key = saved.SortKey();
    FillUserGrid();
    if (data().UserCount >= 2) {
        QStringList keys;
        for (int r = 1; r < grid->Rows(); ++r)
            keys.append(grid->TextMatrix(r, 3));
        const int row = RowOfSortKey(keys, key);
        if (row >= 1) {
            selectRow(row);
            grid->setTopRow(row);
        }
    }
}

void frmAdmin::cmdAddUser_Click()
{
    frmAddEditUser window(m_store, m_session, this);
    window.setTag(AddEditText::AddMode());
    if (window.Load())
        window.exec();
    if (window.saved())
        afterUserSaved(cmdAddUser, window.savedUser());
    if (cmdAddUser->Tag() != QLatin1String("Update"))
        return;
    cmdAddUser->setTag(QString());
    cmdEditUser->setEnabled(data().UserCount >= 1 && gridShown());
    cmdDeleteUser->setEnabled(data().UserCount >= 1 && gridShown());
}

void frmAdmin::cmdEditUser_Click()
{
    int n = 0;
    UserRecord asListed;
    if (!userOfRow(grid->Row(), &n, &asListed))
        return;
    frmAddEditUser window(m_store, m_session, this);
    window.setTag(AddEditText::EditMode());
    window.setRecord(n, UserIdentity::of(asListed));
    if (window.Load())
        window.exec();
    if (window.changedElsewhere()) {
        // Nothing was written; the list shows what the file holds now.
        FillUserGrid();
        cmdEditUser->setEnabled(gridShown());
        cmdDeleteUser->setEnabled(gridShown());
        return;
    }
    if (window.saved())
        afterUserSaved(cmdEditUser, window.savedUser());
    cmdEditUser->setTag(QString());
}

void frmAdmin::cmdDeleteUser_Click()
{
    const int row = grid->Row();
    int n = 0;
    UserRecord asListed;
    if (!userOfRow(row, &n, &asListed))
        return;
    int choice = 1;
    if (!SkipDeleteConfirm) {
        const MsgBoxAnswer answer = ShowMsgBox(ConfirmDeletionMessage(grid->TextMatrix(row, 0)));
        choice = answer.choice;
        SkipDeleteConfirm = answer.dontShow;
    }
    if (choice != 1)
        return;

    BusyGuard busy(this);
    const UserResult result = m_store.deleteUser(n, UserIdentity::of(asListed));
    int rememberedRow = 1;
    int rememberedTop = 1;
    if (!dynamic_cast<const FolderStore *>(&m_store) ||
        QFileInfo::exists(DataPath(data(), UserFileName))) {
        rememberedRow = RowAfterDelete(row);
        rememberedTop = grid->TopRow();
    }
    if (result != UserResult::Ok) {
        busy.release();
        ShowUserResult(data(), result);
        if (result == UserResult::Changed || result == UserResult::Missing)
            FillUserGrid();
        cmdEditUser->setEnabled(gridShown());
        cmdDeleteUser->setEnabled(gridShown());
        return;
    }
    FillUserGrid();
    if (gridShown()) {
        const int target = qMin(rememberedRow, grid->Rows() - 1);
        selectRow(target);
        grid->setTopRow(grid->RowIsVisible(target) ? rememberedTop : target);
        selectRow(target);
    }
    busy.release();
    if (!SkipDeleteConfirm)
        ShowMsgBox(UserRemovedMessage());
    cmdEditUser->setEnabled(gridShown());
    cmdDeleteUser->setEnabled(gridShown());
}

// ---- the other buttons ----

void frmAdmin::cmdReviewLogs_Click()
{
    if (!ReviewingLogs) {
        if (!AccessCodeGranted(data(), m_session))
            return;
        ReviewingLogs = true;
        if (LastLogShown > 0) {
            // Selecting the option again below reloads the file.
            optViewLog[LastLogShown]->setAutoExclusive(false);
            optViewLog[LastLogShown]->setChecked(false);
            optViewLog[LastLogShown]->setAutoExclusive(true);
        }
        cmdReviewLogs->setTag(cmdReviewLogs->text());
        cmdReviewLogs->setText(LogReviewText::FinishedReviewingCaption());
        m_reviewLogsTip = cmdReviewLogs->toolTip();
        cmdReviewLogs->setToolTip(LogReviewText::FinishedReviewingTip());
        cmdReviewLogs->setAccessibleDescription(cmdReviewLogs->toolTip());
        grid->hide();
        cmdUserSelected->hide();
        cmdFindText->setText(LogReviewText::FindTextCaption());
        cmdFindText->setToolTip(LogReviewText::FindTextTip());
        cmdFindText->show();
        cmdFindFinished->setText(LogReviewText::FindFinishedCaption());
        cmdFindFinished->setToolTip(LogReviewText::FindFinishedTip());
        cmdFindFinished->hide();
        picLogs->move(picLogs->x(), grid->y());
        picLogs->show();
        picLogs->raise();
        m_windowTag = windowTitle();
        setWindowTitle(LogReviewText::WindowCaption());
        cmdEditList->hide();
        cmdBackupRestore->hide();
        makeDefault(nullptr);
        FlashingButton = cmdReviewLogs;
        timerFlashButton->start();
        optViewLog[qMax(LastLogShown, 1)]->setChecked(true); // shows that log
        return;
    }

    ReviewingLogs = false;
    stopFlash();
    m_logLines = 0;
    txtLogText->clear();
    m_logFinder.setText(QString());
    picLogs->hide();
    picLogs->move(picLogs->x(), m_logPanelHome);
    fitLogBox(0);
    if (data().UserCount >= 1) {
        grid->show();
        grid->update();
    }
    cmdReviewLogs->setText(cmdReviewLogs->Tag());
    cmdReviewLogs->setTag(QString());
    cmdReviewLogs->setToolTip(m_reviewLogsTip);
    cmdReviewLogs->setAccessibleDescription(m_reviewLogsTip);
    restoreColors(cmdReviewLogs);
    cmdEditList->show();
    cmdBackupRestore->show();
    cmdUserSelected->setVisible(data().UserCount > 0);
    if (data().UserCount > 0)
        makeDefault(cmdUserSelected);
    setWindowTitle(m_windowTag);
}

void frmAdmin::optViewLog_Click(int index)
{
    if (index < 1 || index > LogOptionCount)
        return;
    LastLogShown = index;
    // The box's whole text is replaced at once (emptying it first would
    // cost a second pass over a long log).
    const LogText log = LoadLogText(m_store, LogReviewText::LogFile(index));
    labelLogNote->setVisible(log.hasEntries);
    fitLogBox(qMax(LogBoxColumns, log.widestLine));
    showLogText(log.text);
    m_logFinder.setText(log.text);
    if (log.hasEntries) {
        // The newest lines in view, from their start.
        txtLogText->moveCursor(QTextCursor::End);
        showLineStart(false);
    }
    QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
    txtLogText->setFocus();
}

LogTextSearch::Hooks frmAdmin::searchHooks()
{
    LogTextSearch::Hooks hooks;
    hooks.started = [this] {
        cmdReviewLogs->hide();
        stopFlash();
        cmdFindText->setTag(cmdFindText->text());
        cmdFindText->setToolTip(LogReviewText::LookingForTip(TextSearch.SearchText));
        cmdFindText->setAccessibleDescription(cmdFindText->toolTip());
        cmdFindFinished->show();
        cmdFindFinished->setCancel(true);
        FlashingButton = cmdFindFinished;
        timerFlashButton->start();
    };
    hooks.finished = [this] {
        cmdFindText->setText(cmdFindText->Tag());
        cmdFindText->setTag(QString());
        cmdFindText->setToolTip(QString());
        cmdFindText->setAccessibleDescription(QString());
        stopFlash();
        cmdFindFinished->setCancel(false);
        cmdFindFinished->hide();
        FlashingButton = cmdReviewLogs;
        cmdReviewLogs->show();
        timerFlashButton->start();
    };
    hooks.select = [this](int start, int length) {
        cmdFindText->setText(LogReviewText::FindNextCaption());
        QTextCursor cursor = txtLogText->textCursor();
        cursor.setPosition(start);
        cursor.setPosition(start + length, QTextCursor::KeepAnchor);
        txtLogText->setTextCursor(cursor);
        showLineStart(true);
        QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
        txtLogText->setFocus();
    };
    hooks.ask = [](const MsgBoxRequest &request) { return ShowMsgBox(request).choice; };
    return hooks;
}

// Puts text into the log box, LogLinesPerParagraph lines a paragraph. The
// box reads back the same text (a line separator reads as a line break) and
// counts positions alike, so matches found in text are selected as they are.
void frmAdmin::showLogText(const QString &text)
{
    QString grouped = text;
    char16_t *c = reinterpret_cast<char16_t *>(grouped.data());
    const qsizetype size = grouped.size();
    int breaks = 0;
    for (qsizetype i = 0; i < size; ++i) {
        if (c[i] == u'\n' && ++breaks % LogLinesPerParagraph != 0)
            c[i] = QChar::LineSeparator;
    }
    m_logLines = breaks + 1;
    txtLogText->setPlainText(grouped);
    countLogLines();
}

// Gives each paragraph of the log box its line count, known without laying
// it out, so that the scroll bar counts lines from the start. A relayout
// (the box's first showing, a change of font) counts every paragraph not in
// view as one line again: then they are counted anew.
void frmAdmin::countLogLines()
{
    QTextDocument *doc = txtLogText->document();
    if (m_countingLines || doc->lineCount() >= m_logLines)
        return;
    m_countingLines = true;
    for (QTextBlock block = doc->firstBlock(); block.isValid(); block = block.next()) {
        if (!block.layout() || block.layout()->lineCount() == 0)
            block.setLineCount(int(block.text().count(QChar::LineSeparator)) + 1);
    }
    QAbstractTextDocumentLayout *layout = doc->documentLayout();
    emit layout->documentSizeChanged(layout->documentSize());
    m_countingLines = false;
}

// The log box wide enough for lines of this many characters (0: the
// window's own size, when the review ends). The window grows to the right
// for it, as far as the screen allows; the help and exit buttons move with
// its right edge.
void frmAdmin::fitLogBox(int columns)
{
    int extra = 0;
    if (columns > 0) {
        const int text =
            QFontMetrics(txtLogText->font()).horizontalAdvance(QString(columns, QLatin1Char('0')));
        const int chrome =
            2 * txtLogText->frameWidth() + 2 * int(txtLogText->document()->documentMargin()) +
            txtLogText->style()->pixelMetric(QStyle::PM_ScrollBarExtent, nullptr, txtLogText) +
            txtLogText->cursorWidth() + 2;
        const int frame = isVisible() ? frameGeometry().width() - width() : 0;
        const int room = desktop().screenSize().width() - frame - (width() - m_logExtraWidth);
        extra = qBound(0, text + chrome - (txtLogText->width() - m_logExtraWidth), qMax(room, 0));
    }
    const int grow = extra - m_logExtraWidth;
    if (grow == 0)
        return;
    m_logExtraWidth = extra;
    setFixedSize(width() + grow, height());
    for (QWidget *w : {static_cast<QWidget *>(picLogs), static_cast<QWidget *>(txtLogText),
                       static_cast<QWidget *>(labelLogNote)})
        w->resize(w->width() + grow, w->height());
    for (QWidget *w : {cmdHelp, cmdQuit})
        w->move(w->x() + grow, w->y());
    // A window that now reaches past the screen's right edge moves left.
    const int overhang = frameGeometry().right() + 1 - desktop().screenSize().width();
    if (isVisible() && grow > 0 && overhang > 0)
        move(qMax(0, x() - overhang), y());
}

// After the caret moved (to the end of the log, or past a match): its line
// in view from the start, unless a match lies beyond the box's width.
void frmAdmin::showLineStart(bool match)
{
    txtLogText->ensureCursorVisible();
    txtLogText->horizontalScrollBar()->setValue(0);
    if (match && txtLogText->cursorRect().right() >= txtLogText->viewport()->width())
        txtLogText->ensureCursorVisible();
}

void frmAdmin::cmdFindText_Click()
{
    TextSearch.findText(m_logFinder, searchHooks());
}

void frmAdmin::cmdFindFinished_Click()
{
    TextSearch.finish(searchHooks());
}

void frmAdmin::cmdBackupRestore_Click()
{
    if (!AccessCodeGranted(data(), m_session))
        return;
    // The chosen item runs once the menu is closed.
    QAction *chosen = menuBackupRestoreMenu->exec(mapToGlobal(QPoint(px(MenuLeft), px(MenuTop))),
                                                  menuBackupRestore[1]);
    for (int i = 1; i <= 4; ++i) {
        if (chosen && chosen == menuBackupRestore[i])
            menuBackupRestore_Click(i);
    }
}

void frmAdmin::menuBackupRestore_Click(int index)
{
    if (index != 1 && index != 2)
        return;
    const QString caption = windowTitle();
    ProcedureWindow window;
    window.caption = [this] { return windowTitle(); };
    window.setCaption = [this](const QString &text) {
        // From the copy's worker thread too: the window's own thread sets it.
        QMetaObject::invokeMethod(this, [this, text] { setWindowTitle(text); });
    };
    window.runBusy = [this](const std::function<void()> &work) { RunBusy(this, work); };
    if (index == 1) {
        setWindowTitle(BackupText::BackupCaption());
        BackupDataFiles(data(), window);
    } else {
        setWindowTitle(BackupText::RestoreCaption());
        RestoreDataFiles(data(), window);
    }
    setWindowTitle(caption);
}

void frmAdmin::cmdHelp_Click()
{
    Tell(OpenManual(data()));
}

void frmAdmin::cmdQuit_Click()
{
    QuitProgram(data(), false);
}

void frmAdmin::timerFlashButton_Timer()
{
    if (!FlashingButton)
        return;
    Flash.tick();
    OleColor back = 0, fore = 0;
    if (PulseColors(FlashingButton->BackOver(), Flash, &back, &fore)) {
        FlashingButton->setBackColor(back);
        FlashingButton->setForeColor(fore);
    }
}

void frmAdmin::closeEvent(QCloseEvent *event)
{
    // The close box asks as the Exit button does; closing by the program
    // (sign-in, the end of the program) goes ahead.
    if (event->spontaneous() && !ProgramEnding) {
        event->ignore();
        cmdQuit_Click();
        return;
    }
    stopFlash();
    event->accept();
}
