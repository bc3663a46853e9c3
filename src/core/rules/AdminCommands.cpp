#include "core/rules/AdminCommands.h"

#include "core/common/ActivityLog.h"
#include "core/common/ChainedLogs.h"
#include "core/common/DataSet.h"
#include "core/common/Desktop.h"
#include "core/common/FileOps.h"
#include "core/common/FolderLock.h"
#include "core/common/Globals.h"
#include "core/common/SafeReplace.h"
#include "core/common/Startup.h"
#include "core/entries/EntryCheck.h"
#include "core/rules/BackupRestore.h"
#include "core/store/Store.h"
#include "core/users/Backup.h"
#include "core/users/Installation.h"
#include "core/users/UserRecord.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLocale>
#include <QRegularExpression>
#include <algorithm>
#include <cerrno>
#include <cstring>
#include <unistd.h>

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

// Lines about a record file; problems counted. In a folder that is set
// up, a missing file is one (lost, unless it never held a record); limit
// is the most records the program can use.
void reportRecordFile(const QString &name, const RecordFileCheck &c, const QString &unit,
                      bool setUp, int limit, QStringList *lines, int *problems)
{
    if (!c.exists && setUp) {
        lines->append(name + QStringLiteral(": PROBLEM: not present in a folder that is set up "
                                            "(restore it from a backup unless it never held "
                                            "any %1)")
                                 .arg(unit));
        ++*problems;
        return;
    }
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
    if (c.records > limit) {
        lines->append(name + QStringLiteral(": PROBLEM: more than %1 %2; the program uses only "
                                            "the first %1")
                                 .arg(QLocale(QLocale::English).toString(limit), unit));
        ++*problems;
    }
    if (!c.whole()) {
        lines->append(name + QStringLiteral(": PROBLEM: %1 bytes is not a whole number of "
                                            "%2-byte records")
                                 .arg(c.bytes)
                                 .arg(c.recordLength));
        ++*problems;
    }
    const auto listProblem = [&](const QVector<int> &records, const QString &what) {
        if (!records.isEmpty()) {
            lines->append(name + QStringLiteral(": PROBLEM: records ") + what + numbers(records));
            ++*problems;
        }
    };
    listProblem(c.undecodable, QStringLiteral("that do not decode: "));
    listProblem(c.datesOutOfRange, QStringLiteral("with a date before 1900 or after 2099: "));
    listProblem(c.badValues, QStringLiteral("whose value is out of range or does not decode: "));
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

// The name a backup is built under before it is complete: no backup name,
// so that neither the rotation nor a restore ever takes it for one.
QString workFolderName(const QString &name)
{
    return name + CopyWorkSuffix;
}

QString systemError()
{
    return QString::fromLocal8Bit(std::strerror(errno));
}

// Keeps the newest options.keep backups under the target (name: this one).
bool rotate(const StartOptions &options, const QString &name, QString *out, QString *err)
{
    if (options.keep <= 0)
        return true;
    const QDir targetDir(options.backupTarget);
    for (const QString &old : BackupFoldersBeyond(options.backupTarget, options.keep)) {
        if (old == name)
            continue;
        if (!QDir(targetDir.filePath(old)).removeRecursively()) {
            *err += QStringLiteral("the older backup %1 could not be removed\n")
                        .arg(targetDir.filePath(old));
            return false;
        }
        *out += QStringLiteral("Removed the older backup %1\n").arg(targetDir.filePath(old));
    }
    return true;
}

// What is said when the copies of a backup into folder failed.
QString copyFailure(bool damaged, const QString &folder, const CopyOutcome &outcome)
{
    if (damaged)
        return QStringLiteral("the backup in %1 is not usable: %2\nThe data folder itself "
                              "needs attention (see --check). Older backups are untouched.\n")
            .arg(folder, outcome.reason);
    return QStringLiteral("%1 could not be copied into %2: %3\nNo backup was made; "
                          "older backups are untouched.\n")
        .arg(outcome.failedFile, folder, outcome.reason);
}

// Why no backup of ds can be made into target; empty when one can.
QString backupRefusal(const DataSet &ds, const QString &target)
{
    if (!QFileInfo(DataPath(ds, DataFileName)).isFile()) {
        return QStringLiteral("nothing to back up: there is no %1 in %2\n")
            .arg(DataFileName, ds.folder());
    }
    if (!QFileInfo(target).isDir()) {
        return QStringLiteral("the backup folder does not exist: %1\nNo backup was made.\n")
            .arg(target);
    }
    if (IsProgramFolder(target, ds.folder())) {
        return QStringLiteral("the backup folder is the data folder itself: %1\nNo backup was "
                              "made.\n")
            .arg(target);
    }
    return QString();
}

QString backupNotRecorded()
{
    return QStringLiteral("the backup is complete, but it could not be recorded in %1\n")
        .arg(UserListLogName);
}

int runBackup(DataSet &ds, const StartOptions &options, QString *out, QString *err)
{
    const QString target = options.backupTarget;
    *err = backupRefusal(ds, target);
    if (!err->isEmpty())
        return AdminCommandFailed;
    const QString name = BackupFolderName(desktop().now());
    const QDir targetDir(target);
    const QString folder = targetDir.filePath(name);
    FolderLock lock(ds);
    if (!lock.acquire()) {
        *err = QStringLiteral("the data folder is busy: another workstation is writing to it. "
                              "Please try again.\nNo backup was made.\n");
        return AdminCommandFailed;
    }
    // The copies go into a work folder first, are read back, and only a
    // whole backup takes the backup name. Under the lock, what an
    // interrupted run left under these names is nobody's any more.
    const QString work = targetDir.filePath(workFolderName(name));
    const QString replaced = targetDir.filePath(workFolderName(name + QStringLiteral(".old")));
    QDir(work).removeRecursively();
    if (QFileInfo::exists(replaced) && !QFileInfo::exists(folder))
        RenameRetrying(ds, replaced, folder); // stopped between its two renames
    QDir(replaced).removeRecursively();
    if (!QDir().mkdir(work)) {
        const QString reason = systemError();
        lock.release();
        *err = QStringLiteral("the folder %1 can not be made in %2: %3\nNo backup was made.\n")
                   .arg(workFolderName(name), target, reason);
        return AdminCommandFailed;
    }
    const auto dropWork = [&] { QDir(work).removeRecursively(); };
    int broken = 0;
    for (const QString &line : VerifyLogChains(ds, &lock, &broken))
        if (line.contains(QStringLiteral("PROBLEM")))
            *err += line + QLatin1Char('\n');

    // A damaged copy must never push a good older backup out of the rotation.
    bool damaged = false;
    const CopyOutcome outcome = CopyFileSet(lock, ds.folder(), work, BackupFileList(), {},
                                            [&](const QString &file, const QString &copyPath) {
                                                const QString reason = RestoreCheck(file, copyPath);
                                                damaged = !reason.isEmpty();
                                                return reason;
                                            });
    if (!outcome.ok) {
        lock.release();
        dropWork();
        *err += copyFailure(damaged, folder, outcome);
        return AdminCommandFailed;
    }
    // A backup of the same minute is replaced only by this whole one.
    const bool hadOne = QFileInfo::exists(folder);
    if (hadOne && !RenameRetrying(ds, folder, replaced)) {
        const QString reason = systemError();
        lock.release();
        dropWork();
        *err = QStringLiteral("the backup %1 of this minute can not be replaced: %2\nNo backup "
                              "was made.\n")
                   .arg(folder, reason);
        return AdminCommandFailed;
    }
    if (!RenameRetrying(ds, work, folder)) {
        const QString reason = systemError();
        if (hadOne)
            RenameRetrying(ds, replaced, folder);
        lock.release();
        dropWork();
        *err = QStringLiteral("the backup can not be renamed to %1: %2\nNo backup was made.\n")
                   .arg(folder, reason);
        return AdminCommandFailed;
    }
    SyncFolder(target);
    if (hadOne)
        QDir(replaced).removeRecursively();
    const bool logged =
        AppendLogLine(lock, UserListLogName, BackupLogLine(desktop().now(), folder));
    lock.release();

    *out = QStringLiteral("Backed up %1 to %2\n")
               .arg(outcome.replaced.join(QStringLiteral(", ")), folder);
    if (broken > 0)
        *err += QStringLiteral("the backup is complete, but %1 activity log(s) fail their chain "
                               "(see above)\n")
                    .arg(broken);
    if (!rotate(options, name, out, err))
        return AdminCommandFailed;
    if (!logged) {
        *err += backupNotRecorded();
        return AdminCommandFailed;
    }
    return broken > 0 ? AdminCommandFailed : AdminCommandOk;
}

int runCheck(DataSet &ds, const StartOptions &options, QString *out)
{
    int problems = 0;
    QStringList lines = CheckDataFolder(ds, &problems);
    if (!options.logKeyError.isEmpty()) {
        lines << QStringLiteral("Log key: PROBLEM: ") + options.logKeyError;
        ++problems;
    }
    int broken = 0;
    lines << VerifyLogChains(ds, nullptr, &broken);
    problems += broken;
    for (const QString &problem : CoveredFileProblems(ds)) {
        lines << problem.section(QLatin1Char(':'), 0, 0) + QStringLiteral(": PROBLEM:") +
                     problem.section(QLatin1Char(':'), 1);
        ++problems;
    }
    *out = lines.join(QLatin1Char('\n')) + QLatin1Char('\n');
    *out += problems == 0 ? QStringLiteral("All is well.\n")
                          : QStringLiteral("%1 problem(s) found.\n").arg(problems);
    return problems == 0 ? AdminCommandOk : AdminCommandFailed;
}

int runSeal(DataSet &ds, QString *out, QString *err)
{
    FolderLock lock(ds);
    if (!lock.acquire()) {
        *err = QStringLiteral("the data folder is busy: another workstation is writing to it. "
                              "Please try again.\nThe logs were not sealed.\n");
        return AdminCommandFailed;
    }
    const QList<SealRecord> seals = SealLogs(lock, desktop().now());
    if (seals.isEmpty()) {
        *err = QStringLiteral("%1 can not be written in %2\nThe logs were not sealed.\n")
                   .arg(SealsFileName, ds.folder());
        return AdminCommandFailed;
    }
    const bool logged = AppendLogLine(lock, UserListLogName, SealLogLine(desktop().now(), seals));
    lock.release();
    LoadInstallation(ds);
    *out = LogSealLines(ds.AgencyName, ds.folder(), WorkstationText(), !ds.options.LogKey.isEmpty(),
                        seals)
               .join(QLatin1Char('\n')) +
           QLatin1Char('\n');
    if (!logged) {
        *err = QStringLiteral("the logs are sealed, but it could not be recorded in %1\n")
                   .arg(UserListLogName);
        return AdminCommandFailed;
    }
    return AdminCommandOk;
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
    // Only backups that read back whole count; one that does not is left
    // where it is until it is older than the last of those kept.
    int whole = 0;
    for (int i = 0; i < names.size(); ++i) {
        if (whole == keep)
            return names.mid(i);
        if (BackupFolderProblem(QDir(target).filePath(names.at(i))).isEmpty())
            ++whole;
    }
    return QStringList();
}

namespace
{

// Work files left by an interrupted run, and folders standing where a work
// file goes (every write that needs that name fails).
void reportWorkFiles(const DataSet &ds, QStringList *lines, int *problems)
{
    const QFileInfoList work =
        QDir(ds.folder())
            .entryInfoList({QStringLiteral("*") + CopyWorkSuffix},
                           QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot);
    for (const QFileInfo &info : work) {
        lines->append(info.fileName() +
                      (info.isDir() && !info.isSymLink()
                           ? QStringLiteral(": PROBLEM: a folder stands where a work file goes, "
                                            "so the changes that need it fail")
                           : QStringLiteral(": PROBLEM: a work file left by an interrupted run")));
        ++*problems;
    }
}

// The lock: a live holder is no problem; one left behind is (each change
// then waits until it counts as stale), and so is one moved aside by a
// taker that never removed it.
void reportLocks(const DataSet &ds, QStringList *lines, int *problems)
{
    QString holder;
    switch (WatchLock(ds, 3 * ds.options.LockHeartbeatMs, &holder)) {
    case LockSighting::None:
        break;
    case LockSighting::Live:
        lines->append(LockFileName + QStringLiteral(": held right now") +
                      (holder.isEmpty() ? QString() : QStringLiteral(" by ") + holder));
        break;
    case LockSighting::LeftBehind:
        lines->append(LockFileName + QStringLiteral(": PROBLEM: a lock left behind") +
                      (holder.isEmpty() ? QString() : QStringLiteral(" by ") + holder) +
                      QStringLiteral(" (its holder stopped)"));
        ++*problems;
        break;
    case LockSighting::File:
        lines->append(LockFileName + QStringLiteral(": PROBLEM: a lock left behind as a file"));
        ++*problems;
        break;
    }
    const QStringList aside =
        QDir(ds.folder())
            .entryList({LockFileName + QStringLiteral(".*.stale")},
                       QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot);
    for (const QString &name : aside) {
        lines->append(name + QStringLiteral(": PROBLEM: a stale lock moved aside and left behind"));
        ++*problems;
    }
}

// The data folder must take new files and renames for any change to be
// saved.
void reportWritable(const DataSet &ds, QStringList *lines, int *problems)
{
    if (::access(QFile::encodeName(ds.folder()).constData(), W_OK | X_OK) == 0)
        return;
    lines->append(QStringLiteral("Data folder: PROBLEM: can not be written to (%1); no change "
                                 "can be saved")
                      .arg(QString::fromLocal8Bit(std::strerror(errno))));
    ++*problems;
}

} // namespace

QStringList CheckDataFolder(DataSet &ds, int *problems)
{
    *problems = 0;
    QStringList lines;
    lines << QStringLiteral("Data folder: ") + ds.folder();
    reportWritable(ds, &lines, problems);
    const bool setUp = QFileInfo::exists(DataPath(ds, InstallationFileName));
    reportRecordFile(DataFileName, CheckEntryFile(DataPath(ds, DataFileName)),
                     QStringLiteral("records"), setUp, MaxEntryCount, &lines, problems);
    reportRecordFile(UserFileName, CheckUserFile(DataPath(ds, UserFileName)),
                     QStringLiteral("users"), setUp, MaxUserCount, &lines, problems);
    for (const QString &log : DataFileList) {
        if (!IsActivityLog(log))
            continue;
        const QString path = DataPath(ds, log);
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
        lines << log + (count == 1 ? QStringLiteral(": 1 line")
                                   : QStringLiteral(": %1 lines").arg(count));
        if (QFile::permissions(path) & kWriteBits) {
            lines << log + QStringLiteral(": PROBLEM: not read-only (the next entry in it makes "
                                          "it read-only again)");
            ++*problems;
        }
    }
    switch (CheckInstallationFile(DataPath(ds, InstallationFileName))) {
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
    reportWorkFiles(ds, &lines, problems);
    reportLocks(ds, &lines, problems);
    for (const QString &name : BackupFileList()) {
        if (const QString why = NotPlainFileReason(DataPath(ds, name)); !why.isEmpty()) {
            lines << name + QStringLiteral(": PROBLEM: ") + why + QStringLiteral(", never opened");
            ++*problems;
        }
    }
    return lines;
}

int RunAdminCommand(const StartOptions &options, QString *out, QString *err,
                    const DataSetOptions &dataSetOptions)
{
    out->clear();
    err->clear();
    if (options.unattended() || int(options.backup) + int(options.check) + int(options.seal) > 1 ||
        (options.keep > 0 && !options.backup)) {
        *err = QStringLiteral("--backup (with --keep), --check, --seal and the set-up options are "
                              "used one at a time\n");
        return AdminCommandUsage;
    }
    const QFileInfo folder(options.dataDir);
    if (!folder.isDir()) {
        *err = QStringLiteral("the data folder does not exist: %1\n").arg(options.dataDir);
        return AdminCommandFailed;
    }
    DataSet ds(folder.absoluteFilePath(), dataSetOptions);
    if (ds.options.LogKey.isEmpty())
        ds.options.LogKey = options.logKey;
    if (options.seal)
        return runSeal(ds, out, err);
    return options.backup ? runBackup(ds, options, out, err) : runCheck(ds, options, out);
}

int RunStoreLogCommand(Store &store, const QString &where, bool seal, QString *out, QString *err)
{
    out->clear();
    err->clear();
    DataSet &ds = store.dataSet();
    if (seal) {
        QString error;
        const QList<SealRecord> seals = store.sealLogs(
            [](const QList<SealRecord> &made) { return SealLogLine(desktop().now(), made); },
            &error);
        if (seals.isEmpty()) {
            *err = error + QStringLiteral("\nThe logs were not sealed.\n");
            return AdminCommandFailed;
        }
        // The agency's name as the store holds it (a database keeps it in
        // its installation settings, not in a file of the folder).
        store.loadInstallation();
        *out = LogSealLines(ds.AgencyName, where, WorkstationText(), !ds.options.LogKey.isEmpty(),
                            seals)
                   .join(QLatin1Char('\n')) +
               QLatin1Char('\n');
        if (!error.isEmpty()) {
            *err = QStringLiteral("the logs are sealed, but it could not be recorded in %1\n")
                       .arg(UserListLogName);
            return AdminCommandFailed;
        }
        return AdminCommandOk;
    }
    int broken = 0;
    for (const QString &log :
         {SignInOutLogName, UserListLogName, DataRecordsLogName, SearchLogName}) {
        bool begun = false;
        const ChainVerdict verdict = store.verifyLogChain(log, &begun);
        if (!begun) {
            *out += log + QStringLiteral(": not chained yet (its next line begins its chain)\n");
            continue;
        }
        for (const QString &note : verdict.notes)
            *out += log + QStringLiteral(": ") + note + QLatin1Char('\n');
        if (verdict.ok()) {
            *out += log + QStringLiteral(": chain ") + VerdictText(verdict) + QLatin1Char('\n');
            continue;
        }
        ++broken;
        *out += log + QStringLiteral(": PROBLEM: ") + VerdictText(verdict) + QLatin1Char('\n');
        store.appendLogLine(UserListLogName, ChainFailedLogLine(desktop().now(), log, verdict));
    }
    if (broken > 0)
        *out += QStringLiteral("%1 activity log(s) fail their chain.\n").arg(broken);
    return broken > 0 ? AdminCommandFailed : AdminCommandOk;
}

int RecordStoreBackup(Store &store, const QString &target, QString *err)
{
    if (store.appendLogLine(UserListLogName, BackupLogLine(desktop().now(), target)))
        return AdminCommandOk;
    *err += backupNotRecorded();
    return AdminCommandFailed;
}
