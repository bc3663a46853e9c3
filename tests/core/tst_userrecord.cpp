// The user record's bytes, the password rule and the stored password form.
#include "TestBytes.h"
#include "core/common/Formats.h"
#include "core/users/UserRecord.h"

#include <QSet>
#include <QTest>

class TestUserRecord : public QObject
{
    Q_OBJECT
private slots:
    void packedLayout()
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
        QCOMPARE(back.AccessLevel, qint16(3));
        QVERIFY(!back.isKilled());
        const QByteArray bytes = userBytes(45000.5, "Ann", "Smith", "q4R7", 3);
        QCOMPARE(UserRecord::Unpack(bytes).Pack().toHex(' '), bytes.toHex(' '));
        const UserRecord s = UserRecord::Unpack(bytes.constData(), 60);
        QCOMPARE(s.AccessLevel, qint16(3)); // byte 59 is there, byte 60 is zero
        QCOMPARE(s.Password + '|' + s.Comments, QStringLiteral("q4R7|"));
        QCOMPARE(UserRecord::Unpack(QByteArray()).DisplayName(), QStringLiteral(" "));
        QVERIFY(UserRecord::Unpack(userBytes(0, " $Killed$", "", "", 0)).isKilled());
    }

    void passwordRule()
    {
        for (const char *p : {"abcd", "Ab3dEf7H", "   zZ09   ", "stuvwxyz"})
            QVERIFY2(IsValidPassword(p), p); // blanks around are taken off
        for (const char *p : {"", "    ", "abc", "abcdefghi", "ab cd", "ab/cd", "abc_d", "café",
                              "ab:d", "ab[d", "ab`d", "ab{d", "\tabcd", "\uff41bcd"})
            QVERIFY2(!IsValidPassword(QString::fromUtf8(p)), p);
        QCOMPARE(TrimBlanks(QStringLiteral("  a b  ")), QStringLiteral("a b"));
    }

    // The stored form: a filler drawn from the 62 allowed characters before
    // each character, different every time.
    void storedForm()
    {
        QString alphabet;
        for (const char *range : {"09", "AZ", "az"})
            for (char c = range[0]; c <= range[1]; ++c)
                alphabet += QLatin1Char(c);
        QSet<QChar> fillers;
        for (int shift = 0; shift < 62; ++shift) {
            const QString rotated = alphabet.mid(shift) + alphabet.left(shift);
            for (int len = MinPasswordLength; len <= MaxPasswordLength; ++len) {
                const QString password = rotated.left(len);
                const QString stored = ScramblePassword("  " + password + " ");
                QCOMPARE(stored.size(), 2 * len);
                for (int i = 0; i < len; ++i) {
                    QCOMPARE(stored.at(2 * i + 1), password.at(i));
                    QVERIFY2(alphabet.contains(stored.at(2 * i)), qPrintable(stored));
                    fillers.insert(stored.at(2 * i));
                }
                UserRecord u;
                u.Password = stored;
                QVERIFY(PasswordMatches(UserRecord::Unpack(u.Pack()), password));
            }
        }
        QCOMPARE(fillers.size(), 62);
        QSet<QString> forms;
        for (int i = 0; i < 50; ++i)
            forms.insert(ScramblePassword(QStringLiteral("Pa55word")));
        QCOMPARE(forms.size(), 50);
        QCOMPARE(ScramblePassword(QString()), QString());

        // Forms as another release stored them, padded with blanks.
        QCOMPARE(UnscramblePassword("x1Ya2Zb3        "), QStringLiteral("1aZ3"));
        QCOMPARE(UnscramblePassword("  Qk7Wm0Pz  "), QStringLiteral("kW0z"));
        QCOMPARE(UnscramblePassword("abc"), QStringLiteral("b"));
        // Typed text is compared exactly, not trimmed, not the stored form.
        UserRecord u;
        u.Password = QStringLiteral("9aXbYcZd"); // the password "abcd"
        QVERIFY(PasswordMatches(u, QStringLiteral("abcd")));
        for (const char *wrong : {"ABCD", "abcD", "abcd ", " abcd", "abc", "9aXbYcZd"})
            QVERIFY2(!PasswordMatches(u, QString::fromLatin1(wrong)), wrong);
        QVERIFY(!PasswordMatches(UserRecord(), QString()));
    }
};

QTEST_APPLESS_MAIN(TestUserRecord)
#include "tst_userrecord.moc"
