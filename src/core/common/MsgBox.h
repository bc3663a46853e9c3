// The message boxes of the program as requests, and their layout; the
// windows show them (gui/platform).
#pragma once

#include "core/common/Desktop.h"

#include <QSizeF>
#include <QString>
#include <QStringList>
#include <QVector>
#include <functional>

// The request of a message box, for callers that prepare it before showing.
MsgBoxRequest MakeMsgBoxRequest(const QString &title, int icon, const QString &text,
                                int defaultButton, bool offerDontShow, const QStringList &buttons);

// Where everything of the message box window goes, in twips.
struct MsgBoxLayout {
    double labelLeft = 780, labelTop = 250, labelWidth = 0, labelHeight = 0;
    bool wordWrap = false;
    QVector<double> buttonLeft, buttonWidth; // buttons 1..n at index 0..n-1
    double buttonTop = 0, buttonHeight = 400;
    double rowTotal = 0; // T: the widths plus a 100-twip gap after each
    double windowWidth = 0, windowHeight = 0;
    bool fits = true; // false: "Display issue" instead
    double bandLeft = -20, bandTop = 0, bandWidth = 0, bandHeight = 0;
    double checkLeft = 100, checkTop = 0;
    double templateLeft = -500;
};

// Lays the window out. labelSize is the natural size of the message (with
// its trailing line break); wrappedHeight(width) gives the height of the
// message wrapped at that width; captionWidths are the widths of the
// padded captions in the window's font; screen is the screen size; all in
// twips.
MsgBoxLayout LayoutMsgBox(QSizeF labelSize, const std::function<double(double)> &wrappedHeight,
                          const QVector<double> &captionWidths, bool offerDontShow, QSizeF screen);

// The text of the "Display issue" box.
QString DisplayIssueText();
