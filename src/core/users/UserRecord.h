// One person who may sign in: the fixed 500-byte record of "User.List",
// the password rule and the stored (scrambled) form of a password.
#pragma once

#include <QByteArray>
#include <QString>

// Byte layout of a record: fields packed one after the other, no gaps,
// numbers little-endian, text Windows-1252 padded with blanks.
namespace UserLayout
{
constexpr int DateCreated = 0;  // OLE date (double)
constexpr int FirstName = 8;    // text 15
constexpr int LastName = 23;    // text 20
constexpr int Password = 43;    // text 16, the stored form
constexpr int AccessLevel = 59; // 16-bit signed
constexpr int Comments = 61;    // text 439
constexpr int Length = 500;

constexpr int FirstNameWidth = LastName - FirstName;
constexpr int LastNameWidth = Password - LastName;
constexpr int PasswordWidth = AccessLevel - Password;
constexpr int CommentsWidth = Length - Comments;
} // namespace UserLayout

constexpr int UserRecordLength = UserLayout::Length;
// Record numbers travel as 16-bit signed values: the file's limit.
constexpr int MaxUserCount = 32767;
// A first name that marks a record while it is being deleted; such records
// are dropped by every compaction.
inline const QString UserKilledMarker = QStringLiteral("$Killed$");

// Passwords: 4 to 8 letters and digits once leading and trailing blanks
// are taken off.
constexpr int MinPasswordLength = 4;
constexpr int MaxPasswordLength = 8;

struct UserRecord {
    double DateCreated = 0; // when the user was added; never changed by edits
    QString FirstName;
    QString LastName;
    QString Password;       // the stored form (ScramblePassword), not the password
    qint16 AccessLevel = 0; // 1..4, see AccessLevelNames
    QString Comments;

    // "First Last": the grid, the activity log and CurrentUserName.
    QString DisplayName() const;
    // "Last First": the order of the user grid.
    QString SortKey() const;
    bool isKilled() const { return FirstName.trimmed() == UserKilledMarker; }

    // The 500 bytes of the record.
    QByteArray Pack() const;
    // Reads a record from len bytes; bytes missing past len (a short last
    // record of the file) read as blanks and zeros.
    static UserRecord Unpack(const char *data, int len);
    static UserRecord Unpack(const QByteArray &bytes)
    {
        return Unpack(bytes.constData(), int(bytes.size()));
    }
};

// Names a user may not have: the first name "$Killed$" (it marks a record
// while it is being deleted, and compaction drops it), and any name with a
// tab, a line break or another control character (the grid, the log and
// the sign-in could not find such a user again).
enum class UserNameCheck { Ok, Reserved, ControlCharacter };
UserNameCheck CheckUserNames(const QString &firstName, const QString &lastName);

// The text without leading and trailing blanks (only blanks: a tab or a
// line break is part of the text and makes a password invalid).
QString TrimBlanks(const QString &text);

// A random whole number from low to high inclusive (low <= high): the
// filler of a scrambled password.
int RandomInteger(int low, int high);

// True when the text, without leading and trailing blanks, has 4 to 8
// characters, each a digit, an upper-case or a lower-case ASCII letter.
bool IsValidPassword(const QString &text);
// The stored form of a password (leading and trailing blanks taken off):
// before each character a random letter or digit, so the form is twice as
// long and differs each time the same password is saved.
QString ScramblePassword(const QString &text);
// The password back from its stored form: the trimmed form's characters at
// the even positions 2, 4, 6, ...
QString UnscramblePassword(const QString &stored);

// The sign-in check: the typed text equals the user's password exactly
// (case matters; the typed text is not trimmed).
bool PasswordMatches(const UserRecord &user, const QString &typed);
