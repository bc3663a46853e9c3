#include "core/store/pg/PgSearch.h"

#include "core/entries/CriteriaFilter.h"

#include <QDate>

namespace
{

// The text fields the all-fields search reads, joined as the trigram
// index of migration 2 joins them (the same expression, so it is used).
const QString kTextFields = QStringLiteral(
    "(case_number || ' ' || location || ' ' || category || ' ' || brand_name || ' ' || "
    "model_number || ' ' || serial_number || ' ' || description || ' ' || owner || ' ' || "
    "received_from || ' ' || released_to || ' ' || defendant || ' ' || narrative || ' ' || "
    "chain_of_custody)");

// The characters a shown value, date or control number is made of: a word
// of the phrase with none but these may lie in one of them, not in a text
// field.
const QString kFormatted = QStringLiteral("0123456789$,./-");

const char *columnOf(int option)
{
    switch (option) {
    case FindOption::CaseNumber:
        return "case_number";
    case FindOption::Location:
        return "location";
    case FindOption::Category:
        return "category";
    case FindOption::Description:
        return "description";
    case FindOption::Owner:
        return "owner";
    case FindOption::ReceivedFrom:
        return "received_from";
    case FindOption::ReleasedTo:
        return "released_to";
    case FindOption::Defendant:
        return "defendant";
    case FindOption::Narrative:
        return "narrative";
    case FindOption::ChainOfCustody:
        return "chain_of_custody";
    default:
        return nullptr;
    }
}

// "%text%" for LIKE: a character other than plain ASCII (its stored form
// and its case are the data file's business) stands as "_", and so do "i"
// and "I" when capitals are ignored (a Turkish collation does not pair
// them); "%", "_" and "\" are escaped.
QString likePattern(const QString &text, bool ignoreCaps)
{
    QString p = QStringLiteral("%");
    for (const QChar c : text) {
        const char16_t u = c.unicode();
        const bool plain = u >= 0x20 && u < 0x7f && !(ignoreCaps && (u == u'i' || u == u'I'));
        if (!plain)
            p += QLatin1Char('_');
        else if (u == u'%' || u == u'_' || u == u'\\')
            p += QLatin1Char('\\') + c;
        else
            p += c;
    }
    return p + QLatin1Char('%');
}

} // namespace

SearchNarrowing NarrowSearch(const CriteriaFilter &filter)
{
    SearchNarrowing n;
    const SearchCriteria &c = filter.criteria;
    if (filter.mode == SearchFilter::Mode::Date) {
        const SummaryRange range = SummaryRangeFor(c.SearchOption, c.SummaryStartDate.date());
        if (!range.isValid())
            return n;
        // Whole days from 30 Dec 1899; a day's stored dates lie within one
        // day of its number either way (and the time may round up).
        const qint64 epoch = QDate(1899, 12, 30).toJulianDay();
        n.where = QStringLiteral("received_date > ? AND received_date < ?");
        n.binds << double(range.first.toJulianDay() - epoch - 2)
                << double(range.last.toJulianDay() - epoch + 2);
        return n;
    }
    if (filter.mode != SearchFilter::Mode::Text)
        return n;
    const bool ignoreCaps = c.IgnoreCaps == 1;
    const QString like = ignoreCaps ? QStringLiteral(" ILIKE ?") : QStringLiteral(" LIKE ?");
    QStringList conditions;
    if (const char *column = columnOf(c.SearchOption)) {
        if (c.SearchPhrase.isEmpty())
            return n;
        // One field: the joined text holds it too, through its index.
        conditions << kTextFields + like << QLatin1String(column) + like;
        n.binds << likePattern(c.SearchPhrase, ignoreCaps)
                << likePattern(c.SearchPhrase, ignoreCaps);
    } else if (c.SearchOption == FindOption::AllText) {
        // A phrase may reach from one field into the next, but each of its
        // words lies in one field, and one with a character no value or
        // date shows lies in a text field.
        for (const QString &word : c.SearchPhrase.split(QLatin1Char(' '), Qt::SkipEmptyParts)) {
            if (std::all_of(word.begin(), word.end(),
                            [](QChar ch) { return kFormatted.contains(ch); }))
                continue;
            conditions << kTextFields + like;
            n.binds << likePattern(word, ignoreCaps);
        }
    }
    n.where = conditions.join(QStringLiteral(" AND "));
    return n;
}
