// Windows-1252 and fixed-width text fields, and OLE dates.
#include "core/common/Formats.h"

#include <QHash>
#include <cmath>

namespace
{

// Code points of bytes 0x80..0x9F; 0 marks the five undefined bytes, which
// the system's conversion maps to the same code point.
constexpr char16_t kHigh[32] = {0x20AC, 0,      0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
                                0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0,      0x017D, 0,
                                0,      0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
                                0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0,      0x017E, 0x0178};

const QHash<char16_t, char> &reverseHigh()
{
    static const QHash<char16_t, char> table = [] {
        QHash<char16_t, char> t;
        for (int i = 0; i < 32; ++i)
            t.insert(kHigh[i] ? kHigh[i] : char16_t(0x80 + i), char(0x80 + i));
        return t;
    }();
    return table;
}

const QDateTime &oleEpoch()
{
    static const QDateTime epoch(QDate(1899, 12, 30), QTime(0, 0), Qt::UTC);
    return epoch;
}

} // namespace

QByteArray ToWindows1252(const QString &text)
{
    QByteArray out;
    out.reserve(text.size());
    for (int i = 0; i < text.size(); ++i) {
        const QChar c = text.at(i);
        const char16_t u = c.unicode();
        if (u < 0x80 || (u >= 0xA0 && u <= 0xFF)) {
            out.append(char(u));
            continue;
        }
        auto it = reverseHigh().constFind(u);
        if (it != reverseHigh().constEnd()) {
            out.append(it.value());
            continue;
        }
        // A surrogate pair is one character: one "?".
        if (c.isHighSurrogate() && i + 1 < text.size() && text.at(i + 1).isLowSurrogate())
            ++i;
        out.append('?');
    }
    return out;
}

QString FromWindows1252(const QByteArray &bytes)
{
    QString out;
    out.reserve(bytes.size());
    for (char ch : bytes) {
        const auto b = static_cast<unsigned char>(ch);
        if (b >= 0x80 && b <= 0x9F && kHigh[b - 0x80])
            out.append(QChar(kHigh[b - 0x80]));
        else
            out.append(QChar(char16_t(b)));
    }
    return out;
}

QByteArray ToFixedText(const QString &text, int width)
{
    QByteArray bytes = ToWindows1252(text);
    if (bytes.size() > width)
        bytes.truncate(width);
    else if (bytes.size() < width)
        bytes.append(QByteArray(width - bytes.size(), ' '));
    return bytes;
}

QString FromFixedText(const char *data, int width)
{
    int begin = 0;
    int end = width;
    auto blank = [](char c) { return c == ' ' || c == '\0'; };
    while (end > begin && blank(data[end - 1]))
        --end;
    while (begin < end && blank(data[begin]))
        ++begin;
    return FromWindows1252(QByteArray(data + begin, end - begin));
}

double ToOleDate(const QDateTime &dt)
{
    if (!dt.isValid())
        return 0.0;
    // The wall-clock fields are stored; the files carry no time zone. Before
    // the epoch the sign belongs to the day count only: the fraction is
    // still the time of that day (-1.25 is 12/29/1899 06:00).
    const qint64 days = oleEpoch().date().daysTo(dt.date());
    const double fraction = double(dt.time().msecsSinceStartOfDay() / 1000) / 86400.0;
    return days >= 0 ? double(days) + fraction : double(days) - fraction;
}

QDateTime FromOleDate(double ole)
{
    if (ole == 0.0 || !std::isfinite(ole) || std::fabs(ole) > 2958466.0)
        return QDateTime();
    const double dayPart = std::trunc(ole);
    const double fraction = std::fabs(ole - dayPart);
    const qint64 secs = std::llround(fraction * 86400.0);
    QDate date = oleEpoch().date().addDays(qint64(dayPart));
    if (secs >= 86400)
        return QDateTime(date.addDays(1), QTime(0, 0), Qt::LocalTime);
    return QDateTime(date, QTime(0, 0).addSecs(int(secs)), Qt::LocalTime);
}
