// Start-up: the command line and configured data folder, the message box
// layout and service, settings, small helpers and the clean-up at exit.
#include "TestFolder.h"
#include "core/common/FolderLock.h"
#include "core/common/MsgBox.h"
#include "core/common/Settings.h"
#include "core/common/Startup.h"
#include "core/common/TileLayout.h"

#include <QSettings>
#include <QTemporaryDir>
#include <QTest>

namespace
{

// The computed parts of a layout in one line.
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

class TestSpine : public QObject
{
    Q_OBJECT
private slots:
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
        QCOMPARE(dataDir({"--colour"}, "/"), QStringLiteral("error: unknown option: --colour"));
        QVERIFY(ParseCommandLine({"--help"}, "/").help && !ParseCommandLine({}, "/").help);
        // The settings of an installed workstation, unless the line says.
        writeFile(config, "DataDir=/srv/evidence\n");
        QCOMPARE(dataDir({}, "/work/here"), QStringLiteral("/srv/evidence"));
        QCOMPARE(dataDir({"--data-dir", "mine"}, "/work/here"), QStringLiteral("/work/here/mine"));

        const StartOptions o =
            ParseCommandLine({"--data-dir", "d", "--backup", "t", "--keep", "3"}, "/base");
        QVERIFY(o.error.isEmpty() && o.backup && !o.check && o.adminCommand());
        QCOMPARE(o.backupTarget + " " + QString::number(o.keep), QStringLiteral("/base/t 3"));
        QVERIFY(ParseCommandLine({"--check"}, "/base").check);
        QVERIFY(!ParseCommandLine({"--keep", "0"}, "/base").error.isEmpty());
    }

    void configuredDataDir()
    {
        QTemporaryDir dir;
        const QString config = dir.filePath(QStringLiteral("custorin.conf"));
        // File contents and the folder they name ("@": the file's folder).
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
        // Too tall for the screen; exactly as tall still fits.
        QVERIFY(!LayoutMsgBox({1000, 10221}, wrap, {600}, false, {15360, 11520}).fits);
        QVERIFY(LayoutMsgBox({1000, 10220}, wrap, {600}, false, {15360, 11520}).fits);
    }

    void answerNamingNoButton()
    {
        TestEnvironment env;
        // An answer naming no button is taken as no button.
        env.desktop.answerMsgBox(3);
        QCOMPARE(ShowMsgBox("T", 2, "x", 1, false, {"&Okay", "&Cancel"}).choice, 0);
    }

    void settingsStore()
    {
        TestEnvironment env;
        SaveMainWindowHeight(7200);
        SuppressNewUserOverview();
        SaveRefreshSound(true);
        {
            // Stored as text under the section "Defaults".
            QSettings raw(env.settingsFile(), QSettings::IniFormat);
            QCOMPARE(raw.value("Defaults/NewUser").toString() + " " +
                         raw.value("Defaults/MainWindowHeight").toString() + " " +
                         raw.value("Defaults/RefreshSound").toString(),
                     QStringLiteral("NoShow 7200 True"));
        }
        // Values edited by hand into nonsense fall back to the defaults.
        SaveSetting("MainWindowHeight", "-40");
        SaveSetting("RefreshSound", "yes please");
        SaveSetting("NewUser", "noshow");
        QVERIFY(MainWindowHeightSetting() == 9525 && !RefreshSoundSetting() &&
                !NewUserOverviewSuppressed());
    }

    void tiles()
    {
        // Tiles: columns first, rows within each column, up to the far edges;
        // a picture larger than the window once at (0, 0).
        QCOMPARE(TilePositions({100, 50}, {40, 30}),
                 QVector<QPoint>({{0, 0}, {0, 30}, {40, 0}, {40, 30}, {80, 0}, {80, 30}}));
        QCOMPARE(TilePositions({100, 80}, {200, 200}), QVector<QPoint>({{0, 0}}));
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

QTEST_GUILESS_MAIN(TestSpine)
#include "tst_spine.moc"
