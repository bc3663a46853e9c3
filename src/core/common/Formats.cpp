// OLE dates, date, number and money formats in the patterns the windows,
// logs and printouts use, and the parsers for amounts and dates a person types.
// Always US English: month and weekday names, "/" and ":" separators, "."
// decimal point and "," grouping, whatever the system locale says.
#include "core/common/Formats.h"

#include <QLocale>
#include <QVector>
#include <cmath>
#include <limits>

namespace
{

const QDate kOleEpoch(1899, 12, 30);

// Month and weekday names are always the US English ones.
const QLocale &usEnglish()
{
    static const QLocale locale(QLocale::English, QLocale::UnitedStates);
    return locale;
}

QString monthName(int month, QLocale::FormatType format = QLocale::LongFormat)
{
    return usEnglish().monthName(month, format);
}

// 0 for Sunday .. 6 for Saturday.
int weekdayIndex(const QDate &date)
{
    return date.dayOfWeek() % 7;
}

QString dayName(const QDate &date, QLocale::FormatType format = QLocale::LongFormat)
{
    return usEnglish().dayName(date.dayOfWeek(), format);
}

QString zeroPadded(int value, int width)
{
    return QString::number(value).rightJustified(width, QLatin1Char('0'));
}

// A wall-clock moment: the date and the seconds since its midnight. Kept
// apart from QDateTime so that no time zone can shift a stored time.
struct Moment {
    QDate date;
    int secs = 0;
};

// The same conversion as FromOleDate, without a QDateTime; 0 is accepted
// (it is 12/30/1899 at midnight).
bool momentFromOle(double ole, Moment &out)
{
    if (!std::isfinite(ole) || std::fabs(ole) > 2958466.0)
        return false;
    const double dayPart = std::trunc(ole);
    const double fraction = std::fabs(ole - dayPart);
    qint64 secs = std::llround(fraction * 86400.0);
    QDate date = kOleEpoch.addDays(qint64(dayPart));
    if (secs >= 86400) {
        date = date.addDays(1);
        secs = 0;
    }
    if (!date.isValid())
        return false;
    out.date = date;
    out.secs = int(secs);
    return true;
}

QString shortDateText(const QDate &date)
{
    return QString::number(date.month()) + QLatin1Char('/') + QString::number(date.day()) +
           QLatin1Char('/') + zeroPadded(date.year(), 4);
}

// "h:mm:ss AM"
QString longTimeText(int secs)
{
    const int hour = secs / 3600;
    const int hour12 = hour % 12 == 0 ? 12 : hour % 12;
    return QString::number(hour12) + QLatin1Char(':') + zeroPadded(secs / 60 % 60, 2) +
           QLatin1Char(':') + zeroPadded(secs % 60, 2) +
           (hour < 12 ? QLatin1String(" AM") : QLatin1String(" PM"));
}

QString generalDateText(const Moment &m)
{
    if (m.date == kOleEpoch)
        return longTimeText(m.secs);
    if (m.secs == 0)
        return shortDateText(m.date);
    return shortDateText(m.date) + QLatin1Char(' ') + longTimeText(m.secs);
}

// ---- Date patterns ----

enum class DateTok {
    Literal,
    Day,         // d
    Day2,        // dd
    DayAbbrev,   // ddd
    DayName,     // dddd
    ShortDate,   // ddddd
    LongDate,    // dddddd
    Month,       // m
    Month2,      // mm
    MonthAbbrev, // mmm
    MonthName,   // mmmm
    Minute,      // n, or m after an hour
    Minute2,     // nn, or mm after an hour
    Hour,        // h
    Hour2,       // hh
    Second,      // s
    Second2,     // ss
    DayOfYear,   // y
    Year2,       // yy
    Year4,       // yyyy
    Weekday,     // w
    WeekOfYear,  // ww
    Quarter,     // q
    AmPmUpper,   // AM/PM
    AmPmLower,   // am/pm
    APUpper,     // A/P
    APLower,     // a/p
    AmPmDefault, // AMPM
    GeneralDate, // c
    LongTime     // ttttt
};

struct DateToken {
    DateTok kind;
    QString text; // for literals
};

int runLength(const QString &s, int i, QChar lower)
{
    int n = 0;
    while (i + n < s.size() && s.at(i + n).toLower() == lower)
        ++n;
    return n;
}

bool matchesAt(const QString &s, int i, QLatin1String word)
{
    return s.mid(i, word.size()).compare(word, Qt::CaseInsensitive) == 0;
}

QVector<DateToken> lexDatePattern(const QString &pattern)
{
    QVector<DateToken> out;
    auto literal = [&out](const QString &text) {
        if (!out.isEmpty() && out.last().kind == DateTok::Literal)
            out.last().text += text;
        else
            out.append({DateTok::Literal, text});
    };
    bool afterHour = false;
    int i = 0;
    const int n = pattern.size();
    while (i < n) {
        const QChar c = pattern.at(i);
        const QChar lc = c.toLower();
        DateTok kind = DateTok::Literal;
        int used = 1;
        if (c == QLatin1Char('"')) {
            int end = pattern.indexOf(QLatin1Char('"'), i + 1);
            if (end < 0)
                end = n;
            literal(pattern.mid(i + 1, end - i - 1));
            i = end + 1;
            continue;
        }
        if (c == QLatin1Char('\\')) {
            if (i + 1 < n)
                literal(QString(pattern.at(i + 1)));
            i += 2;
            continue;
        }
        const int run = runLength(pattern, i, lc);
        if (lc == QLatin1Char('d')) {
            static const DateTok days[] = {DateTok::Day,     DateTok::Day2,      DateTok::DayAbbrev,
                                           DateTok::DayName, DateTok::ShortDate, DateTok::LongDate};
            used = qMin(run, 6);
            kind = days[used - 1];
        } else if (lc == QLatin1Char('m')) {
            if (afterHour && run <= 2) {
                used = run;
                kind = run == 2 ? DateTok::Minute2 : DateTok::Minute;
            } else {
                static const DateTok months[] = {DateTok::Month, DateTok::Month2,
                                                 DateTok::MonthAbbrev, DateTok::MonthName};
                used = qMin(run, 4);
                kind = months[used - 1];
            }
        } else if (lc == QLatin1Char('n')) {
            used = qMin(run, 2);
            kind = used == 2 ? DateTok::Minute2 : DateTok::Minute;
        } else if (lc == QLatin1Char('h')) {
            used = qMin(run, 2);
            kind = used == 2 ? DateTok::Hour2 : DateTok::Hour;
        } else if (lc == QLatin1Char('s')) {
            used = qMin(run, 2);
            kind = used == 2 ? DateTok::Second2 : DateTok::Second;
        } else if (lc == QLatin1Char('y')) {
            used = run >= 4 ? 4 : qMin(run, 2);
            kind = used == 4 ? DateTok::Year4 : used == 2 ? DateTok::Year2 : DateTok::DayOfYear;
        } else if (lc == QLatin1Char('w')) {
            used = qMin(run, 2);
            kind = used == 2 ? DateTok::WeekOfYear : DateTok::Weekday;
        } else if (lc == QLatin1Char('q')) {
            kind = DateTok::Quarter;
        } else if (lc == QLatin1Char('c')) {
            kind = DateTok::GeneralDate;
        } else if (lc == QLatin1Char('t') && run >= 5) {
            used = 5;
            kind = DateTok::LongTime;
        } else if (lc == QLatin1Char('a')) {
            const bool upper = c == QLatin1Char('A');
            if (matchesAt(pattern, i, QLatin1String("am/pm"))) {
                used = 5;
                kind = upper ? DateTok::AmPmUpper : DateTok::AmPmLower;
            } else if (matchesAt(pattern, i, QLatin1String("a/p"))) {
                used = 3;
                kind = upper ? DateTok::APUpper : DateTok::APLower;
            } else if (matchesAt(pattern, i, QLatin1String("ampm"))) {
                used = 4;
                kind = DateTok::AmPmDefault;
            }
        }
        if (kind == DateTok::Literal) {
            literal(QString(c));
        } else {
            out.append({kind, QString()});
            afterHour = kind == DateTok::Hour || kind == DateTok::Hour2;
        }
        i += used;
    }
    return out;
}

QString formatMoment(const Moment &m, const QString &pattern)
{
    const QVector<DateToken> tokens = lexDatePattern(pattern);
    bool twelveHour = false;
    for (const DateToken &t : tokens) {
        if (t.kind >= DateTok::AmPmUpper && t.kind <= DateTok::AmPmDefault)
            twelveHour = true;
    }
    const QDate &d = m.date;
    const int hour = m.secs / 3600;
    const int shownHour = !twelveHour ? hour : (hour % 12 == 0 ? 12 : hour % 12);
    const bool pm = hour >= 12;
    QString out;
    for (const DateToken &t : tokens) {
        switch (t.kind) {
        case DateTok::Literal:
            out += t.text;
            break;
        case DateTok::Day:
        case DateTok::Day2:
            out += zeroPadded(d.day(), t.kind == DateTok::Day2 ? 2 : 1);
            break;
        case DateTok::DayAbbrev:
            out += dayName(d, QLocale::ShortFormat);
            break;
        case DateTok::DayName:
            out += dayName(d);
            break;
        case DateTok::ShortDate:
            out += shortDateText(d);
            break;
        case DateTok::LongDate:
            out += dayName(d) + QLatin1String(", ") + monthName(d.month()) + QLatin1Char(' ') +
                   QString::number(d.day()) + QLatin1String(", ") + zeroPadded(d.year(), 4);
            break;
        case DateTok::Month:
        case DateTok::Month2:
            out += zeroPadded(d.month(), t.kind == DateTok::Month2 ? 2 : 1);
            break;
        case DateTok::MonthAbbrev:
            out += monthName(d.month(), QLocale::ShortFormat);
            break;
        case DateTok::MonthName:
            out += monthName(d.month());
            break;
        case DateTok::Minute:
        case DateTok::Minute2:
            out += zeroPadded(m.secs / 60 % 60, t.kind == DateTok::Minute2 ? 2 : 1);
            break;
        case DateTok::Hour:
        case DateTok::Hour2:
            out += zeroPadded(shownHour, t.kind == DateTok::Hour2 ? 2 : 1);
            break;
        case DateTok::Second:
        case DateTok::Second2:
            out += zeroPadded(m.secs % 60, t.kind == DateTok::Second2 ? 2 : 1);
            break;
        case DateTok::DayOfYear:
            out += QString::number(d.dayOfYear());
            break;
        case DateTok::Year2:
            out += zeroPadded(d.year() % 100, 2);
            break;
        case DateTok::Year4:
            out += zeroPadded(d.year(), 4);
            break;
        case DateTok::Weekday:
            out += QString::number(weekdayIndex(d) + 1);
            break;
        case DateTok::WeekOfYear: {
            // Weeks start on Sunday; the week holding January 1 is week 1.
            const int jan1 = weekdayIndex(QDate(d.year(), 1, 1));
            out += QString::number((d.dayOfYear() - 1 + jan1) / 7 + 1);
            break;
        }
        case DateTok::Quarter:
            out += QString::number((d.month() - 1) / 3 + 1);
            break;
        case DateTok::AmPmUpper:
        case DateTok::AmPmDefault:
            out += pm ? QLatin1String("PM") : QLatin1String("AM");
            break;
        case DateTok::AmPmLower:
            out += pm ? QLatin1String("pm") : QLatin1String("am");
            break;
        case DateTok::APUpper:
            out += pm ? QLatin1Char('P') : QLatin1Char('A');
            break;
        case DateTok::APLower:
            out += pm ? QLatin1Char('p') : QLatin1Char('a');
            break;
        case DateTok::GeneralDate:
            out += generalDateText(m);
            break;
        case DateTok::LongTime:
            out += longTimeText(m.secs);
            break;
        }
    }
    return out;
}

// ---- Number patterns ----

// A non-negative decimal number as significant digits and the place of the
// decimal point: digits "12345" with point 2 is 12.345; point -1 with "5"
// is 0.005. No digits is zero.
struct Decimal {
    bool negative = false;
    QByteArray digits;
    int point = 0;
};

void trimTrailingZeros(Decimal &d)
{
    int n = int(d.digits.size());
    while (n > 0 && d.digits.at(n - 1) == '0')
        --n;
    d.digits.truncate(n);
}

// A double is taken at 15 significant digits, as the program has always
// shown them (so 2.675 is 2.675, not 2.67499999...).
Decimal decimalFromDouble(double v)
{
    Decimal d;
    if (v == 0.0 || !std::isfinite(v))
        return d;
    d.negative = v < 0;
    const QByteArray e = QByteArray::number(std::fabs(v), 'e', 14); // "1.23450000000000e+03"
    const int ePos = int(e.indexOf('e'));
    d.digits = e.left(1) + e.mid(2, ePos - 2);
    d.point = e.mid(ePos + 1).toInt() + 1;
    trimTrailingZeros(d);
    return d;
}

// Rounds |d| half away from zero to `places` decimals; the integer digits
// come without leading zeros ("" for zero), the fraction with exactly
// `places` digits.
void roundDecimal(const Decimal &d, int places, QByteArray &whole, QByteArray &fraction)
{
    const int keep = d.point + places; // digits left of the rounding place
    QByteArray kept;
    bool up = false;
    if (keep > 0) {
        kept = d.digits.left(keep);
        if (kept.size() < keep)
            kept.append(QByteArray(keep - kept.size(), '0'));
        up = keep < d.digits.size() && d.digits.at(keep) >= '5';
    } else if (keep == 0) {
        up = !d.digits.isEmpty() && d.digits.at(0) >= '5';
    }
    if (up) {
        int i = int(kept.size()) - 1;
        while (i >= 0 && kept.at(i) == '9')
            kept[i--] = '0';
        if (i >= 0)
            kept[i] = char(kept.at(i) + 1);
        else
            kept.prepend('1');
    }
    if (kept.size() < places)
        kept.prepend(QByteArray(places - kept.size(), '0'));
    whole = kept.left(kept.size() - places);
    fraction = kept.right(places);
    int lead = 0;
    while (lead < whole.size() && whole.at(lead) == '0')
        ++lead;
    whole.remove(0, lead);
}

enum class NumTok { Required, Optional, Point, Comma, Percent, Literal };

struct NumToken {
    NumTok kind;
    QString text;
};

bool isPlaceholder(const NumToken &t)
{
    return t.kind == NumTok::Required || t.kind == NumTok::Optional;
}

// Splits a pattern into its ";"-separated sections, keeping quoted text and
// escaped characters whole.
QStringList numberSections(const QString &pattern)
{
    QStringList sections(QString{});
    bool quoted = false;
    for (int i = 0; i < pattern.size(); ++i) {
        const QChar c = pattern.at(i);
        if (c == QLatin1Char('"'))
            quoted = !quoted;
        if (!quoted && c == QLatin1Char('\\') && i + 1 < pattern.size()) {
            sections.last() += c;
            sections.last() += pattern.at(++i);
            continue;
        }
        if (!quoted && c == QLatin1Char(';'))
            sections.append(QString());
        else
            sections.last() += c;
    }
    return sections;
}

QVector<NumToken> lexNumberPattern(const QString &section)
{
    QVector<NumToken> out;
    bool seenPoint = false;
    auto literal = [&out](const QString &text) {
        if (!out.isEmpty() && out.last().kind == NumTok::Literal)
            out.last().text += text;
        else
            out.append({NumTok::Literal, text});
    };
    for (int i = 0; i < section.size(); ++i) {
        const QChar c = section.at(i);
        if (c == QLatin1Char('"')) {
            int end = section.indexOf(QLatin1Char('"'), i + 1);
            if (end < 0)
                end = int(section.size());
            literal(section.mid(i + 1, end - i - 1));
            i = end;
        } else if (c == QLatin1Char('\\')) {
            if (i + 1 < section.size())
                literal(QString(section.at(++i)));
        } else if (c == QLatin1Char('0')) {
            out.append({NumTok::Required, QString()});
        } else if (c == QLatin1Char('#')) {
            out.append({NumTok::Optional, QString()});
        } else if (c == QLatin1Char('.') && !seenPoint) {
            seenPoint = true;
            out.append({NumTok::Point, QString()});
        } else if (c == QLatin1Char(',')) {
            out.append({NumTok::Comma, QString()});
        } else if (c == QLatin1Char('%')) {
            out.append({NumTok::Percent, QString()});
        } else {
            literal(QString(c));
        }
    }
    return out;
}

QString formatDecimal(Decimal value, const QString &section, bool withSign)
{
    QVector<NumToken> tokens = lexNumberPattern(section);
    int pointAt = int(tokens.size());
    for (int i = 0; i < tokens.size(); ++i) {
        if (tokens[i].kind == NumTok::Point) {
            pointAt = i;
            break;
        }
    }
    // Commas in the whole-number part: between two digit placeholders they
    // ask for thousands grouping; right after the last one each divides by
    // a thousand; anywhere else they mean nothing.
    int firstDigit = -1;
    int lastDigit = -1;
    for (int i = 0; i < pointAt; ++i) {
        if (isPlaceholder(tokens[i])) {
            if (firstDigit < 0)
                firstDigit = i;
            lastDigit = i;
        }
    }
    bool grouping = false;
    int thousands = 0;
    for (int i = 0; i < pointAt; ++i) {
        if (tokens[i].kind != NumTok::Comma)
            continue;
        if (i > firstDigit && i < lastDigit)
            grouping = true;
        else if (lastDigit >= 0 && i > lastDigit)
            ++thousands;
    }
    int percents = 0;
    int places = 0;
    for (int i = 0; i < tokens.size(); ++i) {
        if (tokens[i].kind == NumTok::Percent)
            ++percents;
        if (i > pointAt && isPlaceholder(tokens[i]))
            ++places;
    }
    if (!value.digits.isEmpty())
        value.point += 2 * percents - 3 * thousands;

    QByteArray whole;
    QByteArray fraction;
    roundDecimal(value, places, whole, fraction);

    // Whole part: the required placeholders from the leftmost "0" on are
    // zero-filled; the leftmost placeholder takes every digit that is left.
    int wholePlaceholders = 0;
    int requiredFrom = -1;
    for (int i = 0; i < pointAt; ++i) {
        if (!isPlaceholder(tokens[i]))
            continue;
        if (tokens[i].kind == NumTok::Required && requiredFrom < 0)
            requiredFrom = wholePlaceholders;
        ++wholePlaceholders;
    }
    if (requiredFrom >= 0 && whole.size() < wholePlaceholders - requiredFrom)
        whole.prepend(QByteArray(wholePlaceholders - requiredFrom - whole.size(), '0'));

    QString left; // built from right to left
    int remaining = int(whole.size());
    int emitted = 0;
    auto emitDigit = [&]() {
        if (grouping && emitted > 0 && emitted % 3 == 0)
            left.prepend(QLatin1Char(','));
        left.prepend(QLatin1Char(whole.at(--remaining)));
        ++emitted;
    };
    for (int i = pointAt - 1; i >= 0; --i) {
        const NumToken &t = tokens[i];
        if (isPlaceholder(t)) {
            if (i == firstDigit) {
                while (remaining > 0)
                    emitDigit();
            } else if (remaining > 0) {
                emitDigit();
            }
        } else if (t.kind == NumTok::Percent) {
            left.prepend(QLatin1Char('%'));
        } else if (t.kind == NumTok::Literal) {
            left.prepend(t.text);
        }
    }

    QString right;
    if (pointAt < tokens.size()) {
        // Without a placeholder before the point, the whole digits stand
        // right before it.
        if (firstDigit < 0)
            right += QString::fromLatin1(whole);
        right += QLatin1Char('.');
        // Optional places after the last required one drop trailing zeros.
        int lastShown = -1;
        int k = 0;
        for (int i = pointAt + 1; i < tokens.size(); ++i) {
            if (!isPlaceholder(tokens[i]))
                continue;
            if (tokens[i].kind == NumTok::Required || fraction.at(k) != '0')
                lastShown = k;
            ++k;
        }
        k = 0;
        for (int i = pointAt + 1; i < tokens.size(); ++i) {
            const NumToken &t = tokens[i];
            if (isPlaceholder(t)) {
                if (k <= lastShown)
                    right += QLatin1Char(fraction.at(k));
                ++k;
            } else if (t.kind == NumTok::Percent) {
                right += QLatin1Char('%');
            } else if (t.kind == NumTok::Literal) {
                right += t.text;
            }
        }
    }
    const QString sign = withSign && value.negative ? QStringLiteral("-") : QString();
    return sign + left + right;
}

QString formatNumber(const Decimal &value, const QString &pattern)
{
    const QStringList sections = numberSections(pattern);
    const bool zero = value.digits.isEmpty();
    QString section = sections.at(0);
    bool withSign = true;
    if (value.negative && sections.size() >= 2 && !sections.at(1).isEmpty()) {
        section = sections.at(1);
        withSign = false;
    } else if (zero && sections.size() >= 3 && !sections.at(2).isEmpty()) {
        section = sections.at(2);
    }
    return formatDecimal(value, section, withSign);
}

// The general text of a decimal of at most 15 significant digits: fixed
// notation for exponents -5 < e < 15, otherwise "1.5E+20", "1E-05".
QString generalText(const Decimal &d)
{
    if (d.digits.isEmpty())
        return QStringLiteral("0");
    QString out = d.negative ? QStringLiteral("-") : QString();
    const QString digits = QString::fromLatin1(d.digits);
    const int exponent = d.point - 1;
    if (exponent < -4 || exponent >= 15) {
        out += digits.left(1);
        if (digits.size() > 1)
            out += QLatin1Char('.') + digits.mid(1);
        out += QLatin1String(exponent < 0 ? "E-" : "E+") + zeroPadded(std::abs(exponent), 2);
    } else if (d.point <= 0) {
        out += QLatin1String("0.") + QString(-d.point, QLatin1Char('0')) + digits;
    } else if (d.point >= digits.size()) {
        out += digits + QString(d.point - digits.size(), QLatin1Char('0'));
    } else {
        out += digits.left(d.point) + QLatin1Char('.') + digits.mid(d.point);
    }
    return out;
}

// ---- Parsing dates ----

enum class PTok { Number, Word, Sep };

struct ParseToken {
    PTok kind;
    QString text; // the digits, the word, or the separator (" " for blanks)
};

bool tokenizeDate(const QString &text, QVector<ParseToken> &out)
{
    int i = 0;
    const int n = int(text.size());
    while (i < n) {
        const QChar c = text.at(i);
        int j = i + 1;
        if (c >= QLatin1Char('0') && c <= QLatin1Char('9')) {
            while (j < n && text.at(j) >= QLatin1Char('0') && text.at(j) <= QLatin1Char('9'))
                ++j;
            out.append({PTok::Number, text.mid(i, j - i)});
        } else if (c.isLetter()) {
            while (j < n && text.at(j).isLetter())
                ++j;
            out.append({PTok::Word, text.mid(i, j - i).toLower()});
        } else if (c.isSpace()) {
            while (j < n && text.at(j).isSpace())
                ++j;
            out.append({PTok::Sep, QStringLiteral(" ")});
        } else if (QStringLiteral("/-.,:").contains(c)) {
            out.append({PTok::Sep, QString(c)});
        } else {
            return false;
        }
        i = j;
    }
    return true;
}

// The full name or any abbreviation of at least three letters ("sep",
// "sept", "septem") of one of the count names: 1 for the first, 0 for none.
template <typename Name> int matchName(const QString &word, int count, Name name)
{
    if (word.size() < 3)
        return 0;
    for (int i = 1; i <= count; ++i) {
        if (name(i).toLower().startsWith(word))
            return i;
    }
    return 0;
}

// 1 for January .. 12 for December; 0 for none.
int matchMonth(const QString &word)
{
    return matchName(word, 12, [](int i) { return monthName(i); });
}

// 1 for Sunday .. 7 for Saturday; 0 for none.
int matchWeekday(const QString &word)
{
    return matchName(word, 7, [](int i) { return usEnglish().dayName(i == 1 ? 7 : i - 1); });
}

class DateReader
{
public:
    explicit DateReader(const QVector<ParseToken> &tokens) : m_tokens(tokens) {}

    bool atEnd() const { return m_pos >= m_tokens.size(); }
    const ParseToken *peek() const { return atEnd() ? nullptr : &m_tokens[m_pos]; }
    int position() const { return m_pos; }
    void rewind(int pos) { m_pos = pos; }

    void skipBlanks()
    {
        while (!atEnd() && m_tokens[m_pos].kind == PTok::Sep && m_tokens[m_pos].text == " ")
            ++m_pos;
    }
    // Blanks with at most one of the given separators among them.
    QString separator(const QString &allowed)
    {
        skipBlanks();
        QString found;
        if (!atEnd() && m_tokens[m_pos].kind == PTok::Sep &&
            allowed.contains(m_tokens[m_pos].text)) {
            found = m_tokens[m_pos].text;
            ++m_pos;
        }
        skipBlanks();
        return found;
    }
    bool number(int maxDigits, QString &digits)
    {
        if (atEnd() || m_tokens[m_pos].kind != PTok::Number ||
            m_tokens[m_pos].text.size() > maxDigits)
            return false;
        digits = m_tokens[m_pos++].text;
        return true;
    }
    bool word(QString &w)
    {
        if (atEnd() || m_tokens[m_pos].kind != PTok::Word)
            return false;
        w = m_tokens[m_pos++].text;
        return true;
    }
    bool sep(QLatin1Char c)
    {
        if (atEnd() || m_tokens[m_pos].kind != PTok::Sep || m_tokens[m_pos].text != QString(c))
            return false;
        ++m_pos;
        return true;
    }

private:
    const QVector<ParseToken> &m_tokens;
    int m_pos = 0;
};

// One or two digits are a year of this or the last century; three or four
// digits are the year itself.
int readYear(const QString &digits)
{
    const int y = digits.toInt();
    if (digits.size() <= 2)
        return y < 30 ? 2000 + y : 1900 + y;
    return y;
}

bool readMonthWord(DateReader &r, int &month)
{
    QString w;
    if (!r.word(w))
        return false;
    month = matchMonth(w);
    if (!month)
        return false;
    r.sep(QLatin1Char('.')); // "Jan."
    return true;
}

// 1/5/2004, 01-05-2004, 1.5.04, 2004-01-05
bool readNumericDate(DateReader &r, int &y, int &m, int &d)
{
    QString a, b, c;
    if (!r.number(4, a))
        return false;
    const QString s1 = r.separator(QStringLiteral("/-."));
    if (s1.isEmpty() || !r.number(2, b))
        return false;
    const QString s2 = r.separator(QStringLiteral("/-."));
    if (s2 != s1)
        return false;
    if (a.size() >= 3) {
        if (!r.number(2, c))
            return false;
        y = a.toInt();
        m = b.toInt();
        d = c.toInt();
        return true;
    }
    if (!r.number(4, c))
        return false;
    m = a.toInt();
    d = b.toInt();
    y = readYear(c);
    return true;
}

// Jan 5, 2004; January 5 2004; Jan-5-2004; Jan5,2004
bool readMonthFirstDate(DateReader &r, int &y, int &m, int &d)
{
    QString day, year;
    if (!readMonthWord(r, m))
        return false;
    r.separator(QStringLiteral(",-/"));
    if (!r.number(2, day))
        return false;
    r.separator(QStringLiteral(",-/"));
    if (!r.number(4, year))
        return false;
    d = day.toInt();
    y = readYear(year);
    return true;
}

// 5-Jan-2004; 5 January 2004; 5Jan04
bool readDayFirstDate(DateReader &r, int &y, int &m, int &d)
{
    QString day, year;
    if (!r.number(2, day))
        return false;
    r.separator(QStringLiteral("-/."));
    if (!readMonthWord(r, m))
        return false;
    r.separator(QStringLiteral(",-/"));
    if (!r.number(4, year))
        return false;
    d = day.toInt();
    y = readYear(year);
    return true;
}

// 14:05, 14:05:09, 2:05 PM, 2:05:09pm, 2 PM, 2:05 a
bool readTime(DateReader &r, QTime &time)
{
    QString h, mi, s, w;
    if (!r.number(2, h))
        return false;
    bool hasMinutes = false;
    if (r.sep(QLatin1Char(':'))) {
        if (!r.number(2, mi))
            return false;
        hasMinutes = true;
        if (r.sep(QLatin1Char(':')) && !r.number(2, s))
            return false;
    }
    r.skipBlanks();
    int hour = h.toInt();
    if (r.word(w)) {
        const bool am = w == QLatin1String("am") || w == QLatin1String("a");
        const bool pm = w == QLatin1String("pm") || w == QLatin1String("p");
        if ((!am && !pm) || hour < 1 || hour > 12)
            return false;
        hour = hour % 12 + (pm ? 12 : 0);
    } else if (!hasMinutes) {
        return false;
    }
    const int minute = mi.toInt();
    const int second = s.toInt();
    if (hour > 23 || minute > 59 || second > 59)
        return false;
    time = QTime(hour, minute, second);
    return true;
}

} // namespace

double ToOleDate(const QDateTime &dt)
{
    if (!dt.isValid())
        return 0.0;
    // The wall-clock fields are stored; the files carry no time zone. Before
    // the epoch the sign belongs to the day count only: the fraction is
    // still the time of that day (-1.25 is 12/29/1899 06:00).
    const qint64 days = kOleEpoch.daysTo(dt.date());
    const double fraction = double(dt.time().msecsSinceStartOfDay() / 1000) / 86400.0;
    return days >= 0 ? double(days) + fraction : double(days) - fraction;
}

QDateTime FromOleDate(double ole)
{
    Moment m;
    if (ole == 0.0 || !momentFromOle(ole, m))
        return QDateTime();
    return QDateTime(m.date, QTime(0, 0).addSecs(m.secs), Qt::LocalTime);
}

QString FormatDate(const QDateTime &dt, const QString &pattern)
{
    if (!dt.isValid())
        return QString();
    Moment m;
    m.date = dt.date();
    m.secs = dt.time().msecsSinceStartOfDay() / 1000;
    return formatMoment(m, pattern);
}

QString FormatOleDate(double ole, const QString &pattern)
{
    Moment m;
    if (ole == 0.0 || !momentFromOle(ole, m))
        return QString();
    return formatMoment(m, pattern);
}

QString GeneralDate(double ole)
{
    Moment m;
    if (!momentFromOle(ole, m))
        return QString();
    return generalDateText(m);
}

QString ShortDate(const QDateTime &dt)
{
    return dt.isValid() ? shortDateText(dt.date()) : QString();
}

QString FormatNumber(double value, const QString &pattern)
{
    if (!std::isfinite(value))
        return QString();
    return formatNumber(decimalFromDouble(value), pattern);
}

QString FormatMoney(qint64 tenThousandths)
{
    // "$##,###,##0.00" in whole numbers: cents rounded half away from zero,
    // the dollars grouped by thousands; the sign stays when the amount
    // rounds to zero.
    const bool negative = tenThousandths < 0;
    const quint64 magnitude = negative ? 0 - quint64(tenThousandths) : quint64(tenThousandths);
    const quint64 cents = magnitude / 100 + (magnitude % 100 >= 50 ? 1 : 0);
    return (negative ? QStringLiteral("-$") : QStringLiteral("$")) +
           usEnglish().toString(qulonglong(cents / 100)) + QLatin1Char('.') +
           zeroPadded(int(cents % 100), 2);
}

QString GeneralNumber(double value)
{
    if (!std::isfinite(value))
        return QString();
    return generalText(decimalFromDouble(value));
}

QString GeneralMoney(qint64 tenThousandths)
{
    // The whole units and the four places straight from the integer, the
    // places' trailing zeros dropped (the export writes one for every
    // listed entry).
    const bool negative = tenThousandths < 0;
    const quint64 magnitude = negative ? 0 - quint64(tenThousandths) : quint64(tenThousandths);
    quint64 whole = magnitude / quint64(MoneyScale);
    quint64 places = magnitude % quint64(MoneyScale);
    int count = 4;
    while (count > 0 && places % 10 == 0) {
        places /= 10;
        --count;
    }
    char text[32];
    char *end = text + sizeof text;
    char *p = end;
    for (int i = 0; i < count; ++i, places /= 10)
        *--p = char('0' + places % 10);
    if (count > 0)
        *--p = '.';
    do {
        *--p = char('0' + whole % 10);
        whole /= 10;
    } while (whole != 0);
    if (negative)
        *--p = '-';
    return QString::fromLatin1(p, end - p);
}

std::optional<qint64> ParseAmount(const QString &text)
{
    QString s = text.trimmed();
    bool negative = false;
    bool parenthesized = false;
    if (s.startsWith(QLatin1Char('(')) && s.endsWith(QLatin1Char(')'))) {
        parenthesized = true;
        negative = true;
        s = s.mid(1, s.size() - 2).trimmed();
    }
    // A sign and a dollar sign, in either order, each at most once.
    int i = 0;
    bool sign = false;
    bool dollar = false;
    for (;;) {
        while (i < s.size() && s.at(i).isSpace())
            ++i;
        if (i >= s.size())
            break;
        const QChar c = s.at(i);
        if ((c == QLatin1Char('+') || c == QLatin1Char('-')) && !sign && !parenthesized) {
            sign = true;
            negative = c == QLatin1Char('-');
        } else if (c == QLatin1Char('$') && !dollar) {
            dollar = true;
        } else {
            break;
        }
        ++i;
    }
    auto isDigit = [](QChar c) { return c >= QLatin1Char('0') && c <= QLatin1Char('9'); };
    // Whole part: digits, optionally grouped by commas in threes.
    QString whole;
    int groupLength = 0;
    bool grouped = false;
    for (; i < s.size(); ++i) {
        const QChar c = s.at(i);
        if (isDigit(c)) {
            whole += c;
            ++groupLength;
        } else if (c == QLatin1Char(',')) {
            if (groupLength == 0 || (grouped && groupLength != 3) || (!grouped && groupLength > 3))
                return std::nullopt;
            grouped = true;
            groupLength = 0;
        } else {
            break;
        }
    }
    if (grouped && groupLength != 3)
        return std::nullopt;
    QString fraction;
    if (i < s.size() && s.at(i) == QLatin1Char('.')) {
        for (++i; i < s.size() && isDigit(s.at(i)); ++i)
            fraction += s.at(i);
    }
    if (i != s.size() || (whole.isEmpty() && fraction.isEmpty()))
        return std::nullopt;

    int lead = 0;
    while (lead < whole.size() && whole.at(lead) == QLatin1Char('0'))
        ++lead;
    whole.remove(0, lead);
    if (whole.size() > 15) // beyond 922,337,203,685,477
        return std::nullopt;
    quint64 magnitude = whole.isEmpty() ? 0 : whole.toULongLong();
    magnitude *= quint64(MoneyScale);
    const QString places = fraction.left(4).leftJustified(4, QLatin1Char('0'));
    magnitude += places.toULongLong();
    if (fraction.size() > 4 && fraction.at(4) >= QLatin1Char('5'))
        ++magnitude;
    if (magnitude > quint64(std::numeric_limits<qint64>::max()))
        return std::nullopt;
    const qint64 value = qint64(magnitude);
    return negative ? -value : value;
}

std::optional<QDateTime> ParseDate(const QString &text)
{
    QVector<ParseToken> tokens;
    if (!tokenizeDate(text, tokens))
        return std::nullopt;
    DateReader r(tokens);
    r.skipBlanks();
    if (r.atEnd())
        return std::nullopt;

    // An optional weekday in front ("Monday, January 5, 2004") must be the
    // date's own.
    int weekday = 0;
    if (const ParseToken *t = r.peek(); t && t->kind == PTok::Word) {
        weekday = matchWeekday(t->text);
        if (weekday) {
            QString w;
            r.word(w);
            r.sep(QLatin1Char('.'));
            r.separator(QStringLiteral(","));
        }
    }

    int y = 0, m = 0, d = 0;
    const int start = r.position();
    bool found = readNumericDate(r, y, m, d);
    if (!found) {
        r.rewind(start);
        found = readMonthFirstDate(r, y, m, d);
    }
    if (!found) {
        r.rewind(start);
        found = readDayFirstDate(r, y, m, d);
    }
    if (!found || y < 100 || y > 9999 || !QDate::isValid(y, m, d))
        return std::nullopt;
    const QDate date(y, m, d);
    if (weekday && weekdayIndex(date) != weekday - 1)
        return std::nullopt;

    QTime time(0, 0);
    r.separator(QStringLiteral(","));
    if (!r.atEnd() && !readTime(r, time))
        return std::nullopt;
    r.skipBlanks();
    if (!r.atEnd())
        return std::nullopt;
    return QDateTime(date, time, Qt::LocalTime);
}

QString ControlNumberText(double controlNumber)
{
    if (controlNumber < LegacyControlLimit)
        return FormatNumber(controlNumber, QStringLiteral("00000"));
    return ControlNumberStamp(controlNumber);
}

QString ControlNumberStamp(double controlNumber)
{
    // The fourteen digits come straight from the day and the second of the
    // day, as FromOleDate finds them, without a local time being built for
    // each: the export writes one for every listed entry.
    if (controlNumber == 0.0 || !std::isfinite(controlNumber) ||
        std::fabs(controlNumber) > 2958466.0)
        return FormatOleDate(controlNumber, QStringLiteral("yyyymmddhhnnss"));
    static const QDate epoch(1899, 12, 30);
    const double dayPart = std::trunc(controlNumber);
    qint64 secs = std::llround(std::fabs(controlNumber - dayPart) * 86400.0);
    QDate date = epoch.addDays(qint64(dayPart));
    if (secs >= 86400) {
        date = date.addDays(1);
        secs = 0;
    }
    int year = 0, month = 0, day = 0;
    date.getDate(&year, &month, &day);
    if (year < 1) // before the OLE dates' range: the general path
        return FormatOleDate(controlNumber, QStringLiteral("yyyymmddhhnnss"));
    const int fields[6] = {year, month, day, int(secs / 3600), int(secs / 60 % 60), int(secs % 60)};
    char16_t digits[14];
    int at = 0;
    for (int i = 0; i < 6; ++i) {
        for (int width = i == 0 ? 4 : 2, v = fields[i]; width > 0; --width, v /= 10)
            digits[at + width - 1] = char16_t(u'0' + v % 10);
        at += i == 0 ? 4 : 2;
    }
    return QString(reinterpret_cast<const QChar *>(digits), 14);
}
