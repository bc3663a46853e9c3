// Values and formats: the one module that converts dates, money, numbers and
// fixed-width text. The program speaks US English whatever the system
// locale. Nothing else formats a date or an amount by hand.
#pragma once

#include <QByteArray>
#include <QDateTime>
#include <QString>
#include <optional>

// ---- OLE dates: days since 30 December 1899, time as the fraction. ----
// 0 means "no date". Conversions round to the nearest second. Dates are
// wall-clock times without a time zone (the stored files carry none).
double ToOleDate(const QDateTime &dt);
// An invalid QDateTime for 0; otherwise the moment, to the nearest second.
QDateTime FromOleDate(double ole);

// ---- Money: qint64 ten-thousandths of a dollar. ----
constexpr qint64 MoneyScale = 10000;

// ---- Windows-1252 text. ----
// A character outside Windows-1252 becomes "?".
QByteArray ToWindows1252(const QString &text);
QString FromWindows1252(const QByteArray &bytes);
// Fixed-width field: encoded, cut at width, padded with blanks.
QByteArray ToFixedText(const QString &text, int width);
// Decoded and trimmed of the padding blanks (trailing and leading blanks
// and NULs, as the older releases trimmed both ends).
QString FromFixedText(const char *data, int width);
inline QString FromFixedText(const QByteArray &bytes)
{
    return FromFixedText(bytes.constData(), int(bytes.size()));
}

// ---- Format patterns (as the windows and printouts name them). ----
// Dates: "mm/dd/yyyy", "hh:nn:ss", "yyyymmddhhnnss", " dddd ",
// "DDDD MMMM d, yyyy", "MMM dd, yyyy", "mm/dd/yyyy hh:mmam/pm", "mmddhhnnss"
// and any pattern made of the same tokens. "m"/"mm" right after an hour
// token means minutes; "nn" is always minutes; "am/pm" gives "am"/"pm",
// "AM/PM" gives "AM"/"PM".
QString FormatDate(const QDateTime &dt, const QString &pattern);
QString FormatOleDate(double ole, const QString &pattern);
// The general date: "m/d/yyyy h:mm:ss AM"; the date alone at midnight, the
// time alone ("h:mm:ss AM") on day 0.
QString GeneralDate(double ole);
// The short date "m/d/yyyy".
QString ShortDate(const QDateTime &dt);

// Numbers: "00000", "##", "####", "###%", "$##,###,##0.00", "#,##0" and
// the like: "0" a required digit, "#" an optional one, "," thousands
// grouping, "." the decimal point, "%" multiplies by 100; other characters
// are copied. Rounds half away from zero.
QString FormatNumber(double value, const QString &pattern);
// "$##,###,##0.00" of an amount in ten-thousandths.
QString FormatMoney(qint64 tenThousandths);
// The shortest general form of a number: up to 15 significant digits, no
// trailing zeros, no thousands separators ("1234.5", "0.25", "-3", "1E+20").
QString GeneralNumber(double value);

// ---- Parsing what a person types. ----
// Amounts with or without "$", thousands separators, a sign (or
// parentheses) and decimals; nothing for text that is not an amount.
// The result is in ten-thousandths, rounded half away from zero.
std::optional<qint64> ParseAmount(const QString &text);
// Dates as a US user writes them: 1/5/2004, 01-05-2004, 2004-01-05,
// Jan 5, 2004, January 5 2004, 5-Jan-2004, each with an optional time
// (14:05, 2:05 PM, 2:05:09 pm); two-digit years 00-29 are 20xx, 30-99 are
// 19xx. Impossible dates (2/30/2009) give nothing.
std::optional<QDateTime> ParseDate(const QString &text);
