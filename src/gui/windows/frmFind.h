// The search window: collects the criteria of one text search or one date
// summary and hands them to the main list through the program-wide search
// values when it closes. It reads and writes no file and logs nothing.
#pragma once

#include "core/common/ColorMath.h"
#include "core/common/Session.h"
#include "core/rules/FindRules.h"
#include "core/store/Store.h"

#include <QDateEdit>
#include <QDialog>
#include <QVector>

class QButtonGroup;
class QCheckBox;
class QLabel;
class QLineEdit;
class QRadioButton;
class QTimer;
class ZelButton;

// The drop-down date field of the search window: a date edit whose
// calendar the program can drop down, and which says when it got the focus
// and when its calendar closed.
class FindDatePicker : public QDateEdit
{
    Q_OBJECT
public:
    explicit FindDatePicker(QWidget *parent = nullptr);

    // Drops the calendar down (nothing when it is already down or the
    // field is disabled or hidden).
    void openCalendar();
    bool calendarIsDown() const;
    // The drop-down window holding the calendar.
    QWidget *calendarPopup() const;

signals:
    void GotFocus(Qt::FocusReason reason);
    void CloseUp();

protected:
    void focusInEvent(QFocusEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    // Browsing the dropped calendar moves the date with it; Esc puts back
    // the date it dropped down with.
    QDate m_dateAtDrop;
    bool m_escaped = false;
};

class frmFind : public QDialog
{
    Q_OBJECT
public:
    // bounds: the earliest and latest received date of the main list (an
    // invalid pair for an empty list: the picker keeps its own range).
    // cmdFindEntries: the main window's Find button, whose tag receives the
    // caption of a chosen summary (may be null).
    frmFind(Store &store, Session &session, const PickerBounds &bounds,
            ZelButton *cmdFindEntries = nullptr, QWidget *parent = nullptr);
    ~frmFind() override;

    // Shows the window modally; true when criteria were handed over (the
    // search or summary was chosen), false after Cancel.
    static bool ShowFind(Store &store, Session &session, const PickerBounds &bounds,
                         ZelButton *cmdFindEntries, QWidget *parent);

    // True once the window has closed with criteria (GoSearch).
    bool searchChosen() const { return m_goSearch && m_closed; }
    // The option selected now (0 when none).
    int selectedOption() const;

    // Controls, by their program names (objectName as well).
    QVector<QRadioButton *> optFind; // index 1..17; element 0 is null
    QLineEdit *txtSearchPhrase = nullptr;
    QCheckBox *chkCapStatus = nullptr;
    QCheckBox *chkWholeWordStatus = nullptr;
    FindDatePicker *calPickDate = nullptr;
    QLabel *lblFind1 = nullptr; // "lblFind(1)"
    QLabel *lblFind2 = nullptr; // "lblFind(2)"
    ZelButton *cmdFind = nullptr;
    ZelButton *cmdCancel = nullptr;
    ZelButton *cmdHelp = nullptr;
    QTimer *timerFlashButton = nullptr;

public slots:
    void optFind_Click(int Index);
    void calPickDate_GotFocus();
    void calPickDate_CloseUp();
    void txtSearchPhrase_Change();
    void cmdFind_Click();
    void cmdHelp_Click();
    void cmdCancel_Click();
    void timerFlashButton_Timer();

protected:
    void Form_Activate();
    void showEvent(QShowEvent *event) override;
    void reject() override;

private:
    void buildCommands(); // the buttons, the flash timer, what each control calls
    void layOut();        // places the controls; nothing chosen yet
    void setPulsing(bool on);
    void restoreFindColors();
    void focusPicker();

    PickerBounds m_bounds;
    ZelButton *m_cmdFindEntries = nullptr;
    QButtonGroup *m_options = nullptr;
    bool Started = false;
    bool m_goSearch = false; // GoSearch
    bool m_closed = false;
    OleColor SavedForeColor = 0;
    OleColor SavedBackColor = 0;
    ButtonPulse m_pulse;
    Store &m_store;
    Session &m_session;
    DataSet &data() const { return m_store.dataSet(); }
};
