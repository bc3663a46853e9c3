// The data set, as an inventory reaches it.
//
// Everything an inventory needs of the open data set goes through these
// few functions: the folder, the person and workstation, the lock, the
// entries and the edit path.
#pragma once

#include "core/common/DataSet.h"
#include "core/common/Desktop.h"
#include "core/entries/EntryRecord.h"
#include "core/entries/EntryStore.h"

#include <QDateTime>
#include <QString>
#include <functional>
#include <optional>

class FolderLock;

namespace dataset
{

QString folder(const DataSet &ds);
QString person(const DataSet &ds);
QString workstation(const DataSet &ds);
QDateTime now();
// Takes the lock without asking; on false the holder is in held.refusal().
bool lock(FolderLock &held);
// Appends the line to "DataRecords.Log" under the lock already held.
bool log(const FolderLock &held, const QString &line);
std::optional<FileStamp> dataFileStamp(const DataSet &ds);
bool forEachRecord(const DataSet &ds, const std::function<void(int, const char *)> &visit);
std::optional<EntryRecord> readEntry(const DataSet &ds, int n);
StoreResult saveEdited(DataSet &ds, int n, const EntryIdentity &asRead, const EntryRecord &edited);

} // namespace dataset
