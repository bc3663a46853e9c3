// File operations that hold on a slow or fussy network share: a client may
// refuse an unlink or rename for a moment right after a close (a sharing
// violation, EBUSY or EACCES), and some clients can not open for appending.
// Every write is checked whole; a removal or rename is retried briefly.
#pragma once

#include <QByteArray>
#include <QString>
#include <functional>

// How long a refused removal or rename is retried (milliseconds).
inline int ShareRetryMs = 2000;

// The calls a fault hook may fail.
enum class FileOp { Unlink, Rename, Rmdir, Write, Read, Sync };

// For tests: called before each of those calls with the path (the source of
// a rename); a non-zero result is taken as that call's errno instead of
// running it. An empty hook runs every call.
using FileFaultHook = std::function<int(FileOp op, const QString &path)>;
void SetFileFaultHook(FileFaultHook hook);

// Errors a share reports for a file another client (or its own cache) still
// holds for a moment.
bool IsSharingViolation(int error);

// Removes a file; true when it is gone (also when it was not there). errno
// tells why not.
bool RemoveFileRetrying(const QString &path);
// Removes an empty folder; true when it is gone.
bool RemoveDirRetrying(const QString &path);
// Renames source to target (replacing a file there); true when done.
bool RenameRetrying(const QString &source, const QString &target);

// Writes all bytes at offset, resuming after short writes; false (errno
// set) when any byte could not be written. path names the file for the
// fault hook.
bool WriteAllAt(int fd, const char *data, qint64 length, qint64 offset, const QString &path);
// Flushes an open file to the disk (to the file server on a share); false
// (errno set) when it failed. path names the file for the fault hook.
bool SyncFile(int fd, const QString &path);
// Reads up to length bytes at offset, resuming after short reads; the
// count read (less only at the end of the file), or -1 (errno set).
qint64 ReadAllAt(int fd, char *data, qint64 length, qint64 offset, const QString &path);

// Whether the open file is a plain file, and its size, as the file server
// has them now. A network client remembers a file's size for a while
// (about a second); another workstation may have appended or compacted
// meanwhile, and records counted from a remembered size would be
// overwritten or left out. False (errno set) when they can not be read.
bool CurrentFileState(int fd, bool *isFile, qint64 *size);

// Reads a file whole; false when it can not be opened or read.
bool ReadWholeFile(const QString &path, QByteArray *bytes);
// Writes a file whole (created or emptied), optionally flushed to
// the disk; false when any step failed.
bool WriteWholeFile(const QString &path, const QByteArray &bytes, bool sync);
