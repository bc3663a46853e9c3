// The title window's rules: version texts and their judgement, addresses,
// the overview, the screen-size limits and the pulse.
#include "core/rules/TitleRules.h"

#include <QtTest>

class TestTitleRules : public QObject
{
    Q_OBJECT
private slots:
    void versionTexts()
    {
        // More digits than the pattern's places are all shown; zero is "0".
        QCOMPARE(VersionText({123, 4567, 98765}), QStringLiteral("Version w123.4567.98765"));
        // Numbers, not text: 9.9 is older than 9.10.
        QCOMPARE(CompareVersions({9, 9, 0}, {9, 10, 0}), -1);
        QCOMPARE(CompareVersions({10, 0, 0}, {9, 99, 9999}), 1);

        const QPair<QByteArray, QString> good[] = {{"9.12", "9.12.0"},
                                                   {"\n10.0.0\n\n", "10.0.0"},
                                                   {"Version w9.12.0003", "9.12.3"},
                                                   {"1234.5678.9999", "1234.5678.9999"}};
        for (const auto &g : good) {
            const auto v = ParseVersionText(g.first);
            QVERIFY2(v.has_value(), g.first.constData());
            QCOMPARE(QStringLiteral("%1.%2.%3").arg(v->major).arg(v->minor).arg(v->revision),
                     g.second);
        }
        for (const QByteArray &b :
             {QByteArray("9"), QByteArray("9.x"), QByteArray("9.12.3.4"), QByteArray("12345.1"),
              QByteArray("9.12 beta"), QByteArray("Version 9.12"), QByteArray("9.12\n9.13"),
              QByteArray("9.12\0", 5), QByteArray(300, ' ') + "9.12"})
            QVERIFY2(!ParseVersionText(b).has_value(), b.constData());

        const ProgramVersion running{9, 11, 0};
        QCOMPARE(JudgeVersionAnswer(true, "9.11.1\r\n", running), VersionOutcome::Newer);
        QCOMPARE(JudgeVersionAnswer(true, "9.10.9999", running), VersionOutcome::Current);
        QCOMPARE(JudgeVersionAnswer(true, " \r\n", running), VersionOutcome::Empty);
        QCOMPARE(JudgeVersionAnswer(true, "garbage", running), VersionOutcome::Failed);
        // A failed request is a failure whatever came with it.
        QCOMPARE(JudgeVersionAnswer(false, "9.12.0", running), VersionOutcome::Failed);
    }

    void addressesOverviewAndScreen()
    {
        QCOMPARE(NormalizedSiteAddress(QStringLiteral("  ")), QString());
        QCOMPARE(NormalizedSiteAddress(QStringLiteral(" HTTP://10.0.0.5:8080/custorin// ")),
                 QStringLiteral("10.0.0.5:8080/custorin"));
        QCOMPARE(VersionTextUrl(QStringLiteral("10.0.0.5:8080")),
                 QStringLiteral("http://10.0.0.5:8080/VersionInfo/LatestVersion-Custorin.txt"));
        // Without an update address the documents are on the vendor's site.
        QCOMPARE(VersionInfoDocument(QString()) + ' ' + WindowsNoticeDocument(QString()),
                 QStringLiteral("www.custorin.example/VersionInfo/VersionInfo-Custorin.pdf "
                                "www.custorin.example/manual/windowsnotice.pdf"));
        QCOMPARE(NewUserOverviewMessage(),
                 QStringLiteral("Welcome! Are you a new user? If so, then let's take a moment "
                                "for a quick overview.\r\n\r\n") +
                     OverviewText());
        // At least 1024 wide and 720 high, fractions counting.
        QVERIFY(!ScreenNeedsWarning(1024, 720) && ScreenNeedsWarning(1023.9, 1024));
        QVERIFY(ScreenNeedsWarning(1024, 719.5));
    }

    void pulse()
    {
        // Up by 4, the mirror falling; a button face and a hover colour at 4.
        ButtonPulse s;
        s.tick();
        QVERIFY(s.level == 4 && s.mirror == 244 && s.step == 4);
        QCOMPARE(PulseColorsFor(0xFF80FF, s).back, OleColor(0xF474F4));
        QCOMPARE(PulseColorsFor(0xFF80FF, s).fore, OleColor(0x040004));
        QCOMPARE(PulseColorsFor(0xF2E6DC, s).back, OleColor(0x74F4F4));
        for (int tick = 2; tick <= 63; ++tick)
            s.tick();
        QVERIFY(s.level == 252 && s.mirror == 0);
        // It turns above 248 (mirror from 8) and below 8 (mirror from 248).
        s.tick();
        QVERIFY(s.level == 248 && s.mirror == 12 && s.step == -4);
        for (int tick = 65; tick <= 125; ++tick)
            s.tick();
        QVERIFY(s.level == 4 && s.mirror == 256);
        QCOMPARE(PulseColorsFor(0xF2E6DC, s).back, OleColor(0x80FFFF)); // parts above 255
        s.tick();
        QVERIFY(s.level == 8 && s.mirror == 244 && s.step == 4);
    }
};

QTEST_APPLESS_MAIN(TestTitleRules)
#include "tst_titlerules.moc"
