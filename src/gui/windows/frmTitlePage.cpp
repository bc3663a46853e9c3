#include "gui/windows/frmTitlePage.h"

#include "core/common/Desktop.h"
#include "core/common/Globals.h"
#include "core/common/Links.h"
#include "core/common/Settings.h"
#include "core/entries/EntryList.h"
#include "core/entries/Upgrade.h"
#include "core/rules/VersionCheck.h"
#include "core/users/Installation.h"
#include "gui/controls/ZelButton.h"
#include "gui/platform/Presenter.h"
#include "gui/platform/ShowMsgBox.h"
#include "gui/platform/WindowLook.h"
#include "gui/windows/OlderDataUpgrade.h"
#include "gui/windows/Quit.h"
#include "gui/windows/frmAdmin.h"
#include "gui/windows/frmSetup.h"

#include <QApplication>
#include <QCloseEvent>
#include <QCoreApplication>
#include <QLabel>
#include <QLinearGradient>
#include <QMouseEvent>
#include <QPainter>
#include <QPointer>
#include <QTimer>

namespace
{

constexpr double kWindowWidth = 8745;  // twips
constexpr double kWindowHeight = 5175; // twips
constexpr double kBandHeight = 2250;   // the dark band behind the title

QRect twipRect(double left, double top, double width, double height)
{
    return QRect(TwipsToPixels(left), TwipsToPixels(top), TwipsToPixels(width),
                 TwipsToPixels(height));
}

// The window's artwork: the program's paper texture, a deep blue band with
// a gold rule under it, and the shield with its star on the band.
QPixmap titleArtwork(QSize size)
{
    QPixmap art(size);
    QPainter p(&art);
    p.fillRect(QRect(QPoint(0, 0), size), QBrush(BackgroundTile()));
    p.setRenderHint(QPainter::Antialiasing);

    const int band = TwipsToPixels(kBandHeight) + 10; // the picture sits at (-10, -10)
    QLinearGradient sky(0, 0, size.width(), band);
    sky.setColorAt(0.0, QColor(16, 34, 66));
    sky.setColorAt(1.0, QColor(34, 66, 112));
    p.fillRect(QRect(0, 0, size.width(), band), sky);
    p.fillRect(QRect(0, band, size.width(), 3), QColor(196, 160, 72));
    p.fillRect(QRect(0, band + 3, size.width(), 1), QColor(120, 96, 40));

    // The shield.
    const QRectF shield(10 + TwipsToPixels(480), 10 + TwipsToPixels(330), TwipsToPixels(1110),
                        TwipsToPixels(1380));
    // The picture is 74 x 92 units with one unit around it for the outline.
    const double ux = shield.width() / 74, uy = shield.height() / 92;
    DrawSvgPicture(p, QStringLiteral(":/icons/title-shield.svg"),
                   shield.adjusted(-ux, -uy, ux, uy));

    // A fine rule above the contact line.
    const int rule = 10 + TwipsToPixels(4380);
    p.fillRect(QRect(10 + TwipsToPixels(450), rule, size.width() - 20 - TwipsToPixels(900), 1),
               QColor(200, 190, 170));
    p.end();
    return art;
}

QLabel *makeLabel(QWidget *parent, const QString &name, const QFont &font, const QString &colour)
{
    auto *label = new QLabel(parent);
    label->setObjectName(name);
    label->setFont(font);
    label->setStyleSheet(
        QStringLiteral("QLabel { color: %1; background: transparent; }").arg(colour));
    return label;
}

} // namespace

frmTitlePage::frmTitlePage(Store &store, Session &session, QWidget *parent)
    : QWidget(parent), m_store(store), m_session(session)
{
    // Form_Load.
    setObjectName(QStringLiteral("frmTitlePage"));
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowTitle(AppTitle + QStringLiteral(" - ") + QStringLiteral("Title Window"));
    setFixedSize(TwipsToPixels(kWindowWidth), TwipsToPixels(kWindowHeight));

    imgBackground = new QLabel(this);
    imgBackground->setObjectName(QStringLiteral("imgBackground"));
    imgBackground->setGeometry(-10, -10, width() + 20, height() + 20);
    imgBackground->setPixmap(titleArtwork(imgBackground->size()));
    imgBackground->setAccessibleName(QString());

    labelAppTitle =
        makeLabel(this, QStringLiteral("labelAppTitle"),
                  ProgramFont(QStringLiteral("Tahoma"), 30, true), QStringLiteral("#ffffff"));
    labelAppTitle->setGeometry(twipRect(1950, 300, 6450, 900));
    labelAppDescription =
        makeLabel(this, QStringLiteral("labelAppDescription"),
                  ProgramFont(QStringLiteral("Tahoma"), 11), QStringLiteral("#d3deee"));
    labelAppDescription->setGeometry(twipRect(1980, 1170, 6450, 360));
    labelVersion = makeLabel(this, QStringLiteral("labelVersion"),
                             ProgramFont(QStringLiteral("Verdana"), 8), QStringLiteral("#e4cf8e"));
    labelVersion->setGeometry(twipRect(1980, 1590, 6450, 300));

    const QFont contactFont = ProgramFont(QStringLiteral("Verdana"), 8);
    for (int i = 1; i <= 2; ++i) {
        QLabel *l = makeLabel(this, QStringLiteral("labelZelContact(%1)").arg(i), contactFont,
                              QStringLiteral("#1f4f8f"));
        QFont f = contactFont;
        f.setUnderline(true);
        l->setFont(f);
        l->setCursor(Qt::PointingHandCursor);
        l->installEventFilter(this);
        labelZelContact[i] = l;
    }
    labelZelContact[1]->setGeometry(twipRect(450, 4530, 3900, 300));
    labelZelContact[2]->setGeometry(twipRect(4400, 4530, 3895, 300));
    labelZelContact[2]->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    labelZelContact[1]->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);

    auto makeButton = [this](const QString &name, const QRect &rect, const QFont &font) {
        auto *b = new ZelButton(this);
        b->setObjectName(name);
        b->setFont(font);
        b->setProgramLook();
        b->setGeometry(rect);
        return b;
    };
    const QFont mainFont = ProgramFont(QStringLiteral("Verdana"), 9.75, true);
    const QFont infoFont = ProgramFont(QStringLiteral("Verdana"), 8, true);
    cmdVersionInfo =
        makeButton(QStringLiteral("cmdVersionInfo"), twipRect(450, 2730, 4350, 480), infoFont);
    cmdWindowsNotice =
        makeButton(QStringLiteral("cmdWindowsNotice"), twipRect(450, 3390, 4350, 480), infoFont);
    cmdSignIn = makeButton(QStringLiteral("cmdSignIn"), twipRect(5100, 2700, 3195, 570), mainFont);
    cmdQuit = makeButton(QStringLiteral("cmdQuit"), twipRect(5100, 3360, 3195, 570), mainFont);

    // Design captions; Form_Activate fills in the rest.
    cmdSignIn->setText(QStringLiteral("&Continue"));
    cmdSignIn->setToolTip(QStringLiteral(" Continue to the Administrative Window "));
    cmdSignIn->setDefault(true);
    cmdQuit->setText(QStringLiteral("Exit ") + AppTitle);
    const ButtonText design = VersionButtonDesignText();
    cmdVersionInfo->setText(design.caption);
    cmdVersionInfo->setToolTip(design.toolTip);
    cmdWindowsNotice->setText(QStringLiteral("Windows 7 or Windows 8 user?"));
    cmdWindowsNotice->setToolTip(
        QStringLiteral(" Click here for important information (internet connection required) "));

    connect(cmdSignIn, &QPushButton::clicked, this, &frmTitlePage::cmdSignIn_Click);
    connect(cmdQuit, &QPushButton::clicked, this, &frmTitlePage::cmdQuit_Click);
    connect(cmdVersionInfo, &QPushButton::clicked, this, &frmTitlePage::cmdVersionInfo_Click);
    connect(cmdWindowsNotice, &QPushButton::clicked, this, &frmTitlePage::cmdWindowsNotice_Click);

    setTabOrder(cmdSignIn, cmdQuit);
    setTabOrder(cmdQuit, cmdVersionInfo);
    setTabOrder(cmdVersionInfo, cmdWindowsNotice);

    timerFlashButton = new QTimer(this);
    timerFlashButton->setObjectName(QStringLiteral("timerFlashButton"));
    connect(timerFlashButton, &QTimer::timeout, this, &frmTitlePage::timerFlashButton_Timer);

    GetURLtext = new VersionCheck(this);
    GetURLtext->setObjectName(QStringLiteral("GetURLtext"));
    connect(GetURLtext, &VersionCheck::finished, this, &frmTitlePage::versionAnswered);
}

frmTitlePage::~frmTitlePage() = default;

void frmTitlePage::showEvent(QShowEvent *event)
{
    QWidget::showEvent(event);
    Form_Activate();
}

namespace
{
constexpr int WarmUpDelayMs = 150;
}

void frmTitlePage::Form_Activate()
{
    if (m_activatedOnce)
        return;
    m_activatedOnce = true;

    labelAppTitle->setText(AppTitle + QStringLiteral(" "));
    labelAppDescription->setText(AppDescription);
    labelVersion->setText(VersionText(RunningVersion()));
    labelZelContact[1]->setText(VendorMail);
    labelZelContact[1]->setToolTip(QStringLiteral(" Write to ") + VendorMail + QStringLiteral(" "));
    labelZelContact[2]->setText(VendorWebSite);
    labelZelContact[2]->setToolTip(QStringLiteral(" Visit ") + VendorWebSite + QStringLiteral(" "));

    // While the person reads this window and signs in, the list of entries
    // is read in the background for the main window.
    m_store.readListAhead();
    // And the main window's look is made once, unseen, once this window
    // stands painted.
    QTimer::singleShot(WarmUpDelayMs, this, [this] { WarmUpMainWindow(m_store, m_session); });

    // The version check runs in the background: until (unless) it finds a
    // newer version, "&Continue" is the button to press next.
    m_site = NormalizedSiteAddress(m_store.updateAddress());
    startPulse(cmdSignIn, PulseDelayContinue);
    if (!GetURLtext->start(m_site)) {
        m_versionOutcome = VersionOutcome::NotAsked;
        emit versionChecked(m_versionOutcome);
    }
}

void frmTitlePage::versionAnswered(bool ok, const QByteArray &body)
{
    m_versionOutcome = JudgeVersionAnswer(ok, body, RunningVersion());
    const ButtonText text = VersionButtonText(m_versionOutcome);
    cmdVersionInfo->setText(text.caption);
    cmdVersionInfo->setToolTip(text.toolTip);
    if (m_versionOutcome == VersionOutcome::Newer) {
        UpdateAvailable = true;
        // The news is what to look at next, unless the person has moved on.
        if (!m_signingIn && !m_handingOver)
            startPulse(cmdVersionInfo, PulseDelayUpdate);
    }
    emit versionChecked(m_versionOutcome);
}

void frmTitlePage::startPulse(ZelButton *button, int firstDelay)
{
    stopPulse();
    FlashingButton = button;
    m_savedBack = button->BackColor();
    m_savedFore = button->ForeColor();
    Flash = ButtonPulse();
    timerFlashButton->start(firstDelay);
}

void frmTitlePage::stopPulse()
{
    timerFlashButton->stop();
    if (FlashingButton) {
        FlashingButton->setBackColor(m_savedBack);
        FlashingButton->setForeColor(m_savedFore);
    }
    FlashingButton = nullptr;
}

void frmTitlePage::timerFlashButton_Timer()
{
    if (timerFlashButton->interval() > PulseInterval)
        timerFlashButton->setInterval(PulseInterval);
    if (!FlashingButton)
        return;
    Flash.tick();
    const PulseColorPair colours = PulseColorsFor(FlashingButton->BackOver(), Flash);
    FlashingButton->setBackColor(colours.back);
    FlashingButton->setForeColor(colours.fore);
}

void frmTitlePage::cmdSignIn_Click()
{
    if (m_signingIn || m_handingOver)
        return;
    m_signingIn = true;
    QPointer<frmTitlePage> self(this);

    // 1. The new-user overview, until someone asks not to see it again.
    if (!NewUserOverviewSuppressed()) {
        if (ShowMsgBox(NewUserOverviewTitle(), 5, NewUserOverviewMessage(), 1, true,
                       {NewUserOverviewButton()})
                .dontShow)
            SuppressNewUserOverview();
    }
    if (!self || ProgramEnding)
        return;

    // 2. The screen check: a warning, never a stop.
    const QSize screen = desktop().screenSize();
    if (ScreenNeedsWarning(screen.width(), screen.height())) {
        ShowMsgBox(ScreenWarningTitle(), 5, ScreenWarningText(screen.width(), screen.height()), 1,
                   false, {ScreenWarningButton()});
    }
    if (!self || ProgramEnding)
        return;

    // 3. The upgrade of a data file an older release wrote.
    QCoreApplication::processEvents();
    if (!self || ProgramEnding)
        return;
    const UpgradeResult upgrade = UpgradeOlderDataFile(
        data(), [self](const std::function<void()> &work) { RunBusy(self, work); });
    if (upgrade == UpgradeResult::Quit) {
        // The files are as they were, and stay so: the program ends without
        // a question and without its clean-up.
        QuitProgram(data(), true, true);
        return;
    }
    if (!self || ProgramEnding)
        return;

    // The administrative window needs the installation's agency name and
    // access code; a data folder without them is set up first. Cancelled:
    // the title window stays, as before the press.
    if (!EnsureInstallationConfigured(m_store, this)) {
        if (self)
            m_signingIn = false;
        return;
    }
    if (!self || ProgramEnding)
        return;

    // 4. Stop pulsing.
    QCoreApplication::processEvents();
    if (!self || ProgramEnding)
        return;
    stopPulse();
    GetURLtext->abort();
    QCoreApplication::processEvents();
    if (!self || ProgramEnding)
        return;

    // 5. The title window closes for good; the instance is released once
    // the next window is up.
    m_handingOver = true;
    setAttribute(Qt::WA_DeleteOnClose, false);
    close();

    // 6. Sign-in in the administrative window.
    ShowAdminWindow(m_store, m_session);
    deleteLater();
}

void frmTitlePage::cmdQuit_Click()
{
    QuitProgram(data(), true);
}

void frmTitlePage::cmdVersionInfo_Click()
{
    Tell(OpenLink(2, VersionInfoDocument(m_site)));
}

void frmTitlePage::cmdWindowsNotice_Click()
{
    Tell(OpenLink(2, WindowsNoticeDocument(m_site)));
}

void frmTitlePage::labelZelContact_Click(int index)
{
    Tell(OpenLink(index, QString()));
}

bool frmTitlePage::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() == QEvent::MouseButtonRelease) {
        auto *mouse = static_cast<QMouseEvent *>(event);
        for (int i = 1; i <= 2; ++i) {
            if (watched == labelZelContact[i] && mouse->button() == Qt::LeftButton &&
                labelZelContact[i]->rect().contains(mouse->position().toPoint())) {
                labelZelContact_Click(i);
                return true;
            }
        }
    }
    return QWidget::eventFilter(watched, event);
}

void frmTitlePage::closeEvent(QCloseEvent *event)
{
    if (!ProgramEnding && !m_handingOver) {
        // Closed by the person (close box, system menu): the same as Exit.
        event->ignore();
        cmdQuit_Click();
        return;
    }
    // Closed by the program: the pulse stops first.
    stopPulse();
    GetURLtext->abort();
    event->accept();
}
