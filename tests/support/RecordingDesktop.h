// A desktop for helper processes: every message box is written to standard
// output as one line "MSGBOX|title|icon|text|buttons" (CR LF shown as
// "\n", buttons joined by ";") and answered with its default button.
#pragma once

#include "core/common/Desktop.h"

class RecordingDesktop : public Desktop
{
public:
    MsgBoxAnswer messageBox(const MsgBoxRequest &request) override;
    void systemMessageBox(const QString &title, const QString &text) override;
    std::optional<QString> inputBox(const QString &, const QString &, const QString &) override
    {
        return std::nullopt;
    }
    std::optional<QString> chooseFolder(const QString &, const QString &) override
    {
        return std::nullopt;
    }
    bool openUrl(const QUrl &) override { return false; }
    QDateTime now() override { return QDateTime::currentDateTime(); }
    QSize screenSize() override { return QSize(1920, 1080); }
    double logicalDpi() override { return 96.0; }
    void beep(Beep) override {}
    bool playSound(const QString &) override { return false; }
    std::unique_ptr<PageSurface> beginPrint(const QString &) override { return nullptr; }
};
