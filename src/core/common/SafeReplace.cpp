#include "core/common/SafeReplace.h"

#include "core/common/DataSet.h"
#include "core/common/FileOps.h"
#include "core/common/Globals.h"

#include <QFile>
#include <QFileInfo>
#include <cstdio>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

void SyncFolder(const QString &folder)
{
    const int fd = ::open(QFile::encodeName(folder).constData(), O_RDONLY | O_DIRECTORY);
    if (fd >= 0) {
        ::fsync(fd);
        ::close(fd);
    }
}

bool WriteSyncedFile(const DataSet &ds, const QString &path, const QByteArray &bytes,
                     mode_t createMode)
{
    // Some shares refuse to remove a read-only file.
    ChangeFileMode(path, [](mode_t mode) { return mode | S_IWUSR; });
    if (!RemoveFileRetrying(ds, path))
        return false;
    // Made afresh: never a file someone else put there meanwhile.
    if (!WriteWholeFile(ds, path, bytes, true, createMode, true)) {
        RemoveFileRetrying(ds, path);
        return false;
    }
    return true;
}

bool ReplaceWith(const DataSet &ds, const QString &source, const QString &target)
{
    struct stat st;
    const bool existed =
        ::lstat(QFile::encodeName(target).constData(), &st) == 0 && S_ISREG(st.st_mode);
    ChangeFileMode(source, [&](mode_t mode) {
        const mode_t kept = existed ? st.st_mode & 07777 : mode;
        return KeptFromOthers(target) ? kept & ~mode_t(0007) : kept;
    });
    if (!RenameRetrying(ds, source, target)) {
        RemoveFileRetrying(ds, source);
        return false;
    }
    SyncFolder(QFileInfo(target).absolutePath());
    return true;
}

bool ReplaceFileContents(const DataSet &ds, const QString &target, const QByteArray &bytes)
{
    const QString work = DataPath(ds, TempFileName);
    return WriteSyncedFile(ds, work, bytes, DataSetCreateMode(target)) &&
           ReplaceWith(ds, work, target);
}

int RecordsForLength(qint64 bytes, qint64 recordLength)
{
    if (bytes <= 0 || recordLength <= 0)
        return 0;
    const qint64 whole = bytes / recordLength;
    const qint64 rest = bytes % recordLength;
    qint64 count = whole;
    if (2 * rest > recordLength || (2 * rest == recordLength && (whole % 2) == 1))
        ++count;
    return int(count);
}
