// The entry record's bytes, built here from the offsets of the file format.
#include "EntryTexts.h"
#include "FakeDesktop.h"
#include "TestBytes.h"
#include "core/common/Formats.h"
#include "core/common/Globals.h"
#include "core/entries/EntryRecord.h"

#include <QtTest>

class TestEntryRecord : public QObject
{
    Q_OBJECT
private slots:
    void packAndUnpackEveryField()
    {
        EntryRecord e = EntryWithTexts(QString::fromUtf8(
            "0123456789ABCDEFGHIJ|Bin 4|Electronics|Sony|X-1|SN9|black camera|José Müller – 5€ "
            "✓|  Ofc. Smith  |Owner|J. Roe||Lab\r\n1/2/2009"));
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
            padded("Jos\xE9 M\xFCller \x96 5\x80 ?", 100) + padded("  Ofc. Smith  ", 70) +
            doubleBytes(39875.25) + padded("Owner", 70) + doubleBytes(40000.0) +
            padded("J. Roe", 50) + QByteArray(150, ' ') + padded("kept", 150) +
            QByteArray(150, ' ') + QByteArray(1921, 'x') + padded("Lab\r\n1/2/2009", 2099) +
            char(2);
        QCOMPARE(e.Pack().toHex(' '), expected.toHex(' '));

        // Read back: texts trimmed of their padding and cut at their width.
        const EntryRecord back = EntryRecord::Unpack(expected);
        const QStringList texts = {back.CaseNumber,  back.Location,    back.Category,
                                   back.BrandName,   back.ModelNumber, back.SerialNumber,
                                   back.Description, back.Owner,       back.ReceivedFrom,
                                   back.ReleasedTo,  back.Defendant,   back.Reserved1,
                                   back.Reserved2,   back.Reserved3,   back.ChainOfCustody};
        QCOMPARE(texts.join('|'), QString::fromUtf8("0123456789ABCDE|Bin 4|Electronics|Sony|X-1|"
                                                    "SN9|black camera|José Müller – 5€ ?|Ofc. "
                                                    "Smith|Owner|J. Roe||kept||Lab\r\n1/2/2009"));
        QCOMPARE(back.Narrative, QString(1921, 'x'));
        QCOMPARE(back.VersionStamp, qint16(-3));
        QCOMPARE(back.ControlNumber, 39876.5);
        QCOMPARE(back.Value, qint64(-1234567));
        QCOMPARE(back.ReceivedDate, 39875.25);
        QCOMPARE(back.ReleasedDate, 40000.0);
        QCOMPARE(int(back.Status), 2);
        QVERIFY(back.isArchived());
        QCOMPARE(EntryTextWidth(979), 1921);
        QCOMPARE(EntryTextWidth(215), 0);

        // A blank record: numbers zero, text blanks, status 0 (active, as
        // is any status but 2).
        QByteArray blank(5000, ' ');
        for (int at : {0, 2, 215, 393, 471})
            blank.replace(at, at == 0 ? 2 : 8, QByteArray(at == 0 ? 2 : 8, '\0'));
        blank[4999] = 0;
        QCOMPARE(EntryRecord().Pack(), blank);
        blank[4999] = 7;
        QVERIFY(!EntryRecord::Unpack(blank).isArchived());
    }

    void olderAndShortRecords()
    {
        // Bytes as an older release wrote them, with NULs as padding.
        QByteArray rec(5000, '\0');
        std::memcpy(rec.data() + 155, "\x93quoted\x94", 8);
        QCOMPARE(EntryRecord::Unpack(rec).Description, QString::fromUtf8("“quoted”"));
        // Long text: characters of 0x80..0x9F far into the field, and padding
        // of blanks and NULs mixed, ending at every distance from the field end.
        for (int length = 1; length <= 1921; length += (length < 40 || length > 1880) ? 1 : 97) {
            QByteArray field(1921, ' ');
            for (int i = 0; i < length; ++i)
                field[i] = char('a' + i % 26);
            field[length - 1] = '\x80';
            if (length > 40)
                field[40] = '\x9F';
            for (int i = length; i < 1921; i += 3)
                field[i] = '\0';
            rec.replace(979, 1921, field);
            QString expected = QString::fromLatin1(field.left(length));
            expected[length - 1] = QChar(0x20AC);
            if (length > 40)
                expected[40] = QChar(0x0178);
            QCOMPARE(EntryRecord::Unpack(rec).Narrative, expected);
        }

        // A short record (the end of the file cuts it): the rest reads as
        // blanks and zeros.
        rec = entryBytes("CASE-9", 40000.5, 2);
        const QByteArray narrative = "Narrative that the end of the file cuts off here";
        rec.replace(979, narrative.size(), narrative);
        const EntryRecord e = EntryRecord::Unpack(rec.constData(), 1000);
        QCOMPARE(e.ControlNumber, 40000.5);
        QCOMPARE(e.CaseNumber, QString("CASE-9"));
        QCOMPARE(e.Narrative, QString("Narrative that the en")); // bytes 979..999
        QCOMPARE(int(e.Status), 0);
        QCOMPARE(e.Pack().size(), 5000);
        QCOMPARE(EntryRecord::Unpack(rec.constData(), 5).CaseNumber, QString());
        QCOMPARE(EntryRecord::Unpack(nullptr, 0).Status, quint8(0));
    }

    void versionAndControlNumberTexts()
    {
        TestEnvironment env;
        // Major and minor written one after the other: 9.11 gives 911.
        QCOMPARE(int(CurrentVersionStamp()),
                 QString("%1%2").arg(AppVersionMajor).arg(AppVersionMinor).toInt());
        // Legacy sequence numbers below 33000; OLE dates from there on.
        QCOMPARE(
            QStringList({ControlNumberText(7), ControlNumberText(32999), ControlNumberText(33000),
                         ControlNumberText(123456), ControlNumberText(39876 + 50709.0 / 86400.0)}),
            QStringList({"00007", "32999", "19900507000000", "22380103000000", "20090304140509"}));
    }
};

QTEST_GUILESS_MAIN(TestEntryRecord)
#include "tst_entryrecord.moc"
