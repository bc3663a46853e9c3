// Start-up tables, the message box layout and service, settings, shared
// helpers and the data-folder clean-up.
#include "FakeDesktop.h"
#include "TestFiles.h"
#include "core/common/FolderLock.h"
#include "core/common/Globals.h"
#include "core/common/Links.h"
#include "core/common/MsgBox.h"
#include "core/common/Settings.h"
#include "core/common/Startup.h"
#include "core/common/TileLayout.h"
#include "core/users/UserRecord.h"

#include <QFile>
#include <QSettings>
#include <QTest>

class TestSpine : public QObject
{
    Q_OBJECT
private slots:
    void commandLine()
    {
        StartOptions o = ParseCommandLine({}, "/home/pat");
        QCOMPARE(o.dataDir, QStringLiteral("/home/pat"));
        QVERIFY(o.error.isEmpty());
        QVERIFY(!o.help);
        o = ParseCommandLine({"--data-dir", "evidence/../room"}, "/srv");
        QCOMPARE(o.dataDir, QStringLiteral("/srv/room"));
        o = ParseCommandLine({"--data-dir=/mnt/share"}, "/srv");
        QCOMPARE(o.dataDir, QStringLiteral("/mnt/share"));
        QVERIFY(ParseCommandLine({"--help"}, "/").help);
        QCOMPARE(ParseCommandLine({"--data-dir"}, "/").error,
                 QStringLiteral("--data-dir needs a folder"));
        QCOMPARE(ParseCommandLine({"--data-dir="}, "/").error,
                 QStringLiteral("--data-dir needs a folder"));
        QCOMPARE(ParseCommandLine({"--colour"}, "/").error,
                 QStringLiteral("unknown option: --colour"));
    }

    void layoutArithmetic()
    {
        // Screen 1920 x 1080 pixels at 96 DPI: 28800 x 16200 twips; the
        // width limit is 5760. Captions of three widths; T = 3300.
        auto noWrap = [](double) -> double {
            QTest::qFail("no wrapping expected", __FILE__, __LINE__);
            return 0;
        };
        MsgBoxLayout l = LayoutMsgBox({3000, 600}, noWrap, {900, 1500, 600}, false, {28800, 16200});
        QVERIFY(!l.wordWrap);
        QCOMPARE(l.labelLeft, 780.0);
        QCOMPARE(l.labelTop, 250.0);
        QCOMPARE(l.labelWidth, 3000.0);
        QCOMPARE(l.rowTotal, 3300.0);
        QCOMPARE(l.windowWidth, 4100.0);
        QCOMPARE(l.windowHeight, 1900.0);
        QCOMPARE(l.buttonTop, 1000.0);
        QCOMPARE(l.buttonHeight, 400.0);
        QCOMPARE(l.buttonLeft, QVector<double>({400, 1400, 3000}));
        QCOMPARE(l.buttonWidth, QVector<double>({900, 1500, 600}));
        QCOMPARE(l.bandTop, 875.0);
        QCOMPARE(l.bandLeft, -20.0);
        QCOMPARE(l.bandWidth, 4140.0);
        QCOMPARE(l.bandHeight, 1125.0);
        QCOMPARE(l.templateLeft, -500.0);
        QVERIFY(l.fits);

        // The check box adds 300 twips and sits 100 below the buttons.
        l = LayoutMsgBox({3000, 600}, noWrap, {900}, true, {28800, 16200});
        QCOMPARE(l.windowHeight, 2200.0);
        QCOMPARE(l.checkLeft, 100.0);
        QCOMPARE(l.checkTop, 1500.0);
        QCOMPARE(l.bandHeight, 2200.0 - 875 + 100);

        // A wide button row decides the window width.
        l = LayoutMsgBox({1000, 300}, noWrap, {2000, 2000}, false, {28800, 16200});
        QCOMPARE(l.windowWidth, 4500.0); // T = 4200, plus 300
        QCOMPARE(l.buttonLeft.first(), 150.0);

        // Centring rounds half to even: 2050.5 - 1650 = 400.5 gives 400,
        // 2051.5 - 1650 = 401.5 gives 402.
        l = LayoutMsgBox({3001, 600}, noWrap, {900, 1500, 600}, false, {28800, 16200});
        QCOMPARE(l.buttonLeft.first(), 400.0);
        l = LayoutMsgBox({3003, 600}, noWrap, {900, 1500, 600}, false, {28800, 16200});
        QCOMPARE(l.buttonLeft.first(), 402.0);
    }

    void layoutWrapping()
    {
        QList<double> asked;
        auto wrap = [&](double w) {
            asked.append(w);
            return 1800.0;
        };
        // Width limit from a screen of 12349.5 twips: rounded to even first
        // (12350), then a tenth (1235), doubled: 2470.
        MsgBoxLayout l = LayoutMsgBox({2471, 300}, wrap, {600}, false, {12349.5, 16200});
        QVERIFY(l.wordWrap);
        QCOMPARE(l.labelWidth, 2470.0);
        QCOMPARE(l.labelHeight, 1800.0);
        QCOMPARE(asked, QList<double>({2470.0}));
        QCOMPARE(l.windowHeight, 3100.0);
        QCOMPARE(l.buttonTop, 2200.0);
        // Exactly at the limit: no wrapping.
        asked.clear();
        l = LayoutMsgBox({2470, 300}, wrap, {600}, false, {12349.5, 16200});
        QVERIFY(!l.wordWrap);
        QVERIFY(asked.isEmpty());
        // A very wide screen: the label never exceeds 12000 twips.
        l = LayoutMsgBox({20000, 300}, wrap, {600}, false, {80000, 40000});
        QCOMPARE(l.labelWidth, 12000.0);
    }

    void layoutTooBig()
    {
        auto tall = [](double) { return 20000.0; };
        MsgBoxLayout l = LayoutMsgBox({9000, 300}, tall, {600}, false, {15360, 11520});
        QVERIFY(!l.fits);
        // A window exactly as tall as the screen still fits.
        l = LayoutMsgBox({1000, 10220}, tall, {600}, false, {15360, 11520});
        QCOMPARE(l.windowHeight, 11520.0);
        QVERIFY(l.fits);
        QCOMPARE(DisplayIssueText(),
                 QStringLiteral("Custorin is trying to display a message\r\nthat is too big for "
                                "your screen resolution.\r\n\r\nPlease contact the Custorin "
                                "developers about this."));
    }

    void showMsgBoxService()
    {
        TestEnvironment env;
        env.desktop.answerMsgBox(2, true, "Title");
        const MsgBoxAnswer answer =
            ShowMsgBox("Title", 3, "Line one\r\nLine two", 2, true, {"&Yes", "&No"});
        QCOMPARE(answer.choice, 2);
        QCOMPARE(answer.dontShow, true);
        const MsgBoxRequest &r = env.desktop.msgBoxes.last();
        QCOMPARE(r.buttons, QStringList({"&Yes", "&No"}));
        QCOMPARE(r.icon, 3);
        QCOMPARE(r.text, QStringLiteral("Line one\r\nLine two"));
        QCOMPARE(r.defaultButton, 2);
        QVERIFY(r.offerDontShow);

        // Closed without a button: 0, and the tick still counts.
        env.desktop.answerMsgBox(0, true);
        const MsgBoxAnswer closed = ShowMsgBox("T", 2, "x", 1, true, {"&Okay"});
        QCOMPARE(closed.choice, 0);
        QCOMPARE(closed.dontShow, true);
        // An answer naming no button is taken as no button.
        env.desktop.answerMsgBox(3);
        QCOMPARE(ShowMsgBox("T", 2, "x", 1, false, {"&Okay", "&Cancel"}).choice, 0);
        QCOMPARE(env.desktop.pendingAnswers(), 0);
    }

    void settingsStore()
    {
        TestEnvironment env;
        QCOMPARE(MainWindowHeightSetting(), 9525);
        QVERIFY(!NewUserOverviewSuppressed());
        QVERIFY(!RefreshSoundSetting());
        QCOMPARE(GetSetting("NewUser", "none"), QStringLiteral("none"));

        SaveMainWindowHeight(7200);
        SuppressNewUserOverview();
        SaveRefreshSound(true);
        QCOMPARE(MainWindowHeightSetting(), 7200);
        QVERIFY(NewUserOverviewSuppressed());
        QVERIFY(RefreshSoundSetting());
        {
            // Stored as text under the section "Defaults".
            QSettings raw(SettingsFileOverride, QSettings::IniFormat);
            QCOMPARE(raw.value("Defaults/NewUser").toString(), QStringLiteral("NoShow"));
            QCOMPARE(raw.value("Defaults/MainWindowHeight").toString(), QStringLiteral("7200"));
            QCOMPARE(raw.value("Defaults/RefreshSound").toString(), QStringLiteral("True"));
        }
        SaveRefreshSound(false);
        QCOMPARE(GetSetting("RefreshSound", ""), QStringLiteral("False"));
        QVERIFY(!RefreshSoundSetting());

        // Values edited by hand into nonsense fall back to the defaults.
        SaveSetting("MainWindowHeight", "tall");
        QCOMPARE(MainWindowHeightSetting(), 9525);
        SaveSetting("MainWindowHeight", "-40");
        QCOMPARE(MainWindowHeightSetting(), 9525);
        SaveSetting("RefreshSound", "yes please");
        QVERIFY(!RefreshSoundSetting());
        SaveSetting("NewUser", "noshow");
        QVERIFY(!NewUserOverviewSuppressed());
    }

    void links()
    {
        TestEnvironment env;
        QCOMPARE(BuildLink(1, "pat@example.org?subject=Hi%20there&body=x"),
                 QStringLiteral("mailto:pat@example.org?subject=Hi%20there&body=x"));
        QCOMPARE(BuildLink(1, ""), QStringLiteral("mailto:support@custorin.example"));
        QCOMPARE(BuildLink(2, "example.org/news"), QStringLiteral("http://example.org/news"));
        QCOMPARE(BuildLink(2, ""), QStringLiteral("http://www.custorin.example"));

        OpenLink(1, "pat@example.org?subject=Case%2012&body=Line");
        QCOMPARE(env.desktop.openedUrls.size(), 1);
        QCOMPARE(env.desktop.openedUrls.last().toString(QUrl::FullyEncoded),
                 QStringLiteral("mailto:pat@example.org?subject=Case%2012&body=Line"));
        QVERIFY(env.desktop.msgBoxes.isEmpty());

        env.desktop.setOpenUrlResult(false);
        env.desktop.answerMsgBox(1, false, "Connection Error");
        OpenLink(2, "");
        const MsgBoxRequest &r = env.desktop.msgBoxes.last();
        QCOMPARE(r.icon, 2);
        QCOMPARE(r.text, QStringLiteral("An internet connection\r\ncould not be established."));
        QCOMPARE(r.buttons, QStringList({"&Okay"}));
    }

    void manual()
    {
        TestEnvironment env;
        env.desktop.answerMsgBox(1, false, "Can not open Custorin Manual");
        OpenManual();
        QVERIFY(env.desktop.openedUrls.isEmpty());
        const MsgBoxRequest &r = env.desktop.msgBoxes.last();
        QCOMPARE(r.icon, 4);
        QCOMPARE(r.text,
                 QStringLiteral("The Custorin manual\r\n(in PDF format) is either\r\nmissing "
                                "or can not be opened..."));
        QCOMPARE(r.buttons, QStringList({"&Okay, return to the program"}));

        writeFile(env.path("Custorin.PDF"), "%PDF-1.4");
        // Present but without a viewer: not reported.
        env.desktop.setOpenUrlResult(false);
        OpenManual();
        QCOMPARE(env.desktop.openedUrls.size(), 1);
        QCOMPARE(env.desktop.openedUrls.last().toLocalFile(), env.path("Custorin.PDF"));
        QCOMPARE(env.desktop.msgBoxes.size(), 1);
    }

    void arithmetic()
    {
        for (int i = 0; i < 200; ++i)
            QCOMPARE(RandomInteger(1, 1), 1);
        QVector<int> seen(10, 0);
        for (int i = 0; i < 5000; ++i) {
            const int v = RandomInteger(0, 9);
            QVERIFY2(v >= 0 && v <= 9, qPrintable(QString::number(v)));
            ++seen[v];
        }
        // Every value turns up; successive draws are not related.
        for (int count : seen)
            QVERIFY(count > 300);
        int repeats = 0;
        int previous = RandomInteger(32, 126);
        for (int i = 0; i < 1000; ++i) {
            const int v = RandomInteger(32, 126);
            repeats += v == previous;
            previous = v;
        }
        QVERIFY2(repeats < 50, qPrintable(QString::number(repeats)));
    }

    void tiles()
    {
        // A picture larger than the window is painted once at (0, 0).
        QCOMPARE(TilePositions({100, 80}, {200, 200}), QVector<QPoint>({{0, 0}}));
        // Columns first, rows within each column, up to the far edges.
        QCOMPARE(TilePositions({100, 50}, {40, 30}),
                 QVector<QPoint>({{0, 0}, {0, 30}, {40, 0}, {40, 30}, {80, 0}, {80, 30}}));
        QVERIFY(TilePositions({100, 50}, {0, 30}).isEmpty());
    }

    void emptyFilesAtExit()
    {
        TestEnvironment env;
        writeFile(env.path("Search.Log"), "");
        writeFile(env.path("SignInOut.Log"), "12/04/2026 at 22:45:32 - Pat Doe signed out\r\n");
        writeFile(env.path("Custorin.Data"), "");
        writeFile(env.path("notes.txt"), "");
        // Logs are read-only between writes; an empty one still goes.
        QFile::setPermissions(env.path("Search.Log"), QFile::ReadOwner | QFile::ReadGroup);
        const QStringList removed = RemoveEmptyDataFiles();
        QCOMPARE(removed, QStringList({"Custorin.Data", "Search.Log"}));
        QVERIFY(!QFile::exists(env.path("Search.Log")));
        QVERIFY(!QFile::exists(env.path("Custorin.Data")));
        QVERIFY(QFile::exists(env.path("SignInOut.Log")));
        QVERIFY(QFile::exists(env.path("notes.txt"))); // not a data file
        QVERIFY(RemoveEmptyDataFiles().isEmpty());
    }

    void staleWorkFile()
    {
        TestEnvironment env;
        writeFile(env.path("Custorin.Data"), QByteArray(5000, 'x'));
        writeFile(env.path("TempFile.$$$"), QByteArray(2500, 'y'));
        {
            // Another workstation holds the folder: its compaction may be
            // writing the work file, so it stays.
            FolderLock other;
            QVERIFY(other.tryAcquire());
            QVERIFY(!RemoveStaleTempFile());
            QVERIFY(QFile::exists(env.path("TempFile.$$$")));
        }
        QVERIFY(RemoveStaleTempFile());
        QVERIFY(!QFile::exists(env.path("TempFile.$$$")));
        QCOMPARE(QFileInfo(env.path("Custorin.Data")).size(), 5000);
        QVERIFY(RemoveStaleTempFile());
    }

    void folderBusy()
    {
        TestEnvironment env;
        // Another workstation holds the folder.
        FolderLock holder;
        QVERIFY(holder.tryAcquire());
        FolderLock second;
        QVERIFY(!second.tryAcquire());
        // Busy: the person is asked; Cancel gives up, Retry waits again.
        env.desktop.answerMsgBoxWith([&](const MsgBoxRequest &) {
            holder.release();
            return MsgBoxAnswer{1, false};
        });
        QVERIFY(second.acquire());
        QCOMPARE(env.desktop.msgBoxes.size(), 1);
        const MsgBoxRequest &r = env.desktop.msgBoxes.first();
        QCOMPARE(r.title, QStringLiteral("Data folder busy"));
        QCOMPARE(r.buttons, QStringList({"&Retry", "&Cancel"}));
        second.release();

        QVERIFY(holder.tryAcquire());
        env.desktop.answerMsgBox(2, false, "Data folder busy");
        FolderLock third;
        QVERIFY(!third.acquire());
        QVERIFY(!third.isHeld());
    }
};

QTEST_GUILESS_MAIN(TestSpine)
#include "tst_spine.moc"
