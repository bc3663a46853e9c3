// The installation's settings: the agency's name and the administrative
// access code. They belong to the data folder that every workstation
// shares, so they live in a small settings file there, "Custorin.ini"
// (not one of the files of DataFileList). The access code is never stored:
// only a salted PBKDF2-SHA-256 key derived from it, with the salt and the
// iteration count. The file is written under the folder lock and replaced
// in one step.
#pragma once

#include "core/common/DataSet.h"
#include "core/common/Globals.h"

#include <QDateTime>
#include <QMap>
#include <QPair>
#include <QString>
#include <QVector>

constexpr int AgencyNameMaxLength = 60;
constexpr int AccessCodeLength = 5;
constexpr int AccessCodeIterations = 100000;
// An iteration count read from the settings outside this range counts as
// damaged settings (too few make the key cheap to guess, too many make
// every check hang).
constexpr int AccessCodeIterationsMin = 10000;
constexpr int AccessCodeIterationsMax = 1000000;
constexpr int AccessCodeSaltBytes = 16;
constexpr int AccessCodeKeyBytes = 32;

enum class InstallationResult {
    Ok,
    NotConfigured,     // there is no settings file in the data folder
    Unreadable,        // the settings file can not be opened
    Corrupted,         // the settings file is damaged or incomplete
    AgencyEmpty,       // no agency name given
    AgencyTooLong,     // more than AgencyNameMaxLength characters
    AgencyInvalid,     // a line break, tab or other control character
    AccessCodeInvalid, // not exactly five characters (or a control character)
    FolderMissing,     // the data folder does not exist
    FolderReadOnly,    // the data folder can not be written to
    Cancelled,         // the folder stayed busy (the data set's lockRefusal); nothing saved
    IoError,           // the settings file could not be written; nothing changed
    FolderInUse,       // the set-up window may not set up a folder that holds users or entries
    SetUpMeanwhile,    // another workstation set the folder up while the window was open
    LogFailed,         // the line in "UserList.Log" could not be written; nothing saved
};

// Who saves the settings.
enum class SetupBy {
    Window,   // the set-up window: only a folder without users and entries,
              // and not one set up meanwhile
    Operator, // the unattended set-up, run with a shell on the server: any
              // folder, also to replace missing or damaged settings
};

// True when the data folder holds complete, readable settings.
bool InstallationConfigured(const DataSet &ds);

// Reads the settings file at path (a backup's copy, say) without using
// it: Ok, NotConfigured (no such file), Unreadable or Corrupted.
InstallationResult CheckInstallationFile(const QString &path);

// Reads the settings and sets the data set's AgencyName (emptied when they
// can not be read).
InstallationResult LoadInstallation(DataSet &ds);

// Checks and saves the agency name (blanks around it are taken off; 1 to
// 60 characters) and the access code (exactly five characters, kept as
// typed: case and blanks count), with its line in "UserList.Log". On
// success the data set's AgencyName is set. On any other result the file is as it was.
// For the window, under the folder lock: FolderInUse when the folder holds
// a user file or a data file that is not empty, SetUpMeanwhile when it
// holds complete settings by now.
InstallationResult SaveInstallation(DataSet &ds, const QString &agency, const QString &accessCode,
                                    SetupBy by = SetupBy::Operator);

// True when the data folder holds a user file or a data file that is not
// empty: settings missing there are not set up in a window.
bool DataFolderInUse(const DataSet &ds);

// The lines of "UserList.Log" about the access code (without CR LF), in
// the stamp form of the other lines.
enum class AccessCodeEvent {
    SetInWindow,       // "... - Access code set in the set-up window"
    SetByOperator,     // "... - Access code set by the unattended set-up"
    ChangedByOperator, // "... - Access code changed by the unattended set-up"
    Wrong,             // "... - Incorrect access code submitted"
};
QString AccessCodeLine(const DataSet &ds, const QDateTime &now, AccessCodeEvent event);
// Appends that line (under the folder lock); false when it could not.
// The line of a wrong code names the workstation and the account:
// "... - Incorrect access code submitted at workstation 'WS-1' by account
// 'pat'".
bool LogAccessCode(DataSet &ds, AccessCodeEvent event);

// Wrong access codes since the last right one are counted for the data
// folder, in the side file "WrongCodes.Count" (the number as text), so that
// restarting the program does not start the slow-down afresh.
inline const QString WrongCodesFileName = QStringLiteral("WrongCodes.Count");
// Under one hold of the folder lock: counts one more wrong code and writes
// its line in "UserList.Log". The new count; -1 when the lock was refused
// or the count could not be written.
int CountWrongAccessCode(DataSet &ds);
// The count as it stands (0 when there is no count or it can not be read).
int WrongAccessCodeCount(const DataSet &ds);
// A right code: the count is removed (under the folder lock).
void ClearWrongAccessCodes(DataSet &ds);

// The site that publishes the newest version text and the version
// documents (key "UpdateAddress", e.g. "updates.agency.example/custorin"),
// as written; empty when none is set up or the file can not be read.
// Saving the agency name and access code keeps it.
QString UpdateAddress(const DataSet &ds);

// The access code check: exactly the configured code (case matters,
// nothing trimmed). Reads the settings afresh each time; false when they
// are missing or damaged.
bool AccessCodeMatches(const DataSet &ds, const QString &code);
// The same, telling a wrong code from settings that can not be read:
// Ok for the right code, AccessCodeInvalid for a wrong one, otherwise what
// is wrong with the settings (NotConfigured, Unreadable, Corrupted).
InstallationResult CheckAccessCode(const DataSet &ds, const QString &code);

// The same rules on the settings' values as a table holds them (keys of
// the [Installation] section: "AgencyName", "AccessCodeKey", ...); no
// values: NotConfigured. For a store that keeps no settings file.
// The checks of what is to be saved: Ok, or what is wrong with it.
InstallationResult CheckInstallationInput(const QString &agency, const QString &accessCode);
// The values that keep agency and a new key of accessCode (with a fresh
// salt), in the settings file's order; the update address kept when given.
QVector<QPair<QString, QString>> NewInstallationValues(const QString &agency,
                                                       const QString &accessCode,
                                                       const QString &updateAddress);
// Ok (the agency's name in *agency), NotConfigured or Corrupted.
InstallationResult InstallationFromValues(const QMap<QString, QString> &values, QString *agency);
InstallationResult CheckAccessCodeValues(const QMap<QString, QString> &values, const QString &code);
QString UpdateAddressFromValues(const QMap<QString, QString> &values);

// The message for a result: title and text (empty for Ok and Cancelled).
QString InstallationResultTitle(InstallationResult result);
QString InstallationResultText(const DataSet &ds, InstallationResult result);
// How settings that are missing or damaged in a folder in use come back:
// a backup, or the unattended set-up run by an operator on the server.
QString InstallationRecoveryText();
// What is said when the settings are missing (NotConfigured), can not be
// opened (Unreadable) or are damaged (Corrupted) in a folder in use, or
// turn out so in the middle of a session: what is wrong, and the way back.
QString InstallationProblemText(const DataSet &ds, InstallationResult result);
