// The data file at its limit, 32,767 entries (164 MB): decoding every
// record against reading the bytes, a delete (the compaction) against
// copying the file, in this process and in one just started, and one
// append. Medians of five runs (of fifteen rounds for decoding).
#include "BenchSupport.h"
#include "FakeDesktop.h"
#include "SampleData.h"
#include "core/common/Globals.h"
#include "core/common/Startup.h"
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

// Deleting entry 1 as the main window does: its identity read, then the
// delete under the lock with its compaction. Milliseconds.
double deleteFirst(DataSet &ds)
{
    return measureOnce([&ds] {
        DataFile file(ds);
        file.open(DataFile::ForReading);
        const EntryIdentity id = EntryIdentity::of(file.read(1));
        file.close();
        if (DeleteEntry(ds, 1, id) != StoreResult::Ok)
            std::fprintf(stderr, "bench_store: deletion failed\n");
    });
}

void setUp(TestEnvironment &env)
{
    env.desktop.setNow(QDateTime(QDate(2026, 12, 4), QTime(12, 0, 0)));
    env.session.CurrentUserName = QStringLiteral("Bench");
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    TestEnvironment env; // a temporary data folder under /tmp
    setUp(env);
    if (argc == 3 && qstrcmp(argv[1], "--delete") == 0) {
        // A program just started on the parent's folder: one delete.
        DataSet there(QString::fromLocal8Bit(argv[2]));
        there.attach(&env.session);
        std::printf("%.3f\n", deleteFirst(there));
        return 0;
    }
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
            ForEachEntry(env.data, [&](int, const EntryRecord &e) {
                archived += e.isArchived();
                return true;
            });
        });
        ratios << decodes.back() / raws.back();
    }
    std::printf("raw sequential read: median of %d rounds %.1f ms\n", kPairedRounds, median(raws));
    judge("decode every record", median(decodes), "ms", median(ratios), 3);

    // A delete against a copy of the file, round by round: in a program
    // just started (what a person waits for) and in this one.
    const QString copyPath = env.path(QStringLiteral("copy.bin"));
    QVector<double> fresh, warm, copies, freshRatios, warmRatios;
    for (int i = 0; i < kRuns; ++i) {
        restore(original, data);
        const QByteArray got = runFresh({QStringLiteral("--delete"), env.folder()}).trimmed();
        if (got.isEmpty() || QFile(data).size() != qint64(MaxEntryCount - 1) * EntryRecordLength) {
            std::fprintf(stderr, "bench_store: the delete in a fresh process failed\n");
            return 1;
        }
        fresh << got.toDouble();
        ::sync();
        copies << measureOnce([&] { copyFile(data, copyPath); });
        restore(original, data);
        warm << deleteFirst(env.data);
        freshRatios << fresh.back() / copies.back();
        warmRatios << warm.back() / copies.back();
    }
    std::printf("copy of the file (flushed): median of %d rounds %.1f ms\n", kRuns, median(copies));
    judge("delete entry 1 (fresh process)", median(fresh), "ms", median(freshRatios), 2);
    judge("delete entry 1 (warm process)", median(warm), "ms", median(warmRatios), 2);

    // One add to the file of 32,766 entries left by the last compaction.
    const qint64 size = QFile(data).size();
    const double append = measure(
        [&] {
            EntryRecord e = SampleData::MakeEntry(2, 0);
            if (AppendEntry(env.data, e) != StoreResult::Ok)
                std::fprintf(stderr, "bench_store: append failed\n");
        },
        [&] {
            QFile::resize(data, size);
            ::sync();
        });
    judge("one append", append, "ms", -1, 10);
    QFile::remove(original);
    QFile::remove(env.path(QStringLiteral("copy.bin")));
    return 0;
}
