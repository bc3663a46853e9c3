// Program-wide state of Custorin: one table of values that every window and
// store function reads. Everything here is set at start-up or by sign-in and
// the search window; tests reset it with ResetProgramState().
#pragma once

#include <QDateTime>
#include <QString>
#include <QStringList>

// The program's title, taken from its version information; every window
// title, file name and message that names the program is built from it.
inline const QString AppTitle = QStringLiteral("Custorin");
inline const QString AppDescription = QStringLiteral("Evidence and Property Room Inventory");
// The legal notice of the version information; the About box puts "©"
// before it.
inline const QString AppLegalNotice = QStringLiteral("2026 The Custorin developers");
inline const QString VendorName = QStringLiteral("the Custorin developers");
inline const QString VendorMail = QStringLiteral("support@custorin.example");
inline const QString VendorWebSite = QStringLiteral("www.custorin.example");
constexpr int AppVersionMajor = CUSTORIN_VERSION_MAJOR;
constexpr int AppVersionMinor = CUSTORIN_VERSION_MINOR;
constexpr int AppVersionRevision = CUSTORIN_VERSION_PATCH;

// The folder holding the data files (absolute). Files are addressed by bare
// names inside it; see DataPath().
inline QString DataFolder;

inline QString DataFileName;         // title + ".Data"
inline QStringList AccessLevelNames; // 1-based through AccessLevelName()
inline QStringList DataFileList;     // the six files of the data set

inline QString CurrentUserName;    // empty while nobody is signed in
inline int CurrentAccessLevel = 0; // 1..4 once signed in
inline QString AgencyName;

inline bool ListNeedsReload = false;

// The search criteria handed from the search window to the main list.
struct SearchCriteria {
    QString SearchPhrase; // a text search's phrase; empty for a summary
    int SearchOption = 0; // the search window's option, 1..17
    int IgnoreCaps = 0;   // 1: letter case does not count
    int WholeWordOnly = 0;
    QDateTime SummaryStartDate; // a summary's first day at midnight, else invalid
};
inline SearchCriteria Search;

inline const QString TempFileName = QStringLiteral("TempFile.$$$");
inline const QString UserFileName = QStringLiteral("User.List");
inline const QString LockFileName = QStringLiteral("Custorin.lock");
// The installation's settings (users/Installation.h).
inline const QString InstallationFileName = QStringLiteral("Custorin.ini");

// CR LF, the line break of every message text and log line.
inline const QString CrLf = QStringLiteral("\r\n");

// Full path of a data-set file given by its bare name.
QString DataPath(const QString &bareName);

// Name of access level 1..4; empty for any other number.
QString AccessLevelName(int level);

// Steps 2 to 4 of start-up: the data-file name and the two tables.
void InitProgramTables();

// Puts every value above back to its start value (tests).
void ResetProgramState();
