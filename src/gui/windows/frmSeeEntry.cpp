#include "gui/windows/frmSeeEntry.h"

#include "core/common/Globals.h"
#include "gui/controls/ZelButton.h"
#include "gui/controls/ZelColor.h"
#include "gui/platform/Presenter.h"
#include "gui/platform/WindowLook.h"

#include <QApplication>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QShortcut>
#include <QTimer>
#include <QVBoxLayout>

frmSeeEntry::frmSeeEntry(Store &store, Session &session, QWidget *parent)
    : QDialog(parent), m_store(store), m_session(session)
{
    setObjectName(QStringLiteral("frmSeeEntry"));
    Form_Load();
}

frmSeeEntry::~frmSeeEntry() = default;

void frmSeeEntry::setTag(const QString &recordNumber)
{
    m_tag = recordNumber;
}

void frmSeeEntry::setProvisionalControlNumber(const QString &controlText)
{
    m_provisional = controlText;
}

void frmSeeEntry::setExpectedIdentity(double controlNumber, const QString &caseNumber)
{
    m_expectedControl = controlNumber;
    m_expectedCase = caseNumber.trimmed();
    m_hasExpected = true;
}

QLabel *frmSeeEntry::lblSpaceFull(int index) const
{
    if (index == CardField::Narrative)
        return m_spaceFull[0];
    if (index == CardField::ChainOfCustody)
        return m_spaceFull[1];
    return nullptr;
}

bool frmSeeEntry::hasSaved() const
{
    return cmdEditSave && cmdEditSave->Tag() == QLatin1String("Saved");
}

// ---------------------------------------------------------------- loading

void frmSeeEntry::Form_Load()
{
    setWindowTitle(AppTitle);
    setModal(true);
    setFont(ProgramFont(QStringLiteral("Arial"), 9));

    auto *outer = new QVBoxLayout(this);
    outer->setContentsMargins(14, 12, 14, 12);
    outer->setSpacing(10);

    m_panel = new QWidget(this);
    buildFields(m_panel);
    outer->addWidget(m_panel, 1);

    buildButtons();
    auto *buttons = new QHBoxLayout;
    buttons->setSpacing(10);
    buttons->addWidget(cmdHelp);
    buttons->addStretch(1);
    for (ZelButton *b : {cmdEditEntry, cmdPrintEntry, cmdPrintLabel, cmdEmailEntry, cmdAddSave,
                         cmdAddCancel, cmdEditSave, cmdEditCancel})
        buttons->addWidget(b);
    buttons->addStretch(1);
    buttons->addWidget(cmdFinished);
    outer->addLayout(buttons);

    buildMenu();

    // Tab order: the fields in their order, then the buttons.
    QWidget *previous = nullptr;
    for (QWidget *w : m_field) {
        if (previous)
            setTabOrder(previous, w);
        previous = w;
    }
    for (ZelButton *b : {cmdEditEntry, cmdPrintEntry, cmdPrintLabel, cmdEmailEntry, cmdAddSave,
                         cmdAddCancel, cmdEditSave, cmdEditCancel, cmdFinished, cmdHelp}) {
        setTabOrder(previous, b);
        previous = b;
    }

    auto *f1 = new QShortcut(QKeySequence(Qt::Key_F1), this);
    f1->setContext(Qt::WindowShortcut);
    connect(f1, &QShortcut::activated, this, &frmSeeEntry::cmdHelp_Click);

    connect(qApp, &QApplication::focusChanged, this,
            [this](QWidget *, QWidget *now) { focusMoved(now); });

    resize(TwipsToPixels(13200), TwipsToPixels(10500));
    applyBackground();
}

void frmSeeEntry::buildButtons()
{
    auto make = [this](const char *name) {
        auto *b = new ZelButton(this);
        b->setObjectName(QLatin1String(name));
        b->setFont(ProgramFont(QStringLiteral("Verdana"), 9, true));
        b->setProgramLook();
        b->setMinimumSize(TwipsToPixels(2250), TwipsToPixels(500));
        return b;
    };
    cmdHelp = make("cmdHelp");
    cmdFinished = make("cmdFinished");
    cmdEditEntry = make("cmdEditEntry");
    cmdAddSave = make("cmdAddSave");
    cmdAddCancel = make("cmdAddCancel");
    cmdEditSave = make("cmdEditSave");
    cmdEditCancel = make("cmdEditCancel");
    cmdPrintEntry = make("cmdPrintEntry");
    cmdEmailEntry = make("cmdEmailEntry");
    cmdPrintLabel = make("cmdPrintLabel");

    for (ZelButton *b : {cmdHelp, cmdFinished}) {
        b->setPictureNormal(SvgPicture(b == cmdHelp ? QStringLiteral(":/icons/entry-help.svg")
                                                    : QStringLiteral(":/icons/entry-done.svg"),
                                       QSize(30, 30)));
        b->setPicturePosition(4);
        b->setMinimumSize(TwipsToPixels(750), TwipsToPixels(600));
        b->setMaximumWidth(TwipsToPixels(750));
    }
    cmdHelp->setAccessibleName(QStringLiteral("Help"));
    cmdFinished->setAccessibleName(QStringLiteral("Close"));
    // Esc closes a card that only shows an entry; while adding or editing
    // it does nothing, so typed input is never thrown away by one key.
    cmdFinished->setCancel(true);

    connect(cmdHelp, &QPushButton::clicked, this, &frmSeeEntry::cmdHelp_Click);
    connect(cmdFinished, &QPushButton::clicked, this, &frmSeeEntry::cmdFinished_Click);
    connect(cmdEditEntry, &QPushButton::clicked, this, &frmSeeEntry::cmdEditEntry_Click);
    connect(cmdAddSave, &QPushButton::clicked, this, &frmSeeEntry::cmdAddSave_Click);
    connect(cmdAddCancel, &QPushButton::clicked, this, &frmSeeEntry::cmdAddCancel_Click);
    connect(cmdEditSave, &QPushButton::clicked, this, &frmSeeEntry::cmdEditSave_Click);
    connect(cmdEditCancel, &QPushButton::clicked, this, &frmSeeEntry::cmdEditCancel_Click);
    connect(cmdPrintEntry, &QPushButton::clicked, this, &frmSeeEntry::cmdPrintEntry_Click);
    connect(cmdEmailEntry, &QPushButton::clicked, this, &frmSeeEntry::cmdEmailEntry_Click);
    connect(cmdPrintLabel, &QPushButton::clicked, this, &frmSeeEntry::cmdPrintLabel_Click);

    SetUpButtons();
}

void frmSeeEntry::applyBackground()
{
    if (m_viewing) {
        QPalette pal = palette();
        pal.setBrush(QPalette::Window, ToQColor(CardExistingBack));
        setPalette(pal);
        setAutoFillBackground(true);
    } else {
        TileBackground(BackgroundTile(), this);
    }
}

// ---------------------------------------------------------------- opening

int frmSeeEntry::exec()
{
    if (!Form_Activate())
        return QDialog::Rejected;
    return QDialog::exec();
}

void frmSeeEntry::showEvent(QShowEvent *event)
{
    QDialog::showEvent(event);
    if (!m_activated && !Form_Activate())
        QTimer::singleShot(0, this, &QDialog::reject);
}

bool frmSeeEntry::Form_Activate()
{
    if (m_activated)
        return !m_openFailed;
    m_activated = true;
    m_openFailed = true; // until it has opened

    m_recordNumber = m_tag.trimmed().toInt();
    if (!m_provisional.isEmpty()) {
        setWindowTitle(CardAddingCaption());
        m_adding = true;
        m_editing = true;
        ShowRequiredEntries(true);
        setFieldText(CardField::ControlNumber, m_provisional);
        m_fromTemplate = m_recordNumber > 0;
        setFieldsEditable(true);
        for (int i = 1; i < CardField::Count; ++i)
            setFieldText(i, QString());
    } else {
        setWindowTitle(CardViewingCaption());
        m_viewing = true;
        m_editing = false;
        applyBackground();
    }

    m_opening = QStringList();
    for (int i = 0; i < CardField::Count; ++i)
        m_opening << QString();
    if (m_viewing || m_fromTemplate) {
        // One record, read on its own: the card opens as fast on a full
        // file as on a small one.
        if (!OpenEntries(m_store))
            return false;
        const bool present = m_recordNumber >= 1 && m_recordNumber <= data().RecordCount;
        const EntryRecord entry = present ? m_store.entry(m_recordNumber) : EntryRecord();
        m_store.closeEntries();
        const bool expected =
            !m_hasExpected || EntryIdentity{m_expectedControl, m_expectedCase}.matches(entry);
        if (!present || !expected) {
            m_session.ListNeedsReload = true;
            ShowStoreResult(data(), present ? StoreResult::Changed : StoreResult::Missing);
            return false;
        }
        m_asRead = entry;
        m_identity = EntryIdentity::of(entry);
        m_opening = CardTextsFromEntry(entry);
        if (m_viewing)
            showOpeningValues();
    }
    if (m_adding)
        m_opening[CardField::ControlNumber] = m_provisional;

    SetUpButtons();
    if (m_adding)
        m_field[CardField::CaseNumber]->setFocus(Qt::OtherFocusReason);
    else
        cmdFinished->setFocus(Qt::OtherFocusReason);
    m_openFailed = false;
    m_started = true;
    // Focus given before the window was active arrives now.
    if (isActiveWindow() && QApplication::focusWidget())
        focusMoved(QApplication::focusWidget());
    return true;
}

void frmSeeEntry::showOpeningValues()
{
    for (int i = 0; i < CardField::Count; ++i)
        setFieldText(i, m_opening.value(i));
}

// ---------------------------------------------------------------- modes

void frmSeeEntry::ShowRequiredEntries(bool show)
{
    lblMinimumEntryNotice->setVisible(show);
    for (int i : RequiredCardFields()) {
        QPalette pal = m_label[i]->palette();
        pal.setColor(QPalette::WindowText, ToQColor(show ? CardRequiredLabel : CardPlainLabel));
        m_label[i]->setPalette(pal);
    }
}

void frmSeeEntry::SetUpButtons()
{
    CardMode mode;
    mode.adding = m_adding;
    mode.viewing = m_viewing;
    mode.editing = m_editing;
    const bool filled = m_started || m_activated ? RequiredFieldsFilled(fieldTexts()) : false;
    const QVector<CardButtonSpec> specs = CardButtons(mode, m_session.CurrentAccessLevel, filled);
    for (const CardButtonSpec &spec : specs) {
        auto *b = findChild<ZelButton *>(spec.name);
        if (!b)
            continue;
        if (!spec.caption.isEmpty())
            b->setText(spec.caption);
        b->setToolTip(spec.toolTip);
        b->setAccessibleDescription(spec.toolTip);
        b->setVisible(spec.visible);
        b->setEnabled(spec.enabled);
        b->Refresh();
    }
}

void frmSeeEntry::keyPressEvent(QKeyEvent *event)
{
    // Esc only closes a card that shows an entry (its Finished button);
    // while adding or editing it is not a way to throw input away.
    if (event->key() == Qt::Key_Escape && (m_adding || m_editing)) {
        event->accept();
        return;
    }
    QDialog::keyPressEvent(event);
}
