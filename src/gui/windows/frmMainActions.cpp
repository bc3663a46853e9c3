// What the main window's buttons do beyond the list: the entry card,
// archive, restore and delete, printing and exporting the list, the watch
// of the data file, and the buttons of the column's foot.
#include "gui/windows/frmMain.h"

#include "core/common/Desktop.h"
#include "core/common/Formats.h"
#include "core/common/Globals.h"
#include "core/common/Links.h"
#include "core/common/Settings.h"
#include "core/common/Sound.h"
#include "core/entries/SpreadsheetExport.h"
#include "core/print/PrintedList.h"
#include "core/rules/MainInfo.h"
#include "gui/controls/Grid.h"
#include "gui/controls/ZelButton.h"
#include "gui/platform/BusyGuard.h"
#include "gui/platform/Presenter.h"
#include "gui/platform/ShowMsgBox.h"
#include "gui/windows/Quit.h"
#include "gui/windows/frmSeeEntry.h"

#include <QCoreApplication>
#include <QCursor>
#include <QDir>
#include <QFileInfo>
#include <QGroupBox>
#include <QMenu>
#include <QRadioButton>
#include <QTimer>

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
        rows.push_back({n, listedControlNumber(n)});
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
            // Off the GUI thread: the copy and the wait for the lock its
            // log line needs.
            RunBusy(this,
                    [&] { outcome = WriteSpreadsheetFile(data(), DataPath(data(), name), rows); });
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
    const WatchTick tick = m_watch.tick(desktop().now(), grid->Rows() > 1, soundOn,
                                        m_storeTells ? QString() : DataPath(data(), DataFileName));
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
