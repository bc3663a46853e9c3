// OLE dates, the fixed date and number formats the windows, logs and
// printouts use, and the parsers for amounts and dates a person types.
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

QString monthName(int month)
{
    return usEnglish().monthName(month, QLocale::LongFormat);
}

// 0 for Sunday .. 6 for Saturday.
int weekdayIndex(const QDate &date)
{
    return date.dayOfWeek() % 7;
}

QString zeroPadded(int value, int width)
{
    return QString::number(value).rightJustified(width, QLatin1Char('0'));
}

// A wall-clock moment: the date and the seconds since its midnight. Kept
// apart from the local time zone so that no daylight-saving change can
// shift a stored time.
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

// The moment in one of QLocale's date-time formats. The moment goes in as
// UTC, which has no gaps, so the fields come out as they were stored.
QString formatMoment(const Moment &m, QStringView format)
{
    return usEnglish().toString(
        QDateTime(m.date, QTime::fromMSecsSinceStartOfDay(m.secs * 1000), Qt::UTC), format);
}

// The wall-clock fields of dt, milliseconds dropped; empty for an invalid one.
QString formatDateTime(const QDateTime &dt, QStringView format)
{
    if (!dt.isValid())
        return QString();
    return formatMoment({dt.date(), dt.time().msecsSinceStartOfDay() / 1000}, format);
}

QString formatOle(double ole, QStringView format)
{
    Moment m;
    if (ole == 0.0 || !momentFromOle(ole, m))
        return QString();
    return formatMoment(m, format);
}

// The whole digits of a magnitude taken at 15 significant digits (as the
// program has always shown numbers, so 2.675 is 2.675, not 2.67499...) and
// rounded half away from zero.
QString wholeDigits(double magnitude)
{
    if (magnitude >= 1e15) {
        // "d.dddddddddddddde+XX": the fifteen digits and then zeros.
        const QByteArray e = QByteArray::number(magnitude, 'e', 14);
        const int exponent = e.mid(17).toInt();
        return QString::fromLatin1(e.left(1) + e.mid(2, 14)) +
               QString(exponent - 14, QLatin1Char('0'));
    }
    const double taken = QByteArray::number(magnitude, 'g', 15).toDouble();
    return QString::number(std::round(taken), 'f', 0);
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

QString DateText(const QDateTime &dt)
{
    return formatDateTime(dt, u"MM/dd/yyyy");
}

QString OleDateText(double ole)
{
    return formatOle(ole, u"MM/dd/yyyy");
}

QString TimeText(const QDateTime &dt)
{
    return formatDateTime(dt, u"HH:mm:ss");
}

QString StampText(const QDateTime &dt)
{
    return formatDateTime(dt, u"yyyyMMddHHmmss");
}

QString ShortStampText(const QDateTime &dt)
{
    return formatDateTime(dt, u"MMddHHmmss");
}

QString LongDateText(const QDateTime &dt)
{
    return formatDateTime(dt, u"dddd MMMM d, yyyy");
}

QString WeekdayText(const QDateTime &dt)
{
    return formatDateTime(dt, u"dddd");
}

QString OleDateTimeText(double ole)
{
    return formatOle(ole, u"MM/dd/yyyy hh:mmap");
}

QString GeneralDate(double ole)
{
    Moment m;
    if (!momentFromOle(ole, m))
        return QString();
    if (m.date == kOleEpoch)
        return formatMoment(m, u"h:mm:ss AP");
    return formatMoment(m, m.secs == 0 ? u"M/d/yyyy" : u"M/d/yyyy h:mm:ss AP");
}

QString LegacyNumberText(double value)
{
    if (!std::isfinite(value))
        return QString();
    const QString digits = wholeDigits(std::fabs(value)).rightJustified(5, QLatin1Char('0'));
    return value < 0 ? QLatin1Char('-') + digits : digits;
}

QString PercentText(double fraction)
{
    if (!std::isfinite(fraction))
        return QString();
    // A hundred times the fifteen digits, by moving the decimal exponent.
    const QByteArray e = QByteArray::number(std::fabs(fraction), 'e', 14);
    const qsizetype at = e.indexOf('e');
    const double percent =
        (e.left(at) + 'e' + QByteArray::number(e.mid(at + 1).toInt() + 2)).toDouble();
    const QString digits = std::round(percent) == 0 ? QString() : wholeDigits(percent);
    return (fraction < 0 ? QStringLiteral("-") : QString()) + digits + QLatin1Char('%');
}

QString CountText(qint64 n)
{
    return usEnglish().toString(qlonglong(n));
}

QString GeneralNumber(double value)
{
    if (!std::isfinite(value))
        return QString();
    if (value == 0)
        return QStringLiteral("0");
    return QString::number(value, 'G', 15);
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

QString GeneralMoney(qint64 tenThousandths)
{
    // The whole units and the four places straight from the integer, the
    // places' trailing zeros dropped.
    const bool negative = tenThousandths < 0;
    const quint64 magnitude = negative ? 0 - quint64(tenThousandths) : quint64(tenThousandths);
    QString text = QString::number(magnitude / quint64(MoneyScale));
    if (const quint64 places = magnitude % quint64(MoneyScale)) {
        QString digits = QString::number(places).rightJustified(4, QLatin1Char('0'));
        while (digits.endsWith(QLatin1Char('0')))
            digits.chop(1);
        text += QLatin1Char('.') + digits;
    }
    return negative ? QLatin1Char('-') + text : text;
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
        return LegacyNumberText(controlNumber);
    return ControlNumberStamp(controlNumber);
}

QString ControlNumberStamp(double controlNumber)
{
    return formatOle(controlNumber, u"yyyyMMddHHmmss");
}
