// Values and formats: the one module that converts dates, money, numbers and
// fixed-width text. The program speaks US English whatever the system
// locale. Nothing else formats a date or an amount by hand.
#pragma once

#include <QByteArray>
#include <QDateTime>
#include <QString>
#include <optional>
#include <utility>

// ---- OLE dates: days since 30 December 1899, time as the fraction. ----
// 0 means "no date". Conversions round to the nearest second. Dates are
// wall-clock times without a time zone (the stored files carry none).
double ToOleDate(const QDateTime &dt);
// An invalid QDateTime for 0; otherwise the moment, to the nearest second.
QDateTime FromOleDate(double ole);

// ---- Money: qint64 ten-thousandths of a dollar. ----
constexpr qint64 MoneyScale = 10000;

// ---- Windows-1252 text (Windows1252.cpp). ----
// A character outside Windows-1252 becomes "?".
QByteArray ToWindows1252(const QString &text);
QString FromWindows1252(const QByteArray &bytes);
// Fixed-width field: encoded, cut at width, padded with blanks.
QByteArray ToFixedText(const QString &text, int width);
// Where the text of a padded field of width bytes begins and ends, without
// the blanks and NULs around it (the older releases trimmed both ends):
// [first, second).
std::pair<int, int> TrimmedSpan(const char *data, int width);
// Decoded and trimmed of the padding.
QString FromFixedText(const char *data, int width);
inline QString FromFixedText(const QByteArray &bytes)
{
    return FromFixedText(bytes.constData(), int(bytes.size()));
}
// The same into out, reusing its buffer when nobody else shares it: for
// passes that decode every record of a file.
void ReadFixedText(const char *data, int width, QString &out);

// ---- Dates, always US English. An invalid QDateTime, or the OLE date 0
// (no date), gives an empty text; milliseconds are dropped. ----
// "03/04/2009": the activity logs, the lists, labels and summaries.
QString DateText(const QDateTime &dt);
QString OleDateText(double ole);
// "14:05:09", on the 24-hour clock.
QString TimeText(const QDateTime &dt);
// "20090304140509": provisional control numbers and file names.
QString StampText(const QDateTime &dt);
// "0304140509": the spreadsheet export's file name.
QString ShortStampText(const QDateTime &dt);
// "Wednesday March 4, 2009"
QString LongDateText(const QDateTime &dt);
// "Wednesday"
QString WeekdayText(const QDateTime &dt);
// "03/04/2009 02:05pm", on the 12-hour clock.
QString OleDateTimeText(double ole);
// The general date: "3/4/2009 2:05:09 PM"; the date alone at midnight, the
// time alone ("2:05:09 PM") on day 0, so 0 itself is "12:00:00 AM"
// (callers that mean "no date" test for 0 first).
QString GeneralDate(double ole);

// ---- Numbers. A double is taken at 15 significant digits and rounded half
// away from zero. ----
// At least five digits: "00008" for 7.5, "-00007"; the "-" stays when a
// negative number rounds to zero.
QString LegacyNumberText(double value);
// Whole hundredths: "13%" for 0.125; "%" when they round to zero, "-" in
// front of a negative fraction.
QString PercentText(double fraction);
// Grouped by thousands: "1,234,567".
QString CountText(qint64 n);
// "$##,###,##0.00" of an amount in ten-thousandths.
QString FormatMoney(qint64 tenThousandths);
// The shortest general form of a number: up to 15 significant digits, no
// trailing zeros, no thousands separators ("1234.5", "0.25", "-3", "1E+20",
// "-2.5E-07").
QString GeneralNumber(double value);
// The general form of an amount in ten-thousandths, exact to the last
// place: "1234.5", "0", "-0.0001", "922337203685477.5807".
QString GeneralMoney(qint64 tenThousandths);

// ---- Parsing what a person types. ----
// Amounts with or without "$", thousands separators, a sign (or
// parentheses) and decimals; nothing for text that is not an amount.
// The result is in ten-thousandths, rounded half away from zero.
// Thousands separators must stand between groups of three digits
// ("12,34" is refused, so a decimal comma is never misread); amounts
// beyond +-922,337,203,685,477.5807 are refused.
std::optional<qint64> ParseAmount(const QString &text);
// Dates as a US user writes them: 1/5/2004, 01-05-2004, 2004-01-05,
// Jan 5, 2004, January 5 2004, 5-Jan-2004, each with an optional time
// (14:05, 2:05 PM, 2:05:09 pm); two-digit years 00-29 are 20xx, 30-99 are
// 19xx. Impossible dates (2/30/2009) give nothing. Numeric dates read
// month/day/year unless they start with a 3- or 4-digit year. The blanks
// may be missing ("Jan5,2004", "2:05PM"); a leading weekday name is
// accepted when it is the date's own. A time alone, a month/day without a
// year, years outside 100..9999 and anything left over give nothing.
// The result is a local wall-clock time.
std::optional<QDateTime> ParseDate(const QString &text);

// Control numbers below this are legacy sequence numbers, not time-stamps.
constexpr double LegacyControlLimit = 33000;
// A control number as shown to people and in the activity log: a legacy
// sequence number as "00000", a time-stamp as "yyyymmddhhnnss".
QString ControlNumberText(double controlNumber);
// Always the fourteen digits "yyyymmddhhnnss" (the spreadsheet export).
QString ControlNumberStamp(double controlNumber);
