// The search filter of the main list: which entries a text search or a
// date summary keeps, and the texts that describe the result (the list
// header, the "no matches" notice, the line in "Search.Log").
#pragma once

#include "core/common/Session.h"
#include "core/entries/DayTexts.h"
#include "core/entries/EntryRecord.h"

#include <QDate>
#include <QDateTime>
#include <QString>
#include <QStringList>
#include <array>
#include <memory>
#include <unordered_map>
#include <vector>

// The search options, numbered as the search window's option buttons
// (optFind(1)..optFind(17)) and as SearchCriteria::SearchOption holds them.
namespace FindOption
{
enum Option : int {
    AllText = 1,
    ControlNumber = 2,
    CaseNumber = 3,
    Location = 4,
    Category = 5,
    Description = 6,
    Owner = 7,
    ReceivedFrom = 8,
    ReleasedTo = 9,
    Defendant = 10,
    Narrative = 11,
    ChainOfCustody = 12,
    DailySummary = 13,
    WeeklySummary = 14,
    MonthlySummary = 15,
    QuarterlySummary = 16,
    AnnualSummary = 17,
    First = AllText,
    Last = AnnualSummary
};
} // namespace FindOption

inline bool IsTextOption(int option)
{
    return option >= FindOption::AllText && option <= FindOption::ChainOfCustody;
}
inline bool IsSummaryOption(int option)
{
    return option >= FindOption::DailySummary && option <= FindOption::AnnualSummary;
}

// True when text contains phrase. compareMode 1 compares letters without
// regard to case, 0 exactly. With wholeWord 1 the first occurrence of the
// phrase (only the first) must not touch a word character on either side;
// word characters are "a" to "z" and "1" to "9" after lower-casing, so "0",
// accented letters, punctuation and blanks are not. An empty text contains
// nothing; an empty phrase is found at the start of any other text.
bool MatchSearchText(QString text, QString phrase, int compareMode, int wholeWord);

// Whether c (lower-cased) is a word character for the whole-word test.
bool IsSearchWordChar(QChar c);

// The text an option searches in an entry (fields trimmed); empty for an
// option that is not a text search. Option 1 joins, with single blanks:
// control number (14 digits), case number, location, category, brand,
// model, serial number, description, value ("$##,###,##0.00"), owner,
// received from, received date ("mm/dd/yyyy"), released to, defendant,
// narrative, chain of custody, and after one more blank the released date
// ("mm/dd/yyyy"). A date that is not set (0) gives an empty text.
QString SearchedText(const EntryRecord &entry, int option);
QString AllFieldsText(const EntryRecord &entry);

// The received dates a summary covers, both ends included: one day for a
// daily summary, eight days for a weekly one (start + 7 days), and start +
// 1, 3 or 12 calendar months for the others (the same day of the month,
// or the last day of a shorter month: 01/31/2009 + 1 month = 02/28/2009).
// Invalid dates for an option that is not a summary or an invalid start.
struct SummaryRange {
    QDate first;
    QDate last;
    bool isValid() const { return first.isValid() && last.isValid(); }
    bool contains(const QDate &day) const
    {
        return isValid() && day.isValid() && first <= day && day <= last;
    }
};
SummaryRange SummaryRangeFor(int option, const QDate &start);

// The criteria one list load applies.
class SearchFilter
{
public:
    enum class Mode { None, Text, Date };

    // Text search: option 1..12 (any other lists nothing).
    static SearchFilter textSearch(const QString &phrase, int option, int ignoreCaps,
                                   int wholeWordOnly);
    // Date summary: option 13..17 (any other lists nothing).
    static SearchFilter dateSearch(int option, const QDate &start);
    // The session's search criteria for a list mode.
    static SearchFilter fromCriteria(const SearchCriteria &search, Mode mode);

    Mode mode() const { return m_mode; }
    bool accepts(const EntryRecord &entry) const;
    // The same answer from the record's 5000 bytes as they stand in the
    // data file, without unpacking the whole entry: the list load reads
    // every record but builds only the listed ones.
    bool acceptsRaw(const char *record) const;

private:
    void prepareRaw();
    bool rawTextMatch(const char *record) const;
    bool rawFieldMatch(const char *begin, const char *end, int *result) const;
    bool scanBytes(const char *begin, const char *end, int *result) const;
    bool joinedMatch(const char *record) const;
    static void TrimField(const char *&begin, const char *&end);
    bool formattedMatch(const QString &text, int *result) const;
    bool dateMatch(double ole, int *result) const;

    Mode m_mode = Mode::None;
    QString m_phrase;
    int m_option = 0;
    int m_ignoreCaps = 1;
    int m_wholeWord = 0;
    SummaryRange m_range;
    // The byte search: the phrase in Windows-1252, case-folded when
    // capitals are ignored.
    bool m_rawUsable = false;
    bool m_rawNever = false;         // the phrase can not occur in any field
    bool m_mayBeFormatted = false;   // the phrase may occur in a value or date
    bool m_mayBeStamp = false;       // ... in the control number
    bool m_mayBeMoney = false;       // ... in the value
    bool m_mayBeDate = false;        // ... in a date
    bool m_touchesFormatted = false; // the phrase holds a character a value or date may
    bool m_joined = false;           // all fields, phrase with a blank
    char m_placeholder = '\x01';
    QByteArray m_rawPhrase;
    std::array<unsigned char, 4> m_firstBytes{};
    std::array<unsigned char, 4> m_lastBytes{};
    // The date verdicts met so far, by day from 1900 (0 not yet known, 1
    // not there, 2 + the whole-word verdict); shared by the copies.
    std::shared_ptr<std::vector<signed char>> m_dayVerdicts;
    // The all-fields search of a phrase with a blank: the longest word that
    // only a text field can hold (none: every record is put together).
    std::shared_ptr<const SearchFilter> m_joinedWord;
    int m_firstCount = 0; // -1: more than four
    int m_lastCount = 0;
};

// " match" for one, " matches" otherwise, after the count.
QString MatchCountText(int count);

// The list header of a text search: " Sub-list of entries containing '" +
// phrase + "' (n match[es]) Total Value: $#,##0.00".
QString TextSearchHeader(const QString &phrase, int count, qint64 totalValue);
// The list header of a summary: name + " of entries for mm/dd/yyyy" (daily)
// or " of entries with a beginning date of mm/dd/yyyy", then the count and
// the total as for a text search.
QString SummaryHeader(const QString &summaryName, int option, const QDate &start, int count,
                      qint64 totalValue);

// The "No Matches" notice.
QString NoMatchesTitle();
QString NoMatchesTextForText(const QString &phrase);
QString NoMatchesTextForSummary(const QString &summaryName, int option, const QDate &start);
QStringList NoMatchesButtons();

// What "Search.Log" records: "'phrase'" or name + " starting mm/dd/yyyy".
QString TextSearchLogText(const QString &phrase);
QString SummaryLogText(const QString &summaryName, const QDate &start);
