// The add/edit user window: one user of the user list, added or viewed and
// changed, shown modally over the administrative window.
#pragma once

#include "core/common/Session.h"
#include "core/store/Store.h"

#include "core/users/UserFile.h"
#include "core/users/UserRecord.h"

#include <QDialog>
#include <QVector>

class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QRadioButton;
class ZelButton;

class frmAddEditUser : public QDialog
{
    Q_OBJECT
public:
    frmAddEditUser(Store &store, Session &session, QWidget *parent = nullptr);

    // The mode: "Add a User" or "View/Edit this User".
    QString Tag() const { return m_tag; }
    void setTag(const QString &mode) { m_tag = mode; }
    bool addMode() const;
    // View/edit: the user's record number and identity as the list read it.
    void setRecord(int recordNumber, const UserIdentity &asListed);

    // Fills the window for its mode (view/edit reads the user). False when
    // the user can not be shown: the file could not be opened, or the
    // record is another user now (the person has been told); the window is
    // then not to be shown.
    bool Load();

    // After the window closed: whether it saved, and what.
    bool saved() const { return m_saved; }
    const UserRecord &savedUser() const { return m_savedUser; }
    // The user was changed or removed at another workstation; nothing was
    // written and the list must be reloaded.
    bool changedElsewhere() const { return m_changedElsewhere; }

    // The controls: txtField(1) to txtField(4), optAccessLevel(1) to (4).
    QLineEdit *txtFirstName = nullptr;
    QLineEdit *txtLastName = nullptr;
    QLineEdit *txtPassword = nullptr;
    QPlainTextEdit *txtComments = nullptr;
    QVector<QRadioButton *> optAccessLevel; // level i at index i - 1
    QLabel *lblDateCreated = nullptr;
    QLabel *lblSpaceFull = nullptr;
    QLabel *lblMandatory = nullptr;
    ZelButton *cmdSave = nullptr;
    ZelButton *cmdCancel = nullptr;

    int accessLevel() const { return m_level; }
    int recordNumber() const { return m_recordNumber; }
    bool MandatoryFieldsFilled() const;
    // The password was read blank (the store keeps only its key) and the
    // box is still empty: saving keeps the stored one.
    bool passwordUnchanged() const;

public slots:
    void cmdSave_Click();
    void cmdCancel_Click();
    void optAccessLevel_Click(int level);
    void txtField_Change();
    void txtComments_Change();

protected:
    void showEvent(QShowEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void Form_Activate();
    void setBoxColor(QWidget *box, quint32 bgr);
    void selectLevel(int level);
    void editTouched();

    QString m_tag;
    int m_recordNumber = 0;
    UserIdentity m_identity;
    int m_level = 1;
    bool m_activated = false;
    bool m_loaded = false;
    bool m_saved = false;
    bool m_changedElsewhere = false;
    bool m_passwordKept = false; // read blank: only the store knows it
    UserRecord m_loadedUser;
    UserRecord m_savedUser;
    Store &m_store;
    Session &m_session;
    DataSet &data() const { return m_store.dataSet(); }
};
