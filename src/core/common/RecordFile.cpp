#include "core/common/RecordFile.h"

#include "core/common/DataSet.h"
#include "core/common/Desktop.h"
#include "core/common/FileOps.h"
#include "core/common/Globals.h"
#include "core/common/RecordFileLength.h"

#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QThread>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

RecordFile::RecordFile(const DataSet &ds, const QString &path, int recordLength,
                       const int &openRetryMs)
    : m_ds(ds), m_path(path), m_length(recordLength), m_openRetryMs(openRetryMs)
{
}

RecordFile::~RecordFile()
{
    close();
}

bool RecordFile::fail()
{
    m_error = QString::fromLocal8Bit(std::strerror(errno));
    return false;
}

bool RecordFile::open(Mode mode)
{
    close();
    QElapsedTimer timer;
    timer.start();
    for (;;) {
        errno = 0;
        int fd = -1;
        if (mode == ForReading)
            fd = OpenDataSetFile(m_path, O_RDONLY);
        if (fd < 0 && (mode == ForWriting || errno == ENOENT)) {
            // Creates the file without emptying one just put in place.
            fd = OpenDataSetFile(m_path, O_RDWR | O_CREAT, DataSetCreateMode(m_path));
        }
        bool isFile = false;
        qint64 size = 0;
        if (fd >= 0 && !CurrentFileState(fd, &isFile, &size))
            isFile = false;
        if (isFile) {
            m_fd = fd;
            m_size = size;
            m_count = RecordsForLength(m_size, m_length);
            m_error.clear();
            return true;
        }
        fail();
        if (fd >= 0)
            ::close(fd);
        // Another workstation may be replacing the file right now.
        if (timer.elapsed() >= m_openRetryMs)
            return false;
        QThread::msleep(25);
    }
}

void RecordFile::close()
{
    if (m_fd >= 0)
        ::close(m_fd);
    m_fd = -1;
    m_count = 0;
    m_size = 0;
}

bool RecordFile::readRecord(int n, QByteArray *record)
{
    record->fill('\0', m_length);
    if (m_fd < 0 || n < 1 || n > m_count) {
        errno = EINVAL;
        return fail();
    }
    const qint64 offset = qint64(n - 1) * m_length;
    const qint64 expected = qBound(qint64(0), m_size - offset, qint64(m_length));
    const qint64 got = ReadAllAt(m_ds, m_fd, record->data(), m_length, offset, m_path);
    if (got < 0)
        return fail();
    if (got < expected) {
        record->fill('\0', m_length);
        m_error = QStringLiteral("the file ended before the record did");
        return false;
    }
    std::memset(record->data() + got, 0, size_t(m_length - got));
    return true;
}

bool RecordFile::writeRecord(int n, const QByteArray &record)
{
    if (m_fd < 0 || n < 1 || record.size() != m_length) {
        errno = EINVAL;
        return fail();
    }
    const qint64 offset = qint64(n - 1) * m_length;
    if (!WriteAllAt(m_ds, m_fd, record.constData(), m_length, offset, m_path))
        return fail();
    m_size = qMax(m_size, offset + m_length);
    m_count = qMax(m_count, n);
    return true;
}

bool RecordFile::writeField(int n, int offset, const QByteArray &bytes)
{
    if (m_fd < 0 || n < 1 || offset < 0 || offset + bytes.size() > m_length) {
        errno = EINVAL;
        return fail();
    }
    if (!WriteAllAt(m_ds, m_fd, bytes.constData(), bytes.size(), qint64(n - 1) * m_length + offset,
                    m_path))
        return fail();
    return true;
}

bool RecordFile::truncate(qint64 bytes)
{
    if (m_fd < 0 || ::ftruncate(m_fd, off_t(bytes)) != 0)
        return fail();
    m_size = bytes;
    m_count = RecordsForLength(bytes, m_length);
    return true;
}

bool RecordFile::sync()
{
    if (m_fd < 0 || !SyncFile(m_ds, m_fd, m_path))
        return fail();
    return true;
}

bool RecordFile::forEachRecord(int blockRecords,
                               const std::function<bool(int, const char *)> &visit)
{
    if (m_fd < 0)
        return false;
    QByteArray block(qint64(qMax(blockRecords, 1)) * m_length, '\0');
    int n = 1;
    while (n <= m_count) {
        const int records = qMin(qMax(blockRecords, 1), m_count - n + 1);
        const qint64 offset = qint64(n - 1) * m_length;
        const qint64 want = qint64(records) * m_length;
        const qint64 expected = qBound(qint64(0), m_size - offset, want);
        const qint64 got = ReadAllAt(m_ds, m_fd, block.data(), want, offset, m_path);
        if (got < 0)
            return fail();
        if (got < expected) {
            m_error = QStringLiteral("the file ended before the record did");
            return false;
        }
        if (got < want) // the short last record
            std::memset(block.data() + got, 0, size_t(want - got));
        for (int i = 0; i < records; ++i) {
            if (!visit(n + i, block.constData() + qint64(i) * m_length))
                return true;
        }
        n += records;
    }
    return true;
}

LockedRecords::LockedRecords(DataSet &ds, const QString &path, int recordLength,
                             const int &openRetryMs)
    : lock(ds), file(ds, path, recordLength, openRetryMs)
{
}

RecordResult LockedRecords::lockUp()
{
    if (lock.acquire())
        return RecordResult::Ok;
    return lock.failure() == 0 ? RecordResult::Busy : RecordResult::Unwritable;
}

RecordResult LockedRecords::open()
{
    if (const RecordResult r = lockUp(); r != RecordResult::Ok)
        return r;
    if (whenLocked)
        whenLocked();
    if (!file.open(RecordFile::ForWriting))
        return RecordResult::NotAvailable;
    const qint64 length = file.size();
    if (PartialTailBytes(length, file.recordLength()) == 0)
        return RecordResult::Ok;
    // Not a whole number of records: nothing is written past the last
    // whole one until the person agrees, and the lock is not held while
    // asking. With nobody to ask, nothing is.
    file.close();
    lock.release();
    DataSet &ds = lock.dataSet();
    const RecordFileKind kind = RecordFileKindOf(file.path());
    const QString copyName = TailCopyName(ds, kind, desktop().now());
    if (!ds.ask || ds.ask(KeepTailQuestion(kind, length, copyName)) != MsgButton::First)
        return RecordResult::Cancelled;
    if (const RecordResult r = lockUp(); r != RecordResult::Ok)
        return r;
    // Another workstation may have changed the file meanwhile: the bytes
    // kept are the ones there now.
    const QString copyPath = QFileInfo(file.path()).absolutePath() + QLatin1Char('/') + copyName;
    if (!KeepTailAndSetLength(ds, file.path(), file.recordLength(), copyPath))
        return RecordResult::IoError;
    if (!file.open(RecordFile::ForWriting))
        return RecordResult::NotAvailable;
    return RecordResult::Ok;
}

RecordResult LockedRecords::check(int n, const std::function<bool(const QByteArray &)> &matches,
                                  QByteArray *raw)
{
    if (n < 1 || n > file.recordCount())
        return RecordResult::Missing;
    if (!file.readRecord(n, raw)) {
        // Once more on a fresh open; a second short read is reported.
        QThread::msleep(50);
        if (!file.open(RecordFile::ForWriting))
            return RecordResult::NotAvailable;
        if (n > file.recordCount())
            return RecordResult::Missing;
        if (!file.readRecord(n, raw))
            return RecordResult::IoError;
    }
    return matches(*raw) ? RecordResult::Ok : RecordResult::Changed;
}

RecordResult LockedRecords::compact(const std::function<bool(int, const char *)> &keep, int *kept)
{
    const DataSet &ds = lock.dataSet();
    const QString path = file.path();
    const QString temp = QFileInfo(path).absolutePath() + QLatin1Char('/') + TempFileName;
    *kept = 0;
    RemoveFileRetrying(ds, temp);
    const int fd = OpenDataSetFile(temp, O_WRONLY | O_CREAT | O_EXCL, DataSetCreateMode(path));
    if (fd < 0)
        return RecordResult::IoError;

    const int length = file.recordLength();
    constexpr int kBlock = 200;
    // One block of kept records, allocated once and refilled: a fresh
    // allocation per block costs a program just started its page faults.
    std::vector<char> buffer(size_t(kBlock) * size_t(length));
    size_t used = 0;
    qint64 written = 0;
    bool ok = true;
    const auto put = [&] {
        ok = WriteAllAt(ds, fd, buffer.data(), qint64(used), written, temp);
        written += qint64(used);
        used = 0;
        return ok;
    };
    const bool read = file.forEachRecord(kBlock, [&](int n, const char *record) {
        if (!keep(n, record))
            return true;
        ++*kept;
        std::memcpy(buffer.data() + used, record, size_t(length));
        used += size_t(length);
        return used < buffer.size() || put();
    });
    if (ok && used > 0)
        put();
    ok = ok && read && SyncFile(ds, fd, temp);
    // A share reports a failed write back only at the close.
    ok = (::close(fd) == 0) && ok;
    // Taken over while this process stood still: commit nothing, and leave
    // the work file alone, which may be the new holder's by now.
    const bool held = lock.stillHeld();
    if (!ok || !held) {
        if (held)
            RemoveFileRetrying(ds, temp);
        return RecordResult::IoError;
    }
    file.close();
    if (*kept > 0) {
        // One step: the file is the old one or the new one, never missing.
        if (!ReplaceWith(ds, temp, path))
            return RecordResult::IoError;
    } else {
        RemoveFileRetrying(ds, temp);
        if (!RemoveFileRetrying(ds, path))
            return RecordResult::IoError;
        SyncFolder(QFileInfo(path).absolutePath());
    }
    return RecordResult::Ok;
}

QString RecordFileUnavailableText(const DataSet &ds, const QString &what, const QString &fileName)
{
    const QString text = QStringLiteral("The ") + what + QStringLiteral(" '") + fileName +
                         QStringLiteral("' can not be opened.") + CrLf + CrLf;
    const QString notPlain = NotPlainFileText(DataPath(ds, fileName));
    if (!notPlain.isEmpty())
        return text + notPlain + CrLf + CrLf + QStringLiteral("Data folder:") + CrLf +
               DataPath(ds, QString());
    return text + QStringLiteral("Another workstation may be using it, or the data") + CrLf +
           QStringLiteral("folder may be unreachable or read-only:") + CrLf +
           DataPath(ds, QString());
}
