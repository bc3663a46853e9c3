// Administration from the command line, for a scheduler and for support
// staff: a dated, consistent backup of the data folder with rotation, and a
// read-only check of the data files. Neither opens a window or asks
// anything.
#pragma once

#include "core/common/DataSet.h"

#include <QString>
#include <QStringList>

class QDateTime;
class Store;
struct StartOptions;

constexpr int AdminCommandOk = 0;
constexpr int AdminCommandFailed = 1;
constexpr int AdminCommandUsage = 2; // options that do not go together

// Runs --backup or --check for options.dataDir. *out gets the report for
// standard output, *err what went wrong for standard error (each line
// without the program's name, ending with a line break when not empty).
// The data folder is opened with dataSetOptions (timings, test hooks).
int RunAdminCommand(const StartOptions &options, QString *out, QString *err,
                    const DataSetOptions &dataSetOptions = {});

// The name of the backup folder made at this moment:
// "Custorin-2026-12-06-1405".
QString BackupFolderName(const QDateTime &when);
// True for a name a backup folder of the command line has.
bool IsBackupFolderName(const QString &name);
// The backup folders under target beyond the newest keep, by name (the
// name sorts by date), newest first; the folders are not touched.
QStringList BackupFoldersBeyond(const QString &target, int keep);

// The check's report of the data folder (DataFolder must be set): one
// line per file, problems marked; *problems gets their number.
QStringList CheckDataFolder(DataSet &ds, int *problems);

// --seal, and the chains' part of --check, on any store (a database; a
// data folder's commands above do the same): the Log Seal text (where
// names the store on it), or each log's chain state with its failures
// recorded in UserList.Log. Status as RunAdminCommand's.
int RunStoreLogCommand(Store &store, const QString &where, bool seal, QString *out, QString *err);
// The line of a backup a store made of itself into target (a database's
// dump), in its UserList.Log as a data folder's backup writes it; failed
// with the error on *err when it could not be written.
int RecordStoreBackup(Store &store, const QString &target, QString *err);
