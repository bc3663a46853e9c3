// Copying the data set between the data folder and a backup folder, and
// reading the user file whole before it is trusted.
//
// A copy never leaves a half file: each file goes to a work name in the
// destination ("User.List.$$$"), is flushed to the disk, and only when
// every file of the set has been copied are the work files renamed over
// the old ones, each in one step. A copy that fails on the way removes its
// work files and leaves every file at the destination as it was. The
// caller holds the data folder's lock for the whole copy, so other
// workstations wait and the copies agree with each other.
#pragma once

#include "core/common/RecordCheck.h"

#include <QString>
#include <QStringList>
#include <functional>

class FolderLock;

// The end of a work file's name.
inline const QString CopyWorkSuffix = QStringLiteral(".$$$");

// The files of a backup in copy order: the six files of the data set, then
// the installation settings.
QStringList BackupFileList();

// True for the names of the four activity logs.
bool IsActivityLog(const QString &bareName);

struct CopyOutcome {
    bool ok = true;
    QString failedFile;   // the file that could not be copied (empty when ok)
    QString reason;       // what went wrong with it (the system's words, or the check's)
    QStringList replaced; // the files now replaced at the destination
    QStringList skipped;  // the files the source folder does not hold
};

// Checks a copied file before anything is replaced: empty when it may
// stand, otherwise the reason it may not.
using CopyCheck = std::function<QString(const QString &bareName, const QString &copyPath)>;

// Copies each of files that fromDir holds into toDir, under the data
// folder's lock (held). Before each file, beforeFile (if set) is told its
// name. check (if set) looks at every copy before any is renamed into
// place. The copies keep the permission bits of their source, and the logs
// are read-only at the destination as they are in the data folder. Files
// missing from fromDir are skipped and listed.
CopyOutcome CopyFileSet(const FolderLock &held, const QString &fromDir, const QString &toDir,
                        const QStringList &files,
                        const std::function<void(const QString &)> &beforeFile = {},
                        const CopyCheck &check = {});

// Reads the user file at path: its length, its records, those that do not
// decode (a creation date that is no OLE date, an access level other than
// 1 to 4 in a record not marked for deletion), those created before 1900 or
// after 2099, and the number marked for deletion.
RecordFileCheck CheckUserFile(const QString &path);
