#include "core/common/SafeReplace.h"

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
        QFile::remove(path);
    }
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate))
        return false;
    bool ok = file.write(bytes) == bytes.size() && file.flush() && ::fsync(file.handle()) == 0;
    file.close();
    ok = ok && file.error() == QFileDevice::NoError;
    if (!ok)
        QFile::remove(path);
    return ok;
}

bool ReplaceWith(const QString &source, const QString &target)
{
    if (QFileInfo::exists(target))
        QFile::setPermissions(source, QFile::permissions(target));
    if (::rename(QFile::encodeName(source).constData(), QFile::encodeName(target).constData()) !=
        0) {
        QFile::remove(source);
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
