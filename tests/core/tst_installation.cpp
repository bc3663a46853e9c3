// The installation's settings file: its contents, the access code check,
// the checks of what is saved, and damaged, missing or unwritable files
// and folders.
#include "FakeDesktop.h"
#include "TestFiles.h"
#include "core/common/FolderLock.h"
#include "core/common/Globals.h"
#include "core/users/Installation.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QPasswordDigestor>
#include <QTemporaryDir>
#include <QtTest>
#include <unistd.h>

namespace
{

// The lines of the file as name -> value.
QMap<QByteArray, QByteArray> fields(const QByteArray &content)
{
    QMap<QByteArray, QByteArray> map;
    for (const QByteArray &line : content.split('\n')) {
        const int eq = int(line.indexOf('='));
        if (eq > 0)
            map.insert(line.left(eq), line.mid(eq + 1));
    }
    return map;
}

} // namespace

class TestInstallation : public QObject
{
    Q_OBJECT
private slots:
    void savedFileHoldsNoPlainCode()
    {
        TestEnvironment env;
        QVERIFY(!InstallationConfigured());
        QCOMPARE(SaveInstallation(QStringLiteral("  Springfield Police Department "),
                                  QStringLiteral("Ab3#x")),
                 InstallationResult::Ok);
        QCOMPARE(AgencyName, QStringLiteral("Springfield Police Department"));
        QVERIFY(InstallationConfigured());
        QVERIFY(!QFile::exists(env.path("TempFile.$$$")));

        // The file byte for byte; the key is the PBKDF2-SHA-256 of the code
        // with the salt, in lower-case hexadecimal.
        const QByteArray content = readFile(env.path("Custorin.ini"));
        const auto f = fields(content);
        const QByteArray salt = QByteArray::fromHex(f.value("AccessCodeSalt"));
        QCOMPARE(salt.size(), 16);
        const QByteArray key = QPasswordDigestor::deriveKeyPbkdf2(QCryptographicHash::Sha256,
                                                                  "Ab3#x", salt, 100000, 32);
        QCOMPARE(content, "[Installation]\nAgencyName=Springfield Police Department\n"
                          "AccessCodeMethod=PBKDF2-SHA256\nAccessCodeIterations=100000\n"
                          "AccessCodeSalt=" +
                              salt.toHex() + "\nAccessCodeKey=" + key.toHex() + "\n");
        // The code is nowhere in the file, in any case or encoding.
        for (const QByteArray &form : {QByteArray("ab3#x"), QByteArray("Ab3#x").toHex(),
                                       QByteArray("Ab3#x").toBase64().toLower()})
            QVERIFY2(!content.toLower().contains(form), form.constData());

        // A second save of the same code takes a new salt.
        QCOMPARE(SaveInstallation("Springfield Police Department", "Ab3#x"),
                 InstallationResult::Ok);
        const auto g = fields(readFile(env.path("Custorin.ini")));
        QVERIFY(g.value("AccessCodeSalt") != f.value("AccessCodeSalt"));
        QVERIFY(g.value("AccessCodeKey") != f.value("AccessCodeKey"));
        QVERIFY(AccessCodeMatches("Ab3#x"));

        AgencyName.clear();
        QCOMPARE(LoadInstallation(), InstallationResult::Ok);
        QCOMPARE(AgencyName, QStringLiteral("Springfield Police Department"));
    }

    void storedIterationCountIsUsed()
    {
        // A file written with another iteration count: the key is derived
        // with the count the file gives, not the count new files get.
        TestEnvironment env;
        const QByteArray salt = QByteArray::fromHex("00112233445566778899aabbccddeeff");
        const QByteArray key = QPasswordDigestor::deriveKeyPbkdf2(QCryptographicHash::Sha256,
                                                                  "Ab3#x", salt, 20000, 32);
        writeFile(env.path("Custorin.ini"),
                  "[Installation]\nAgencyName=County Sheriff\nAccessCodeMethod=PBKDF2-SHA256\n"
                  "AccessCodeIterations=20000\nAccessCodeSalt=" +
                      salt.toHex() + "\nAccessCodeKey=" + key.toHex() + "\n");
        QVERIFY(InstallationConfigured());
        QVERIFY(AccessCodeMatches("Ab3#x"));
        QVERIFY(!AccessCodeMatches("Ab3#y"));
    }

    void accessCodeComparedExactly()
    {
        TestEnvironment env;
        QVERIFY(!AccessCodeMatches("Ab3#x")); // nothing set up
        QCOMPARE(SaveInstallation("County Sheriff", "Ab3#x"), InstallationResult::Ok);
        QVERIFY(AccessCodeMatches("Ab3#x"));
        for (const char *wrong : {"ab3#x", "AB3#X", "Ab3#y", " Ab3#x", "Ab3#x ", "Ab3#", "Ab3#xx",
                                  "", "<Enter Access Code Here>"})
            QVERIFY2(!AccessCodeMatches(wrong), wrong);

        // Blanks and non-ASCII characters are part of a code.
        QCOMPARE(SaveInstallation("County Sheriff", QStringLiteral(" \u00e9t\u00e9 ")),
                 InstallationResult::Ok);
        QVERIFY(AccessCodeMatches(QStringLiteral(" \u00e9t\u00e9 ")));
        QVERIFY(!AccessCodeMatches(QStringLiteral("\u00e9t\u00e9")));
        QVERIFY(!AccessCodeMatches(QStringLiteral(" \u00c9t\u00e9 ")));
        QVERIFY(!AccessCodeMatches("Ab3#x"));
    }

    void whatIsSavedIsChecked()
    {
        TestEnvironment env;
        using R = InstallationResult;
        for (const char *code : {"abcd", "abcdef", "", "ab\tde"})
            QCOMPARE(SaveInstallation("Agency", code), R::AccessCodeInvalid);
        QCOMPARE(SaveInstallation("   ", "abcde"), R::AgencyEmpty);
        QCOMPARE(SaveInstallation(QString(61, 'A'), "abcde"), R::AgencyTooLong);
        QCOMPARE(SaveInstallation("Line one\nLine two", "abcde"), R::AgencyInvalid);
        QCOMPARE(SaveInstallation("Tab\there", "abcde"), R::AgencyInvalid);
        QVERIFY(!QFile::exists(env.path("Custorin.ini")));
        QVERIFY(AgencyName.isEmpty());

        // Five characters, one of them outside the basic plane (two UTF-16
        // units); sixty characters of agency name.
        QCOMPARE(SaveInstallation(QString(60, QChar(0x00c5)), QStringLiteral("ab\U0001F512de")),
                 InstallationResult::Ok);
        QVERIFY(AccessCodeMatches(QStringLiteral("ab\U0001F512de")));
        QCOMPARE(AgencyName, QString(60, QChar(0x00c5)));

        // A refused save leaves the earlier settings alone.
        const QByteArray before = readFile(env.path("Custorin.ini"));
        QCOMPARE(SaveInstallation("Other", "abc"), InstallationResult::AccessCodeInvalid);
        QCOMPARE(readFile(env.path("Custorin.ini")), before);

        QCOMPARE(InstallationResultTitle(InstallationResult::AccessCodeInvalid),
                 QStringLiteral("Invalid Access Code"));
        QCOMPARE(InstallationResultText(InstallationResult::AccessCodeInvalid),
                 QStringLiteral("The access code must be exactly\r\n5 characters long."));
        QCOMPARE(InstallationResultText(InstallationResult::AgencyTooLong),
                 QStringLiteral("The name of the agency may have\r\nat most 60 characters."));
    }

    void damagedFileIsReported()
    {
        TestEnvironment env;
        QCOMPARE(LoadInstallation(), InstallationResult::NotConfigured);
        QCOMPARE(InstallationResultText(InstallationResult::NotConfigured),
                 QStringLiteral("The agency name and the administrative access code\r\n"
                                "have not been set up for the data folder:\r\n") +
                     QDir(env.folder()).absoluteFilePath(QString()));

        QCOMPARE(SaveInstallation("County Sheriff", "Qw3rt"), InstallationResult::Ok);
        const QByteArray good = readFile(env.path("Custorin.ini"));
        const auto f = fields(good);
        auto replaced = [&](const QByteArray &name, const QByteArray &value) {
            QByteArray out = good;
            return out.replace(name + "=" + f.value(name), name + "=" + value);
        };
        const QList<QByteArray> damaged = {
            QByteArray(),
            QByteArray("\x00\x01\x02garbage\xff\xfe", 13),
            good.left(good.size() / 2), // cut short
            replaced("AccessCodeKey", f.value("AccessCodeKey").left(63)),
            replaced("AccessCodeKey", f.value("AccessCodeKey").left(62) + "zz"),
            replaced("AccessCodeSalt", ""),
            replaced("AccessCodeIterations", "-5"),
            replaced("AccessCodeIterations", "many"),
            replaced("AccessCodeIterations", "99999999999"),
            replaced("AccessCodeMethod", "MD5"),
            replaced("AgencyName", ""),
            good + "AgencyName=Second\n", // a name given twice
            QByteArray("[Other]\n") + good.mid(good.indexOf('\n') + 1),
            QByteArray(70000, 'x'),
        };
        for (const QByteArray &bytes : damaged) {
            writeFile(env.path("Custorin.ini"), bytes);
            AgencyName = QStringLiteral("stale");
            QCOMPARE(LoadInstallation(), InstallationResult::Corrupted);
            QVERIFY(AgencyName.isEmpty());
            QVERIFY(!InstallationConfigured());
            QVERIFY(!AccessCodeMatches("Qw3rt"));
        }
        QCOMPARE(InstallationResultTitle(InstallationResult::Corrupted),
                 QStringLiteral("Installation settings damaged"));

        // Line ends of another editor and a comment are fine.
        QByteArray edited = good;
        edited.replace("\n", "\r\n");
        writeFile(env.path("Custorin.ini"), "; set up by the administrator\r\n" + edited);
        QCOMPARE(LoadInstallation(), InstallationResult::Ok);
        QVERIFY(AccessCodeMatches("Qw3rt"));

        // A folder where the file should be can not be read.
        QVERIFY(QFile::remove(env.path("Custorin.ini")));
        QVERIFY(QDir(env.folder()).mkdir("Custorin.ini"));
        QCOMPARE(LoadInstallation(), InstallationResult::Unreadable);
        QVERIFY(!AccessCodeMatches("Qw3rt"));
        // ... nor replaced: the save fails and says so.
        QCOMPARE(SaveInstallation("County Sheriff", "Qw3rt"), InstallationResult::IoError);
        QVERIFY(QFileInfo(env.path("Custorin.ini")).isDir());
        QVERIFY(!QFile::exists(env.path("TempFile.$$$")));
        QCOMPARE(InstallationResultText(InstallationResult::IoError),
                 QStringLiteral("The installation settings file 'Custorin.ini'\r\n"
                                "could not be written\r\n"
                                "(the disk may be full or the folder read-only).\r\n\r\n"
                                "Nothing has been saved."));
    }

    void missingOrReadOnlyFolder()
    {
        TestEnvironment env;
        const QString saved = DataFolder;
        DataFolder = env.path("no-such-folder");
        QCOMPARE(SaveInstallation("County Sheriff", "Qw3rt"), InstallationResult::FolderMissing);
        QCOMPARE(LoadInstallation(), InstallationResult::NotConfigured);
        QCOMPARE(InstallationResultText(InstallationResult::FolderMissing),
                 QStringLiteral("The data folder does not exist:\r\n") +
                     QDir(env.path("no-such-folder")).absoluteFilePath(QString()) +
                     QStringLiteral("\r\n\r\nNothing has been saved."));
        QVERIFY(!QFile::exists(env.path("no-such-folder")));
        DataFolder = saved;

        // Busy: another workstation holds the lock and the person cancels.
        FolderLock other;
        QVERIFY(other.tryAcquire());
        env.desktop.answerMsgBox(2, false, "Data folder busy");
        QCOMPARE(SaveInstallation("County Sheriff", "Qw3rt"), InstallationResult::Cancelled);
        QVERIFY(!QFile::exists(env.path("Custorin.ini")));
        other.release();

        if (::geteuid() == 0)
            QSKIP("the superuser writes into read-only folders");
        QCOMPARE(SaveInstallation("County Sheriff", "Qw3rt"), InstallationResult::Ok);
        const QByteArray before = readFile(env.path("Custorin.ini"));
        const QFile::Permissions perms = QFile::permissions(env.folder());
        QVERIFY(QFile::setPermissions(env.folder(), QFile::ReadOwner | QFile::ExeOwner));
        const InstallationResult r = SaveInstallation("Other Agency", "Zz9zz");
        QFile::setPermissions(env.folder(), perms);
        QCOMPARE(r, InstallationResult::FolderReadOnly);
        QCOMPARE(readFile(env.path("Custorin.ini")), before);
        QVERIFY(AccessCodeMatches("Qw3rt"));
    }
};

QTEST_GUILESS_MAIN(TestInstallation)
#include "tst_installation.moc"
