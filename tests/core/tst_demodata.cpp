// The demo data folder of `make run`: scripts/make-demo-data builds it with
// the make_demo_data tool when the folder holds no data set, and leaves a
// folder with data alone. The users, passwords and access code are the
// ones the README lists.
#include "FakeDesktop.h"
#include "TestFiles.h"
#include "core/common/Globals.h"
#include "core/entries/DataFile.h"
#include "core/users/Installation.h"
#include "core/users/UserFile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>

namespace
{

QString toolsDir()
{
    return qEnvironmentVariable("CUSTORIN_TOOLS_DIR");
}

QString scriptPath()
{
    return QStringLiteral(CUSTORIN_SOURCE_DIR "/scripts/make-demo-data");
}

// Runs a program (bounded) and returns its exit code; -1 when it did not
// finish.
int run(const QString &program, const QStringList &args, QByteArray *output = nullptr)
{
    QProcess p;
    p.setProcessChannelMode(QProcess::MergedChannels);
    p.start(program, args);
    if (!p.waitForFinished(120000)) {
        p.kill();
        p.waitForFinished();
        return -1;
    }
    if (output)
        *output = p.readAll();
    return p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1;
}

} // namespace

class TestDemoData : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase()
    {
        QVERIFY2(QFileInfo(toolsDir() + QStringLiteral("/make_demo_data")).isExecutable(),
                 "the make_demo_data tool is not built");
        QVERIFY(QFileInfo(scriptPath()).isExecutable());
    }

    void scriptBuildsTheDemoFolderOnce()
    {
        QTemporaryDir parent;
        QVERIFY(parent.isValid());
        const QString folder = parent.filePath(QStringLiteral("demo-data"));
        const QString buildDir = QFileInfo(toolsDir()).absolutePath();
        QByteArray out;
        QCOMPARE(run(scriptPath(), {folder, buildDir}, &out), 0);
        QVERIFY2(out.contains("Demo data folder ready"), out.constData());

        TestEnvironment env;
        DataFolder = QFileInfo(folder).absoluteFilePath();
        InitProgramTables();

        // The installation: agency name and access code.
        QCOMPARE(LoadInstallation(), InstallationResult::Ok);
        QCOMPARE(AgencyName, QStringLiteral("Springfield Police Department"));
        QVERIFY(AccessCodeMatches(QStringLiteral("Demo1")));
        QVERIFY(!AccessCodeMatches(QStringLiteral("demo1")));
        QVERIFY(UpdateAddress().isEmpty()); // the demo asks no web site

        // The Refresh button's sound: the project's own, as its script
        // makes it (16-bit mono PCM at 22,050 a second, under a second).
        const QByteArray wave = readFile(DataPath(QStringLiteral("update.wav")));
        QCOMPARE(wave, readFile(QStringLiteral(CUSTORIN_SOURCE_DIR "/resources/update.wav")));
        QCOMPARE(wave.left(4), QByteArray("RIFF"));
        QCOMPARE(wave.mid(8, 8), QByteArray("WAVEfmt "));
        QCOMPARE(wave.mid(20, 16), QByteArray::fromHex("0100"
                                                       "0100"
                                                       "22560000"
                                                       "44ac0000"
                                                       "0200"
                                                       "1000"));
        QCOMPARE(wave.mid(36, 4), QByteArray("data"));
        QVERIFY(wave.size() > 44 + 22050 / 2 && wave.size() < 44 + 22050 * 2);
        QTemporaryDir other;
        const QString remade = QDir(other.path()).filePath(QStringLiteral("remade.wav"));
        QCOMPARE(
            run(QStringLiteral(CUSTORIN_SOURCE_DIR "/scripts/make-update-wav"), {remade}, &out), 0);
        QCOMPARE(readFile(remade), wave);

        // Three users of three access levels, with their passwords.
        bool ok = false;
        const QVector<UserRecord> users = ReadAllUsers(&ok);
        QVERIFY(ok);
        QCOMPARE(users.size(), 3);
        const struct {
            QString name, password;
            int level;
        } expected[] = {{QStringLiteral("Pat Morgan"), QStringLiteral("admin1"), 4},
                        {QStringLiteral("Lee Carter"), QStringLiteral("clerk2"), 3},
                        {QStringLiteral("Sam Rivera"), QStringLiteral("view3"), 1}};
        for (int i = 0; i < 3; ++i) {
            QCOMPARE(users[i].DisplayName(), expected[i].name);
            QCOMPARE(int(users[i].AccessLevel), expected[i].level);
            QVERIFY(PasswordMatches(users[i], expected[i].password));
            QVERIFY(users[i].DateCreated > 0);
        }
        const QByteArray log = readFile(DataPath(QStringLiteral("UserList.Log")));
        QCOMPARE(log.count("' added to the 'User List'\r\n"), 3);

        // A few hundred entries, some of them archived.
        QCOMPARE(QFileInfo(DataPath(DataFileName)).size(), qint64(300) * 5000);
        const QVector<EntryRecord> entries = ReadAllEntries();
        QCOMPARE(entries.size(), 300);
        const auto archived = std::count_if(entries.begin(), entries.end(),
                                            [](const EntryRecord &e) { return e.isArchived(); });
        QVERIFY(archived >= 30);
        QVERIFY(archived <= 150);

        // No lock or work folder left behind.
        QVERIFY(!QFile::exists(DataPath(LockFileName)));
        QCOMPARE(QDir(parent.path())
                     .entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot)
                     .size(),
                 1);

        // A second run leaves the folder as it is.
        const QByteArray userBytes = readFile(DataPath(UserFileName));
        const QByteArray ini = readFile(DataPath(InstallationFileName));
        QCOMPARE(run(scriptPath(), {folder, buildDir}), 0);
        QCOMPARE(readFile(DataPath(UserFileName)), userBytes);
        QCOMPARE(readFile(DataPath(InstallationFileName)), ini);
    }

    void toolRefusesAFolderWithData()
    {
        QTemporaryDir folder;
        QVERIFY(folder.isValid());
        QFile users(folder.filePath(QStringLiteral("User.List")));
        QVERIFY(users.open(QIODevice::WriteOnly));
        users.close();
        QByteArray out;
        QCOMPARE(run(toolsDir() + QStringLiteral("/make_demo_data"), {folder.path()}, &out), 1);
        QVERIFY2(out.contains("holds a data set"), out.constData());
        QVERIFY(!QFile::exists(folder.filePath(QStringLiteral("Custorin.ini"))));
        QVERIFY(!QFile::exists(folder.filePath(QStringLiteral("Custorin.Data"))));

        // The script leaves such a folder alone, without asking the tool.
        QCOMPARE(run(scriptPath(), {folder.path(), QStringLiteral("/nonexistent-build")}), 0);
        QVERIFY(!QFile::exists(folder.filePath(QStringLiteral("Custorin.ini"))));
    }
};

QTEST_GUILESS_MAIN(TestDemoData)
#include "tst_demodata.moc"
