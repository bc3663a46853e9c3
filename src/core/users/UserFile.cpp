#include "core/users/UserFile.h"

#include "core/common/ActivityLog.h"
#include "core/common/ChainedLogs.h"
#include "core/common/Desktop.h"
#include "core/common/FolderLock.h"
#include "core/common/Formats.h"
#include "core/common/Globals.h"
#include "core/common/MsgBox.h"
#include "core/common/RecordFile.h"
#include "core/common/RecordFileLength.h"

#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QThread>
#include <cstring>
#include <memory>

namespace
{

// The data set's shared reader's open of the user file (DataSet::userFile).
// A folder that can not be written to and holds no user file reads as an
// empty list.
class UserFileHandle
{
public:
    explicit UserFileHandle(DataSet &ds) : m_ds(ds) {}

    // A fresh open: the data folder may have changed since the last one.
    bool open()
    {
        m_ds.userFile = std::make_shared<RecordFile>(
            m_ds, DataPath(m_ds, UserFileName), UserRecordLength, m_ds.options.UserFileOpenRetryMs);
        m_ds.userFolderEmpty = false;
        const QString path = file().path();
        if (file().open(RecordFile::ForReading))
            return true;
        const QFileInfo folder(QFileInfo(path).absolutePath());
        if (!QFileInfo::exists(path) && folder.isDir() && !folder.isWritable()) {
            m_ds.userFolderEmpty = true; // nobody can have added a user here
            return true;
        }
        return false;
    }

    void close()
    {
        if (m_ds.userFile)
            m_ds.userFile->close();
        m_ds.userFolderEmpty = false;
    }

    bool isOpen() const { return m_ds.userFolderEmpty || (m_ds.userFile && file().isOpen()); }
    int count() const { return m_ds.userFile ? file().recordCount() : 0; }
    QString path() const { return file().path(); }
    qint64 size() const { return file().isOpen() ? file().size() : 0; }

    // The 500 bytes of record n; empty when the read failed.
    QByteArray readRaw(int n)
    {
        QByteArray record;
        return file().readRecord(n, &record) ? record : QByteArray();
    }

    // Every record, each padded to 500 bytes; false when a read failed.
    bool readAll(QByteArray *bytes)
    {
        bytes->clear();
        if (m_ds.userFolderEmpty)
            return true;
        bytes->reserve(qint64(file().recordCount()) * UserRecordLength);
        return file().forEachRecord(1000, [&](int, const char *record) {
            bytes->append(record, UserRecordLength);
            return true;
        });
    }

private:
    RecordFile &file() const { return *m_ds.userFile; }
    DataSet &m_ds;
};

UserResult toUserResult(RecordResult r)
{
    switch (r) {
    case RecordResult::Ok:
        return UserResult::Ok;
    case RecordResult::Changed:
        return UserResult::Changed;
    case RecordResult::Missing:
        return UserResult::Missing;
    case RecordResult::Cancelled:
        return UserResult::Cancelled;
    case RecordResult::Busy:
        return UserResult::Busy;
    case RecordResult::Unwritable:
        return UserResult::Unwritable;
    case RecordResult::NotAvailable:
        return UserResult::NotAvailable;
    case RecordResult::IoError:
        break;
    }
    return UserResult::IoError;
}

// The lock and the user file, open for writing, for one operation.
struct LockedUsers : LockedRecords {
    explicit LockedUsers(DataSet &ds)
        : LockedRecords(ds, DataPath(ds, UserFileName), UserRecordLength,
                        ds.options.UserFileOpenRetryMs)
    {
    }

    UserResult open()
    {
        const UserResult r = toUserResult(LockedRecords::open());
        if (r == UserResult::Ok)
            lock.dataSet().UserCount = file.recordCount();
        return r;
    }

    // Re-reads record n and checks it is still the user the person saw.
    UserResult check(int n, const UserIdentity &asRead, QByteArray *raw)
    {
        return toUserResult(LockedRecords::check(
            n, [&](const QByteArray &bytes) { return asRead.matches(UserRecord::Unpack(bytes)); },
            raw));
    }

    // Opens, then re-reads record n as check() does.
    UserResult openAt(int n, const UserIdentity &asRead, QByteArray *raw)
    {
        const UserResult r = open();
        return r == UserResult::Ok ? check(n, asRead, raw) : r;
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

QString unavailableText(const DataSet &ds)
{
    return RecordFileUnavailableText(ds, QStringLiteral("user file"), UserFileName);
}

} // namespace

int UserCountForLength(qint64 bytes)
{
    return RecordsForLength(bytes, UserRecordLength);
}

bool OpenUserFile(DataSet &ds)
{
    UserFileHandle file(ds);
    if (!file.open()) {
        ds.UserCount = 0;
        return false;
    }
    ds.UserCount = file.count();
    // A length that is not a whole number of records is told once.
    ReportDamagedLength(ds, UserFileKind(), file.path(), file.size());
    return true;
}

MsgBoxRequest UserFileUnavailableMessage(const DataSet &ds)
{
    const DatabaseFailure &db = ds.databaseFailure;
    return MakeMsgBoxRequest(
        db.isSet() ? DatabaseFailureTitle(db) : UserResultTitle(UserResult::NotAvailable),
        MsgIcon::Warning, db.isSet() ? DatabaseFailureText(db) : unavailableText(ds),
        MsgButton::First, false, {QStringLiteral("&Retry"), QStringLiteral("&Cancel")});
}

void CloseUserFile(DataSet &ds)
{
    UserFileHandle(ds).close();
}

bool UserFileIsOpen(DataSet &ds)
{
    return UserFileHandle(ds).isOpen();
}

UserRecord ReadUser(DataSet &ds, int n)
{
    UserFileHandle file(ds);
    if (!file.isOpen() || n < 1 || n > file.count())
        return UserRecord();
    return UserRecord::Unpack(file.readRaw(n));
}

QVector<UserRecord> ReadAllUsers(DataSet &ds, bool *ok)
{
    QVector<UserRecord> users;
    const bool wasOpen = UserFileIsOpen(ds);
    bool read = wasOpen || OpenUserFile(ds);
    QByteArray bytes;
    if (read) {
        UserFileHandle file(ds);
        read = file.readAll(&bytes);
        if (read) {
            ds.UserCount = file.count();
            users.reserve(ds.UserCount);
            for (int i = 0; i < ds.UserCount; ++i)
                users.append(UserRecord::Unpack(bytes.constData() + qint64(i) * UserRecordLength,
                                                UserRecordLength));
        }
        if (!wasOpen)
            CloseUserFile(ds);
    }
    if (ok)
        *ok = read;
    return users;
}

UserResult AppendUser(DataSet &ds, UserRecord &user, int *recordNumber)
{
    if (CheckUserNames(user.FirstName, user.LastName) != UserNameCheck::Ok)
        return UserResult::InvalidName;
    LockedUsers locked(ds);
    UserResult r = locked.open();
    if (r != UserResult::Ok)
        return r;
    const int n = locked.file.recordCount() + 1;
    if (n > MaxUserCount)
        return UserResult::Full;

    user.DateCreated = ToOleDate(desktop().now());
    qint64 logSize = 0;
    if (!logLine(locked.lock, LogAdded, user.DisplayName(), &logSize))
        return UserResult::LogFailed;
    const qint64 sizeBefore = locked.file.size();
    if (!locked.file.writeRecord(n, user.Pack())) {
        locked.file.truncate(sizeBefore);
        UndoLogAppend(locked.lock, UserListLogName, logSize);
        return UserResult::IoError;
    }
    CoverFile(locked.lock, UserFileName); // with a key; a failure shows in the check
    ds.UserCount = n;
    if (recordNumber)
        *recordNumber = n;
    return UserResult::Ok;
}

UserResult SaveEditedUser(DataSet &ds, int n, const UserIdentity &asRead, const UserRecord &edited)
{
    if (CheckUserNames(edited.FirstName, edited.LastName) != UserNameCheck::Ok)
        return UserResult::InvalidName;
    LockedUsers locked(ds);
    QByteArray raw;
    if (const UserResult r = locked.openAt(n, asRead, &raw); r != UserResult::Ok)
        return r;
    QByteArray changed = edited.Pack();
    // Set once when the user was added.
    std::memcpy(changed.data() + UserLayout::DateCreated, raw.constData() + UserLayout::DateCreated,
                sizeof(double));

    qint64 logSize = 0;
    if (!logLine(locked.lock, LogEdited, edited.DisplayName(), &logSize))
        return UserResult::LogFailed;
    if (!locked.file.writeRecord(n, changed)) {
        locked.file.writeRecord(n, raw);
        UndoLogAppend(locked.lock, UserListLogName, logSize);
        return UserResult::IoError;
    }
    CoverFile(locked.lock, UserFileName);
    return UserResult::Ok;
}

UserResult DeleteUser(DataSet &ds, int n, const UserIdentity &asRead)
{
    LockedUsers locked(ds);
    QByteArray raw;
    if (const UserResult r = locked.openAt(n, asRead, &raw); r != UserResult::Ok)
        return r;
    qint64 logSize = 0;
    if (!logLine(locked.lock, LogDeleted, UserRecord::Unpack(raw).DisplayName(), &logSize))
        return UserResult::LogFailed;
    // Records marked by an interrupted deletion of an older release go too.
    int kept = 0;
    const RecordResult compacted = locked.compact(
        [&](int i, const char *record) {
            return i != n && !UserRecord::Unpack(record, UserRecordLength).isKilled();
        },
        &kept);
    if (compacted != RecordResult::Ok) {
        UndoLogAppend(locked.lock, UserListLogName, logSize);
        return UserResult::IoError;
    }
    CoverFile(locked.lock, UserFileName);
    ds.UserCount = kept;
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
    case UserResult::InvalidName:
        return QStringLiteral("Invalid Name");
    case UserResult::Ok:
    case UserResult::Cancelled:
    case UserResult::Busy: // the "Data folder busy" question
    case UserResult::Unwritable:
        break;
    }
    return QString();
}

namespace
{
// A database store's failure is told by its operation, not by the files.
bool toldAsDatabase(const DataSet &ds, UserResult result)
{
    return ds.databaseFailure.isSet() &&
           (result == UserResult::NotAvailable || result == UserResult::LogFailed ||
            result == UserResult::IoError);
}
} // namespace

QString UserResultText(const DataSet &ds, UserResult result)
{
    if (toldAsDatabase(ds, result))
        return DatabaseFailureText(ds.databaseFailure);
    switch (result) {
    case UserResult::Changed:
    case UserResult::Missing:
        return QStringLiteral("This user has been changed or removed at another") + CrLf +
               QStringLiteral("workstation since the list was loaded.") + CrLf + CrLf +
               nothingChanged() + CrLf +
               QStringLiteral("Please look at the refreshed list and try again.");
    case UserResult::NotAvailable:
        return unavailableText(ds) + CrLf + CrLf + nothingChanged();
    case UserResult::LogFailed:
        return LogFailedText(ds, UserListLogName);
    case UserResult::IoError:
        return QStringLiteral("The user file '") + UserFileName +
               QStringLiteral("' could not be written") + CrLf +
               QStringLiteral("(the disk may be full or the folder read-only).") + CrLf + CrLf +
               nothingChanged();
    case UserResult::Full:
        return QStringLiteral("The user list holds 32,767 users,") + CrLf +
               QStringLiteral("the most it can hold.") + CrLf + CrLf +
               QStringLiteral("The new user has not been saved.");
    case UserResult::InvalidName:
        return QStringLiteral("A first name may not be '") + UserKilledMarker +
               QStringLiteral("' (it marks a user") + CrLf +
               QStringLiteral("while the user is being deleted), and no name") + CrLf +
               QStringLiteral("may hold a tab or a line break.") + CrLf + CrLf + nothingChanged();
    case UserResult::Ok:
    case UserResult::Cancelled:
    case UserResult::Busy: // the "Data folder busy" question
    case UserResult::Unwritable:
        break;
    }
    return QString();
}

MsgBoxRequest UserResultMessage(const DataSet &ds, UserResult result)
{
    if (result == UserResult::Busy)
        return DataFolderBusyMessage(LockHolderNow(ds));
    if (result == UserResult::Unwritable)
        return DataFolderUnwritableMessage(ds);
    const QString text = UserResultText(ds, result);
    if (text.isEmpty())
        return {};
    const QString title = toldAsDatabase(ds, result) ? DatabaseFailureTitle(ds.databaseFailure)
                                                     : UserResultTitle(result);
    return {title, MsgIcon::Warning, text, MsgButton::First, false, {QStringLiteral("&Okay")}};
}
