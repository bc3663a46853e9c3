// What the title window says and decides: the version text and the
// judgement of a published version, the addresses, the overview, the
// screen-size limits and the pulse arithmetic.
#include "core/rules/TitleRules.h"

#include <QtTest>

namespace
{

// RGB(r, g, b) as a colour number: red in the low byte.
OleColor rgb(int r, int g, int b)
{
    return OleColor(r) | (OleColor(g) << 8) | (OleColor(b) << 16);
}

} // namespace

class TestTitleRules : public QObject
{
    Q_OBJECT
private slots:
    void versionTexts()
    {
        // More digits than the pattern's places are all shown; zero is "0".
        QCOMPARE(VersionText({123, 4567, 98765}), QStringLiteral("Version w123.4567.98765"));
        QCOMPARE(VersionText({0, 0, 7}), QStringLiteral("Version w0.0.7"));
        // Numbers, not text: 9.9 is older than 9.10.
        QCOMPARE(CompareVersions({9, 9, 0}, {9, 10, 0}), -1);
        QCOMPARE(CompareVersions({10, 0, 0}, {9, 99, 9999}), 1);
        QCOMPARE(CompareVersions({9, 11, 0}, {9, 11, 0}), 0);

        const QPair<QByteArray, QString> good[] = {{"9.12", "9.12.0"},
                                                   {"  9.12.3\r\n", "9.12.3"},
                                                   {"\n10.0.0\n\n", "10.0.0"},
                                                   {"w9.12.0003", "9.12.3"},
                                                   {"Version w9.12.3", "9.12.3"},
                                                   {"1234.5678.9999", "1234.5678.9999"}};
        for (const auto &g : good) {
            const auto v = ParseVersionText(g.first);
            QVERIFY2(v.has_value(), g.first.constData());
            QCOMPARE(QStringLiteral("%1.%2.%3").arg(v->major).arg(v->minor).arg(v->revision),
                     g.second);
        }
        const QByteArray bad[] = {"",
                                  "9",
                                  "9.",
                                  "9.x",
                                  "9.12.3.4",
                                  "12345.1",
                                  "9.12 beta",
                                  "v9.12",
                                  "9 .12",
                                  "Version 9.12",
                                  "-9.12",
                                  "9.12\n9.13",
                                  QByteArray("9.12\0", 5),
                                  QByteArray(300, ' ') + "9.12"};
        for (const QByteArray &b : bad)
            QVERIFY2(!ParseVersionText(b).has_value(), b.constData());

        const ProgramVersion running{9, 11, 0};
        QCOMPARE(JudgeVersionAnswer(true, "9.11.1\r\n", running), VersionOutcome::Newer);
        QCOMPARE(JudgeVersionAnswer(true, "9.11.0", running), VersionOutcome::Current);
        QCOMPARE(JudgeVersionAnswer(true, "9.10.9999", running), VersionOutcome::Current);
        QCOMPARE(JudgeVersionAnswer(true, " \r\n", running), VersionOutcome::Empty);
        QCOMPARE(JudgeVersionAnswer(true, "garbage", running), VersionOutcome::Failed);
        // A failed request is a failure whatever came with it.
        QCOMPARE(JudgeVersionAnswer(false, "9.12.0", running), VersionOutcome::Failed);
    }

    void addressesOverviewAndScreen()
    {
        QCOMPARE(NormalizedSiteAddress(QStringLiteral("  ")), QString());
        QCOMPARE(NormalizedSiteAddress(QStringLiteral(" updates.agency.example/custorin/ ")),
                 QStringLiteral("updates.agency.example/custorin"));
        QCOMPARE(NormalizedSiteAddress(QStringLiteral("HTTP://10.0.0.5:8080//")),
                 QStringLiteral("10.0.0.5:8080"));
        QCOMPARE(VersionTextUrl(QStringLiteral("10.0.0.5:8080")),
                 QStringLiteral("http://10.0.0.5:8080/VersionInfo/LatestVersion-Custorin.txt"));
        // Without an update address the documents are on the vendor's site.
        QCOMPARE(VersionInfoDocument(QString()),
                 QStringLiteral("www.custorin.example/VersionInfo/VersionInfo-Custorin.pdf"));
        QCOMPARE(WindowsNoticeDocument(QString()),
                 QStringLiteral("www.custorin.example/manual/windowsnotice.pdf"));

        QCOMPARE(NewUserOverviewMessage(),
                 QStringLiteral("Welcome! Are you a new user? If so, then let's take a moment "
                                "for a quick overview.\r\n\r\n") +
                     OverviewText());
        QVERIFY(OverviewText().startsWith(QStringLiteral("Custorin keeps the inventory")));

        // At least 1024 wide and 720 high; a fraction shows as computed.
        QVERIFY(!ScreenNeedsWarning(1024, 720) && !ScreenNeedsWarning(3840, 2160));
        QVERIFY(ScreenNeedsWarning(1023, 768) && ScreenNeedsWarning(1024, 719));
        QVERIFY(ScreenNeedsWarning(1023.9, 1024));
        QVERIFY(ScreenWarningText(1023.5, 767.25).contains(QStringLiteral("(1023.5x767.25)")));
    }

    void pulse()
    {
        // Up from the start by 4, the mirror falling; below 8 the mirror
        // restarts at 248 once more.
        ButtonPulse s;
        s.tick();
        QVERIFY(s.level == 4 && s.mirror == 244 && s.step == 4);
        // Button face and a hover colour at level 4.
        QCOMPARE(PulseColorsFor(0xFF80FF, s).back, rgb(244, 116, 244));
        QCOMPARE(PulseColorsFor(0xFF80FF, s).fore, rgb(4, 0, 4));
        QCOMPARE(PulseColorsFor(0xF2E6DC, s).back, rgb(244, 244, 116));
        s.tick();
        QCOMPARE(s.mirror, 244);
        for (int tick = 3; tick <= 63; ++tick)
            s.tick();
        QVERIFY(s.level == 252 && s.mirror == 0);
        QCOMPARE(PulseColorsFor(0xFF80FF, s).fore, rgb(252, 188, 252));
        // Above 248 it turns: the mirror restarts at 8.
        s.tick();
        QVERIFY(s.level == 248 && s.mirror == 12 && s.step == -4);
        for (int tick = 65; tick <= 125; ++tick)
            s.tick();
        QVERIFY(s.level == 4 && s.mirror == 256);
        QCOMPARE(PulseColorsFor(0xF2E6DC, s).back, rgb(255, 255, 128)); // parts above 255
        // Below 8 it turns again.
        s.tick();
        QVERIFY(s.level == 8 && s.mirror == 244 && s.step == 4);
        // The main window's mirror starts again at 2 at the bright end.
        ButtonPulse main{252, 0, 4, 2};
        main.tick();
        QVERIFY(main.level == 248 && main.mirror == 6 && main.step == -4);
    }
};

QTEST_APPLESS_MAIN(TestTitleRules)
#include "tst_titlerules.moc"
