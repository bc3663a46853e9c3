#include "core/print/InventoryReport.h"

#include "core/common/Globals.h"
#include "core/print/PrintJob.h"

namespace
{

constexpr double Left = 0.5;
constexpr double Top = 0.8;
constexpr double PageFull = 9.6;
constexpr float RuleEnd = 7.6f;
constexpr double ColumnX[6] = {0.5, 1.65, 2.55, 4.5, 6.05, 7.6};
constexpr double ColumnGap = 0.1;

class ReportPages
{
public:
    ReportPages(PageSurface &surface, const QString &id) : m_s(surface), m_id(id) {}

    // Starts a page when none is started, or a new one when this page is
    // full; false once the person cancelled.
    bool room(const std::function<void()> &heading = nullptr)
    {
        if (m_page > 0 && m_s.currentY() < PageFull)
            return true;
        if (m_page > 0) {
            m_s.newPage();
            if (m_s.cancelled())
                return false;
        }
        ++m_page;
        m_s.setCurrentY(Top);
        m_s.setCurrentX(Left);
        m_s.printLine(AppTitle + QStringLiteral(" Inventory ") + m_id +
                      QStringLiteral(" -- Page ") + QString::number(m_page));
        PrintRule(m_s, float(Left), RuleEnd);
        if (heading && m_page > 1)
            heading();
        return true;
    }

    void line(const QString &text, double x = Left)
    {
        m_s.setCurrentX(x);
        m_s.printLine(FitWithEllipsis(m_s, text, RuleEnd - x));
    }

    // The first column holds the program's own control numbers, which
    // always fit; the typed texts are cut where they would reach the next.
    void row(const QStringList &cells)
    {
        m_s.setCurrentX(ColumnX[0]);
        m_s.printText(cells.value(0));
        for (int c = 1; c < 5; ++c) {
            m_s.setCurrentX(ColumnX[c]);
            const double width = ColumnX[c + 1] - ColumnX[c] - (c < 4 ? ColumnGap : 0);
            m_s.printText(FitWithEllipsis(m_s, cells.value(c), width));
        }
        m_s.printLine(QString());
    }

    PageSurface &m_s;

private:
    QString m_id;
    int m_page = 0;
};

} // namespace

PrintResult DrawInventoryReport(PageSurface &surface, const InventoryReport &report)
{
    surface.setFont(PrintoutFont());
    ReportPages pages(surface, report.id);
    const QStringList facts = {
        QStringLiteral("Scope: ") + report.scope,
        QStringLiteral("Seed: ") + (report.seed.isEmpty() ? QStringLiteral("none") : report.seed),
        QStringLiteral("Started: ") + report.started,
        QStringLiteral("Closed: ") + (report.closed.isEmpty()
                                          ? QStringLiteral("not yet (the report so far)")
                                          : report.closed),
        QStringLiteral("Scanned by: ") + (report.scannedBy.isEmpty()
                                              ? QStringLiteral("nobody yet")
                                              : report.scannedBy.join(QStringLiteral("; ")))};
    if (!pages.room())
        return PrintResult::Cancelled;
    for (const QString &fact : facts)
        pages.line(fact);
    pages.line(QString());
    for (int c = 0; c < ScanClassCount; ++c) {
        surface.setCurrentX(Left + 0.2);
        surface.printText(ScanClassName(ScanClass(c)));
        surface.setCurrentX(3.2);
        surface.printLine(QString::number(report.counts[c]));
    }
    for (int c = 0; c < ScanClassCount; ++c) {
        if (report.rows[c].empty())
            continue;
        const QString title = ScanClassName(ScanClass(c));
        const auto heading = [&]() {
            pages.line(title + QStringLiteral(" (continued)"));
            pages.row({QStringLiteral("Control #"), QStringLiteral("Case #"),
                       QStringLiteral("Description"), QStringLiteral("Recorded shelf"),
                       QStringLiteral("Scanned shelf")});
        };
        // A class's heading never stands alone at the foot of a page.
        if (surface.currentY() > PageFull - 4 * surface.textHeight(QStringLiteral("X")))
            surface.setCurrentY(PageFull);
        if (!pages.room())
            return PrintResult::Cancelled;
        pages.line(QString());
        pages.line(title + QStringLiteral(" (") + QString::number(report.counts[c]) +
                   QStringLiteral(")"));
        pages.row({QStringLiteral("Control #"), QStringLiteral("Case #"),
                   QStringLiteral("Description"), QStringLiteral("Recorded shelf"),
                   QStringLiteral("Scanned shelf")});
        for (const InventoryReportRow &row : report.rows[c]) {
            if (!pages.room(heading))
                return PrintResult::Cancelled;
            pages.row(
                {row.code, row.caseNumber, row.description, row.recordedShelf, row.scannedShelf});
            if (!row.note.isEmpty()) {
                if (!pages.room(heading))
                    return PrintResult::Cancelled;
                pages.line(QStringLiteral("Note: ") + row.note, ColumnX[1]);
            }
        }
    }
    if (!pages.room())
        return PrintResult::Cancelled;
    PrintRule(surface, float(Left), RuleEnd);
    pages.line(QStringLiteral("End of Printout"));
    return PrintResult::Done;
}

PrintResult PrintInventoryReport(const InventoryReport &report, const PrintAsk &ask)
{
    PrintSession session(QStringLiteral("this inventory report"), desktop().now(), ask);
    const PrintResult result =
        session.print(AppTitle + QStringLiteral(" Inventory ") + report.id,
                      [&](PageSurface &surface) { return DrawInventoryReport(surface, report); });
    session.finish();
    return result;
}
