// The entry and user records' bytes from the file formats' offsets; the
// password rule and the stored password form.
#include "EntryTexts.h"
#include "TestBytes.h"
#include "core/common/Formats.h"
#include "core/entries/EntryRecord.h"
#include "core/users/UserRecord.h"

#include <QRegularExpression>
#include <QSet>
#include <QtTest>

class TestRecords : public QObject
{
    Q_OBJECT
private slots:
    void entryEveryField()
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

        // Field after field, each at its width: 5000 bytes.
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

        // Read back from where each field was written, texts trimmed.
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
    }

    void entryOlderAndShort()
    {
        // Bytes as an older release wrote them, with NULs as padding.
        QByteArray rec(5000, '\0');
        std::memcpy(rec.data() + 155, "\x93quoted\x94", 8);
        QCOMPARE(EntryRecord::Unpack(rec).Description, QString::fromUtf8("“quoted”"));
        // A record cut by the file's end: the rest reads as blanks and zeros.
        rec = entryBytes("CASE-9", 40000.5, 2);
        const QByteArray narrative = "Narrative that the end of the file cuts off here";
        rec.replace(979, narrative.size(), narrative);
        const EntryRecord e = EntryRecord::Unpack(rec.constData(), 1000);
        QCOMPARE(e.ControlNumber, 40000.5);
        QCOMPARE(e.CaseNumber + '|' + e.Narrative, "CASE-9|Narrative that the en"); // to byte 999
        QVERIFY(e.Status == 0 && e.Pack().size() == 5000);
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

        // Read back trimmed; a short last record of a file reads as zeros.
        const UserRecord back = UserRecord::Unpack(
            userBytes(45000.5, "  Ann", "Smith", "q4R7", 3, "Line one\r\nline two \xe9"));
        QCOMPARE(back.DateCreated, 45000.5);
        QCOMPARE(back.DisplayName() + '|' + back.SortKey() + '|' + back.Password + '|' +
                     back.Comments,
                 QString::fromUtf8("Ann Smith|Smith Ann|q4R7|Line one\r\nline two é"));
        QVERIFY(back.AccessLevel == 3 && !back.isKilled());
        const QByteArray bytes = userBytes(45000.5, "Ann", "Smith", "q4R7", 3);
        const UserRecord s = UserRecord::Unpack(bytes.constData(), 60);
        QCOMPARE(s.AccessLevel, qint16(3)); // byte 59 is there, byte 60 is zero
        QCOMPARE(s.Password + '|' + s.Comments, QStringLiteral("q4R7|"));
        QVERIFY(UserRecord::Unpack(userBytes(0, " $Killed$", "", "", 0)).isKilled());

        // Four to eight letters and digits; blanks around are taken off.
        for (const char *p : {"abcd", "Ab3dEf7H", "   zZ09   "})
            QVERIFY2(IsValidPassword(p), p);
        for (const char *p :
             {"    ", "abc", "abcdefghi", "ab cd", "ab/cd", "abc_d", "café", "ab:d", "\tabcd"})
            QVERIFY2(!IsValidPassword(QString::fromUtf8(p)), p);
    }

    // A filler from the 62 allowed characters before each one, new each time;
    // typed text is compared exactly, not trimmed, not the stored form.
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
            UserRecord u;
            u.Password = stored;
            QVERIFY(PasswordMatches(UserRecord::Unpack(u.Pack()), QStringLiteral("Pa55word")));
        }
        QCOMPARE(forms.size(), 20);
        QCOMPARE(UnscramblePassword("  Qk7Wm0Pz  "), QStringLiteral("kW0z"));
        UserRecord u;
        u.Password = QStringLiteral("9aXbYcZd"); // the password "abcd"
        for (const char *wrong : {"abcD", "abcd ", "abc", "9aXbYcZd"})
            QVERIFY2(!PasswordMatches(u, QString::fromLatin1(wrong)), wrong);
        QVERIFY(PasswordMatches(u, "abcd") && !PasswordMatches(UserRecord(), QString()));
    }
};

QTEST_GUILESS_MAIN(TestRecords)
#include "tst_records.moc"
