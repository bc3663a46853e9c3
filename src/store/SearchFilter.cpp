#include "store/SearchFilter.h"

#include "app/Formats.h"
#include "app/Globals.h"

#include <QStringList>

namespace
{

QString DayText(const QDate &day)
{
    return FormatDate(QDateTime(day, QTime(0, 0)), QStringLiteral("mm/dd/yyyy"));
}

// Appends a field and the blank that separates it from the next one.
inline void AppendField(QString &out, const QString &field)
{
    out += field.trimmed();
    out += QLatin1Char(' ');
}

} // namespace

bool IsSearchWordChar(QChar c)
{
    const char16_t u = c.toLower().unicode();
    return (u >= u'a' && u <= u'z') || (u >= u'1' && u <= u'9');
}

bool MatchSearchText(QString text, QString phrase, int compareMode, int wholeWord)
{
    if (text.isEmpty())
        return false;
    const Qt::CaseSensitivity cs = compareMode == 1 ? Qt::CaseInsensitive : Qt::CaseSensitive;
    const qsizetype p = text.indexOf(phrase, 0, cs);
    if (p < 0)
        return false;
    if (wholeWord != 1)
        return true;
    const qsizetype after = p + phrase.size();
    const bool beforeOk = p == 0 || !IsSearchWordChar(text.at(p - 1));
    const bool afterOk = after >= text.size() || !IsSearchWordChar(text.at(after));
    return beforeOk && afterOk;
}

QString AllFieldsText(const EntryRecord &e)
{
    QString out;
    out.reserve(160 + e.Owner.size() + e.ReceivedFrom.size() + e.ReleasedTo.size() +
                e.Narrative.size() + e.ChainOfCustody.size() + e.Description.size() +
                e.Location.size());
    AppendField(out, ControlNumberStamp(e.ControlNumber));
    AppendField(out, e.CaseNumber);
    AppendField(out, e.Location);
    AppendField(out, e.Category);
    AppendField(out, e.BrandName);
    AppendField(out, e.ModelNumber);
    AppendField(out, e.SerialNumber);
    AppendField(out, e.Description);
    AppendField(out, FormatMoney(e.Value));
    AppendField(out, e.Owner);
    AppendField(out, e.ReceivedFrom);
    AppendField(out, FormatOleDate(e.ReceivedDate, QStringLiteral("mm/dd/yyyy")));
    AppendField(out, e.ReleasedTo);
    AppendField(out, e.Defendant);
    AppendField(out, e.Narrative);
    out += e.ChainOfCustody.trimmed();
    out += QLatin1Char(' ');
    out += FormatOleDate(e.ReleasedDate, QStringLiteral("mm/dd/yyyy"));
    return out;
}

QString SearchedText(const EntryRecord &e, int option)
{
    switch (option) {
    case FindOption::AllText:
        return AllFieldsText(e);
    case FindOption::ControlNumber:
        return ControlNumberStamp(e.ControlNumber);
    case FindOption::CaseNumber:
        return e.CaseNumber.trimmed();
    case FindOption::Location:
        return e.Location.trimmed();
    case FindOption::Category:
        return e.Category.trimmed();
    case FindOption::Description:
        return e.Description.trimmed();
    case FindOption::Owner:
        return e.Owner.trimmed();
    case FindOption::ReceivedFrom:
        return e.ReceivedFrom.trimmed();
    case FindOption::ReleasedTo:
        return e.ReleasedTo.trimmed();
    case FindOption::Defendant:
        return e.Defendant.trimmed();
    case FindOption::Narrative:
        return e.Narrative.trimmed();
    case FindOption::ChainOfCustody:
        return e.ChainOfCustody.trimmed();
    default:
        return QString();
    }
}

SummaryRange SummaryRangeFor(int option, const QDate &start)
{
    if (!start.isValid())
        return {};
    switch (option) {
    case FindOption::DailySummary:
        return {start, start};
    case FindOption::WeeklySummary:
        return {start, start.addDays(7)};
    case FindOption::MonthlySummary:
        return {start, start.addMonths(1)};
    case FindOption::QuarterlySummary:
        return {start, start.addMonths(3)};
    case FindOption::AnnualSummary:
        return {start, start.addMonths(12)};
    default:
        return {};
    }
}

QDate ReceivedDay(double receivedDate)
{
    if (receivedDate == 0)
        return QDate();
    return FromOleDate(receivedDate).date();
}

SearchFilter SearchFilter::textSearch(const QString &phrase, int option, int ignoreCaps,
                                      int wholeWordOnly)
{
    SearchFilter f;
    f.m_mode = Mode::Text;
    f.m_phrase = phrase;
    f.m_option = option;
    f.m_ignoreCaps = ignoreCaps;
    f.m_wholeWord = wholeWordOnly;
    return f;
}

SearchFilter SearchFilter::dateSearch(int option, const QDate &start)
{
    SearchFilter f;
    f.m_mode = Mode::Date;
    f.m_option = option;
    f.m_range = SummaryRangeFor(option, start);
    return f;
}

SearchFilter SearchFilter::fromGlobals(Mode mode)
{
    switch (mode) {
    case Mode::Text:
        return textSearch(SearchPhrase, SearchOption, IgnoreCaps, WholeWordOnly);
    case Mode::Date:
        return dateSearch(SearchOption, SummaryStartDate.date());
    default:
        return SearchFilter();
    }
}

bool SearchFilter::accepts(const EntryRecord &entry) const
{
    switch (m_mode) {
    case Mode::Text:
        // Option 1..12; any other searches an empty text, which holds nothing.
        return MatchSearchText(SearchedText(entry, m_option), m_phrase, m_ignoreCaps, m_wholeWord);
    case Mode::Date:
        return m_range.contains(ReceivedDay(entry.ReceivedDate));
    default:
        return true;
    }
}

QString MatchCountText(int count)
{
    return QString::number(count) +
           (count == 1 ? QStringLiteral(" match") : QStringLiteral(" matches"));
}

QString TextSearchHeader(const QString &phrase, int count, qint64 totalValue)
{
    return QStringLiteral(" Sub-list of entries containing '") + phrase + QStringLiteral("' (") +
           MatchCountText(count) + QStringLiteral(") Total Value: ") + FormatMoney(totalValue);
}

namespace
{
QString SummaryDatePhrase(int option, const QDate &start)
{
    return (option == FindOption::DailySummary ? QStringLiteral("for ")
                                               : QStringLiteral("with a beginning date of ")) +
           DayText(start);
}
} // namespace

QString SummaryHeader(const QString &summaryName, int option, const QDate &start, int count,
                      qint64 totalValue)
{
    return summaryName + QStringLiteral(" of entries ") + SummaryDatePhrase(option, start) +
           QStringLiteral(" (") + MatchCountText(count) + QStringLiteral(") Total Value: ") +
           FormatMoney(totalValue);
}

QString NoMatchesTitle()
{
    return QStringLiteral("No Matches");
}

QString NoMatchesTextForText(const QString &phrase)
{
    return QStringLiteral("There were no matches") + CrLf + QStringLiteral("searching for") + CrLf +
           CrLf + phrase;
}

QString NoMatchesTextForSummary(const QString &summaryName, int option, const QDate &start)
{
    return QStringLiteral("There were no matches") + CrLf + QStringLiteral("for a ") + summaryName +
           QStringLiteral(" of entries ") + CrLf + SummaryDatePhrase(option, start);
}

QStringList NoMatchesButtons()
{
    return {QStringLiteral("&Okay"), QStringLiteral("&Try another search")};
}

QString TextSearchLogText(const QString &phrase)
{
    return QStringLiteral("'") + phrase + QStringLiteral("'");
}

QString SummaryLogText(const QString &summaryName, const QDate &start)
{
    return summaryName + QStringLiteral(" starting ") + DayText(start);
}
