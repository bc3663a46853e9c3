// File operations that hold on a slow or fussy network share: a client may
// refuse an unlink or rename for a moment right after a close (a sharing
// violation, EBUSY or EACCES), and some clients can not open for appending.
// Every write is checked whole; a removal or rename is retried briefly.
#pragma once

#include "core/common/DataSet.h"

#include <QByteArray>
#include <QString>
#include <functional>
#include <sys/types.h>

// Errors a share reports for a file another client (or its own cache) still
// holds for a moment.
bool IsSharingViolation(int error);

// The calls below that take a data set retry and fail as its options say
// (ShareRetryMs, FaultHook).
//
// Removes a file; true when it is gone (also when it was not there). errno
// tells why not.
bool RemoveFileRetrying(const DataSet &ds, const QString &path);
// Removes an empty folder; true when it is gone.
bool RemoveDirRetrying(const DataSet &ds, const QString &path);
// Renames source to target (replacing a file there); true when done.
bool RenameRetrying(const DataSet &ds, const QString &source, const QString &target);

// Writes all bytes at offset, resuming after short writes; false (errno
// set) when any byte could not be written. path names the file for the
// fault hook.
bool WriteAllAt(const DataSet &ds, int fd, const char *data, qint64 length, qint64 offset,
                const QString &path);
// Flushes an open file to the disk (to the file server on a share); false
// (errno set) when it failed. path names the file for the fault hook.
bool SyncFile(const DataSet &ds, int fd, const QString &path);
// Reads up to length bytes at offset, resuming after short reads; the
// count read (less only at the end of the file), or -1 (errno set).
qint64 ReadAllAt(const DataSet &ds, int fd, char *data, qint64 length, qint64 offset,
                 const QString &path);

// Whether the open file is a plain file, and its size, as the file server
// has them now. A network client remembers a file's size for a while
// (about a second); another workstation may have appended or compacted
// meanwhile, and records counted from a remembered size would be
// overwritten or left out. False (errno set) when they can not be read.
bool CurrentFileState(int fd, bool *isFile, qint64 *size);

// Files of the data set are opened only as themselves: never through a
// symbolic link (anyone who may write to the data folder could point one at
// a file of the account running the program), and only when they are
// regular files.
//
// Opens path with flags (the access mode, O_CREAT, O_EXCL, O_TRUNC) that
// way: a link is refused with ELOOP, a folder with EISDIR, a device or a
// pipe with ENODEV, and opening never waits on a pipe. A file it creates
// gets createMode less the umask, and the group of its folder (as a
// set-group-id folder would give it). Opened for writing, a file that is
// kept from others (KeptFromOthers) loses what others may do with it.
int OpenDataSetFile(const QString &path, int flags, mode_t createMode = 0666);
// Changes the mode of a file through a handle opened as above, never
// through a link; change gets the permission bits and returns new ones.
// False (errno set) when it can not be opened or changed.
bool ChangeFileMode(const QString &path, const std::function<mode_t(mode_t)> &change);
// The files that hold secrets: "User.List" (the scrambled passwords) and
// "Custorin.ini" (the access-code key). Others may never read them.
bool KeptFromOthers(const QString &path);
// The mode a file is created with before the umask: 0660 for those, 0666
// for the rest.
mode_t DataSetCreateMode(const QString &path);
// Why path can not be opened as a file of the data set, for a report line:
// "a symbolic link", "not a regular file", or empty (a regular file, or
// nothing there).
QString NotPlainFileReason(const QString &path);
// The same as a paragraph of a message naming the file; empty as above.
QString NotPlainFileText(const QString &path);

// Reads a file whole (opened as above); false when it can not be opened or
// read. Without a data set no fault hook applies (files outside any data
// folder).
bool ReadWholeFile(const QString &path, QByteArray *bytes);
bool ReadWholeFile(const DataSet &ds, const QString &path, QByteArray *bytes);
// Writes a file whole (created, or emptied unless exclusive, where a file
// already there is an error), opened as above, optionally flushed to the
// disk; false when any step failed.
bool WriteWholeFile(const QString &path, const QByteArray &bytes, bool sync,
                    mode_t createMode = 0666, bool exclusive = false);
bool WriteWholeFile(const DataSet &ds, const QString &path, const QByteArray &bytes, bool sync,
                    mode_t createMode = 0666, bool exclusive = false);
