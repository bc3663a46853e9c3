#include "core/common/Startup.h"

#include "core/common/DataSet.h"
#include "core/common/FileOps.h"
#include "core/common/FolderLock.h"
#include "core/common/Globals.h"

#include <QCommandLineParser>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLockFile>
#include <algorithm>
#include <cstdlib>
#include <sys/stat.h>
#include <unistd.h>

static QString configuredValue(const QString &configPath, const QString &key);

QString ConfiguredDataDir(const QString &configPath)
{
    return ConfiguredPath(configPath, QStringLiteral("DataDir"));
}

QString ConfiguredPath(const QString &configPath, const QString &key)
{
    const QString value = configuredValue(configPath, key);
    if (value.isEmpty())
        return QString();
    return QDir::cleanPath(QFileInfo(configPath).absoluteDir().absoluteFilePath(value));
}

QString ConfiguredDatabase(const QString &configPath)
{
    return configuredValue(configPath, QStringLiteral("Database"));
}

static QString configuredValue(const QString &configPath, const QString &key)
{
    // "key=value" lines; blank lines, "#" and ";" comments and section
    // headers are passed over. QSettings would split a value at its commas.
    QFile file(configPath);
    if (!file.open(QIODevice::ReadOnly | QIODevice::Text))
        return QString();
    while (!file.atEnd()) {
        const QString line = QString::fromUtf8(file.readLine()).trimmed();
        const int equals = line.indexOf(QLatin1Char('='));
        if (equals <= 0 || line.startsWith(QLatin1Char('#')) || line.startsWith(QLatin1Char(';')))
            continue;
        if (line.left(equals).trimmed() != key)
            continue;
        QString value = line.mid(equals + 1).trimmed();
        if (value.size() >= 2 && value.startsWith(QLatin1Char('"')) &&
            value.endsWith(QLatin1Char('"')))
            value = value.mid(1, value.size() - 2);
        return value;
    }
    return QString();
}

QByteArray ConfiguredLogKey(const QString &configPath, QString *error)
{
    error->clear();
    const QString file = ConfiguredPath(configPath, QStringLiteral("LogKey"));
    if (file.isEmpty())
        return QByteArray();
    QByteArray key;
    QFile in(file);
    if (!in.open(QIODevice::ReadOnly)) {
        *error =
            QStringLiteral("the log key file %1 can not be read: %2").arg(file, in.errorString());
        return QByteArray();
    }
    key = in.readAll();
    while (key.endsWith('\n') || key.endsWith('\r'))
        key.chop(1);
    if (key.size() < 16)
        *error = QStringLiteral("the log key file %1 holds fewer than 16 bytes").arg(file);
    return key.size() < 16 ? QByteArray() : key;
}

namespace
{

// The options that take a value, with what is said when it is missing
// (also when it is empty, unless the value goes to its own check).
struct ValueOption {
    const char *name;
    const char *missing;
    bool emptyAllowed;
    bool equalsForm; // "--name=value" as well as "--name value"
};
constexpr ValueOption kValueOptions[] = {
    {"data-dir", "--data-dir needs a folder", false, true},
    {"set-agency", "--set-agency needs the agency's name", true, true},
    {"backup", "--backup needs the folder that receives the backups", false, true},
    {"keep", "--keep needs the number of backups to keep", true, true},
    {"labels", "--labels needs a value", false, false},
    {"template", "--template needs a value", false, false},
    {"start", "--start needs a value", false, false},
    {"case", "--case needs a value", false, false},
    {"inventory-report", "--inventory-report needs a value", false, false},
    {"csv", "--csv needs a value", false, false},
    {"database", "--database needs a postgresql:// URL or key=value settings", false, true},
    {"export-folder", "--export-folder needs a folder", false, true}};
constexpr const char *kFlags[] = {"all",   "active",          "qr",          "label-templates",
                                  "check", "set-access-code", "inventories", "seal",
                                  "init",  "import"};

QString unknownOption(const QString &argument)
{
    return QStringLiteral("unknown option: %1").arg(argument);
}

// The first fault of a command line: where it stands and what it is.
class FirstFault
{
public:
    explicit FirstFault(const QStringList &arguments) : m_args(arguments), m_at(arguments.size()) {}
    void add(qsizetype at, const QString &text)
    {
        if (at >= 0 && at < m_at) {
            m_at = at;
            m_text = text;
        }
    }
    qsizetype at() const { return m_at; }
    QString text() const { return m_text; }

    // Where the n-th "--name" or "--name=..." stands.
    qsizetype occurrence(const QString &name, int n) const
    {
        const QString plain = QStringLiteral("--") + name;
        for (qsizetype i = 0; i < m_args.size(); ++i) {
            if ((m_args.at(i) == plain || m_args.at(i).startsWith(plain + QLatin1Char('='))) &&
                n-- == 0)
                return i;
        }
        return m_args.size();
    }

    // What the parser could not read: options it does not know (a word of
    // single letters is as typed), words that are no option ("--" among
    // them), a value given to an option that takes none.
    void addUnreadable(const QCommandLineParser &parser)
    {
        for (const QString &name : parser.unknownOptionNames()) {
            for (qsizetype i = 0; i < m_args.size(); ++i) {
                const QString &a = m_args.at(i);
                const bool letters = !a.startsWith(QLatin1String("--")) && a.contains(name);
                if (a.startsWith(QLatin1Char('-')) &&
                    (a.section(QLatin1Char('='), 0, 0).mid(2) == name || letters)) {
                    add(i, unknownOption(a));
                    break;
                }
            }
        }
        for (const QString &word : parser.positionalArguments())
            add(m_args.indexOf(word), unknownOption(word));
        add(m_args.indexOf(QStringLiteral("--")), unknownOption(QStringLiteral("--")));
        for (qsizetype i = 0; i < m_args.size(); ++i) {
            const QString &a = m_args.at(i);
            const QString name = a.section(QLatin1Char('='), 0, 0).mid(2);
            if (!a.startsWith(QLatin1String("--")) || !a.contains(QLatin1Char('=')))
                continue;
            if (name == QLatin1String("set-access-code")) {
                // A code on the command line would be seen by every user
                // of the machine (process list, shell history).
                add(i, QStringLiteral("--set-access-code takes no value: type the access "
                                      "code on standard input"));
            } else if (std::any_of(std::begin(kFlags), std::end(kFlags),
                                   [&](const char *f) { return name == QLatin1String(f); }) ||
                       std::any_of(std::begin(kValueOptions), std::end(kValueOptions),
                                   [&](const ValueOption &v) {
                                       return !v.equalsForm && name == QLatin1String(v.name);
                                   })) {
                add(i, unknownOption(a));
            }
        }
    }

private:
    const QStringList &m_args;
    qsizetype m_at;
    QString m_text;
};

// Takes one value of an option into o; the text of what is wrong with it,
// or nothing.
QString takeValue(StartOptions &o, const QString &name, const QString &value,
                  const QString &currentDir)
{
    const auto absolute = [&] { return QDir(currentDir).absoluteFilePath(value); };
    if (name == QLatin1String("data-dir")) {
        o.dataDir = absolute();
        o.dataDirGiven = true;
    } else if (name == QLatin1String("database")) {
        o.database = value;
    } else if (name == QLatin1String("export-folder")) {
        o.exportFolder = QDir::cleanPath(absolute());
    } else if (name == QLatin1String("set-agency")) {
        o.setAgency = true;
        o.agencyName = value;
    } else if (name == QLatin1String("backup")) {
        o.backup = true;
        o.backupTarget = QDir::cleanPath(absolute());
    } else if (name == QLatin1String("keep")) {
        bool ok = false;
        o.keep = value.toInt(&ok);
        if (!ok || o.keep < 1 || value.startsWith(QLatin1Char('+')))
            return QStringLiteral("--keep needs a whole number of at least 1, not '%1'").arg(value);
    } else if (name == QLatin1String("labels")) {
        o.labelsFile = QDir::cleanPath(absolute());
    } else if (name == QLatin1String("template")) {
        o.labelTemplate = value;
    } else if (name == QLatin1String("case")) {
        o.labelCase = value.trimmed();
    } else if (name == QLatin1String("inventory-report")) {
        o.inventoryReport = value;
    } else if (name == QLatin1String("csv")) {
        o.inventoryCsv = QDir::cleanPath(absolute());
    } else {
        bool ok = false;
        o.labelStart = value.toInt(&ok);
        if (!ok || value.startsWith(QLatin1Char('+')))
            return QStringLiteral("--start needs a label position, not '%1'").arg(value);
    }
    return QString();
}

} // namespace

StartOptions ParseCommandLine(const QStringList &arguments, const QString &currentDir,
                              const QString &configPath)
{
    QCommandLineParser parser;
    for (const ValueOption &v : kValueOptions)
        parser.addOption(
            QCommandLineOption(QString::fromLatin1(v.name), QString(), QStringLiteral("value")));
    for (const char *flag : kFlags)
        parser.addOption(QCommandLineOption(QString::fromLatin1(flag)));
    parser.addOption(QCommandLineOption(QStringList{QStringLiteral("h"), QStringLiteral("help")}));
    // Qt's own texts are not shown: the faults are found below, and the
    // first on the line is the one reported.
    parser.parse(QStringList(QString()) + arguments);

    StartOptions o;
    o.dataDir = ConfiguredDataDir(configPath);
    if (o.dataDir.isEmpty())
        o.dataDir = QDir(currentDir).absolutePath();
    FirstFault fault(arguments);
    fault.addUnreadable(parser);
    for (const ValueOption &v : kValueOptions) {
        const QString name = QString::fromLatin1(v.name);
        const QStringList values = parser.values(name);
        for (int n = 0; fault.occurrence(name, n) < arguments.size(); ++n) {
            const qsizetype at = fault.occurrence(name, n);
            if (n >= values.size() || (values.at(n).isEmpty() && !v.emptyAllowed))
                fault.add(at, QString::fromLatin1(v.missing));
            else if (const QString wrong = takeValue(o, name, values.at(n), currentDir);
                     !wrong.isEmpty())
                fault.add(at, wrong);
        }
    }
    const qsizetype helpAt = std::min(
        arguments.indexOf(QStringLiteral("--help")), arguments.indexOf(QStringLiteral("-h")),
        [](qsizetype a, qsizetype b) { return quint64(a) < quint64(b); });
    if (!fault.text().isEmpty()) {
        StartOptions failed;
        failed.error = fault.text();
        failed.help = helpAt >= 0 && helpAt < fault.at();
        return failed;
    }
    o.help = parser.isSet(QStringLiteral("help"));
    o.labelAll = parser.isSet(QStringLiteral("all"));
    o.labelActive = parser.isSet(QStringLiteral("active"));
    o.labelQrCode = parser.isSet(QStringLiteral("qr"));
    o.listLabelTemplates = parser.isSet(QStringLiteral("label-templates"));
    o.check = parser.isSet(QStringLiteral("check"));
    o.setAccessCode = parser.isSet(QStringLiteral("set-access-code"));
    o.listInventories = parser.isSet(QStringLiteral("inventories"));
    o.seal = parser.isSet(QStringLiteral("seal"));
    o.logKey = ConfiguredLogKey(configPath, &o.logKeyError);
    o.initDatabase = parser.isSet(QStringLiteral("init"));
    o.importFolder = parser.isSet(QStringLiteral("import"));
    if (o.database.isEmpty() && !o.dataDirGiven)
        o.database = ConfiguredDatabase(configPath);
    o.dataDir = QDir::cleanPath(o.dataDir);
    return o;
}

QString CommandLineHelp()
{
    return QStringLiteral("Usage: custorin [--data-dir DIR]\n"
                          "       custorin [--data-dir DIR] --set-agency NAME --set-access-code\n"
                          "       custorin [--data-dir DIR] --backup TARGET [--keep N]\n"
                          "       custorin [--data-dir DIR] --check\n"
                          "       custorin [--data-dir DIR] --seal\n"
                          "       custorin [--data-dir DIR] --labels OUT.pdf --template NAME\n"
                          "                [--start N] [--case CASE | --all | --active] [--qr]\n"
                          "       custorin --label-templates\n"
                          "       custorin [--data-dir DIR] --inventories\n"
                          "       custorin [--data-dir DIR] --inventory-report ID --csv OUT.csv\n"
                          "       custorin --database URL [--init | --export-folder DIR]\n"
                          "       custorin --data-dir DIR --database URL --import\n"
                          "\n"
                          "Keeps the inventory of an evidence and property room.\n"
                          "\n"
                          "  --data-dir DIR  the folder holding the data files (Custorin.Data,\n"
                          "                  User.List, the activity logs); several workstations\n"
                          "                  may share one folder on a network drive.\n"
                          "                  Default: DataDir in /etc/custorin.conf, else\n"
                          "                  the current folder.\n"
                          "  --set-agency NAME  with --set-access-code: sets up the installation\n"
                          "                  of the data folder without opening a window: the\n"
                          "                  agency's name (1 to 60 characters) and the\n"
                          "                  administrative access code (exactly 5 characters),\n"
                          "                  read as one line from standard input. Ends with\n"
                          "                  status 0 when saved, otherwise with an error.\n"
                          "  --set-access-code  see --set-agency.\n"
                          "  --backup TARGET  copies the data files and Custorin.ini into a new\n"
                          "                  folder TARGET/Custorin-YYYY-MM-DD-HHMM while holding\n"
                          "                  the data folder's lock. Status 0 when the backup is\n"
                          "                  complete, 1 otherwise (older backups untouched).\n"
                          "  --keep N        with --backup: afterwards keeps only the newest N\n"
                          "                  Custorin-* backup folders under TARGET that read\n"
                          "                  back whole.\n"
                          "  --check         reads every data file and reports what it finds;\n"
                          "                  changes nothing. Status 0 when all is well, 1 when\n"
                          "                  something needs attention. The activity logs'\n"
                          "                  chains and seals are verified; a log that fails\n"
                          "                  is named with its first bad line (and that is\n"
                          "                  recorded in UserList.Log).\n"
                          "  --seal          seals the activity logs' chains: their line counts\n"
                          "                  and chain values go into Logs.Seals and are\n"
                          "                  printed as the Log Seal, to be filed or signed.\n"
                          "                  The chains are keyed (HMAC-SHA256) when LogKey in\n"
                          "                  /etc/custorin.conf names a key file.\n"
                          "  --labels OUT.pdf  writes barcode labels of entries to a PDF file on\n"
                          "                  the --template NAME (--label-templates lists them),\n"
                          "                  from label position --start N of the first sheet:\n"
                          "                  the entries of --case CASE, --all entries, or the\n"
                          "                  --active ones (the default); --qr adds a QR code.\n"
                          "                  Status 0 when written, 1 otherwise.\n"
                          "  --inventories   lists the inventories of the data folder, newest\n"
                          "                  first: id, status, scans and scope, one a line.\n"
                          "  --inventory-report ID  with --csv OUT.csv: writes the report of the\n"
                          "                  closed inventory ID as comma-separated values.\n"
                          "                  Status 0 when written, 1 otherwise.\n"
                          "  --database URL  works on a PostgreSQL server instead of a data\n"
                          "                  folder: a postgresql:// URL or libpq key=value\n"
                          "                  settings, never with a password (libpq reads it\n"
                          "                  from ~/.pgpass). Default: Database in\n"
                          "                  /etc/custorin.conf, unless --data-dir is given.\n"
                          "  --init          with --database: makes the tables, or upgrades\n"
                          "                  them to this release's schema version.\n"
                          "  --import        with --data-dir and --database: copies the data\n"
                          "                  folder into an empty database and checks it.\n"
                          "  --export-folder DIR  with --database: writes the data files of\n"
                          "                  the database (at most 32,767 entries) into DIR.\n"
                          "  --help          show this text and end.\n");
}

SingleInstance::SingleInstance(const QString &lockPath) : m_path(lockPath)
{
    if (m_path.isEmpty()) {
        // The user's run-time folder when the session has one, otherwise a
        // name of the user's own in the temporary folder.
        const QString runtime = qEnvironmentVariable("XDG_RUNTIME_DIR");
        QString name = AppTitle + QStringLiteral(".instance.lock");
        if (runtime.isEmpty() || !QFileInfo(runtime).isDir()) {
            QString user = qEnvironmentVariable("USER");
            if (user.isEmpty())
                user = qEnvironmentVariable("USERNAME");
            name = AppTitle + QLatin1Char('-') + user + QStringLiteral(".instance.lock");
        }
        m_path = QDir(runtime.isEmpty() || !QFileInfo(runtime).isDir() ? QDir::tempPath() : runtime)
                     .absoluteFilePath(name);
    }
}

SingleInstance::~SingleInstance()
{
    release();
}

bool SingleInstance::claim()
{
    if (m_lock && m_lock->isLocked())
        return true;
    m_lock = std::make_unique<QLockFile>(m_path);
    // Only a live holder counts: a copy that crashed is recognised by its
    // process id and its lock taken over at once.
    m_lock->setStaleLockTime(0);
    return m_lock->tryLock(0);
}

void SingleInstance::release()
{
    if (m_lock && m_lock->isLocked())
        m_lock->unlock();
    m_lock.reset();
}

QStringList RemoveEmptyDataFiles(DataSet &ds)
{
    QStringList removed;
    // Another workstation may have just created a file to write into it:
    // only files still empty under the lock go, and while another
    // workstation holds it nothing goes (the next exit tidies up).
    FolderLock lock(ds);
    if (!lock.tryAcquire())
        return removed;
    for (const QString &name : DataFileList) {
        const QString path = DataPath(ds, name);
        const QFileInfo info(path);
        if (!info.exists() || !info.isFile() || info.size() != 0)
            continue;
        // A log is read-only between writes; that must not keep it.
        ChangeFileMode(path, [](mode_t mode) { return mode | S_IWUSR; });
        if (QFile::remove(path))
            removed.append(name);
    }
    return removed;
}
