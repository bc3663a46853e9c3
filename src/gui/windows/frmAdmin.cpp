#include "gui/windows/frmAdmin.h"

#include "core/common/Globals.h"
#include "core/common/Links.h"
#include "core/entries/EntryList.h"
#include "core/rules/BackupRestore.h"
#include "core/users/UserFile.h"
#include "gui/controls/Grid.h"
#include "gui/controls/ZelButton.h"
#include "gui/platform/Presenter.h"
#include "gui/platform/ShowMsgBox.h"
#include "gui/platform/WindowLook.h"
#include "gui/windows/BackupProcedures.h"
#include "gui/windows/Quit.h"
#include "gui/windows/frmMain.h"

#include <QCloseEvent>
#include <QFileInfo>
#include <QLineEdit>
#include <QMenu>
#include <QRadioButton>
#include <QShortcut>
#include <QStyle>
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

// Hover colours that give the pulsing buttons their pulse.
constexpr OleColor SignInHover = 0x80FF80;
constexpr OleColor EditListHover = 0xFFFF80;
constexpr OleColor ReviewLogsHover = 0xFF80FF;
// The pop-up menu's place in the window.
constexpr double MenuLeft = 6200;
constexpr double MenuTop = 550;

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

    buildControls();

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

    connectControls();

    grid->hide();
    cmdUserSelected->hide();
}

// The user grid and the buttons, in their first faces.
void frmAdmin::buildControls()
{
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
}

void frmAdmin::connectControls()
{
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
}

frmAdmin::~frmAdmin() = default;

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

void WarmUpMainWindow(Store &store, const Session &session)
{
    Session scratch = session; // the window sets its search options
    frmMain window(store, scratch);
    constexpr int SampleRows = 40;
    window.grid->setSourceRows(1, SampleRows, [](int row, int col) {
        return col == 0 ? QStringLiteral("12/31/2020") : QStringLiteral("Sample %1").arg(row);
    });
    window.grid->setRowsBackColor(1, SampleRows, 0, EntryGridLastShownCol, EntryRowShade(0),
                                  EntryRowShade(1));
    window.grab();
}

frmAdmin *ShowAdminWindow(Store &store, Session &session)
{
    // With a key, a settings file or user list not written here by the
    // program is not administered.
    if (const QStringList problems = store.coveredFileProblems(); !problems.isEmpty()) {
        ShowMsgBox(CoveredFilesRefusal(problems));
        return nullptr;
    }
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
    if (m_store.hasUserList()) {
        bool ok = false;
        if (OpenUsers(m_store)) {
            m_users = m_store.allUsers(&ok);
            m_store.closeUsers();
        }
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

// ---- the other buttons ----

void frmAdmin::cmdBackupRestore_Click()
{
    if (!AccessCodeGranted(m_store, m_session))
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
        BackupDataFiles(m_store, window);
    } else {
        setWindowTitle(BackupText::RestoreCaption());
        RestoreDataFiles(m_store, window);
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
