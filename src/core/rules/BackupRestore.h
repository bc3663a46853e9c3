// Backup and restore of the data files from the administrative window: the
// pop-up menu's captions, the folder checks, every question and message,
// and the steps of the two procedures; the window runs the procedures
// (BackupProcedures in gui) and asks between the steps.
#pragma once

#include "core/common/ChainedLogs.h"
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
// chainProblems: the logs whose chains failed before the copy.
MsgBoxRequest BackupSuccessMessage(bool logged = true, const QStringList &chainProblems = {});
MsgBoxRequest RestoreSuccessMessage(bool logged = true);

// The lines UserList.Log gets after a backup or a restore: where to or
// from, and the account and computer that ran it (the administrative
// window is used before anyone signs in).
QString BackupLogLine(const QDateTime &now, const QString &folder);
QString RestoreLogLine(const QDateTime &now, const QString &folder, bool settingsRestored);
// The administrative lines of the trail, for UserList.Log: the logs sealed
// (each with its line count), a log whose chain failed its verification,
// a log reviewed.
QString SealLogLine(const QDateTime &now, const QList<SealRecord> &seals);
QString ChainFailedLogLine(const QDateTime &now, const QString &logName,
                           const ChainVerdict &verdict);
QString LogReviewedLine(const QDateTime &now, const QString &logName);
// Verifies the four logs' chains and seals: a report line or more per log
// ("X: chain verified up to line N", "X: PROBLEM: line N fails its chain:
// ..."); each failure is counted in *failed and recorded in UserList.Log,
// under held when the caller holds the lock, else under a lock of its own.
QStringList VerifyLogChains(DataSet &ds, const FolderLock *held, int *failed);
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

// The steps of the two procedures (the administrative window asks the
// questions between them). Whether a restore from folder brings back the
// backup's installation settings: Keep the current ones (the backup holds
// none, or the same), Restore them (the current ones are missing or
// damaged), or Ask the person (RestoreSettingsMessage).
enum class SettingsRestore { Keep, Restore, Ask };
SettingsRestore RestoreSettingsChoice(const DataSet &ds, const QString &folder);

// What the copy of a backup or a restore came to.
struct ProcedureCopy {
    bool busy = false;     // the lock could not be had: nothing was copied
    MsgBoxRequest refusal; // then: the "Data folder busy" question
    CopyOutcome outcome;
    bool logged = false;       // its line in UserList.Log was written
    bool damaged = false;      // a copy did not pass RestoreCheck (restore)
    QStringList chainProblems; // logs whose chains failed (backup)
};
// Under the folder lock, verifies the logs' chains, copies the data set
// into folder (a damaged data or user file replaces nothing there) and
// logs the backup. progress gets
// each file's name before its copy, on the thread the copy runs on. Waits
// for the lock and copies: a window runs it off its thread.
ProcedureCopy BackupCopy(DataSet &ds, const QString &folder,
                         const std::function<void(const QString &)> &progress);
// Under the folder lock, restores the data set from folder (the settings
// file only withSettings) when every copy passes RestoreCheck, and logs the
// restore after the copy; the seals file is kept and records the restore.
// As BackupCopy.
ProcedureCopy RestoreCopy(DataSet &ds, const QString &folder, bool withSettings,
                          const std::function<void(const QString &)> &progress);
