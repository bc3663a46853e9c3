// Start-up: the command line and configured data folder, the message box
// layout and service, settings, small helpers and the clean-up at exit.
#include "TestFolder.h"
#include "core/common/FolderLock.h"
#include "core/common/MsgBox.h"
#include "core/common/Settings.h"
#include "core/common/Startup.h"

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
    }

    // Every option and every fault, as what the program makes of the line.
    void commandLineOptions_data()
    {
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<QString>("expected");
        const QString keepWhole = "error: --keep needs a whole number of at least 1, not ";
        // clang-format off
        const QList<QPair<QStringList, QString>> rows = {
            {{}, "/base"}, {{"--data-dir", "d", "--data-dir", "e"}, "/base/e"},
            {{"--data-dir", "--check"}, "/base/--check"},
            {{"--data-dir"}, "error: --data-dir needs a folder"},
            {{"--data-dir", ""}, "error: --data-dir needs a folder"},
            {{"--set-agency", "Troop C", "--set-access-code"}, "/base agency=Troop C code"},
            {{"--set-agency", ""}, "/base agency="},
            {{"--set-access-code=12345"}, "error: --set-access-code takes no value: type the "
                                          "access code on standard input"},
            {{"--backup", "t/", "--keep", "3"}, "/base backup=/base/t keep=3"},
            {{"--backup=/b", "--keep=1"}, "/base backup=/b keep=1"},
            {{"--backup"}, "error: --backup needs the folder that receives the backups"},
            {{"--backup="}, "error: --backup needs the folder that receives the backups"},
            {{"--keep"}, "error: --keep needs the number of backups to keep"},
            {{"--keep=0"}, keepWhole + "'0'"}, {{"--keep", "+3"}, keepWhole + "'+3'"},
            {{"--keep", "x", "--keep", "0"}, keepWhole + "'x'"},
            {{"--check", "--keep", "2"}, "/base keep=2 check"},
            {{"--labels", "out.pdf", "--template", "Avery 5160", "--start", "-4", "--case",
              " 09-1 ", "--all", "--active", "--qr"},
             "/base labels=/base/out.pdf template=Avery 5160 start=-4 case=09-1 all active qr"},
            {{"--label-templates"}, "/base templates"},
            {{"--labels"}, "error: --labels needs a value"},
            {{"--template", ""}, "error: --template needs a value"},
            {{"--case"}, "error: --case needs a value"},
            {{"--start", "x"}, "error: --start needs a label position, not 'x'"},
            {{"--start", "+2"}, "error: --start needs a label position, not '+2'"},
            {{"--labels=out.pdf"}, "error: unknown option: --labels=out.pdf"},
            {{"-h"}, "/base help"}, {{"--help", "--colour"}, "error: unknown option: --colour help"},
            {{"--all=yes"}, "error: unknown option: --all=yes"},
            {{"-x"}, "error: unknown option: -x"}, {{"-check"}, "error: unknown option: -check"},
            {{"--colour=red"}, "error: unknown option: --colour=red"}, {{"stray"}, "error: unknown option: stray"},
            {{"--", "--check"}, "error: unknown option: --"},
            {{"--keep", "0", "--colour"}, keepWhole + "'0'"}};
        // clang-format on
        for (const auto &[args, expected] : rows)
            QTest::addRow("%s", qPrintable(args.join(' '))) << args << expected;
    }
    void commandLineOptions()
    {
        QFETCH(QStringList, args);
        const StartOptions o = ParseCommandLine(args, "/base", "/nonexistent/custorin.conf");
        QStringList seen{o.error.isEmpty() ? o.dataDir : "error: " + o.error};
        // What a faulty line sets besides the fault is never used.
        const auto add = [&](bool on, const QString &text) {
            if (on && o.error.isEmpty())
                seen << text;
        };
        add(o.setAgency, "agency=" + o.agencyName);
        add(o.setAccessCode, "code");
        add(o.backup, "backup=" + o.backupTarget);
        add(o.keep != 0, "keep=" + QString::number(o.keep));
        add(o.check, "check");
        add(!o.labelsFile.isEmpty(), "labels=" + o.labelsFile);
        add(!o.labelTemplate.isEmpty(), "template=" + o.labelTemplate);
        add(o.labelStart != 1, "start=" + QString::number(o.labelStart));
        add(!o.labelCase.isEmpty(), "case=" + o.labelCase);
        add(o.labelAll, "all");
        add(o.labelActive, "active");
        add(o.labelQrCode, "qr");
        add(o.listLabelTemplates, "templates");
        if (o.help)
            seen << "help";
        QTEST(seen.join(' '), "expected");
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
