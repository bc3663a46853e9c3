#include "core/common/ActivityLog.h"

#include "core/common/ChainedLogs.h"
#include "core/common/DataSet.h"
#include "core/common/Desktop.h"
#include "core/common/FileOps.h"
#include "core/common/FolderLock.h"
#include "core/common/Formats.h"
#include "core/common/Globals.h"
#include "core/common/InputChecks.h"

#include <QFile>
#include <QFileInfo>
#include <cerrno>
#include <fcntl.h>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

namespace
{

QString accountOf(uid_t uid)
{
    const passwd *pw = ::getpwuid(uid);
    return pw ? QString::fromLocal8Bit(pw->pw_name) : QString::number(uid);
}

bool failed(DataSet &ds, const QString &logName, int error, const struct stat &st)
{
    LogFailure &why = ds.logFailure;
    why.logName = logName;
    why.owner.clear();
    why.account.clear();
    if ((error == EACCES || error == EPERM) && st.st_uid != ::geteuid()) {
        why.owner = accountOf(st.st_uid);
        why.account = accountOf(::geteuid());
    }
    errno = error;
    return false;
}

mode_t readOnly(mode_t mode)
{
    return mode & 07777 & ~mode_t(0222);
}

// The log opened for writing once more, through the path, as long as it is
// still the file the handle `held` has (st); -1 otherwise.
int reopenForWriting(const QString &path, const struct stat &st)
{
    const int fd = OpenDataSetFile(path, O_WRONLY);
    struct stat now;
    if (fd >= 0 && (::fstat(fd, &now) != 0 || now.st_dev != st.st_dev || now.st_ino != st.st_ino)) {
        ::close(fd);
        errno = ESTALE;
        return -1;
    }
    return fd;
}

// Takes the log at fd back to `length` bytes, only ever shorter: a
// truncation to a length the file no longer reaches (another workstation
// took bytes off meanwhile) would fill it out with zero bytes.
bool cutBack(int fd, qint64 length)
{
    bool isFile = false;
    qint64 now = -1;
    if (!CurrentFileState(fd, &isFile, &now) || now < length)
        return false;
    return now == length || ::ftruncate(fd, off_t(length)) == 0;
}

// The log belongs to another account that left it read-only, and only its
// owner may change that. Where the folder allows it, the log is replaced by
// a copy that ends with the new line (the copy then belongs to this
// account); the lock keeps every other writer out meanwhile.
bool appendByReplacing(DataSet &ds, const QString &logName, const QString &path,
                       const QByteArray &bytes, const struct stat &st, qint64 *sizeBefore)
{
    QByteArray content;
    if (!ReadWholeFile(ds, path, &content))
        return failed(ds, logName, EACCES, st);
    const QString work = DataPath(ds, TempFileName);
    RemoveFileRetrying(ds, work);
    if (!WriteWholeFile(ds, work, content + bytes, true, 0666, true)) {
        const int error = errno;
        RemoveFileRetrying(ds, work);
        return failed(ds, logName, error, st);
    }
    ChangeFileMode(work, readOnly);
    if (!RenameRetrying(ds, work, path)) {
        const int error = errno;
        RemoveFileRetrying(ds, work);
        return failed(ds, logName, error, st);
    }
    if (sizeBefore)
        *sizeBefore = content.size();
    return true;
}

// The line's link goes into the log's chain under the same hold of the
// lock. A chain that can not be written does not undo the line: the next
// append repairs the chain, and the repair is recorded.
void linkAppended(const FolderLock &held, const QString &logName, qint64 before,
                  const QByteArray &bytes, qint64 *sizeBefore)
{
    LinkLogLines(held, logName, before, bytes);
    if (sizeBefore)
        *sizeBefore = before;
}

bool writeLine(DataSet &ds, const QString &logName, const QString &line)
{
    return AppendLogLine(ds, logName, line);
}

} // namespace

QString LogStamp(const QDateTime &now)
{
    // One reading of the clock for both halves, so a line written at
    // midnight never pairs one day's date with the next day's time.
    return DateText(now) + QStringLiteral(" at ") + TimeText(now);
}

QString SignInOutLine(const Session &who, const QDateTime &now, int code)
{
    QString tail;
    switch (code) {
    case LogIncorrectPassword:
        tail = QStringLiteral(" - Incorrect password submitted");
        break;
    case LogSignedIn:
        tail = QStringLiteral(" signed in w/ ") + AccessLevelName(who.CurrentAccessLevel) +
               QStringLiteral(" privileges");
        break;
    case LogSignedOut:
        tail = QStringLiteral(" signed out");
        break;
    default:
        break;
    }
    return LogStamp(now) + QStringLiteral(" - ") + OneLine(who.CurrentUserName) + tail;
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
    return LogStamp(now) + QStringLiteral(" - '") + OneLine(userName) + QStringLiteral("' ") +
           verb + QStringLiteral(" the 'User List'");
}

QString DataRecordLine(const Session &who, const QDateTime &now, int code, double controlNumber)
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
           QStringLiteral(" ") + verb + QStringLiteral(" by ") + OneLine(who.CurrentUserName);
}

QString SearchLine(const Session &who, const QDateTime &now, const QString &description)
{
    return LogStamp(now) + QStringLiteral(" - ") + OneLine(who.CurrentUserName) +
           QStringLiteral(" searched for ") + OneLine(description);
}

bool LogSignInOut(DataSet &ds, int code)
{
    return writeLine(ds, SignInOutLogName, SignInOutLine(ds.session(), desktop().now(), code));
}

bool LogUserList(DataSet &ds, int code, const QString &userName)
{
    return writeLine(ds, UserListLogName, UserListLine(desktop().now(), code, userName));
}

bool LogDataRecord(DataSet &ds, int code, double controlNumber)
{
    return writeLine(ds, DataRecordsLogName,
                     DataRecordLine(ds.session(), desktop().now(), code, controlNumber));
}

bool LogSearch(DataSet &ds, const QString &description)
{
    return writeLine(ds, SearchLogName, SearchLine(ds.session(), desktop().now(), description));
}

bool AppendLogLine(DataSet &ds, const QString &logName, const QString &line, qint64 *sizeBefore)
{
    FolderLock lock(ds);
    if (!lock.acquire())
        return false;
    return AppendLogLine(lock, logName, line, sizeBefore);
}

bool AppendLogLine(const FolderLock &held, const QString &logName, const QString &line,
                   qint64 *sizeBefore)
{
    if (!held.isHeld())
        return false;
    DataSet &ds = held.dataSet();
    ds.logFailure = LogFailure();

    const QString path = DataPath(ds, logName);
    const QByteArray bytes = ToWindows1252(line + CrLf);
    struct stat st = {};
    // Every mode change goes through a handle held on the log itself, never
    // through its name: a link in its place is refused, not followed.
    int modes = OpenDataSetFile(path, O_RDONLY);
    const int openError = errno;
    if (modes < 0 && openError != ENOENT && openError != EACCES)
        return failed(ds, logName, openError, st);
    const bool exists = modes >= 0 || openError == EACCES;
    if (modes < 0 && exists) // for the owner's name in the message
        ::lstat(QFile::encodeName(path).constData(), &st);
    int fd = -1;
    if (modes >= 0) {
        ::fstat(modes, &st);
        // Writable for the append. Only the file's owner may change its
        // mode; another account goes on to the open, which the file's group
        // or other bits may allow, or to the replacement below.
        ::fchmod(modes, (st.st_mode & 07777) | S_IWUSR);
        fd = reopenForWriting(path, st);
    } else {
        // Never O_APPEND: some network clients refuse it. The end is found
        // under the lock, which keeps every other writer out.
        fd = OpenDataSetFile(path, exists ? O_WRONLY : O_WRONLY | O_CREAT);
        if (fd >= 0) {
            modes = ::dup(fd);
            ::fstat(fd, &st);
        }
    }
    if (fd < 0) {
        const int error = errno;
        if (modes >= 0) {
            ::fchmod(modes, readOnly(st.st_mode));
            ::close(modes);
        }
        if (exists && error == EACCES) {
            qint64 replacedAt = 0;
            if (!appendByReplacing(ds, logName, path, bytes, st, &replacedAt))
                return false;
            linkAppended(held, logName, replacedAt, bytes, sizeBefore);
            return true;
        }
        return failed(ds, logName, error, st);
    }
    bool isFile = false;
    qint64 before = -1;
    if (!CurrentFileState(fd, &isFile, &before))
        before = -1;
    bool ok = before >= 0 && WriteAllAt(ds, fd, bytes.constData(), bytes.size(), before, path);
    int error = ok ? 0 : errno;
    if (!ok && before >= 0)
        (void)cutBack(fd, before); // never leave half a line behind
    // A share reports a failed write only at the close.
    if (::close(fd) != 0 && ok) {
        ok = false;
        error = errno;
        const int again = reopenForWriting(path, st);
        if (again >= 0) {
            (void)cutBack(again, before);
            ::close(again);
        }
    }
    // Read-only between writes, also when the append failed.
    if (modes >= 0) {
        ::fchmod(modes, readOnly(st.st_mode));
        ::close(modes);
    }
    if (!ok)
        return failed(ds, logName, error, st);
    linkAppended(held, logName, before, bytes, sizeBefore);
    return true;
}

bool UndoLogAppend(const FolderLock &held, const QString &logName, qint64 sizeBefore)
{
    // Only the one line this hold appended is taken back: not under a lock
    // taken over meanwhile, and not when the log has changed since (another
    // workstation's lines follow, or it is shorter than it was).
    if (!held.stillHeld())
        return false;
    DataSet &ds = held.dataSet();
    const QString path = DataPath(ds, logName);
    const int log = OpenDataSetFile(path, O_RDONLY);
    struct stat st;
    if (log < 0)
        return false;
    bool isFile = false;
    qint64 size = -1;
    QByteArray tail;
    if (::fstat(log, &st) == 0 && CurrentFileState(log, &isFile, &size) && size > sizeBefore &&
        size - sizeBefore <= 4096) {
        tail.resize(size - sizeBefore);
        if (ReadAllAt(ds, log, tail.data(), tail.size(), sizeBefore, path) != tail.size())
            tail.clear();
    }
    if (!tail.endsWith("\r\n") || tail.indexOf('\n') != tail.size() - 1) {
        ::close(log);
        return false;
    }
    ::fchmod(log, (st.st_mode & 07777) | S_IWUSR);
    const int fd = reopenForWriting(path, st);
    const bool ok = fd >= 0 && cutBack(fd, sizeBefore);
    if (fd >= 0)
        ::close(fd);
    ::fchmod(log, readOnly(st.st_mode));
    ::close(log);
    return ok && UndoLogLinks(held, logName, sizeBefore);
}

QString LogFailedText(const DataSet &ds, const QString &logName)
{
    if (ds.databaseFailure.isSet())
        return DatabaseFailureText(ds.databaseFailure);
    QString text = QStringLiteral("The activity log '") + logName + QStringLiteral("' can not be") +
                   CrLf + QStringLiteral("written to in the data folder:") + CrLf +
                   DataPath(ds, QString()) + CrLf + CrLf;
    const LogFailure &why = ds.logFailure;
    if (why.logName == logName && !why.owner.isEmpty() && why.owner != why.account) {
        text += QStringLiteral("It belongs to the account '") + why.owner +
                QStringLiteral("', and this") + CrLf +
                QStringLiteral("program runs as the account '") + why.account +
                QStringLiteral("'.") + CrLf + CrLf;
    }
    if (const QString notPlain = NotPlainFileText(DataPath(ds, logName)); !notPlain.isEmpty())
        text += notPlain + CrLf + CrLf;
    return text + QStringLiteral("Nothing has been changed.");
}
