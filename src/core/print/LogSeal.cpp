#include "core/print/LogSeal.h"

namespace
{

constexpr double kLeft = 1.0;
constexpr double kTop = 1.0;

} // namespace

PrintResult PrintLogSeal(PageSurface &surface, const QStringList &lines)
{
    PrintFont font = PrintoutFont();
    surface.setCurrentY(kTop);
    for (int i = 0; i < lines.size(); ++i) {
        font.bold = i == 0;
        surface.setFont(font);
        surface.setCurrentX(kLeft);
        surface.printLine(lines.at(i));
    }
    return surface.endDoc() ? PrintResult::Done : PrintResult::Failed;
}
