// The spreadsheet export of a full list (32,767 entries, in the order of
// their received dates as the list shows them) against a plain read of the
// data file: reading, the identity check of every row, the lines and the
// file written and renamed into place (a new file each time, as the
// program names each export by its time).
#include "BenchSupport.h"
#include "FakeDesktop.h"
#include "SampleData.h"
#include "core/common/Globals.h"
#include "core/entries/DataFile.h"
#include "core/entries/SpreadsheetExport.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <algorithm>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <unistd.h>
#include <vector>

namespace
{

constexpr int Entries = 32767;
constexpr int Runs = 11;
constexpr double RatioTarget = 3.0;

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    TestEnvironment env;
    if (!SampleData::WriteDataFile(env.path(DataFileName), Entries, 1)) {
        std::fprintf(stderr, "could not write the sample data file\n");
        return 1;
    }

    // The list: every entry, ordered by received date.
    struct Listed {
        double received;
        ListedEntry row;
    };
    std::vector<Listed> listed;
    {
        DataFile file(env.data);
        if (!file.open(DataFile::ForReading))
            return 1;
        file.forEachRaw([&](int n, const char *record) {
            double control, received;
            std::memcpy(&control, record + EntryLayout::ControlNumber, 8);
            std::memcpy(&received, record + EntryLayout::ReceivedDate, 8);
            listed.push_back({received, {n, control}});
            return true;
        });
    }
    std::stable_sort(listed.begin(), listed.end(),
                     [](const Listed &a, const Listed &b) { return a.received < b.received; });
    std::vector<ListedEntry> rows;
    for (const Listed &l : listed)
        rows.push_back(l.row);

    // Each export gets a file of its own, named by its time as the program
    // names it; the one before is removed untimed.
    auto pathOfRound = [&](int round) {
        return env.path(
            ExportFileName(QDateTime(QDate(2026, 3, 4), QTime(14, 5, 9)).addSecs(round)));
    };
    QString path = pathOfRound(0);
    double cpu = 0;
    rawRead(env.data, &cpu); // warm the cache
    WriteSpreadsheetFile(env.data, path, rows);

    // Each round reads the file plainly twice and then exports; the export
    // is held against the faster of its round's two reads.
    std::vector<double> raw, exported, ratio, rawCpu, exportedCpu, cpuRatio;
    int written = 0;
    for (int i = 0; i < Runs; ++i) {
        double ca = 0, cb = 0;
        const double a = rawRead(env.data, &ca), b = rawRead(env.data, &cb);
        raw.push_back(std::min(a, b));
        rawCpu.push_back(std::min(ca, cb));
        QFile::remove(path);
        ::sync();
        path = pathOfRound(i + 1);
        QElapsedTimer t;
        t.start();
        const double c0 = cpuMs();
        const ExportOutcome out = WriteSpreadsheetFile(env.data, path, rows);
        exported.push_back(ms(t));
        exportedCpu.push_back(cpuMs() - c0);
        ratio.push_back(exported.back() / raw.back());
        cpuRatio.push_back(exportedCpu.back() / rawCpu.back());
        written = out.written;
        if (out.status != ExportOutcome::Written || out.leftOut != 0) {
            std::fprintf(stderr, "export failed: %s\n", qPrintable(out.reason));
            return 1;
        }
    }
    std::printf("plain read of %d records: median of %d rounds %.1f ms (the faster of two "
                "reads in a row); processor time %.1f ms\n",
                Entries, Runs, median(raw), median(rawCpu));
    std::printf("spreadsheet export of %d listed entries (%lld bytes): median of %d rounds\n",
                written, QFile(path).size(), Runs);
    judge("spreadsheet export, wall time", median(exported), "ms", median(ratio), RatioTarget);
    judge("spreadsheet export, processor time", median(exportedCpu), "ms", median(cpuRatio),
          RatioTarget);
    return 0;
}
