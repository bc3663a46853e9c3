#include "core/common/SafeReplace.h"

#include "core/common/FileOps.h"
#include "core/common/Globals.h"

#include <QFile>
#include <QFileInfo>
#include <cstdio>
#include <fcntl.h>
#include <unistd.h>

void SyncFolder(const QString &folder)
{
    const int fd = ::open(QFile::encodeName(folder).constData(), O_RDONLY | O_DIRECTORY);
    if (fd >= 0) {
        ::fsync(fd);
        ::close(fd);
    }
}

bool WriteSyncedFile(const QString &path, const QByteArray &bytes)
{
    if (QFileInfo::exists(path)) {
        QFile::setPermissions(path, QFile::permissions(path) | QFile::WriteOwner);
        if (!RemoveFileRetrying(path))
            return false;
    }
    if (!WriteWholeFile(path, bytes, true)) {
        RemoveFileRetrying(path);
        return false;
    }
    return true;
}

bool ReplaceWith(const QString &source, const QString &target)
{
    if (QFileInfo::exists(target))
        QFile::setPermissions(source, QFile::permissions(target));
    if (!RenameRetrying(source, target)) {
        RemoveFileRetrying(source);
        return false;
    }
    SyncFolder(QFileInfo(target).absolutePath());
    return true;
}

bool ReplaceFileContents(const QString &target, const QByteArray &bytes)
{
    const QString work = DataPath(TempFileName);
    return WriteSyncedFile(work, bytes) && ReplaceWith(work, target);
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
