// Date, number and money formats and parsers, OLE dates, Windows-1252 fields.
#include "core/common/Formats.h"

#include <QLocale>
#include <QTest>
#include <limits>

namespace
{
constexpr double kSample = 39876.586909722224; // 2009-03-04 (a Wednesday) 14:05:09
constexpr qint64 kMax = std::numeric_limits<qint64>::max();
constexpr qint64 kMin = std::numeric_limits<qint64>::min();
double ole(double day, int h, int m, int s)
{
    return day + (h * 3600 + m * 60 + s) / 86400.0;
}
QString u(const char *text)
{
    return QString::fromUtf8(text);
}
} // namespace

class TestFormats : public QObject
{
    Q_OBJECT
private slots:
    void formatOleDate()
    {
        // clang-format off
        const struct { double value; const char *pattern, *expected; } rows[] = {
            {kSample, "mm/dd/yyyy hh:nn:ss", "03/04/2009 14:05:09"},
            {kSample, "yyyymmddhhnnss", "20090304140509"},
            {kSample, "DDDD MMMM d, yyyy", "Wednesday March 4, 2009"},
            {kSample, "mm/dd/yyyy hh:mmam/pm ", "03/04/2009 02:05pm "},
            // "m" after "h" is the minute.
            {ole(39507, 7, 3, 2), "m/d/yy h:n:s", "2/29/08 7:3:2"},
            {kSample, "ddddd|dddddd", "3/4/2009|Wednesday, March 4, 2009"},
            {kSample, "h a/p|H A/P", "2 p|2 P"}, {kSample, "y q w ww", "63 1 4 10"},
            {kSample, "\"at\" hh\\h", "at 14h"}, {39876, "hh:mmam/pm", "12:00am"},
            {ole(39876, 12, 0, 0), "h:nn AM/PM", "12:00 PM"}, {61, "mm/dd/yyyy", "03/01/1900"},
            {39813.999999999, "yyyymmddhhnnss", "20090101000000"}, {39813, "y ww", "366 53"},
            {-1.25, "mm/dd/yyyy hh:nn", "12/29/1899 06:00"}, {0, "mm/dd/yyyy", ""},
            {3e6, "mm/dd/yyyy", ""}};
        // clang-format on
        for (const auto &r : rows)
            QCOMPARE(FormatOleDate(r.value, u(r.pattern)), u(r.expected));
        // Milliseconds are dropped, not rounded (the clock reads whole seconds).
        QCOMPARE(FormatDate(QDateTime(QDate(2009, 3, 4), QTime(14, 5, 9, 900)), "yyyymmddhhnnss"),
                 u("20090304140509"));
        QCOMPARE(FormatDate(QDateTime(), "mm/dd/yyyy") + ShortDate(QDateTime()), QString());
        QCOMPARE(ShortDate(QDateTime(QDate(2004, 1, 5), QTime(10, 30))), u("1/5/2004"));
        QStringList general;
        for (double value : {kSample, 39876.0, 0.5, -1.25, 2958465.0})
            general << GeneralDate(value);
        QCOMPARE(general, QStringList({"3/4/2009 2:05:09 PM", "3/4/2009", "12:00:00 PM",
                                       "12/29/1899 6:00:00 AM", "12/31/9999"}));
    }

    // Halves round away from zero, in every format.
    void numbersAndMoney()
    {
        // clang-format off
        const struct { double value; const char *pattern, *expected; } rows[] = {
            {123456, "00000", "123456"}, {7.5, "00000", "00008"}, {-7, "00000", "-00007"},
            {0.125, "###%", "13%"}, {0.0049, "###%", "%"}, {-2.675, "$##,###,##0.00", "-$2.68"},
            {-0.001, "$##,###,##0.00", "-$0.00"}, {1e15, "#,##0", "1,000,000,000,000,000"},
            {0.5, "#.0#", ".5"}, {1234567, "#,##0,", "1,235"}, {0, "0.00;(0.00);\"zero\"", "zero"},
            {-5, "0.00;(0.00);\"zero\"", "(5.00)"}, {123456789, "000-00-0000", "123-45-6789"},
            {0.1 + 0.2, "0.00000000000000000", "0.30000000000000000"}};
        const QList<QPair<qint64, const char *>> money = {
            {1234567891234500, "$123,456,789,123.45"}, {-12350, "-$1.24"}, {9999999, "$1,000.00"},
            {50, "$0.01"}, {49, "$0.00"}, {kMin, "-$922,337,203,685,477.58"}};
        const QList<QPair<double, const char *>> general = {
            {-0.0, "0"}, {1e15, "1E+15"}, {123456789012345.0, "123456789012345"},
            {0.1 + 0.2, "0.3"}, {1.0 / 3, "0.333333333333333"}, {-2.5e-7, "-2.5E-07"}};
        const QList<QPair<qint64, const char *>> generalMoney = {
            {12345000, "1234.5"}, {-1, "-0.0001"}, {kMax, "922337203685477.5807"},
            {kMin, "-922337203685477.5808"}};
        // clang-format on
        for (const auto &r : rows)
            QCOMPARE(FormatNumber(r.value, u(r.pattern)), u(r.expected));
        for (const auto &[value, expected] : money)
            QCOMPARE(FormatMoney(value), u(expected));
        for (const auto &[value, expected] : general)
            QCOMPARE(GeneralNumber(value), u(expected));
        for (const auto &[value, expected] : generalMoney)
            QCOMPARE(GeneralMoney(value), u(expected));
    }

    void parseAmount()
    {
        // clang-format off
        const QList<QPair<const char *, qint64>> good = {
            {"1,234.50", 12345000}, {"(5)", -50000}, {"($1,234.50)", -12345000},
            {"$-5", -50000}, {"$ 12", 120000}, {".5", 5000}, {"1,234,567", 12345670000},
            {"0.00005", 1}, {"0.0000499", 0}, {"1.99995", 20000},
            {"-922,337,203,685,477.5807", -kMax}};
        // clang-format on
        for (const auto &[text, value] : good)
            QCOMPARE(ParseAmount(u(text)), std::optional<qint64>(value));
        for (const char *text :
             {"   ", "1.2.3", "12abc", "-", "12,34", "1,2345", "1.234,5", "--5", "(-5)", "$$5",
              "1e3", "1 234", "\u0661\u0662", "922337203685477.5808", "1000000000000000"})
            QVERIFY2(!ParseAmount(u(text)), text);
    }

    void parseDate()
    {
        // clang-format off
        const QList<QPair<const char *, const char *>> good = {
            {"2004-01-05", "2004-01-05 00:00:00"}, {"5-Jan-2004", "2004-01-05 00:00:00"},
            {"JAN. 5, 2004", "2004-01-05 00:00:00"}, {"1/5/29", "2029-01-05 00:00:00"},
            {"  1/5/30  ", "1930-01-05 00:00:00"}, {"Sept 1, 09", "2009-09-01 00:00:00"},
            {"1/1/100", "0100-01-01 00:00:00"}, {"3/4/2009 9:15 a", "2009-03-04 09:15:00"},
            {"3/4/2009 12:30am", "2009-03-04 00:30:00"},
            {"Monday, January 5, 2004 2:05:09 pm", "2004-01-05 14:05:09"}};
        // clang-format on
        for (const auto &[text, expected] : good) {
            const std::optional<QDateTime> result = ParseDate(u(text));
            QVERIFY2(result && result->timeSpec() == Qt::LocalTime, text);
            QCOMPARE(result->toString("yyyy-MM-dd hh:mm:ss"), u(expected));
        }
        for (const char *text : {"   ", "2/30/2009", "0/1/2009", "2/29/1900", "3/4/2009x",
                                 "3/4/2009 2:05 PM extra", "3/4", "14:05", "3/4/2009 25:00",
                                 "3/4/2009 13:00 PM", "3/4/2009 0:30 AM", "3/4/2009 2", "1/1/99999",
                                 "1/1/0099", "3/4-2009", "Ja 4, 2009", "Thursday, March 4, 2009"})
            QVERIFY2(!ParseDate(u(text)), text);
    }

    // Names, separators and the decimal point stay US English in any locale.
    void roundTripsIndependentOfLocale()
    {
        const QLocale previous;
        QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
        const std::optional<qint64> amount = ParseAmount("$1,234.50");
        QCOMPARE(amount, std::optional<qint64>(12345000));
        QCOMPARE(FormatMoney(*amount) + ' ' + GeneralMoney(*amount) + ' ' +
                     FormatNumber(1234567.891, "#,##0.00") + ' ' + GeneralNumber(1.5e20),
                 u("$1,234.50 1234.5 1,234,567.89 1.5E+20"));
        QCOMPARE(FormatOleDate(kSample, "DDDD MMMM d, yyyy h:mmAM/PM"),
                 u("Wednesday March 4, 2009 2:05PM"));
        const std::optional<QDateTime> when = ParseDate("March 4, 2009 2:05:09 PM");
        QCOMPARE(FormatOleDate(ToOleDate(*when), "yyyymmddhhnnss"), u("20090304140509"));
        QVERIFY(!ParseAmount("1.234,50") && !ParseDate(u("4. März 2009")));
        QLocale::setDefault(previous);
    }

    void oleDates()
    {
        QCOMPARE(FromOleDate(kSample), QDateTime(QDate(2009, 3, 4), QTime(14, 5, 9)));
        QCOMPARE(ToOleDate(FromOleDate(kSample)), ole(39876, 14, 5, 9));
        QVERIFY(!FromOleDate(0).isValid() && ToOleDate(QDateTime()) == 0);
        // Before the epoch the fraction is still the time of that day.
        QCOMPARE(ToOleDate(FromOleDate(-1.25)), -1.25);
        // Rounded to the nearest second, carrying into the next day.
        QCOMPARE(FromOleDate(40000.99999999), QDateTime(QDate(2009, 7, 7), QTime(0, 0)));
    }

    void fixedText()
    {
        // é = E9, € = 80; cut at the width, outside the code page "?".
        QCOMPARE(ToFixedText(u("Café €5"), 10), QByteArray("Caf\xE9 \x80"
                                                           "5   "));
        QCOMPARE(ToFixedText(u("日本 a\U0001F600bcdef"), 7), QByteArray("?? a?bc"));
        // Trimmed of blanks and NULs at both ends when read.
        QByteArray nuls(40, '\0');
        nuls.replace(3, 4, "ab c");
        nuls[20] = ' ';
        QCOMPARE(TrimmedSpan(nuls.constData(), 40), std::make_pair(3, 7));
        // Reading into a text another copy shares leaves that copy alone.
        QString kept = u("before"), reused = kept;
        ReadFixedText("  after   ", 10, reused);
        QCOMPARE(reused + kept, u("afterbefore"));

        // Every high byte at every place of a 16-byte step round-trips; 0x80..0x9F
        // are the code page's own, the five undefined included.
        const QString high = u("€\u0081‚ƒ„…†‡ˆ‰Š‹Œ\u008DŽ\u008F\u0090‘’“”•–—˜™š›œ\u009DžŸ");
        for (int b = 0x80; b <= 0xFF; ++b) {
            for (int at = 0; at < 19; ++at) {
                QByteArray bytes(19, 'a');
                bytes[at] = char(b);
                QString text(19, 'a');
                text[at] = b < 0xA0 ? high.at(b - 0x80) : QChar(b);
                QCOMPARE(FromWindows1252(bytes), text);
                QCOMPARE(ToWindows1252(text), bytes);
            }
        }
    }
};

QTEST_APPLESS_MAIN(TestFormats)
#include "tst_formats.moc"
