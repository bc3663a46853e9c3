// Program-wide constants of Custorin. What belongs to one data folder lives
// in its data set (DataSet.h), what belongs to the person at this
// workstation in the session (Session.h).
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

inline const QString TempFileName = QStringLiteral("TempFile.$$$");
inline const QString UserFileName = QStringLiteral("User.List");
inline const QString LockFileName = QStringLiteral("Custorin.lock");
// The installation's settings (users/Installation.h).
inline const QString InstallationFileName = QStringLiteral("Custorin.ini");

inline const QString DataFileName = AppTitle + QStringLiteral(".Data");
// The six files of the data set.
inline const QStringList DataFileList = {DataFileName,
                                         UserFileName,
                                         QStringLiteral("SignInOut.Log"),
                                         QStringLiteral("UserList.Log"),
                                         QStringLiteral("DataRecords.Log"),
                                         QStringLiteral("Search.Log")};
inline const QStringList AccessLevelNames = {
    QStringLiteral("Read Only"), QStringLiteral("Read/Edit"), QStringLiteral("Read/Edit/Add"),
    QStringLiteral("Full Access")};

// CR LF, the line break of every message text and log line.
inline const QString CrLf = QStringLiteral("\r\n");

// Name of access level 1..4; empty for any other number.
QString AccessLevelName(int level);
