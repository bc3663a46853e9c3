// Replacing a file of the data set in one step: the new content goes into a
// work file that is written fully and flushed to the disk, then renamed
// over the target. The target is never missing or half written: it is the
// old file or the new one. Callers hold the folder lock.
#pragma once

#include <QByteArray>
#include <QString>
#include <sys/types.h>

class DataSet;

// Flushes a folder so that a rename or removal in it is on the disk.
void SyncFolder(const QString &folder);

// Writes bytes as the whole content of path (removed first, then made
// afresh with createMode less the umask) and asks the system to put them on
// the disk. On failure nothing is left at path.
bool WriteSyncedFile(const DataSet &ds, const QString &path, const QByteArray &bytes,
                     mode_t createMode = 0666);

// Renames source over target in one step (POSIX rename replaces an
// existing target) and flushes the folder. The target keeps its permission
// bits when it existed; a file kept from others (KeptFromOthers) never
// lets others in. On failure the source is removed and the target is as it
// was.
bool ReplaceWith(const DataSet &ds, const QString &source, const QString &target);

// Both steps through the work file "TempFile.$$$" of the data folder.
bool ReplaceFileContents(const DataSet &ds, const QString &target, const QByteArray &bytes);

// Records of recordLength bytes in a file of this length, as the record
// files have always been counted: the length divided by the record length,
// rounded to the nearest whole number, a half to the even neighbour. A
// short last record reads as blanks and zeros past the end of the file.
int RecordsForLength(qint64 bytes, qint64 recordLength);
