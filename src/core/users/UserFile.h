// The user file "User.List": fixed 500-byte user records, no header,
// record n (counting from 1) at byte (n - 1) * 500. No workstation keeps it
// open between user actions. Readers take no lock; every change (add,
// edit, delete) runs as one operation under the folder lock together with
// its line in "UserList.Log": when the line can not be written the change
// is not made.
#pragma once

#include "core/common/DataSet.h"
#include "core/common/Desktop.h"
#include "core/common/InputChecks.h"
#include "core/users/UserRecord.h"

#include <QString>
#include <QVector>

// Records in a file of this length: the length divided by 500, rounded to
// the nearest whole number, a half to the even neighbour. A short last
// record reads as blanks and zeros past the end of the file.
int UserCountForLength(qint64 bytes);

// The data set's shared reader's open of the user file, for the windows (the
// grid, sign-in, the add/edit window). A missing file is created empty (a
// folder that can not be written to reads as an empty list). A failed open
// is retried for the data set's UserFileOpenRetryMs; false when the file
// is not open (the data set's UserCount is then 0; the window asks
// UserFileUnavailableMessage, Retry opening again). Opening again closes
// first.
bool OpenUserFile(DataSet &ds);
void CloseUserFile(DataSet &ds);
bool UserFileIsOpen(DataSet &ds);
// User n of the open file, by value (blank when the file is closed or n is
// out of range).
UserRecord ReadUser(DataSet &ds, int n);
// Every user in file order (user i + 1 at index i); opens and closes the
// file when it is not open already. Sets UserCount. *ok (when given) is
// false when the file could not be read; the list is then empty.
QVector<UserRecord> ReadAllUsers(DataSet &ds, bool *ok = nullptr);

enum class UserResult {
    Ok,
    Changed,      // the record at that number is another user now
    Missing,      // there is no record at that number any more
    Cancelled,    // the person would not have a damaged length mended
    NotAvailable, // the user file could not be opened
    LogFailed,    // the log line could not be written; nothing changed
    IoError,      // a read or write failed; nothing changed
    Full,         // the file holds the most users it can
    InvalidName,  // a name the file may not hold (CheckUserNames); nothing changed
    Busy,         // another workstation held the folder lock; nothing changed
    Unwritable,   // the folder lock could not be made; nothing changed
};

// What identifies the user a person is looking at: the creation date and
// the names as they were read.
struct UserIdentity {
    double DateCreated = 0;
    QString FirstName;
    QString LastName;

    static UserIdentity of(const UserRecord &user)
    {
        return {user.DateCreated, user.FirstName.trimmed(), user.LastName.trimmed()};
    }
    bool matches(const UserRecord &user) const
    {
        return SameStoredDouble(user.DateCreated, DateCreated) &&
               user.FirstName.trimmed() == FirstName && user.LastName.trimmed() == LastName;
    }
};

// Saves a new user after the last record (the count read under the lock):
// stamps DateCreated (now) into user and logs "added to". The record number
// it got goes to *recordNumber. UserCount is the new count.
UserResult AppendUser(DataSet &ds, UserRecord &user, int *recordNumber = nullptr);

// Writes an edited user back as record n and logs "edited in" with the new
// display name. The creation date stays the one in the file.
UserResult SaveEditedUser(DataSet &ds, int n, const UserIdentity &asRead, const UserRecord &edited);

// Removes record n: logs "deleted from", then writes every other record
// (without any left marked by an interrupted deletion of an older release)
// into "TempFile.$$$", flushes it to disk and renames it over "User.List"
// in one step; the user file is never missing or half written. Deleting
// the last user removes "User.List" (the next open creates it empty).
// Sets UserCount.
UserResult DeleteUser(DataSet &ds, int n, const UserIdentity &asRead);

// The message for a result: title and text (empty for Ok and Cancelled,
// where there is nothing to tell).
QString UserResultTitle(UserResult result);
QString UserResultText(const DataSet &ds, UserResult result);
// The whole message box for a result; an empty title for Ok and Cancelled.
// Busy and Unwritable give the "Data folder busy" question (Retry, Cancel).
MsgBoxRequest UserResultMessage(const DataSet &ds, UserResult result);
// The user file could not be opened: Retry opens it again, Cancel gives up.
MsgBoxRequest UserFileUnavailableMessage(const DataSet &ds);
