// Drawing blocks the printouts share: the printouts' font, the rule of
// underscores and the word-wrapped long text.
#pragma once

#include "core/common/Desktop.h"

#include <QString>
#include <QStringList>
#include <functional>

// How a layout ended.
enum class PrintResult {
    Done,      // everything was drawn (and the document ended when asked)
    Cancelled, // the person cancelled the job; the caller abandons it
    Failed     // the document could not be ended (the printer refused it)
};

// The font of every printout: Arial, 9 points, not bold, not italic, not
// underlined.
PrintFont PrintoutFont();

// A rule: underscores one after another on the current line from x = start
// until the print position has reached or passed x = end; then the line
// ends.
void PrintRule(PageSurface &surface, float start, float end);

// Prints text character by character between leftEdge and rightEdge,
// breaking lines and pages:
// - CR LF ends the line (so CR LF CR LF leaves an empty line); a lone CR or
//   LF, which the card never stores, counts as one too;
// - past rightEdge - 1.0 a line ends after a blank, past rightEdge + 0.5 it
//   ends whatever the character (a long word is cut there);
// - once the print position is past 8.8 inches down, a new page starts;
//   pages 2 and later, and the last page of a text that needed more than
//   one, carry "(page N)" at (6.0, 9.2);
// - title, when not empty, heads the first page (every page when
//   titleOnEveryPage), underlined and centred when asked, followed by an
//   empty line; pageHeading, when given, draws the top of pages 2 and
//   later before the title;
// - a character that would reach past the page's printable width starts a
//   new line first, so nothing is drawn off the paper.
// The window the printout keeps busy is the caller's, which holds it busy
// for the whole printout. Unless keepDocumentOpen, the document ends here.
// Stops with Cancelled at the first new page after the person cancelled.
PrintResult PrintLongText(PageSurface &surface, const QString &text, const QString &title,
                          bool underlineTitle, bool centreTitle, bool titleOnEveryPage,
                          bool keepDocumentOpen, float leftEdge, float rightEdge,
                          const std::function<void()> &pageHeading = nullptr);

// The text as it fits in width: unchanged when it fits, else cut after as
// many characters as leave room for a closing "…" (blanks before it
// dropped).
QString FitWithEllipsis(const PageSurface &surface, const QString &text, double width);

// The text broken into lines no wider than width: after the last blank that
// fits (the blank dropped), inside a word wider than a whole line, and at
// each line break of the text. At least one line.
QStringList WrapToWidth(const PageSurface &surface, const QString &text, double width);
