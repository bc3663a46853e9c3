#include "core/rules/FindRules.h"

#include "core/common/Formats.h"
#include "core/common/Globals.h"
#include "core/common/InputChecks.h"
#include "core/entries/SearchFilter.h"

#include <algorithm>

namespace
{

const QStringList &Captions()
{
    static const QStringList captions{
        QStringLiteral("Search all text"),
        QStringLiteral("Find by 'Control Number'"),
        QStringLiteral("Find by 'Case Number'"),
        QStringLiteral("Search 'Location' only "),
        QStringLiteral("Search 'Category' only"),
        QStringLiteral("Search 'Description' only"),
        QStringLiteral("Search 'Owner' only"),
        QStringLiteral("Search 'Received From' only"),
        QStringLiteral("Search 'Released To' only"),
        QStringLiteral("Search 'Defendent' only"),
        QStringLiteral("Search 'Narrative' only"),
        QStringLiteral("Search 'Chain-of-Custody' only"),
        QStringLiteral("Daily Summary"),
        QStringLiteral("Weekly Summary"),
        QStringLiteral("Monthly Summary"),
        QStringLiteral("Quarterly Summary"),
        QStringLiteral("Annual Summary"),
    };
    return captions;
}

QDateTime Midnight(const QDate &day)
{
    return QDateTime(day, QTime(0, 0));
}

} // namespace

QString FindOptionCaption(int option)
{
    if (option < FindOption::First || option > FindOption::Last)
        return QString();
    return Captions().at(option - 1);
}

QString FindWindowTitle()
{
    return QStringLiteral(" ") + AppTitle + QStringLiteral(" - ") +
           QStringLiteral("Search/Summarize Records...");
}

QString FindTextInstruction()
{
    return QStringLiteral("Enter a word or phrase ") + CrLf +
           QStringLiteral("(whole or partial) to search for...");
}

QString FindSummaryInstruction()
{
    return QStringLiteral("Select a beginning date") + CrLf +
           QStringLiteral("for the indicated summary...");
}

QString FindCancelToolTip()
{
    return QStringLiteral(" Close this window <Esc> ");
}

QString FindHelpToolTip()
{
    return QStringLiteral(" Illustrated Manual <F1> ");
}

int OpeningFindOption(int searchOption)
{
    return IsTextOption(searchOption) ? searchOption : FindOption::AllText;
}

bool FindEnabledForPhrase(const QString &phraseBoxText)
{
    return !phraseBoxText.trimmed().isEmpty();
}

QString FindToolTipForPhrase(const QString &phraseBoxText)
{
    const QString phrase = phraseBoxText.trimmed();
    if (phrase.isEmpty())
        return QString();
    return QStringLiteral(" Start searching for '") + phrase + QStringLiteral("' ");
}

QString FindToolTipForSummary(int option)
{
    return QStringLiteral(" ") + FindOptionCaption(option) + QStringLiteral(" ");
}

SummaryConfirmation SummaryConfirmationFor(int option, const QDate &picked)
{
    const QString intro = QStringLiteral("This will summarize all entries");
    const QDateTime d = Midnight(picked);
    SummaryConfirmation c;
    c.acceptable = true;
    switch (option) {
    case FindOption::DailySummary:
        c.title = QStringLiteral("Daily Summary");
        c.text = intro + CrLf + QStringLiteral("for ") + LongDateText(d);
        break;
    case FindOption::WeeklySummary:
        c.title = QStringLiteral("Weekly Summary");
        c.text = intro + CrLf + QStringLiteral("for a one-week period beginning") + CrLf +
                 LongDateText(d);
        break;
    default: {
        // Monthly, quarterly, annual: the period must start on the 1st.
        if (d.date().day() != 1) {
            c.acceptable = false;
            c.title = QStringLiteral("Invalid Beginning Date Chosen");
            c.text = QStringLiteral("Please select the first of a month");
            break;
        }
        const QString months = option == FindOption::MonthlySummary     ? QStringLiteral("one")
                               : option == FindOption::QuarterlySummary ? QStringLiteral("three")
                                                                        : QStringLiteral("twelve");
        c.title = FindOptionCaption(option);
        c.text = intro + CrLf + QStringLiteral("for a ") + months +
                 QStringLiteral(" month period") + CrLf + QStringLiteral("beginning ") +
                 DateText(d);
        break;
    }
    }
    if (c.acceptable)
        c.buttons = {QStringLiteral("&Yes") + QStringLiteral(", continue"),
                     QStringLiteral("&No") + QStringLiteral(", s") +
                         QStringLiteral("elect some &other option")};
    else
        c.buttons = {QStringLiteral("Select &another date"),
                     QStringLiteral("S") + QStringLiteral("elect some &other option")};
    return c;
}

QDate InitialPickerDate(const PickerBounds &bounds, const QDate &today)
{
    if (!bounds.isValid())
        return today;
    if (!today.isValid())
        return bounds.latest;
    return std::clamp(today, bounds.earliest, bounds.latest);
}

FindCriteria CriteriaOnClosing(bool goSearch, int selectedOption, const QString &phraseBoxText,
                               const QDate &pickedDate, int ignoreCaps, int wholeWordOnly)
{
    FindCriteria c;
    c.searchOption = selectedOption;
    c.ignoreCaps = ignoreCaps;
    c.wholeWordOnly = wholeWordOnly;
    if (goSearch && selectedOption < FindOption::DailySummary) {
        // A pasted line break or tab is a blank: the phrase is one line,
        // in the search and in its log line.
        c.searchPhrase = OneLine(phraseBoxText).trimmed();
    } else if (goSearch) {
        c.summaryName = FindOptionCaption(selectedOption);
        // The day alone: its time part never reaches the criteria.
        c.summaryStartDate = Midnight(pickedDate);
    }
    return c;
}

void ApplyCriteria(Session &session, const FindCriteria &criteria)
{
    SearchCriteria &search = session.Search;
    search.SearchPhrase = criteria.searchPhrase;
    search.SearchOption = criteria.searchOption;
    search.IgnoreCaps = criteria.ignoreCaps;
    search.WholeWordOnly = criteria.wholeWordOnly;
    search.SummaryStartDate = criteria.summaryStartDate;
}
