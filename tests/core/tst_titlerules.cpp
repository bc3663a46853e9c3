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

const ProgramVersion running{9, 11, 0};

} // namespace

class TestTitleRules : public QObject
{
    Q_OBJECT
private slots:
    void versionText()
    {
        QCOMPARE(VersionText({6, 41, 12}), QStringLiteral("Version w6.41.12"));
        // More digits than the pattern's places are all shown.
        QCOMPARE(VersionText({123, 4567, 98765}), QStringLiteral("Version w123.4567.98765"));
        // A zero part is a "0", not nothing.
        QCOMPARE(VersionText({0, 0, 7}), QStringLiteral("Version w0.0.7"));
    }

    void versionComparison()
    {
        QCOMPARE(CompareVersions({9, 11, 0}, {9, 11, 0}), 0);
        QCOMPARE(CompareVersions({9, 11, 1}, {9, 11, 0}), 1);
        QCOMPARE(CompareVersions({10, 0, 0}, {9, 99, 9999}), 1);
        // Numbers, not text: 9.9 is older than 9.10.
        QCOMPARE(CompareVersions({9, 9, 0}, {9, 10, 0}), -1);
    }

    void versionTextForms()
    {
        struct Case {
            QByteArray text;
            int major, minor, revision;
        };
        const Case good[] = {
            {"9.12.3", 9, 12, 3},
            {"9.12", 9, 12, 0},
            {"  9.12.3\r\n", 9, 12, 3},
            {"\n10.0.0\n\n", 10, 0, 0},
            {"w9.12.0003", 9, 12, 3},
            {"Version w9.12.3", 9, 12, 3},
            {"1234.5678.9999", 1234, 5678, 9999},
        };
        for (const Case &c : good) {
            const auto v = ParseVersionText(c.text);
            QVERIFY2(v.has_value(), c.text.constData());
            QCOMPARE(v->major, c.major);
            QCOMPARE(v->minor, c.minor);
            QCOMPARE(v->revision, c.revision);
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
    }

    void outcomes()
    {
        QCOMPARE(JudgeVersionAnswer(true, "9.12.0", running), VersionOutcome::Newer);
        QCOMPARE(JudgeVersionAnswer(true, "9.11.1\r\n", running), VersionOutcome::Newer);
        QCOMPARE(JudgeVersionAnswer(true, "9.11.0", running), VersionOutcome::Current);
        QCOMPARE(JudgeVersionAnswer(true, "9.10.9999", running), VersionOutcome::Current);
        QCOMPARE(JudgeVersionAnswer(true, "", running), VersionOutcome::Empty);
        QCOMPARE(JudgeVersionAnswer(true, " \r\n", running), VersionOutcome::Empty);
        QCOMPARE(JudgeVersionAnswer(true, "garbage", running), VersionOutcome::Failed);
        // A failed request is a failure whatever came with it.
        QCOMPARE(JudgeVersionAnswer(false, "9.12.0", running), VersionOutcome::Failed);
    }

    void addresses()
    {
        QCOMPARE(NormalizedSiteAddress(QString()), QString());
        QCOMPARE(NormalizedSiteAddress(QStringLiteral("  ")), QString());
        QCOMPARE(NormalizedSiteAddress(QStringLiteral(" updates.agency.example/custorin/ ")),
                 QStringLiteral("updates.agency.example/custorin"));
        QCOMPARE(NormalizedSiteAddress(QStringLiteral("HTTP://10.0.0.5:8080//")),
                 QStringLiteral("10.0.0.5:8080"));
        QCOMPARE(VersionTextUrl(QStringLiteral("10.0.0.5:8080")),
                 QStringLiteral("http://10.0.0.5:8080/VersionInfo/LatestVersion-Custorin.txt"));
        QCOMPARE(VersionInfoDocument(QStringLiteral("updates.agency.example/custorin")),
                 QStringLiteral("updates.agency.example/custorin/VersionInfo/"
                                "VersionInfo-Custorin.pdf"));
        QCOMPARE(WindowsNoticeDocument(QStringLiteral("10.0.0.5:8080")),
                 QStringLiteral("10.0.0.5:8080/manual/windowsnotice.pdf"));
        // Without an update address the documents are on the vendor's site.
        QCOMPARE(VersionInfoDocument(QString()),
                 QStringLiteral("www.custorin.example/VersionInfo/VersionInfo-Custorin.pdf"));
        QCOMPARE(WindowsNoticeDocument(QString()),
                 QStringLiteral("www.custorin.example/manual/windowsnotice.pdf"));
    }

    void newUserOverview()
    {
        // The question, then the overview itself.
        QCOMPARE(NewUserOverviewMessage(),
                 QStringLiteral("Welcome! Are you a new user? If so, then let's take a moment "
                                "for a quick overview.\r\n\r\n") +
                     OverviewText());
        QVERIFY(OverviewText().startsWith(QStringLiteral("Custorin keeps the inventory")));
    }

    void screenSizes()
    {
        QVERIFY(!ScreenNeedsWarning(1024, 768));
        QVERIFY(!ScreenNeedsWarning(1024, 720));
        QVERIFY(!ScreenNeedsWarning(3840, 2160));
        QVERIFY(ScreenNeedsWarning(1023, 768));
        QVERIFY(ScreenNeedsWarning(1024, 719));
        QVERIFY(ScreenNeedsWarning(1023.9, 1024));
        // The whole text is checked in the title window's test; a fraction
        // shows as computed.
        QCOMPARE(ScreenWarningText(1023.5, 767.25),
                 ScreenWarningText(800, 600).replace(QStringLiteral("(800x600)"),
                                                     QStringLiteral("(1023.5x767.25)")));
    }

    void pulseSteps()
    {
        ButtonPulse s;
        // Up from the start: the level climbs by 4, the mirror falls.
        s.tick();
        QCOMPARE(s.level, 4);
        QCOMPARE(s.mirror, 244);
        QCOMPARE(s.step, 4);
        // Still below 8: the mirror restarts at 248 once more.
        s.tick();
        QCOMPARE(s.mirror, 244);
        for (int tick = 3; tick <= 63; ++tick)
            s.tick();
        QCOMPARE(s.level, 252);
        QCOMPARE(s.mirror, 0);
        // Above 248 it turns: the mirror restarts at 8.
        s.tick();
        QCOMPARE(s.level, 248);
        QCOMPARE(s.mirror, 12);
        QCOMPARE(s.step, -4);
        for (int tick = 65; tick <= 125; ++tick)
            s.tick();
        QCOMPARE(s.level, 4);
        QCOMPARE(s.mirror, 256);
        // Below 8 it turns again.
        s.tick();
        QCOMPARE(s.level, 8);
        QCOMPARE(s.mirror, 244);
        QCOMPARE(s.step, 4);

        // The main window's mirror starts again at 2 at the bright end.
        ButtonPulse main{252, 0, 4, 2};
        main.tick();
        QCOMPARE(main.level, 248);
        QCOMPARE(main.mirror, 6);
        QCOMPARE(main.step, -4);
    }

    void pulseColours()
    {
        ButtonPulse s;
        s.tick(); // level 4, mirror 244
        PulseColorPair c = PulseColorsFor(0xFF80FF, s);
        QCOMPARE(c.back, rgb(244, 116, 244));
        QCOMPARE(c.fore, rgb(4, 0, 4));
        c = PulseColorsFor(0xF2E6DC, s); // the program's button face
        QCOMPARE(c.back, rgb(244, 244, 116));
        QCOMPARE(c.fore, rgb(4, 4, 0));

        // Parts above 255 are 255.
        s = {4, 256, -4, 8}; // the bottom of the swing
        c = PulseColorsFor(0xF2E6DC, s);
        QCOMPARE(c.back, rgb(255, 255, 128));
        QCOMPARE(c.fore, rgb(4, 4, 0));
        s = {252, 0, 4, 8}; // the top of the swing
        c = PulseColorsFor(0xFF80FF, s);
        QCOMPARE(c.back, rgb(0, 0, 0));
        QCOMPARE(c.fore, rgb(252, 188, 252));
    }
};

QTEST_APPLESS_MAIN(TestTitleRules)
#include "tst_titlerules.moc"
