#include "core/common/Startup.h"

#include "core/common/FileOps.h"
#include "core/common/FolderLock.h"
#include "core/common/Globals.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLockFile>
#include <cstdlib>
#include <sys/stat.h>
#include <unistd.h>

QString ConfiguredDataDir(const QString &configPath)
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
        if (line.left(equals).trimmed() != QLatin1String("DataDir"))
            continue;
        QString value = line.mid(equals + 1).trimmed();
        if (value.size() >= 2 && value.startsWith(QLatin1Char('"')) &&
            value.endsWith(QLatin1Char('"')))
            value = value.mid(1, value.size() - 2);
        if (value.isEmpty())
            return QString();
        return QDir::cleanPath(QFileInfo(configPath).absoluteDir().absoluteFilePath(value));
    }
    return QString();
}

StartOptions ParseCommandLine(const QStringList &arguments, const QString &currentDir,
                              const QString &configPath)
{
    StartOptions o;
    o.dataDir = ConfiguredDataDir(configPath);
    if (o.dataDir.isEmpty())
        o.dataDir = QDir(currentDir).absolutePath();
    for (int i = 0; i < arguments.size(); ++i) {
        const QString &a = arguments.at(i);
        if (a == QLatin1String("--help") || a == QLatin1String("-h")) {
            o.help = true;
        } else if (a == QLatin1String("--data-dir")) {
            if (i + 1 >= arguments.size() || arguments.at(i + 1).isEmpty()) {
                o.error = QStringLiteral("--data-dir needs a folder");
                return o;
            }
            o.dataDir = QDir(currentDir).absoluteFilePath(arguments.at(++i));
        } else if (a.startsWith(QLatin1String("--data-dir="))) {
            const QString dir = a.mid(int(qstrlen("--data-dir=")));
            if (dir.isEmpty()) {
                o.error = QStringLiteral("--data-dir needs a folder");
                return o;
            }
            o.dataDir = QDir(currentDir).absoluteFilePath(dir);
        } else if (a == QLatin1String("--set-agency")) {
            if (i + 1 >= arguments.size()) {
                o.error = QStringLiteral("--set-agency needs the agency's name");
                return o;
            }
            o.setAgency = true;
            o.agencyName = arguments.at(++i);
        } else if (a.startsWith(QLatin1String("--set-agency="))) {
            o.setAgency = true;
            o.agencyName = a.mid(int(qstrlen("--set-agency=")));
        } else if (a == QLatin1String("--backup") || a.startsWith(QLatin1String("--backup="))) {
            QString target;
            if (a == QLatin1String("--backup")) {
                if (i + 1 >= arguments.size()) {
                    o.error = QStringLiteral("--backup needs the folder that receives the backups");
                    return o;
                }
                target = arguments.at(++i);
            } else {
                target = a.mid(int(qstrlen("--backup=")));
            }
            if (target.isEmpty()) {
                o.error = QStringLiteral("--backup needs the folder that receives the backups");
                return o;
            }
            o.backup = true;
            o.backupTarget = QDir::cleanPath(QDir(currentDir).absoluteFilePath(target));
        } else if (a == QLatin1String("--keep") || a.startsWith(QLatin1String("--keep="))) {
            QString count;
            if (a == QLatin1String("--keep")) {
                if (i + 1 >= arguments.size()) {
                    o.error = QStringLiteral("--keep needs the number of backups to keep");
                    return o;
                }
                count = arguments.at(++i);
            } else {
                count = a.mid(int(qstrlen("--keep=")));
            }
            bool ok = false;
            const int n = count.toInt(&ok);
            if (!ok || n < 1 || count.startsWith(QLatin1Char('+'))) {
                o.error = QStringLiteral("--keep needs a whole number of at least 1, not '%1'")
                              .arg(count);
                return o;
            }
            o.keep = n;
        } else if (a == QLatin1String("--labels") || a == QLatin1String("--template") ||
                   a == QLatin1String("--start") || a == QLatin1String("--case")) {
            if (i + 1 >= arguments.size() || arguments.at(i + 1).isEmpty()) {
                o.error = QStringLiteral("%1 needs a value").arg(a);
                return o;
            }
            const QString value = arguments.at(++i);
            if (a == QLatin1String("--labels")) {
                o.labelsFile = QDir::cleanPath(QDir(currentDir).absoluteFilePath(value));
            } else if (a == QLatin1String("--template")) {
                o.labelTemplate = value;
            } else if (a == QLatin1String("--case")) {
                o.labelCase = value.trimmed();
            } else {
                bool ok = false;
                o.labelStart = value.toInt(&ok);
                if (!ok || value.startsWith(QLatin1Char('+'))) {
                    o.error = QStringLiteral("--start needs a label position, not '%1'").arg(value);
                    return o;
                }
            }
        } else if (a == QLatin1String("--inventory-report") || a == QLatin1String("--csv")) {
            if (i + 1 >= arguments.size() || arguments.at(i + 1).isEmpty()) {
                o.error = QStringLiteral("%1 needs a value").arg(a);
                return o;
            }
            const QString value = arguments.at(++i);
            if (a == QLatin1String("--csv"))
                o.inventoryCsv = QDir::cleanPath(QDir(currentDir).absoluteFilePath(value));
            else
                o.inventoryReport = value;
        } else if (a == QLatin1String("--inventories")) {
            o.listInventories = true;
        } else if (a == QLatin1String("--all")) {
            o.labelAll = true;
        } else if (a == QLatin1String("--active")) {
            o.labelActive = true;
        } else if (a == QLatin1String("--qr")) {
            o.labelQrCode = true;
        } else if (a == QLatin1String("--label-templates")) {
            o.listLabelTemplates = true;
        } else if (a == QLatin1String("--check")) {
            o.check = true;
        } else if (a == QLatin1String("--set-access-code")) {
            o.setAccessCode = true;
        } else if (a.startsWith(QLatin1String("--set-access-code="))) {
            // A code on the command line would be seen by every user of
            // the machine (process list, shell history).
            o.error = QStringLiteral("--set-access-code takes no value: type the access code "
                                     "on standard input");
            return o;
        } else {
            o.error = QStringLiteral("unknown option: %1").arg(a);
            return o;
        }
    }
    o.dataDir = QDir::cleanPath(o.dataDir);
    return o;
}

QString CommandLineHelp()
{
    return QStringLiteral("Usage: custorin [--data-dir DIR]\n"
                          "       custorin [--data-dir DIR] --set-agency NAME --set-access-code\n"
                          "       custorin [--data-dir DIR] --backup TARGET [--keep N]\n"
                          "       custorin [--data-dir DIR] --check\n"
                          "       custorin [--data-dir DIR] --labels OUT.pdf --template NAME\n"
                          "                [--start N] [--case CASE | --all | --active] [--qr]\n"
                          "       custorin --label-templates\n"
                          "       custorin [--data-dir DIR] --inventories\n"
                          "       custorin [--data-dir DIR] --inventory-report ID --csv OUT.csv\n"
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
                          "                  something needs attention.\n"
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

QStringList RemoveEmptyDataFiles()
{
    QStringList removed;
    // Another workstation may have just created a file to write into it:
    // only files still empty under the lock go, and while another
    // workstation holds it nothing goes (the next exit tidies up).
    FolderLock lock;
    if (!lock.tryAcquire())
        return removed;
    for (const QString &name : DataFileList) {
        const QString path = DataPath(name);
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

void StartWithHugePageHeap(char **argv)
{
    if (std::getenv("GLIBC_TUNABLES"))
        return;
    // Set before the new start, so that it is never tried twice.
    ::setenv("GLIBC_TUNABLES", "glibc.malloc.hugetlb=1", 1);
    ::execv("/proc/self/exe", argv);
}
