#include "core/users/Backup.h"

#include "core/common/ActivityLog.h"
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

// Copies source to work (replacing a work file left by an interrupted
// run), flushed to the disk, with the source's permission bits. Empty when
// done, otherwise the reason; a failed copy leaves no work file.
QString copyToWorkFile(const QString &source, const QString &work)
{
    // Never through a link: it would copy a file from elsewhere.
    QFile in;
    const int fd = OpenDataSetFile(source, O_RDONLY);
    if (fd < 0 || !in.open(fd, QIODevice::ReadOnly, QFileDevice::AutoCloseHandle)) {
        const QString reason =
            fd < 0 ? QString::fromLocal8Bit(std::strerror(errno)) : in.errorString();
        if (fd >= 0)
            ::close(fd);
        const QString notPlain = NotPlainFileReason(source);
        return notPlain.isEmpty() ? reason : QStringLiteral("it is ") + notPlain;
    }
    // The size as the server has it: a change made a moment ago at another
    // workstation is in the copy, never cut off at a size remembered here.
    bool isFile = false;
    qint64 size = 0;
    if (!CurrentFileState(in.handle(), &isFile, &size))
        return QString::fromLocal8Bit(std::strerror(errno));
    removeWorkFile(work);
    // Made with no more than the file itself allows (the user file and the
    // settings are never readable by others, not even for a moment).
    QFile out;
    const int outFd =
        OpenDataSetFile(work, O_WRONLY | O_CREAT | O_TRUNC, DataSetCreateMode(source));
    if (outFd < 0 || !out.open(outFd, QIODevice::WriteOnly, QFileDevice::AutoCloseHandle)) {
        const QString why = QString::fromLocal8Bit(std::strerror(errno));
        if (outFd >= 0)
            ::close(outFd);
        return why;
    }
    QString reason;
    for (;;) {
        const QByteArray chunk = in.read(kChunk);
        if (in.error() != QFileDevice::NoError) {
            reason = in.errorString();
            break;
        }
        if (chunk.isEmpty())
            break;
        if (out.write(chunk) != chunk.size()) {
            reason = out.errorString();
            break;
        }
    }
    if (reason.isEmpty() && (!out.flush() || ::fsync(out.handle()) != 0))
        reason = out.errorString().isEmpty() ? QStringLiteral("the copy could not be flushed")
                                             : out.errorString();
    out.close();
    if (reason.isEmpty() && out.error() != QFileDevice::NoError)
        reason = out.errorString();
    if (reason.isEmpty() && QFileInfo(work).size() != size)
        reason = QStringLiteral("the copy is shorter than the file");
    if (!reason.isEmpty()) {
        QFile::remove(work);
        return reason;
    }
    struct stat st;
    if (::fstat(in.handle(), &st) == 0) {
        const mode_t mode = st.st_mode & (KeptFromOthers(source) ? 07770 : 07777);
        ChangeFileMode(work, [mode](mode_t) { return mode; });
    }
    return QString();
}

} // namespace

QStringList BackupFileList()
{
    return DataFileList + QStringList{InstallationFileName};
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
        const QString reason = copyToWorkFile(source, work);
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
        if (::rename(QFile::encodeName(work).constData(),
                     QFile::encodeName(to.filePath(name)).constData()) != 0) {
            const QString reason = QString::fromLocal8Bit(std::strerror(errno));
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
