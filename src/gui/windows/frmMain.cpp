// The main window's list: loading and sorting it, the summary of the
// highlighted entry, the buttons' states, and the search results.
#include "gui/windows/frmMain.h"

#include "core/entries/CriteriaFilter.h"
#include "core/entries/EntryStore.h"
#include "core/entries/SearchFilter.h"
#include "core/rules/MainButtons.h"
#include "gui/controls/Grid.h"
#include "gui/controls/ZelButton.h"
#include "gui/platform/BusyGuard.h"
#include "gui/platform/Presenter.h"
#include "gui/platform/ShowMsgBox.h"
#include "gui/windows/frmFind.h"

#include <QCoreApplication>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QRadioButton>
#include <QTimer>

frmMain::frmMain(Store &store, Session &session, QWidget *parent)
    : QWidget(parent), m_store(store), m_session(session)
{
    buildControls();
    Form_Load();
}

frmMain::~frmMain() = default;

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
    id.ControlNumber = listedControlNumber(rowRecordNumber(row));
    id.CaseNumber = grid->TextMatrix(row, 1);
    return id;
}

double frmMain::listedControlNumber(int recordNumber) const
{
    if (m_controlNumbers.empty() && m_cells) {
        const std::vector<EntryListRow> &rows = m_cells->data().rows;
        int last = 0;
        for (const EntryListRow &row : rows)
            last = qMax(last, row.recordNumber);
        m_controlNumbers.assign(size_t(last) + 1, 0);
        for (const EntryListRow &row : rows)
            m_controlNumbers[size_t(qMax(row.recordNumber, 0))] = row.controlNumber;
    }
    return recordNumber >= 1 && size_t(recordNumber) < m_controlNumbers.size()
               ? m_controlNumbers[size_t(recordNumber)]
               : 0;
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
    m_controlNumbers = {};

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
        // A list read ahead that this store did not take is not kept.
        DropEntryListAhead(m_store.dataSet());
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
        m_controlNumbers = {};
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
        if (OpenEntries(m_store)) {
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
        // Painted with the rest of the window, once.
        b->update();
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

// ---- search ----

void frmMain::cmdFindEntries_Click()
{
    // The picker offers every received date of the list.
    frmFind::ShowFind(m_store, m_session, PickerBounds{m_firstDay, m_lastDay}, cmdFindEntries,
                      this);
    SearchFilter::Mode mode = SearchFilter::Mode::None;
    if (!m_session.Search.SearchPhrase.isEmpty()) {
        m_listMode = ListMode::TextSearch;
        mode = SearchFilter::Mode::Text;
        m_pendingSearchLog = TextSearchLogText(m_session.Search.SearchPhrase);
    } else if (m_session.Search.SummaryStartDate.isValid()) {
        m_listMode = ListMode::DateSearch;
        mode = SearchFilter::Mode::Date;
        m_summaryName = cmdFindEntries->Tag();
        m_pendingSearchLog =
            SummaryLogText(m_summaryName, m_session.Search.SummaryStartDate.date());
    } else {
        return;
    }
    m_searchFilter = CriteriaFilter::make(m_session.Search, mode);
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
        RunLocked(this, data(), [this] { m_store.logSearch(m_pendingSearchLog); });
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
