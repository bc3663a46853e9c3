#include "core/rules/AdminCommands.h"

#include "core/common/ActivityLog.h"
#include "core/common/Desktop.h"
#include "core/common/FileOps.h"
#include "core/common/FolderLock.h"
#include "core/common/Globals.h"
#include "core/common/Startup.h"
#include "core/entries/EntryCheck.h"
#include "core/rules/BackupRestore.h"
#include "core/users/Backup.h"
#include "core/users/Installation.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <algorithm>

namespace
{

// The file's own write bits (WriteUser tells what this user may do, which
// for the administrator is everything).
constexpr QFile::Permissions kWriteBits = QFile::WriteOwner | QFile::WriteGroup | QFile::WriteOther;
// Records named one by one in the check's report before "and N more".
constexpr int kNamedRecords = 10;

QString numbers(const QVector<int> &records)
{
    QStringList shown;
    for (int i = 0; i < records.size() && i < kNamedRecords; ++i)
        shown << QString::number(records.at(i));
    QString text = shown.join(QStringLiteral(", "));
    if (records.size() > kNamedRecords)
        text += QStringLiteral(" and %1 more").arg(records.size() - kNamedRecords);
    return text;
}

// Lines about a record file; problems counted.
void reportRecordFile(const QString &name, const RecordFileCheck &c, const QString &unit,
                      QStringList *lines, int *problems)
{
    if (!c.exists) {
        lines->append(name + QStringLiteral(": not present"));
        return;
    }
    if (!c.readable) {
        lines->append(name + QStringLiteral(": PROBLEM: can not be read"));
        ++*problems;
        return;
    }
    QString summary = name + QStringLiteral(": %1 %2").arg(c.records).arg(unit);
    if (name == DataFileName)
        summary += QStringLiteral(" (%1 active, %2 archived)").arg(c.active).arg(c.archived);
    lines->append(summary);
    if (!c.whole()) {
        lines->append(name + QStringLiteral(": PROBLEM: %1 bytes is not a whole number of "
                                            "%2-byte records")
                                 .arg(c.bytes)
                                 .arg(c.recordLength));
        ++*problems;
    }
    if (!c.undecodable.isEmpty()) {
        lines->append(name + QStringLiteral(": PROBLEM: records that do not decode: ") +
                      numbers(c.undecodable));
        ++*problems;
    }
    if (!c.datesOutOfRange.isEmpty()) {
        lines->append(name +
                      QStringLiteral(": PROBLEM: records with a date before 1900 or "
                                     "after 2099: ") +
                      numbers(c.datesOutOfRange));
        ++*problems;
    }
    if (c.killed > 0) {
        lines->append(name + QStringLiteral(": PROBLEM: %1 record(s) left half deleted by an "
                                            "interrupted deletion")
                                 .arg(c.killed));
        ++*problems;
    }
}

int lineCount(const QString &path, bool *readable)
{
    QFile file(path);
    *readable = file.open(QIODevice::ReadOnly);
    if (!*readable)
        return 0;
    const QByteArray bytes = file.readAll();
    int lines = int(bytes.count('\n'));
    if (!bytes.isEmpty() && !bytes.endsWith('\n'))
        ++lines;
    return lines;
}

int runBackup(const StartOptions &options, QString *out, QString *err)
{
    if (!QFileInfo(DataPath(DataFileName)).isFile()) {
        *err = QStringLiteral("nothing to back up: there is no %1 in %2\n")
                   .arg(DataFileName, DataFolder);
        return AdminCommandFailed;
    }
    const QString target = options.backupTarget;
    if (!QFileInfo(target).isDir()) {
        *err = QStringLiteral("the backup folder does not exist: %1\nNo backup was made.\n")
                   .arg(target);
        return AdminCommandFailed;
    }
    if (IsProgramFolder(target, DataFolder)) {
        *err = QStringLiteral("the backup folder is the data folder itself: %1\nNo backup was "
                              "made.\n")
                   .arg(target);
        return AdminCommandFailed;
    }
    const QString name = BackupFolderName(desktop().now());
    const QDir targetDir(target);
    const bool made = !targetDir.exists(name);
    if (made && !targetDir.mkdir(name)) {
        *err = QStringLiteral("the folder %1 can not be made in %2\nNo backup was made.\n")
                   .arg(name, target);
        return AdminCommandFailed;
    }
    const QString folder = targetDir.filePath(name);

    FolderLock lock;
    if (!lock.acquire()) {
        if (made)
            targetDir.rmdir(name);
        *err = QStringLiteral("the data folder is busy: another workstation is writing to it. "
                              "Please try again.\nNo backup was made.\n");
        return AdminCommandFailed;
    }
    const CopyOutcome outcome = CopyFileSet(lock, DataFolder, folder, BackupFileList());
    lock.release();
    if (!outcome.ok) {
        if (made)
            targetDir.rmdir(name); // empty: the work files are gone
        *err = QStringLiteral("%1 could not be copied into %2: %3\n")
                   .arg(outcome.failedFile, folder, outcome.reason);
        *err += outcome.replaced.isEmpty()
                    ? QStringLiteral("No backup was made; older backups are untouched.\n")
                    : QStringLiteral("Copied before the failure: %1. Older backups are "
                                     "untouched.\n")
                          .arg(outcome.replaced.join(QStringLiteral(", ")));
        return AdminCommandFailed;
    }

    // A damaged copy must never push a good older backup out of the rotation.
    QString damage = RestoreCheck(DataFileName, QDir(folder).filePath(DataFileName));
    if (damage.isEmpty() && outcome.replaced.contains(UserFileName))
        damage = RestoreCheck(UserFileName, QDir(folder).filePath(UserFileName));
    if (!damage.isEmpty()) {
        *err = QStringLiteral("the backup in %1 is not usable: %2\nThe data folder itself needs "
                              "attention (see --check). Older backups are untouched.\n")
                   .arg(folder, damage);
        return AdminCommandFailed;
    }

    *out = QStringLiteral("Backed up %1 to %2\n")
               .arg(outcome.replaced.join(QStringLiteral(", ")), folder);
    if (options.keep > 0) {
        for (const QString &old : BackupFoldersBeyond(target, options.keep)) {
            if (old == name)
                continue;
            if (QDir(targetDir.filePath(old)).removeRecursively()) {
                *out +=
                    QStringLiteral("Removed the older backup %1\n").arg(targetDir.filePath(old));
            } else {
                *err += QStringLiteral("the older backup %1 could not be removed\n")
                            .arg(targetDir.filePath(old));
                return AdminCommandFailed;
            }
        }
    }
    return AdminCommandOk;
}

int runCheck(QString *out)
{
    int problems = 0;
    const QStringList lines = CheckDataFolder(&problems);
    *out = lines.join(QLatin1Char('\n')) + QLatin1Char('\n');
    *out += problems == 0 ? QStringLiteral("All is well.\n")
                          : QStringLiteral("%1 problem(s) found.\n").arg(problems);
    return problems == 0 ? AdminCommandOk : AdminCommandFailed;
}

} // namespace

QString BackupFolderName(const QDateTime &when)
{
    return AppTitle + QLatin1Char('-') + when.toString(QStringLiteral("yyyy-MM-dd-HHmm"));
}

bool IsBackupFolderName(const QString &name)
{
    static const QRegularExpression pattern(QStringLiteral("^%1-\\d{4}-\\d{2}-\\d{2}-\\d{4}$")
                                                .arg(QRegularExpression::escape(AppTitle)));
    return pattern.match(name).hasMatch();
}

QStringList BackupFoldersBeyond(const QString &target, int keep)
{
    QStringList names;
    for (const QString &name : QDir(target).entryList(QDir::Dirs | QDir::NoDotAndDotDot)) {
        if (IsBackupFolderName(name))
            names.append(name);
    }
    std::sort(names.begin(), names.end(), std::greater<QString>());
    return keep < names.size() ? names.mid(keep) : QStringList();
}

QStringList CheckDataFolder(int *problems)
{
    *problems = 0;
    QStringList lines;
    lines << QStringLiteral("Data folder: ") + DataFolder;
    reportRecordFile(DataFileName, CheckEntryFile(DataPath(DataFileName)),
                     QStringLiteral("records"), &lines, problems);
    reportRecordFile(UserFileName, CheckUserFile(DataPath(UserFileName)), QStringLiteral("users"),
                     &lines, problems);
    for (const QString &log : DataFileList) {
        if (!IsActivityLog(log))
            continue;
        const QString path = DataPath(log);
        const QFileInfo info(path);
        if (!info.exists()) {
            lines << log + QStringLiteral(": not present");
            continue;
        }
        bool readable = false;
        const int count = lineCount(path, &readable);
        if (!readable) {
            lines << log + QStringLiteral(": PROBLEM: can not be read");
            ++*problems;
            continue;
        }
        lines << log + QStringLiteral(": %1 lines").arg(count);
        if (QFile::permissions(path) & kWriteBits) {
            lines << log + QStringLiteral(": PROBLEM: not read-only (the next entry in it makes "
                                          "it read-only again)");
            ++*problems;
        }
    }
    switch (CheckInstallationFile(DataPath(InstallationFileName))) {
    case InstallationResult::Ok:
        lines << InstallationFileName + QStringLiteral(": set up");
        break;
    case InstallationResult::NotConfigured:
        lines << InstallationFileName +
                     QStringLiteral(": PROBLEM: not present (the installation is not set up)");
        ++*problems;
        break;
    case InstallationResult::Unreadable:
        lines << InstallationFileName + QStringLiteral(": PROBLEM: can not be read");
        ++*problems;
        break;
    default:
        lines << InstallationFileName + QStringLiteral(": PROBLEM: damaged or incomplete");
        ++*problems;
        break;
    }
    QStringList work =
        QDir(DataFolder)
            .entryList({QStringLiteral("*") + CopyWorkSuffix}, QDir::Files | QDir::Hidden);
    for (const QString &name : work) {
        lines << name + QStringLiteral(": PROBLEM: a work file left by an interrupted run");
        ++*problems;
    }
    for (const QString &name : BackupFileList()) {
        if (const QString why = NotPlainFileReason(DataPath(name)); !why.isEmpty()) {
            lines << name + QStringLiteral(": PROBLEM: ") + why + QStringLiteral(", never opened");
            ++*problems;
        }
    }
    return lines;
}

int RunAdminCommand(const StartOptions &options, QString *out, QString *err)
{
    out->clear();
    err->clear();
    if (options.unattended() || (options.backup && options.check) ||
        (options.keep > 0 && !options.backup)) {
        *err = QStringLiteral("--backup (with --keep), --check and the set-up options are used "
                              "one at a time\n");
        return AdminCommandUsage;
    }
    const QFileInfo folder(options.dataDir);
    if (!folder.isDir()) {
        *err = QStringLiteral("the data folder does not exist: %1\n").arg(options.dataDir);
        return AdminCommandFailed;
    }
    DataFolder = folder.absoluteFilePath();
    InitProgramTables();
    return options.backup ? runBackup(options, out, err) : runCheck(out);
}
