// The main window's labels and scanning: the scan box with its result, the
// "Print Labels..." button and what they do.
#include "gui/windows/frmMain.h"

#include "core/common/Desktop.h"
#include "core/entries/DataFile.h"
#include "core/print/Labels.h"
#include "core/rules/Inventory.h"
#include "core/rules/ScanCode.h"
#include "gui/controls/Grid.h"
#include "gui/controls/ZelButton.h"
#include "gui/platform/BusyGuard.h"
#include "gui/platform/Presenter.h"
#include "gui/platform/ShowMsgBox.h"
#include "gui/platform/WindowLook.h"
#include "gui/windows/frmInventory.h"
#include "gui/windows/frmLabels.h"

#include <QLabel>
#include <QLineEdit>
#include <QRadioButton>
#include <QTimer>

namespace
{

QRect twips(double left, double top, double width, double height)
{
    return QRect(TwipsToPixels(left), TwipsToPixels(top), TwipsToPixels(width),
                 TwipsToPixels(height));
}

// The scan row stands in the gap between the list and the summary.
constexpr double ScanLeft = 120;
constexpr double ScanRowAbove = 3300; // from the window's bottom
constexpr double ScanHeight = 330;

} // namespace

void frmMain::buildScanControls()
{
    const QString caption = QStringLiteral("Sca&n or type a control number:");
    lblScan = new QLabel(caption, this);
    lblScan->setObjectName(QStringLiteral("lblScan"));
    lblScan->setFont(ProgramFont(QStringLiteral("Tahoma"), 8.25, true));
    txtScan = new QLineEdit(this);
    txtScan->setObjectName(QStringLiteral("txtScan"));
    txtScan->setFont(ProgramFont(QStringLiteral("Verdana"), 9));
    txtScan->setAccessibleName(QString(caption).remove(QLatin1Char('&')).chopped(1));
    txtScan->setToolTip(QStringLiteral(" Scan an entry's label to open it, or a shelf's label "
                                       "to make it the current shelf "));
    txtScan->setAccessibleDescription(txtScan->toolTip());
    txtScan->setMaxLength(80);
    lblScan->setBuddy(txtScan);
    lblScanResult = new QLabel(this);
    lblScanResult->setObjectName(QStringLiteral("lblScanResult"));
    lblScanResult->setFont(ProgramFont(QStringLiteral("Tahoma"), 8.25, true));
    connect(txtScan, &QLineEdit::returnPressed, this, &frmMain::txtScan_Enter);

    cmdPrintLabels = new ZelButton(this);
    cmdPrintLabels->setObjectName(QStringLiteral("cmdPrintLabels"));
    cmdPrintLabels->setFont(cmdPrintList->font());
    cmdPrintLabels->setProgramLook();
    cmdPrintLabels->setText(QStringLiteral("Print La&bels..."));
    cmdPrintLabels->setToolTip(
        QStringLiteral(" Print barcode labels for the entries listed, or for shelves "));
    cmdPrintLabels->setAccessibleDescription(cmdPrintLabels->toolTip());
    connect(cmdPrintLabels, &QPushButton::clicked, this, &frmMain::cmdPrintLabels_Click);

    cmdInventory = new ZelButton(this);
    cmdInventory->setObjectName(QStringLiteral("cmdInventory"));
    cmdInventory->setFont(cmdPrintList->font());
    cmdInventory->setProgramLook();
    cmdInventory->setText(QStringLiteral("In&ventory..."));
    cmdInventory->setToolTip(
        QStringLiteral(" Count the property room, one shelf or a random sample by scanning "));
    cmdInventory->setAccessibleDescription(cmdInventory->toolTip());
    connect(cmdInventory, &QPushButton::clicked, this, &frmMain::cmdInventory_Click);

    // The scan box comes first, then the list; the button after Print List.
    setTabOrder(txtScan, grid);
    setTabOrder(cmdPrintList, cmdPrintLabels);
    setTabOrder(cmdPrintLabels, cmdExportData);
}

void frmMain::placeScanControls(double h)
{
    const double top = h - ScanRowAbove;
    lblScan->setGeometry(twips(ScanLeft, top + 40, 3100, ScanHeight - 40));
    txtScan->setGeometry(twips(ScanLeft + 3150, top, 2700, ScanHeight));
    lblScanResult->setGeometry(twips(ScanLeft + 6000, top + 40, 3000, ScanHeight - 40));
    cmdInventory->setGeometry(twips(ScanLeft + 9100, top - 20, 1640, ScanHeight + 40));
}

void frmMain::txtScan_Enter()
{
    const ScanCode code = ClassifyScan(txtScan->text());
    // The next scan replaces what this one typed.
    txtScan->selectAll();
    QPalette look = lblScanResult->palette();
    look.setColor(QPalette::WindowText, Qt::black);
    switch (code.kind) {
    case ScanKind::Empty:
        return;
    case ScanKind::Shelf:
        m_currentShelf = code.text;
        lblScanResult->setPalette(look);
        lblScanResult->setText(CurrentShelfText(code.text));
        return;
    case ScanKind::Unknown:
    case ScanKind::Entry:
        break;
    }
    bool unreadable = false;
    const std::optional<ScannedEntry> found =
        code.kind == ScanKind::Entry ? FindScannedEntry(m_store, code.text, &unreadable)
                                     : std::nullopt;
    if (!found) {
        desktop().beep(Beep::Exclamation);
        look.setColor(QPalette::WindowText, QColor(0xC0, 0, 0));
        lblScanResult->setPalette(look);
        lblScanResult->setText(unreadable ? ScanUnreadableText() : NotOnRecordText(code.text));
        return;
    }
    lblScanResult->clear();
    if (!found->archived) {
        openCard(found->recordNumber, found->identity);
        return;
    }
    const MsgBoxAnswer answer =
        ShowMsgBox(ArchivedScanTitle(), 3, ArchivedScanText(code.text, found->identity.CaseNumber),
                   1, false, ArchivedScanButtons());
    if (answer.choice == 1)
        showOnInactiveList(found->recordNumber);
}

void frmMain::showOnInactiveList(int recordNumber)
{
    optDisplay[2]->setChecked(true);
    cmdSeeAllEntries_Click();
    for (int row = 1; row < grid->Rows(); ++row) {
        if (rowRecordNumber(row) != recordNumber)
            continue;
        grid->setRow(row);
        grid->setTopRow(row);
        selectShownCells();
        ShowEntrySummary();
        UpdateButtons();
        break;
    }
}

void frmMain::cmdPrintLabels_Click()
{
    // The entries listed now, in the list's order, with no more of each
    // than a label shows.
    QVector<EntryRecord> entries;
    if (grid->Rows() > 1 && OpenEntries(m_store)) {
        for (int row = 1; row < grid->Rows(); ++row) {
            EntryRecord e = m_store.entry(rowRecordNumber(row));
            e.Narrative.clear();
            e.ChainOfCustody.clear();
            entries.append(e);
        }
        m_store.closeEntries();
    }
    const QStringList shelves = DistinctLocations(entries);
    frmLabels ask(int(entries.size()), int(shelves.size()), this);
    if (ask.exec() != QDialog::Accepted)
        return;
    QVector<LabelContent> labels;
    switch (ask.what()) {
    case frmLabels::Entries:
        for (const EntryRecord &e : entries)
            labels.append(EntryLabel(e, ask.qrCode()));
        break;
    case frmLabels::OneShelf:
        labels.append(ShelfLabel(ask.shelf()));
        break;
    case frmLabels::EveryShelf:
        for (const QString &shelf : shelves)
            labels.append(ShelfLabel(shelf));
        break;
    }
    const QString unscannable = CheckLabels(ask.stock(), labels);
    if (!unscannable.isEmpty()) {
        ShowMsgBox(LabelsTitle(), 4, unscannable, 1, false, {QStringLiteral("&Okay")});
        return;
    }
    BusyGuard busy(this);
    WatchPause pause(this);
    PrintLabelSheet(ask.stock(), ask.start(), labels, Ask);
}

void frmMain::cmdInventory_Click()
{
    if (m_session.CurrentAccessLevel < 2)
        return;
    frmInventory window(m_store, m_session, this);
    if (!window.loadAll())
        return;
    window.exec();
    // A shelf accepted there changed entries of the list.
    if (m_session.ListNeedsReload) {
        m_session.ListNeedsReload = false;
        reloadAfterChange();
    }
}
