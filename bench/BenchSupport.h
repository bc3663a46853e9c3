// Measuring helpers shared by the benchmarks.
#pragma once

#include "core/entries/DataFile.h"

#include <QByteArray>
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QProcess>
#include <QStringList>
#include <algorithm>
#include <cstdio>
#include <ctime>
#include <sys/resource.h>

// The median of the rounds' figures.
template <typename Figures> double median(Figures v)
{
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

// The most memory this process has held so far, in MB.
inline double peakMegabytes()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss / 1024.0; // kilobytes on Linux
}

inline double ms(const QElapsedTimer &t)
{
    return double(t.nsecsElapsed()) / 1e6;
}

// Processor time of this process so far (user and system), in ms: on a
// machine shared with other work the wall clock also counts the waits.
inline double cpuMs()
{
    timespec t;
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
    return double(t.tv_sec) * 1e3 + double(t.tv_nsec) / 1e6;
}

// The baseline of the list benchmarks: the data file read in its blocks,
// every record's bytes looked at once. Wall time in ms; the processor time
// goes to *cpu when asked.
inline double rawRead(DataSet &ds, double *cpu = nullptr)
{
    QElapsedTimer t;
    t.start();
    const double c0 = cpuMs();
    DataFile file(ds);
    if (!file.open(DataFile::ForReading))
        return -1;
    unsigned sum = 0;
    file.forEachRaw([&](int, const char *record) {
        sum += static_cast<unsigned char>(record[4999]);
        return true;
    });
    file.close();
    const double elapsed = ms(t);
    if (cpu)
        *cpu = cpuMs() - c0;
    if (sum == 0)
        std::fprintf(stderr, "(no status bytes?)\n");
    return elapsed;
}

// A judged figure: one line "figure: what | figure | ratio | target" that
// ends in "OVER TARGET" when the figure is over it. scripts/run-benchmarks
// gathers these lines into its summary and fails when one is over.
// A figure against an anchor is judged by its ratio; ratio < 0 judges the
// figure itself (ms, MB) against target.
inline bool judge(const char *what, double figure, const char *unit, double ratio, double target)
{
    const bool byRatio = ratio >= 0;
    const bool over = (byRatio ? ratio : figure) > target;
    char ratioText[32] = "-";
    if (byRatio)
        std::snprintf(ratioText, sizeof ratioText, "%.2fx", ratio);
    std::printf("figure: %s | %.1f %s | %s | target <= %.1f%s%s\n", what, figure, unit, ratioText,
                target, byRatio ? "x" : unit, over ? " | OVER TARGET" : "");
    std::fflush(stdout);
    return !over;
}

// Runs this benchmark program again with args, in a process of its own
// (the first load, the first delete: what a person waits for in a program
// just started), and returns what it printed; empty when it failed.
inline QByteArray runFresh(const QStringList &args)
{
    QProcess child;
    child.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    child.start(QCoreApplication::applicationFilePath(), args);
    if (!child.waitForFinished(600000) || child.exitStatus() != QProcess::NormalExit ||
        child.exitCode() != 0)
        return QByteArray();
    return child.readAllStandardOutput();
}
