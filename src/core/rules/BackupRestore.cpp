#include "core/rules/BackupRestore.h"

#include "core/common/FolderLock.h"
#include "core/common/Globals.h"
#include "core/common/MsgBox.h"
#include "core/entries/EntryCheck.h"
#include "core/users/Installation.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>

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

MsgBoxRequest BackupErrorMessage(const QString &file, const QStringList &replaced)
{
    QString text = QStringLiteral("There is some kind of problem") + CrLf +
                   QStringLiteral("trying to copy ") + file + CrLf + CrLf;
    if (replaced.isEmpty())
        text += QStringLiteral("No file in the backup location has been changed.");
    else
        text += QStringLiteral("Already copied: ") + fileList(replaced) + QLatin1Char('.');
    return {QStringLiteral("File Backup Error"), 4, text, 1, false, {kCancelBackup}};
}

MsgBoxRequest RestoreErrorMessage(const QString &file, const QStringList &replaced)
{
    QString text = QStringLiteral("There is some kind of problem") + CrLf +
                   QStringLiteral("trying to restore ") + file + CrLf + CrLf;
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

MsgBoxRequest BackupSuccessMessage()
{
    return {QStringLiteral("Backup Successful"),
            5,
            QStringLiteral("Your current ") + AppTitle + QStringLiteral(" data files") + CrLf +
                QStringLiteral("have been successfully backed up!"),
            1,
            false,
            {QStringLiteral("Thank you, &continue")}};
}

MsgBoxRequest RestoreSuccessMessage()
{
    return {QStringLiteral("Backup Successful"),
            5,
            QStringLiteral("Your previously backed up ") + CrLf + AppTitle +
                QStringLiteral(" data files") + CrLf +
                QStringLiteral("have been successfully restored!"),
            1,
            false,
            {QStringLiteral("Thank you, &continue")}};
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

// ---- the procedures ----

bool BackupDataFiles(const ProcedureWindow &window)
{
    const std::optional<QString> chosen =
        desktop().chooseFolder(BackupText::BackupFolderPrompt(), QString());
    if (!chosen || chosen->isEmpty())
        return false;
    if (IsProgramFolder(*chosen, DataFolder)) {
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
    FolderLock lock;
    if (!lock.acquire())
        return false;
    const CopyOutcome outcome =
        CopyFileSet(lock, DataFolder, *chosen, BackupFileList(), [&](const QString &file) {
            window.setCaption(BackupText::CopyingCaption(file));
            letWindowsPaint();
        });
    lock.release();
    busy.release();
    if (!outcome.ok) {
        ShowMsgBox(BackupErrorMessage(outcome.failedFile, outcome.replaced));
        return false;
    }
    ShowMsgBox(BackupSuccessMessage());
    return true;
}

bool RestoreDataFiles(const ProcedureWindow &window)
{
    const std::optional<QString> chosen =
        desktop().chooseFolder(BackupText::RestoreFolderPrompt(), QString());
    if (!chosen || chosen->isEmpty())
        return false;
    if (IsProgramFolder(*chosen, DataFolder)) {
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
    if (ShowMsgBox(ConfirmRestoreMessage()).choice != 1)
        return false;

    BusyWindow busy(window);
    FolderLock lock;
    if (!lock.acquire())
        return false;
    bool damaged = false;
    const CopyOutcome outcome = CopyFileSet(
        lock, *chosen, DataFolder, BackupFileList(),
        [&](const QString &file) {
            window.setCaption(BackupText::RestoringCaption(file));
            letWindowsPaint();
        },
        [&](const QString &name, const QString &copyPath) {
            const QString reason = RestoreCheck(name, copyPath);
            damaged = !reason.isEmpty();
            return reason;
        });
    lock.release();
    busy.release();
    if (!outcome.ok) {
        ShowMsgBox(damaged ? DamagedBackupMessage(shown, outcome.reason)
                           : RestoreErrorMessage(outcome.failedFile, outcome.replaced));
        return false;
    }
    // The restored settings hold the agency's name from now on.
    if (outcome.replaced.contains(InstallationFileName))
        LoadInstallation();
    ShowMsgBox(RestoreSuccessMessage());
    return true;
}
