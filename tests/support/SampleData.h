// Realistic sample entries for tests, benchmarks and the demo folder,
// the same for the same seed.
#pragma once

#include "core/entries/EntryRecord.h"

#include <QString>
#include <QVector>

namespace SampleData
{

// The categories a person picks from the entry card's menu.
const QStringList &Categories();

// Entry number index (0-based) of the series for seed: received over the
// years before 2026, values, some archived (status 2), some released, long
// narratives and chains of custody, now and then a character outside
// ASCII.
EntryRecord MakeEntry(quint32 seed, int index);
QVector<EntryRecord> MakeEntries(int count, quint32 seed);

// Writes count entries as a data file at path (replacing it). False when
// the file could not be written.
bool WriteDataFile(const QString &path, int count, quint32 seed);

} // namespace SampleData
