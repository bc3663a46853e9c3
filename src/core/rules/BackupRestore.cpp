#include "core/rules/BackupRestore.h"

#include "core/common/ActivityLog.h"
#include "core/common/FolderLock.h"
#include "core/common/Globals.h"
#include "core/common/InputChecks.h"
#include "core/entries/EntryCheck.h"
#include "core/users/Installation.h"

#include <QDir>
#include <QFileInfo>
#include <QSysInfo>
#include <pwd.h>
#include <unistd.h>

namespace
{

const QString kCancelBackup = QStringLiteral("&Cancel backup procedure");
const QString kCancelRestore = QStringLiteral("&Cancel restore procedure");

QString stripTrailingSeparators(QString path)
{
    while (path.size() > 1 && (path.endsWith(QLatin1Char('/')) || path.endsWith(QLatin1Char('\\'))))
        path.chop(1);
    return path;
}

QString fileList(const QStringList &files)
{
    return files.join(QStringLiteral(", "));
}

} // namespace

// ---- texts ----

QString BackupText::MenuCaption(int index)
{
    switch (index) {
    case 1:
        return QStringLiteral("&Backup the ") + AppTitle + QStringLiteral(" data files");
    case 2:
        return QStringLiteral("&Restore the ") + AppTitle + QStringLiteral(" data files");
    case 3:
        return QStringLiteral("-");
    case 4:
        return QStringLiteral("E&xit this menu");
    default:
        return QString();
    }
}

QString BackupText::BackupCaption()
{
    return AppTitle + QStringLiteral(" - Data Backup Procedure");
}

QString BackupText::RestoreCaption()
{
    return AppTitle + QStringLiteral(" - Data Restoration Procedure");
}

QString BackupText::BackupFolderPrompt()
{
    return QStringLiteral("Select a disk/drive/folder to copy (backup)") + CrLf +
           QStringLiteral("your ") + AppTitle + QStringLiteral(" data files to...");
}

QString BackupText::RestoreFolderPrompt()
{
    return QStringLiteral("Select the disk/drive/folder that contains your") + CrLf +
           QStringLiteral("previously backed up ") + AppTitle + QStringLiteral(" data files") +
           CrLf + QStringLiteral("that you wish to restore...");
}

QString BackupText::ChooserTitle(const QString &prompt)
{
    QString title = prompt;
    return title.replace(CrLf, QStringLiteral(" "));
}

QString BackupText::CopyingCaption(const QString &file)
{
    return QStringLiteral("Copying ") + file + QStringLiteral("...");
}

QString BackupText::RestoringCaption(const QString &file)
{
    return QStringLiteral("Restoring ") + file;
}

// ---- folders ----

QString WithTrailingSeparator(const QString &folder)
{
    QString shown = QDir::toNativeSeparators(folder);
    if (!shown.endsWith(QDir::separator()))
        shown += QDir::separator();
    return shown;
}

bool IsProgramFolder(const QString &chosen, const QString &programFolder)
{
    const QString a = QDir::cleanPath(stripTrailingSeparators(chosen));
    const QString b = QDir::cleanPath(stripTrailingSeparators(programFolder));
    if (a.toLower() == b.toLower())
        return true;
    const QString ca = QFileInfo(a).canonicalFilePath();
    return !ca.isEmpty() && ca == QFileInfo(b).canonicalFilePath();
}

BackupFolderState InspectBackupFolder(const QString &folder)
{
    const QFileInfo info(folder);
    const QDir dir(folder);
    if (!info.isDir() || !info.isReadable() || !info.isExecutable())
        return BackupFolderState::Unreadable;
    const QStringList files = dir.entryList(QDir::Files | QDir::NoDotAndDotDot);
    if (files.isEmpty())
        return BackupFolderState::Empty;
    if (QFileInfo(dir.filePath(DataFileName)).isFile())
        return BackupFolderState::HoldsBackup;
    return BackupFolderState::UnrelatedFiles;
}

// ---- messages ----

MsgBoxRequest InvalidBackupFolderMessage()
{
    return {QStringLiteral("Invalid Procedure"),
            MsgIcon::Stop,
            QStringLiteral("You can not backup ") + AppTitle + CrLf +
                QStringLiteral("data to itself in the same folder!"),
            MsgButton::First,
            false,
            {kCancelBackup}};
}

MsgBoxRequest InvalidRestoreFolderMessage()
{
    return {QStringLiteral("Invalid Procedure"),
            MsgIcon::Stop,
            QStringLiteral("You can not restore ") + AppTitle + CrLf +
                QStringLiteral("data to itself in the same folder!"),
            MsgButton::First,
            false,
            {kCancelRestore}};
}

MsgBoxRequest BackupAccessProblemMessage()
{
    return {QStringLiteral("Drive or Folder Access Problem"),
            MsgIcon::Warning,
            QStringLiteral("There is some kind of problem trying to") + CrLf +
                QStringLiteral("access the selected backup location") + CrLf +
                QStringLiteral("that you specified..."),
            MsgButton::First,
            false,
            {kCancelBackup}};
}

MsgBoxRequest RestoreAccessProblemMessage()
{
    return {QStringLiteral("Drive or Folder Access Problem"),
            MsgIcon::Warning,
            QStringLiteral("There is some kind of problem trying to") + CrLf +
                QStringLiteral("access the backed up data file at") + CrLf +
                QStringLiteral("the location that you specified..."),
            MsgButton::First,
            false,
            {kCancelRestore}};
}

MsgBoxRequest BackupCautionMessage(const QString &folderShown)
{
    return {QStringLiteral("Caution"),
            MsgIcon::Question,
            QStringLiteral("The data backup location you selected:") + CrLf + CrLf +
                QLatin1Char('\'') + folderShown + QLatin1Char('\'') + CrLf + CrLf +
                QStringLiteral("contains files that are not related to this software!") + CrLf +
                CrLf + QStringLiteral("Are you sure you still wish to continue with this backup?"),
            MsgButton::Second,
            false,
            {QStringLiteral("&Yes, Continue"), QStringLiteral("&No, Cancel backup procedure")}};
}

MsgBoxRequest ReadyToBackupMessage(const QString &folderShown)
{
    return {QStringLiteral("Ready to Backup..."),
            MsgIcon::Information,
            QStringLiteral("You have selected:") + CrLf + CrLf + QLatin1Char('\'') + folderShown +
                QLatin1Char('\'') + CrLf + CrLf + QStringLiteral("as your data backup location.") +
                CrLf + CrLf + QStringLiteral("Are you ready to proceed?"),
            MsgButton::Second,
            false,
            {QStringLiteral("&Yes, Backup the files now"),
             QStringLiteral("&No, Cancel backup procedure")}};
}

MsgBoxRequest RequiredFilesMissingMessage(const QString &folderShown)
{
    return {QStringLiteral("Required file(s) missing"),
            MsgIcon::Warning,
            QLatin1Char('\'') + folderShown + QLatin1Char('\'') + CrLf + CrLf +
                QStringLiteral("doesn't appear to contain previously saved") + CrLf +
                QStringLiteral("backup data file(s) that you need to restore") + CrLf +
                QStringLiteral("your ") + AppTitle + QStringLiteral(" data."),
            MsgButton::First,
            false,
            {kCancelRestore}};
}

MsgBoxRequest ConfirmRestoreMessage()
{
    return {QStringLiteral("Important! Please read carefully..."),
            MsgIcon::Information,
            QStringLiteral("You are about to replace your current data files") + CrLf +
                QStringLiteral("with previously made backup data files.") + CrLf + CrLf +
                QStringLiteral("Once completed, this action can not be undone.") + CrLf + CrLf +
                QStringLiteral("Are you sure you're ready to continue?"),
            MsgButton::Second,
            false,
            {QStringLiteral("&Yes, Restore the files now"),
             QStringLiteral("&No, Cancel restore procedure")}};
}

MsgBoxRequest RestoreSettingsMessage()
{
    return {QStringLiteral("Installation Settings"),
            MsgIcon::Question,
            QStringLiteral("The backup also holds the installation settings:") + CrLf +
                QStringLiteral("the agency's name and the administrative access") + CrLf +
                QStringLiteral("code as they were when the backup was made.") + CrLf + CrLf +
                QStringLiteral("Restoring them brings that access code back, even") + CrLf +
                QStringLiteral("if it has been changed since.") + CrLf + CrLf +
                QStringLiteral("Keep the current settings, or restore them too?"),
            MsgButton::First,
            false,
            {QStringLiteral("&Keep the current settings"),
             QStringLiteral("&Restore the settings too"), kCancelRestore}};
}

namespace
{

QString reasonLine(const QString &reason)
{
    return reason.isEmpty() ? QString() : QStringLiteral("Reason: ") + reason + CrLf + CrLf;
}

} // namespace

MsgBoxRequest BackupErrorMessage(const QString &file, const QString &reason,
                                 const QStringList &replaced)
{
    QString text = QStringLiteral("There is some kind of problem") + CrLf +
                   QStringLiteral("trying to copy ") + file + CrLf + CrLf + reasonLine(reason);
    if (replaced.isEmpty())
        text += QStringLiteral("No file in the backup location has been changed.");
    else
        text += QStringLiteral("Already copied: ") + fileList(replaced) + QLatin1Char('.');
    return {QStringLiteral("File Backup Error"),
            MsgIcon::Warning,
            text,
            MsgButton::First,
            false,
            {kCancelBackup}};
}

MsgBoxRequest RestoreErrorMessage(const QString &file, const QString &reason,
                                  const QStringList &replaced)
{
    QString text = QStringLiteral("There is some kind of problem") + CrLf +
                   QStringLiteral("trying to restore ") + file + CrLf + CrLf + reasonLine(reason);
    if (replaced.isEmpty())
        text += QStringLiteral("Your current data files have not been changed.");
    else
        text += QStringLiteral("Already restored: ") + fileList(replaced) + QLatin1Char('.') +
                CrLf + QStringLiteral("The other files have not been changed.");
    return {QStringLiteral("File Restore Error"),
            MsgIcon::Warning,
            text,
            MsgButton::First,
            false,
            {kCancelRestore}};
}

MsgBoxRequest DamagedBackupMessage(const QString &folderShown, const QString &reason)
{
    return {QStringLiteral("Backup can not be restored"),
            MsgIcon::Warning,
            QStringLiteral("The backed up data files at") + CrLf + QLatin1Char('\'') + folderShown +
                QLatin1Char('\'') + CrLf + QStringLiteral("are damaged:") + CrLf + CrLf + reason +
                CrLf + CrLf + QStringLiteral("Your current data files have not been changed."),
            MsgButton::First,
            false,
            {kCancelRestore}};
}

namespace
{

QString notLogged(bool logged)
{
    if (logged)
        return QString();
    return CrLf + CrLf + QStringLiteral("It could not be recorded in the activity log '") +
           UserListLogName + QStringLiteral("'.");
}

} // namespace

MsgBoxRequest BackupSuccessMessage(bool logged, const QStringList &chainProblems)
{
    QString broken;
    if (!chainProblems.isEmpty())
        broken = CrLf + CrLf + QStringLiteral("The backup keeps them as they are, but the") + CrLf +
                 QStringLiteral("activity logs show changes made outside ") + AppTitle +
                 QLatin1Char(':') + CrLf + chainProblems.join(CrLf);
    return {QStringLiteral("Backup Successful"),
            MsgIcon::Information,
            QStringLiteral("Your current ") + AppTitle + QStringLiteral(" data files") + CrLf +
                QStringLiteral("have been successfully backed up!") + notLogged(logged) + broken,
            MsgButton::First,
            false,
            {QStringLiteral("Thank you, &continue")}};
}

MsgBoxRequest RestoreSuccessMessage(bool logged)
{
    return {QStringLiteral("Backup Successful"),
            MsgIcon::Information,
            QStringLiteral("Your previously backed up ") + CrLf + AppTitle +
                QStringLiteral(" data files") + CrLf +
                QStringLiteral("have been successfully restored!") + notLogged(logged),
            MsgButton::First,
            false,
            {QStringLiteral("Thank you, &continue")}};
}

// ---- the trail ----

QString WorkstationText()
{
    const passwd *pw = ::getpwuid(::geteuid());
    const QString account = pw ? QString::fromLocal8Bit(pw->pw_name) : QString::number(::geteuid());
    return QStringLiteral("account '") + account + QStringLiteral("' at workstation '") +
           QSysInfo::machineHostName() + QLatin1Char('\'');
}

QString BackupLogLine(const QDateTime &now, const QString &folder)
{
    return LogStamp(now) + QStringLiteral(" - Data files backed up to '") +
           OneLine(QDir::toNativeSeparators(stripTrailingSeparators(folder))) +
           QStringLiteral("' by ") + OneLine(WorkstationText());
}

QString RestoreLogLine(const QDateTime &now, const QString &folder, bool settingsRestored)
{
    return LogStamp(now) + QStringLiteral(" - Data files restored from '") +
           OneLine(QDir::toNativeSeparators(stripTrailingSeparators(folder))) +
           QStringLiteral("' by ") + OneLine(WorkstationText()) +
           (settingsRestored ? QStringLiteral("; installation settings restored too")
                             : QStringLiteral("; installation settings kept"));
}

QString SealLogLine(const QDateTime &now, const QList<SealRecord> &seals)
{
    QStringList counts;
    for (const SealRecord &seal : seals)
        counts << seal.log + QStringLiteral(" %1 line(s)").arg(seal.line);
    return LogStamp(now) + QStringLiteral(" - Activity logs sealed (") +
           counts.join(QStringLiteral(", ")) + QStringLiteral(") by ") + OneLine(WorkstationText());
}

QString ChainFailedLogLine(const QDateTime &now, const QString &logName,
                           const ChainVerdict &verdict)
{
    return LogStamp(now) + QStringLiteral(" - Activity log '") + logName +
           QStringLiteral("' failed its verification at line %1 (").arg(verdict.firstBad) +
           OneLine(verdict.problem) + QStringLiteral("), found by ") + OneLine(WorkstationText());
}

QString LogReviewedLine(const QDateTime &now, const QString &logName)
{
    return LogStamp(now) + QStringLiteral(" - Activity log '") + logName +
           QStringLiteral("' reviewed by ") + OneLine(WorkstationText());
}

QStringList VerifyLogChains(DataSet &ds, const FolderLock *held, int *failed)
{
    QStringList lines;
    *failed = 0;
    for (const QString &log : DataFileList) {
        if (!IsActivityLog(log) || !QFileInfo::exists(DataPath(ds, log)))
            continue;
        const bool chained = QFileInfo::exists(DataPath(ds, ChainFileName(log))) ||
                             QFileInfo::exists(DataPath(ds, SealsFileName));
        if (!chained) {
            lines << log + QStringLiteral(": not chained yet (its next line begins its chain)");
            continue;
        }
        const ChainVerdict verdict = VerifyLogChain(ds, log);
        for (const QString &note : verdict.notes)
            lines << log + QStringLiteral(": ") + note;
        if (verdict.ok()) {
            lines << log + QStringLiteral(": chain ") + VerdictText(verdict);
            continue;
        }
        ++*failed;
        lines << log + QStringLiteral(": PROBLEM: ") + VerdictText(verdict);
        const QString line = ChainFailedLogLine(desktop().now(), log, verdict);
        if (held) {
            AppendLogLine(*held, UserListLogName, line);
        } else if (FolderLock lock(ds); lock.acquire()) {
            AppendLogLine(lock, UserListLogName, line);
        }
    }
    return lines;
}

// ---- the check before restoring ----

namespace
{

QString recordFileProblem(const QString &name, const RecordFileCheck &c)
{
    if (!c.exists || !c.readable)
        return name + QStringLiteral(" can not be read.");
    if (!c.whole())
        return name + QStringLiteral(" is not a whole number of records (") +
               QString::number(c.bytes) + QStringLiteral(" bytes).");
    if (!c.undecodable.isEmpty())
        return QStringLiteral("Record ") + QString::number(c.undecodable.first()) +
               QStringLiteral(" of ") + name + QStringLiteral(" can not be read.");
    return QString();
}

} // namespace

QString RestoreCheck(const QString &bareName, const QString &copyPath)
{
    if (bareName == DataFileName)
        return recordFileProblem(bareName, CheckEntryFile(copyPath));
    if (bareName == UserFileName)
        return recordFileProblem(bareName, CheckUserFile(copyPath));
    if (bareName == InstallationFileName &&
        CheckInstallationFile(copyPath) != InstallationResult::Ok)
        return bareName + QStringLiteral(" is damaged or incomplete.");
    return QString();
}

QString BackupFolderProblem(const QString &folder)
{
    const QDir dir(folder);
    if (!QFileInfo(dir.filePath(DataFileName)).isFile())
        return DataFileName + QStringLiteral(" is missing.");
    for (const QString &name : {DataFileName, UserFileName, InstallationFileName}) {
        const QString path = dir.filePath(name);
        if (name == DataFileName || QFileInfo::exists(path)) {
            const QString problem = RestoreCheck(name, path);
            if (!problem.isEmpty())
                return problem;
        }
    }
    return QString();
}

// ---- the steps of the procedures ----

SettingsRestore RestoreSettingsChoice(const DataSet &ds, const QString &folder)
{
    const QString backedUp = QDir(folder).filePath(InstallationFileName);
    if (!QFileInfo(backedUp).isFile())
        return SettingsRestore::Keep;
    // Missing or damaged settings lock everyone out of administration: the
    // backup's are better than none.
    if (CheckInstallationFile(DataPath(ds, InstallationFileName)) != InstallationResult::Ok)
        return SettingsRestore::Restore;
    QFile a(backedUp), b(DataPath(ds, InstallationFileName));
    if (a.open(QIODevice::ReadOnly) && b.open(QIODevice::ReadOnly) && a.readAll() == b.readAll())
        return SettingsRestore::Keep;
    return SettingsRestore::Ask;
}

ProcedureCopy BackupCopy(DataSet &ds, const QString &folder,
                         const std::function<void(const QString &)> &progress)
{
    ProcedureCopy copy;
    FolderLock lock(ds);
    if (!lock.acquire()) {
        copy.busy = true;
        copy.refusal = lock.refusal();
        return copy;
    }
    // A broken chain is reported, and the logs are copied all the same.
    int broken = 0;
    for (const QString &line : VerifyLogChains(ds, &lock, &broken))
        if (line.contains(QStringLiteral(": PROBLEM: ")))
            copy.chainProblems << line;
    // A damaged data file or user file never replaces an older backup.
    copy.outcome = CopyFileSet(lock, ds.folder(), folder, BackupFileList(), progress, RestoreCheck);
    copy.logged = copy.outcome.ok &&
                  AppendLogLine(lock, UserListLogName, BackupLogLine(desktop().now(), folder));
    return copy;
}

ProcedureCopy RestoreCopy(DataSet &ds, const QString &folder, bool withSettings,
                          const std::function<void(const QString &)> &progress)
{
    ProcedureCopy copy;
    QStringList files = BackupFileList();
    if (!withSettings)
        files.removeAll(InstallationFileName);
    files.removeAll(SealsFileName); // the seals here keep the history
    FolderLock lock(ds);
    if (!lock.acquire()) {
        copy.busy = true;
        copy.refusal = lock.refusal();
        return copy;
    }
    copy.outcome = CopyFileSet(lock, folder, ds.folder(), files, progress,
                               [&](const QString &name, const QString &copyPath) {
                                   const QString reason = RestoreCheck(name, copyPath);
                                   copy.damaged = !reason.isEmpty();
                                   return reason;
                               });
    // The seals file records where the logs were rolled back to (a backup
    // without chains gets them from here on), before the restore's own line.
    if (copy.outcome.ok)
        RecordRestore(lock, desktop().now(),
                      QStringLiteral("from '") + OneLine(folder) + QStringLiteral("' by ") +
                          OneLine(WorkstationText()),
                      copy.outcome.replaced);
    // Written after the copy, so the restored log records the restore.
    copy.logged =
        copy.outcome.ok &&
        AppendLogLine(lock, UserListLogName,
                      RestoreLogLine(desktop().now(), folder,
                                     copy.outcome.replaced.contains(InstallationFileName)));
    return copy;
}
