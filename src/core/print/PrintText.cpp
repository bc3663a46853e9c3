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

constexpr double Slack = 1e-9; // measured widths are sums of doubles

bool isBreak(QChar c)
{
    return c == QLatin1Char('\r') || c == QLatin1Char('\n');
}

bool fits(const PageSurface &surface, const QString &text, double width)
{
    return surface.textWidth(text) <= width + Slack;
}

// Where the character or surrogate pair at i ends.
qsizetype nextChar(const QString &text, qsizetype i)
{
    if (text.at(i).isHighSurrogate() && i + 1 < text.size() && text.at(i + 1).isLowSurrogate())
        return i + 2;
    return i + 1;
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
                          bool keepDocumentOpen, float leftEdge, float rightEdge,
                          const std::function<void()> &pageHeading)
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
            if (page > 1 && pageHeading) {
                surface.setCurrentY(PageTop);
                pageHeading();
                surface.setCurrentX(leftEdge);
            }
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
        if (!isBreak(c) && surface.currentX() > leftEdge &&
            !fits(surface, text.mid(i, nextChar(text, i) - i),
                  surface.pageWidth() - surface.currentX())) {
            // The paper ends before the character would: it goes on the
            // next line rather than off the page.
            surface.printLine(QString());
            surface.setCurrentX(leftEdge);
        }
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

QString FitWithEllipsis(const PageSurface &surface, const QString &text, double width)
{
    if (fits(surface, text, width))
        return text;
    const QString ellipsis(QChar(0x2026));
    // The first n characters, a surrogate pair kept whole, blanks at the end
    // dropped.
    const auto start = [&text](qsizetype n) {
        if (n > 0 && text.at(n - 1).isHighSurrogate())
            --n;
        QString kept = text.left(n);
        while (kept.endsWith(QLatin1Char(' ')))
            kept.chop(1);
        return kept;
    };
    // A longer start is never narrower: the longest that fits is found by
    // halving (a list of thousands of rows measures each cut cell a few
    // times, not once a character).
    qsizetype fitting = 0, tooLong = text.size();
    while (tooLong - fitting > 1) {
        const qsizetype mid = (fitting + tooLong) / 2;
        if (fits(surface, start(mid) + ellipsis, width))
            fitting = mid;
        else
            tooLong = mid;
    }
    return start(fitting) + ellipsis;
}

QStringList WrapToWidth(const PageSurface &surface, const QString &text, double width)
{
    QString unified = text;
    unified.replace(QLatin1String("\r\n"), QLatin1String("\n"));
    unified.replace(QLatin1Char('\r'), QLatin1Char('\n'));
    QStringList lines;
    for (QString rest : unified.split(QLatin1Char('\n'))) {
        while (!fits(surface, rest, width)) {
            // The longest start that fits, at least one character.
            qsizetype end = nextChar(rest, 0);
            for (qsizetype next = end; next < rest.size(); end = next) {
                next = nextChar(rest, next);
                if (!fits(surface, rest.left(next), width))
                    break;
            }
            const qsizetype blank = rest.lastIndexOf(QLatin1Char(' '), end);
            qsizetype cut = end, resume = end;
            if (blank > 0 && rest.left(blank).trimmed().size() > 0) {
                cut = blank;
                resume = blank + 1;
            }
            QString line = rest.left(cut);
            while (line.endsWith(QLatin1Char(' ')))
                line.chop(1);
            lines << line;
            rest = rest.mid(resume);
            while (rest.startsWith(QLatin1Char(' ')))
                rest.remove(0, 1);
        }
        lines << rest;
    }
    return lines;
}
