#include "core/print/PrintedList.h"

#include "core/common/Formats.h"
#include "core/common/Globals.h"
#include "core/print/PrintJob.h"
#include "core/rules/GridTable.h"

#include <cmath>

namespace
{

constexpr double Left = 0.5;
constexpr double ColumnX[4] = {0.5, 1.3, 2.5, 3.8};
constexpr double Top = 1.0;
constexpr double PageFull = 8.8;
constexpr float RuleStart = 0.5f;
constexpr float RuleEnd = 7.6f;
constexpr int HeaderLines = 4;    // agency, title line, rule, headings with their rule
constexpr double ColumnGap = 0.1; // between a cut cell's "…" and the next column

// Where the list's lines end: the rules' end, or the paper's when narrower.
double rightEdge(const PageSurface &surface)
{
    return qMin(double(RuleEnd), surface.pageWidth());
}

// Prints the cells of a row, the typed texts each cut with "…" where it
// would reach the next column (the last: the right edge). The first column
// holds the program's own dates, which always fit.
void printRow(PageSurface &surface, const GridTable &table, int row)
{
    surface.setCurrentX(ColumnX[0]);
    surface.printText(table.cellText(row, 0));
    for (int c = 1; c < 4; ++c) {
        const double end = c < 3 ? ColumnX[c + 1] - ColumnGap : rightEdge(surface);
        surface.setCurrentX(ColumnX[c]);
        surface.printText(FitWithEllipsis(surface, table.cellText(row, c), end - ColumnX[c]));
    }
}

// The title line of a page: the caption shortened with "…" so that the
// date and the page number always fit.
QString titleLine(const PageSurface &surface, const QString &caption, const QString &stamp,
                  int page)
{
    const QString before = AppTitle + QStringLiteral("Printout -- ");
    const QString after = QStringLiteral(" -- ") + stamp + QStringLiteral(" -- ") +
                          QStringLiteral("Page ") + QString::number(page);
    const double room = rightEdge(surface) - Left - surface.textWidth(before + after);
    return before + FitWithEllipsis(surface, caption, room) + after;
}

} // namespace

int ListPageEstimate(int gridRows)
{
    // Half to even, as the estimate has always been rounded.
    const double pages = std::nearbyint(double(gridRows) / 48.0);
    return qMax(1, int(pages));
}

MsgBoxRequest PrintListQuestion(int gridRows)
{
    const QString text = QStringLiteral("Printing this list will require") +
                         QStringLiteral(" about ") + QString::number(ListPageEstimate(gridRows)) +
                         QStringLiteral(" page(s) to complete.") + CrLf + CrLf +
                         QStringLiteral("Are you ready to proceed?");
    return {
        QString(),
        MsgIcon::Question,
        text,
        MsgButton::Second,
        false,
        {QStringLiteral("&Yes, continue"), QStringLiteral("&No, don't print this list right now")}};
}

PrintResult PrintList(PageSurface &surface, const GridTable &table, const QString &headerCaption,
                      const QString &agencyName, const QDateTime &when)
{
    const int lastRow = table.Rows() - 1;
    const QString stamp = GeneralDate(ToOleDate(when));
    int page = 1;
    for (int r = 1; r <= lastRow; ++r) {
        if (surface.currentX() < 1.0)
            surface.setCurrentX(Left);
        if (surface.currentY() < Top) {
            surface.setCurrentY(Top);
            surface.printLine(agencyName);
            surface.setCurrentX(Left);
            surface.printLine(titleLine(surface, headerCaption, stamp, page));
            PrintRule(surface, RuleStart, RuleEnd);
            printRow(surface, table, 0);
            PrintRule(surface, RuleStart, RuleEnd);
        }
        printRow(surface, table, r);
        if (surface.currentY() >= PageFull || r == lastRow) {
            PrintRule(surface, RuleStart, RuleEnd);
            if (r != lastRow) {
                surface.newPage();
                ++page;
                if (surface.cancelled())
                    return PrintResult::Cancelled;
            } else {
                surface.setCurrentX(Left);
                surface.printLine(QStringLiteral("End of Printout"));
            }
        } else {
            surface.printLine(QString());
        }
    }
    return PrintResult::Done;
}

int ListPageCount(int dataRows, double lineHeight)
{
    if (dataRows <= 0 || lineHeight <= 0)
        return 0;
    // Rows fitting on a page: the row at the top of which y first reaches
    // the page end is the page's last.
    int perPage = 0;
    double y = Top;
    for (int k = 0; k < HeaderLines; ++k)
        y += lineHeight;
    for (;;) {
        ++perPage;
        if (y >= PageFull)
            break;
        y += lineHeight;
    }
    return (dataRows + perPage - 1) / perPage;
}

PrintResult PrintEntryList(const GridTable &table, const QString &headerCaption,
                           const QString &agencyName, const PrintAsk &ask)
{
    if (table.Rows() < 2)
        return PrintResult::Done;
    const QDateTime when = desktop().now();
    PrintSession session(QStringLiteral("this list"), when, ask);
    const PrintResult result =
        session.print(AppTitle + QStringLiteral(" List"), [&](PageSurface &surface) {
            surface.expectPages(
                ListPageCount(table.Rows() - 1, surface.textHeight(QStringLiteral("X"))));
            return PrintList(surface, table, headerCaption, agencyName, when);
        });
    session.finish();
    return result;
}
