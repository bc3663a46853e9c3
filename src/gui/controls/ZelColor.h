// Colour numbers (0xBBGGRR, or a system colour reference) to Qt colours and
// back. System colours come from the widget palette.
#pragma once

#include "core/common/ColorMath.h"

#include <QColor>
#include <QPalette>

// A plain RGB number as a QColor.
QColor ToQColor(OleColor colour);
// A QColor as a plain RGB number (alpha dropped).
OleColor FromQColor(const QColor &colour);
// Resolves a colour number: a system colour reference is looked up in the
// palette, anything else is taken as RGB. The result is a plain RGB number.
OleColor TranslateColor(OleColor colour, const QPalette &palette);
