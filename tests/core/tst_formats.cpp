// Date, number and money formats and the amount and date parsers.
#include "core/common/Formats.h"

#include <QLocale>
#include <QTest>
#include <limits>

namespace
{
// 2009-03-04 (a Wednesday) 14:05:09.
constexpr double kSample = 39876.586909722224;
double ole(double day, int h, int m, int s)
{
    return day + (h * 3600 + m * 60 + s) / 86400.0;
}
} // namespace

class TestFormats : public QObject
{
    Q_OBJECT
private slots:
    void formatOleDate_data()
    {
        QTest::addColumn<double>("value");
        QTest::addColumn<QString>("pattern");
        QTest::addColumn<QString>("expected");
        auto row = [](const char *name, double v, const char *p, const char *e) {
            QTest::newRow(name) << v << QString::fromLatin1(p) << QString::fromLatin1(e);
        };
        // The patterns the program uses.
        row("date", kSample, "mm/dd/yyyy", "03/04/2009");
        row("time 24h", kSample, "hh:nn:ss", "14:05:09");
        row("control", kSample, "yyyymmddhhnnss", "20090304140509");
        row("summary", kSample, "DDDD MMMM d, yyyy", "Wednesday March 4, 2009");
        row("picker", kSample, "MMM dd, yyyy", "Mar 04, 2009");
        row("created", kSample, "mm/dd/yyyy hh:mmam/pm ", "03/04/2009 02:05pm ");
        row("legacy number as date", 123456, "yyyymmddhhnnss", "22380103000000");
        // Other tokens.
        row("single digits", ole(39507, 7, 3, 2), "m/d/yy h:n:s", "2/29/08 7:3:2");
        row("m after h", kSample, "hh:mm", "14:05");
        row("m not after h", kSample, "mm hh", "03 14");
        row("short long", kSample, "ddddd|dddddd", "3/4/2009|Wednesday, March 4, 2009");
        row("general token", kSample, "c", "3/4/2009 2:05:09 PM");
        row("a/p", kSample, "h a/p|H A/P", "2 p|2 P");
        row("year day quarter week", kSample, "y q w ww", "63 1 4 10");
        row("quoted and escaped", kSample, "\"at\" hh\\h", "at 14h");
        // Midnight and noon on the 12-hour clock.
        row("midnight", 39876, "hh:mmam/pm", "12:00am");
        row("noon", ole(39876, 12, 0, 0), "h:nn AM/PM", "12:00 PM");
        row("last minute", ole(39876, 23, 59, 0), "hh:mmam/pm", "11:59pm");
        // Leap years and year ends.
        row("leap day", 39507, "mm/dd/yyyy", "02/29/2008");
        row("1900 no leap day", 61, "mm/dd/yyyy", "03/01/1900");
        row("1900 feb 28", 60, "mm/dd/yyyy", "02/28/1900");
        row("rounds into new year", 39813.999999999, "yyyymmddhhnnss", "20090101000000");
        row("new year", 39814, "y ww", "1 1");
        row("last day week", 39813, "y ww", "366 53");
        row("before epoch", -1.25, "mm/dd/yyyy hh:nn", "12/29/1899 06:00");
        // No date.
        row("zero", 0, "mm/dd/yyyy", "");
        row("out of range", 3e6, "mm/dd/yyyy", "");
    }
    void formatOleDate()
    {
        QFETCH(double, value);
        QFETCH(QString, pattern);
        QFETCH(QString, expected);
        QCOMPARE(FormatOleDate(value, pattern), expected);
    }

    void formatDate()
    {
        const QDateTime t(QDate(2009, 3, 4), QTime(14, 5, 9, 900));
        // Milliseconds are dropped, not rounded (the clock reads whole seconds).
        QCOMPARE(FormatDate(t, "yyyymmddhhnnss"), QStringLiteral("20090304140509"));
        QCOMPARE(FormatDate(QDateTime(QDate(2004, 1, 5), QTime(0, 0)), "DDDD MMMM d, yyyy"),
                 QStringLiteral("Monday January 5, 2004"));
        QCOMPARE(FormatDate(QDateTime(QDate(2004, 1, 5), QTime(12, 0), Qt::UTC), "hh:mmam/pm"),
                 QStringLiteral("12:00pm"));
        QCOMPARE(FormatDate(QDateTime(), "mm/dd/yyyy"), QString());
        QCOMPARE(FormatDate(QDateTime(QDate(2009, 9, 6), QTime(0, 0)), "mmmm|mmm|dddd|ddd|w"),
                 QStringLiteral("September|Sep|Sunday|Sun|1"));
    }

    // Every month's and weekday's name, whole and short, and each read back.
    void monthAndDayNames()
    {
        const QStringList months{"January",   "February", "March",    "April",
                                 "May",       "June",     "July",     "August",
                                 "September", "October",  "November", "December"};
        for (int m = 1; m <= 12; ++m) {
            const QDateTime first(QDate(2010, m, 1), QTime(0, 0));
            const QString name = months.at(m - 1);
            QCOMPARE(FormatDate(first, "mmmm|mmm"), name + QLatin1Char('|') + name.left(3));
            QCOMPARE(ParseDate(name + QStringLiteral(" 1, 2010"))->date(), first.date());
            QCOMPARE(ParseDate(name.left(3).toUpper() + QStringLiteral(" 1 2010"))->date(),
                     first.date());
        }
        // 3 January 2010 was a Sunday.
        const QStringList days{"Sunday",   "Monday", "Tuesday", "Wednesday",
                               "Thursday", "Friday", "Saturday"};
        for (int d = 0; d < 7; ++d) {
            const QDate day(2010, 1, 3 + d);
            const QString name = days.at(d);
            QCOMPARE(FormatDate(QDateTime(day, QTime(0, 0)), "dddd|ddd|w"),
                     name + QLatin1Char('|') + name.left(3) + QLatin1Char('|') +
                         QString::number(d + 1));
            QCOMPARE(ParseDate(name + QStringLiteral(", 1/") + QString::number(3 + d) +
                               QStringLiteral("/2010"))
                         ->date(),
                     day);
            // Another day's name is refused.
            QVERIFY(!ParseDate(days.at((d + 1) % 7) + QStringLiteral(" 1/") +
                               QString::number(3 + d) + QStringLiteral("/2010")));
        }
    }

    void generalAndShortDate_data()
    {
        QTest::addColumn<double>("value");
        QTest::addColumn<QString>("expected");
        QTest::newRow("date and time") << kSample << "3/4/2009 2:05:09 PM";
        QTest::newRow("midnight: date alone") << 39876.0 << "3/4/2009";
        QTest::newRow("noon") << ole(39813, 12, 0, 0) << "12/31/2008 12:00:00 PM";
        QTest::newRow("after midnight") << ole(39813, 0, 0, 1) << "12/31/2008 12:00:01 AM";
        QTest::newRow("day 0: time alone") << 0.5 << "12:00:00 PM";
        QTest::newRow("zero") << 0.0 << "12:00:00 AM";
        QTest::newRow("before epoch") << -1.25 << "12/29/1899 6:00:00 AM";
        QTest::newRow("far") << 2958465.0 << "12/31/9999";
    }
    void generalAndShortDate()
    {
        QFETCH(double, value);
        QFETCH(QString, expected);
        QCOMPARE(GeneralDate(value), expected);
    }

    void shortDate()
    {
        QCOMPARE(ShortDate(QDateTime(QDate(2004, 1, 5), QTime(10, 30))),
                 QStringLiteral("1/5/2004"));
        QCOMPARE(ShortDate(QDateTime(QDate(2009, 12, 31), QTime(0, 0))),
                 QStringLiteral("12/31/2009"));
        QCOMPARE(ShortDate(QDateTime()), QString());
    }

    void formatNumber_data()
    {
        QTest::addColumn<double>("value");
        QTest::addColumn<QString>("pattern");
        QTest::addColumn<QString>("expected");
        auto row = [](const char *name, double v, const char *p, const char *e) {
            QTest::newRow(name) << v << QString::fromLatin1(p) << QString::fromLatin1(e);
        };
        row("legacy 7", 7, "00000", "00007");
        row("longer than pattern", 123456, "00000", "123456");
        row("zero filled", 0, "00000", "00000");
        row("half up", 7.5, "00000", "00008");
        row("negative filled", -7, "00000", "-00007");
        row("## zero is empty", 0, "##", "");
        row("## more", 123, "##", "123");
        row("percent zero", 0, "###%", "%");
        row("percent half away", 0.125, "###%", "13%");
        row("percent rounds to 0", 0.0049, "###%", "%");
        row("percent rounds to 1", 0.005, "###%", "1%");
        row("money negative", -1.2345, "$##,###,##0.00", "-$1.23");
        row("money decimal half", 2.675, "$##,###,##0.00", "$2.68");
        row("money negative half", -2.675, "$##,###,##0.00", "-$2.68");
        row("money beyond pattern", 123456789123.45, "$##,###,##0.00", "$123,456,789,123.45");
        row("money tiny negative keeps sign", -0.001, "$##,###,##0.00", "-$0.00");
        row("grouping carry", 999.5, "#,##0", "1,000");
        row("grouping big", 1e15, "#,##0", "1,000,000,000,000,000");
        row("optional places both", 1.25, "0.0#", "1.25");
        row("optional places none", 1, "0.0#", "1.0");
        row("only optional", 0.5, "#.##", ".5");
        row("no whole placeholder", 12.5, ".00", "12.50");
        row("percent places", 0.256, "0.0%", "25.6%");
        row("sections negative", -5, "0.00;(0.00);\"zero\"", "(5.00)");
        row("sections zero", 0, "0.00;(0.00);\"zero\"", "zero");
        row("empty negative section", -5, "0;;\"none\"", "-5");
        row("thousands scale", 1234567, "#,##0,", "1,235");
        row("escaped", 3, "\\#0", "#3");
        row("literals between digits", 123456789, "000-00-0000", "123-45-6789");
        row("tiny", 1e-20, "0.00", "0.00");
        row("15 digits", 0.1 + 0.2, "0.00000000000000000", "0.30000000000000000");
    }
    void formatNumber()
    {
        QFETCH(double, value);
        QFETCH(QString, pattern);
        QFETCH(QString, expected);
        QCOMPARE(FormatNumber(value, pattern), expected);
    }

    void formatMoney_data()
    {
        QTest::addColumn<qint64>("value");
        QTest::addColumn<QString>("expected");
        QTest::newRow("1234.50") << qint64(12345000) << "$1,234.50";
        QTest::newRow("beyond pattern") << qint64(1234567891234500) << "$123,456,789,123.45";
        QTest::newRow("half away") << qint64(12350) << "$1.24";
        QTest::newRow("negative half away") << qint64(-12350) << "-$1.24";
        QTest::newRow("carry grouping") << qint64(9999999) << "$1,000.00";
        QTest::newRow("half cent") << qint64(50) << "$0.01";
        QTest::newRow("negative rounds to zero") << qint64(-49) << "-$0.00";
        QTest::newRow("zero") << qint64(0) << "$0.00";
        QTest::newRow("under half cent") << qint64(49) << "$0.00";
        QTest::newRow("largest") << std::numeric_limits<qint64>::max() << "$922,337,203,685,477.58";
        QTest::newRow("smallest") << std::numeric_limits<qint64>::min()
                                  << "-$922,337,203,685,477.58";
    }
    void formatMoney()
    {
        QFETCH(qint64, value);
        QFETCH(QString, expected);
        QCOMPARE(FormatMoney(value), expected);
    }

    void generalNumber_data()
    {
        QTest::addColumn<double>("value");
        QTest::addColumn<QString>("expected");
        QTest::newRow("1234.5") << 1234.5 << "1234.5";
        QTest::newRow("negative") << -3.0 << "-3";
        QTest::newRow("zero") << 0.0 << "0";
        QTest::newRow("negative zero") << -0.0 << "0";
        QTest::newRow("15 digits") << 123456789012345.0 << "123456789012345";
        QTest::newRow("1E+15") << 1e15 << "1E+15";
        QTest::newRow("1.5E+20") << 1.5e20 << "1.5E+20";
        QTest::newRow("binary noise") << 0.1 + 0.2 << "0.3";
        QTest::newRow("third") << 1.0 / 3 << "0.333333333333333";
        QTest::newRow("1E-05") << 0.00001 << "1E-05";
        QTest::newRow("-2.5E-07") << -2.5e-7 << "-2.5E-07";
    }
    void generalNumber()
    {
        QFETCH(double, value);
        QFETCH(QString, expected);
        QCOMPARE(GeneralNumber(value), expected);
    }

    void generalMoney()
    {
        QCOMPARE(GeneralMoney(12345000), QStringLiteral("1234.5"));
        QCOMPARE(GeneralMoney(0), QStringLiteral("0"));
        QCOMPARE(GeneralMoney(-1), QStringLiteral("-0.0001"));
        QCOMPARE(GeneralMoney(1234567891234500), QStringLiteral("123456789123.45"));
        QCOMPARE(GeneralMoney(std::numeric_limits<qint64>::max()),
                 QStringLiteral("922337203685477.5807"));
        QCOMPARE(GeneralMoney(std::numeric_limits<qint64>::min()),
                 QStringLiteral("-922337203685477.5808"));
    }

    void parseAmount_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("ok");
        QTest::addColumn<qint64>("value");
        auto good = [](const char *t, qint64 v) {
            QTest::newRow(t) << QString::fromLatin1(t) << true << v;
        };
        auto bad = [](const char *name, const QString &t) {
            QTest::newRow(name) << t << false << qint64(0);
        };
        good("1,234.50", 12345000);
        good("-5", -50000);
        good("(5)", -50000);
        good("($1,234.50)", -12345000);
        good(" 12 ", 120000);
        good("$-5", -50000);
        good("$ 12", 120000);
        good(".5", 5000);
        good("007", 70000);
        good("1,234,567", 12345670000);
        good("0.00005", 1);
        good("0.0000499", 0);
        good("1.99995", 20000);
        good("922337203685477.5807", std::numeric_limits<qint64>::max());
        good("-922,337,203,685,477.5807", -std::numeric_limits<qint64>::max());
        bad("blank", "   ");
        bad("two points", "1.2.3");
        bad("trailing letters", "12abc");
        bad("sign alone", "-");
        bad("decimal comma", "12,34");
        bad("group of four", "1,2345");
        bad("short last group", "1,234,5");
        bad("comma in fraction", "1.234,5");
        bad("two signs", "--5");
        bad("sign in parentheses", "(-5)");
        bad("two dollars", "$$5");
        bad("exponent", "1e3");
        bad("inner blank", "1 234");
        bad("arabic digits", QString::fromUtf8("\u0661\u0662"));
        bad("just beyond", "922337203685477.5808");
        bad("rounds beyond", "922337203685477.58075");
        bad("far beyond", "1000000000000000");
    }
    void parseAmount()
    {
        QFETCH(QString, text);
        QFETCH(bool, ok);
        QFETCH(qint64, value);
        const std::optional<qint64> result = ParseAmount(text);
        QCOMPARE(result.has_value(), ok);
        if (ok)
            QCOMPARE(*result, value);
    }

    void parseDate_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QDate>("date");
        QTest::addColumn<QTime>("time");
        auto good = [](const char *t, QDate d, QTime tm = QTime(0, 0)) {
            QTest::newRow(t) << QString::fromLatin1(t) << d << tm;
        };
        auto bad = [](const char *t) {
            QTest::newRow(t) << QString::fromLatin1(t) << QDate() << QTime();
        };
        const QDate jan5(2004, 1, 5);
        good("1/5/2004", jan5);
        good("2004-01-05", jan5);
        good("1.5.2004", jan5);
        good("Jan 5, 2004", jan5);
        good("5-Jan-2004", jan5);
        good("Jan5,2004", jan5);
        good("JAN. 5, 2004", jan5);
        good("Monday, January 5, 2004", jan5);
        good("  1/5/2004  ", jan5);
        good("1/5/04", jan5);
        good("1/5/00", QDate(2000, 1, 5));
        good("1/5/29", QDate(2029, 1, 5));
        good("1/5/30", QDate(1930, 1, 5));
        good("Sept 1, 09", QDate(2009, 9, 1));
        good("2/29/2008", QDate(2008, 2, 29));
        good("1/1/100", QDate(100, 1, 1));
        good("12/31/9999", QDate(9999, 12, 31));
        good("3/4/2009 14:05:09", QDate(2009, 3, 4), QTime(14, 5, 9));
        good("3/4/2009 2:05:09 pm", QDate(2009, 3, 4), QTime(14, 5, 9));
        good("3/4/2009 2:05PM", QDate(2009, 3, 4), QTime(14, 5));
        good("3/4/2009 2 PM", QDate(2009, 3, 4), QTime(14, 0));
        good("3/4/2009 9:15 a", QDate(2009, 3, 4), QTime(9, 15));
        good("3/4/2009 12:00 AM", QDate(2009, 3, 4), QTime(0, 0));
        good("3/4/2009 12:30am", QDate(2009, 3, 4), QTime(0, 30));
        good("3/4/2009 23:59:59", QDate(2009, 3, 4), QTime(23, 59, 59));
        good("Mar 4, 2009 2:05 PM", QDate(2009, 3, 4), QTime(14, 5));
        bad("   ");
        bad("2/30/2009");
        bad("0/1/2009");
        bad("2/29/2009");
        bad("2/29/1900");
        bad("3/4/2009x");
        bad("3/4/2009 2:05 PM extra");
        bad("3/4");
        bad("14:05");
        bad("3/4/2009 25:00");
        bad("3/4/2009 13:00 PM");
        bad("3/4/2009 0:30 AM");
        bad("3/4/2009 2");
        bad("1/1/99999");
        bad("1/1/0099");
        bad("3/4-2009");
        bad("Ja 4, 2009");
        bad("Thursday, March 4, 2009");
        bad("1/5/2004 @");
    }
    void parseDate()
    {
        QFETCH(QString, text);
        QFETCH(QDate, date);
        QFETCH(QTime, time);
        const std::optional<QDateTime> result = ParseDate(text);
        QCOMPARE(result.has_value(), date.isValid());
        if (result) {
            QCOMPARE(result->date(), date);
            QCOMPARE(result->time(), time);
            QCOMPARE(result->timeSpec(), Qt::LocalTime);
        }
    }

    // What a person typed is stored and shown again unchanged.
    void parsedValuesFormatBack()
    {
        const std::optional<qint64> amount = ParseAmount("$1,234.50");
        QVERIFY(amount);
        QCOMPARE(FormatMoney(*amount), QStringLiteral("$1,234.50"));
        QCOMPARE(GeneralNumber(double(*amount) / MoneyScale), QStringLiteral("1234.5"));
        QCOMPARE(GeneralMoney(*amount), QStringLiteral("1234.5"));
        const std::optional<QDateTime> when = ParseDate("3/4/2009 2:05:09 PM");
        QVERIFY(when);
        QCOMPARE(FormatOleDate(ToOleDate(*when), "yyyymmddhhnnss"),
                 QStringLiteral("20090304140509"));
    }

    // A German default locale changes nothing: names, separators and the
    // decimal point stay US English.
    void independentOfLocale()
    {
        const QLocale previous;
        QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
        QCOMPARE(FormatMoney(12345000), QStringLiteral("$1,234.50"));
        QCOMPARE(FormatNumber(1234567.891, "#,##0.00"), QStringLiteral("1,234,567.89"));
        QCOMPARE(GeneralNumber(1234.5), QStringLiteral("1234.5"));
        QCOMPARE(GeneralNumber(1.5e20), QStringLiteral("1.5E+20"));
        QCOMPARE(FormatOleDate(kSample, "DDDD MMMM d, yyyy hh:nn:ss"),
                 QStringLiteral("Wednesday March 4, 2009 14:05:09"));
        QCOMPARE(FormatOleDate(kSample, "MMM dd, yyyy h:mmAM/PM"),
                 QStringLiteral("Mar 04, 2009 2:05PM"));
        QCOMPARE(GeneralDate(kSample), QStringLiteral("3/4/2009 2:05:09 PM"));
        QCOMPARE(ParseAmount("1,234.50"), std::optional<qint64>(12345000));
        QVERIFY(!ParseAmount("1.234,50"));
        const std::optional<QDateTime> d = ParseDate("March 4, 2009");
        QVERIFY(d);
        QCOMPARE(d->date(), QDate(2009, 3, 4));
        QVERIFY(!ParseDate(QString::fromUtf8("4. März 2009")));
        QLocale::setDefault(previous);
    }
};

QTEST_APPLESS_MAIN(TestFormats)
#include "tst_formats.moc"
