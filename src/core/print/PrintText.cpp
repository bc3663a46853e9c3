#include "core/print/PrintText.h"

namespace
{

constexpr double PageTop = 1.0; // first line of a page
constexpr double PageEnd = 8.8; // a long text breaks the page once past this
constexpr double PageNumberX = 6.0;
constexpr double PageNumberY = 9.2;
constexpr double TextMargin = 1.0;     // where text resumes after a title
constexpr double MayBreakBefore = 1.0; // a line may break this far before the right edge
constexpr double MustBreakAfter = 0.5; // and must break this far past it

bool isBreak(QChar c)
{
    return c == QLatin1Char('\r') || c == QLatin1Char('\n');
}

} // namespace

PrintFont PrintoutFont()
{
    PrintFont font;
    font.name = QStringLiteral("Arial");
    font.size = 9;
    font.bold = false;
    font.italic = false;
    font.underline = false;
    return font;
}

void PrintRule(PageSurface &surface, float start, float end)
{
    surface.setCurrentX(start);
    const QString underscore = QStringLiteral("_");
    const double step = surface.textWidth(underscore);
    // As many underscores as printing them one by one would take; drawn as
    // one text, which is far quicker on a real page.
    int count = 0;
    if (step > 0) {
        double x = start;
        while (x < end) {
            x += step;
            ++count;
        }
    }
    if (count > 0)
        surface.printText(QString(count, QLatin1Char('_')));
    surface.printLine(QString());
}

PrintResult PrintLongText(PageSurface &surface, const QString &text, const QString &title,
                          bool underlineTitle, bool centreTitle, bool titleOnEveryPage,
                          bool keepDocumentOpen, float leftEdge, float rightEdge)
{
    int page = 0;
    bool firstLineOfPage = true;
    const int length = int(text.size());
    for (int i = 0; i < length; ++i) {
        if (surface.currentY() < PageTop)
            surface.setCurrentY(PageTop);
        if (surface.currentX() < leftEdge)
            surface.setCurrentX(leftEdge);

        if (firstLineOfPage) {
            firstLineOfPage = false;
            ++page;
            if (!title.isEmpty() && (titleOnEveryPage || page == 1)) {
                PrintFont font = surface.font();
                font.underline = underlineTitle;
                surface.setFont(font);
                if (centreTitle)
                    surface.setCurrentX(surface.pageWidth() / 2 - surface.textWidth(title) / 2);
                surface.printLine(title);
                font.underline = false;
                surface.setFont(font);
                surface.printLine(QString());
                surface.setCurrentX(TextMargin);
            }
        }

        const QChar c = text.at(i);
        bool blank = false;
        if (isBreak(c)) {
            // CR LF is one break; so is a CR or LF standing alone.
            if (c == QLatin1Char('\r') && i + 1 < length && text.at(i + 1) == QLatin1Char('\n'))
                ++i;
            surface.printLine(QString());
        } else if (c.isHighSurrogate() && i + 1 < length && text.at(i + 1).isLowSurrogate()) {
            surface.printText(text.mid(i, 2));
            ++i;
        } else {
            surface.printText(QString(c));
            blank = c == QLatin1Char(' ');
        }

        const double x = surface.currentX();
        if (x > rightEdge - MayBreakBefore && (blank || x > rightEdge + MustBreakAfter))
            surface.printLine(QString());

        const bool last = i >= length - 1;
        if ((surface.currentY() > PageEnd && !last) || last) {
            if (page > 1) {
                surface.printLine(QString());
                surface.setCurrentX(PageNumberX);
                surface.setCurrentY(PageNumberY);
                surface.printLine(QStringLiteral("(page %1)").arg(page));
            }
            if (!last) {
                surface.newPage();
                if (surface.cancelled())
                    return PrintResult::Cancelled;
                firstLineOfPage = true;
            }
        }
    }
    if (!keepDocumentOpen && !surface.endDoc())
        return PrintResult::Failed;
    return PrintResult::Done;
}
