// The demo data folder of `make run`: scripts/make-demo-data builds it with
// the make_demo_data tool when the folder holds no data set, and leaves a
// folder with data alone. The users, passwords and access code are the
// ones the README lists.
#include "FakeDesktop.h"
#include "RunProgram.h"
#include "TestFiles.h"
#include "core/common/Globals.h"
#include "core/entries/DataFile.h"
#include "core/users/Installation.h"
#include "core/users/UserFile.h"

#include <QDir>
#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>

namespace
{

const QString Script = QStringLiteral(CUSTORIN_SOURCE_DIR "/scripts/make-demo-data");

// Runs a program (bounded): its exit code, -1 when it did not finish.
int run(const QString &program, const QStringList &args, QByteArray *output = nullptr)
{
    const ProgramRun r = RunProgram(program, args, {}, false, 120000);
    if (output)
        *output = r.out + r.err;
    return r.status;
}

} // namespace

class TestDemoData : public QObject
{
    Q_OBJECT
private slots:
    void scriptBuildsTheDemoFolderOnce()
    {
        QTemporaryDir parent;
        const QString folder = parent.filePath(QStringLiteral("demo-data"));
        const QString tools = qEnvironmentVariable("CUSTORIN_TOOLS_DIR");
        QByteArray out;
        const QString build = QFileInfo(tools).absolutePath();
        QCOMPARE(run(Script, {folder, build}, &out), 0);
        QVERIFY2(out.contains("Demo data folder ready"), out.constData());
        TestEnvironment env;
        DataFolder = QFileInfo(folder).absoluteFilePath();
        InitProgramTables();
        QCOMPARE(LoadInstallation(), InstallationResult::Ok);
        QCOMPARE(AgencyName, QStringLiteral("Springfield Police Department"));
        QVERIFY(AccessCodeMatches(QStringLiteral("Demo1")));
        QVERIFY(UpdateAddress().isEmpty()); // the demo asks no web site

        // The Refresh button's sound: the project's own, as its script makes it.
        const QByteArray wave = readFile(DataPath(QStringLiteral("update.wav")));
        QCOMPARE(wave, readFile(QStringLiteral(CUSTORIN_SOURCE_DIR "/resources/update.wav")));
        QVERIFY(wave.startsWith("RIFF") && wave.size() > 44 + 22050 / 2);

        // Three users of three access levels, with their passwords.
        QStringList seen;
        for (const UserRecord &u : ReadAllUsers())
            seen << u.DisplayName() + QStringLiteral(" %1 ").arg(u.AccessLevel) +
                        UnscramblePassword(u.Password) + (u.DateCreated > 0 ? "" : " undated");
        QCOMPARE(seen,
                 QStringList({"Pat Morgan 4 admin1", "Lee Carter 3 clerk2", "Sam Rivera 1 view3"}));
        QCOMPARE(readFile(DataPath("UserList.Log")).count("' added to the 'User List'\r\n"), 3);

        // A few hundred entries, some of them archived; no lock left.
        const QVector<EntryRecord> entries = ReadAllEntries();
        QCOMPARE(entries.size(), 300);
        const auto archived = std::count_if(entries.begin(), entries.end(),
                                            [](const EntryRecord &e) { return e.isArchived(); });
        QVERIFY(archived >= 30 && archived <= 150);
        QVERIFY(!QFile::exists(DataPath(LockFileName)));
        QCOMPARE(QDir(parent.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot),
                 QStringList{"demo-data"});

        // A second run leaves the folder as it is.
        const QByteArray userBytes = readFile(DataPath(UserFileName));
        QCOMPARE(run(Script, {folder, build}), 0);
        QCOMPARE(readFile(DataPath(UserFileName)), userBytes);

        // The tool refuses a folder with data; the script leaves such a
        // folder alone without asking the tool.
        QTemporaryDir used;
        writeFile(used.filePath("User.List"), QByteArray());
        QCOMPARE(run(tools + "/make_demo_data", {used.path()}, &out), 1);
        QVERIFY2(out.contains("holds a data set"), out.constData());
        QCOMPARE(run(Script, {used.path(), QStringLiteral("/nonexistent-build")}), 0);
        QCOMPARE(QDir(used.path()).entryList(QDir::Files), QStringList{"User.List"});
    }
};

QTEST_GUILESS_MAIN(TestDemoData)
#include "tst_demodata.moc"
