#include "gui/platform/GuiDesktop.h"

#include "gui/platform/PrinterSurface.h"
#include "gui/platform/frmMsgBox.h"

#include <QApplication>
#include <QClipboard>
#include <QDesktopServices>
#include <QFileDialog>
#include <QFileInfo>
#include <QInputDialog>
#include <QMessageBox>
#include <QProcess>
#include <QScreen>
#include <QSoundEffect>
#include <QThread>

GuiDesktop::GuiDesktop() = default;

GuiDesktop::~GuiDesktop() = default;

MsgBoxAnswer GuiDesktop::messageBox(const MsgBoxRequest &request)
{
    // A question from work running off the GUI thread is shown by the GUI
    // thread, and the work waits for the answer.
    if (QThread::currentThread() != QCoreApplication::instance()->thread()) {
        MsgBoxAnswer answer;
        QMetaObject::invokeMethod(
            QCoreApplication::instance(), [&] { answer = frmMsgBox::Run(request); },
            Qt::BlockingQueuedConnection);
        return answer;
    }
    return frmMsgBox::Run(request);
}

void GuiDesktop::systemMessageBox(const QString &title, const QString &text)
{
    QMessageBox::critical(QApplication::activeWindow(), title,
                          QString(text).replace(QLatin1String("\r\n"), QLatin1String("\n")));
}

std::optional<QString> GuiDesktop::inputBox(const QString &title, const QString &prompt,
                                            const QString &defaultText)
{
    bool ok = false;
    const QString text = QInputDialog::getText(QApplication::activeWindow(), title, prompt,
                                               QLineEdit::Normal, defaultText, &ok);
    if (!ok)
        return std::nullopt;
    return text;
}

std::optional<QString> GuiDesktop::chooseFolder(const QString &title, const QString &startFolder)
{
    const QString dir =
        QFileDialog::getExistingDirectory(QApplication::activeWindow(), title, startFolder);
    if (dir.isEmpty())
        return std::nullopt;
    return dir;
}

bool GuiDesktop::openUrl(const QUrl &url)
{
    return QDesktopServices::openUrl(url);
}

std::optional<bool> GuiDesktop::hasMailProgram()
{
    // Without a handler xdg-open passes a "mailto:" link to whatever web
    // browser it finds, a text one in the background included, and says
    // nothing: ask first which program the desktop names.
    QProcess query;
    query.start(QStringLiteral("xdg-mime"), {QStringLiteral("query"), QStringLiteral("default"),
                                             QStringLiteral("x-scheme-handler/mailto")});
    if (!query.waitForStarted(3000))
        return std::nullopt;
    if (!query.waitForFinished(5000)) {
        query.kill();
        query.waitForFinished(1000);
        return std::nullopt;
    }
    if (query.exitStatus() != QProcess::NormalExit || query.exitCode() != 0)
        return std::nullopt;
    return !query.readAllStandardOutput().trimmed().isEmpty();
}

void GuiDesktop::copyToClipboard(const QString &text)
{
    QGuiApplication::clipboard()->setText(text);
}

QDateTime GuiDesktop::now()
{
    return QDateTime::currentDateTime();
}

QSize GuiDesktop::screenSize()
{
    const QScreen *screen = QGuiApplication::primaryScreen();
    return screen ? screen->size() : QSize(1024, 768);
}

double GuiDesktop::logicalDpi()
{
    const QScreen *screen = QGuiApplication::primaryScreen();
    return screen ? screen->logicalDotsPerInch() : 96.0;
}

void GuiDesktop::beep(Beep)
{
    QApplication::beep();
}

bool GuiDesktop::playSound(const QString &file)
{
    stopSound();
    if (!QFileInfo(file).isFile())
        return false;
    // Without a sound device the effect plays nothing; it reports that on
    // its status only, which nobody is told.
    m_sound = std::make_unique<QSoundEffect>();
    m_sound->setSource(QUrl::fromLocalFile(QFileInfo(file).absoluteFilePath()));
    m_sound->play();
    return true;
}

void GuiDesktop::stopSound()
{
    if (!m_sound)
        return;
    m_sound->stop();
    m_sound.reset();
}

std::unique_ptr<PageSurface> GuiDesktop::beginPrint(const QString &title, const PaperSize &paper)
{
    return PrinterSurface::forDefaultPrinter(title, paper);
}

std::unique_ptr<PageSurface> GuiDesktop::beginPdf(const QString &title, const QString &file,
                                                  const PaperSize &paper)
{
    return PrinterSurface::forPdf(title, file, paper);
}
