// The installation set-up window: the agency's name and the administrative
// access code of a data folder that has none yet.
#pragma once

#include "core/store/Store.h"

#include <QDialog>

class QLabel;
class QLineEdit;
class ZelButton;

class frmSetup : public QDialog
{
    Q_OBJECT
public:
    explicit frmSetup(Store &store, QWidget *parent = nullptr);

    QLabel *lblExplain = nullptr;
    QLineEdit *txtAgencyName = nullptr;
    QLineEdit *txtAccessCode = nullptr;
    QLineEdit *txtConfirmCode = nullptr;
    ZelButton *cmdSave = nullptr;
    ZelButton *cmdCancel = nullptr;

public slots:
    // Checks the entries and saves them; the window closes (accepted) once
    // the settings are in the data folder.
    void cmdSave_Click();
    void cmdCancel_Click();

private:
    Store &m_store;
    DataSet &data() const { return m_store.dataSet(); }
};

// Makes sure the data folder has its installation settings (agency name
// and access code) before the administrative window opens: loads them, or
// shows the set-up window when there are none (or they are damaged). True
// when they are there now; false when the person cancelled or the settings
// can not be read.
bool EnsureInstallationConfigured(Store &store, QWidget *parent);
