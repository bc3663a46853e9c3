#include "gui/windows/frmFind.h"

#include "core/common/Desktop.h"
#include "core/common/Globals.h"
#include "core/common/Links.h"
#include "core/entries/SearchFilter.h"
#include "gui/controls/ZelButton.h"
#include "gui/platform/Presenter.h"
#include "gui/platform/ShowMsgBox.h"
#include "gui/platform/WindowLook.h"

#include <QApplication>
#include <QButtonGroup>
#include <QCalendarWidget>
#include <QCheckBox>
#include <QFocusEvent>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>
#include <QRadioButton>
#include <QShortcut>
#include <QStyle>
#include <QStyleOptionComboBox>
#include <QTimer>
#include <QVBoxLayout>

namespace
{

QString OptionName(int index)
{
    return QStringLiteral("optFind(%1)").arg(index);
}

} // namespace

// ---- the date field ----

FindDatePicker::FindDatePicker(QWidget *parent) : QDateEdit(parent)
{
    // US English whatever the system locale: "Jan 05, 2004".
    setLocale(QLocale(QLocale::English, QLocale::UnitedStates));
    setDisplayFormat(QStringLiteral("MMM dd, yyyy"));
    setCalendarPopup(true);
    if (QCalendarWidget *calendar = calendarWidget()) {
        calendar->setLocale(locale());
        calendar->setGridVisible(true);
        calendar->setFirstDayOfWeek(Qt::Sunday);
        calendar->setVerticalHeaderFormat(QCalendarWidget::NoVerticalHeader);
        calendar->window()->installEventFilter(this);
    }
}

QWidget *FindDatePicker::calendarPopup() const
{
    QCalendarWidget *calendar = calendarWidget();
    return calendar ? calendar->window() : nullptr;
}

bool FindDatePicker::calendarIsDown() const
{
    QWidget *popup = calendarPopup();
    return popup && popup->isVisible();
}

void FindDatePicker::openCalendar()
{
    if (!isEnabled() || !isVisible() || calendarIsDown())
        return;
    // The calendar drops down from a press on the field's arrow; the date
    // edit has no other door to it.
    QStyleOptionComboBox opt;
    opt.initFrom(this);
    opt.editable = true;
    opt.frame = true;
    opt.subControls = QStyle::SC_All;
    QRect arrow =
        style()->subControlRect(QStyle::CC_ComboBox, &opt, QStyle::SC_ComboBoxArrow, this);
    if (!arrow.isValid())
        arrow = QRect(width() - 4, 0, 4, height());
    const QPointF at = arrow.center();
    QMouseEvent press(QEvent::MouseButtonPress, at, mapToGlobal(at), Qt::LeftButton, Qt::LeftButton,
                      Qt::NoModifier);
    QCoreApplication::sendEvent(this, &press);
}

void FindDatePicker::focusInEvent(QFocusEvent *event)
{
    QDateEdit::focusInEvent(event);
    emit GotFocus(event->reason());
}

bool FindDatePicker::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == calendarPopup()) {
        switch (event->type()) {
        case QEvent::Show:
            m_dateAtDrop = date();
            m_escaped = false;
            break;
        case QEvent::KeyPress:
            // A key the calendar leaves alone comes up to its window, which
            // closes on Esc.
            if (static_cast<QKeyEvent *>(event)->matches(QKeySequence::Cancel))
                m_escaped = true;
            break;
        case QEvent::Hide:
            if (m_escaped && m_dateAtDrop.isValid())
                setDate(m_dateAtDrop);
            m_escaped = false;
            emit CloseUp();
            break;
        default:
            break;
        }
    }
    return QDateEdit::eventFilter(watched, event);
}

// ---- the window ----

frmFind::frmFind(Store &store, Session &session, const PickerBounds &bounds,
                 ZelButton *cmdFindEntries, QWidget *parent)
    : QDialog(parent), m_bounds(bounds), m_cmdFindEntries(cmdFindEntries), m_store(store),
      m_session(session)
{
    // Form_Load
    setObjectName(QStringLiteral("frmFind"));
    setWindowTitle(FindWindowTitle());
    setModal(true);

    const QFont labelFont = ProgramFont(QStringLiteral("Tahoma"), 9, true);
    const QFont optionFont = ProgramFont(QStringLiteral("Tahoma"), 9);

    lblFind1 = new QLabel(this);
    lblFind1->setObjectName(QStringLiteral("lblFind(1)"));
    lblFind1->setFont(labelFont);
    lblFind1->setText(FindTextInstruction());
    lblFind2 = new QLabel(this);
    lblFind2->setObjectName(QStringLiteral("lblFind(2)"));
    lblFind2->setFont(labelFont);
    lblFind2->setText(FindSummaryInstruction());

    txtSearchPhrase = new QLineEdit(this);
    txtSearchPhrase->setObjectName(QStringLiteral("txtSearchPhrase"));
    txtSearchPhrase->setMaxLength(FindPhraseMaxLength);
    txtSearchPhrase->setFont(ProgramFont(QStringLiteral("Verdana"), 9.75, true));
    {
        QPalette pal = txtSearchPhrase->palette();
        pal.setColor(QPalette::Base, QColor(255, 255, 192));
        pal.setColor(QPalette::Text, Qt::black);
        txtSearchPhrase->setPalette(pal);
    }
    txtSearchPhrase->setAccessibleName(QStringLiteral("Enter a word or phrase (whole or partial) "
                                                      "to search for..."));
    lblFind1->setBuddy(txtSearchPhrase);

    chkCapStatus = new QCheckBox(QStringLiteral("&Ignore capitalization"), this);
    chkCapStatus->setObjectName(QStringLiteral("chkCapStatus"));
    chkCapStatus->setAccessibleName(QStringLiteral("Ignore capitalization"));
    chkWholeWordStatus = new QCheckBox(QStringLiteral("&Whole word only"), this);
    chkWholeWordStatus->setObjectName(QStringLiteral("chkWholeWordStatus"));
    chkWholeWordStatus->setAccessibleName(QStringLiteral("Whole word only"));
    for (QCheckBox *c : {chkCapStatus, chkWholeWordStatus})
        c->setFont(optionFont);

    calPickDate = new FindDatePicker(this);
    calPickDate->setObjectName(QStringLiteral("calPickDate"));
    calPickDate->setFont(ProgramFont(QStringLiteral("Verdana"), 9.75, true));
    calPickDate->setAccessibleName(QStringLiteral("Select a beginning date for the indicated "
                                                  "summary..."));
    calPickDate->setMinimumWidth(TwipsToPixels(2200));
    lblFind2->setBuddy(calPickDate);

    m_options = new QButtonGroup(this);
    m_options->setExclusive(true);
    optFind.resize(FindOption::Last + 1);
    for (int i = FindOption::First; i <= FindOption::Last; ++i) {
        auto *opt = new QRadioButton(FindOptionCaption(i), this);
        opt->setObjectName(OptionName(i));
        opt->setFont(optionFont);
        opt->setAccessibleName(FindOptionCaption(i));
        m_options->addButton(opt, i);
        optFind[i] = opt;
        connect(opt, &QRadioButton::toggled, this, [this, i](bool checked) {
            if (checked)
                optFind_Click(i);
        });
    }

    buildCommands();
    layOut();
}

void frmFind::buildCommands()
{
    cmdFind = new ZelButton(this);
    cmdFind->setObjectName(QStringLiteral("cmdFind"));
    cmdFind->setText(QString());
    cmdFind->setAccessibleName(QStringLiteral("Find"));
    const QString glass = QStringLiteral(":/icons/find.svg");
    cmdFind->setPictureNormal(SvgPicture(glass, QSize(1, 1) * TwipsToPixels(480)));
    cmdFind->setPicturePosition(4);
    cmdFind->setMouseIcon(SvgPicture(glass, QSize(24, 24)));
    cmdFind->setDefault(true);
    cmdCancel = new ZelButton(this);
    cmdCancel->setObjectName(QStringLiteral("cmdCancel"));
    cmdCancel->setText(QStringLiteral("&Cancel"));
    cmdCancel->setCancel(true);
    cmdCancel->setAutoDefault(false);
    cmdHelp = new ZelButton(this);
    cmdHelp->setObjectName(QStringLiteral("cmdHelp"));
    cmdHelp->setText(QString());
    cmdHelp->setAccessibleName(QStringLiteral("Help"));
    cmdHelp->setPictureNormal(
        SvgPicture(QStringLiteral(":/icons/find-help.svg"), QSize(1, 1) * TwipsToPixels(360)));
    cmdHelp->setPicturePosition(4);
    cmdHelp->setAutoDefault(false);
    for (ZelButton *b : {cmdFind, cmdCancel, cmdHelp}) {
        b->setFont(ProgramFont(QStringLiteral("Verdana"), 9.75, true));
        b->setProgramLook();
    }
    cmdFind->setMinimumSize(TwipsToPixels(1500), TwipsToPixels(750));
    cmdCancel->setMinimumSize(TwipsToPixels(1500), TwipsToPixels(750));
    cmdHelp->setMinimumSize(TwipsToPixels(750), TwipsToPixels(750));

    timerFlashButton = new QTimer(this);
    timerFlashButton->setObjectName(QStringLiteral("timerFlashButton"));
    timerFlashButton->setInterval(FindPulseIntervalMs);

    connect(txtSearchPhrase, &QLineEdit::textChanged, this, &frmFind::txtSearchPhrase_Change);
    connect(calPickDate, &FindDatePicker::GotFocus, this, [this](Qt::FocusReason reason) {
        // Focus coming back from the calendar or with the window is not a
        // new visit to the field.
        if (reason != Qt::PopupFocusReason && reason != Qt::ActiveWindowFocusReason)
            calPickDate_GotFocus();
    });
    connect(calPickDate, &FindDatePicker::CloseUp, this, &frmFind::calPickDate_CloseUp);
    connect(cmdFind, &QPushButton::clicked, this, &frmFind::cmdFind_Click);
    connect(cmdCancel, &QPushButton::clicked, this, &frmFind::cmdCancel_Click);
    connect(cmdHelp, &QPushButton::clicked, this, &frmFind::cmdHelp_Click);
    connect(timerFlashButton, &QTimer::timeout, this, &frmFind::timerFlashButton_Timer);
    // Form_KeyDown: F1 opens the manual wherever the focus is.
    auto *f1 = new QShortcut(QKeySequence(Qt::Key_F1), this);
    f1->setContext(Qt::WindowShortcut);
    connect(f1, &QShortcut::activated, this, &frmFind::cmdHelp_Click);
}

void frmFind::layOut()
{
    // Layout: the phrase on top, text searches on the left, summaries and
    // the date on the right, the buttons at the bottom.
    auto *textFrame = new QGroupBox(this);
    textFrame->setObjectName(QStringLiteral("frameText"));
    auto *textColumn = new QVBoxLayout(textFrame);
    for (int i = FindOption::AllText; i <= FindOption::ChainOfCustody; ++i)
        textColumn->addWidget(optFind[i]);
    auto *summaryFrame = new QGroupBox(this);
    summaryFrame->setObjectName(QStringLiteral("frameSummary"));
    auto *summaryColumn = new QVBoxLayout(summaryFrame);
    for (int i = FindOption::DailySummary; i <= FindOption::AnnualSummary; ++i)
        summaryColumn->addWidget(optFind[i]);
    summaryColumn->addSpacing(TwipsToPixels(240));
    summaryColumn->addWidget(lblFind2);
    summaryColumn->addWidget(calPickDate);
    summaryColumn->addStretch();
    for (QGroupBox *g : {textFrame, summaryFrame}) {
        g->setFlat(false);
        g->setStyleSheet(QStringLiteral("QGroupBox { background: rgba(255,255,255,90); "
                                        "border: 1px solid #8a9bb0; border-radius: 4px; }"));
    }

    auto *checks = new QHBoxLayout;
    checks->addWidget(chkCapStatus);
    checks->addSpacing(TwipsToPixels(300));
    checks->addWidget(chkWholeWordStatus);
    checks->addStretch();

    auto *columns = new QHBoxLayout;
    columns->addWidget(textFrame, 3);
    columns->addWidget(summaryFrame, 2);

    auto *buttons = new QHBoxLayout;
    buttons->addWidget(cmdHelp);
    buttons->addStretch();
    buttons->addWidget(cmdFind);
    buttons->addSpacing(TwipsToPixels(150));
    buttons->addWidget(cmdCancel);

    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(TwipsToPixels(240), TwipsToPixels(200), TwipsToPixels(240),
                               TwipsToPixels(200));
    layout->addWidget(lblFind1);
    layout->addWidget(txtSearchPhrase);
    layout->addLayout(checks);
    layout->addSpacing(TwipsToPixels(120));
    layout->addLayout(columns, 1);
    layout->addSpacing(TwipsToPixels(120));
    layout->addLayout(buttons);

    resize(TwipsToPixels(6180), TwipsToPixels(7410));
    TileBackground(BackgroundTile(), this);

    // Until the window opens, nothing is chosen.
    cmdFind->setEnabled(false);
    calPickDate->setEnabled(false);
}

frmFind::~frmFind() = default;

bool frmFind::ShowFind(Store &store, Session &session, const PickerBounds &bounds,
                       ZelButton *cmdFindEntries, QWidget *parent)
{
    frmFind window(store, session, bounds, cmdFindEntries, parent);
    window.exec();
    return window.searchChosen();
}

int frmFind::selectedOption() const
{
    const int id = m_options->checkedId();
    return id < 0 ? 0 : id;
}

void frmFind::showEvent(QShowEvent *event)
{
    QDialog::showEvent(event);
    if (!Started) {
        Started = true;
        Form_Activate();
    }
}

void frmFind::Form_Activate()
{
    lblFind1->setText(FindTextInstruction());
    lblFind2->setText(FindSummaryInstruction());

    cmdHelp->setToolTip(FindHelpToolTip());
    cmdCancel->setToolTip(FindCancelToolTip());
    SavedForeColor = cmdFind->ForeColor();
    SavedBackColor = cmdFind->BackColor();
    cmdFind->setEnabled(false);

    txtSearchPhrase->setText(m_session.Search.SearchPhrase);
    if (!txtSearchPhrase->text().isEmpty())
        txtSearchPhrase->selectAll();
    txtSearchPhrase->setFocus(Qt::OtherFocusReason);

    // A summary is never preselected: the window opens on a text search.
    m_session.Search.SearchOption = OpeningFindOption(m_session.Search.SearchOption);
    optFind[m_session.Search.SearchOption]->setChecked(true);

    chkCapStatus->setChecked(m_session.Search.IgnoreCaps == 1);
    chkWholeWordStatus->setChecked(m_session.Search.WholeWordOnly == 1);

    // Every received date of the list can be picked, whatever its order.
    if (m_bounds.isValid())
        calPickDate->setDateRange(m_bounds.earliest, m_bounds.latest);
    calPickDate->setDate(InitialPickerDate(m_bounds, desktop().now().date()));
}

void frmFind::optFind_Click(int Index)
{
    if (Index < FindOption::AllText || Index > FindOption::ChainOfCustody) {
        cmdFind->setEnabled(false);
        setPulsing(false);
        lblFind1->setEnabled(false);
        lblFind2->setEnabled(true);
        txtSearchPhrase->setEnabled(false);
        chkCapStatus->setEnabled(false);
        chkWholeWordStatus->setEnabled(false);
        calPickDate->setEnabled(true);
        cmdFind->setToolTip(FindToolTipForSummary(Index));
        focusPicker();
        return;
    }
    const bool enabled = FindEnabledForPhrase(txtSearchPhrase->text());
    cmdFind->setEnabled(enabled);
    setPulsing(enabled);
    // The summary's tool tip must not stay on the button of a text search.
    cmdFind->setToolTip(FindToolTipForPhrase(txtSearchPhrase->text()));
    lblFind1->setEnabled(true);
    lblFind2->setEnabled(false);
    txtSearchPhrase->setEnabled(true);
    chkCapStatus->setEnabled(true);
    chkWholeWordStatus->setEnabled(true);
    calPickDate->setEnabled(false);
}

void frmFind::focusPicker()
{
    if (!calPickDate->isEnabled())
        return;
    calPickDate->setFocus(Qt::OtherFocusReason);
    // The calendar drops down once the focus has settled, whether or not
    // the field had it already.
    calPickDate_GotFocus();
}

void frmFind::calPickDate_GotFocus()
{
    QTimer::singleShot(0, calPickDate, [this] { calPickDate->openCalendar(); });
}

void frmFind::calPickDate_CloseUp()
{
    if (!calPickDate->isEnabled() || m_closed)
        return;
    cmdFind->setEnabled(true);
    setPulsing(true);
}

void frmFind::txtSearchPhrase_Change()
{
    const QString text = txtSearchPhrase->text();
    if (FindEnabledForPhrase(text)) {
        cmdFind->setToolTip(FindToolTipForPhrase(text));
        cmdFind->setMousePointer(99);
        cmdFind->setEnabled(true);
    } else {
        cmdFind->setToolTip(QString());
        cmdFind->setMousePointer(0);
        cmdFind->setEnabled(false);
    }
    setPulsing(cmdFind->isEnabled());
}

void frmFind::setPulsing(bool on)
{
    if (on) {
        if (!timerFlashButton->isActive())
            timerFlashButton->start();
        return;
    }
    timerFlashButton->stop();
    restoreFindColors();
}

void frmFind::restoreFindColors()
{
    if (!Started)
        return;
    cmdFind->setForeColor(SavedForeColor);
    cmdFind->setBackColor(SavedBackColor);
    cmdFind->Refresh();
}

void frmFind::timerFlashButton_Timer()
{
    m_pulse.tick();
    cmdFind->setBackColor(FindPulseBackColor(m_pulse));
    cmdFind->setForeColor(FindPulseForeColor(m_pulse));
}

void frmFind::cmdFind_Click()
{
    if (txtSearchPhrase->isEnabled()) {
        m_goSearch = true;
        cmdCancel_Click();
        return;
    }
    const int option = selectedOption();
    const SummaryConfirmation c = SummaryConfirmationFor(option, calPickDate->date());
    const int choice = ShowMsgBox(c.title, SummaryConfirmation::Icon, c.text,
                                  SummaryConfirmation::DefaultButton, false, c.buttons)
                           .choice;
    if (choice != 1)
        return; // the window stays open for another choice
    if (!c.acceptable) {
        focusPicker();
        return;
    }
    m_goSearch = true;
    cmdCancel_Click();
}

void frmFind::cmdHelp_Click()
{
    Tell(OpenManual(data()));
}

void frmFind::cmdCancel_Click()
{
    if (m_closed)
        return;
    setPulsing(false);
    const FindCriteria criteria = CriteriaOnClosing(
        m_goSearch, selectedOption(), txtSearchPhrase->text(), calPickDate->date(),
        chkCapStatus->isChecked() ? 1 : 0, chkWholeWordStatus->isChecked() ? 1 : 0);
    if (m_goSearch && IsSummaryOption(criteria.searchOption) && m_cmdFindEntries)
        m_cmdFindEntries->setTag(criteria.summaryName);
    ApplyCriteria(m_session, criteria);
    m_closed = true;
    if (QWidget *popup = calPickDate->calendarPopup())
        popup->hide();
    done(m_goSearch ? QDialog::Accepted : QDialog::Rejected);
}

void frmFind::reject()
{
    // Esc and the close box leave as Cancel does, handing the criteria over
    // as "nothing chosen".
    if (!m_closed) {
        cmdCancel_Click();
        return;
    }
    QDialog::reject();
}
