// Printing the longest list there can be: the 32,767 entries of a full data
// file laid out and rendered as the printed list into a PDF file by the real
// page surface (the same pages a print queue gets). Reports the time, the
// pages and the peak memory of the process, and the memory the list itself
// takes before printing, so that what printing adds can be seen: pages are
// streamed to the file, not held.
#include "SampleData.h"

#include "core/common/Formats.h"
#include "core/common/Globals.h"
#include "core/print/PrintedList.h"
#include "core/rules/GridTable.h"
#include "gui/platform/PrinterSurface.h"

#include "BenchSupport.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QTemporaryDir>
#include <cstdio>
#include <sys/resource.h>

namespace
{

constexpr int Entries = 32767;
constexpr double TargetSeconds = 15;
constexpr double TargetMegabytes = 150;

// The grid's four shown columns, as the main window fills them.
GridTable fullList()
{
    GridTable t;
    t.setFormatString(QStringLiteral(
        "<Date Rec'd|<Case #|<Category|<Description|<Rec# (hidden)|<SortCol (hidden)"));
    std::vector<QString> cells;
    cells.reserve(size_t(Entries) * 6);
    for (int i = 0; i < Entries; ++i) {
        const EntryRecord e = SampleData::MakeEntry(2026, i);
        cells.push_back(OleDateText(e.ReceivedDate));
        cells.push_back(e.CaseNumber.trimmed());
        cells.push_back(e.Category.trimmed());
        cells.push_back(e.Description.trimmed());
        cells.push_back(QString::number(i + 1));
        cells.push_back(QString());
    }
    t.setRows(1);
    t.setRowTexts(1, std::move(cells));
    return t;
}

} // namespace

int main(int argc, char **argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const QString agencyName = QStringLiteral("Springfield Police Department");
    const GridTable table = fullList();
    const double listMegabytes = peakMegabytes();

    QTemporaryDir dir;
    const QString pdf = dir.filePath(QStringLiteral("list.pdf"));
    QElapsedTimer clock;
    clock.start();
    std::unique_ptr<PrinterSurface> surface =
        PrinterSurface::forPdf(QStringLiteral("Custorin List"), pdf);
    if (!surface) {
        std::printf("print: the PDF could not be started\n");
        return 1;
    }
    surface->setFont(PrintoutFont());
    const int expected = ListPageCount(Entries, surface->textHeight(QStringLiteral("X")));
    surface->expectPages(expected);
    const PrintResult result = PrintList(
        *surface, table, QStringLiteral(" All Current Entries (32767)  Total Value: $1.00"),
        agencyName, QDateTime::currentDateTime());
    const bool ended = result == PrintResult::Done && surface->endDoc();
    const double seconds = clock.nsecsElapsed() / 1e9;
    const double peak = peakMegabytes();

    std::printf("print: %d entries, %d pages, %.1f MB file\n", Entries, expected,
                QFileInfo(pdf).size() / 1048576.0);
    std::printf("print: laid out and rendered to PDF in %.2f s (target %.0f s)\n", seconds,
                TargetSeconds);
    std::printf("print: peak memory %.0f MB (target %.0f MB), of which the list %.0f MB\n", peak,
                TargetMegabytes, listMegabytes);
    if (!ended) {
        std::printf("print: FAILED, the document did not end\n");
        return 1;
    }
    judge("list printed to PDF", seconds, "s", -1, TargetSeconds);
    judge("list printed, peak memory", peak, "MB", -1, TargetMegabytes);
    return 0;
}
