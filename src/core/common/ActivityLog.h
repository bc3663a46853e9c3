// The four activity logs: one line of text per sign-in, user-list change,
// entry change and search, appended next to the data file.
#pragma once

#include <QDateTime>
#include <QString>

class DataSet;
struct Session;

// Action codes, one numbering shared by the writers.
enum LogAction : int {
    LogIncorrectPassword = 0,
    LogSignedIn = 1,
    LogSignedOut = 2,
    LogAdded = 3,
    LogEdited = 4,
    LogDeleted = 5,
    LogArchived = 6,
    LogRestored = 7,
};

inline const QString SignInOutLogName = QStringLiteral("SignInOut.Log");
inline const QString UserListLogName = QStringLiteral("UserList.Log");
inline const QString DataRecordsLogName = QStringLiteral("DataRecords.Log");
inline const QString SearchLogName = QStringLiteral("Search.Log");

// The writers. Each appends one line under the folder lock and leaves the
// log read-only; a missing log is created. They return false when the line
// could not be written (the lock was refused, the log or the folder can not
// be written); the log is then as it was. A change whose line could not be
// written must not be made: the entry store's operations log and change
// together. The lines name the person of the session attached to the data set.
bool LogSignInOut(DataSet &ds, int code);
bool LogUserList(DataSet &ds, int code, const QString &userName);
bool LogDataRecord(DataSet &ds, int code, double controlNumber);
bool LogSearch(DataSet &ds, const QString &description);

// The lines as the writers build them, without the CR LF. Whatever a person
// typed goes in on one line (OneLine): one event is one line of the log.
QString LogStamp(const QDateTime &now);
QString SignInOutLine(const Session &who, const QDateTime &now, int code);
QString UserListLine(const QDateTime &now, int code, const QString &userName);
QString DataRecordLine(const Session &who, const QDateTime &now, int code, double controlNumber);
QString SearchLine(const Session &who, const QDateTime &now, const QString &description);

class FolderLock;

// Appends line + CR LF (Windows-1252) to the log named logName in the data
// folder, under the folder lock: makes the log writable, appends, makes it
// read-only again. A failed append is undone. The log's length before the
// append goes to *sizeBefore. Never asks: while the folder stays busy it
// returns false with the data set's lockRefusal set.
bool AppendLogLine(DataSet &ds, const QString &logName, const QString &line,
                   qint64 *sizeBefore = nullptr);
// The same for an operation that holds the folder lock already (held), so
// that its change and its line go together.
bool AppendLogLine(const FolderLock &held, const QString &logName, const QString &line,
                   qint64 *sizeBefore = nullptr);
// Takes back the line just appended when the change it records could not
// be made, under the same hold of the lock as the append: only while the
// lock is still this holder's and the line is still the log's last; false
// (the log left as it is) otherwise.
bool UndoLogAppend(const FolderLock &held, const QString &logName, qint64 sizeBefore);

// What the person is told when a log line could not be written.
QString LogFailedText(const DataSet &ds, const QString &logName);
