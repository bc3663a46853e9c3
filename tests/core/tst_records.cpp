// Formats and parsers, Windows-1252 fields, the entry and user records' bytes,
// passwords, the entry card's rules; the command line, the message box layout,
// settings and the clean-up at exit.
#include "EntryTexts.h"
#include "TestBytes.h"
#include "TestFolder.h"
#include "core/common/FolderLock.h"
#include "core/common/Formats.h"
#include "core/common/MsgBox.h"
#include "core/common/Settings.h"
#include "core/common/Startup.h"
#include "core/entries/EntryRecord.h"
#include "core/rules/EntryCard.h"
#include "core/users/UserRecord.h"

#include <QLocale>
#include <QRegularExpression>
#include <QSet>
#include <QSettings>
#include <QTemporaryDir>
#include <QtTest>
#include <functional>
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

QStringList card(const QList<QPair<int, QString>> &changes = {})
{
    QStringList t(CardField::Count);
    t[CardField::CaseNumber] = "09-001234";
    t[CardField::Category] = "Electronics";
    t[CardField::Description] = "Black laptop computer";
    t[CardField::ReceivedDate] = "03/04/2009";
    for (const auto &c : changes)
        t[c.first] = c.second;
    return t;
}

QString shape(const MsgBoxLayout &l)
{
    QStringList lefts;
    for (double x : l.buttonLeft)
        lefts << QString::number(x);
    return QString("%1x%2 label %3x%4%5 buttons %6 at %7 band %8 %9x%10 check %11%12")
        .arg(l.windowWidth)
        .arg(l.windowHeight)
        .arg(l.labelWidth)
        .arg(l.labelHeight)
        .arg(l.wordWrap ? " wrapped" : "")
        .arg(l.buttonTop)
        .arg(lefts.join(','))
        .arg(l.bandTop)
        .arg(l.bandWidth)
        .arg(l.bandHeight)
        .arg(l.checkTop)
        .arg(l.fits ? "" : " too big");
}

} // namespace

class TestRecords : public QObject
{
    Q_OBJECT
private slots:
    // Every fixed format the program shows, logs or stores, with its edges:
    // midnight, noon, single digits, the first and last years, zero,
    // negatives, halves (rounded away from zero) and thousands.
    void fixedFormats_data()
    {
        QTest::addColumn<QString>("format");
        QTest::addColumn<QVariant>("value");
        QTest::addColumn<QString>("expected");
        const double year100 = -657434, year9999 = 2958465; // 1/1/100, 12/31/9999
        const double noon = 39876.5, lastSecond = ole(39876, 23, 59, 59);
        // clang-format off
        const struct { const char *format; QVariant value; const char *expected; } rows[] = {
            {"date", kSample, "03/04/2009"}, {"date", ole(38000, 0, 0, 0), "01/14/2004"},
            {"date", year100, "01/01/0100"}, {"date", year9999, "12/31/9999"}, {"date", 0.0, ""},
            {"oleDate", kSample, "03/04/2009"}, {"oleDate", -1.25, "12/29/1899"},
            {"oleDate", year100, "01/01/0100"}, {"oleDate", -700000.0, "06/18/-0018"},
            {"oleDate", 0.0, ""}, {"oleDate", 3e6, ""},
            {"time", kSample, "14:05:09"}, {"time", 39876.0 + 1e-9, "00:00:00"},
            {"time", noon, "12:00:00"}, {"time", lastSecond, "23:59:59"},
            {"stamp", kSample, "20090304140509"}, {"stamp", 39813.999999999, "20090101000000"},
            {"stamp", year100 - 0.5, "01000101120000"}, {"stamp", 0.0, ""},
            {"shortStamp", ole(38000, 7, 3, 2), "0114070302"},
            {"longDate", kSample, "Wednesday March 4, 2009"},
            {"longDate", 38000.0, "Wednesday January 14, 2004"},
            {"longDate", ole(37991, 0, 0, 0), "Monday January 5, 2004"},
            {"weekday", 37991.0, "Monday"}, {"weekday", year9999, "Friday"},
            {"dateTime", kSample, "03/04/2009 02:05pm"}, {"dateTime", 39876.0, "03/04/2009 12:00am"},
            {"dateTime", noon, "03/04/2009 12:00pm"}, {"dateTime", lastSecond, "03/04/2009 11:59pm"},
            {"dateTime", 0.0, ""},
            {"general", kSample, "3/4/2009 2:05:09 PM"}, {"general", 39876.0, "3/4/2009"},
            {"general", noon - 39876, "12:00:00 PM"}, {"general", 0.0, "12:00:00 AM"},
            {"general", -1.25, "12/29/1899 6:00:00 AM"}, {"general", year9999, "12/31/9999"},
            {"general", year100 - 0.75, "1/1/0100 6:00:00 PM"},
            {"legacy", 0.0, "00000"}, {"legacy", 7.5, "00008"}, {"legacy", -7.0, "-00007"},
            {"legacy", 123456.0, "123456"}, {"legacy", 2.5, "00003"}, {"legacy", -0.4, "-00000"},
            {"legacy", 0.49999999999999994, "00001"}, {"legacy", -2.5e17, "-250000000000000000"},
            {"percent", 0.125, "13%"}, {"percent", 0.0049, "%"}, {"percent", 0.01, "1%"},
            {"percent", 1.0, "100%"}, {"percent", 0.285, "29%"}, {"percent", 0.005, "1%"},
            {"percent", 12.345, "1235%"}, {"percent", -0.001, "-%"},
            {"count", 0.0, "0"}, {"count", 999.0, "999"}, {"count", 1000.0, "1,000"},
            {"count", 1234567.0, "1,234,567"}, {"count", -5000.0, "-5,000"},
            {"number", 1024.0, "1024"}, {"number", 0.0, "0"}, {"number", -0.0, "0"},
            {"number", 1e15, "1E+15"}, {"number", 123456789012345.0, "123456789012345"},
            {"number", 0.1 + 0.2, "0.3"}, {"number", -2.5e-7, "-2.5E-07"},
            {"number", 1234.5, "1234.5"}, {"number", 1.5e300, "1.5E+300"},
            {"money", qint64(1234567891234500), "$123,456,789,123.45"},
            {"money", qint64(-12350), "-$1.24"}, {"money", qint64(9999999), "$1,000.00"},
            {"money", qint64(50), "$0.01"}, {"money", qint64(49), "$0.00"},
            {"money", qint64(0), "$0.00"}, {"money", qint64(-1), "-$0.00"},
            {"money", kMin, "-$922,337,203,685,477.58"},
            {"generalMoney", qint64(12345000), "1234.5"}, {"generalMoney", qint64(0), "0"},
            {"generalMoney", qint64(-1), "-0.0001"}, {"generalMoney", kMax, "922337203685477.5807"},
            {"generalMoney", kMin, "-922337203685477.5808"},
            {"control", 32999.0, "32999"}, {"control", 33000.0, "19900507000000"},
            {"control", 7.0, "00007"}, {"control", kSample, "20090304140509"},
            {"controlStamp", 7.0, "19000106000000"}, {"controlStamp", 0.0, ""},
            {"controlStamp", kSample, "20090304140509"}, {"controlStamp", year9999, "99991231000000"},
            {"controlStamp", -700000.0, "-00180618000000"}};
        // clang-format on
        for (const auto &r : rows)
            QTest::addRow("%s %s", r.format, r.expected) << u(r.format) << r.value << u(r.expected);
    }
    void fixedFormats()
    {
        QFETCH(QString, format);
        QFETCH(QVariant, value);
        const double v = value.toDouble();
        const QDateTime dt = FromOleDate(v);
        const QHash<QString, std::function<QString()>> formats = {
            {"date", [&] { return DateText(dt); }},
            {"oleDate", [&] { return OleDateText(v); }},
            {"time", [&] { return TimeText(dt); }},
            {"stamp", [&] { return StampText(dt); }},
            {"shortStamp", [&] { return ShortStampText(dt); }},
            {"longDate", [&] { return LongDateText(dt); }},
            {"weekday", [&] { return WeekdayText(dt); }},
            {"dateTime", [&] { return OleDateTimeText(v); }},
            {"general", [&] { return GeneralDate(v); }},
            {"legacy", [&] { return LegacyNumberText(v); }},
            {"percent", [&] { return PercentText(v); }},
            {"count", [&] { return CountText(qint64(v)); }},
            {"number", [&] { return GeneralNumber(v); }},
            {"money", [&] { return FormatMoney(value.toLongLong()); }},
            {"generalMoney", [&] { return GeneralMoney(value.toLongLong()); }},
            {"control", [&] { return ControlNumberText(v); }},
            {"controlStamp", [&] { return ControlNumberStamp(v); }}};
        QVERIFY(formats.contains(format));
        QTEST(formats.value(format)(), "expected");
    }

    // Milliseconds are dropped, not rounded (the clock reads whole seconds);
    // names, separators and the decimal point stay US English in any locale.
    void formatsIndependentOfLocale()
    {
        QCOMPARE(StampText(QDateTime(QDate(2009, 3, 4), QTime(14, 5, 9, 900))),
                 u("20090304140509"));
        const QLocale previous;
        QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
        const QDateTime parsed = *ParseDate("March 4, 2009 2:05:09 PM");
        QCOMPARE(FormatMoney(*ParseAmount("$1,234.50")) + ' ' + CountText(1234567) + ' ' +
                     GeneralNumber(1.5e20) + ' ' + PercentText(0.5),
                 u("$1,234.50 1,234,567 1.5E+20 50%"));
        QCOMPARE(LongDateText(parsed) + ' ' + GeneralDate(ToOleDate(parsed)),
                 u("Wednesday March 4, 2009 3/4/2009 2:05:09 PM"));
        QVERIFY(!ParseAmount("1.234,50") && !ParseDate(u("4. März 2009")));
        QLocale::setDefault(previous);
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
            {"1/1/100", "0100-01-01 00:00:00"}, {"3/4/2009 12:30am", "2009-03-04 00:30:00"},
            {"Monday, January 5, 2004 2:05:09 pm", "2004-01-05 14:05:09"}};
        // clang-format on
        for (const auto &[text, expected] : good) {
            const std::optional<QDateTime> result = ParseDate(u(text));
            QVERIFY2(result && result->timeSpec() == Qt::LocalTime, text);
            QCOMPARE(result->toString("yyyy-MM-dd hh:mm:ss"), u(expected));
        }
        for (const char *text : {"   ", "2/30/2009", "2/29/1900", "3/4/2009 2:05 PM extra", "3/4",
                                 "14:05", "3/4/2009 13:00 PM", "3/4/2009 0:30 AM", "1/1/0099",
                                 "3/4-2009", "Ja 4, 2009", "Thursday, March 4, 2009"})
            QVERIFY2(!ParseDate(u(text)), text);
    }

    void fixedText()
    {
        // é = E9, € = 80; cut at the width, outside the code page "?".
        QCOMPARE(ToFixedText(u("Café €5"), 10), QByteArray("Caf\xE9 \x80"
                                                           "5   "));
        QCOMPARE(ToFixedText(u("日本 a\U0001F600bcdef"), 7), QByteArray("?? a?bc"));
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

    void entryRecordBytes()
    {
        EntryRecord e = EntryWithTexts(QString::fromUtf8(
            "0123456789ABCDEFGHIJ|Bin 4|Electronics|Sony|X-1|SN9|black camera|José Müller – 5€ "
            "✓|Ofc. Smith  |Owner|J. Roe||Lab\r\n1/2/2009"));
        e.Narrative = QString(2000, 'x'); // into 1921, as the case number's 20 into 15
        e.Reserved2 = "kept";
        e.VersionStamp = -3;
        e.ControlNumber = 39876.5;
        e.Value = -1234567; // -$123.4567
        e.ReceivedDate = 39875.25;
        e.ReleasedDate = 40000.0;
        e.Status = 2;

        const QByteArray expected =
            le16(-3) + doubleBytes(39876.5) + "0123456789ABCDE" + padded("Bin 4", 50) +
            padded("Electronics", 20) + padded("Sony", 20) + padded("X-1", 20) + padded("SN9", 20) +
            padded("black camera", 60) + le64(-1234567) +
            padded("Jos\xE9 M\xFCller \x96 5\x80 ?", 100) + padded("Ofc. Smith  ", 70) +
            doubleBytes(39875.25) + padded("Owner", 70) + doubleBytes(40000.0) +
            padded("J. Roe", 50) + QByteArray(150, ' ') + padded("kept", 150) +
            QByteArray(150, ' ') + QByteArray(1921, 'x') + padded("Lab\r\n1/2/2009", 2099) +
            char(2);
        QCOMPARE(e.Pack().toHex(' '), expected.toHex(' '));

        const EntryRecord back = EntryRecord::Unpack(expected);
        QCOMPARE(back.Pack().toHex(' '), expected.toHex(' '));
        QVERIFY(back.ReceivedFrom == "Ofc. Smith" && back.isArchived());
        // Numbers zero, text blanks, status 0 (active, as any but 2).
        QByteArray blank(5000, ' ');
        for (int at : {0, 2, 215, 393, 471})
            blank.replace(at, at == 0 ? 2 : 8, QByteArray(at == 0 ? 2 : 8, '\0'));
        blank[4999] = 0;
        QCOMPARE(EntryRecord().Pack(), blank);
        blank[4999] = 7;
        QVERIFY(!EntryRecord::Unpack(blank).isArchived());

        // Bytes as an older release wrote them, with NULs as padding.
        QByteArray rec(5000, '\0');
        std::memcpy(rec.data() + 155, "\x93quoted\x94", 8);
        QCOMPARE(EntryRecord::Unpack(rec).Description, QString::fromUtf8("“quoted”"));
        // A record cut by the file's end: the rest reads as blanks and zeros.
        rec = entryBytes("CASE-9", 40000.5, 2);
        const QByteArray narrative = "Narrative that the end of the file cuts off here";
        rec.replace(979, narrative.size(), narrative);
        const EntryRecord cut = EntryRecord::Unpack(rec.constData(), 1000);
        QCOMPARE(cut.ControlNumber, 40000.5);
        QCOMPARE(cut.CaseNumber + '|' + cut.Narrative,
                 "CASE-9|Narrative that the en"); // to byte 999
        QVERIFY(cut.Status == 0 && cut.Pack().size() == 5000);
        QCOMPARE(EntryRecord::Unpack(rec.constData(), 5).CaseNumber, QString());

        // Legacy sequence numbers below 33000; OLE dates from there on.
        QCOMPARE(ControlNumberText(32999) + ' ' + ControlNumberText(33000),
                 QStringLiteral("32999 19900507000000"));
    }

    void userBytesAndPasswordRule()
    {
        UserRecord u;
        u.DateCreated = 46360.9375; // 12/04/2026 22:30
        u.FirstName = QStringLiteral("Ren\u00e9e");
        u.LastName = QStringLiteral("O'Neil-Vasquez-Smithers"); // 23 characters, cut at 20
        u.Password = QStringLiteral("x1Ya2Zb3");
        u.AccessLevel = -2;
        u.Comments = QStringLiteral("Night shift \u20ac \u03a9") + QString(500, 'c');
        const QByteArray expected =
            QByteArray::fromHex("000000001ea3e640") + padded(QByteArray("Ren\xe9") + 'e', 15) +
            "O'Neil-Vasquez-Smith" + padded("x1Ya2Zb3", 16) + QByteArray::fromHex("feff") +
            "Night shift \x80 ?" + QByteArray(439 - 15, 'c');
        QCOMPARE(u.Pack().toHex(' '), expected.toHex(' '));

        const UserRecord back = UserRecord::Unpack(
            userBytes(45000.5, "  Ann", "Smith", "q4R7", 3, "Line one\r\nline two \xe9"));
        QCOMPARE(back.DateCreated, 45000.5);
        QCOMPARE(back.DisplayName() + '|' + back.SortKey() + '|' + back.Password + '|' +
                     back.Comments,
                 QString::fromUtf8("Ann Smith|Smith Ann|q4R7|Line one\r\nline two é"));
        QVERIFY(back.AccessLevel == 3 && !back.isKilled());
        QVERIFY(UserRecord::Unpack(userBytes(0, " $Killed$", "", "", 0)).isKilled());

        // Four to eight letters and digits; blanks around are taken off.
        for (const char *p : {"abcd", "Ab3dEf7H", "   zZ09   "})
            QVERIFY2(IsValidPassword(p), p);
        for (const char *p :
             {"    ", "abc", "abcdefghi", "ab cd", "ab/cd", "abc_d", "café", "ab:d", "\tabcd"})
            QVERIFY2(!IsValidPassword(QString::fromUtf8(p)), p);
    }

    // A new filler of [0-9A-Za-z] before each character; typed text compared exactly.
    void storedPassword()
    {
        QSet<QString> forms;
        for (int i = 0; i < 20; ++i) {
            const QString stored = ScramblePassword(QStringLiteral("  Pa55word "));
            QVERIFY2(QRegularExpression("^[0-9A-Za-z]P[0-9A-Za-z]a[0-9A-Za-z]5[0-9A-Za-z]5"
                                        "[0-9A-Za-z]w[0-9A-Za-z]o[0-9A-Za-z]r[0-9A-Za-z]d$")
                         .match(stored)
                         .hasMatch(),
                     qPrintable(stored));
            forms.insert(stored);
        }
        QCOMPARE(forms.size(), 20);
        QCOMPARE(UnscramblePassword(*forms.begin()), QStringLiteral("Pa55word"));
        UserRecord u;
        u.Password = QStringLiteral("9aXbYcZd"); // the password "abcd"
        for (const char *wrong : {"abcD", "abcd ", "abc", "9aXbYcZd"})
            QVERIFY2(!PasswordMatches(u, QString::fromLatin1(wrong)), wrong);
        QVERIFY(PasswordMatches(u, "abcd") && !PasswordMatches(UserRecord(), QString()));
    }

    void fieldLimitsAndCheck()
    {
        // A text field's limit is its width in the record: nothing typed is cut.
        QStringList limits;
        for (int f = CardField::CaseNumber; f <= CardField::ChainOfCustody; ++f)
            if (f != CardField::Value && f != CardField::ReceivedDate &&
                f != CardField::ReleasedDate)
                limits << QString::number(CardFieldAt(f).maxLength);
        QCOMPARE(limits.join(','), u("15,50,20,20,20,20,60,100,70,70,50,1921,2099"));
        QCOMPARE(RequiredCardFields(), QVector<int>({1, 3, 7, 11}));

        CardCheck c = CheckGoodData(card({{CardField::Value, ""},
                                          {CardField::ReceivedDate, "3/4/2009 2:05:09 PM"},
                                          {CardField::ReleasedDate, "   "}}));
        QVERIFY(c.ok && c.clearReleasedDate && c.messages.isEmpty() && c.focusField() == -1);
        c = CheckGoodData(card({{CardField::Value, "12,34"},
                                {CardField::ReceivedDate, "2/30/2009"},
                                {CardField::ReleasedDate, "13/45/2009"}}));
        QVERIFY(!c.ok);
        QCOMPARE(c.messages, QStringList({"I don't understand the 'Value' entry",
                                          "I don't understand the\r\n'Received Date' entry",
                                          "I don't understand the\r\n'Released Date' entry"}));
        QCOMPARE(c.focusField(), int(CardField::ReleasedDate));
        // The deletion marker is no case number, on one line or not.
        c = CheckGoodData(card({{CardField::CaseNumber, " $Killed$\r\n"}}));
        QCOMPARE(c.messages, QStringList({"'$Killed$' can not be used as a 'Case Number':\r\n"
                                          "it marks an entry while it is being deleted."}));
    }

    void fillingTheRecordExactBytes()
    {
        // In card order; the control number is never taken; ☃ is no cp1252.
        // clang-format off
        QStringList t = {"20260517093000", "  09-001234  ", " Bin 4, shelf 2 ", "Electronics",
                         "Dell", "Latitude D620", "SN-0042", "Caf\u00e9 laptop \u2603",
                         "$1,234.50", "John Q. Public, 12 Main St", "Officer Smith",
                         "3/4/2009 2:05:09 PM", "", "1/5/2010", "Doe", QString(2000, 'n'),
                         "line one\r\nline two"};
        // clang-format on
        EntryRecord e;
        e.VersionStamp = 61;
        e.ControlNumber = 38000.5;
        e.Reserved1 = "keep one";
        e.Reserved3 = "keep three";
        e.Status = 2;
        FillEntryFromCard(e, t);
        const QByteArray expected =
            QByteArray("\x3d\x00", 2) + doubleBytes(38000.5) + padded("09-001234", 15) +
            padded("Bin 4, shelf 2", 50) + padded("Electronics", 20) + padded("Dell", 20) +
            padded("Latitude D620", 20) + padded("SN-0042", 20) + padded("Caf\xe9 laptop ?", 60) +
            le64(12345000) + padded("John Q. Public, 12 Main St", 100) +
            padded("Officer Smith", 70) + doubleBytes(ole(39876, 14, 5, 9)) + padded("", 70) +
            doubleBytes(40183.0) + padded("Doe", 50) + padded("keep one", 150) + padded("", 150) +
            padded("keep three", 150) + QByteArray(1921, 'n') +
            padded("line one\r\nline two", 2099) + char(2);
        QCOMPARE(e.Pack(), expected);
        t[CardField::Value] = "";
        t[CardField::ReleasedDate] = "  ";
        FillEntryFromCard(e, t);
        QCOMPARE(e.Pack().mid(215, 8) + e.Pack().mid(471, 8), QByteArray(16, '\0'));
    }

    void textsAnEntryShows()
    {
        EntryRecord e;
        e.ControlNumber = ole(39876, 14, 5, 9);
        e.CaseNumber = "  09-1  ";
        e.Value = 12345000;
        e.ReceivedDate = 39876.0;
        e.Narrative = "first\r\nsecond  ";
        QStringList t = CardTextsFromEntry(e);
        QCOMPARE(QStringList({t[0], t[1], t[CardField::Value], t[CardField::ReceivedDate],
                              t[CardField::Narrative]}),
                 QStringList({"20090304140509", "09-1", "1234.5", "3/4/2009", "first\r\nsecond"}));
        e.Value = 0;
        e.ReceivedDate = e.ControlNumber;
        e.ReleasedDate = -5;  // not a date of this century: shown empty
        e.ControlNumber = 17; // a legacy sequence number, as the date it denotes
        t = CardTextsFromEntry(e);
        QCOMPARE(QStringList({t[0], t[CardField::Value], t[CardField::ReceivedDate],
                              t[CardField::ReleasedDate]}),
                 QStringList({"19000116000000", "0", "3/4/2009 2:05:09 PM", ""}));
        QCOMPARE(CardShownText("a\r\nb\rc\nd") + CardRecordText("a\nb"), "a\nb\nc\nda\r\nb");
        // The indicator: at least 1% from the first character, then whole percents rounded.
        QStringList captions;
        for (int count : {0, 1, 29, 961, 1921})
            captions << FillIndicatorCaption(count, 1921);
        QCOMPARE(captions,
                 QStringList({"", " 1% full ", " 2% full ", " 50% full ", " 100% full "}));
        QCOMPARE(TodayText(QDateTime(QDate(2026, 5, 7), QTime(9, 30))), "05/07/2026");
    }

    void commandLine()
    {
        QTemporaryDir dir;
        const QString config = dir.filePath("custorin.conf");
        const auto dataDir = [&](const QStringList &args, const QString &base) {
            const StartOptions o = ParseCommandLine(args, base, config);
            return o.error.isEmpty() ? o.dataDir : "error: " + o.error;
        };
        QCOMPARE(dataDir({}, "/home/pat"), QStringLiteral("/home/pat")); // no settings file
        QCOMPARE(dataDir({"--data-dir=/mnt/share/"}, "/srv"), QStringLiteral("/mnt/share"));
        QCOMPARE(dataDir({"--data-dir="}, "/"), QStringLiteral("error: --data-dir needs a folder"));
        writeFile(config, "DataDir=/srv/evidence\n");
        QCOMPARE(dataDir({}, "/work/here"), QStringLiteral("/srv/evidence"));
        QCOMPARE(dataDir({"--data-dir", "mine"}, "/work/here"), QStringLiteral("/work/here/mine"));
    }

    // Every option and every fault, as what the program makes of the line.
    void commandLineOptions_data()
    {
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<QString>("expected");
        const QString keepWhole = "error: --keep needs a whole number of at least 1, not ";
        // clang-format off
        const QList<QPair<QStringList, QString>> rows = {
            {{}, "/base"}, {{"--data-dir", "d", "--data-dir", "e"}, "/base/e"},
            {{"--data-dir", "--check"}, "/base/--check"},
            {{"--data-dir"}, "error: --data-dir needs a folder"},
            {{"--data-dir", ""}, "error: --data-dir needs a folder"},
            {{"--set-agency", "Troop C", "--set-access-code"}, "/base agency=Troop C code"},
            {{"--set-agency", ""}, "/base agency="},
            {{"--set-agency"}, "error: --set-agency needs the agency's name"},
            {{"--set-access-code=12345"}, "error: --set-access-code takes no value: type the "
                                          "access code on standard input"},
            {{"--backup", "t/", "--keep", "3"}, "/base backup=/base/t keep=3"},
            {{"--backup=/b", "--keep=1"}, "/base backup=/b keep=1"},
            {{"--backup"}, "error: --backup needs the folder that receives the backups"},
            {{"--backup="}, "error: --backup needs the folder that receives the backups"},
            {{"--keep"}, "error: --keep needs the number of backups to keep"},
            {{"--keep=0"}, keepWhole + "'0'"}, {{"--keep", "+3"}, keepWhole + "'+3'"},
            {{"--keep", "x", "--keep", "0"}, keepWhole + "'x'"},
            {{"--check", "--keep", "2"}, "/base keep=2 check"},
            {{"--labels", "out.pdf", "--template", "Avery 5160", "--start", "-4", "--case",
              " 09-1 ", "--all", "--active", "--qr"},
             "/base labels=/base/out.pdf template=Avery 5160 start=-4 case=09-1 all active qr"},
            {{"--label-templates"}, "/base templates"},
            {{"--labels"}, "error: --labels needs a value"},
            {{"--template", ""}, "error: --template needs a value"},
            {{"--case"}, "error: --case needs a value"},
            {{"--start", "x"}, "error: --start needs a label position, not 'x'"},
            {{"--start", "+2"}, "error: --start needs a label position, not '+2'"},
            {{"--labels=out.pdf"}, "error: unknown option: --labels=out.pdf"},
            {{"-h"}, "/base help"}, {{"--help", "--colour"}, "error: unknown option: --colour help"},
            {{"--all=yes"}, "error: unknown option: --all=yes"},
            {{"-x"}, "error: unknown option: -x"}, {{"-check"}, "error: unknown option: -check"},
            {{"--colour=red"}, "error: unknown option: --colour=red"}, {{"stray"}, "error: unknown option: stray"},
            {{"--", "--check"}, "error: unknown option: --"},
            {{"--keep", "0", "--colour"}, keepWhole + "'0'"}};
        // clang-format on
        for (const auto &[args, expected] : rows)
            QTest::addRow("%s", qPrintable(args.join(' '))) << args << expected;
    }
    void commandLineOptions()
    {
        QFETCH(QStringList, args);
        const StartOptions o = ParseCommandLine(args, "/base", "/nonexistent/custorin.conf");
        QStringList seen{o.error.isEmpty() ? o.dataDir : "error: " + o.error};
        // What a faulty line sets besides the fault is never used.
        const auto add = [&](bool on, const QString &text) {
            if (on && o.error.isEmpty())
                seen << text;
        };
        add(o.setAgency, "agency=" + o.agencyName);
        add(o.setAccessCode, "code");
        add(o.backup, "backup=" + o.backupTarget);
        add(o.keep != 0, "keep=" + QString::number(o.keep));
        add(o.check, "check");
        add(!o.labelsFile.isEmpty(), "labels=" + o.labelsFile);
        add(!o.labelTemplate.isEmpty(), "template=" + o.labelTemplate);
        add(o.labelStart != 1, "start=" + QString::number(o.labelStart));
        add(!o.labelCase.isEmpty(), "case=" + o.labelCase);
        add(o.labelAll, "all");
        add(o.labelActive, "active");
        add(o.labelQrCode, "qr");
        add(o.listLabelTemplates, "templates");
        if (o.help)
            seen << "help";
        QTEST(seen.join(' '), "expected");
    }

    void configuredDataDir()
    {
        QTemporaryDir dir;
        const QString config = dir.filePath(QStringLiteral("custorin.conf"));
        const QList<QPair<QByteArray, QString>> rows{
            {"  DataDir =  /srv/evidence/  \r\n", "/srv/evidence"},
            {"# shared folder\n; old: /mnt/x\n[General]\nOther=1\nDataDir=/mnt/ev\n", "/mnt/ev"},
            {"DataDir=\"/srv/room 2, shelf A\"\n", "/srv/room 2, shelf A"},
            {"DataDir=evidence/../data\n", "@/data"},
            {"#DataDir=/srv/evidence\n", ""}};
        for (const auto &row : rows) {
            writeFile(config, row.first);
            QCOMPARE(ConfiguredDataDir(config), QString(row.second).replace('@', dir.path()));
        }
    }

    void layout()
    {
        QList<double> asked;
        const auto wrap = [&](double w) {
            asked << w;
            return 1800.0;
        };
        const QSizeF screen(28800, 16200); // 1920 x 1080 pixels at 96 DPI
        QCOMPARE(shape(LayoutMsgBox({3000, 600}, wrap, {900, 1500, 600}, false, screen)),
                 "4100x1900 label 3000x600 buttons 1000 at 400,1400,3000 band 875 4140x1125 check "
                 "1500");
        QVERIFY(asked.isEmpty());
        // Width limit from a screen of 12349.5 twips: rounded to even first
        // (12350), then a tenth (1235), doubled: 2470. At most 12000.
        QCOMPARE(shape(LayoutMsgBox({2471, 300}, wrap, {600}, false, {12349.5, 16200})),
                 "3570x3100 label 2470x1800 wrapped buttons 2200 at 1435 band 2075 3610x1125 check "
                 "2700");
        QCOMPARE(asked, QList<double>({2470.0}));
        QVERIFY(!LayoutMsgBox({2470, 300}, wrap, {600}, false, {12349.5, 16200}).wordWrap);
        QVERIFY(!LayoutMsgBox({1000, 10221}, wrap, {600}, false, {15360, 11520}).fits);
        QVERIFY(LayoutMsgBox({1000, 10220}, wrap, {600}, false, {15360, 11520}).fits);
    }

    void settingsStore()
    {
        TestEnvironment env;
        SaveMainWindowHeight(7200);
        SuppressNewUserOverview();
        SaveRefreshSound(true);
        {
            QSettings raw(env.settingsFile(), QSettings::IniFormat);
            QCOMPARE(raw.value("Defaults/NewUser").toString() + " " +
                         raw.value("Defaults/MainWindowHeight").toString() + " " +
                         raw.value("Defaults/RefreshSound").toString(),
                     QStringLiteral("NoShow 7200 True"));
        }
        SaveSetting("MainWindowHeight", "-40");
        SaveSetting("RefreshSound", "yes please");
        SaveSetting("NewUser", "noshow");
        QVERIFY(MainWindowHeightSetting() == 9525 && !RefreshSoundSetting() &&
                !NewUserOverviewSuppressed());
    }

    void cleanUpAtExitOnlyUnderTheLock()
    {
        TestFolder env;
        env.write("Search.Log", "");
        env.write("SignInOut.Log", "12/04/2026 at 22:45:32 - Pat Doe signed out\r\n");
        env.write("Custorin.Data", "");
        env.write("notes.txt", "");
        env.write("TempFile.$$$", "y");
        // Logs are read-only between writes; an empty one still goes.
        QFile::setPermissions(env.path("Search.Log"), QFile::ReadOwner | QFile::ReadGroup);
        {
            // Another workstation holds the lock: it may have just created a
            // file to write into, or be writing the work file; nothing goes.
            FolderLock other(env.data);
            QVERIFY(other.tryAcquire());
            QCOMPARE(RemoveEmptyDataFiles(env.data), QStringList());
            QVERIFY(!RemoveStaleTempFile(env.data));
            QCOMPARE(folderFiles(env.folder()).size(), 5);
        }
        QCOMPARE(RemoveEmptyDataFiles(env.data), QStringList({"Custorin.Data", "Search.Log"}));
        QVERIFY(RemoveStaleTempFile(env.data));
        QCOMPARE(folderFiles(env.folder()).keys(), QStringList({"SignInOut.Log", "notes.txt"}));
        QVERIFY(RemoveEmptyDataFiles(env.data).isEmpty() && RemoveStaleTempFile(env.data));
    }
};

QTEST_GUILESS_MAIN(TestRecords)
#include "tst_records.moc"
