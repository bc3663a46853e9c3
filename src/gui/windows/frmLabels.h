// The questions before labels are printed: the label stock, the first free
// label of a part-used sheet, a QR code beside the barcode and, from the
// main window, which labels (the entries listed, one shelf typed in, or
// every shelf of those entries).
#pragma once

#include "core/print/Labels.h"

#include <QDialog>

class QCheckBox;
class QComboBox;
class QHBoxLayout;
class QLabel;
class QLineEdit;
class QRadioButton;
class QSpinBox;
class QVBoxLayout;
class ZelButton;

class frmLabels : public QDialog
{
    Q_OBJECT
public:
    // entryCount: the entries whose labels are offered; shelfCount: their
    // distinct locations, or -1 when only entry labels are offered (the
    // entry card).
    frmLabels(int entryCount, int shelfCount, QWidget *parent = nullptr);

    enum What { Entries = 0, OneShelf = 1, EveryShelf = 2 };

    QComboBox *cboTemplate = nullptr;
    QSpinBox *txtStart = nullptr;
    QCheckBox *chkQrCode = nullptr;
    QRadioButton *optWhat[3] = {};
    QLineEdit *txtShelf = nullptr;
    ZelButton *cmdPrint = nullptr;
    ZelButton *cmdCancel = nullptr;

    const LabelTemplate &stock() const;
    int start() const;
    bool qrCode() const;
    What what() const;
    QString shelf() const;

private:
    QVBoxLayout *buildWhatBox(int entryCount, int shelfCount);
    QHBoxLayout *buildButtons();
    void templateChanged();
    void updatePrint();
};
