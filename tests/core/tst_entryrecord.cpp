// The entry record's bytes, built here from the offsets of the file format.
#include "FakeDesktop.h"
#include "TestBytes.h"
#include "core/common/Formats.h"
#include "core/common/Globals.h"
#include "core/entries/EntryRecord.h"

#include <QtTest>
#include <vector>

namespace
{

void putText(QByteArray &rec, int offset, int width, const QByteArray &text)
{
    rec.replace(offset, width, padded(text, width));
}

} // namespace

class TestEntryRecord : public QObject
{
    Q_OBJECT
private slots:
    void packPutsEveryFieldAtItsOffset();
    void unpackReadsEveryField();
    void textIsCutPaddedAndTrimmed();
    void windows1252Text();
    void shortRecordReadsAsBlanksAndZeros();
    void versionStamp();
    void controlNumberText();
};

void TestEntryRecord::packPutsEveryFieldAtItsOffset()
{
    EntryRecord e;
    e.VersionStamp = 911;
    e.ControlNumber = 39876.5;
    e.CaseNumber = "09-12345";
    e.Location = "Bin 4";
    e.Category = "Electronics";
    e.BrandName = "Sony";
    e.ModelNumber = "X-1";
    e.SerialNumber = "SN9";
    e.Description = "black camera";
    e.Value = 1234567; // $123.4567
    e.Owner = "Pat Doe";
    e.ReceivedFrom = "Ofc. Smith";
    e.ReceivedDate = 39875.25;
    e.ReleasedTo = "Owner";
    e.ReleasedDate = 40000.0;
    e.Defendant = "J. Roe";
    e.Narrative = "Found in car.";
    e.ChainOfCustody = "Lab 1/2/2009";
    e.Status = 2;

    // Field after field, each at its width: 5000 bytes.
    const QByteArray expected =
        le16(911) + doubleBytes(39876.5) + padded("09-12345", 15) + padded("Bin 4", 50) +
        padded("Electronics", 20) + padded("Sony", 20) + padded("X-1", 20) + padded("SN9", 20) +
        padded("black camera", 60) + le64(1234567) + padded("Pat Doe", 100) +
        padded("Ofc. Smith", 70) + doubleBytes(39875.25) + padded("Owner", 70) +
        doubleBytes(40000.0) + padded("J. Roe", 50) + QByteArray(450, ' ') +
        padded("Found in car.", 1921) + padded("Lab 1/2/2009", 2099) + char(2);
    QCOMPARE(expected.size(), 5000);
    QCOMPARE(e.Pack(), expected);
    // A blank record: numbers zero, text blanks, status 0.
    QByteArray blank(5000, ' ');
    std::memset(blank.data(), 0, 10);
    std::memset(blank.data() + 215, 0, 8);
    std::memset(blank.data() + 393, 0, 8);
    std::memset(blank.data() + 471, 0, 8);
    blank[4999] = 0;
    QCOMPARE(EntryRecord().Pack(), blank);
}

void TestEntryRecord::unpackReadsEveryField()
{
    QByteArray rec(5000, ' ');
    rec.replace(0, 10, le16(-3) + doubleBytes(17.0));
    putText(rec, 10, 15, "  A-1  ");
    putText(rec, 75, 20, "Weapons");
    putText(rec, 155, 60, "rifle");
    rec.replace(215, 8, le64(-50000));
    rec.replace(393, 8, doubleBytes(39875.75));
    rec.replace(471, 8, doubleBytes(0.0));
    putText(rec, 529, 150, "old data kept");
    putText(rec, 829, 150, "third");
    putText(rec, 979, 1921, QByteArray(1921, 'n'));
    putText(rec, 2900, 2099, QByteArray(2098, 'c') + 'Z');
    rec[4999] = char(7);

    const EntryRecord e = EntryRecord::Unpack(rec);
    QCOMPARE(e.VersionStamp, qint16(-3));
    QCOMPARE(e.ControlNumber, 17.0);
    QCOMPARE(e.CaseNumber, QString("A-1"));
    QCOMPARE(e.Category, QString("Weapons"));
    QCOMPARE(e.Description, QString("rifle"));
    QCOMPARE(e.Location, QString());
    QCOMPARE(e.Value, qint64(-50000));
    QCOMPARE(e.ReceivedDate, 39875.75);
    QCOMPARE(e.ReleasedDate, 0.0);
    QCOMPARE(e.Reserved1, QString("old data kept"));
    QCOMPARE(e.Reserved2, QString());
    QCOMPARE(e.Reserved3, QString("third"));
    QCOMPARE(e.Narrative, QString(1921, 'n'));
    QCOMPARE(e.ChainOfCustody, QString(2098, 'c') + 'Z');
    QCOMPARE(int(e.Status), 7);
    // Any status but 2 counts as active.
    QVERIFY(!e.isArchived());
    rec[4999] = char(0);
    QVERIFY(!EntryRecord::Unpack(rec).isArchived());
    rec[4999] = char(2);
    QVERIFY(EntryRecord::Unpack(rec).isArchived());
    // Packing what was read gives the same bytes back (text trimmed of
    // nothing but its padding).
    rec[4999] = char(7);
    putText(rec, 10, 15, "A-1");
    QCOMPARE(e.Pack(), rec);
}

void TestEntryRecord::textIsCutPaddedAndTrimmed()
{
    EntryRecord e;
    e.CaseNumber = "0123456789ABCDEFGHIJ"; // 20 characters into 15
    e.Narrative = QString(2000, 'x');      // into 1921
    e.ChainOfCustody = "line 1\r\nline 2";
    e.Owner = "  padded  ";
    const QByteArray p = e.Pack();
    QCOMPARE(p.mid(10, 15), QByteArray("0123456789ABCDE"));
    QCOMPARE(p.mid(25, 1), QByteArray(" ")); // the next field starts blank
    QCOMPARE(p.mid(979, 1921), QByteArray(1921, 'x'));
    QCOMPARE(p.mid(2900, 14), QByteArray("line 1\r\nline 2"));
    QCOMPARE(p.mid(223, 10), QByteArray("  padded  "));
    const EntryRecord back = EntryRecord::Unpack(p);
    QCOMPARE(back.CaseNumber, QString("0123456789ABCDE"));
    QCOMPARE(back.Narrative.size(), 1921);
    QCOMPARE(back.ChainOfCustody, QString("line 1\r\nline 2"));
    QCOMPARE(back.Owner, QString("padded"));
    QCOMPARE(EntryTextWidth(979), 1921);
    QCOMPARE(EntryTextWidth(2900), 2099);
    QCOMPARE(EntryTextWidth(215), 0);
}

void TestEntryRecord::windows1252Text()
{
    EntryRecord e;
    e.Owner = QString::fromUtf8("José Müller – 5€ ✓");
    const QByteArray p = e.Pack();
    QCOMPARE(p.mid(223, 18), QByteArray("Jos\xE9 M\xFCller \x96 5\x80 ?"));
    QCOMPARE(EntryRecord::Unpack(p).Owner, QString::fromUtf8("José Müller – 5€ ?"));
    // Bytes as an older release wrote them, with NULs as padding.
    QByteArray rec(5000, '\0');
    std::memcpy(rec.data() + 155, "\x93quoted\x94", 8);
    QCOMPARE(EntryRecord::Unpack(rec).Description, QString::fromUtf8("“quoted”"));

    // Long text: characters of 0x80..0x9F far into the field, and padding
    // of blanks and NULs mixed, ending at every distance from the field end.
    std::vector<int> lengths{100, 1000};
    for (int n = 1; n <= 40; ++n)
        lengths.insert(lengths.end(), {n, 1921 - n + 1});
    for (int length : lengths) {
        QByteArray field(1921, ' ');
        for (int i = 0; i < length; ++i)
            field[i] = char('a' + i % 26);
        field[length - 1] = '\x80';
        if (length > 40)
            field[40] = '\x9F';
        for (int i = length; i < 1921; i += 3)
            field[i] = '\0';
        std::memcpy(rec.data() + 979, field.constData(), 1921);
        QString expected = QString::fromLatin1(field.left(length));
        expected[length - 1] = QChar(0x20AC);
        if (length > 40)
            expected[40] = QChar(0x0178);
        QCOMPARE(EntryRecord::Unpack(rec).Narrative, expected);
    }
}

void TestEntryRecord::shortRecordReadsAsBlanksAndZeros()
{
    QByteArray rec(5000, ' ');
    rec.replace(2, 8, doubleBytes(40000.5));
    putText(rec, 10, 15, "CASE-9");
    putText(rec, 979, 1921, "Narrative that the end of the file cuts off here");
    rec[4999] = char(2);

    // 1000 bytes: the record stops inside the narrative.
    const EntryRecord e = EntryRecord::Unpack(rec.constData(), 1000);
    QCOMPARE(e.ControlNumber, 40000.5);
    QCOMPARE(e.CaseNumber, QString("CASE-9"));
    QCOMPARE(e.Narrative, QString("Narrative that the en")); // bytes 979..999
    QCOMPARE(e.ChainOfCustody, QString());
    QCOMPARE(e.ReleasedDate, 0.0);
    QCOMPARE(int(e.Status), 0);
    QVERIFY(!e.isArchived());
    // 5 bytes: not even the control number is whole.
    const EntryRecord tiny = EntryRecord::Unpack(rec.constData(), 5);
    QCOMPARE(tiny.CaseNumber, QString());
    QCOMPARE(EntryRecord::Unpack(nullptr, 0).Status, quint8(0));
    // Packing it again gives a whole record.
    QCOMPARE(e.Pack().size(), 5000);
}

void TestEntryRecord::versionStamp()
{
    // Major and minor written one after the other: 9.11 gives 911.
    const QString digits = QString::number(AppVersionMajor) + QString::number(AppVersionMinor);
    QCOMPARE(int(CurrentVersionStamp()), digits.toInt());
    if (AppVersionMajor == 9 && AppVersionMinor == 11)
        QCOMPARE(int(CurrentVersionStamp()), 911);
}

void TestEntryRecord::controlNumberText()
{
    TestEnvironment env;
    QCOMPARE(ControlNumberText(7), QString("00007"));
    QCOMPARE(ControlNumberText(17), QString("00017"));
    QCOMPARE(ControlNumberText(32999), QString("32999"));
    QCOMPARE(ControlNumberText(123456), QString("22380103000000"));
    // 4 March 2009 14:05:09: 39876 days and 50709 seconds.
    QCOMPARE(ControlNumberText(39876 + 50709.0 / 86400.0), QString("20090304140509"));
    QCOMPARE(ControlNumberText(33000), QString("19900507000000"));
    QCOMPARE(ControlNumberStamp(39876 + 50709.0 / 86400.0), QString("20090304140509"));
}

QTEST_GUILESS_MAIN(TestEntryRecord)
#include "tst_entryrecord.moc"
