// Measuring helpers shared by the benchmarks.
#pragma once

#include "core/entries/DataFile.h"

#include <QElapsedTimer>
#include <algorithm>
#include <cstdio>
#include <ctime>

// The median of the rounds' figures.
template <typename Figures> double median(Figures v)
{
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
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
inline double rawRead(double *cpu = nullptr)
{
    QElapsedTimer t;
    t.start();
    const double c0 = cpuMs();
    DataFile file;
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
