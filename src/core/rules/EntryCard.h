// The rules of the entry card, without widgets: its seventeen fields (labels,
// limits, tool tips, required ones), colours, the category menu, the texts
// an entry shows on the card, the check of what a person typed, the entry
// filled from the card, and which buttons the card offers in which mode.
#pragma once

#include "core/common/ColorMath.h"
#include "core/entries/EntryRecord.h"

#include <QDateTime>
#include <QString>
#include <QStringList>
#include <QVector>

// Field indices of the card (the text boxes txtfield(0) .. txtfield(16)).
namespace CardField
{
enum Index {
    ControlNumber = 0,
    CaseNumber = 1,
    Location = 2,
    Category = 3,
    BrandName = 4,
    ModelNumber = 5,
    SerialNumber = 6,
    Description = 7,
    Value = 8,
    Owner = 9,
    ReceivedFrom = 10,
    ReceivedDate = 11,
    ReleasedTo = 12,
    ReleasedDate = 13,
    Defendant = 14,
    Narrative = 15,
    ChainOfCustody = 16,
};
constexpr int Count = 17;
} // namespace CardField

// One field of the card.
struct CardFieldSpec {
    QString caption; // the label's caption
    int maxLength;   // the text box's input limit
    bool required;   // a save needs it filled
    QString toolTip; // empty for the control number
    bool multiLine;  // narrative and chain of custody
};

// The field of index 0..16.
const CardFieldSpec &CardFieldAt(int index);
// The fields a save needs (their labels turn red while adding or editing).
const QVector<int> &RequiredCardFields();

// Colours of the card (0xBBGGRR).
constexpr OleColor CardFieldBack = 0xFFFFC0;         // a field without focus
constexpr OleColor CardAddingFocusBack = 0xC0FFFF;   // focused while adding
constexpr OleColor CardEditingFocusBack = 0xFFC0FF;  // focused while editing
constexpr OleColor CardRequiredLabel = 0x0000C0;     // required label while adding/editing
constexpr OleColor CardPlainLabel = 0x000000;        // every other label
constexpr OleColor CardExistingBack = 0xFFE0A0;      // window showing an existing entry
constexpr OleColor CardControlNumberBack = 0x808000; // control number box: teal
constexpr OleColor CardControlNumberFore = 0xFFFFFF; // ... with white text
constexpr OleColor CardNoticeFore = 0x0000FF;        // required-entries notice: red
constexpr OleColor CardNoticeBack = 0xC0FFFF;        // ... on light yellow

// Texts of the card.
QString CardAddingCaption();         // "Add a New Entry"
QString CardViewingCaption();        // "See/Edit this Existing Entry"
QString MinimumEntryNoticeCaption(); // " (NOTE: Required entries in red) "
QString CategoryChangeHint();        // "Double-click to change..."
QString EntryErrorTitle();           // "Entry Error?"

// The category pop-up menu: items 1..21 (index 0 of the list is item 1).
struct CategoryMenuItem {
    QString caption; // empty for a separator
    bool separator = false;
};
const QVector<CategoryMenuItem> &CategoryMenuItems();
constexpr int CategoryMenuFirst = 1; // "No entry"
constexpr int CategoryMenuLast = 21; // "Other (enter yourself)"
// What choosing item index puts into the Category box.
QString CategoryForMenuItem(int index);
// Whether the focus moves on to the Brand Name box after item index.
bool CategoryMenuMovesOn(int index);

// ---- Texts between the card and the record ----

// A multi-line box shows "\n" where the record holds CR LF; the record form
// is what the limits count (a line break takes two of its characters).
QString CardShownText(const QString &recordText);
QString CardRecordText(const QString &shownText);
// Text as the record will hold it: a character outside Windows-1252
// becomes "?" (the card shows that as soon as the field is left).
QString StorableText(const QString &text);
// What field index holds once it is left: trimmed, storable, and for a
// one-line field on one line (a line break or tab becomes a blank).
QString CardStoredText(int index, const QString &text);

// The seventeen texts the card shows for an entry (record form): the
// control number as "yyyymmddhhnnss", the value in the general number form
// (1234.5, 0), the dates as m/d/yyyy with the time when there is one, a
// released date before 1900 (or none) empty, every text trimmed.
QStringList CardTextsFromEntry(const EntryRecord &entry);
QString CardValueText(qint64 value);
QString CardDateText(double oleDate);

// Whether every required field has something besides blanks.
bool RequiredFieldsFilled(const QStringList &texts);

// The fill indicator of a multi-line field: " 37% full ", or empty (hidden)
// when the field is empty. One character shows 1%, the limit 100%.
QString FillIndicatorCaption(int length, int maxLength);

// What an empty Received Date is given when entered: today, "mm/dd/yyyy".
QString TodayText(const QDateTime &now);

// ---- GoodData: the value and the two dates ----

struct CardCheck {
    bool ok = true;
    QStringList messages;           // texts of the messages, in the order shown
    QVector<int> failedFields;      // field of each message
    bool clearReleasedDate = false; // an empty (or blank) Released Date box is emptied
    // The field the focus ends on: the last one that failed, or -1.
    int focusField() const { return failedFields.isEmpty() ? -1 : failedFields.last(); }
};
// Checks the card texts (record form, indices 0..16). The checks run in
// order: Case Number (the deletion marker is reserved), Value, Received
// Date, Released Date.
CardCheck CheckGoodData(const QStringList &texts);
QString ReservedCaseNumberText(); // "'$Killed$' can not be used as a 'Case Number':" ...
QString ValueErrorText();         // "I don't understand the 'Value' entry"
QString ReceivedDateErrorText();  // "I don't understand the" CR LF "'Received Date' entry"
QString ReleasedDateErrorText();  // "I don't understand the" CR LF "'Released Date' entry"

// Fills entry from the card texts (record form): the text fields (trimmed,
// one-line fields on one line, and cut at the field's width when packed), the value (0 when blank),
// the received date and the released date (0 when blank). The version stamp, control number,
// reserved fields and status are left as they are. The texts must have passed CheckGoodData.
void FillEntryFromCard(EntryRecord &entry, const QStringList &texts);

// ---- Buttons ----

struct CardMode {
    bool adding = false;
    bool viewing = false;
    bool editing = false;
};

struct CardButtonSpec {
    QString name;    // cmdHelp, cmdFinished, ...
    QString caption; // empty for a picture button
    QString toolTip;
    bool visible = false;
    bool enabled = false;
};
// The nine buttons for the mode, in the order: cmdHelp, cmdFinished,
// cmdEditEntry, cmdAddSave, cmdAddCancel, cmdEditSave, cmdEditCancel,
// cmdPrintEntry, cmdEmailEntry. requiredFilled is the required-fields rule
// for the card's texts now.
QVector<CardButtonSpec> CardButtons(const CardMode &mode, int accessLevel, bool requiredFilled);
