#include "core/common/FileOps.h"

#include "core/common/DataSet.h"
#include "core/common/Globals.h"

#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QThread>
#include <cerrno>
#include <cstdio>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace
{

// errno to fail op with, from the test hook; 0 runs the call.
int injected(const DataSet *ds, FileOp op, const QString &path)
{
    if (!ds || !ds->options.FaultHook)
        return 0;
    return ds->options.FaultHook(op, path);
}

qint64 readAllAt(const DataSet *ds, int fd, char *data, qint64 length, qint64 offset,
                 const QString &path)
{
    qint64 done = 0;
    while (done < length) {
        const int fault = injected(ds, FileOp::Read, path);
        if (fault != 0) {
            errno = fault;
            return -1;
        }
        const ssize_t n = ::pread(fd, data + done, size_t(length - done), off_t(offset + done));
        if (n < 0) {
            if (errno == EINTR)
                continue;
            return -1;
        }
        if (n == 0)
            break;
        done += n;
    }
    return done;
}

bool writeAllAt(const DataSet *ds, int fd, const char *data, qint64 length, qint64 offset,
                const QString &path)
{
    qint64 done = 0;
    while (done < length) {
        const int fault = injected(ds, FileOp::Write, path);
        if (fault != 0) {
            errno = fault;
            return false;
        }
        const ssize_t n = ::pwrite(fd, data + done, size_t(length - done), off_t(offset + done));
        if (n < 0) {
            if (errno == EINTR)
                continue;
            return false;
        }
        if (n == 0) {
            errno = EIO;
            return false;
        }
        done += n;
    }
    return true;
}

bool syncFile(const DataSet *ds, int fd, const QString &path)
{
    const int fault = injected(ds, FileOp::Sync, path);
    if (fault != 0) {
        errno = fault;
        return false;
    }
    return ::fsync(fd) == 0;
}

bool readWholeFile(const DataSet *ds, const QString &path, QByteArray *bytes)
{
    const int fd = OpenDataSetFile(path, O_RDONLY);
    if (fd < 0)
        return false;
    QByteArray content;
    char buffer[4096];
    bool ok = true;
    for (;;) {
        const qint64 n = readAllAt(ds, fd, buffer, sizeof buffer, content.size(), path);
        if (n < 0) {
            ok = false;
            break;
        }
        content.append(buffer, int(n));
        if (n < qint64(sizeof buffer))
            break;
    }
    ::close(fd);
    if (ok)
        *bytes = content;
    return ok;
}

bool writeWholeFile(const DataSet *ds, const QString &path, const QByteArray &bytes, bool sync,
                    mode_t createMode, bool exclusive)
{
    const int fd =
        OpenDataSetFile(path, O_WRONLY | O_CREAT | (exclusive ? O_EXCL : O_TRUNC), createMode);
    if (fd < 0)
        return false;
    bool ok = writeAllAt(ds, fd, bytes.constData(), bytes.size(), 0, path);
    if (ok && sync)
        ok = syncFile(ds, fd, path);
    const int saved = errno;
    // A share reports a failed write back only at the close.
    const bool closed = ::close(fd) == 0;
    if (ok && !closed)
        return false;
    errno = saved;
    return ok;
}

// Runs call until it succeeds, fails with an error that is not a sharing
// violation, or the data set's share retry time has passed; errno is that of the last try.
template <typename Call> bool retrying(const DataSet &ds, FileOp op, const QString &path, Call call)
{
    QElapsedTimer timer;
    timer.start();
    int pause = 5;
    for (;;) {
        const int fault = injected(&ds, op, path);
        int error = 0;
        if (fault != 0)
            error = fault;
        else if (call() == 0)
            return true;
        else
            error = errno;
        if (!IsSharingViolation(error) || timer.elapsed() >= ds.options.ShareRetryMs) {
            errno = error;
            return false;
        }
        QThread::msleep(pause);
        pause = qMin(pause * 2, 100);
    }
}

} // namespace

bool IsSharingViolation(int error)
{
    return error == EBUSY || error == EACCES || error == ETXTBSY;
}

bool RemoveFileRetrying(const DataSet &ds, const QString &path)
{
    const QByteArray name = QFile::encodeName(path);
    const bool ok = retrying(ds, FileOp::Unlink, path, [&] { return ::unlink(name.constData()); });
    return ok || errno == ENOENT;
}

bool RemoveDirRetrying(const DataSet &ds, const QString &path)
{
    const QByteArray name = QFile::encodeName(path);
    const bool ok = retrying(ds, FileOp::Rmdir, path, [&] { return ::rmdir(name.constData()); });
    return ok || errno == ENOENT;
}

bool RenameRetrying(const DataSet &ds, const QString &source, const QString &target)
{
    const QByteArray from = QFile::encodeName(source);
    const QByteArray to = QFile::encodeName(target);
    return retrying(ds, FileOp::Rename, source,
                    [&] { return ::rename(from.constData(), to.constData()); });
}

bool WriteAllAt(const DataSet &ds, int fd, const char *data, qint64 length, qint64 offset,
                const QString &path)
{
    return writeAllAt(&ds, fd, data, length, offset, path);
}

bool SyncFile(const DataSet &ds, int fd, const QString &path)
{
    return syncFile(&ds, fd, path);
}

qint64 ReadAllAt(const DataSet &ds, int fd, char *data, qint64 length, qint64 offset,
                 const QString &path)
{
    return readAllAt(&ds, fd, data, length, offset, path);
}

bool CurrentFileState(int fd, bool *isFile, qint64 *size)
{
    struct statx sx;
    if (::statx(fd, "", AT_EMPTY_PATH | AT_STATX_FORCE_SYNC, STATX_TYPE | STATX_SIZE, &sx) == 0) {
        *isFile = S_ISREG(sx.stx_mode);
        *size = qint64(sx.stx_size);
        return true;
    }
    if (errno != ENOSYS && errno != EINVAL)
        return false;
    struct stat st; // a system without statx
    if (::fstat(fd, &st) != 0)
        return false;
    *isFile = S_ISREG(st.st_mode);
    *size = st.st_size;
    return true;
}

bool KeptFromOthers(const QString &path)
{
    const QString name = QFileInfo(path).fileName();
    return name == UserFileName || name == InstallationFileName;
}

mode_t DataSetCreateMode(const QString &path)
{
    return KeptFromOthers(path) ? 0660 : 0666;
}

int OpenDataSetFile(const QString &path, int flags, mode_t createMode)
{
    const QByteArray name = QFile::encodeName(path);
    // O_NONBLOCK: a pipe put in place of a file must not hang the open.
    const int plain = (flags & ~(O_CREAT | O_EXCL)) | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC;
    bool created = false;
    int fd = -1;
    if (!(flags & O_EXCL))
        fd = ::open(name.constData(), plain);
    if ((flags & O_CREAT) && ((flags & O_EXCL) || (fd < 0 && errno == ENOENT))) {
        fd = ::open(name.constData(), plain | O_CREAT | O_EXCL, createMode);
        created = fd >= 0;
        if (fd < 0 && errno == EEXIST && !(flags & O_EXCL)) // made meanwhile elsewhere
            fd = ::open(name.constData(), plain);
    }
    if (fd < 0)
        return -1;
    struct stat st;
    const bool stated = ::fstat(fd, &st) == 0;
    if (!stated || !S_ISREG(st.st_mode)) {
        const int error = !stated ? errno : S_ISDIR(st.st_mode) ? EISDIR : ENODEV;
        ::close(fd);
        errno = error;
        return -1;
    }
    ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) & ~O_NONBLOCK);
    if (created) {
        struct stat folder;
        const QByteArray dir = QFile::encodeName(QFileInfo(path).absolutePath());
        if (::stat(dir.constData(), &folder) == 0 && folder.st_gid != st.st_gid)
            (void)::fchown(fd, uid_t(-1), folder.st_gid); // allowed to members of that group
    }
    if ((flags & O_ACCMODE) != O_RDONLY && (st.st_mode & 0007) && KeptFromOthers(path))
        (void)::fchmod(fd, st.st_mode & 07770); // only the owner may; others leave it
    return fd;
}

bool ChangeFileMode(const QString &path, const std::function<mode_t(mode_t)> &change)
{
    const int fd = OpenDataSetFile(path, O_RDONLY);
    if (fd < 0)
        return false;
    struct stat st;
    bool ok = ::fstat(fd, &st) == 0;
    const mode_t mode = ok ? change(st.st_mode & 07777) : 0;
    ok = ok && (mode == (st.st_mode & 07777) || ::fchmod(fd, mode) == 0);
    const int error = errno;
    ::close(fd);
    errno = error;
    return ok;
}

QString NotPlainFileReason(const QString &path)
{
    struct stat st;
    if (::lstat(QFile::encodeName(path).constData(), &st) != 0 || S_ISREG(st.st_mode))
        return QString();
    return S_ISLNK(st.st_mode) ? QStringLiteral("a symbolic link")
                               : QStringLiteral("not a regular file");
}

QString NotPlainFileText(const QString &path)
{
    const QString reason = NotPlainFileReason(path);
    if (reason.isEmpty())
        return QString();
    const QString name = QStringLiteral("'") + QFileInfo(path).fileName() + QStringLiteral("'");
    const QString what = reason == QLatin1String("a symbolic link")
                             ? name + QStringLiteral(" is a symbolic link, and the files of") +
                                   CrLf +
                                   QStringLiteral("the data folder are never opened through one.")
                             : name + QStringLiteral(" is not a regular file.");
    return what + CrLf + QStringLiteral("Please put the file itself in its place.");
}

bool ReadWholeFile(const QString &path, QByteArray *bytes)
{
    return readWholeFile(nullptr, path, bytes);
}

bool ReadWholeFile(const DataSet &ds, const QString &path, QByteArray *bytes)
{
    return readWholeFile(&ds, path, bytes);
}

bool WriteWholeFile(const QString &path, const QByteArray &bytes, bool sync, mode_t createMode,
                    bool exclusive)
{
    return writeWholeFile(nullptr, path, bytes, sync, createMode, exclusive);
}

bool WriteWholeFile(const DataSet &ds, const QString &path, const QByteArray &bytes, bool sync,
                    mode_t createMode, bool exclusive)
{
    return writeWholeFile(&ds, path, bytes, sync, createMode, exclusive);
}
