#include "gui/windows/BackupProcedures.h"

#include "core/common/ActivityLog.h"
#include "core/common/DataSet.h"
#include "core/common/Globals.h"
#include "core/rules/BackupRestore.h"
#include "core/store/Store.h"
#include "core/users/Installation.h"
#include "gui/platform/ShowMsgBox.h"

#include <QDir>
#include <QFileInfo>
#include <optional>

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

// Runs a copy step while the window is busy, its caption naming each file;
// asks while the data folder stays busy (Retry runs the step again).
// Nothing when the person cancelled.
std::optional<ProcedureCopy> runCopy(const ProcedureWindow &window,
                                     const std::function<ProcedureCopy()> &step)
{
    const QString caption = window.caption();
    for (;;) {
        ProcedureCopy copy;
        window.runBusy([&] { copy = step(); });
        window.setCaption(caption);
        if (!copy.busy)
            return copy;
        if (ShowMsgBox(copy.refusal).choice != MsgButton::First)
            return std::nullopt;
    }
}

// The backup of a store that backs itself up: its dump beside the older
// ones in the chosen folder, which may hold other files, and then its line
// in the store's "UserList.Log", as a data folder's backup has.
bool backUpStore(Store &store, const QString &chosen, const ProcedureWindow &window)
{
    if (ShowMsgBox(ReadyToBackupMessage(WithTrailingSeparator(chosen))).choice != MsgButton::First)
        return false;
    Store::SelfBackup backup;
    const QString caption = window.caption();
    window.runBusy([&] {
        backup = store.backUpInto(chosen);
        if (backup.ok &&
            !store.appendLogLine(UserListLogName, BackupLogLine(desktop().now(), chosen)))
            backup.text += CrLf + CrLf +
                           QStringLiteral("It could not be recorded in the activity log '") +
                           UserListLogName + QStringLiteral("'.");
    });
    window.setCaption(caption);
    ShowMsgBox(backup.ok ? QStringLiteral("Backup Successful")
                         : QStringLiteral("File Backup Error"),
               backup.ok ? MsgIcon::Information : MsgIcon::Warning, backup.text, 1, false,
               {backup.ok ? QStringLiteral("Thank you, &continue") : QStringLiteral("&Okay")});
    return backup.ok;
}

} // namespace

bool BackupDataFiles(Store &store, const ProcedureWindow &window)
{
    DataSet &ds = store.dataSet();
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
    if (store.backsUpItself())
        return backUpStore(store, *chosen, window);
    const MsgBoxRequest question = state == BackupFolderState::UnrelatedFiles
                                       ? BackupCautionMessage(shown)
                                       : ReadyToBackupMessage(shown);
    if (ShowMsgBox(question).choice != MsgButton::First)
        return false;

    const std::optional<ProcedureCopy> copy = runCopy(window, [&] {
        return BackupCopy(ds, *chosen, [&](const QString &file) {
            window.setCaption(BackupText::CopyingCaption(file));
        });
    });
    if (!copy)
        return false;
    if (!copy->outcome.ok) {
        ShowMsgBox(BackupErrorMessage(copy->outcome.failedFile, copy->outcome.reason,
                                      copy->outcome.replaced));
        return false;
    }
    ShowMsgBox(BackupSuccessMessage(copy->logged, copy->chainProblems));
    return true;
}

bool RestoreDataFiles(Store &store, const ProcedureWindow &window)
{
    if (store.backsUpItself()) {
        ShowMsgBox(QStringLiteral("Important! Please read carefully..."), MsgIcon::Information,
                   store.restoreElsewhereText(), 1, false, {QStringLiteral("&Okay")});
        return false;
    }
    DataSet &ds = store.dataSet();
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
    bool withSettings = false;
    switch (RestoreSettingsChoice(ds, *chosen)) {
    case SettingsRestore::Keep:
        break;
    case SettingsRestore::Restore:
        withSettings = true;
        break;
    case SettingsRestore::Ask:
        switch (ShowMsgBox(RestoreSettingsMessage()).choice) {
        case MsgButton::First:
            break;
        case MsgButton::Second:
            withSettings = true;
            break;
        default:
            return false;
        }
        break;
    }
    if (ShowMsgBox(ConfirmRestoreMessage()).choice != MsgButton::First)
        return false;

    const std::optional<ProcedureCopy> copy = runCopy(window, [&] {
        return RestoreCopy(ds, *chosen, withSettings, [&](const QString &file) {
            window.setCaption(BackupText::RestoringCaption(file));
        });
    });
    if (!copy)
        return false;
    if (!copy->outcome.ok) {
        ShowMsgBox(copy->damaged
                       ? DamagedBackupMessage(shown, copy->outcome.reason)
                       : RestoreErrorMessage(copy->outcome.failedFile, copy->outcome.reason,
                                             copy->outcome.replaced));
        return false;
    }
    // The restored settings hold the agency's name from now on.
    if (copy->outcome.replaced.contains(InstallationFileName))
        LoadInstallation(ds);
    ShowMsgBox(RestoreSuccessMessage(copy->logged));
    return true;
}
