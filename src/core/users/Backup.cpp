#include "core/users/Backup.h"

#include "core/common/ActivityLog.h"
#include "core/common/ChainedLogs.h"
#include "core/common/DataSet.h"
#include "core/common/FileOps.h"
#include "core/common/FolderLock.h"
#include "core/common/Globals.h"
#include "core/common/SafeReplace.h"
#include "core/users/Installation.h"
#include "core/users/UserRecord.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QtEndian>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace
{

constexpr qint64 kChunk = 1 << 20;

void removeWorkFile(const QString &path)
{
    if (QFileInfo(path).isFile()) {
        ChangeFileMode(path, [](mode_t mode) { return mode | S_IWUSR; });
        QFile::remove(path);
    }
}

// The system's words for errno.
QString systemError(int error)
{
    return QString::fromLocal8Bit(std::strerror(error));
}

// Copies source to work (replacing a work file left by an interrupted
// run), flushed to the disk, with the source's permission bits. Empty when
// done, otherwise the reason in the system's words ("No space left on
// device"); a failed copy leaves no work file.
QString copyToWorkFile(const DataSet &ds, const QString &source, const QString &work)
{
    // Never through a link: it would copy a file from elsewhere.
    const int in = OpenDataSetFile(source, O_RDONLY);
    if (in < 0) {
        const QString reason = systemError(errno);
        const QString notPlain = NotPlainFileReason(source);
        return notPlain.isEmpty() ? reason : QStringLiteral("it is ") + notPlain;
    }
    // The size as the server has it: a change made a moment ago at another
    // workstation is in the copy, never cut off at a size remembered here.
    bool isFile = false;
    qint64 size = 0;
    struct stat st;
    if (!CurrentFileState(in, &isFile, &size) || ::fstat(in, &st) != 0) {
        const int error = errno;
        ::close(in);
        return systemError(error);
    }
    removeWorkFile(work);
    // Made with no more than the file itself allows (the user file and the
    // settings are never readable by others, not even for a moment).
    const int out = OpenDataSetFile(work, O_WRONLY | O_CREAT | O_TRUNC, DataSetCreateMode(source));
    if (out < 0) {
        const int error = errno;
        ::close(in);
        return systemError(error);
    }
    int error = 0;
    bool cutShort = false;
    QByteArray chunk(kChunk, Qt::Uninitialized);
    for (qint64 at = 0;;) {
        const qint64 got = ReadAllAt(ds, in, chunk.data(), kChunk, at, source);
        if (got < 0 || (got > 0 && !WriteAllAt(ds, out, chunk.constData(), got, at, work))) {
            error = errno;
            break;
        }
        at += got;
        if (got < kChunk) {
            cutShort = at != size;
            break;
        }
    }
    // A share or a full disk may only say so when the data is flushed or
    // the file closed.
    if (error == 0 && ::fsync(out) != 0)
        error = errno;
    if (::close(out) != 0 && error == 0)
        error = errno;
    ::close(in);
    if (error != 0 || cutShort) {
        QFile::remove(work);
        return error != 0 ? systemError(error)
                          : QStringLiteral("the copy is not as long as the file");
    }
    const mode_t mode = st.st_mode & (KeptFromOthers(source) ? 07770 : 07777);
    ChangeFileMode(work, [mode](mode_t) { return mode; });
    return QString();
}

} // namespace

QStringList BackupFileList()
{
    return DataFileList + QStringList{InstallationFileName} + ChainedLogFiles();
}

bool IsActivityLog(const QString &bareName)
{
    return bareName == SignInOutLogName || bareName == UserListLogName ||
           bareName == DataRecordsLogName || bareName == SearchLogName;
}

CopyOutcome CopyFileSet(const FolderLock &held, const QString &fromDir, const QString &toDir,
                        const QStringList &files,
                        const std::function<void(const QString &)> &beforeFile,
                        const CopyCheck &check)
{
    CopyOutcome outcome;
    if (!held.isHeld()) {
        outcome.ok = false;
        outcome.failedFile = files.value(0);
        outcome.reason = QStringLiteral("the data folder's lock is not held");
        return outcome;
    }
    const QDir from(fromDir);
    const QDir to(toDir);
    QStringList copied; // work files made, in order
    auto dropWorkFiles = [&] {
        for (const QString &name : copied)
            removeWorkFile(to.filePath(name + CopyWorkSuffix));
    };
    auto fail = [&](const QString &name, const QString &reason) {
        dropWorkFiles();
        outcome.ok = false;
        outcome.failedFile = name;
        outcome.reason = reason;
        return outcome;
    };

    for (const QString &name : files) {
        const QString source = from.filePath(name);
        if (!QFileInfo(source).isFile()) {
            outcome.skipped.append(name);
            continue;
        }
        if (beforeFile)
            beforeFile(name);
        const QString work = to.filePath(name + CopyWorkSuffix);
        const QString reason = copyToWorkFile(held.dataSet(), source, work);
        if (!reason.isEmpty())
            return fail(name, reason);
        copied.append(name);
        if (IsActivityLog(name))
            ChangeFileMode(work, [](mode_t mode) { return mode & ~mode_t(0222); });
    }
    if (check) {
        for (const QString &name : copied) {
            const QString reason = check(name, to.filePath(name + CopyWorkSuffix));
            if (!reason.isEmpty())
                return fail(name, reason);
        }
    }
    // Another workstation that took the lock over while this one stalled
    // may be writing now: nothing is put in place under a lost lock.
    if (!copied.isEmpty() && !held.stillHeld())
        return fail(copied.first(), QStringLiteral("the data folder's lock was lost"));
    for (int i = 0; i < copied.size(); ++i) {
        const QString &name = copied.at(i);
        const QString work = to.filePath(name + CopyWorkSuffix);
        if (!RenameRetrying(held.dataSet(), work, to.filePath(name))) {
            const QString reason = systemError(errno);
            for (int j = i; j < copied.size(); ++j)
                removeWorkFile(to.filePath(copied.at(j) + CopyWorkSuffix));
            SyncFolder(to.absolutePath());
            outcome.ok = false;
            outcome.failedFile = name;
            outcome.reason = reason;
            return outcome;
        }
        outcome.replaced.append(name);
    }
    SyncFolder(to.absolutePath());
    return outcome;
}

RecordFileCheck CheckUserFile(const QString &path)
{
    return CheckRecordFile(path, UserRecordLength, [](const char *r, int n, RecordFileCheck &c) {
        const UserRecord user = UserRecord::Unpack(r, UserRecordLength);
        if (user.isKilled()) {
            ++c.killed;
            return;
        }
        if (!OleDateDecodes(user.DateCreated) || user.AccessLevel < 1 || user.AccessLevel > 4) {
            c.undecodable.append(n);
            return;
        }
        if (!OleDatePlausible(user.DateCreated))
            c.datesOutOfRange.append(n);
        ++c.active;
    });
}
