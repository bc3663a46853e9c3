// The data file at its limit, 32,767 entries (164 MB): decoding every
// record against reading the bytes, compaction against copying the file,
// and one append. Medians of five runs (of fifteen rounds for decoding).
#include "BenchSupport.h"
#include "FakeDesktop.h"
#include "SampleData.h"
#include "core/common/Globals.h"
#include "core/entries/EntryStore.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <algorithm>
#include <cstdio>
#include <functional>
#include <unistd.h>

namespace
{

constexpr int kRuns = 5;
constexpr int kPairedRounds = 15;

double measureOnce(const std::function<void()> &body)
{
    QElapsedTimer t;
    t.start();
    body();
    return double(t.nsecsElapsed()) / 1e6;
}

// Median milliseconds of body; prepare runs untimed before each run.
double measure(const std::function<void()> &body, const std::function<void()> &prepare = {})
{
    QVector<double> times;
    for (int i = 0; i < kRuns; ++i) {
        if (prepare)
            prepare();
        QElapsedTimer t;
        t.start();
        body();
        times << double(t.nsecsElapsed()) / 1e6;
    }
    return median(times);
}

qint64 rawRead(const QString &path)
{
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return -1;
    QByteArray block(1 << 20, '\0');
    qint64 total = 0, got;
    unsigned sum = 0;
    while ((got = f.read(block.data(), block.size())) > 0) {
        total += got;
        sum += unsigned(block[0]);
    }
    return total + (sum & 0);
}

// A plain copy with the same block size and the same flush to disk as the
// compaction.
void copyFile(const QString &from, const QString &to)
{
    QFile in(from), out(to);
    if (!in.open(QIODevice::ReadOnly) || !out.open(QIODevice::WriteOnly | QIODevice::Truncate))
        return;
    QByteArray block(1000000, '\0');
    qint64 got;
    while ((got = in.read(block.data(), block.size())) > 0)
        out.write(block.constData(), got);
    out.flush();
    ::fsync(out.handle());
}

// Puts the full file back; its bytes go to the disk before the timed run,
// so that no run pays for the write-back of the one before.
void restore(const QString &original, const QString &data)
{
    QFile::remove(data);
    QFile::copy(original, data);
    ::sync();
}

void report(const char *what, double ms, const char *baseline, double baseMs, double target)
{
    const double ratio = ms / baseMs;
    std::printf("%-34s %9.1f ms   %-24s %9.1f ms   ratio %5.2f (target <= %.0f) %s\n", what, ms,
                baseline, baseMs, ratio, target, ratio <= target ? "ok" : "OVER");
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    TestEnvironment env; // a temporary data folder under /tmp
    env.desktop.setNow(QDateTime(QDate(2026, 12, 4), QTime(12, 0, 0)));
    CurrentUserName = QStringLiteral("Bench");
    const QString data = env.path(DataFileName);
    const QString original = env.path(QStringLiteral("original.bin"));

    QElapsedTimer setup;
    setup.start();
    if (!SampleData::WriteDataFile(original, MaxEntryCount, 1)) {
        std::fprintf(stderr, "bench_store: can not write %s\n", qPrintable(original));
        return 1;
    }
    restore(original, data);
    std::printf("%d sample entries, %lld bytes, written in %.1f s\n", MaxEntryCount,
                QFile(data).size(), double(setup.elapsed()) / 1000.0);
    rawRead(data); // warm the cache

    // Decoding and reading take turns, round by round (the faster of two
    // reads in a row), so that a machine whose speed drifts meets both
    // alike; the ratio is the median of the rounds' ratios.
    int archived = 0;
    QVector<double> decodes, raws, ratios;
    for (int i = 0; i < kPairedRounds; ++i) {
        const double a = measureOnce([&] { rawRead(data); });
        const double b = measureOnce([&] { rawRead(data); });
        raws << std::min(a, b);
        decodes << measureOnce([&] {
            archived = 0;
            ForEachEntry([&](int, const EntryRecord &e) {
                archived += e.isArchived();
                return true;
            });
        });
        ratios << decodes.back() / raws.back();
    }
    std::printf("%-34s %9.1f ms   %-24s %9.1f ms   ratio %5.2f (target <= 3) %s\n",
                "decode every record", median(decodes), "raw sequential read", median(raws),
                median(ratios), median(ratios) <= 3 ? "ok" : "OVER");

    const double compaction = measure(
        [&] {
            DataFile file;
            file.open(DataFile::ForReading);
            const EntryIdentity id = EntryIdentity::of(file.read(1));
            file.close();
            if (DeleteEntry(1, id) != StoreResult::Ok)
                std::fprintf(stderr, "bench_store: deletion failed\n");
        },
        [&] { restore(original, data); });
    const double copy =
        measure([&] { copyFile(data, env.path(QStringLiteral("copy.bin"))); }, [] { ::sync(); });
    report("compaction after deleting entry 1", compaction, "copy of the file", copy, 2);

    // One add to the file of 32,766 entries left by the last compaction.
    const qint64 size = QFile(data).size();
    const double append = measure(
        [&] {
            EntryRecord e = SampleData::MakeEntry(2, 0);
            if (AppendEntry(e) != StoreResult::Ok)
                std::fprintf(stderr, "bench_store: append failed\n");
        },
        [&] {
            QFile::resize(data, size);
            ::sync();
        });
    std::printf("%-34s %9.2f ms   (target <= 10 ms) %s\n", "one append", append,
                append <= 10 ? "ok" : "OVER");
    QFile::remove(original);
    QFile::remove(env.path(QStringLiteral("copy.bin")));
    return 0;
}
