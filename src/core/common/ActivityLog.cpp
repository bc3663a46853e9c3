#include "core/common/ActivityLog.h"

#include "core/common/Desktop.h"
#include "core/common/FolderLock.h"
#include "core/common/Formats.h"
#include "core/common/Globals.h"

#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>

namespace
{

constexpr QFile::Permissions kWriteBits =
    QFile::WriteOwner | QFile::WriteUser | QFile::WriteGroup | QFile::WriteOther;

// Lets windows repaint around a log write (never while the lock is held,
// and never letting a click start another operation meanwhile).
void letWindowsPaint()
{
    if (QCoreApplication::instance())
        QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
}

bool writeLine(const QString &logName, const QString &line)
{
    letWindowsPaint();
    const bool ok = AppendLogLine(logName, line);
    letWindowsPaint();
    return ok;
}

} // namespace

QString LogStamp(const QDateTime &now)
{
    // One reading of the clock for both halves, so a line written at
    // midnight never pairs one day's date with the next day's time.
    return FormatDate(now, QStringLiteral("mm/dd/yyyy")) + QStringLiteral(" at ") +
           FormatDate(now, QStringLiteral("hh:nn:ss"));
}

QString SignInOutLine(const QDateTime &now, int code)
{
    QString tail;
    switch (code) {
    case LogIncorrectPassword:
        tail = QStringLiteral(" - Incorrect password submitted");
        break;
    case LogSignedIn:
        tail = QStringLiteral(" signed in w/ ") + AccessLevelName(CurrentAccessLevel) +
               QStringLiteral(" privileges");
        break;
    case LogSignedOut:
        tail = QStringLiteral(" signed out");
        break;
    default:
        break;
    }
    return LogStamp(now) + QStringLiteral(" - ") + CurrentUserName + tail;
}

QString UserListLine(const QDateTime &now, int code, const QString &userName)
{
    QString verb;
    switch (code) {
    case LogAdded:
        verb = QStringLiteral("added to");
        break;
    case LogEdited:
        verb = QStringLiteral("edited in");
        break;
    case LogDeleted:
        verb = QStringLiteral("deleted from");
        break;
    default:
        break;
    }
    return LogStamp(now) + QStringLiteral(" - '") + userName + QStringLiteral("' ") + verb +
           QStringLiteral(" the 'User List'");
}

QString DataRecordLine(const QDateTime &now, int code, double controlNumber)
{
    QString verb;
    switch (code) {
    case LogAdded:
        verb = QStringLiteral("added");
        break;
    case LogEdited:
        verb = QStringLiteral("edited");
        break;
    case LogDeleted:
        verb = QStringLiteral("deleted");
        break;
    case LogArchived:
        verb = QStringLiteral("archived");
        break;
    case LogRestored:
        verb = QStringLiteral("restored");
        break;
    default:
        break;
    }
    return LogStamp(now) + QStringLiteral(" - Control#") + ControlNumberText(controlNumber) +
           QStringLiteral(" ") + verb + QStringLiteral(" by ") + CurrentUserName;
}

QString SearchLine(const QDateTime &now, const QString &description)
{
    return LogStamp(now) + QStringLiteral(" - ") + CurrentUserName +
           QStringLiteral(" searched for ") + description;
}

bool LogSignInOut(int code)
{
    return writeLine(SignInOutLogName, SignInOutLine(desktop().now(), code));
}

bool LogUserList(int code, const QString &userName)
{
    return writeLine(UserListLogName, UserListLine(desktop().now(), code, userName));
}

bool LogDataRecord(int code, double controlNumber)
{
    return writeLine(DataRecordsLogName, DataRecordLine(desktop().now(), code, controlNumber));
}

bool LogSearch(const QString &description)
{
    return writeLine(SearchLogName, SearchLine(desktop().now(), description));
}

bool AppendLogLine(const QString &logName, const QString &line, qint64 *sizeBefore)
{
    FolderLock lock;
    if (!lock.acquire())
        return false;
    return AppendLogLine(lock, logName, line, sizeBefore);
}

bool AppendLogLine(const FolderLock &held, const QString &logName, const QString &line,
                   qint64 *sizeBefore)
{
    if (!held.isHeld())
        return false;

    const QString path = DataPath(logName);
    const QByteArray bytes = ToWindows1252(line + CrLf);
    if (QFileInfo(path).isFile()) {
        // Writable for the append; the result only matters through the open.
        QFile::setPermissions(path, QFile::permissions(path) | QFile::WriteOwner);
    }

    QFile file(path);
    bool ok = file.open(QIODevice::WriteOnly | QIODevice::Append);
    if (ok) {
        const qint64 before = file.size();
        if (sizeBefore)
            *sizeBefore = before;
        ok = file.write(bytes) == bytes.size() && file.flush();
        if (!ok)
            file.resize(before); // never leave half a line behind
        file.close();
        ok = ok && file.error() == QFileDevice::NoError;
    }

    // Read-only between writes, also when the append failed.
    if (QFileInfo(path).isFile())
        QFile::setPermissions(path, QFile::permissions(path) & ~kWriteBits);
    return ok;
}

bool UndoLogAppend(const FolderLock &held, const QString &logName, qint64 sizeBefore)
{
    if (!held.isHeld())
        return false;
    const QString path = DataPath(logName);
    if (!QFileInfo(path).isFile())
        return false;
    const QFile::Permissions permissions = QFile::permissions(path);
    QFile::setPermissions(path, permissions | QFile::WriteOwner);
    const bool ok = QFile::resize(path, sizeBefore);
    QFile::setPermissions(path, permissions & ~kWriteBits);
    return ok;
}

QString LogFailedText(const QString &logName)
{
    return QStringLiteral("The activity log '") + logName + QStringLiteral("' can not be") + CrLf +
           QStringLiteral("written to in the data folder:") + CrLf + DataPath(QString()) + CrLf +
           CrLf + QStringLiteral("Nothing has been changed.");
}
