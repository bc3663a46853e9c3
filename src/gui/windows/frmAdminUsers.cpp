// The administrative window's user list editing: adding, editing and
// deleting users once the access code is given.
#include "gui/windows/frmAdmin.h"

#include "core/common/Globals.h"
#include "core/users/UserFile.h"
#include "gui/controls/Grid.h"
#include "gui/controls/ZelButton.h"
#include "gui/platform/BusyGuard.h"
#include "gui/platform/Presenter.h"
#include "gui/platform/ShowMsgBox.h"
#include "gui/windows/frmAddEditUser.h"

#include <QFileInfo>
#include <QTimer>

// ---- list editing ----

void frmAdmin::cmdEditList_Click()
{
    if (!EditingList) {
        if (!AccessCodeGranted(m_store, m_session))
            return;
        EditingList = true;
        cmdEditList->setTag(cmdEditList->text());
        cmdEditList->setText(AdminText::FinishedEditingCaption());
        m_editListTip = cmdEditList->toolTip();
        cmdEditList->setToolTip(AdminText::FinishedEditingTip());
        cmdEditList->setAccessibleDescription(cmdEditList->toolTip());
        cmdReviewLogs->hide();
        cmdBackupRestore->hide();
        cmdUserSelected->hide();

        m_homeTop = cmdAddUser->y();
        for (ZelButton *b : {cmdAddUser, cmdEditUser, cmdDeleteUser})
            b->move(b->x(), cmdUserSelected->y());
        cmdAddUser->setEnabled(true);
        cmdEditUser->setEnabled(gridShown());
        cmdDeleteUser->setEnabled(gridShown());
        makeDefault(nullptr);

        m_windowTag = windowTitle();
        setWindowTitle(AdminText::EditingListCaption());
        if (data().UserCount == 0)
            cmdAddUser_Click();
        FlashingButton = cmdEditList;
        timerFlashButton->start();
        return;
    }

    EditingList = false;
    stopFlash();
    cmdEditList->setText(cmdEditList->Tag());
    cmdEditList->setTag(QString());
    cmdEditList->setToolTip(m_editListTip);
    cmdEditList->setAccessibleDescription(m_editListTip);
    restoreColors(cmdEditList);
    for (ZelButton *b : {cmdAddUser, cmdEditUser, cmdDeleteUser}) {
        b->move(b->x(), m_homeTop);
        b->setEnabled(false);
    }
    cmdReviewLogs->show();
    cmdBackupRestore->show();
    cmdUserSelected->setVisible(gridShown());
    if (gridShown())
        makeDefault(cmdUserSelected);
    setWindowTitle(m_windowTag);
}

void frmAdmin::afterUserSaved(ZelButton *button, const UserRecord &saved)
{
    button->setTag(QStringLiteral("Update"));
    const QString key = saved.SortKey();
    FillUserGrid();
    if (data().UserCount >= 2) {
        QStringList keys;
        for (int r = 1; r < grid->Rows(); ++r)
            keys.append(grid->TextMatrix(r, 3));
        const int row = RowOfSortKey(keys, key);
        if (row >= 1) {
            selectRow(row);
            grid->setTopRow(row);
        }
    }
}

void frmAdmin::cmdAddUser_Click()
{
    frmAddEditUser window(m_store, m_session, this);
    window.setTag(AddEditText::AddMode());
    if (window.Load())
        window.exec();
    if (window.saved())
        afterUserSaved(cmdAddUser, window.savedUser());
    if (cmdAddUser->Tag() != QLatin1String("Update"))
        return;
    cmdAddUser->setTag(QString());
    cmdEditUser->setEnabled(data().UserCount >= 1 && gridShown());
    cmdDeleteUser->setEnabled(data().UserCount >= 1 && gridShown());
}

void frmAdmin::cmdEditUser_Click()
{
    int n = 0;
    UserRecord asListed;
    if (!userOfRow(grid->Row(), &n, &asListed))
        return;
    frmAddEditUser window(m_store, m_session, this);
    window.setTag(AddEditText::EditMode());
    window.setRecord(n, UserIdentity::of(asListed));
    if (window.Load())
        window.exec();
    if (window.changedElsewhere()) {
        // Nothing was written; the list shows what the file holds now.
        FillUserGrid();
        cmdEditUser->setEnabled(gridShown());
        cmdDeleteUser->setEnabled(gridShown());
        return;
    }
    if (window.saved())
        afterUserSaved(cmdEditUser, window.savedUser());
    cmdEditUser->setTag(QString());
}

void frmAdmin::cmdDeleteUser_Click()
{
    const int row = grid->Row();
    int n = 0;
    UserRecord asListed;
    if (!userOfRow(row, &n, &asListed))
        return;
    int choice = 1;
    if (!SkipDeleteConfirm) {
        const MsgBoxAnswer answer = ShowMsgBox(ConfirmDeletionMessage(grid->TextMatrix(row, 0)));
        choice = answer.choice;
        SkipDeleteConfirm = answer.dontShow;
    }
    if (choice != 1)
        return;

    const UserResult result = RunUserChange(
        this, data(), [&] { return m_store.deleteUser(n, UserIdentity::of(asListed)); });
    BusyGuard busy(this);
    int rememberedRow = 1;
    int rememberedTop = 1;
    if (m_store.hasUserList()) {
        rememberedRow = RowAfterDelete(row);
        rememberedTop = grid->TopRow();
    }
    if (result != UserResult::Ok) {
        busy.release();
        ShowUserResult(data(), result);
        if (result == UserResult::Changed || result == UserResult::Missing)
            FillUserGrid();
        cmdEditUser->setEnabled(gridShown());
        cmdDeleteUser->setEnabled(gridShown());
        return;
    }
    FillUserGrid();
    if (gridShown()) {
        const int target = qMin(rememberedRow, grid->Rows() - 1);
        selectRow(target);
        grid->setTopRow(grid->RowIsVisible(target) ? rememberedTop : target);
        selectRow(target);
    }
    busy.release();
    if (!SkipDeleteConfirm)
        ShowMsgBox(UserRemovedMessage());
    cmdEditUser->setEnabled(gridShown());
    cmdDeleteUser->setEnabled(gridShown());
}
