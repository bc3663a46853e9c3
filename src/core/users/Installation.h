// The installation's settings: the agency's name and the administrative
// access code. They belong to the data folder that every workstation
// shares, so they live in a small settings file there, "Custorin.ini"
// (not one of the files of DataFileList). The access code is never stored:
// only a salted PBKDF2-SHA-256 key derived from it, with the salt and the
// iteration count. The file is written under the folder lock and replaced
// in one step.
#pragma once

#include <QString>

inline const QString InstallationFileName = QStringLiteral("Custorin.ini");
constexpr int AgencyNameMaxLength = 60;
constexpr int AccessCodeLength = 5;
constexpr int AccessCodeIterations = 100000;
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
    Cancelled,         // the person cancelled while the folder was busy
    IoError,           // the settings file could not be written; nothing changed
};

// True when the data folder holds complete, readable settings.
bool InstallationConfigured();

// Reads the settings file at path (a backup's copy, say) without using
// it: Ok, NotConfigured (no such file), Unreadable or Corrupted.
InstallationResult CheckInstallationFile(const QString &path);

// Reads the settings and sets AgencyName (emptied when they can not be
// read).
InstallationResult LoadInstallation();

// Checks and saves the agency name (blanks around it are taken off; 1 to
// 60 characters) and the access code (exactly five characters, kept as
// typed: case and blanks count). On success AgencyName is set. On any
// other result the file is as it was.
InstallationResult SaveInstallation(const QString &agency, const QString &accessCode);

// The site that publishes the newest version text and the version
// documents (key "UpdateAddress", e.g. "updates.agency.example/custorin"),
// as written; empty when none is set up or the file can not be read.
// Saving the agency name and access code keeps it.
QString UpdateAddress();

// The access code check: exactly the configured code (case matters,
// nothing trimmed). Reads the settings afresh each time; false when they
// are missing or damaged.
bool AccessCodeMatches(const QString &code);

// The message for a result: title and text (empty for Ok and Cancelled).
QString InstallationResultTitle(InstallationResult result);
QString InstallationResultText(InstallationResult result);
