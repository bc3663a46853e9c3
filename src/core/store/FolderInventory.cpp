// The inventory side files "Inventories/<id>.txt": reading what every
// workstation appended, and appending lines under the folder lock.
#include "core/store/FolderInventory.h"

#include "core/common/ActivityLog.h"
#include "core/common/FileOps.h"
#include "core/common/FolderLock.h"
#include "core/common/Formats.h"
#include "core/common/Globals.h"
#include "core/store/Store.h"

#include <QDir>
#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <unistd.h>

namespace
{

// Reads the file from *readUpTo on and applies every whole line (one
// another workstation is writing right now is left for the next read).
bool readTail(const DataSet &ds, qint64 *readUpTo, const QString &path,
              const Store::InventoryLineVisitor &apply)
{
    const int fd = OpenDataSetFile(path, O_RDONLY);
    if (fd < 0)
        return false;
    bool isFile = false;
    qint64 size = 0;
    bool ok = CurrentFileState(fd, &isFile, &size);
    QByteArray bytes;
    if (ok && size > *readUpTo) {
        bytes.resize(size - *readUpTo);
        const qint64 got = ReadAllAt(ds, fd, bytes.data(), bytes.size(), *readUpTo, path);
        ok = got >= 0;
        bytes.resize(qMax<qint64>(got, 0));
    }
    ::close(fd);
    if (!ok)
        return false;
    qsizetype start = 0;
    for (;;) {
        const qsizetype end = bytes.indexOf("\r\n", start);
        if (end < 0)
            break;
        apply(FromWindows1252(bytes.mid(start, end - start)));
        start = end + 2;
    }
    *readUpTo += start;
    return true;
}

// Appends bytes at the end the file has now; the caller holds the lock. A
// failed write leaves the file as it was. Half a line left by a workstation
// that stopped while writing is ended first, so it never runs into the
// new one. *before gets the size the file had.
bool appendAtEnd(const DataSet &ds, const QString &path, QByteArray bytes, qint64 *before)
{
    const int fd = OpenDataSetFile(path, O_RDWR);
    if (fd < 0)
        return false;
    bool isFile = false;
    qint64 size = -1;
    bool ok = CurrentFileState(fd, &isFile, &size);
    char last[2] = {'\r', '\n'};
    if (ok && size > 0)
        ok = ReadAllAt(ds, fd, last + 2 - qMin<qint64>(size, 2), qMin<qint64>(size, 2),
                       size - qMin<qint64>(size, 2), path) >= 0;
    if (last[0] != '\r' || last[1] != '\n')
        bytes.prepend("\r\n");
    ok = ok && WriteAllAt(ds, fd, bytes.constData(), bytes.size(), size, path) &&
         SyncFile(ds, fd, path);
    if (!ok && size >= 0)
        (void)::ftruncate(fd, size);
    if (::close(fd) != 0)
        ok = false;
    *before = size;
    return ok;
}

QString fileFailedText(const QString &id)
{
    return QStringLiteral("The inventory file 'Inventories/") + id +
           QStringLiteral(".txt' can not be written: ") + QString::fromLocal8Bit(strerror(errno)) +
           QStringLiteral(".") + CrLf + CrLf + QStringLiteral("Nothing was recorded; try again.");
}

Store::InventoryWrite failed(const QString &text)
{
    return {false, text, std::nullopt};
}

// The folder stayed busy (or could not be written to): nothing was written.
Store::InventoryWrite busy(const FolderLock &held)
{
    return {false, QString(), held.refusal()};
}

} // namespace

QString InventoriesFolder(const DataSet &ds)
{
    return DataPath(ds, QStringLiteral("Inventories"));
}

QString InventoryFilePath(const DataSet &ds, const QString &id)
{
    return QDir(InventoriesFolder(ds)).filePath(id + QStringLiteral(".txt"));
}

QStringList FolderStore::inventoryIds()
{
    QStringList names =
        QDir(InventoriesFolder(m_ds)).entryList({QStringLiteral("*.txt")}, QDir::Files, QDir::Name);
    std::reverse(names.begin(), names.end());
    for (QString &name : names)
        name.chop(4);
    return names;
}

bool FolderStore::readInventory(const QString &id, qint64 *readUpTo,
                                const InventoryLineVisitor &apply)
{
    return readTail(m_ds, readUpTo, InventoryFilePath(m_ds, id), apply);
}

Store::InventoryWrite
FolderStore::startInventory(const QString &stamp,
                            const std::function<InventoryAddition(const QString &)> &first,
                            QString *id)
{
    DataSet &ds = m_ds;
    FolderLock held(ds);
    if (!held.acquire())
        return busy(held);
    if (!QDir().mkpath(InventoriesFolder(ds)))
        return failed(
            QStringLiteral("The folder 'Inventories' can not be made in the data folder."));
    QString made = stamp;
    int fd = -1;
    for (int n = 2; fd < 0 && n < 100; ++n) {
        fd = OpenDataSetFile(InventoryFilePath(ds, made), O_WRONLY | O_CREAT | O_EXCL);
        if (fd < 0 && errno != EEXIST)
            return failed(fileFailedText(made));
        if (fd < 0)
            made = stamp + QStringLiteral("-%1").arg(n);
    }
    if (fd < 0)
        return failed(fileFailedText(made));
    const QString path = InventoryFilePath(ds, made);
    const InventoryAddition add = first(made);
    const QByteArray bytes = ToWindows1252(add.lines);
    bool ok =
        WriteAllAt(ds, fd, bytes.constData(), bytes.size(), 0, path) && SyncFile(ds, fd, path);
    ok = ::close(fd) == 0 && ok;
    if (!ok) {
        const InventoryWrite result = failed(fileFailedText(made));
        RemoveFileRetrying(ds, path);
        return result;
    }
    if (!AppendLogLine(held, DataRecordsLogName, add.logLine)) {
        RemoveFileRetrying(ds, path);
        return failed(LogFailedText(ds, DataRecordsLogName));
    }
    *id = made;
    return {true, QString(), std::nullopt};
}

Store::InventoryWrite FolderStore::appendInventory(const QString &id, qint64 *readUpTo,
                                                   const InventoryLineVisitor &apply,
                                                   const std::function<InventoryAddition()> &change)
{
    DataSet &ds = m_ds;
    FolderLock held(ds);
    if (!held.acquire())
        return busy(held);
    const QString path = InventoryFilePath(ds, id);
    if (!readTail(ds, readUpTo, path, apply))
        return failed(fileFailedText(id));
    const InventoryAddition add = change();
    if (!add.refusal.isEmpty())
        return failed(add.refusal);
    if (add.lines.isEmpty())
        return {true, QString(), std::nullopt};
    qint64 before = -1;
    if (!appendAtEnd(ds, path, ToWindows1252(add.lines), &before))
        return failed(fileFailedText(id));
    if (!add.logLine.isEmpty() && !AppendLogLine(held, DataRecordsLogName, add.logLine)) {
        // The change and its line go together.
        const int fd = OpenDataSetFile(path, O_WRONLY);
        if (fd >= 0) {
            (void)::ftruncate(fd, before);
            ::close(fd);
        }
        return failed(LogFailedText(ds, DataRecordsLogName));
    }
    if (!readTail(ds, readUpTo, path, apply))
        return failed(fileFailedText(id));
    return {true, QString(), std::nullopt};
}

std::optional<FileStamp> FolderStore::entriesStamp()
{
    return desktop().fileStamp(DataPath(m_ds, DataFileName));
}
