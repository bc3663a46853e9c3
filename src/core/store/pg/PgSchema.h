// The database of a PostgreSQL installation: where it is (a postgresql://
// URL or a libpq key=value string, never with a password: libpq finds that
// in ~/.pgpass or PGPASSFILE, or the server trusts peer or GSS
// authentication), its tables and their numbered migrations.
#pragma once

#include <QString>
#include <QStringList>

// The role the program works as: it may read and write entries, users and
// the settings, and only add to the four logs. The workstations' login
// roles are made members of it by the administrator.
inline const QString AppRoleName = QStringLiteral("custorin_app");

// The schema version this release works with.
constexpr int CurrentSchemaVersion = 6;

// A --database text made into a libpq key=value string; empty with the
// reason in *error when it holds a password or can not be read.
QString DatabaseConninfo(const QString &text, QString *error);

// The four activity logs' tables, by the logs' file names ("SignInOut.Log"
// gives "sign_in_out_log"); empty for any other name.
QString LogTableName(const QString &logName);
QStringList LogFileNames();

// Makes the tables of a new database, or brings an older one up to the
// current version, one numbered migration at a time, each in a transaction
// of its own and noted in schema_version. Run by the database's owner.
// The report (what was done) or the error in *message.
bool InitDatabase(const QString &conninfo, QString *message);
