// The real desktop: windows, the system's shell, clock, screen and printer.
#pragma once

#include "core/common/Desktop.h"

#include <memory>

class QSoundEffect;

class GuiDesktop : public Desktop
{
public:
    GuiDesktop();
    ~GuiDesktop() override;
    MsgBoxAnswer messageBox(const MsgBoxRequest &request) override;
    void systemMessageBox(const QString &title, const QString &text) override;
    std::optional<QString> inputBox(const QString &title, const QString &prompt,
                                    const QString &defaultText) override;
    std::optional<QString> chooseFolder(const QString &title, const QString &startFolder) override;
    bool openUrl(const QUrl &url) override;
    std::optional<bool> hasMailProgram() override;
    void copyToClipboard(const QString &text) override;
    QDateTime now() override;
    QSize screenSize() override;
    double logicalDpi() override;
    void beep(Beep kind) override;
    bool playSound(const QString &file) override;
    void stopSound() override;
    std::unique_ptr<PageSurface> beginPrint(const QString &title,
                                            const PaperSize &paper = {}) override;
    std::unique_ptr<PageSurface> beginPdf(const QString &title, const QString &file,
                                          const PaperSize &paper = {}) override;

private:
    std::unique_ptr<QSoundEffect> m_sound; // what playSound started
};
