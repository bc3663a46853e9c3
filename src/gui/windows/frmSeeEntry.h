// The entry card: shows one entry field by field, lets an entitled user
// edit it, and is the only place where new entries are created.
#pragma once

#include "core/common/Session.h"
#include "core/store/Store.h"

#include "core/entries/EntryStore.h"
#include "core/rules/EntryCard.h"

#include <QDialog>
#include <QVector>

class QLabel;
class QMenu;
class QAction;
class QWidget;
class ZelButton;

class frmSeeEntry : public QDialog
{
    Q_OBJECT
public:
    frmSeeEntry(Store &store, Session &session, QWidget *parent = nullptr);
    ~frmSeeEntry() override;

    // The card record number, as text: the entry to show, or the template
    // entry when adding; "0" for a plain new entry.
    void setTag(const QString &recordNumber);
    QString Tag() const { return m_tag; }

    // Adding: the provisional control number ("yyyymmddhhnnss") taken when
    // Add was pressed. Its presence puts the card into adding mode; empty
    // means the card shows the existing entry of the record number.
    void setProvisionalControlNumber(const QString &controlText);

    // The entry the opener believes sits at the record number (as read for
    // its list). When the record there is no longer that entry (another
    // workstation changed or deleted entries), the card says so, sets
    // ListNeedsReload and does not open.
    void setExpectedIdentity(double controlNumber, const QString &caseNumber);

    // Opens the card (reads the entry) and runs it modally. Returns
    // Rejected at once, without showing the window, when the entry could
    // not be read or is not the expected one.
    int exec() override;

    // ---- what the window is made of (tests and assistive tools) ----
    QWidget *txtfield(int index) const { return m_field.value(index); }
    QLabel *lbl(int index) const { return m_label.value(index); }
    QLabel *lblSpaceFull(int index) const;
    QLabel *lblMinimumEntryNotice = nullptr;
    QMenu *menuCategorymenu = nullptr;
    QAction *menuCategory(int index) const { return m_menuItem.value(index); }
    ZelButton *cmdHelp = nullptr;
    ZelButton *cmdFinished = nullptr;
    ZelButton *cmdEditEntry = nullptr;
    ZelButton *cmdAddSave = nullptr;
    ZelButton *cmdAddCancel = nullptr;
    ZelButton *cmdEditSave = nullptr;
    ZelButton *cmdEditCancel = nullptr;
    ZelButton *cmdPrintEntry = nullptr;
    ZelButton *cmdEmailEntry = nullptr;
    ZelButton *cmdPrintLabel = nullptr;

    // Set when the person ticked "Don't show this again" in the e-mail
    // warning: further e-mails from this card go without it.
    bool EmailWarningOff = false;

    // The text of a field in the record's form (line breaks as CR LF).
    QString fieldText(int index) const;
    void setFieldText(int index, const QString &recordText);
    // The opening value of a field.
    QString openingValue(int index) const { return m_opening.value(index); }

    bool isAdding() const { return m_adding; }
    bool isViewing() const { return m_viewing; }
    bool isEditing() const { return m_editing; }
    bool isFromTemplate() const { return m_fromTemplate; }
    // Whether a change has been saved while this card is open.
    bool hasSaved() const;

    // Opening: runs once (the first exec() or show() runs it). False when
    // the card can not open (the entry could not be read, or is not the
    // one the opener expected); it has told the person then.
    bool Form_Activate();

public slots:
    void cmdAddSave_Click();
    void cmdAddCancel_Click();
    void cmdEditEntry_Click();
    void cmdEditSave_Click();
    void cmdEditCancel_Click();
    void cmdPrintEntry_Click();
    void cmdPrintLabel_Click();
    void cmdEmailEntry_Click();
    void cmdHelp_Click();
    void cmdFinished_Click();
    void menuCategory_Click(int index);

protected:
    void showEvent(QShowEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void Form_Load();
    void buildFields(QWidget *panel);
    void layOutFields(QWidget *panel); // the three panels of labels and boxes
    void buildButtons();
    void buildMenu();
    void applyBackground();

    void txtField_GotFocus(int index);
    void txtField_LostFocus(int index);
    void txtfield_DblClick(int index);
    void txtField_Change(int index);
    void focusMoved(QWidget *now);
    int fieldIndexOf(const QObject *widget) const;

    bool GoodData();
    void SetUpButtons();
    void ShowRequiredEntries(bool show);
    void ShowCategoryMenu();
    void setFieldsEditable(bool editable);
    void setFieldBack(int index, OleColor colour);
    void setLabelBold(int index, bool bold);
    void limitMultiLine(int index);
    QStringList fieldTexts() const;
    void showOpeningValues();
    void laterRelease(const QString &title, const QString &what);

    QString m_tag = QStringLiteral("0");
    QString m_provisional;
    double m_expectedControl = 0;
    QString m_expectedCase;
    bool m_hasExpected = false;

    // Per-card state, all false when the card is made.
    bool m_activated = false; // Form_Activate has run
    bool m_openFailed = false;
    bool m_started = false;
    bool m_adding = false;
    bool m_viewing = false;
    bool m_editing = false;
    bool m_fromTemplate = false;
    bool m_limiting = false;
    bool m_selectTodayOnRelease = false; // a click filled in today's date

    int m_recordNumber = 0;
    EntryRecord m_asRead;     // the entry as read when the card opened (or last saved)
    EntryIdentity m_identity; // what identifies it in the file
    QStringList m_opening;    // opening values of fields 0..16 (record form)
    int m_focusField = -1;    // the field whose GotFocus ran last, -1 none

    QVector<QWidget *> m_field;
    QVector<QLabel *> m_label;
    QLabel *m_spaceFull[2] = {nullptr, nullptr};
    QVector<QAction *> m_menuItem; // index 1..21; 0 unused
    QWidget *m_panel = nullptr;
    Store &m_store;
    Session &m_session;
    DataSet &data() const { return m_store.dataSet(); }
};
