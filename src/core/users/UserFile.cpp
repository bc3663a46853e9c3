#include "core/users/UserFile.h"

#include "core/common/ActivityLog.h"
#include "core/common/Desktop.h"
#include "core/common/FolderLock.h"
#include "core/common/Formats.h"
#include "core/common/Globals.h"
#include "core/common/MsgBox.h"
#include "core/common/SafeReplace.h"

#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QThread>
#include <cstring>
#include <memory>

namespace
{

// One open of the user file.
class UserFileHandle
{
public:
    enum Mode { ForReading, ForWriting };

    UserFileHandle() : m_file(DataPath(UserFileName)) {}

    // Opens the file, creating it empty when missing; a failed open is
    // retried for UserFileOpenRetryMs. For reading the file is opened
    // read-only, and a folder that can not be written to reads as empty.
    bool open(Mode mode)
    {
        close();
        QElapsedTimer timer;
        timer.start();
        for (;;) {
            const bool exists = QFileInfo::exists(m_file.fileName());
            bool ok;
            if (mode == ForReading && exists)
                ok = m_file.open(QIODevice::ReadOnly);
            else // creates the file without emptying one just put in place
                ok = m_file.open(QIODevice::ReadWrite);
            if (ok) {
                m_open = true;
                m_count = UserCountForLength(m_file.size());
                return true;
            }
            if (mode == ForReading && !exists && !QFileInfo::exists(m_file.fileName())) {
                const QFileInfo folder(QFileInfo(m_file.fileName()).absolutePath());
                if (folder.isDir() && !folder.isWritable()) {
                    m_open = true; // nobody can have added a user here
                    m_count = 0;
                    return true;
                }
            }
            // Another workstation may be replacing the file right now.
            if (timer.elapsed() >= UserFileOpenRetryMs)
                return false;
            QThread::msleep(25);
        }
    }

    void close()
    {
        if (m_file.isOpen())
            m_file.close();
        m_open = false;
        m_count = 0;
    }

    bool isOpen() const { return m_open; }
    int count() const { return m_count; }
    QString path() const { return m_file.fileName(); }
    qint64 size() const { return m_file.isOpen() ? m_file.size() : 0; }

    // The 500 bytes of record n; bytes past the end of the file are zeros.
    QByteArray readRaw(int n)
    {
        QByteArray record(UserRecordLength, '\0');
        if (!m_file.isOpen() || n < 1 || !m_file.seek(qint64(n - 1) * UserRecordLength))
            return record;
        const qint64 got = m_file.read(record.data(), UserRecordLength);
        if (got < UserRecordLength) {
            const qint64 from = qMax<qint64>(got, 0);
            std::memset(record.data() + from, 0, size_t(UserRecordLength - from));
        }
        return record;
    }

    // Every record, each padded to 500 bytes; false when a read failed.
    bool readAll(QByteArray *bytes)
    {
        if (!m_file.isOpen()) {
            *bytes = QByteArray(); // the empty list of a read-only folder
            return m_open;
        }
        if (!m_file.seek(0))
            return false;
        *bytes = m_file.readAll();
        if (m_file.error() != QFileDevice::NoError)
            return false;
        bytes->resize(qint64(m_count) * UserRecordLength, '\0');
        return true;
    }

    bool writeRaw(int n, const QByteArray &record)
    {
        if (!m_file.isOpen() || n < 1 || record.size() != UserRecordLength)
            return false;
        if (!m_file.seek(qint64(n - 1) * UserRecordLength))
            return false;
        if (m_file.write(record) != UserRecordLength || !m_file.flush())
            return false;
        if (n > m_count)
            m_count = n;
        return true;
    }

    bool truncate(qint64 bytes)
    {
        if (!m_file.isOpen() || !m_file.resize(bytes))
            return false;
        m_count = UserCountForLength(bytes);
        return true;
    }

private:
    QFile m_file;
    bool m_open = false;
    int m_count = 0;
};

std::unique_ptr<UserFileHandle> &sharedFile()
{
    static std::unique_ptr<UserFileHandle> file;
    return file;
}

// The lock and the user file, open for writing, for one operation.
struct LockedUsers {
    FolderLock lock;
    UserFileHandle file;

    UserResult open()
    {
        if (!lock.acquire())
            return UserResult::Cancelled;
        if (!file.open(UserFileHandle::ForWriting))
            return UserResult::NotAvailable;
        UserCount = file.count();
        return UserResult::Ok;
    }

    // Re-reads record n and checks it is still the user the person saw.
    UserResult check(int n, const UserIdentity &asRead, QByteArray *raw)
    {
        if (n < 1 || n > file.count())
            return UserResult::Missing;
        *raw = file.readRaw(n);
        if (!asRead.matches(UserRecord::Unpack(*raw)))
            return UserResult::Changed;
        return UserResult::Ok;
    }
};

bool logLine(const FolderLock &held, int code, const QString &displayName, qint64 *sizeBefore)
{
    return AppendLogLine(held, UserListLogName, UserListLine(desktop().now(), code, displayName),
                         sizeBefore);
}

QString nothingChanged()
{
    return QStringLiteral("Nothing has been changed.");
}

QString unavailableText()
{
    return QStringLiteral("The user file '") + UserFileName +
           QStringLiteral("' can not be opened.") + CrLf + CrLf +
           QStringLiteral("Another workstation may be using it, or the data") + CrLf +
           QStringLiteral("folder may be unreachable or read-only:") + CrLf + DataPath(QString());
}

} // namespace

int UserCountForLength(qint64 bytes)
{
    return RecordsForLength(bytes, UserRecordLength);
}

bool OpenUserFile()
{
    auto &file = sharedFile();
    // The data folder may have changed since the last open.
    file = std::make_unique<UserFileHandle>();
    for (;;) {
        if (file->open(UserFileHandle::ForReading)) {
            UserCount = file->count();
            return true;
        }
        const int choice =
            ShowMsgBox(UserResultTitle(UserResult::NotAvailable), 4, unavailableText(), 1, false,
                       {QStringLiteral("&Retry"), QStringLiteral("&Cancel")})
                .choice;
        if (choice != 1) {
            UserCount = 0;
            return false;
        }
    }
}

void CloseUserFile()
{
    auto &file = sharedFile();
    if (file)
        file->close();
}

bool UserFileIsOpen()
{
    const auto &file = sharedFile();
    return file && file->isOpen();
}

UserRecord ReadUser(int n)
{
    auto &file = sharedFile();
    if (!file || !file->isOpen() || n < 1 || n > file->count())
        return UserRecord();
    return UserRecord::Unpack(file->readRaw(n));
}

QVector<UserRecord> ReadAllUsers(bool *ok)
{
    QVector<UserRecord> users;
    const bool wasOpen = UserFileIsOpen();
    bool read = wasOpen || OpenUserFile();
    QByteArray bytes;
    if (read) {
        auto &file = sharedFile();
        read = file->readAll(&bytes);
        if (read) {
            UserCount = file->count();
            users.reserve(UserCount);
            for (int i = 0; i < UserCount; ++i)
                users.append(UserRecord::Unpack(bytes.constData() + qint64(i) * UserRecordLength,
                                                UserRecordLength));
        }
        if (!wasOpen)
            CloseUserFile();
    }
    if (ok)
        *ok = read;
    return users;
}

UserResult AppendUser(UserRecord &user, int *recordNumber)
{
    LockedUsers locked;
    UserResult r = locked.open();
    if (r != UserResult::Ok)
        return r;
    const int n = locked.file.count() + 1;
    if (n > MaxUserCount)
        return UserResult::Full;

    user.DateCreated = ToOleDate(desktop().now());
    qint64 logSize = 0;
    if (!logLine(locked.lock, LogAdded, user.DisplayName(), &logSize))
        return UserResult::LogFailed;
    const qint64 sizeBefore = locked.file.size();
    if (!locked.file.writeRaw(n, user.Pack())) {
        locked.file.truncate(sizeBefore);
        UndoLogAppend(locked.lock, UserListLogName, logSize);
        return UserResult::IoError;
    }
    UserCount = n;
    if (recordNumber)
        *recordNumber = n;
    return UserResult::Ok;
}

UserResult SaveEditedUser(int n, const UserIdentity &asRead, const UserRecord &edited)
{
    LockedUsers locked;
    UserResult r = locked.open();
    if (r != UserResult::Ok)
        return r;
    QByteArray raw;
    if ((r = locked.check(n, asRead, &raw)) != UserResult::Ok)
        return r;
    QByteArray changed = edited.Pack();
    // Set once when the user was added.
    std::memcpy(changed.data() + UserLayout::DateCreated, raw.constData() + UserLayout::DateCreated,
                sizeof(double));

    qint64 logSize = 0;
    if (!logLine(locked.lock, LogEdited, edited.DisplayName(), &logSize))
        return UserResult::LogFailed;
    if (!locked.file.writeRaw(n, changed)) {
        locked.file.writeRaw(n, raw);
        UndoLogAppend(locked.lock, UserListLogName, logSize);
        return UserResult::IoError;
    }
    return UserResult::Ok;
}

UserResult DeleteUser(int n, const UserIdentity &asRead)
{
    LockedUsers locked;
    UserResult r = locked.open();
    if (r != UserResult::Ok)
        return r;
    QByteArray raw;
    if ((r = locked.check(n, asRead, &raw)) != UserResult::Ok)
        return r;
    QByteArray all;
    if (!locked.file.readAll(&all))
        return UserResult::IoError;

    QByteArray kept;
    kept.reserve(all.size());
    const int count = locked.file.count();
    for (int i = 1; i <= count; ++i) {
        const char *record = all.constData() + qint64(i - 1) * UserRecordLength;
        if (i == n || UserRecord::Unpack(record, UserRecordLength).isKilled())
            continue;
        kept.append(record, UserRecordLength);
    }

    qint64 logSize = 0;
    if (!logLine(locked.lock, LogDeleted, UserRecord::Unpack(raw).DisplayName(), &logSize))
        return UserResult::LogFailed;
    const QString path = locked.file.path();
    locked.file.close();
    // The old file stays in place until the new one is complete on the
    // disk; then one rename replaces it.
    const bool ok = kept.isEmpty() ? (QFile::remove(path) || !QFileInfo::exists(path))
                                   : ReplaceFileContents(path, kept);
    if (!ok) {
        UndoLogAppend(locked.lock, UserListLogName, logSize);
        return UserResult::IoError;
    }
    UserCount = int(kept.size() / UserRecordLength);
    return UserResult::Ok;
}

QString UserResultTitle(UserResult result)
{
    switch (result) {
    case UserResult::Changed:
    case UserResult::Missing:
        return QStringLiteral("User changed at another workstation");
    case UserResult::NotAvailable:
        return QStringLiteral("User file not available");
    case UserResult::LogFailed:
        return QStringLiteral("Activity log not available");
    case UserResult::IoError:
        return QStringLiteral("User file not saved");
    case UserResult::Full:
        return QStringLiteral("User list full");
    case UserResult::Ok:
    case UserResult::Cancelled:
        break;
    }
    return QString();
}

QString UserResultText(UserResult result)
{
    switch (result) {
    case UserResult::Changed:
    case UserResult::Missing:
        return QStringLiteral("This user has been changed or removed at another") + CrLf +
               QStringLiteral("workstation since the list was loaded.") + CrLf + CrLf +
               nothingChanged() + CrLf +
               QStringLiteral("Please look at the refreshed list and try again.");
    case UserResult::NotAvailable:
        return unavailableText() + CrLf + CrLf + nothingChanged();
    case UserResult::LogFailed:
        return LogFailedText(UserListLogName);
    case UserResult::IoError:
        return QStringLiteral("The user file '") + UserFileName +
               QStringLiteral("' could not be written") + CrLf +
               QStringLiteral("(the disk may be full or the folder read-only).") + CrLf + CrLf +
               nothingChanged();
    case UserResult::Full:
        return QStringLiteral("The user list holds 32,767 users,") + CrLf +
               QStringLiteral("the most it can hold.") + CrLf + CrLf +
               QStringLiteral("The new user has not been saved.");
    case UserResult::Ok:
    case UserResult::Cancelled:
        break;
    }
    return QString();
}

void ShowUserResult(UserResult result)
{
    const QString text = UserResultText(result);
    if (text.isEmpty())
        return;
    ShowMsgBox(UserResultTitle(result), 4, text, 1, false, {QStringLiteral("&Okay")});
}
