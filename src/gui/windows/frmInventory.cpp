#include "gui/windows/frmInventory.h"

#include "core/common/Desktop.h"
#include "core/common/Globals.h"
#include "core/entries/EntryRecord.h"
#include "core/print/InventoryReport.h"
#include "core/rules/ScanCode.h"
#include "core/store/Store.h"
#include "gui/controls/ZelButton.h"
#include "gui/platform/BusyGuard.h"
#include "gui/platform/Presenter.h"
#include "gui/platform/ShowMsgBox.h"
#include "gui/platform/WindowLook.h"

#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QRadioButton>
#include <QRandomGenerator>
#include <QSpinBox>
#include <QTimer>
#include <QTreeWidget>
#include <QVBoxLayout>

namespace
{

enum Column { ColTime, ColCode, ColClass, ColRecorded, ColScanned, ColCase, ColDescription, ColBy };

// The colour of a class's line: dark green for found, dark red for what
// needs looking into.
QColor classColour(ScanClass c)
{
    switch (c) {
    case ScanClass::Found:
        return QColor(0, 110, 0);
    case ScanClass::OtherShelf:
    case ScanClass::OutsideSample:
        return QColor(150, 90, 0);
    default:
        return QColor(192, 0, 0);
    }
}

QLabel *buddyLabel(const QString &caption, QWidget *field, QWidget *parent)
{
    auto *label = new QLabel(caption, parent);
    label->setBuddy(field);
    field->setAccessibleName(QString(caption).remove(QLatin1Char('&')).remove(QLatin1Char(':')));
    return label;
}

// The window's buttons: bold Verdana, at least 1700 by 450 twips.
void makeButton(ZelButton *&b, QWidget *parent, const QString &name, const QString &caption,
                const QString &tip)
{
    b = new ZelButton(parent);
    b->setObjectName(name);
    b->setFont(ProgramFont(QStringLiteral("Verdana"), 8.25, true));
    b->setProgramLook();
    b->setText(caption);
    b->setToolTip(tip);
    b->setAccessibleDescription(tip);
    b->setMinimumSize(TwipsToPixels(1700), TwipsToPixels(450));
}

} // namespace

frmInventory::frmInventory(Store &store, Session &session, QWidget *parent)
    : QDialog(parent), m_store(store), m_session(session)
{
    setObjectName(QStringLiteral("frmInventory"));
    setWindowTitle(AppTitle + QStringLiteral(" - ") + InventoryWindowTitle());
    setFont(ProgramFont(QStringLiteral("Tahoma"), 9));
    setModal(true);

    QHBoxLayout *chooseRow = buildChooseRow();
    QGroupBox *startBox = buildStartBox();
    lblStatus = new QLabel(this);
    lblStatus->setObjectName(QStringLiteral("lblStatus"));
    lblStatus->setFont(ProgramFont(QStringLiteral("Tahoma"), 9, true));
    QHBoxLayout *scanRow = buildScanRow();
    buildScanList();
    QHBoxLayout *buttons = buildButtonRow();

    auto *outer = new QVBoxLayout(this);
    outer->addLayout(chooseRow);
    outer->addWidget(startBox);
    outer->addWidget(lblStatus);
    outer->addLayout(scanRow);
    outer->addWidget(lstScans, 1);
    outer->addLayout(buttons);

    connectControls();
    updateControls();
}

// Which inventory, or a new one.
QHBoxLayout *frmInventory::buildChooseRow()
{
    cboInventory = new QComboBox(this);
    cboInventory->setObjectName(QStringLiteral("cboInventory"));
    auto *chooseRow = new QHBoxLayout;
    chooseRow->addWidget(buddyLabel(QStringLiteral("&Inventory:"), cboInventory, this));
    chooseRow->addWidget(cboInventory, 1);
    return chooseRow;
}

QGroupBox *frmInventory::buildStartBox()
{
    auto *startBox = new QGroupBox(QStringLiteral("Start a new inventory"), this);
    const QString scopeCaptions[3] = {QStringLiteral("The whole &Active List"),
                                      QStringLiteral("&Locations starting with:"),
                                      QStringLiteral("A random sa&mple of")};
    for (int i = 0; i < 3; ++i) {
        optScope[i] = new QRadioButton(scopeCaptions[i], startBox);
        optScope[i]->setObjectName(QStringLiteral("optScope(%1)").arg(i));
        optScope[i]->setAccessibleName(QString(scopeCaptions[i]).remove(QLatin1Char('&')));
    }
    optScope[0]->setChecked(true);
    txtScopeShelf = new QLineEdit(startBox);
    txtScopeShelf->setObjectName(QStringLiteral("txtScopeShelf"));
    txtScopeShelf->setAccessibleName(QStringLiteral("Locations starting with"));
    txtScopeShelf->setMaxLength(EntryTextWidth(EntryLayout::Location));
    txtSampleSize = new QSpinBox(startBox);
    txtSampleSize->setObjectName(QStringLiteral("txtSampleSize"));
    txtSampleSize->setAccessibleName(QStringLiteral("Sample size"));
    txtSampleSize->setRange(1, MaxEntryCount);
    txtSampleSize->setValue(25);
    cboSampleUnit = new QComboBox(startBox);
    cboSampleUnit->setObjectName(QStringLiteral("cboSampleUnit"));
    cboSampleUnit->setAccessibleName(QStringLiteral("Sample unit"));
    cboSampleUnit->addItems({QStringLiteral("entries"), QStringLiteral("percent")});
    txtSeed = new QSpinBox(startBox);
    txtSeed->setObjectName(QStringLiteral("txtSeed"));
    txtSeed->setRange(0, 999999999);
    txtSeed->setValue(int(QRandomGenerator::global()->bounded(1000000000u)));
    txtSeed->setToolTip(QStringLiteral(" The same seed draws the same sample again "));
    txtSeed->setAccessibleDescription(txtSeed->toolTip());
    makeButton(cmdStart, this, QStringLiteral("cmdStart"), QStringLiteral("&Start"),
               QStringLiteral(" Start this inventory "));
    auto *startGrid = new QGridLayout(startBox);
    startGrid->addWidget(optScope[0], 0, 0, 1, 2);
    startGrid->addWidget(optScope[1], 1, 0);
    startGrid->addWidget(txtScopeShelf, 1, 1, 1, 4);
    startGrid->addWidget(optScope[2], 2, 0);
    startGrid->addWidget(txtSampleSize, 2, 1);
    startGrid->addWidget(cboSampleUnit, 2, 2);
    startGrid->addWidget(buddyLabel(QStringLiteral("S&eed:"), txtSeed, startBox), 2, 3,
                         Qt::AlignRight);
    startGrid->addWidget(txtSeed, 2, 4);
    startGrid->addWidget(cmdStart, 0, 4, Qt::AlignRight);
    startGrid->setColumnStretch(1, 1);
    return startBox;
}

// The current shelf, the scan box and what the last scan was.
QHBoxLayout *frmInventory::buildScanRow()
{
    txtShelf = new QLineEdit(this);
    txtShelf->setObjectName(QStringLiteral("txtShelf"));
    txtShelf->setMaxLength(EntryTextWidth(EntryLayout::Location));
    txtShelf->setToolTip(QStringLiteral(" The shelf being counted: scan its label, or type it "));
    txtShelf->setAccessibleDescription(txtShelf->toolTip());
    txtScan = new QLineEdit(this);
    txtScan->setObjectName(QStringLiteral("txtScan"));
    txtScan->setMaxLength(80);
    txtScan->setFont(ProgramFont(QStringLiteral("Verdana"), 9));
    txtScan->setToolTip(
        QStringLiteral(" Scan a shelf's label, then the labels of the items on it "));
    txtScan->setAccessibleDescription(txtScan->toolTip());
    lblScanResult = new QLabel(this);
    lblScanResult->setObjectName(QStringLiteral("lblScanResult"));
    lblScanResult->setFont(ProgramFont(QStringLiteral("Tahoma"), 9, true));
    auto *scanRow = new QHBoxLayout;
    scanRow->addWidget(buddyLabel(QStringLiteral("Current s&helf:"), txtShelf, this));
    scanRow->addWidget(txtShelf, 2);
    scanRow->addWidget(buddyLabel(QStringLiteral("Sca&n or type a code:"), txtScan, this));
    scanRow->addWidget(txtScan, 2);
    scanRow->addWidget(lblScanResult, 3);
    return scanRow;
}

void frmInventory::buildScanList()
{
    lstScans = new QTreeWidget(this);
    lstScans->setObjectName(QStringLiteral("lstScans"));
    lstScans->setAccessibleName(QStringLiteral("Scans"));
    lstScans->setRootIsDecorated(false);
    lstScans->setUniformRowHeights(true);
    lstScans->setAlternatingRowColors(true);
    lstScans->setHeaderLabels({QStringLiteral("Time"), QStringLiteral("Code"),
                               QStringLiteral("Class"), QStringLiteral("Recorded shelf"),
                               QStringLiteral("Scanned shelf"), QStringLiteral("Case #"),
                               QStringLiteral("Description"), QStringLiteral("Scanned by")});
    lstScans->header()->setStretchLastSection(true);
    lstScans->setMinimumSize(TwipsToPixels(13000), TwipsToPixels(4500));
}

// The buttons under the list, Exit apart at the right.
QHBoxLayout *frmInventory::buildButtonRow()
{
    const struct {
        ZelButton **button;
        QString name, caption, tip;
    } row[] = {
        {&cmdAcceptShelf, QStringLiteral("cmdAcceptShelf"), QStringLiteral("&Accept new shelf"),
         QStringLiteral(" Make the scanned shelf this entry's location ")},
        {&cmdNote, QStringLiteral("cmdNote"), QStringLiteral("N&ote..."),
         QStringLiteral(" Note how this discrepancy was resolved ")},
        {&cmdPause, QStringLiteral("cmdPause"), QStringLiteral("&Pause"),
         QStringLiteral(" Pause the inventory; any workstation may resume it ")},
        {&cmdCloseInventory, QStringLiteral("cmdCloseInventory"),
         QStringLiteral("&Close inventory"),
         QStringLiteral(" Close it: what was not scanned is not found ")},
        {&cmdPrintReport, QStringLiteral("cmdPrintReport"), QStringLiteral("Print &Report"),
         QStringLiteral(" Print the report, or save it as PDF ")},
        {&cmdExit, QStringLiteral("cmdExit"), QStringLiteral("E&xit"),
         QStringLiteral(" Close this window ")},
    };
    for (const auto &b : row)
        makeButton(*b.button, this, b.name, b.caption, b.tip);
    auto *buttons = new QHBoxLayout;
    for (ZelButton *b : {cmdAcceptShelf, cmdNote, cmdPause, cmdCloseInventory, cmdPrintReport})
        buttons->addWidget(b);
    buttons->addStretch(1);
    buttons->addWidget(cmdExit);
    return buttons;
}

void frmInventory::connectControls()
{
    connect(cboInventory, &QComboBox::activated, this, &frmInventory::openChosen);
    connect(cmdStart, &QPushButton::clicked, this, &frmInventory::cmdStart_Click);
    connect(txtScan, &QLineEdit::returnPressed, this, &frmInventory::txtScan_Enter);
    connect(txtShelf, &QLineEdit::returnPressed, txtScan, [this] { txtScan->setFocus(); });
    connect(lstScans, &QTreeWidget::currentItemChanged, this, &frmInventory::updateControls);
    connect(cmdAcceptShelf, &QPushButton::clicked, this, &frmInventory::cmdAcceptShelf_Click);
    connect(cmdNote, &QPushButton::clicked, this, &frmInventory::cmdNote_Click);
    connect(cmdPause, &QPushButton::clicked, this, &frmInventory::cmdPause_Click);
    connect(cmdCloseInventory, &QPushButton::clicked, this, &frmInventory::cmdCloseInventory_Click);
    connect(cmdPrintReport, &QPushButton::clicked, this, &frmInventory::cmdPrintReport_Click);
    connect(cmdExit, &QPushButton::clicked, this, &QDialog::accept);
    connect(txtScopeShelf, &QLineEdit::textEdited, this, [this] { optScope[1]->setChecked(true); });
    connect(txtSampleSize, &QSpinBox::valueChanged, this,
            [this] { optScope[2]->setChecked(true); });
}

bool frmInventory::loadAll()
{
    BusyGuard busy(this);
    if (!LoadInventoryEntries(m_store, &m_entries))
        return false;
    QString newestOpen;
    for (const Inventory &inv : ListInventories(m_store))
        if (!inv.closed && newestOpen.isEmpty())
            newestOpen = inv.id;
    fillInventoryList(newestOpen);
    openChosen();
    return true;
}

void frmInventory::fillInventoryList(const QString &select)
{
    cboInventory->clear();
    cboInventory->addItem(QStringLiteral("(a new inventory)"), QString());
    for (const Inventory &inv : ListInventories(m_store)) {
        cboInventory->addItem(inv.id + QStringLiteral(" - ") + inv.statusText() +
                                  QStringLiteral(" - ") + inv.scopeText(),
                              inv.id);
        if (inv.id == select)
            cboInventory->setCurrentIndex(cboInventory->count() - 1);
    }
}

void frmInventory::openChosen()
{
    const QString id = cboInventory->currentData().toString();
    m_inventory = Inventory();
    m_shown = 0;
    lstScans->clear();
    lblScanResult->clear();
    if (!id.isEmpty() && !LoadInventory(m_store, id, &m_inventory))
        ShowMsgBox(InventoryWindowTitle(), 4,
                   QStringLiteral("The inventory ") + id + QStringLiteral(" can not be read."), 1,
                   false, {QStringLiteral("&Okay")});
    showScans();
    updateControls();
    if (!m_inventory.id.isEmpty())
        (txtShelf->text().isEmpty() ? txtShelf : txtScan)->setFocus();
}

void frmInventory::showScans()
{
    QTreeWidgetItem *last = nullptr;
    for (; m_shown < m_inventory.scans.size(); ++m_shown) {
        const InventoryScan &s = m_inventory.scans[m_shown];
        auto *item =
            new QTreeWidgetItem(lstScans, {s.time.mid(11), s.code, ScanClassName(s.cls),
                                           s.recordedShelf, s.shelf, s.caseNumber, s.description,
                                           s.person + QStringLiteral(" at ") + s.workstation});
        item->setData(0, Qt::UserRole, int(m_shown));
        item->setForeground(ColClass, classColour(s.cls));
        last = item;
    }
    if (last) {
        lstScans->setCurrentItem(last);
        lstScans->scrollToItem(last);
        for (int c = 0; c < ColDescription; ++c)
            lstScans->resizeColumnToContents(c);
    }
}

int frmInventory::selectedScan() const
{
    const QTreeWidgetItem *item = lstScans->currentItem();
    return item ? item->data(0, Qt::UserRole).toInt() : -1;
}

void frmInventory::updateControls()
{
    const bool chosen = !m_inventory.id.isEmpty();
    const bool scanning = chosen && !m_inventory.closed && !m_inventory.paused;
    for (QWidget *w :
         std::initializer_list<QWidget *>{optScope[0], optScope[1], optScope[2], txtScopeShelf,
                                          txtSampleSize, cboSampleUnit, txtSeed, cmdStart})
        w->setEnabled(!chosen);
    txtShelf->setEnabled(scanning);
    txtScan->setEnabled(scanning);
    const int n = selectedScan();
    const bool moved = n >= 0 && size_t(n) < m_inventory.scans.size() &&
                       m_inventory.scans[size_t(n)].cls == ScanClass::OtherShelf;
    cmdAcceptShelf->setEnabled(chosen && !m_inventory.closed && moved &&
                               m_entries.find(m_inventory.scans[size_t(n)].code));
    cmdNote->setEnabled(chosen && !m_inventory.closed && n >= 0);
    cmdPause->setEnabled(chosen && !m_inventory.closed);
    cmdPause->setText(m_inventory.paused ? QStringLiteral("&Resume") : QStringLiteral("&Pause"));
    cmdCloseInventory->setEnabled(chosen && !m_inventory.closed);
    cmdPrintReport->setEnabled(chosen);
    if (!chosen) {
        lblStatus->setText(QStringLiteral("Choose an inventory, or start a new one."));
        return;
    }
    lblStatus->setText(
        QStringLiteral("Inventory %1 (%2): %3 - %4 of %5 in scope scanned, %6 scans")
            .arg(m_inventory.id, m_inventory.statusText(), m_inventory.scopeText())
            .arg(int(std::count_if(
                m_inventory.expected.cbegin(), m_inventory.expected.cend(),
                [this](const QString &c) { return m_inventory.scannedCodes.contains(c); })))
            .arg(m_inventory.expected.size())
            .arg(m_inventory.scans.size()));
}

void frmInventory::tell(const InventoryOutcome &outcome)
{
    if (!outcome.ok && !outcome.text.isEmpty())
        ShowMsgBox(outcome.title.isEmpty() ? InventoryWindowTitle() : outcome.title, 4,
                   outcome.text, 1, false, {QStringLiteral("&Okay")});
    showScans();
    updateControls();
}

InventoryOutcome frmInventory::runChange(const std::function<InventoryOutcome()> &change)
{
    for (;;) {
        InventoryOutcome outcome;
        RunBusy(this, [&] { outcome = change(); });
        if (!outcome.busy)
            return outcome;
        if (ShowMsgBox(*outcome.busy).choice != MsgButton::First)
            return {};
    }
}

void frmInventory::playSound(ScanClass cls)
{
    const ScanSound sound = ScanClassSound(cls);
    for (int i = 0; i < sound.count; ++i) {
        if (i == 0)
            desktop().beep(Beep(sound.beep));
        else
            QTimer::singleShot(i * sound.gapMs, this,
                               [kind = sound.beep] { desktop().beep(Beep(kind)); });
    }
}

void frmInventory::cmdStart_Click()
{
    InventoryRequest ask;
    ask.scope = optScope[1]->isChecked()   ? InventoryScope::Shelf
                : optScope[2]->isChecked() ? InventoryScope::Sample
                                           : InventoryScope::WholeList;
    ask.shelf = txtScopeShelf->text();
    if (cboSampleUnit->currentIndex() == 1)
        ask.percent = qMin(txtSampleSize->value(), 100);
    else
        ask.count = txtSampleSize->value();
    ask.seed = quint32(txtSeed->value());
    Inventory started;
    InventoryOutcome outcome;
    outcome = runChange([&] { return StartInventory(m_store, ask, m_entries, &started); });
    if (!outcome.ok) {
        tell(outcome);
        return;
    }
    fillInventoryList(started.id);
    openChosen();
}

void frmInventory::txtScan_Enter()
{
    const ScanCode code = ClassifyScan(txtScan->text());
    txtScan->selectAll();
    if (code.kind == ScanKind::Empty)
        return;
    if (code.kind == ScanKind::Shelf) {
        txtShelf->setText(code.text);
        lblScanResult->setText(CurrentShelfText(code.text));
        return;
    }
    if (!RefreshInventoryEntries(m_store, &m_entries)) {
        desktop().beep(Beep::Exclamation);
        lblScanResult->setText(ScanUnreadableText());
        return;
    }
    InventoryScan scan;
    const QString shelf = txtShelf->text();
    const InventoryOutcome outcome = runChange([&] {
        return RecordInventoryScan(m_store, &m_inventory, m_entries, shelf, code.text, &scan);
    });
    if (outcome.ok) {
        playSound(scan.cls);
        QPalette look = lblScanResult->palette();
        look.setColor(QPalette::WindowText, classColour(scan.cls));
        lblScanResult->setPalette(look);
        lblScanResult->setText(scan.code + QStringLiteral(": ") + ScanClassName(scan.cls));
    }
    tell(outcome);
}

void frmInventory::cmdAcceptShelf_Click()
{
    const int n = selectedScan();
    if (n < 0 || size_t(n) >= m_inventory.scans.size())
        return;
    const InventoryScan scan = m_inventory.scans[size_t(n)];
    InventoryOutcome outcome;
    outcome = runChange([&] {
        return AcceptScannedShelf(m_store, &m_inventory, &m_entries, scan.code, scan.shelf);
    });
    if (outcome.ok) {
        QTreeWidgetItem *item = lstScans->currentItem();
        item->setText(ColRecorded, scan.recordedShelf + QStringLiteral(" (now ") + scan.shelf +
                                       QStringLiteral(")"));
        m_session.ListNeedsReload = true;
    }
    tell(outcome);
}

void frmInventory::cmdNote_Click()
{
    const int n = selectedScan();
    if (n < 0 || size_t(n) >= m_inventory.scans.size())
        return;
    const QString code = m_inventory.scans[size_t(n)].code;
    const std::optional<QString> text =
        desktop().inputBox(InventoryWindowTitle(),
                           QStringLiteral("A note on ") + code + QStringLiteral(":"), QString());
    if (!text)
        return;
    tell(runChange([&] { return AddInventoryNote(m_store, &m_inventory, code, *text); }));
}

void frmInventory::cmdPause_Click()
{
    const bool resume = m_inventory.paused;
    tell(runChange([&] {
        return resume ? ResumeInventory(m_store, &m_inventory)
                      : PauseInventory(m_store, &m_inventory);
    }));
    fillInventoryList(m_inventory.id);
}

void frmInventory::cmdCloseInventory_Click()
{
    RefreshInventory(m_store, &m_inventory);
    const int unscanned = int(
        std::count_if(m_inventory.expected.cbegin(), m_inventory.expected.cend(),
                      [this](const QString &c) { return !m_inventory.scannedCodes.contains(c); }));
    const MsgBoxAnswer answer = ShowMsgBox(
        InventoryWindowTitle(), 3,
        QStringLiteral("Close inventory ") + m_inventory.id + QStringLiteral("?") + CrLf + CrLf +
            QStringLiteral("%1 of its %2 entries have not been scanned; they will be listed as "
                           "not found. Nothing can be scanned into it afterwards.")
                .arg(unscanned)
                .arg(m_inventory.expected.size()),
        2, false, {QStringLiteral("&Close it"), QStringLiteral("&Not now")});
    if (answer.choice != 1)
        return;
    InventoryOutcome outcome;
    outcome = runChange([&] { return CloseInventory(m_store, &m_inventory, m_entries); });
    tell(outcome);
    fillInventoryList(m_inventory.id);
}

void frmInventory::cmdPrintReport_Click()
{
    RefreshInventory(m_store, &m_inventory);
    showScans();
    BusyGuard busy(this);
    PrintInventoryReport(BuildInventoryReport(m_inventory), Ask);
}
