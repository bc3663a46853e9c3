#include "gui/windows/frmMain.h"

#include "core/common/ActivityLog.h"
#include "core/common/Desktop.h"
#include "core/common/Formats.h"
#include "core/common/Globals.h"
#include "core/common/Links.h"
#include "core/common/MsgBox.h"
#include "core/common/Settings.h"
#include "core/common/Sound.h"
#include "core/entries/EntryStore.h"
#include "core/entries/SearchFilter.h"
#include "core/entries/SpreadsheetExport.h"
#include "core/print/PrintedList.h"
#include "core/rules/MainButtons.h"
#include "core/rules/MainInfo.h"
#include "gui/controls/Grid.h"
#include "gui/controls/ZelButton.h"
#include "gui/platform/BusyGuard.h"
#include "gui/platform/Presenter.h"
#include "gui/platform/WindowLook.h"
#include "gui/windows/Quit.h"
#include "gui/windows/frmFind.h"
#include "gui/windows/frmSeeEntry.h"

#include <QApplication>
#include <QCloseEvent>
#include <QCursor>
#include <QDir>
#include <QFileInfo>
#include <QGroupBox>
#include <QHash>
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

} // namespace

frmMain::frmMain(Store &store, Session &session, QWidget *parent)
    : QWidget(parent), m_store(store), m_session(session)
{
    buildControls();
    Form_Load();
}

frmMain::~frmMain() = default;

// ---- building the window ----

void frmMain::buildControls()
{
    setObjectName(QStringLiteral("frmMain"));
    setFont(ProgramFont(QStringLiteral("Tahoma"), 8.25));
    const QFont frameFont = ProgramFont(QStringLiteral("Tahoma"), 8.25, true);
    const QFont buttonFont = ProgramFont(QStringLiteral("Tahoma"), 8.25, true);

    auto makeButton = [&](ZelButton *&b, const QString &name, QWidget *parent) {
        b = new ZelButton(parent);
        b->setObjectName(name);
        b->setFont(buttonFont);
        b->setProgramLook();
    };

    // The list.
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

    // Which list and which order.
    frameDisplay = new QGroupBox(QStringLiteral("Display the..."), this);
    frameDisplay->setObjectName(QStringLiteral("frameDisplay"));
    frameDisplay->setFont(frameFont);
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
    frameSort->setFont(frameFont);
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

    // The summary of the highlighted entry.
    frame2 = new QGroupBox(QStringLiteral("Summary of the highlighted entry"), this);
    frame2->setObjectName(QStringLiteral("frame(2)"));
    frame2->setFont(frameFont);
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

    // The buttons beside the list and below it.
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

    // Tab order: the list, the list choices, the buttons.
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
    buildScanControls();
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
    m_watch.start(data(), desktop().fileStamp(DataPath(data(), DataFileName)));
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
    TileBackground(BackgroundTile(), this);
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
        m_store.logSignInOut(LogSignedOut);
        if (!isMinimized())
            SaveMainWindowHeight(int(std::lround(PixelsToTwips(height()))));
    }
    event->accept();
}

// ---- the list ----

bool frmMain::inactiveListShown() const
{
    return optDisplay[2]->isChecked();
}

int frmMain::rowRecordNumber(int row) const
{
    if (row < 1 || row >= grid->Rows())
        return 0;
    return grid->TextMatrix(row, EntryGridRecordCol).toInt();
}

EntryIdentity frmMain::rowIdentity(int row) const
{
    EntryIdentity id;
    const int n = rowRecordNumber(row);
    if (n >= 1 && size_t(n) < m_controlNumbers.size())
        id.ControlNumber = m_controlNumbers[size_t(n)];
    id.CaseNumber = grid->TextMatrix(row, 1);
    return id;
}

bool frmMain::highlightedEntry(int *recordNumber, EntryIdentity *identity) const
{
    const int row = grid->Row();
    *recordNumber = rowRecordNumber(row);
    *identity = rowIdentity(row);
    return *recordNumber >= 1;
}

void frmMain::selectShownCells()
{
    grid->setCol(0);
    grid->setColSel(EntryGridLastShownCol);
}

void frmMain::LoadEntryList()
{
    const bool inactive = inactiveListShown();
    frame1->setTitle(QString());
    data().ActiveCount = 0;
    data().ArchivedCount = 0;
    m_listTotal = 0;
    m_cells = nullptr;

    grid->hide();
    grid->setRedraw(false);
    grid->setRows(1);
    grid->setRow(0);
    selectShownCells();
    grid->setForeColor(inactive ? InactiveListColor : ActiveListColor);
    QPalette headerColour = frame1->palette();
    headerColour.setColor(QPalette::WindowText,
                          BgrToColor(inactive ? InactiveListColor : ActiveListColor));
    frame1->setPalette(headerColour);

    {
        WatchPause pause(this);
        BusyGuard busy(this);
        EntryListData data;
        // A data file that can not be opened: Retry reads it again.
        while (!m_store.readEntryList(inactive, m_listMode, m_searchFilter, &data) &&
               data.unavailable &&
               ShowMsgBox(DataFileUnavailableMessage(m_store.dataSet(), true)).choice ==
                   MsgButton::First) {
        }
        m_store.dataSet().ActiveCount = data.activeCount;
        m_store.dataSet().ArchivedCount = data.archivedCount;
        m_listTotal = data.total;
        m_firstDay = data.earliest;
        m_lastDay = data.latest;

        // The grid shows the loaded list, sorted already: it asks for the
        // texts of the rows it paints.
        const int n = int(data.rows.size());
        const int sort = checkedSort();
        if (SortFrameShown(n))
            SortEntryRows(data, sort);
        m_controlNumbers.assign(size_t(m_store.dataSet().RecordCount) + 1, 0);
        for (const EntryListRow &row : data.rows) {
            if (size_t(row.recordNumber) < m_controlNumbers.size())
                m_controlNumbers[size_t(row.recordNumber)] = row.controlNumber;
        }
        m_cells = std::make_shared<EntryGridCells>(std::move(data));
        m_cells->setSortIndex(sort);
        grid->setSourceRows(1, n,
                            [cells = m_cells](int row, int col) { return cells->text(row, col); });

        if (SortFrameShown(n)) {
            frameSort->show();
            showSortedList();
            grid->show();
            ShowEntrySummary();
        } else {
            frameSort->hide();
        }

        if (n >= 1) {
            for (int c = 0; c < 4; ++c)
                grid->setColWidth(c, EntryGridColWidths[c]);
            grid->show();
            grid->setRedraw(true);
        }

        const int last = grid->Rows() - 1;
        ListPosition pos;
        if (m_listMode == ListMode::AllEntries) {
            frame1->setTitle(EntryListHeader(inactive,
                                             inactive ? m_store.dataSet().ArchivedCount
                                                      : m_store.dataSet().ActiveCount,
                                             m_listTotal));
            pos = ChooseListPosition(last, m_savedRow, m_savedTopRow);
            m_savedRow = 0;
            m_savedTopRow = 0;
        } else {
            // Search results open at their first row; the search wiring
            // sets the header.
            pos.row = pos.topRow = last >= 1 ? 1 : 0;
        }
        grid->setRow(pos.row);
        grid->setTopRow(pos.topRow);
        selectShownCells();

        optDisplay[1]->setEnabled(m_store.dataSet().ActiveCount >= 1);
        optDisplay[2]->setEnabled(m_store.dataSet().ArchivedCount >= 1);
    }
    if (m_listMode != ListMode::AllEntries)
        showSearchResult();
}

int frmMain::checkedSort() const
{
    for (int i = 0; i < 3; ++i) {
        if (optSort[i]->isChecked())
            return i;
    }
    return 0;
}

void frmMain::optSort_Click(int index)
{
    sortList(index);
}

void frmMain::sortList(int index)
{
    BusyGuard busy(this);
    WatchPause pause(this);
    const bool redraw = grid->Redraw();
    grid->setRedraw(false);
    if (m_cells)
        m_cells->setSortIndex(index);
    grid->setCol(EntryGridSortCol);
    grid->hide();
    lblStandBy->show();
    grid->setSort(GridTable::SortStringNoCaseAscending);
    showSortedList();
    lblStandBy->hide();
    grid->setRedraw(redraw);
    grid->show();
    ShowEntrySummary();
}

void frmMain::showSortedList()
{
    // Grey and white rows across the shown columns; the highlight ends on
    // the last row.
    const int last = grid->Rows() - 1;
    grid->setRowsBackColor(1, last, 0, EntryGridLastShownCol, EntryRowShade(0), EntryRowShade(1));
    if (last >= 1)
        grid->setRow(last);
    selectShownCells();
}

void frmMain::ShowEntrySummary()
{
    const int row = grid->Row();
    if (row >= 1) {
        EntryRecord entry;
        if (m_store.openEntries()) {
            entry = m_store.entry(rowRecordNumber(row));
            m_store.closeEntries();
        }
        const QStringList texts = EntrySummaryTexts(entry);
        for (int i = 0; i < 9; ++i)
            txtfield[i]->setText(texts[i]);
    } else {
        for (int i = 1; i < 9; ++i)
            txtfield[i]->clear();
    }
}

void frmMain::UpdateButtons()
{
    MainListState state;
    state.mode = m_listMode;
    state.inactiveList = inactiveListShown();
    state.currentRow = grid->Row();
    state.entriesListed = grid->Rows() - 1;
    state.accessLevel = m_session.CurrentAccessLevel;
    ZelButton *const buttons[MainButtonCount] = {
        cmdHelp,        cmdAbout,         cmdUserInfo,     cmdRefreshGrid,  cmdAdminWindow,
        cmdQuit,        cmdAddEntry,      cmdArchiveEntry, cmdRestoreEntry, cmdDeleteEntry,
        cmdFindEntries, cmdSeeAllEntries, cmdPrintList,    cmdExportData,   cmdSeeEntry};
    for (const MainButtonState &s : MainButtonStates(state)) {
        ZelButton *b = buttons[int(s.button)];
        b->setText(s.caption);
        b->setToolTip(s.toolTip);
        b->setAccessibleDescription(s.toolTip);
        b->setVisible(s.visible);
        if (s.visible)
            b->setEnabled(s.enabled);
        b->Refresh();
    }
    cmdInventory->setVisible(m_session.CurrentAccessLevel >= 2);
    placeListButtons();
}

void frmMain::reloadAfterChange()
{
    LoadEntryList();
    ShowEntrySummary();
    UpdateButtons();
}

// ---- list events ----

void frmMain::optDisplay_Click(int)
{
    reloadAfterChange();
}

void frmMain::grid_RowColChange()
{
    if (!grid->isVisible())
        return;
    ShowEntrySummary();
    UpdateButtons();
}

void frmMain::grid_DblClick()
{
    if (grid->Row() > 0)
        cmdSeeEntry_Click();
}

void frmMain::grid_MouseMove()
{
    const int row = grid->MouseRow();
    const std::optional<QString> tip =
        EntryGridToolTip(grid->Rows() - 1, row, grid->MouseCol(), grid->TextMatrix(row, 0));
    if (tip)
        grid->setToolTipText(*tip);
}

// ---- the entry card ----

void frmMain::cmdSeeEntry_Click()
{
    int n = 0;
    EntryIdentity id;
    if (highlightedEntry(&n, &id))
        openCard(n, id);
}

void frmMain::openCard(int n, const EntryIdentity &id)
{
    {
        frmSeeEntry card(m_store, m_session, this);
        card.setTag(QString::number(n));
        card.setExpectedIdentity(id.ControlNumber, id.CaseNumber);
        card.exec();
    }
    if (m_session.ListNeedsReload) {
        const int row = grid->Row();
        LoadEntryList();
        const int back = qMin(row, grid->Rows() - 1);
        grid->setRow(back);
        grid->setTopRow(back);
        selectShownCells();
        ShowEntrySummary();
        UpdateButtons();
        m_session.ListNeedsReload = false;
    }
}

void frmMain::cmdAddEntry_MouseUp(int button)
{
    {
        frmSeeEntry card(m_store, m_session, this);
        card.setProvisionalControlNumber(StampText(desktop().now()));
        int n = 0;
        EntryIdentity id;
        // Right-click on the second or a later row: a new entry based on
        // the highlighted one.
        if (button == 2 && grid->Row() >= 2 && highlightedEntry(&n, &id)) {
            card.setTag(QString::number(n));
            card.setExpectedIdentity(id.ControlNumber, id.CaseNumber);
        } else {
            card.setTag(QStringLiteral("0"));
        }
        card.exec();
    }
    m_session.ListNeedsReload = false;
    reloadAfterChange();
}

// ---- archive, restore, delete ----

void frmMain::cmdArchiveEntry_Click()
{
    int n = 0;
    EntryIdentity id;
    if (!highlightedEntry(&n, &id))
        return;
    if (ShowMsgBox(ArchiveQuestion()).choice != 1)
        return;
    const StoreResult result =
        RunStoreChange(this, data(), [&] { return m_store.archiveEntry(n, id); });
    if (result != StoreResult::Ok) {
        ShowStoreResult(data(), result);
        if (result == StoreResult::Changed || result == StoreResult::Missing)
            reloadAfterChange();
        return;
    }
    reloadAfterChange();
    if (!m_memory.archiveNoticeSuppressed) {
        if (ShowMsgBox(ArchivedNotice()).dontShow)
            m_memory.archiveNoticeSuppressed = true;
    }
}

void frmMain::cmdRestoreEntry_Click()
{
    int n = 0;
    EntryIdentity id;
    if (!highlightedEntry(&n, &id))
        return;
    int choice = 1;
    if (!m_memory.restoreQuestionSuppressed) {
        const MsgBoxAnswer answer = ShowMsgBox(RestoreQuestion());
        choice = answer.choice;
        // The tick counts whatever the answer.
        if (answer.dontShow)
            m_memory.restoreQuestionSuppressed = true;
    }
    if (choice != 1)
        return;
    data().ActiveCount = 0;
    data().ArchivedCount = 0;
    const StoreResult result =
        RunStoreChange(this, data(), [&] { return m_store.restoreEntry(n, id); });
    if (result != StoreResult::Ok) {
        ShowStoreResult(data(), result);
        if (result == StoreResult::Changed || result == StoreResult::Missing)
            reloadAfterChange();
        return;
    }
    if (m_store.recountEntries() && InactiveListEmptiedByRestore(data().ArchivedCount))
        inactiveListEmptied();
    else
        reloadAfterChange();
}

void frmMain::cmdDeleteEntry_Click()
{
    int n = 0;
    EntryIdentity id;
    if (!highlightedEntry(&n, &id))
        return;
    if (ShowMsgBox(DeleteQuestion()).choice != 1)
        return;
    {
        WatchPause pause(this);
        BusyGuard busy(this);
        m_savedRow = grid->Row();
        m_savedTopRow = grid->TopRow();
        const StoreResult result =
            RunStoreChange(this, data(), [&] { return m_store.deleteEntry(n, id); });
        QCoreApplication::processEvents();
        if (result != StoreResult::Ok) {
            ShowStoreResult(data(), result);
            if (result == StoreResult::Changed || result == StoreResult::Missing) {
                reloadAfterChange();
            } else {
                m_savedRow = 0;
                m_savedTopRow = 0;
            }
        } else if (InactiveListEmptiedByDelete(inactiveListShown(), data().ArchivedCount)) {
            inactiveListEmptied();
        } else {
            reloadAfterChange();
        }
    }
}

void frmMain::inactiveListEmptied()
{
    frame1->hide();
    frame2->hide();
    ShowMsgBox(InactiveListEmptyNotice());
    frame1->show();
    frame2->show();
    if (optDisplay[1]->isChecked())
        optDisplay_Click(1);
    else
        optDisplay[1]->setChecked(true); // which reloads
}

// ---- search ----

void frmMain::cmdFindEntries_Click()
{
    // The picker offers every received date of the list.
    frmFind::ShowFind(m_store, m_session, PickerBounds{m_firstDay, m_lastDay}, cmdFindEntries,
                      this);
    SearchFilter filter;
    if (!m_session.Search.SearchPhrase.isEmpty()) {
        m_listMode = ListMode::TextSearch;
        filter = SearchFilter::fromCriteria(m_session.Search, SearchFilter::Mode::Text);
        m_pendingSearchLog = TextSearchLogText(m_session.Search.SearchPhrase);
    } else if (m_session.Search.SummaryStartDate.isValid()) {
        m_listMode = ListMode::DateSearch;
        filter = SearchFilter::fromCriteria(m_session.Search, SearchFilter::Mode::Date);
        m_summaryName = cmdFindEntries->Tag();
        m_pendingSearchLog =
            SummaryLogText(m_summaryName, m_session.Search.SummaryStartDate.date());
    } else {
        return;
    }
    m_searchFilter = [filter](const char *record) { return filter.acceptsRaw(record); };
    LoadEntryList();
    if (m_listMode != ListMode::AllEntries) {
        ShowEntrySummary();
        UpdateButtons();
    }
}

// The header of a search result, or the notice that nothing was found and
// the way back to the full list; then the search's line in "Search.Log".
void frmMain::showSearchResult()
{
    const int n = grid->Rows() - 1;
    const bool text = m_listMode == ListMode::TextSearch;
    const QDate start = m_session.Search.SummaryStartDate.date();
    auto writeLog = [this] {
        if (m_pendingSearchLog.isEmpty())
            return;
        m_store.logSearch(m_pendingSearchLog);
        m_pendingSearchLog.clear();
        if (m_listMode == ListMode::DateSearch)
            cmdFindEntries->setTag(QString());
    };
    if (n >= 1) {
        frame1->setTitle(text ? TextSearchHeader(m_session.Search.SearchPhrase, n, m_listTotal)
                              : SummaryHeader(m_summaryName, m_session.Search.SearchOption, start,
                                              n, m_listTotal));
        timerFlashButton->start();
        writeLog();
        return;
    }
    frame1->hide();
    frame2->hide();
    const int choice = ShowMsgBox(NoMatchesTitle(), 5,
                                  text ? NoMatchesTextForText(m_session.Search.SearchPhrase)
                                       : NoMatchesTextForSummary(
                                             m_summaryName, m_session.Search.SearchOption, start),
                                  1, false, NoMatchesButtons())
                           .choice;
    writeLog();
    frame1->show();
    frame2->show();
    cmdSeeAllEntries_Click();
    if (choice == 2)
        cmdFindEntries_Click();
}

void frmMain::cmdSeeAllEntries_Click()
{
    timerFlashButton->stop();
    QCoreApplication::processEvents();
    m_listMode = ListMode::AllEntries;
    reloadAfterChange();
}

void frmMain::timerFlashButton_Timer()
{
    m_pulse.tick();
    cmdSeeAllEntries->setBackColor(FlashBackColor(m_pulse));
    cmdSeeAllEntries->setForeColor(FlashForeColor(m_pulse));
}

// ---- the other buttons ----

void frmMain::laterRelease(const QString &what)
{
    ShowMsgBox(AppTitle, 5,
               what + QStringLiteral(" comes with a later release") + CrLf + QStringLiteral("of ") +
                   AppTitle + QStringLiteral("."),
               1, false, {QStringLiteral("&Okay")});
}

void frmMain::cmdPrintList_Click()
{
    const GridTable &table = grid->table();
    if (table.Rows() < 2 || ShowMsgBox(PrintListQuestion(table.Rows())).choice != MsgButton::First)
        return;
    BusyGuard busy(this);
    timerNetworkWatch->stop();
    PrintEntryList(table, frame1->title(), data().AgencyName, Ask);
    timerNetworkWatch->start();
}

namespace
{

// The export button while the file is written: "Creating...", bold, dark
// red on yellow (also under the pointer, which is usually on it); its
// caption waits in its tag. Everything comes back however the export ends.
class ExportButtonBusy
{
public:
    explicit ExportButtonBusy(ZelButton *button)
        : m_button(button), m_bold(button->FontBold()), m_back(button->BackColor()),
          m_backOver(button->BackOver()), m_fore(button->ForeColor()),
          m_foreOver(button->ForeOver())
    {
        m_button->setTag(m_button->Caption());
        m_button->setCaption(ExportBusyCaption());
        m_button->setFontBold(true);
        m_button->setForeColor(ExportBusyFore);
        m_button->setForeOver(ExportBusyFore);
        m_button->setBackColor(ExportBusyBack);
        m_button->setBackOver(ExportBusyBack);
        m_button->Refresh();
    }
    ~ExportButtonBusy()
    {
        m_button->setFontBold(m_bold);
        m_button->setBackColor(m_back);
        m_button->setBackOver(m_backOver);
        m_button->setForeColor(m_fore);
        m_button->setForeOver(m_foreOver);
        m_button->setCaption(m_button->Tag());
        m_button->setTag(QString());
        m_button->Refresh();
    }
    ExportButtonBusy(const ExportButtonBusy &) = delete;
    ExportButtonBusy &operator=(const ExportButtonBusy &) = delete;

private:
    ZelButton *m_button;
    bool m_bold;
    OleColor m_back, m_backOver, m_fore, m_foreOver;
};

} // namespace

void frmMain::cmdExportData_Click()
{
    if (ShowMsgBox(ExportIntroQuestion()).choice != 1)
        return;
    const QString name = ExportFileName(desktop().now());
    if (ShowMsgBox(ExportNameQuestion(name)).choice != 1)
        return;

    // Each row with the control number its entry had when the list was read.
    std::vector<ListedEntry> rows;
    rows.reserve(size_t(qMax(0, grid->Rows() - 1)));
    for (int r = 1; r < grid->Rows(); ++r) {
        const int n = rowRecordNumber(r);
        rows.push_back(
            {n, n >= 1 && size_t(n) < m_controlNumbers.size() ? m_controlNumbers[size_t(n)] : 0});
    }

    ExportOutcome outcome;
    {
        ExportButtonBusy look(cmdExportData);
        WatchPause watch(this);
        BusyGuard busy(this);
        QCoreApplication::processEvents();
        // A data file that can not be opened: asked while the export is
        // under way; Retry reads it again.
        for (;;) {
            outcome = WriteSpreadsheetFile(data(), DataPath(data(), name), rows);
            if (outcome.status != ExportOutcome::DataUnavailable ||
                ShowMsgBox(ExportOutcomeMessage(data(), outcome.status)).choice != MsgButton::First)
                break;
        }
    }
    switch (outcome.status) {
    case ExportOutcome::Written:
        ShowMsgBox(ExportDoneNotice(DataPath(data(), name)));
        if (outcome.leftOut > 0)
            ShowMsgBox(ExportLeftOutNotice(outcome.leftOut, int(rows.size())));
        break;
    case ExportOutcome::FileFailed:
        ShowMsgBox(ExportFailedNotice(
            name, QDir::toNativeSeparators(QFileInfo(DataPath(data(), name)).absolutePath()),
            outcome.reason));
        break;
    case ExportOutcome::DataNotRead:
        ShowMsgBox(ExportOutcomeMessage(data(), outcome.status));
        break;
    case ExportOutcome::DataUnavailable:
        break; // cancelled
    }
}

// ---- the watch of the data file ----

frmMain::WatchPause::WatchPause(frmMain *window) : m_window(window)
{
    if (m_window->m_watchPauses++ == 0) {
        m_window->m_watchWasRunning = m_window->timerNetworkWatch->isActive();
        m_window->timerNetworkWatch->stop();
    }
}

frmMain::WatchPause::~WatchPause()
{
    if (--m_window->m_watchPauses == 0 && m_window->m_watchWasRunning)
        m_window->timerNetworkWatch->start();
}

void frmMain::timerNetworkWatch_Timer()
{
    if (BusyWorkRunning())
        return; // a change is being written; the next tick sees it
    // The setting is read only while the button flashes, when the sound
    // may be due.
    const bool soundOn = m_watch.flashing() && RefreshSoundSetting();
    const WatchTick tick =
        m_watch.tick(desktop().now(), grid->Rows() > 1, soundOn, DataPath(data(), DataFileName));
    if (tick.faceChanged)
        cmdRefreshGrid->setBackColor(RefreshFaceColor(m_watch.face()));
    if (tick.playSound)
        PlayWaveFile(DataPath(data(), RefreshSoundFileName));
}

void frmMain::cmdRefreshGrid_MouseUp(int button)
{
    if (button == 1) {
        m_watch.restore();
        cmdRefreshGrid->setBackColor(m_refreshBack);
        cmdRefreshGrid->setForeColor(m_refreshFore);
        cmdRefreshGrid->Refresh();
        reloadAfterChange();
    } else if (button == 2) {
        if (!menuRefreshSoundmenu)
            buildRefreshMenu();
        const bool soundOn = RefreshSoundSetting();
        for (int i = 1; i <= RefreshMenuItemCount; ++i)
            menuRefreshSound[i]->setEnabled(RefreshMenuItemEnabled(i, soundOn));
        menuRefreshSoundmenu->popup(QCursor::pos());
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

// ---- user information and about ----

void frmMain::cmdUserInfo_Click()
{
    ShowMsgBox(UserInformationBox(m_session.CurrentUserName, m_session.CurrentAccessLevel));
}

void frmMain::cmdAbout_Click()
{
    ShowMsgBox(AboutBox());
}

void frmMain::cmdHelp_Click()
{
    Tell(OpenManual(data()));
}

void frmMain::cmdAdminWindow_Click()
{
    // Another person signs in at the administrative window.
    m_closingByProgram = true;
    if (!close()) {
        m_closingByProgram = false;
        return;
    }
    emit adminWindowRequested();
}

void frmMain::cmdQuit_Click()
{
    QuitProgram(data(), false);
}
