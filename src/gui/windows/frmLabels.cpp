#include "gui/windows/frmLabels.h"

#include "core/common/Globals.h"
#include "gui/controls/ZelButton.h"
#include "gui/platform/WindowLook.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QRadioButton>
#include <QSpinBox>
#include <QVBoxLayout>

namespace
{

// The stock chosen last, offered first the next time.
int lastTemplate = 0;

} // namespace

frmLabels::frmLabels(int entryCount, int shelfCount, QWidget *parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("frmLabels"));
    setWindowTitle(LabelsTitle());
    setFont(ProgramFont(QStringLiteral("Tahoma"), 9));
    setModal(true);

    auto *form = new QFormLayout;
    auto addRow = [&](const QString &caption, QWidget *field) {
        auto *label = new QLabel(caption, this);
        label->setBuddy(field);
        field->setAccessibleName(
            QString(caption).remove(QLatin1Char('&')).remove(QLatin1Char(':')));
        form->addRow(label, field);
    };

    cboTemplate = new QComboBox(this);
    cboTemplate->setObjectName(QStringLiteral("cboTemplate"));
    for (const LabelTemplate &t : LabelTemplates())
        cboTemplate->addItem(t.caption, t.name);
    cboTemplate->setCurrentIndex(lastTemplate);
    addRow(QStringLiteral("Label &stock:"), cboTemplate);

    txtStart = new QSpinBox(this);
    txtStart->setObjectName(QStringLiteral("txtStart"));
    txtStart->setToolTip(QStringLiteral(" The first free label of the sheet, counted across "
                                        "from the top left (1) "));
    txtStart->setAccessibleDescription(txtStart->toolTip());
    addRow(QStringLiteral("&First free label:"), txtStart);

    QVBoxLayout *whatBox = buildWhatBox(entryCount, shelfCount);
    form->addRow(new QLabel(QStringLiteral("Labels of:"), this), whatBox);

    chkQrCode = new QCheckBox(QStringLiteral("Add a &QR code (control and case number)"), this);
    chkQrCode->setObjectName(QStringLiteral("chkQrCode"));
    chkQrCode->setAccessibleName(QStringLiteral("Add a QR code (control and case number)"));
    form->addRow(QString(), chkQrCode);

    QHBoxLayout *buttons = buildButtons();

    auto *outer = new QVBoxLayout(this);
    outer->addLayout(form);
    outer->addSpacing(TwipsToPixels(150));
    outer->addLayout(buttons);

    for (QRadioButton *option : optWhat)
        connect(option, &QRadioButton::toggled, this, &frmLabels::updatePrint);
    connect(cboTemplate, &QComboBox::currentIndexChanged, this, &frmLabels::templateChanged);
    templateChanged();
    updatePrint();
}

// What the labels are of: the entries, one shelf, or every shelf of them
// (a negative shelf count offers the entries only).
QVBoxLayout *frmLabels::buildWhatBox(int entryCount, int shelfCount)
{
    auto *whatBox = new QVBoxLayout;
    const QString captions[3] = {
        entryCount == 1 ? QStringLiteral("&This entry")
                        : QStringLiteral("The &entries listed (%1)").arg(entryCount),
        QStringLiteral("&One shelf:"),
        QStringLiteral("Every s&helf of those entries (%1)").arg(qMax(shelfCount, 0))};
    for (int i = 0; i < 3; ++i) {
        optWhat[i] = new QRadioButton(captions[i], this);
        optWhat[i]->setObjectName(QStringLiteral("optWhat(%1)").arg(i));
        optWhat[i]->setAccessibleName(QString(captions[i]).remove(QLatin1Char('&')));
    }
    txtShelf = new QLineEdit(this);
    txtShelf->setObjectName(QStringLiteral("txtShelf"));
    txtShelf->setAccessibleName(QStringLiteral("Shelf"));
    txtShelf->setMaxLength(EntryTextWidth(EntryLayout::Location));
    connect(txtShelf, &QLineEdit::textChanged, this, [this] {
        if (!txtShelf->text().isEmpty())
            optWhat[OneShelf]->setChecked(true);
        updatePrint();
    });
    auto *shelfRow = new QHBoxLayout;
    shelfRow->addWidget(optWhat[OneShelf]);
    shelfRow->addWidget(txtShelf, 1);
    whatBox->addWidget(optWhat[Entries]);
    whatBox->addLayout(shelfRow);
    whatBox->addWidget(optWhat[EveryShelf]);
    optWhat[Entries]->setChecked(entryCount > 0);
    optWhat[Entries]->setEnabled(entryCount > 0);
    optWhat[EveryShelf]->setEnabled(shelfCount > 0);
    if (shelfCount < 0) {
        optWhat[OneShelf]->hide();
        txtShelf->hide();
        optWhat[EveryShelf]->hide();
    }
    return whatBox;
}

// Print and Cancel; Print remembers the stock for the next time.
QHBoxLayout *frmLabels::buildButtons()
{
    const QFont buttonFont = ProgramFont(QStringLiteral("Verdana"), 8.25, true);
    auto makeButton = [&](ZelButton *&b, const QString &name, const QString &caption) {
        b = new ZelButton(this);
        b->setObjectName(name);
        b->setFont(buttonFont);
        b->setProgramLook();
        b->setText(caption);
        b->setMinimumSize(TwipsToPixels(1600), TwipsToPixels(450));
    };
    makeButton(cmdPrint, QStringLiteral("cmdPrint"), QStringLiteral("&Print"));
    makeButton(cmdCancel, QStringLiteral("cmdCancel"), QStringLiteral("&Cancel"));
    cmdPrint->setDefault(true);
    cmdCancel->setCancel(true);
    connect(cmdPrint, &QPushButton::clicked, this, [this] {
        lastTemplate = cboTemplate->currentIndex();
        accept();
    });
    connect(cmdCancel, &QPushButton::clicked, this, &QDialog::reject);
    auto *buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(cmdPrint);
    buttons->addWidget(cmdCancel);
    return buttons;
}

void frmLabels::templateChanged()
{
    const int perPage = stock().perPage();
    txtStart->setRange(1, perPage);
    txtStart->setEnabled(perPage > 1);
}

void frmLabels::updatePrint()
{
    chkQrCode->setEnabled(what() == Entries);
    cmdPrint->setEnabled((what() == Entries && optWhat[Entries]->isEnabled()) ||
                         (what() == OneShelf && !shelf().isEmpty()) ||
                         (what() == EveryShelf && optWhat[EveryShelf]->isEnabled()));
    cmdPrint->Refresh();
}

const LabelTemplate &frmLabels::stock() const
{
    return LabelTemplates().at(std::size_t(qMax(cboTemplate->currentIndex(), 0)));
}

int frmLabels::start() const
{
    return txtStart->value();
}

bool frmLabels::qrCode() const
{
    return what() == Entries && chkQrCode->isChecked();
}

frmLabels::What frmLabels::what() const
{
    for (int i = 0; i < 3; ++i)
        if (optWhat[i]->isChecked())
            return What(i);
    return Entries;
}

QString frmLabels::shelf() const
{
    return txtShelf->text().trimmed();
}
