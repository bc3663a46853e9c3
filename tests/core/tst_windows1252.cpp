// Windows-1252 fixed-width text fields and OLE dates.
#include "core/common/Formats.h"

#include <QTest>

class TestWindows1252 : public QObject
{
    Q_OBJECT
private slots:
    void fixedTextBytes()
    {
        // "Café €5" in a 10-byte field: é = E9, € = 80, then 3 blanks.
        const QByteArray expected("Caf\xE9 \x80"
                                  "5   ",
                                  10);
        QCOMPARE(ToFixedText(QString::fromUtf8("Café €5"), 10), expected);
        QCOMPARE(FromFixedText(expected), QString::fromUtf8("Café €5"));
        // Cut at the width; characters outside the code page become "?".
        QCOMPARE(ToFixedText(QString::fromUtf8("日本 abcdef"), 5), QByteArray("?? ab"));
        QCOMPARE(ToFixedText(QString::fromUtf8("a\U0001F600b"), 4), QByteArray("a?b "));
        // Trimmed of blanks and NULs at both ends when read.
        QCOMPARE(FromFixedText(QByteArray("  x y \0\0", 8)), QStringLiteral("x y"));
        // Every byte round-trips, the five undefined ones included.
        QByteArray all;
        for (int b = 0x21; b < 256; ++b)
            all.append(char(b));
        QCOMPARE(ToWindows1252(FromWindows1252(all)), all);
        QCOMPARE(FromWindows1252(QByteArray("\x93q\x94", 3)), QString::fromUtf8("“q”"));
    }

    // The bytes 0x80..0x9F decode to their own characters wherever they
    // stand (the decoder takes sixteen bytes at a time), the other high
    // bytes to Latin-1.
    void decodingAtEveryPlace()
    {
        // 0x80..0x9F; the five undefined bytes stand for themselves.
        const QString high = QString::fromUtf8("€\u0081‚ƒ„…†‡ˆ‰Š‹Œ\u008DŽ\u008F"
                                               "\u0090‘’“”•–—˜™š›œ\u009DžŸ");
        QCOMPARE(high.size(), 32);
        for (int b = 0x80; b <= 0xFF; ++b) {
            const QChar c = b < 0xA0 ? high.at(b - 0x80) : QChar(b);
            for (int at = 0; at < 19; ++at) {
                QByteArray bytes(19, 'a');
                bytes[at] = char(b);
                QString text(19, QLatin1Char('a'));
                text[at] = c;
                QCOMPARE(FromWindows1252(bytes), text);
            }
        }
    }

    // Padding of long fields (blanks, NULs, both) and text that fills its
    // field; reading into a text another copy shares leaves that copy.
    void paddedFields()
    {
        QByteArray narrative(1921, ' ');
        QCOMPARE(FromFixedText(narrative), QString());
        narrative.replace(0, 9, "Found it ");
        narrative[1000] = '\x85';
        QCOMPARE(FromFixedText(narrative),
                 QStringLiteral("Found it ") + QString(991, QLatin1Char(' ')) + QChar(0x2026));
        QCOMPARE(TrimmedSpan(narrative.constData(), 1921), std::make_pair(0, 1001));
        QByteArray nuls(40, '\0');
        nuls.replace(3, 4, "ab c");
        nuls[20] = ' ';
        QCOMPARE(TrimmedSpan(nuls.constData(), 40), std::make_pair(3, 7));
        QCOMPARE(FromFixedText(QByteArray("0123456789")), QStringLiteral("0123456789"));

        QString kept = QStringLiteral("before");
        QString reused = kept;
        ReadFixedText(QByteArray("  after   ").constData(), 10, reused);
        QCOMPARE(reused, QStringLiteral("after"));
        QCOMPARE(kept, QStringLiteral("before"));
        ReadFixedText(QByteArray("          ").constData(), 10, reused);
        QVERIFY(reused.isEmpty());
    }

    void oleDates()
    {
        const QDateTime t = FromOleDate(39876.586909722224);
        QCOMPARE(t.date(), QDate(2009, 3, 4));
        QCOMPARE(t.time(), QTime(14, 5, 9));
        QCOMPARE(ToOleDate(t), 39876.0 + (14 * 3600 + 5 * 60 + 9) / 86400.0);
        QVERIFY(!FromOleDate(0).isValid());
        QCOMPARE(ToOleDate(QDateTime()), 0.0);
        QCOMPARE(FromOleDate(1.0).date(), QDate(1899, 12, 31));
        // Before the epoch the fraction is still the time of that day.
        const QDateTime before = FromOleDate(-1.25);
        QCOMPARE(before.date(), QDate(1899, 12, 29));
        QCOMPARE(before.time(), QTime(6, 0));
        QCOMPARE(ToOleDate(before), -1.25);
        // Rounded to the nearest second, carrying into the next day.
        QCOMPARE(FromOleDate(40000.0 + 0.4 / 86400).time(), QTime(0, 0, 0));
        QCOMPARE(FromOleDate(40000.0 + 0.6 / 86400).time(), QTime(0, 0, 1));
        QCOMPARE(FromOleDate(40000.99999999).date(), QDate(2009, 7, 7));
        QCOMPARE(FromOleDate(40000.99999999).time(), QTime(0, 0));
        // The value 123456 is 01/03/2238.
        QCOMPARE(FromOleDate(123456).date(), QDate(2238, 1, 3));
    }
};

QTEST_APPLESS_MAIN(TestWindows1252)
#include "tst_windows1252.moc"
