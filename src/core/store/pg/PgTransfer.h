// Moving an installation between a data folder and a database, and the
// command line's database commands.
#pragma once

#include <QByteArray>
#include <QString>

class QIODevice;
struct StartOptions;

// Copies the data folder into an empty database in one transaction: every
// entry (active and archived), every user (the password as a PBKDF2 key,
// no scrambled copy), every line of the four logs and the installation
// settings. Each row is read back and compared with its record field by
// field before anything is committed. The logs' chains and seals come
// along (PgChain.h), made with logKey where they are made here. The
// report, or why nothing was imported, in *message.
bool ImportFolder(const QString &folder, const QString &conninfo, QString *message,
                  const QByteArray &logKey = QByteArray());

// Writes the data files of the database into folder (which must hold none):
// "Custorin.Data", "User.List" with blank password fields, the four logs
// and "Custorin.ini". Refuses more entries than a data file holds.
bool ExportFolder(const QString &conninfo, const QString &folder, QString *message);

// A dated dump of the database (pg_dump --format=custom) into target as
// "Custorin-YYYY-MM-DD-HHMM.dump", keeping only the newest keep of them
// when keep > 0.
bool BackupDatabase(const QString &conninfo, const QString &target, int keep, QString *message);
// Reads the database and reports: the schema version, the logs' guards,
// every entry's and user's record. Changes nothing.
bool CheckDatabase(const QString &conninfo, QString *message);

// --set-agency and --set-access-code on the database of options.database,
// as RunUnattendedSetup (users/UnattendedSetup.h) sets up a data folder:
// the settings and the access code's line (with its link) in the database.
int RunDatabaseSetup(const StartOptions &options, QIODevice &input, QString *message);

// --init, --import, --export-folder, and --backup and --check on a
// database: the report on *out, the error on
// *err; the exit status (0 done, 1 failed, 2 options that do not go
// together).
int RunDatabaseCommand(const StartOptions &options, QString *out, QString *err);
