#include "core/entries/SearchFilter.h"

#include "core/common/Formats.h"
#include "core/common/Globals.h"

#include <QHash>
#include <QStringList>
#include <QtEndian>
#include <algorithm>
#include <cmath>
#include <cstring>
#include <functional>
#include <string>
#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace
{

QString DayText(const QDate &day)
{
    return DateText(QDateTime(day, QTime(0, 0)));
}

// Appends a field and the blank that separates it from the next one.
inline void AppendField(QString &out, const QString &field)
{
    out += field.trimmed();
    out += QLatin1Char(' ');
}

// Byte tables of Windows-1252 text: a byte's case-folded class (two bytes
// get the same class exactly when their characters fold to the same one),
// whether it is a word character, and what QString::trimmed() cuts.
struct ByteTables {
    unsigned char fold[256];
    unsigned char same[256];
    bool word[256];
    bool space[256];
    QHash<char16_t, unsigned char> byFold; // folded character -> class
};

const ByteTables &Tables()
{
    static const ByteTables t = [] {
        ByteTables t;
        for (int b = 0; b < 256; ++b) {
            const QChar c = FromWindows1252(QByteArray(1, char(b))).at(0);
            const char16_t f = c.toCaseFolded().unicode();
            if (!t.byFold.contains(f))
                t.byFold.insert(f, static_cast<unsigned char>(b));
            t.fold[b] = t.byFold.value(f);
            t.same[b] = static_cast<unsigned char>(b);
            t.word[b] = IsSearchWordChar(c);
            t.space[b] = c.isSpace();
        }
        return t;
    }();
    return t;
}

// The text field each option of one field searches.
struct OptionField {
    int option;
    int offset;
    QString EntryRecord::*member;
};

const OptionField *FieldOf(int option)
{
    using namespace EntryLayout;
    static const OptionField fields[] = {
        {FindOption::CaseNumber, CaseNumber, &EntryRecord::CaseNumber},
        {FindOption::Location, Location, &EntryRecord::Location},
        {FindOption::Category, Category, &EntryRecord::Category},
        {FindOption::Description, Description, &EntryRecord::Description},
        {FindOption::Owner, Owner, &EntryRecord::Owner},
        {FindOption::ReceivedFrom, ReceivedFrom, &EntryRecord::ReceivedFrom},
        {FindOption::ReleasedTo, ReleasedTo, &EntryRecord::ReleasedTo},
        {FindOption::Defendant, Defendant, &EntryRecord::Defendant},
        {FindOption::Narrative, Narrative, &EntryRecord::Narrative},
        {FindOption::ChainOfCustody, ChainOfCustody, &EntryRecord::ChainOfCustody},
    };
    for (const OptionField &f : fields) {
        if (f.option == option)
            return &f;
    }
    return nullptr;
}

double RawDouble(const char *record, int offset)
{
    quint64 bits;
    std::memcpy(&bits, record + offset, sizeof bits);
    bits = qFromLittleEndian(bits);
    double value;
    std::memcpy(&value, &bits, sizeof value);
    return value;
}

qint64 RawInt64(const char *record, int offset)
{
    qint64 value;
    std::memcpy(&value, record + offset, sizeof value);
    return qFromLittleEndian(value);
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
    AppendField(out, OleDateText(e.ReceivedDate));
    AppendField(out, e.ReleasedTo);
    AppendField(out, e.Defendant);
    AppendField(out, e.Narrative);
    out += e.ChainOfCustody.trimmed();
    out += QLatin1Char(' ');
    out += OleDateText(e.ReleasedDate);
    return out;
}

QString SearchedText(const EntryRecord &e, int option)
{
    switch (option) {
    case FindOption::AllText:
        return AllFieldsText(e);
    case FindOption::ControlNumber:
        return ControlNumberStamp(e.ControlNumber);
    default:
        if (const OptionField *f = FieldOf(option))
            return (e.*f->member).trimmed();
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

SearchFilter SearchFilter::textSearch(const QString &phrase, int option, int ignoreCaps,
                                      int wholeWordOnly)
{
    SearchFilter f;
    f.m_mode = Mode::Text;
    f.m_phrase = phrase;
    f.m_option = option;
    f.m_ignoreCaps = ignoreCaps;
    f.m_wholeWord = wholeWordOnly;
    f.prepareRaw();
    return f;
}

void SearchFilter::prepareRaw()
{
    m_rawUsable = false;
    m_rawNever = false;
    m_rawPhrase.clear();
    if (m_phrase.isEmpty())
        return;
    // A phrase with a blank may reach across two fields of the all-fields
    // text: that text is put together from the bytes first. With blanks
    // at its ends it is tested the slow way.
    m_joined = m_option == FindOption::AllText && m_phrase.contains(QLatin1Char(' '));
    if (m_joined && m_phrase.trimmed() != m_phrase)
        return;
    m_rawUsable = true;
    const ByteTables &t = Tables();
    const bool fold = m_ignoreCaps == 1;
    for (const QChar c : m_phrase) {
        if (fold) {
            const auto it = t.byFold.constFind(c.toCaseFolded().unicode());
            if (it == t.byFold.constEnd()) {
                m_rawNever = true;
                return;
            }
            m_rawPhrase.append(char(*it));
        } else {
            const QByteArray b = ToWindows1252(QString(c));
            if (b.size() != 1 || FromWindows1252(b) != QString(c)) {
                m_rawNever = true;
                return;
            }
            m_rawPhrase.append(b);
        }
    }
    // The bytes of the phrase's first and last classes (at most four each
    // for the sixteen-at-a-time scan).
    const unsigned char *map = fold ? t.fold : t.same;
    m_firstCount = m_lastCount = 0;
    for (int b = 0; b < 256; ++b) {
        if (map[b] == static_cast<unsigned char>(m_rawPhrase.front()) && m_firstCount >= 0) {
            if (m_firstCount == 4)
                m_firstCount = -1;
            else
                m_firstBytes[m_firstCount++] = static_cast<unsigned char>(b);
        }
        if (map[b] == static_cast<unsigned char>(m_rawPhrase.back()) && m_lastCount >= 0) {
            if (m_lastCount == 4)
                m_lastCount = -1;
            else
                m_lastBytes[m_lastCount++] = static_cast<unsigned char>(b);
        }
    }
    // What each shown value may hold: the control number's fourteen
    // digits, the value as "$##,###,##0.00" (with "-" before a negative
    // one), dates as "mm/dd/yyyy". A phrase with any other character is
    // never inside one of them.
    auto onlyOf = [this](const QString &chars) {
        return std::all_of(m_phrase.begin(), m_phrase.end(),
                           [&](QChar c) { return chars.contains(c); });
    };
    m_mayBeStamp = onlyOf(QStringLiteral("0123456789"));
    m_mayBeMoney = onlyOf(QStringLiteral("0123456789$,.-"));
    m_mayBeDate = onlyOf(QStringLiteral("0123456789/"));
    m_dayVerdicts.reset();
    if (m_mayBeDate)
        m_dayVerdicts = std::make_shared<std::vector<signed char>>();
    static const QString formatted = QStringLiteral("0123456789$,./-");
    m_mayBeFormatted = std::all_of(m_phrase.begin(), m_phrase.end(),
                                   [](QChar c) { return formatted.contains(c); });
    m_touchesFormatted = std::any_of(m_phrase.begin(), m_phrase.end(),
                                     [](QChar c) { return formatted.contains(c); });
    // In the put-together text a value or date the phrase can not touch
    // stands as one byte the phrase does not hold.
    m_placeholder = '\x01';
    if (m_joined && m_rawPhrase.contains(char(map[0x01]))) {
        m_rawUsable = false;
        return;
    }
    // A word of the phrase with a character no value or date holds lies
    // inside one text field wherever the phrase is found: a record whose
    // text fields lack the longest such word is passed over without its
    // text being put together.
    m_joinedWord.reset();
    QStringView longest;
    for (const QStringView word : QStringView(m_phrase).split(QLatin1Char(' '))) {
        if (word.size() > longest.size() &&
            std::any_of(word.begin(), word.end(), [](QChar c) { return !formatted.contains(c); }))
            longest = word;
    }
    if (m_joined && !longest.isEmpty())
        m_joinedWord = std::make_shared<const SearchFilter>(
            textSearch(longest.toString(), FindOption::AllText, m_ignoreCaps, 0));
}

// The phrase in one field's bytes, trimmed as the entry's text is. False
// when it is not there; else *result is the whole-word verdict.
bool SearchFilter::rawFieldMatch(const char *begin, const char *end, int *result) const
{
    TrimField(begin, end);
    return scanBytes(begin, end, result);
}

// A field's bytes as the entry's text has them: trimmed when read (blanks
// and NULs) and again by trimmed() (white space).
void SearchFilter::TrimField(const char *&begin, const char *&end)
{
    const ByteTables &t = Tables();
    auto byte = [](const char *p) { return static_cast<unsigned char>(*p); };
    // As read: blanks and NULs at both ends; then as trimmed(): white space.
    const auto [first, last] = TrimmedSpan(begin, int(end - begin));
    end = begin + last;
    begin += first;
    while (end > begin && t.space[byte(end - 1)])
        --end;
    while (begin < end && t.space[byte(begin)])
        ++begin;
}

// The phrase's first occurrence in the text begin..end; false when there
// is none, else *result is the whole-word verdict for it.
bool SearchFilter::scanBytes(const char *begin, const char *end, int *result) const
{
    const ByteTables &t = Tables();
    auto byte = [](const char *p) { return static_cast<unsigned char>(*p); };
    const qsizetype m = m_rawPhrase.size();
    if (end - begin < m)
        return false;
    const auto *phrase = reinterpret_cast<const unsigned char *>(m_rawPhrase.constData());
    auto found = [&](const char *at) {
        const bool beforeOk = at == begin || !t.word[byte(at - 1)];
        const bool afterOk = at + m == end || !t.word[byte(at + m)];
        *result = m_wholeWord != 1 || (beforeOk && afterOk);
        return true;
    };
    // Bytes compare by their case-folded class when capitals are ignored.
    const unsigned char *map = m_ignoreCaps == 1 ? t.fold : t.same;
    const char *p = begin;
#if defined(__SSE2__)
    // Sixteen start positions at a time: those whose first and last bytes
    // are in the phrase's first and last classes are compared in full.
    if (m_firstCount > 0 && m_lastCount > 0) {
        __m128i first[4], lastv[4];
        for (int i = 0; i < m_firstCount; ++i)
            first[i] = _mm_set1_epi8(char(m_firstBytes[i]));
        for (int i = 0; i < m_lastCount; ++i)
            lastv[i] = _mm_set1_epi8(char(m_lastBytes[i]));
        for (; p + 16 + m - 1 <= end; p += 16) {
            const __m128i a = _mm_loadu_si128(reinterpret_cast<const __m128i *>(p));
            const __m128i b = _mm_loadu_si128(reinterpret_cast<const __m128i *>(p + m - 1));
            __m128i ea = _mm_cmpeq_epi8(a, first[0]);
            for (int i = 1; i < m_firstCount; ++i)
                ea = _mm_or_si128(ea, _mm_cmpeq_epi8(a, first[i]));
            __m128i eb = _mm_cmpeq_epi8(b, lastv[0]);
            for (int i = 1; i < m_lastCount; ++i)
                eb = _mm_or_si128(eb, _mm_cmpeq_epi8(b, lastv[i]));
            unsigned mask = unsigned(_mm_movemask_epi8(_mm_and_si128(ea, eb)));
            while (mask != 0) {
                const char *q = p + __builtin_ctz(mask);
                qsizetype k = 1;
                while (k < m - 1 && map[byte(q + k)] == phrase[k])
                    ++k;
                if (k >= m - 1)
                    return found(q);
                mask &= mask - 1;
            }
        }
    }
#endif
    // The positions left, one at a time.
    for (; p + m <= end; ++p) {
        qsizetype k = 0;
        while (k < m && map[byte(p + k)] == phrase[k])
            ++k;
        if (k == m)
            return found(p);
    }
    return false;
}

// The same for a value or date field of the text, as it is shown.
bool SearchFilter::formattedMatch(const QString &text, int *result) const
{
    if (!m_mayBeFormatted || text.isEmpty())
        return false;
    const Qt::CaseSensitivity cs = m_ignoreCaps == 1 ? Qt::CaseInsensitive : Qt::CaseSensitive;
    const qsizetype p = text.indexOf(m_phrase, 0, cs);
    if (p < 0)
        return false;
    const qsizetype after = p + m_phrase.size();
    const bool beforeOk = p == 0 || !IsSearchWordChar(text.at(p - 1));
    const bool afterOk = after >= text.size() || !IsSearchWordChar(text.at(after));
    *result = m_wholeWord != 1 || (beforeOk && afterOk);
    return true;
}

// The same for a date, whose text depends on its day alone: the verdict is
// worked out once per day.
bool SearchFilter::dateMatch(double ole, int *result) const
{
    static const qint64 firstDay = QDate(1900, 1, 1).toJulianDay();
    static const qint64 lastDay = QDate(2199, 12, 31).toJulianDay();
    const QDate day = ReceivedDay(ole);
    const qint64 julian = day.isValid() ? day.toJulianDay() : 0;
    if (!m_dayVerdicts || julian < firstDay || julian > lastDay)
        return formattedMatch(DayTexts::forThisThread().text(ole), result);
    std::vector<signed char> &verdicts = *m_dayVerdicts;
    if (verdicts.empty())
        verdicts.assign(size_t(lastDay - firstDay + 1), 0);
    signed char &v = verdicts[size_t(julian - firstDay)];
    if (v == 0) {
        int found = 0;
        v = formattedMatch(DayTexts::forThisThread().text(ole), &found) ? 2 + found : 1;
    }
    if (v == 1)
        return false;
    *result = v - 2;
    return true;
}

bool SearchFilter::rawTextMatch(const char *r) const
{
    using namespace EntryLayout;
    int result = 0;
    auto field = [&](int offset) {
        return rawFieldMatch(r + offset, r + offset + EntryTextWidth(offset), &result);
    };
    // Values and dates are formatted only when the phrase could be in them.
    // Dates are formatted once per day.
    auto stamp = [&] {
        return m_mayBeStamp &&
               formattedMatch(ControlNumberStamp(RawDouble(r, ControlNumber)), &result);
    };
    auto money = [&] {
        return m_mayBeMoney && formattedMatch(FormatMoney(RawInt64(r, Value)), &result);
    };
    auto date = [&](int offset) { return m_mayBeDate && dateMatch(RawDouble(r, offset), &result); };
    if (m_joined)
        return joinedMatch(r);
    switch (m_option) {
    case FindOption::AllText: {
        // The text fields lie in two runs of the record (the reserved
        // fields between them are not searched). Where neither run holds
        // the phrase anywhere, no text field does, and only the shown
        // values and dates are left, in the order of the all-fields text.
        int anywhere = 0;
        if (!scanBytes(r + CaseNumber, r + Reserved1, &anywhere) &&
            !scanBytes(r + Narrative, r + Status, &anywhere)) {
            if (stamp() || money() || date(ReceivedDate) || date(ReleasedDate))
                return result;
            return false;
        }
        // The fields in the order of the all-fields text; the first one
        // holding the phrase decides.
        if (stamp())
            return result;
        for (int offset :
             {CaseNumber, Location, Category, BrandName, ModelNumber, SerialNumber, Description})
            if (field(offset))
                return result;
        if (money() || field(Owner) || field(ReceivedFrom) || date(ReceivedDate))
            return result;
        for (int offset : {ReleasedTo, Defendant, Narrative, ChainOfCustody})
            if (field(offset))
                return result;
        if (date(ReleasedDate))
            return result;
        return false;
    }
    case FindOption::ControlNumber:
        return stamp() && result;
    default:
        if (const OptionField *f = FieldOf(m_option))
            return field(f->offset) && result;
        return false;
    }
}

// The all-fields text put together from the record's bytes, searched as
// one text.
bool SearchFilter::joinedMatch(const char *r) const
{
    using namespace EntryLayout;
    int inWord = 0;
    if (m_joinedWord && !m_joinedWord->scanBytes(r + CaseNumber, r + Reserved1, &inWord) &&
        !m_joinedWord->scanBytes(r + Narrative, r + Status, &inWord))
        return false;
    thread_local std::string text;
    text.clear();
    auto field = [&](int offset) {
        const char *b = r + offset;
        const char *e = b + EntryTextWidth(offset);
        TrimField(b, e);
        text.append(b, size_t(e - b));
        text.push_back(' ');
    };
    auto shown = [&](bool present, const std::function<QString()> &format) {
        if (present) {
            if (m_touchesFormatted)
                text.append(ToWindows1252(format()).toStdString());
            else
                text.push_back(m_placeholder);
        }
    };
    auto isDate = [](double ole) {
        return ole != 0 && std::isfinite(ole) && std::fabs(ole) <= 2958466.0;
    };
    const double control = RawDouble(r, ControlNumber);
    shown(isDate(control), [&] { return ControlNumberStamp(control); });
    text.push_back(' ');
    for (int offset :
         {CaseNumber, Location, Category, BrandName, ModelNumber, SerialNumber, Description})
        field(offset);
    shown(true, [&] { return FormatMoney(RawInt64(r, Value)); });
    text.push_back(' ');
    field(Owner);
    field(ReceivedFrom);
    const double received = RawDouble(r, ReceivedDate);
    shown(isDate(received), [&] { return DayTexts::forThisThread().text(received); });
    text.push_back(' ');
    for (int offset : {ReleasedTo, Defendant, Narrative, ChainOfCustody})
        field(offset);
    const double released = RawDouble(r, ReleasedDate);
    shown(isDate(released), [&] { return DayTexts::forThisThread().text(released); });
    int result = 0;
    return scanBytes(text.data(), text.data() + text.size(), &result) && result;
}

bool SearchFilter::acceptsRaw(const char *record) const
{
    switch (m_mode) {
    case Mode::Text:
        if (!m_rawUsable)
            return accepts(EntryRecord::Unpack(record, EntryRecordLength));
        return !m_rawNever && rawTextMatch(record);
    case Mode::Date:
        return m_range.contains(ReceivedDay(RawDouble(record, EntryLayout::ReceivedDate)));
    default:
        return true;
    }
}

SearchFilter SearchFilter::dateSearch(int option, const QDate &start)
{
    SearchFilter f;
    f.m_mode = Mode::Date;
    f.m_option = option;
    f.m_range = SummaryRangeFor(option, start);
    return f;
}

SearchFilter SearchFilter::fromCriteria(const SearchCriteria &search, Mode mode)
{
    switch (mode) {
    case Mode::Text:
        return textSearch(search.SearchPhrase, search.SearchOption, search.IgnoreCaps,
                          search.WholeWordOnly);
    case Mode::Date:
        return dateSearch(search.SearchOption, search.SummaryStartDate.date());
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
