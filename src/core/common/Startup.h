// Start-up pieces that need no window: the command line, the single-copy
// guard and the clean-up of the data folder.
#pragma once

#include <QString>
#include <QStringList>
#include <memory>

class DataSet;

struct StartOptions {
    QString dataDir; // absolute; the current folder when not given
    bool help = false;
    QString error; // not empty: the command line could not be used
    // Unattended set-up of the installation settings: the program sets the
    // agency name and the access code (read from standard input) for the
    // data folder and ends without opening a window.
    bool setAgency = false;
    QString agencyName;
    bool setAccessCode = false;
    bool unattended() const { return setAgency || setAccessCode; }
    // Administration without a window: a dated backup of the data folder
    // under backupTarget (keeping the newest keep of them when keep > 0),
    // or a read-only check of the data files.
    bool backup = false;
    QString backupTarget; // absolute
    int keep = 0;
    bool check = false;
    // Seals the activity logs' chains (common/ChainedLogs.h) and prints
    // the seal.
    bool seal = false;
    bool adminCommand() const { return backup || check || keep > 0 || seal; }
    // The key of the logs' chains named by LogKey in the workstation's
    // settings, and why a named key could not be used.
    QByteArray logKey;
    QString logKeyError;
    // Labels without a window: a PDF file of the labels of the chosen
    // entries on a template, from position labelStart of the first sheet;
    // or the list of the templates' names.
    QString labelsFile; // absolute
    QString labelTemplate;
    int labelStart = 1;
    QString labelCase;        // not empty: the entries of this case
    bool labelAll = false;    // every entry, archived ones too
    bool labelActive = false; // the active entries (also when none is chosen)
    bool labelQrCode = false;
    bool listLabelTemplates = false;
    bool labelCommand() const { return !labelsFile.isEmpty() || listLabelTemplates; }
    // Inventories without a window: the list of them, or a closed one's
    // report written as a CSV file.
    bool listInventories = false;
    QString inventoryReport; // the inventory's id
    QString inventoryCsv;    // absolute
    bool inventoryCommand() const
    {
        return listInventories || !inventoryReport.isEmpty() || !inventoryCsv.isEmpty();
    }
    // A PostgreSQL server instead of the data folder: --database (a
    // postgresql:// URL or libpq key=value settings, never a password),
    // else the Database of the settings file unless --data-dir is given.
    QString database;
    bool dataDirGiven = false;
    // Setting the database up, moving a data folder in, writing one out.
    bool initDatabase = false;
    bool importFolder = false;
    QString exportFolder; // absolute
    bool databaseCommand() const { return initDatabase || importFolder || !exportFolder.isEmpty(); }
};

// The system-wide settings of an installed workstation, written by the
// administrator: "DataDir=/srv/evidence" names the data folder used when
// the command line names none.
inline const QString SystemConfigPath = QStringLiteral("/etc/custorin.conf");

// The DataDir of the settings file at configPath (absolute; a relative one
// is taken from the file's own folder); empty when the file is missing or
// names no folder.
QString ConfiguredDataDir(const QString &configPath);
// Any other file or folder the settings file names ("LogKey=" names the key
// file of the activity logs' chains), resolved the same way.
QString ConfiguredPath(const QString &configPath, const QString &key);
// The key file named by "LogKey=" in the settings at configPath, read whole
// (trailing line breaks dropped); empty without one. *error tells why a
// named key file could not be used (missing, unreadable, under 16 bytes).
QByteArray ConfiguredLogKey(const QString &configPath, QString *error);
// The Database of the settings file ("Database=postgresql://..."); empty
// when there is none.
QString ConfiguredDatabase(const QString &configPath);

// Reads the arguments after the program name. The data folder is
// --data-dir, else the DataDir of configPath, else currentDir.
StartOptions ParseCommandLine(const QStringList &arguments, const QString &currentDir,
                              const QString &configPath = SystemConfigPath);
QString CommandLineHelp();

class QLockFile;

// Refuses a second running copy for the same user session. A copy that
// crashed leaves a lock that is recognised as stale, so it never blocks.
class SingleInstance
{
public:
    // lockPath: empty for the user's own run-time folder.
    explicit SingleInstance(const QString &lockPath = QString());
    ~SingleInstance();
    // True when this is the only running copy (the guard is now held).
    bool claim();
    void release();
    QString lockPath() const { return m_path; }

private:
    QString m_path;
    std::unique_ptr<QLockFile> m_lock;
};

// Closing step of the program: every file of the data set that exists and
// is empty is deleted; missing or non-empty ones are left alone. Returns
// the names deleted.
QStringList RemoveEmptyDataFiles(DataSet &ds);
