// The main window's controls: building them, placing them as the window
// is sized, its opening and closing, and the Refresh button's menu.
#include "gui/windows/frmMain.h"

#include "core/common/ActivityLog.h"
#include "core/common/Desktop.h"
#include "core/common/Globals.h"
#include "core/common/Settings.h"
#include "core/entries/SearchFilter.h"
#include "core/rules/MainInfo.h"
#include "gui/controls/Grid.h"
#include "gui/controls/ZelButton.h"
#include "gui/platform/Presenter.h"
#include "gui/platform/ShowMsgBox.h"
#include "gui/platform/WindowLook.h"
#include "gui/windows/Quit.h"

#include <QCloseEvent>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QRadioButton>
#include <QShortcut>
#include <QTimer>
#include <cmath>

namespace
{

int px(double twips)
{
    return TwipsToPixels(twips);
}

QRect twipsRect(double left, double top, double width, double height)
{
    return QRect(px(left), px(top), px(width), px(height));
}

// Layout of the window, in twips.
constexpr double Margin = 120;
constexpr double ListWidth = 10860;  // frame(1) and frame(2)
constexpr double ColumnLeft = 11100; // the buttons beside the list
constexpr double ColumnWidth = 1950;
constexpr double ButtonHeight = 450;
constexpr double ButtonStep = 520;
constexpr double SummaryHeight = 2780; // frame(2)

const QString SummaryCaptions[9] = {
    QStringLiteral("Control Number"),
    QStringLiteral("Case Number"),
    QStringLiteral("Location/Bin/Shelf"),
    QStringLiteral("Category"),
    QStringLiteral("Brand Name"),
    QStringLiteral("Model Number/Name"),
    QStringLiteral("Serial Number"),
    QStringLiteral("Description (Name of Item, Size, Color, Type, etc.)"),
    QStringLiteral("Value"),
};

const QString SummaryToolTips[9] = {
    QString(),
    QStringLiteral(" What is the case number? "),
    QStringLiteral(" Where is this evidence being stored? "),
    QStringLiteral(" What kind of item is it? "),
    QStringLiteral(" What is the brand name? "),
    QStringLiteral(" What is the model number/name? "),
    QStringLiteral(" What is the serial number? "),
    QStringLiteral(" Describe the evidence in more detail. "),
    QStringLiteral(" What is the value of the evidence? "),
};

// Where each summary box sits inside frame(2): left, top, width (twips).
struct BoxPlace {
    double left, top, width;
};
constexpr BoxPlace SummaryPlaces[9] = {
    {150, 470, 1900},   {2150, 470, 1900},  {4150, 470, 4300},
    {150, 1130, 1900},  {2150, 1130, 1900}, {4150, 1130, 2100},
    {6350, 1130, 2100}, {150, 1790, 6300},  {6550, 1790, 1900},
};
constexpr double LabelAbove = 215;
constexpr double BoxHeight = 330;

// Group box captions and the buttons are bold Tahoma.
QFont FrameFont()
{
    return ProgramFont(QStringLiteral("Tahoma"), 8.25, true);
}

void makeButton(ZelButton *&b, const QString &name, QWidget *parent)
{
    b = new ZelButton(parent);
    b->setObjectName(name);
    b->setFont(FrameFont());
    b->setProgramLook();
}

} // namespace

// ---- building the window ----

void frmMain::buildControls()
{
    setObjectName(QStringLiteral("frmMain"));
    setFont(ProgramFont(QStringLiteral("Tahoma"), 8.25));
    buildListFrame();
    buildListChoices();
    buildSummaryFrame();
    buildButtons();
    buildTimers();
    setTabOrders();
    buildScanControls();
}

// The list.
void frmMain::buildListFrame()
{
    frame1 = new QGroupBox(this);
    frame1->setObjectName(QStringLiteral("frame(1)"));
    frame1->setFont(ProgramFont(QStringLiteral("Verdana"), 9, true));
    grid = new Grid(frame1);
    grid->setObjectName(QStringLiteral("grid"));
    grid->setFont(ProgramFont(QStringLiteral("Tahoma"), 8.25));
    grid->setAccessibleName(QStringLiteral("Entry list"));
    grid->setFormatString(EntryGridFormat);
    grid->setColHidden(EntryGridRecordCol, true);
    grid->setColHidden(EntryGridSortCol, true);
    grid->setFillCol(EntryGridLastShownCol);
    for (int c = 0; c < 4; ++c)
        grid->setColWidth(c, EntryGridColWidths[c]);
    grid->hide();
    lblStandBy = new QLabel(QStringLiteral("Sorting-- Please stand by..."), frame1);
    lblStandBy->setObjectName(QStringLiteral("lblStandBy"));
    lblStandBy->setFont(ProgramFont(QStringLiteral("Verdana"), 12, true));
    lblStandBy->setAlignment(Qt::AlignCenter);
    lblStandBy->hide();
}

// Which list and which order.
void frmMain::buildListChoices()
{
    frameDisplay = new QGroupBox(QStringLiteral("Display the..."), this);
    frameDisplay->setObjectName(QStringLiteral("frameDisplay"));
    frameDisplay->setFont(FrameFont());
    const QString displayCaptions[3] = {QString(), QStringLiteral("Active List"),
                                        QStringLiteral("Inactive List")};
    for (int i = 1; i <= 2; ++i) {
        optDisplay[i] = new QRadioButton(displayCaptions[i], frameDisplay);
        optDisplay[i]->setObjectName(QStringLiteral("optDisplay(%1)").arg(i));
        optDisplay[i]->setFont(font());
        optDisplay[i]->setGeometry(twipsRect(150, 270 + (i - 1) * 300, 1650, 270));
    }
    optDisplay[1]->setChecked(true);

    frameSort = new QGroupBox(QStringLiteral("Sort by..."), this);
    frameSort->setObjectName(QStringLiteral("frameSort"));
    frameSort->setFont(FrameFont());
    const QString sortCaptions[3] = {QStringLiteral("Date"), QStringLiteral("Case#"),
                                     QStringLiteral("Category")};
    for (int i = 0; i < 3; ++i) {
        optSort[i] = new QRadioButton(sortCaptions[i], frameSort);
        optSort[i]->setObjectName(QStringLiteral("optSort(%1)").arg(i));
        optSort[i]->setFont(font());
        optSort[i]->setGeometry(twipsRect(150, 270 + i * 300, 1650, 270));
    }
    optSort[0]->setChecked(true);
    // An option reacts to being selected however that happens: a click, a
    // key, or assistive technology's "Toggle" (which never clicks). Connected
    // after the first choices above so that building the window loads
    // nothing.
    for (int i = 1; i <= 2; ++i) {
        connect(optDisplay[i], &QRadioButton::toggled, this, [this, i](bool on) {
            if (on)
                optDisplay_Click(i);
        });
    }
    for (int i = 0; i < 3; ++i) {
        connect(optSort[i], &QRadioButton::toggled, this, [this, i](bool on) {
            if (on)
                optSort_Click(i);
        });
    }
    frameSort->hide();
}

// The summary of the highlighted entry.
void frmMain::buildSummaryFrame()
{
    frame2 = new QGroupBox(QStringLiteral("Summary of the highlighted entry"), this);
    frame2->setObjectName(QStringLiteral("frame(2)"));
    frame2->setFont(FrameFont());
    for (int i = 0; i < 9; ++i) {
        const BoxPlace &p = SummaryPlaces[i];
        lbl[i] = new QLabel(SummaryCaptions[i], frame2);
        lbl[i]->setObjectName(QStringLiteral("lbl(%1)").arg(i));
        lbl[i]->setFont(font());
        lbl[i]->setGeometry(twipsRect(p.left, p.top - LabelAbove, p.width, LabelAbove));
        txtfield[i] = new QLineEdit(frame2);
        txtfield[i]->setObjectName(QStringLiteral("txtfield(%1)").arg(i));
        txtfield[i]->setFont(font());
        txtfield[i]->setReadOnly(true);
        txtfield[i]->setFocusPolicy(Qt::NoFocus);
        txtfield[i]->setAccessibleName(SummaryCaptions[i]);
        txtfield[i]->setGeometry(twipsRect(p.left, p.top, p.width, BoxHeight));
        lbl[i]->setBuddy(txtfield[i]);
    }
    makeButton(cmdSeeEntry, QStringLiteral("cmdSeeEntry"), frame2);
    cmdSeeEntry->setFont(ProgramFont(QStringLiteral("Tahoma"), 8.25));
    cmdSeeEntry->setGeometry(twipsRect(8600, 300, 2100, 2300));
}

// The buttons beside the list and below it.
void frmMain::buildButtons()
{
    makeButton(cmdAddEntry, QStringLiteral("cmdAddEntry"), this);
    makeButton(cmdArchiveEntry, QStringLiteral("cmdArchiveEntry"), this);
    makeButton(cmdRestoreEntry, QStringLiteral("cmdRestoreEntry"), this);
    makeButton(cmdDeleteEntry, QStringLiteral("cmdDeleteEntry"), this);
    makeButton(cmdFindEntries, QStringLiteral("cmdFindEntries"), this);
    makeButton(cmdSeeAllEntries, QStringLiteral("cmdSeeAllEntries"), this);
    makeButton(cmdPrintList, QStringLiteral("cmdPrintList"), this);
    makeButton(cmdExportData, QStringLiteral("cmdExportData"), this);
    makeButton(cmdRefreshGrid, QStringLiteral("cmdRefreshGrid"), this);
    makeButton(cmdHelp, QStringLiteral("cmdHelp"), this);
    makeButton(cmdAbout, QStringLiteral("cmdAbout"), this);
    makeButton(cmdUserInfo, QStringLiteral("cmdUserInfo"), this);
    makeButton(cmdAdminWindow, QStringLiteral("cmdAdminWindow"), this);
    makeButton(cmdQuit, QStringLiteral("cmdQuit"), this);
    // The delete button stands apart in a warmer face.
    cmdDeleteEntry->setProgramLook(0xD8E4F8, 0x000060);

    connect(cmdSeeEntry, &QPushButton::clicked, this, &frmMain::cmdSeeEntry_Click);
    // Add reacts to either mouse button released over it; a left click and
    // the keyboard arrive as clicked().
    connect(cmdAddEntry, &QPushButton::clicked, this, [this] { cmdAddEntry_MouseUp(1); });
    connect(cmdAddEntry, &ZelButton::MouseUp, this, [this](int button, int, float x, float y) {
        if (button == 2 && cmdAddEntry->rect().contains(QPoint(int(x), int(y))))
            cmdAddEntry_MouseUp(2);
    });
    connect(cmdArchiveEntry, &QPushButton::clicked, this, &frmMain::cmdArchiveEntry_Click);
    connect(cmdRestoreEntry, &QPushButton::clicked, this, &frmMain::cmdRestoreEntry_Click);
    connect(cmdDeleteEntry, &QPushButton::clicked, this, &frmMain::cmdDeleteEntry_Click);
    connect(cmdFindEntries, &QPushButton::clicked, this, &frmMain::cmdFindEntries_Click);
    connect(cmdSeeAllEntries, &QPushButton::clicked, this, &frmMain::cmdSeeAllEntries_Click);
    connect(cmdPrintList, &QPushButton::clicked, this, &frmMain::cmdPrintList_Click);
    connect(cmdExportData, &QPushButton::clicked, this, &frmMain::cmdExportData_Click);
    connect(cmdRefreshGrid, &QPushButton::clicked, this, [this] { cmdRefreshGrid_MouseUp(1); });
    connect(cmdRefreshGrid, &ZelButton::MouseUp, this, [this](int button, int, float x, float y) {
        if (button == 2 && cmdRefreshGrid->rect().contains(QPoint(int(x), int(y))))
            cmdRefreshGrid_MouseUp(2);
    });
    m_refreshBack = cmdRefreshGrid->BackColor();
    m_refreshFore = cmdRefreshGrid->ForeColor();
    connect(cmdUserInfo, &QPushButton::clicked, this, &frmMain::cmdUserInfo_Click);
    connect(cmdAbout, &QPushButton::clicked, this, &frmMain::cmdAbout_Click);
    connect(cmdHelp, &QPushButton::clicked, this, &frmMain::cmdHelp_Click);
    connect(cmdAdminWindow, &QPushButton::clicked, this, &frmMain::cmdAdminWindow_Click);
    connect(cmdQuit, &QPushButton::clicked, this, &frmMain::cmdQuit_Click);

    connect(grid, &Grid::RowColChange, this, &frmMain::grid_RowColChange);
    connect(grid, &Grid::DblClick, this, &frmMain::grid_DblClick);
    connect(grid, &Grid::MouseMove, this, [this] { grid_MouseMove(); });
}

// The two timers (the watch starts at once) and F1.
void frmMain::buildTimers()
{
    timerFlashButton = new QTimer(this);
    timerFlashButton->setObjectName(QStringLiteral("timerFlashButton"));
    timerFlashButton->setInterval(15);
    connect(timerFlashButton, &QTimer::timeout, this, &frmMain::timerFlashButton_Timer);
    timerNetworkWatch = new QTimer(this);
    timerNetworkWatch->setObjectName(QStringLiteral("timerNetworkWatch"));
    timerNetworkWatch->setInterval(1000);
    // The watch counts seconds of the clock: a coarse timer would drift
    // past them.
    timerNetworkWatch->setTimerType(Qt::PreciseTimer);
    connect(timerNetworkWatch, &QTimer::timeout, this, &frmMain::timerNetworkWatch_Timer);
    timerNetworkWatch->start();

    auto *f1 = new QShortcut(QKeySequence(Qt::Key_F1), this);
    f1->setContext(Qt::WindowShortcut);
    connect(f1, &QShortcut::activated, this, &frmMain::cmdHelp_Click);
}

// Tab order: the list, the list choices, the buttons.
void frmMain::setTabOrders()
{
    setTabOrder(grid, optDisplay[1]);
    setTabOrder(optDisplay[1], optDisplay[2]);
    setTabOrder(optDisplay[2], optSort[0]);
    setTabOrder(optSort[0], optSort[1]);
    setTabOrder(optSort[1], optSort[2]);
    QWidget *previous = optSort[2];
    for (QWidget *w : std::initializer_list<QWidget *>{
             cmdAddEntry, cmdArchiveEntry, cmdRestoreEntry, cmdDeleteEntry, cmdFindEntries,
             cmdSeeAllEntries, cmdPrintList, cmdExportData, cmdRefreshGrid, cmdSeeEntry, cmdHelp,
             cmdAbout, cmdUserInfo, cmdAdminWindow, cmdQuit}) {
        setTabOrder(previous, w);
        previous = w;
    }
}

void frmMain::buildRefreshMenu()
{
    menuRefreshSoundmenu = new QMenu(RefreshMenuCaption, this);
    menuRefreshSoundmenu->setObjectName(QStringLiteral("menuRefreshSoundmenu"));
    for (int i = 1; i <= RefreshMenuItemCount; ++i) {
        QAction *item = RefreshMenuItemIsSeparator(i)
                            ? menuRefreshSoundmenu->addSeparator()
                            : menuRefreshSoundmenu->addAction(RefreshMenuItemCaption(i));
        item->setObjectName(QStringLiteral("menuRefreshSound(%1)").arg(i));
        connect(item, &QAction::triggered, this, [this, i] { menuRefreshSound_Click(i); });
        menuRefreshSound[i] = item;
    }
}

void frmMain::menuRefreshSound_Click(int index)
{
    switch (index) {
    case 1:
        ShowMsgBox(RefreshButtonInfoBox());
        break;
    case 3:
        SaveRefreshSound(true);
        break;
    case 4:
        SaveRefreshSound(false);
        break;
    default:
        break;
    }
}

void frmMain::Form_Load()
{
    const int height = px(MainWindowHeightSetting());
    setFixedWidth(px(DesignWidth));
    setMinimumHeight(px(MinimumHeight));
    resize(px(DesignWidth), height);
    setWindowTitle(AppTitle + QStringLiteral(" - ") + data().AgencyName);
    for (int i = 0; i < 9; ++i) {
        txtfield[i]->setToolTip(SummaryToolTips[i]);
        txtfield[i]->setAccessibleDescription(SummaryToolTips[i]);
    }
    // Searches start over all fields, capitals ignored, parts of words.
    m_session.Search.SearchOption = FindOption::AllText;
    m_session.Search.IgnoreCaps = 1;
    m_session.Search.WholeWordOnly = 0;
    UpdateButtons();
    // The texture brush covers whatever size the window takes later.
    TileBackground(BackgroundTile(), this);
    Form_Resize();
}

// ---- window events ----

void frmMain::showEvent(QShowEvent *event)
{
    QWidget::showEvent(event);
    if (!m_activated)
        QTimer::singleShot(0, this, &frmMain::Form_Activate);
}

void frmMain::Form_Activate()
{
    if (m_activated)
        return;
    m_activated = true;
    m_storeTells = m_store.listenForChanges(this, [this] { m_watch.noteOtherChange(); });
    m_watch.start(data(), m_storeTells ? std::nullopt
                                       : desktop().fileStamp(DataPath(data(), DataFileName)));
    cmdSeeAllEntries_Click();
    if (grid->Rows() <= 1) {
        ShowMsgBox(QString(), 5,
                   QStringLiteral("There are currently") + CrLf +
                       QStringLiteral("no entries in your database..."),
                   1, false, {QStringLiteral("&Continue")});
        if (cmdAddEntry->isVisibleTo(this) && cmdAddEntry->isEnabled())
            cmdAddEntry->setFocus();
    } else {
        // A scanner types into the scan box without a click first.
        txtScan->setFocus();
    }
}

void frmMain::resizeEvent(QResizeEvent *event)
{
    QWidget::resizeEvent(event);
    Form_Resize();
}

void frmMain::Form_Resize()
{
    if (isMinimized() || m_resizing)
        return;
    m_resizing = true;
    const int wanted = qMax(px(MinimumHeight), qMin(height(), desktop().screenSize().height()));
    if (width() != px(DesignWidth) || height() != wanted)
        resize(px(DesignWidth), wanted);
    placeControls(height());
    m_resizing = false;
}

void frmMain::placeControls(int heightPixels)
{
    const double h = PixelsToTwips(heightPixels);
    const double listHeight = h - 3400;
    frame1->setGeometry(twipsRect(Margin, 60, ListWidth, listHeight));
    grid->setGeometry(twipsRect(150, 300, ListWidth - 300, listHeight - 500));
    lblStandBy->setGeometry(grid->geometry());
    frame2->setGeometry(twipsRect(Margin, h - 2900, ListWidth, SummaryHeight));

    frameDisplay->setGeometry(twipsRect(ColumnLeft, 60, ColumnWidth, 900));
    frameSort->setGeometry(twipsRect(ColumnLeft, 1020, ColumnWidth, 1200));
    placeListButtons();
    placeScanControls(h);
    double top = h - 2840;
    for (ZelButton *b : {cmdHelp, cmdAbout, cmdUserInfo, cmdAdminWindow, cmdQuit}) {
        b->setGeometry(twipsRect(ColumnLeft, top, ColumnWidth, ButtonHeight - 30));
        top += ButtonStep + 25;
    }
}

// The buttons beside the list stand one below the other, the shown ones
// without gaps between them.
void frmMain::placeListButtons()
{
    double top = 2340;
    for (ZelButton *b :
         {cmdAddEntry, cmdArchiveEntry, cmdRestoreEntry, cmdDeleteEntry, cmdFindEntries,
          cmdSeeAllEntries, cmdPrintList, cmdPrintLabels, cmdExportData, cmdRefreshGrid}) {
        b->setGeometry(twipsRect(ColumnLeft, top, ColumnWidth, ButtonHeight));
        if (!b->isHidden())
            top += ButtonStep;
    }
}

void frmMain::closeEvent(QCloseEvent *event)
{
    // The close box asks the quit question instead of closing.
    if (!ProgramEnding && !m_closingByProgram) {
        cmdQuit_Click();
        if (!ProgramEnding) {
            event->ignore();
            return;
        }
    }
    if (!m_signedOut) {
        m_signedOut = true;
        timerFlashButton->stop();
        timerNetworkWatch->stop();
        RunLocked(this, data(), [this] { m_store.logSignInOut(LogSignedOut); });
        if (!isMinimized())
            SaveMainWindowHeight(int(std::lround(PixelsToTwips(height()))));
    }
    event->accept();
}
