#include "gui/platform/GuiDesktop.h"

#include "gui/platform/PrinterSurface.h"
#include "gui/platform/frmMsgBox.h"

#include <QApplication>
#include <QDesktopServices>
#include <QFileDialog>
#include <QFileInfo>
#include <QInputDialog>
#include <QMessageBox>
#include <QScreen>
#include <QSoundEffect>

GuiDesktop::GuiDesktop() = default;

GuiDesktop::~GuiDesktop() = default;

MsgBoxAnswer GuiDesktop::messageBox(const MsgBoxRequest &request)
{
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
