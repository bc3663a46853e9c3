// The main window: the list of entries of the "Active List" or the
// "Inactive List", its header line, sorting, the summary of the highlighted
// entry and the buttons around it.
#pragma once

#include "core/common/Session.h"
#include "core/store/Store.h"

#include "core/entries/ArchiveDelete.h"
#include "core/entries/EntryList.h"
#include "core/entries/EntryStore.h"
#include "core/rules/MainButtons.h"
#include "core/rules/NetworkWatch.h"

#include <QDateTime>
#include <QList>
#include <QWidget>
#include <memory>
#include <vector>

class Grid;
class QGroupBox;
class QLabel;
class QAction;
class QLineEdit;
class QMenu;
class QRadioButton;
class QTimer;
class ZelButton;

class frmMain : public QWidget
{
    Q_OBJECT
public:
    frmMain(Store &store, Session &session, QWidget *parent = nullptr);
    ~frmMain() override;

    // ---- controls (object names are these names) ----
    QGroupBox *frame1 = nullptr; // frame(1): the list, its caption the header line
    Grid *grid = nullptr;
    QGroupBox *frameDisplay = nullptr;
    QRadioButton *optDisplay[3] = {nullptr, nullptr, nullptr}; // elements 1 and 2
    QGroupBox *frameSort = nullptr;
    QRadioButton *optSort[3] = {nullptr, nullptr, nullptr};
    QLabel *lblStandBy = nullptr;
    QGroupBox *frame2 = nullptr; // frame(2): the summary panel
    QLineEdit *txtfield[9] = {};
    QLabel *lbl[9] = {};
    ZelButton *cmdSeeEntry = nullptr;
    ZelButton *cmdAddEntry = nullptr;
    ZelButton *cmdArchiveEntry = nullptr;
    ZelButton *cmdRestoreEntry = nullptr;
    ZelButton *cmdDeleteEntry = nullptr;
    ZelButton *cmdFindEntries = nullptr;
    ZelButton *cmdSeeAllEntries = nullptr;
    ZelButton *cmdPrintList = nullptr;
    ZelButton *cmdExportData = nullptr;
    ZelButton *cmdRefreshGrid = nullptr;
    ZelButton *cmdUserInfo = nullptr;
    ZelButton *cmdAbout = nullptr;
    ZelButton *cmdHelp = nullptr;
    ZelButton *cmdAdminWindow = nullptr;
    ZelButton *cmdQuit = nullptr;
    ZelButton *cmdPrintLabels = nullptr;
    ZelButton *cmdInventory = nullptr; // access levels 2 to 4
    // The scan box: a barcode scanner types a label's code and Enter here;
    // the result (a shelf, a code not on record) shows beside it.
    QLabel *lblScan = nullptr;
    QLineEdit *txtScan = nullptr;
    QLabel *lblScanResult = nullptr;
    QTimer *timerFlashButton = nullptr;
    QTimer *timerNetworkWatch = nullptr;
    // The Refresh button's right-click menu and its items 1..6
    // (menuRefreshSound(1) .. menuRefreshSound(6)), made on the first right
    // click (a pop-up menu is a window of its own until the main window
    // goes).
    QMenu *menuRefreshSoundmenu = nullptr;
    QAction *menuRefreshSound[7] = {};

    // ---- list state ----
    ListMode listMode() const { return m_listMode; }
    void setListMode(ListMode mode) { m_listMode = mode; }
    // The filter of the search modes (the search wiring sets it).
    void setSearchFilter(const EntryFilter &filter) { m_searchFilter = filter; }
    bool inactiveListShown() const;
    // Sum of Value over the rows of the last load.
    qint64 listTotal() const { return m_listTotal; }
    // What identifies the entry in grid row r as it was read for the list.
    EntryIdentity rowIdentity(int row) const;
    int rowRecordNumber(int row) const;
    // The watch of the data file: the stamp it last saw and the Refresh
    // button's face.
    const NetworkWatch &networkWatch() const { return m_watch; }
    const ArchiveMemory &archiveMemory() const { return m_memory; }
    // The location of the shelf label scanned last ("current shelf").
    const QString &currentShelf() const { return m_currentShelf; }

    // Window height the layout keeps: at least 9664 twips, at most the
    // screen's height (width is fixed at 13170 twips).
    static constexpr double DesignWidth = 13170;
    static constexpr double MinimumHeight = 9664;
    static constexpr double DefaultHeight = 9525;

signals:
    // The person asked for the administrative window (another person signs
    // in); the main window has closed.
    void adminWindowRequested();

public slots:
    void Form_Activate();
    void LoadEntryList();
    void ShowEntrySummary();
    void UpdateButtons();

    void optDisplay_Click(int index);
    void optSort_Click(int index);
    void grid_RowColChange();
    void grid_DblClick();
    void grid_MouseMove();
    void cmdSeeEntry_Click();
    // Button: 1 left (and the keyboard), 2 right.
    void cmdAddEntry_MouseUp(int button);
    void cmdArchiveEntry_Click();
    void cmdRestoreEntry_Click();
    void cmdDeleteEntry_Click();
    void cmdFindEntries_Click();
    void cmdSeeAllEntries_Click();
    void cmdPrintList_Click();
    void cmdPrintLabels_Click();
    void cmdInventory_Click();
    // Enter in the scan box.
    void txtScan_Enter();
    void cmdExportData_Click();
    // Button: 1 left (and the keyboard), 2 right.
    void cmdRefreshGrid_MouseUp(int button);
    void menuRefreshSound_Click(int index);
    void cmdUserInfo_Click();
    void cmdAbout_Click();
    void cmdHelp_Click();
    void cmdAdminWindow_Click();
    void cmdQuit_Click();
    void timerFlashButton_Timer();
    void timerNetworkWatch_Timer();

protected:
    void showEvent(QShowEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;
    void closeEvent(QCloseEvent *event) override;

private:
    // Stops timerNetworkWatch while it lives; the timer runs again when the
    // outermost pause ends, on every way out, if it ran when that began.
    class WatchPause
    {
    public:
        explicit WatchPause(frmMain *window);
        ~WatchPause();
        WatchPause(const WatchPause &) = delete;
        WatchPause &operator=(const WatchPause &) = delete;

    private:
        frmMain *m_window;
    };

    void buildControls();
    void buildListFrame();
    void buildListChoices();
    void buildSummaryFrame();
    void buildButtons();
    void buildTimers();
    void setTabOrders();
    void buildRefreshMenu();
    void Form_Load();
    void Form_Resize();
    void placeControls(int heightPixels);
    void placeListButtons();
    void selectShownCells();
    int checkedSort() const;
    // The sort of the list by the option index (its keys are the grid's
    // column 5).
    void sortList(int index);
    // The shading and the highlight of a sorted list (painting suspended).
    void showSortedList();
    void reloadAfterChange();
    void inactiveListEmptied();
    bool highlightedEntry(int *recordNumber, EntryIdentity *identity) const;
    void laterRelease(const QString &what);
    void showSearchResult();
    void buildScanControls();
    void placeScanControls(double heightTwips);
    void openCard(int recordNumber, const EntryIdentity &identity);
    void showOnInactiveList(int recordNumber);

    ListMode m_listMode = ListMode::AllEntries;
    EntryFilter m_searchFilter;
    // The summary shown and the "Search.Log" line of the search just
    // started (written once its result has been shown).
    QString m_summaryName;
    QString m_pendingSearchLog;
    int m_savedRow = 0;
    int m_savedTopRow = 0;
    bool m_activated = false;
    qint64 m_listTotal = 0;
    // The first and last received day of the listed entries, from the load.
    QDate m_firstDay;
    QDate m_lastDay;
    ButtonPulse m_pulse = SeeAllEntriesPulse();
    ArchiveMemory m_memory;
    // Control number of each listed entry by record number (the case
    // number is the text of the row's second column), made from the
    // loaded list when first asked for; 0 for a number not listed.
    mutable std::vector<double> m_controlNumbers;
    double listedControlNumber(int recordNumber) const;
    // The loaded list the grid's rows show.
    std::shared_ptr<EntryGridCells> m_cells;
    NetworkWatch m_watch;
    // The store tells of other workstations' changes itself (a database):
    // no data file is watched.
    bool m_storeTells = false;
    int m_watchPauses = 0;
    bool m_watchWasRunning = false;
    OleColor m_refreshBack = 0;
    OleColor m_refreshFore = 0;
    bool m_closingByProgram = false;
    bool m_signedOut = false;
    bool m_resizing = false;
    QString m_currentShelf;
    Store &m_store;
    Session &m_session;
    DataSet &data() const { return m_store.dataSet(); }
};
