#include "core/rules/BackupRestore.h"

#include "core/common/ActivityLog.h"
#include "core/common/FolderLock.h"
#include "core/common/Globals.h"
#include "core/common/InputChecks.h"
#include "core/common/MsgBox.h"
#include "core/entries/EntryCheck.h"
#include "core/users/Installation.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QHostInfo>
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

void letWindowsPaint()
{
    if (QCoreApplication::instance())
        QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
}

QString fileList(const QStringList &files)
{
    return files.join(QStringLiteral(", "));
}

// Shows the window busy while a procedure copies, and gives the window its
// caption and normal state back on every way out.
class BusyWindow
{
public:
    explicit BusyWindow(const ProcedureWindow &w) : m_w(w), m_caption(w.caption())
    {
        m_w.setBusy(true);
    }
    ~BusyWindow() { release(); }
    void release()
    {
        if (m_released)
            return;
        m_released = true;
        m_w.setCaption(m_caption);
        m_w.setBusy(false);
        letWindowsPaint();
    }

private:
    const ProcedureWindow &m_w;
    QString m_caption;
    bool m_released = false;
};

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
            2,
            QStringLiteral("You can not backup ") + AppTitle + CrLf +
                QStringLiteral("data to itself in the same folder!"),
            1,
            false,
            {kCancelBackup}};
}

MsgBoxRequest InvalidRestoreFolderMessage()
{
    return {QStringLiteral("Invalid Procedure"),
            2,
            QStringLiteral("You can not restore ") + AppTitle + CrLf +
                QStringLiteral("data to itself in the same folder!"),
            1,
            false,
            {kCancelRestore}};
}

MsgBoxRequest BackupAccessProblemMessage()
{
    return {QStringLiteral("Drive or Folder Access Problem"),
            4,
            QStringLiteral("There is some kind of problem trying to") + CrLf +
                QStringLiteral("access the selected backup location") + CrLf +
                QStringLiteral("that you specified..."),
            1,
            false,
            {kCancelBackup}};
}

MsgBoxRequest RestoreAccessProblemMessage()
{
    return {QStringLiteral("Drive or Folder Access Problem"),
            4,
            QStringLiteral("There is some kind of problem trying to") + CrLf +
                QStringLiteral("access the backed up data file at") + CrLf +
                QStringLiteral("the location that you specified..."),
            1,
            false,
            {kCancelRestore}};
}

MsgBoxRequest BackupCautionMessage(const QString &folderShown)
{
    return {QStringLiteral("Caution"),
            3,
            QStringLiteral("The data backup location you selected:") + CrLf + CrLf +
                QLatin1Char('\'') + folderShown + QLatin1Char('\'') + CrLf + CrLf +
                QStringLiteral("contains files that are not related to this software!") + CrLf +
                CrLf + QStringLiteral("Are you sure you still wish to continue with this backup?"),
            2,
            false,
            {QStringLiteral("&Yes, Continue"), QStringLiteral("&No, Cancel backup procedure")}};
}

MsgBoxRequest ReadyToBackupMessage(const QString &folderShown)
{
    return {QStringLiteral("Ready to Backup..."),
            5,
            QStringLiteral("You have selected:") + CrLf + CrLf + QLatin1Char('\'') + folderShown +
                QLatin1Char('\'') + CrLf + CrLf + QStringLiteral("as your data backup location.") +
                CrLf + CrLf + QStringLiteral("Are you ready to proceed?"),
            2,
            false,
            {QStringLiteral("&Yes, Backup the files now"),
             QStringLiteral("&No, Cancel backup procedure")}};
}

MsgBoxRequest RequiredFilesMissingMessage(const QString &folderShown)
{
    return {QStringLiteral("Required file(s) missing"),
            4,
            QLatin1Char('\'') + folderShown + QLatin1Char('\'') + CrLf + CrLf +
                QStringLiteral("doesn't appear to contain previously saved") + CrLf +
                QStringLiteral("backup data file(s) that you need to restore") + CrLf +
                QStringLiteral("your ") + AppTitle + QStringLiteral(" data."),
            1,
            false,
            {kCancelRestore}};
}

MsgBoxRequest ConfirmRestoreMessage()
{
    return {QStringLiteral("Important! Please read carefully..."),
            5,
            QStringLiteral("You are about to replace your current data files") + CrLf +
                QStringLiteral("with previously made backup data files.") + CrLf + CrLf +
                QStringLiteral("Once completed, this action can not be undone.") + CrLf + CrLf +
                QStringLiteral("Are you sure you're ready to continue?"),
            2,
            false,
            {QStringLiteral("&Yes, Restore the files now"),
             QStringLiteral("&No, Cancel restore procedure")}};
}

MsgBoxRequest RestoreSettingsMessage()
{
    return {QStringLiteral("Installation Settings"),
            3,
            QStringLiteral("The backup also holds the installation settings:") + CrLf +
                QStringLiteral("the agency's name and the administrative access") + CrLf +
                QStringLiteral("code as they were when the backup was made.") + CrLf + CrLf +
                QStringLiteral("Restoring them brings that access code back, even") + CrLf +
                QStringLiteral("if it has been changed since.") + CrLf + CrLf +
                QStringLiteral("Keep the current settings, or restore them too?"),
            1,
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
    return {QStringLiteral("File Backup Error"), 4, text, 1, false, {kCancelBackup}};
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
    return {QStringLiteral("File Restore Error"), 4, text, 1, false, {kCancelRestore}};
}

MsgBoxRequest DamagedBackupMessage(const QString &folderShown, const QString &reason)
{
    return {QStringLiteral("Backup can not be restored"),
            4,
            QStringLiteral("The backed up data files at") + CrLf + QLatin1Char('\'') + folderShown +
                QLatin1Char('\'') + CrLf + QStringLiteral("are damaged:") + CrLf + CrLf + reason +
                CrLf + CrLf + QStringLiteral("Your current data files have not been changed."),
            1,
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

MsgBoxRequest BackupSuccessMessage(bool logged)
{
    return {QStringLiteral("Backup Successful"),
            5,
            QStringLiteral("Your current ") + AppTitle + QStringLiteral(" data files") + CrLf +
                QStringLiteral("have been successfully backed up!") + notLogged(logged),
            1,
            false,
            {QStringLiteral("Thank you, &continue")}};
}

MsgBoxRequest RestoreSuccessMessage(bool logged)
{
    return {QStringLiteral("Backup Successful"),
            5,
            QStringLiteral("Your previously backed up ") + CrLf + AppTitle +
                QStringLiteral(" data files") + CrLf +
                QStringLiteral("have been successfully restored!") + notLogged(logged),
            1,
            false,
            {QStringLiteral("Thank you, &continue")}};
}

// ---- the trail ----

QString WorkstationText()
{
    const passwd *pw = ::getpwuid(::geteuid());
    const QString account = pw ? QString::fromLocal8Bit(pw->pw_name) : QString::number(::geteuid());
    return QStringLiteral("account '") + account + QStringLiteral("' at workstation '") +
           QHostInfo::localHostName() + QLatin1Char('\'');
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

// ---- the procedures ----

namespace
{

// The folder chooser of both procedures: the prompt as its title, on one
// line, opening in the home folder.
std::optional<QString> chooseFolder(const QString &prompt)
{
    const std::optional<QString> chosen =
        desktop().chooseFolder(BackupText::ChooserTitle(prompt), QDir::homePath());
    if (!chosen || chosen->isEmpty())
        return std::nullopt;
    return chosen;
}

// Which settings a restore from folder brings back: nullopt when the
// person cancels.
std::optional<bool> restoreSettingsToo(const DataSet &ds, const QString &folder)
{
    const QString backedUp = QDir(folder).filePath(InstallationFileName);
    if (!QFileInfo(backedUp).isFile())
        return false;
    // Missing or damaged settings lock everyone out of administration: the
    // backup's are better than none.
    if (CheckInstallationFile(DataPath(ds, InstallationFileName)) != InstallationResult::Ok)
        return true;
    QFile a(backedUp), b(DataPath(ds, InstallationFileName));
    if (a.open(QIODevice::ReadOnly) && b.open(QIODevice::ReadOnly) && a.readAll() == b.readAll())
        return false;
    switch (ShowMsgBox(RestoreSettingsMessage()).choice) {
    case 1:
        return false;
    case 2:
        return true;
    default:
        return std::nullopt;
    }
}

} // namespace

bool BackupDataFiles(DataSet &ds, const ProcedureWindow &window)
{
    const std::optional<QString> chosen = chooseFolder(BackupText::BackupFolderPrompt());
    if (!chosen)
        return false;
    if (IsProgramFolder(*chosen, ds.folder())) {
        ShowMsgBox(InvalidBackupFolderMessage());
        return false;
    }
    const QString shown = WithTrailingSeparator(*chosen);
    const BackupFolderState state = InspectBackupFolder(*chosen);
    if (state == BackupFolderState::Unreadable) {
        ShowMsgBox(BackupAccessProblemMessage());
        return false;
    }
    const MsgBoxRequest question = state == BackupFolderState::UnrelatedFiles
                                       ? BackupCautionMessage(shown)
                                       : ReadyToBackupMessage(shown);
    if (ShowMsgBox(question).choice != 1)
        return false;

    BusyWindow busy(window);
    FolderLock lock(ds);
    if (!lock.acquire())
        return false;
    // A damaged data file or user file never replaces an older backup.
    const CopyOutcome outcome = CopyFileSet(
        lock, ds.folder(), *chosen, BackupFileList(),
        [&](const QString &file) {
            window.setCaption(BackupText::CopyingCaption(file));
            letWindowsPaint();
        },
        RestoreCheck);
    const bool logged =
        outcome.ok && AppendLogLine(lock, UserListLogName, BackupLogLine(desktop().now(), *chosen));
    lock.release();
    busy.release();
    if (!outcome.ok) {
        ShowMsgBox(BackupErrorMessage(outcome.failedFile, outcome.reason, outcome.replaced));
        return false;
    }
    ShowMsgBox(BackupSuccessMessage(logged));
    return true;
}

bool RestoreDataFiles(DataSet &ds, const ProcedureWindow &window)
{
    const std::optional<QString> chosen = chooseFolder(BackupText::RestoreFolderPrompt());
    if (!chosen)
        return false;
    if (IsProgramFolder(*chosen, ds.folder())) {
        ShowMsgBox(InvalidRestoreFolderMessage());
        return false;
    }
    const QString shown = WithTrailingSeparator(*chosen);
    const QFileInfo folder(*chosen);
    if (!folder.isDir() || !folder.isReadable() || !folder.isExecutable()) {
        ShowMsgBox(RestoreAccessProblemMessage());
        return false;
    }
    if (!QFileInfo(QDir(*chosen).filePath(DataFileName)).isFile()) {
        ShowMsgBox(RequiredFilesMissingMessage(shown));
        return false;
    }
    const std::optional<bool> withSettings = restoreSettingsToo(ds, *chosen);
    if (!withSettings)
        return false;
    if (ShowMsgBox(ConfirmRestoreMessage()).choice != 1)
        return false;

    QStringList files = BackupFileList();
    if (!*withSettings)
        files.removeAll(InstallationFileName);
    BusyWindow busy(window);
    FolderLock lock(ds);
    if (!lock.acquire())
        return false;
    bool damaged = false;
    const CopyOutcome outcome = CopyFileSet(
        lock, *chosen, ds.folder(), files,
        [&](const QString &file) {
            window.setCaption(BackupText::RestoringCaption(file));
            letWindowsPaint();
        },
        [&](const QString &name, const QString &copyPath) {
            const QString reason = RestoreCheck(name, copyPath);
            damaged = !reason.isEmpty();
            return reason;
        });
    // Written after the copy, so the restored log records the restore.
    const bool logged =
        outcome.ok &&
        AppendLogLine(lock, UserListLogName,
                      RestoreLogLine(desktop().now(), *chosen,
                                     outcome.replaced.contains(InstallationFileName)));
    lock.release();
    busy.release();
    if (!outcome.ok) {
        ShowMsgBox(damaged
                       ? DamagedBackupMessage(shown, outcome.reason)
                       : RestoreErrorMessage(outcome.failedFile, outcome.reason, outcome.replaced));
        return false;
    }
    // The restored settings hold the agency's name from now on.
    if (outcome.replaced.contains(InstallationFileName))
        LoadInstallation(ds);
    ShowMsgBox(RestoreSuccessMessage(logged));
    return true;
}
