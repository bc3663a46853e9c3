// Backup and restore of the data files from the administrative window: the
// pop-up menu's captions, the folder checks, every question and message,
// and the two procedures, which talk to the person through the desktop
// seam and to the window only through ProcedureWindow.
#pragma once

#include "core/common/Desktop.h"
#include "core/users/Backup.h"

#include "core/common/DataSet.h"

#include <QString>
#include <functional>

namespace BackupText
{
QString MenuCaption(int index); // menuBackupRestore(1..4)
QString BackupCaption();        // title + " - Data Backup Procedure"
QString RestoreCaption();       // title + " - Data Restoration Procedure"
QString BackupFolderPrompt();
QString RestoreFolderPrompt();
// A prompt as the folder chooser's title shows it: on one line.
QString ChooserTitle(const QString &prompt);
QString CopyingCaption(const QString &file);   // "Copying F..."
QString RestoringCaption(const QString &file); // "Restoring F"
} // namespace BackupText

// The chosen folder as the messages show it: native separators and one
// trailing separator.
QString WithTrailingSeparator(const QString &folder);
// True when chosen names the program's data folder: the same path in any
// letter case, with or without a trailing separator, or the same folder
// reached another way (a link, "..").
bool IsProgramFolder(const QString &chosen, const QString &programFolder);

// What the folder holds, for the backup's question.
enum class BackupFolderState {
    Unreadable,    // it can not be listed
    Empty,         // no file at all
    HoldsBackup,   // it holds the data file
    UnrelatedFiles // files, but not the data file
};
BackupFolderState InspectBackupFolder(const QString &folder);

MsgBoxRequest InvalidBackupFolderMessage();
MsgBoxRequest InvalidRestoreFolderMessage();
MsgBoxRequest BackupAccessProblemMessage();
MsgBoxRequest RestoreAccessProblemMessage();
MsgBoxRequest BackupCautionMessage(const QString &folderShown);
MsgBoxRequest ReadyToBackupMessage(const QString &folderShown);
MsgBoxRequest RequiredFilesMissingMessage(const QString &folderShown);
MsgBoxRequest ConfirmRestoreMessage();
// Whether a restore brings back the backup's installation settings (and
// with them the access code of that time): 1 keeps the current ones, 2
// restores them too, 3 cancels.
MsgBoxRequest RestoreSettingsMessage();
// A failed copy: the file, why (the system's words), then whether anything
// at the destination was replaced before the failure (replaced lists those
// files).
MsgBoxRequest BackupErrorMessage(const QString &file, const QString &reason,
                                 const QStringList &replaced);
MsgBoxRequest RestoreErrorMessage(const QString &file, const QString &reason,
                                  const QStringList &replaced);
// A backup whose copies did not pass the check before restoring.
MsgBoxRequest DamagedBackupMessage(const QString &folderShown, const QString &reason);
// logged: whether the line in UserList.Log that records it was written.
MsgBoxRequest BackupSuccessMessage(bool logged = true);
MsgBoxRequest RestoreSuccessMessage(bool logged = true);

// The lines UserList.Log gets after a backup or a restore: where to or
// from, and the account and computer that ran it (the administrative
// window is used before anyone signs in).
QString BackupLogLine(const QDateTime &now, const QString &folder);
QString RestoreLogLine(const QDateTime &now, const QString &folder, bool settingsRestored);
// "account 'pat' at workstation 'WS-FRONT'"
QString WorkstationText();

// Why the backup in folder would not read back whole (empty when it
// would): its data file must be there, and each file of it must pass
// RestoreCheck.
QString BackupFolderProblem(const QString &folder);

// Why a copy may not be restored (empty when it may): the data file and
// the user file must be whole and every record must decode; the settings
// file must be readable and complete.
QString RestoreCheck(const QString &bareName, const QString &copyPath);

// What the procedures need of the window.
struct ProcedureWindow {
    std::function<QString()> caption;
    std::function<void(const QString &)> setCaption;
    // Hourglass and disabled (true), or back to normal (false).
    std::function<void(bool)> setBusy;
};

// The two procedures: true when every file was copied.
bool BackupDataFiles(DataSet &ds, const ProcedureWindow &window);
bool RestoreDataFiles(DataSet &ds, const ProcedureWindow &window);
