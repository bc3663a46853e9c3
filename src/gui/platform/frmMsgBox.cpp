#include "gui/platform/frmMsgBox.h"

#include "core/common/Globals.h"
#include "gui/controls/ZelButton.h"
#include "gui/platform/WindowLook.h"

#include <QApplication>
#include <QCheckBox>
#include <QFontMetricsF>
#include <QFrame>
#include <QLabel>
#include <QStyle>

namespace
{

// The layout's window size is the outer size of the window; this much of
// its height is the title bar.
constexpr double kTitleBarTwips = 300;

QFont WindowFont()
{
    return ProgramFont(QStringLiteral("Tahoma"), 9.75, true);
}

QString displayText(const QString &text)
{
    return QString(text).replace(QLatin1String("\r\n"), QLatin1String("\n"));
}

QStyle::StandardPixmap stockIcon(int code, bool *known)
{
    *known = true;
    switch (code) {
    case 0:
    case 1:
        return QStyle::SP_DesktopIcon;
    case 2:
        return QStyle::SP_MessageBoxCritical;
    case 3:
        return QStyle::SP_MessageBoxQuestion;
    case 4:
        return QStyle::SP_MessageBoxWarning;
    case 5:
        return QStyle::SP_MessageBoxInformation;
    default:
        *known = false;
        return QStyle::SP_CustomBase;
    }
}

Beep beepFor(int code)
{
    switch (code) {
    case 2:
        return Beep::Hand;
    case 3:
        return Beep::Question;
    case 4:
        return Beep::Exclamation;
    case 5:
        return Beep::Asterisk;
    default:
        return Beep::Default;
    }
}

QRect twipRect(double left, double top, double width, double height)
{
    return QRect(TwipsToPixels(left), TwipsToPixels(top), TwipsToPixels(width),
                 TwipsToPixels(height));
}

} // namespace

frmMsgBox::frmMsgBox(const MsgBoxRequest &request, QWidget *parent)
    : QDialog(parent), m_request(request)
{
    setObjectName(QStringLiteral("frmMsgBox"));
    setWindowFlags(Qt::Dialog | Qt::WindowTitleHint | Qt::WindowCloseButtonHint |
                   Qt::MSWindowsFixedSizeDialogHint);
    setModal(true);
    setFont(WindowFont());
    buildControls();
    if (!measure())
        return;
    placeMessage();
    placeIcon();
    placeBandAndCheck();
}

// The band, the icon, the message and the template button, all hidden.
void frmMsgBox::buildControls()
{
    m_band = new QFrame(this);
    m_band->setObjectName(QStringLiteral("shp"));
    m_band->setFrameShape(QFrame::Box);
    m_band->setStyleSheet(
        QStringLiteral("#shp { background-color: #E6DFCB; border: 1px solid #B9AD8C; }"));
    m_band->hide();

    m_icon = new QLabel(this);
    m_icon->setObjectName(QStringLiteral("imgIcon"));
    m_icon->hide();

    m_label = new QLabel(this);
    m_label->setObjectName(QStringLiteral("lblMessage"));
    m_label->setFont(ProgramFont(QStringLiteral("Tahoma"), 9.75));
    m_label->setTextFormat(Qt::PlainText);
    m_label->setTextInteractionFlags(Qt::TextSelectableByMouse);
    m_label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    m_label->setText(displayText(m_request.text + CrLf));
    m_label->hide();

    // Template button: never visible inside the window; Esc presses it.
    auto *tmpl = new ZelButton(this);
    tmpl->setObjectName(QStringLiteral("cmdMessageButton(0)"));
    tmpl->setFont(ProgramFont(QStringLiteral("Verdana"), 8.25));
    tmpl->setProgramLook();
    tmpl->setAutoDefault(false);
    tmpl->setFocusPolicy(Qt::NoFocus);
    tmpl->setAccessibleName(QStringLiteral("Cancel"));
    connect(tmpl, &QPushButton::clicked, this, [this] { cmdMessageButton_Click(0); });
    m_buttons.append(tmpl);
}

// Lays the box out for its message and buttons; false when it does not
// fit on the screen.
bool frmMsgBox::measure()
{
    // Natural size of the message, then its wrapped height, in twips.
    const QSize natural = m_label->sizeHint();
    const QFontMetricsF windowMetrics(WindowFont());
    QVector<double> captionWidths;
    for (int i = 0; i < m_request.buttons.size(); ++i) {
        const QString padded = QLatin1Char(' ') + m_request.buttons.at(i) + QLatin1Char(' ');
        captionWidths.append(std::ceil(PixelsToTwips(windowMetrics.horizontalAdvance(padded))));
    }
    const QSize screenPx = desktop().screenSize();
    auto wrapped = [this](double widthTwips) {
        m_label->setWordWrap(true);
        return PixelsToTwips(m_label->heightForWidth(TwipsToPixels(widthTwips)));
    };
    m_layout =
        LayoutMsgBox(QSizeF(PixelsToTwips(natural.width()), PixelsToTwips(natural.height())),
                     wrapped, captionWidths, m_request.offerDontShow,
                     QSizeF(PixelsToTwips(screenPx.width()), PixelsToTwips(screenPx.height())));
    return m_layout.fits;
}

// The title, the message, the buttons where the layout puts them, and the
// window's size.
void frmMsgBox::placeMessage()
{
    setWindowTitle(m_request.title);
    m_label->setWordWrap(m_layout.wordWrap);
    m_label->setGeometry(
        twipRect(m_layout.labelLeft, m_layout.labelTop, m_layout.labelWidth, m_layout.labelHeight));
    m_label->setAccessibleName(m_request.text);
    m_label->show();

    for (int i = 0; i < m_request.buttons.size(); ++i) {
        auto *b = new ZelButton(this);
        b->setObjectName(QStringLiteral("cmdMessageButton(%1)").arg(i + 1));
        b->setFont(m_buttons.first()->font());
        b->setProgramLook();
        b->setText(QLatin1Char(' ') + m_request.buttons.at(i) + QLatin1Char(' '));
        b->setAutoDefault(true);
        b->setGeometry(twipRect(m_layout.buttonLeft.at(i), m_layout.buttonTop,
                                m_layout.buttonWidth.at(i), m_layout.buttonHeight));
        connect(b, &QPushButton::clicked, this, [this, i] { cmdMessageButton_Click(i + 1); });
        b->show();
        m_buttons.append(b);
    }
    m_buttons.first()->setGeometry(twipRect(m_layout.templateLeft, m_layout.buttonTop, 400, 400));
    m_buttons.first()->show();

    setFixedSize(TwipsToPixels(m_layout.windowWidth),
                 TwipsToPixels(m_layout.windowHeight - kTitleBarTwips));
    TileBackground(BackgroundTile(), this);
}

void frmMsgBox::placeIcon()
{
    bool known = false;
    const QStyle::StandardPixmap sp = stockIcon(m_request.icon, &known);
    if (known) {
        const QIcon icon = sp == QStyle::SP_DesktopIcon && !qApp->windowIcon().isNull()
                               ? qApp->windowIcon()
                               : style()->standardIcon(sp);
        m_icon->setPixmap(icon.pixmap(32, 32));
        m_icon->setGeometry(9, 10, 32, 32);
        m_icon->setAccessibleName(QStringLiteral("Icon"));
        m_icon->show();
    }
}

// The band behind the buttons and the "Don't show this again" box.
void frmMsgBox::placeBandAndCheck()
{
    m_band->setGeometry(
        twipRect(m_layout.bandLeft, m_layout.bandTop, m_layout.bandWidth, m_layout.bandHeight));
    m_band->lower();
    m_band->show();

    m_check = new QCheckBox(QStringLiteral("Don't show this again"), this);
    m_check->setObjectName(QStringLiteral("chkDontAsk"));
    m_check->setFont(ProgramFont(QStringLiteral("Arial Narrow"), 8.25));
    m_check->setAccessibleName(QStringLiteral("Don't show this again"));
    m_check->hide();
    if (m_request.offerDontShow) {
        m_check->setChecked(false);
        m_check->adjustSize();
        m_check->move(TwipsToPixels(m_layout.checkLeft), TwipsToPixels(m_layout.checkTop));
        m_check->show();
    }
}

ZelButton *frmMsgBox::button(int number) const
{
    return number >= 0 && number < m_buttons.size() ? m_buttons.at(number) : nullptr;
}

void frmMsgBox::showEvent(QShowEvent *event)
{
    QDialog::showEvent(event);
    if (isVisible() && m_request.icon >= 0 && m_request.icon <= 5)
        desktop().beep(beepFor(m_request.icon));
    placeDefaultButton();
}

void frmMsgBox::placeDefaultButton()
{
    const int d = m_request.defaultButton;
    if (d >= 1 && d < m_buttons.size()) {
        m_buttons.at(d)->setDefault(true);
        m_buttons.at(d)->setFocus(Qt::ActiveWindowFocusReason);
        m_buttons.at(d)->update();
    } else {
        // A number that names no button: no default, Enter presses nothing;
        // Esc, the mouse and the space bar on a focused button still work.
        for (ZelButton *b : m_buttons) {
            b->setDefault(false);
            b->setAutoDefault(false);
        }
    }
}

void frmMsgBox::cmdMessageButton_Click(int number)
{
    m_answer.choice = number;
    m_answer.dontShow = m_check && m_check->isVisible() && m_check->isChecked();
    done(number == 0 ? QDialog::Rejected : QDialog::Accepted);
}

void frmMsgBox::reject()
{
    // Esc, the close box or the system: no button, but the tick of "Don't
    // show this again" counts whatever closed the box.
    if (m_answer.choice == 0) {
        m_answer = MsgBoxAnswer{};
        m_answer.dontShow = m_check && !m_check->isHidden() && m_check->isChecked();
    }
    QDialog::reject();
}

MsgBoxAnswer frmMsgBox::Run(const MsgBoxRequest &request)
{
    frmMsgBox box(request, QApplication::activeWindow());
    if (!box.layout().fits) {
        desktop().systemMessageBox(QStringLiteral("Display issue"), DisplayIssueText());
        return {};
    }
    box.exec();
    return box.answer();
}
