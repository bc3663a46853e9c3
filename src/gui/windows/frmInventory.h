// The Inventory window: starts an inventory (the whole Active List, the
// shelves whose location starts with a text, or a random sample), takes
// the scans with one line and one sound per scan, accepts a moved item's
// new shelf, notes, pauses, closes and prints the report.
#pragma once

#include "core/rules/Inventory.h"

#include <functional>

#include <QDialog>

class QComboBox;
class QGroupBox;
class QHBoxLayout;
class QLabel;
class QLineEdit;
class QRadioButton;
class QSpinBox;
class QTreeWidget;
class Session;
class Store;
class ZelButton;

class frmInventory : public QDialog
{
    Q_OBJECT
public:
    frmInventory(Store &store, Session &session, QWidget *parent = nullptr);

    QComboBox *cboInventory = nullptr;
    QRadioButton *optScope[3] = {};
    QLineEdit *txtScopeShelf = nullptr;
    QSpinBox *txtSampleSize = nullptr;
    QComboBox *cboSampleUnit = nullptr; // entries, percent
    QSpinBox *txtSeed = nullptr;
    ZelButton *cmdStart = nullptr;
    QLabel *lblStatus = nullptr;
    QLineEdit *txtShelf = nullptr;
    QLineEdit *txtScan = nullptr;
    QLabel *lblScanResult = nullptr;
    QTreeWidget *lstScans = nullptr;
    ZelButton *cmdAcceptShelf = nullptr;
    ZelButton *cmdNote = nullptr;
    ZelButton *cmdPause = nullptr;
    ZelButton *cmdCloseInventory = nullptr;
    ZelButton *cmdPrintReport = nullptr;
    ZelButton *cmdExit = nullptr;

    const Inventory &inventory() const { return m_inventory; }
    // Reads the entries once, lists the inventories and opens the newest
    // one not closed; false when the data file could not be read.
    bool loadAll();

    void cmdStart_Click();
    void txtScan_Enter();
    void cmdAcceptShelf_Click();
    void cmdNote_Click();
    void cmdPause_Click();
    void cmdCloseInventory_Click();
    void cmdPrintReport_Click();

private:
    QHBoxLayout *buildChooseRow();
    QGroupBox *buildStartBox();
    QHBoxLayout *buildScanRow();
    void buildScanList();
    QHBoxLayout *buildButtonRow();
    void connectControls();
    void fillInventoryList(const QString &select);
    void openChosen();
    void showScans();
    void updateControls();
    void tell(const InventoryOutcome &outcome);
    // Runs a change that takes the folder lock off the GUI thread; while
    // the folder stays busy the person is asked "Data folder busy" (Retry
    // runs it again). Cancel ends with an outcome that tells nothing.
    InventoryOutcome runChange(const std::function<InventoryOutcome()> &change);
    void playSound(ScanClass cls);
    int selectedScan() const;

    Store &m_store;
    Session &m_session;
    InventoryEntries m_entries;
    Inventory m_inventory;
    size_t m_shown = 0; // scans listed so far
};
