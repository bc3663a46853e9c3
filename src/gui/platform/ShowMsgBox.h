// The message box service: every question and notice of the program goes
// to the installed desktop from here.
#pragma once

#include "core/common/MsgBox.h"

// Shows the message box and returns the person's answer: the number of
// the button pressed (0 when it was closed without one or could not be
// shown) and whether "Don't show this again" was ticked.
MsgBoxAnswer ShowMsgBox(const QString &title, int icon, const QString &text, int defaultButton,
                        bool offerDontShow, const QStringList &buttons);
MsgBoxAnswer ShowMsgBox(const MsgBoxRequest &request);
