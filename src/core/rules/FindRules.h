// The rules of the search window: its option captions and texts, when its
// Find button may be pressed, the confirmation of each summary, the pulse
// of the Find button and the criteria it hands to the main list on closing.
#pragma once

#include "core/common/ColorMath.h"
#include "core/common/Session.h"
#include "core/rules/ButtonPulse.h"

#include <QDate>
#include <QDateTime>
#include <QString>
#include <QStringList>
#include <QVector>

// Caption of option 1..17 of the search window (empty for other numbers).
QString FindOptionCaption(int option);

// The window's own texts.
QString FindWindowTitle();        // " Custorin - Search/Summarize Records..."
QString FindTextInstruction();    // lblFind(1)
QString FindSummaryInstruction(); // lblFind(2)
QString FindCancelToolTip();      // " Close this window <Esc> "
QString FindHelpToolTip();        // " Illustrated Manual <F1> "
constexpr int FindPhraseMaxLength = 25;

// The option the window opens on: a summary (or a number out of range) is
// never preselected, "Search all text" is.
int OpeningFindOption(int searchOption);

// A text search may start when the phrase holds more than blanks.
bool FindEnabledForPhrase(const QString &phraseBoxText);
// Find's tool tip while a text option is selected: " Start searching for
// '<phrase>' " with the phrase trimmed, or empty when there is none.
QString FindToolTipForPhrase(const QString &phraseBoxText);
// Find's tool tip while a summary option is selected: " <caption> ".
QString FindToolTipForSummary(int option);

// What Find asks before a summary. When the date is refused (a monthly,
// quarterly or annual summary not starting on the 1st), button 1 reopens
// the calendar; otherwise button 1 starts the summary. Button 2 (or none)
// leaves the window open.
struct SummaryConfirmation {
    QString title;
    QString text;
    QStringList buttons;
    bool acceptable = false;
    static constexpr int Icon = 5;
    static constexpr int DefaultButton = 1;
};
SummaryConfirmation SummaryConfirmationFor(int option, const QDate &picked);

// The Find button pulses between dark and bright cyan.
inline OleColor FindPulseBackColor(const ButtonPulse &pulse)
{
    return OleRgb(0, pulse.mirror, pulse.mirror);
}
inline OleColor FindPulseForeColor(const ButtonPulse &pulse)
{
    return OleRgb(0, pulse.level, pulse.level);
}
constexpr int FindPulseIntervalMs = 15;

// The dates the picker allows: from the earliest to the latest received
// date of the list (the list load keeps them). Not valid for an empty list
// (the picker keeps its own range then).
struct PickerBounds {
    QDate earliest;
    QDate latest;
    bool isValid() const { return earliest.isValid() && latest.isValid(); }
};
// The date the picker shows first: today, kept within the bounds.
QDate InitialPickerDate(const PickerBounds &bounds, const QDate &today);

// What the window hands over when it closes. goSearch is false for Cancel.
struct FindCriteria {
    QString searchPhrase; // trimmed phrase of a text search (on one line), else empty
    int searchOption = 1; // the option selected at closing
    int ignoreCaps = 1;   // check-box values, also on Cancel
    int wholeWordOnly = 0;
    QDateTime summaryStartDate; // picked day at midnight for a summary, else invalid
    QString summaryName;        // caption of the summary for the Find button's tag
};
FindCriteria CriteriaOnClosing(bool goSearch, int selectedOption, const QString &phraseBoxText,
                               const QDate &pickedDate, int ignoreCaps, int wholeWordOnly);
// Writes the criteria to the session's search values (the summary name
// goes to the main window's Find button, which the window sets itself).
void ApplyCriteria(Session &session, const FindCriteria &criteria);
