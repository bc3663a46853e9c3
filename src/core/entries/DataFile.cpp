#include "core/entries/DataFile.h"

#include "core/common/SafeReplace.h"

#include "core/common/Globals.h"
#include "core/common/MsgBox.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QThread>
#include <cstring>
#include <memory>
#include <unistd.h>

namespace
{

// One read of 250,000 bytes: small enough to stay in a core's cache while
// its records are looked at.
constexpr int kBlockRecords = 50;

std::unique_ptr<DataFile> &sharedFile()
{
    static std::unique_ptr<DataFile> file;
    return file;
}

} // namespace

int RecordCountForLength(qint64 bytes)
{
    return RecordsForLength(bytes, EntryRecordLength);
}

DataFile::DataFile(const QString &path) : m_file(path.isEmpty() ? DataPath(DataFileName) : path) {}

DataFile::~DataFile()
{
    close();
}

bool DataFile::open(Mode mode)
{
    close();
    QElapsedTimer timer;
    timer.start();
    for (;;) {
        bool ok;
        if (mode == ForWriting) {
            ok = m_file.open(QIODevice::ReadWrite);
        } else if (QFileInfo::exists(m_file.fileName())) {
            ok = m_file.open(QIODevice::ReadOnly);
        } else {
            // The first open creates the file empty (without truncating one
            // that another workstation has just put in place).
            ok = m_file.open(QIODevice::ReadWrite);
        }
        if (ok) {
            m_count = RecordCountForLength(m_file.size());
            return true;
        }
        // Another workstation may be replacing the file right now.
        if (timer.elapsed() >= DataFileOpenRetryMs)
            return false;
        QThread::msleep(25);
    }
}

void DataFile::close()
{
    if (m_file.isOpen())
        m_file.close();
    m_count = 0;
}

QByteArray DataFile::readRaw(int n)
{
    QByteArray record(EntryRecordLength, '\0');
    if (!m_file.isOpen() || n < 1)
        return record;
    if (!m_file.seek(qint64(n - 1) * EntryRecordLength))
        return record;
    const qint64 got = m_file.read(record.data(), EntryRecordLength);
    if (got < EntryRecordLength)
        std::memset(record.data() + qMax<qint64>(got, 0), 0,
                    size_t(EntryRecordLength - qMax<qint64>(got, 0)));
    return record;
}

bool DataFile::writeRaw(int n, const QByteArray &record)
{
    if (!m_file.isOpen() || n < 1 || record.size() != EntryRecordLength)
        return false;
    if (!m_file.seek(qint64(n - 1) * EntryRecordLength))
        return false;
    if (m_file.write(record) != EntryRecordLength)
        return false;
    if (n > m_count)
        m_count = n;
    return true;
}

bool DataFile::writeField(int n, int offset, const QByteArray &bytes)
{
    if (!m_file.isOpen() || n < 1 || offset < 0 || offset + bytes.size() > EntryRecordLength)
        return false;
    if (!m_file.seek(qint64(n - 1) * EntryRecordLength + offset))
        return false;
    return m_file.write(bytes) == bytes.size();
}

bool DataFile::flush()
{
    return m_file.isOpen() && m_file.flush();
}

bool DataFile::truncate(qint64 bytes)
{
    if (!m_file.isOpen() || !m_file.resize(bytes))
        return false;
    m_count = RecordCountForLength(bytes);
    return true;
}

bool DataFile::sync()
{
    return m_file.isOpen() && m_file.flush() && ::fsync(m_file.handle()) == 0;
}

bool DataFile::forEachRaw(const std::function<bool(int, const char *)> &visit)
{
    if (!m_file.isOpen())
        return false;
    if (!m_file.seek(0))
        return false;
    QByteArray block(qint64(kBlockRecords) * EntryRecordLength, '\0');
    int n = 1;
    while (n <= m_count) {
        const int records = qMin(kBlockRecords, m_count - n + 1);
        const qint64 want = qint64(records) * EntryRecordLength;
        qint64 got = 0;
        while (got < want) {
            const qint64 r = m_file.read(block.data() + got, want - got);
            if (r < 0)
                return false;
            if (r == 0)
                break; // end of file: the short last record
            got += r;
        }
        if (got < want)
            std::memset(block.data() + got, 0, size_t(want - got));
        for (int i = 0; i < records; ++i) {
            if (!visit(n + i, block.constData() + qint64(i) * EntryRecordLength))
                return true;
        }
        n += records;
    }
    return true;
}

bool DataFile::forEach(const std::function<bool(int, const EntryRecord &)> &visit)
{
    // One record object for the whole pass: a visitor that keeps a copy
    // shares the texts, and the next read then leaves the copy alone.
    EntryRecord entry;
    return forEachRaw([&](int n, const char *data) {
        EntryRecord::UnpackInto(entry, data);
        return visit(n, entry);
    });
}

QString DataFileUnavailableTitle()
{
    return QStringLiteral("Data file not available");
}

QString DataFileUnavailableText()
{
    return QStringLiteral("The data file '") + DataFileName +
           QStringLiteral("' can not be opened.") + CrLf + CrLf +
           QStringLiteral("Another workstation may be using it, or the data") + CrLf +
           QStringLiteral("folder may be unreachable or read-only:") + CrLf + DataPath(QString());
}

bool OpenDataFile()
{
    auto &file = sharedFile();
    // The data folder may have changed since the last open.
    file = std::make_unique<DataFile>();
    for (;;) {
        if (file->open(DataFile::ForReading)) {
            RecordCount = file->recordCount();
            return true;
        }
        const int choice = ShowMsgBox(DataFileUnavailableTitle(), 4, DataFileUnavailableText(), 1,
                                      false, {QStringLiteral("&Retry"), QStringLiteral("&Cancel")})
                               .choice;
        if (choice != 1) {
            RecordCount = 0;
            return false;
        }
    }
}

void CloseDataFile()
{
    auto &file = sharedFile();
    if (file)
        file->close();
}

bool DataFileIsOpen()
{
    const auto &file = sharedFile();
    return file && file->isOpen();
}

EntryRecord ReadEntry(int n)
{
    auto &file = sharedFile();
    if (!file || !file->isOpen() || n < 1 || n > file->recordCount())
        return EntryRecord();
    return file->read(n);
}

bool ForEachEntry(const std::function<bool(int, const EntryRecord &)> &visit)
{
    const bool wasOpen = DataFileIsOpen();
    if (!wasOpen && !OpenDataFile())
        return false;
    auto &file = sharedFile();
    RecordCount = file->recordCount();
    const bool ok = file->forEach(visit);
    if (!wasOpen)
        CloseDataFile();
    return ok;
}

QVector<EntryRecord> ReadAllEntries()
{
    QVector<EntryRecord> entries;
    ForEachEntry([&](int, const EntryRecord &e) {
        entries.append(e);
        return true;
    });
    return entries;
}
