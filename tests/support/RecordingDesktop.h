// A desktop for helper processes: every message box is written to standard
// output as one line "MSGBOX|title|icon|text|buttons" (CR LF shown as
// "\n", buttons joined by ";") and answered with its default button.
#pragma once

#include "core/common/Desktop.h"

class RecordingDesktop : public HeadlessDesktop
{
public:
    MsgBoxAnswer messageBox(const MsgBoxRequest &request) override;
    void systemMessageBox(const QString &title, const QString &text) override;
};
