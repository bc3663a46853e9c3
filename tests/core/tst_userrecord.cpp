// The user record's bytes, the password rule and the stored password form.
#include "core/common/Formats.h"
#include "core/users/UserRecord.h"

#include <QSet>
#include <QTest>

namespace
{

// The 62 characters a password may hold, in code order.
QString passwordAlphabet()
{
    QString s;
    for (char16_t c = '0'; c <= '9'; ++c)
        s.append(QChar(c));
    for (char16_t c = 'A'; c <= 'Z'; ++c)
        s.append(QChar(c));
    for (char16_t c = 'a'; c <= 'z'; ++c)
        s.append(QChar(c));
    return s;
}

void put(QByteArray &bytes, int offset, const QByteArray &part)
{
    bytes.replace(offset, part.size(), part);
}

QByteArray hex(const char *text)
{
    return QByteArray::fromHex(text);
}

} // namespace

class TestUserRecord : public QObject
{
    Q_OBJECT
private slots:
    void packedLayout()
    {
        UserRecord u;
        u.DateCreated = ToOleDate(QDateTime(QDate(2026, 12, 4), QTime(22, 30, 0)));
        u.FirstName = QStringLiteral("Ren\u00e9e");             // é is one byte, 0xE9
        u.LastName = QStringLiteral("O'Neil-Vasquez-Smithers"); // 23 characters, cut at 20
        u.Password = QStringLiteral("x1Ya2Zb3");
        u.AccessLevel = 4;
        u.Comments = QStringLiteral("Night shift \u20ac \u03a9"); // € is 0x80, Ω is not 1252

        QByteArray expected(500, ' ');
        put(expected, 0, hex("000000001ea3e640")); // 46360.9375, little-endian
        put(expected, 8,
            QByteArray("Ren\xe9"
                       "e"));
        put(expected, 23, QByteArray("O'Neil-Vasquez-Smith"));
        put(expected, 43, QByteArray("x1Ya2Zb3"));
        put(expected, 59, hex("0400"));
        put(expected, 61, QByteArray("Night shift \x80 ?"));
        const QByteArray packed = u.Pack();
        QCOMPARE(packed.size(), 500);
        QCOMPARE(packed.toHex(' '), expected.toHex(' '));

        // A negative level and full-width fields meet at their boundaries.
        UserRecord w;
        w.FirstName = QString(15, QLatin1Char('F'));
        w.LastName = QString(20, QLatin1Char('L'));
        w.Password = QString(16, QLatin1Char('p'));
        w.AccessLevel = -2;
        w.Comments = QString(500, QLatin1Char('c'));
        QByteArray full(500, '\0');
        put(full, 8, QByteArray(15, 'F'));
        put(full, 23, QByteArray(20, 'L'));
        put(full, 43, QByteArray(16, 'p'));
        put(full, 59, hex("feff"));
        put(full, 61, QByteArray(439, 'c'));
        QCOMPARE(w.Pack().toHex(' '), full.toHex(' '));
    }

    void unpackedFromBytes()
    {
        QByteArray bytes(500, ' ');
        put(bytes, 0, hex("0000000010f9e540")); // 45000.5
        put(bytes, 8, QByteArray("  Ann"));
        put(bytes, 23, QByteArray("Smith"));
        put(bytes, 43, QByteArray("q4R7"));
        put(bytes, 59, hex("0300"));
        put(bytes, 61, QByteArray("Line one\r\nline two \xe9"));
        const UserRecord u = UserRecord::Unpack(bytes);
        QCOMPARE(u.DateCreated, 45000.5);
        QCOMPARE(FromOleDate(u.DateCreated), QDateTime(QDate(2023, 3, 15), QTime(12, 0, 0)));
        QCOMPARE(u.FirstName, QStringLiteral("Ann"));
        QCOMPARE(u.LastName, QStringLiteral("Smith"));
        QCOMPARE(u.Password, QStringLiteral("q4R7"));
        QCOMPARE(u.AccessLevel, qint16(3));
        QCOMPARE(u.Comments, QStringLiteral("Line one\r\nline two \u00e9"));
        QCOMPARE(u.DisplayName(), QStringLiteral("Ann Smith"));
        QCOMPARE(u.SortKey(), QStringLiteral("Smith Ann"));
        QVERIFY(!u.isKilled());

        // The same record packs back to the same bytes (blanks around the
        // first name are not kept: readers trim).
        QByteArray again = bytes;
        put(again, 8, QByteArray("Ann  "));
        QCOMPARE(u.Pack().toHex(' '), again.toHex(' '));

        // A short last record of a file: the missing bytes read as zeros.
        const UserRecord s = UserRecord::Unpack(bytes.constData(), 60);
        QCOMPARE(s.Password, QStringLiteral("q4R7"));
        QCOMPARE(s.AccessLevel, qint16(3)); // byte 59 is there, byte 60 is zero
        QCOMPARE(s.Comments, QString());
        const UserRecord z = UserRecord::Unpack(QByteArray());
        QCOMPARE(z.DateCreated, 0.0);
        QCOMPARE(z.FirstName, QString());
        QCOMPARE(z.DisplayName(), QStringLiteral(" "));

        QByteArray killed(500, ' ');
        put(killed, 8, QByteArray(" $Killed$"));
        QVERIFY(UserRecord::Unpack(killed).isKilled());
    }

    void passwordRule()
    {
        for (const QString &p : {QStringLiteral("abcd"), QStringLiteral("Ab3dEf7H"),
                                 QStringLiteral("   zZ09   "), passwordAlphabet().right(8)})
            QVERIFY2(IsValidPassword(p), qPrintable(p)); // blanks around are taken off
        const QStringList invalid = {
            QString(),
            "    ",
            "abc",
            "abcdefghi",
            "ab cd",
            "ab/cd",
            "abc_d",
            QStringLiteral("caf\u00e9"),
            "ab:d",                      // 58, between the digits and the letters
            "ab[d",                      // 91
            "ab`d",                      // 96
            "ab{d",                      // 123
            "\tabcd",                    // only blanks are trimmed
            QStringLiteral("\uff41bcd"), // full-width a
        };
        for (const QString &p : invalid)
            QVERIFY2(!IsValidPassword(p), qPrintable(p));
        QCOMPARE(TrimBlanks(QStringLiteral("  a b  ")), QStringLiteral("a b"));
    }

    void scrambleRoundTripsEveryCharacter()
    {
        const QString alphabet = passwordAlphabet();
        QCOMPARE(alphabet.size(), 62);
        QSet<QChar> fillers;
        // Every allowed character at every position of an 8-character
        // password, and passwords of every allowed length.
        for (int shift = 0; shift < 62; ++shift) {
            const QString rotated = alphabet.mid(shift) + alphabet.left(shift);
            for (int len = MinPasswordLength; len <= MaxPasswordLength; ++len) {
                for (int at = 0; at + len <= 62; at += len) {
                    const QString password = rotated.mid(at, len);
                    const QString stored = ScramblePassword(QStringLiteral("  ") + password + " ");
                    QCOMPARE(stored.size(), 2 * len);
                    for (int i = 0; i < len; ++i) {
                        QCOMPARE(stored.at(2 * i + 1), password.at(i));
                        QVERIFY2(alphabet.contains(stored.at(2 * i)), qPrintable(stored));
                        fillers.insert(stored.at(2 * i));
                    }
                    QCOMPARE(UnscramblePassword(stored), password);

                    // Through the record's bytes as well.
                    UserRecord u;
                    u.Password = stored;
                    const UserRecord back = UserRecord::Unpack(u.Pack());
                    QCOMPARE(UnscramblePassword(back.Password), password);
                    QVERIFY(PasswordMatches(back, password));
                }
            }
        }
        // The filler draws from all 62 characters (and nothing else).
        QCOMPARE(fillers.size(), 62);
    }

    void scramblesDifferInTheirFiller()
    {
        QSet<QString> forms;
        for (int i = 0; i < 50; ++i)
            forms.insert(ScramblePassword(QStringLiteral("Pa55word")));
        QCOMPARE(forms.size(), 50);
        QCOMPARE(ScramblePassword(QString()), QString());
    }

    void unscrambleStoredForms()
    {
        // Forms as another release stored them, padded with blanks.
        QCOMPARE(UnscramblePassword(QStringLiteral("x1Ya2Zb3        ")), QStringLiteral("1aZ3"));
        QCOMPARE(UnscramblePassword(QStringLiteral("  Qk7Wm0Pz  ")), QStringLiteral("kW0z"));
        QCOMPARE(UnscramblePassword(QStringLiteral("aBcDeFgHiJkLmNoP")),
                 QStringLiteral("BDFHJLNP"));
        QCOMPARE(UnscramblePassword(QStringLiteral("abc")), QStringLiteral("b"));
        QCOMPARE(UnscramblePassword(QString()), QString());
    }

    void signInComparison()
    {
        UserRecord u;
        u.Password = QStringLiteral("9aXbYcZd"); // the password "abcd"
        QVERIFY(PasswordMatches(u, QStringLiteral("abcd")));
        // Typed text is compared exactly, not trimmed, not the stored form.
        for (const char *wrong : {"ABCD", "abcD", "abcd ", " abcd", "abc", "9aXbYcZd"})
            QVERIFY2(!PasswordMatches(u, QString::fromLatin1(wrong)), wrong);
        UserRecord blank;
        QVERIFY(!PasswordMatches(blank, QString()));
    }
};

QTEST_GUILESS_MAIN(TestUserRecord)
#include "tst_userrecord.moc"
