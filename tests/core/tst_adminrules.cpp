// The administrative windows' rules: grid rows, selection, the pulse, the
// password keys, comments, set-up checks, the command line.
#include "FakeDesktop.h"
#include "core/common/Startup.h"
#include "core/rules/AdminRules.h"
#include "core/users/Installation.h"
#include "core/users/UnattendedSetup.h"
#include "core/users/UserRecord.h"

#include <QTest>

class TestAdminRules : public QObject
{
    Q_OBJECT
private slots:
    void userWindows()
    {
        TestEnvironment env;
        UserRecord u;
        u.FirstName = QStringLiteral("  Ann ");
        u.LastName = QStringLiteral("Smith  ");
        u.AccessLevel = 3;
        u.DateCreated = 45352.75; // 03/01/2024 18:00
        QCOMPARE(UserGridRowText(u, 17),
                 QStringLiteral("Ann Smith\tRead/Edit/Add\t03/01/2024\tSmith Ann\t17"));
        u.AccessLevel = 9; // damaged: no level name
        QCOMPARE(UserGridRowText(u, 1), QStringLiteral("Ann Smith\t\t03/01/2024\tSmith Ann\t1"));
        const QStringList keys{"adams bob", "Smith Ann", "Smith Ann", "Young Zed"};
        QVERIFY(RowOfSortKey(keys, "Smith Ann") == 2 && RowOfSortKey(keys, "smith ann") == 0);
        QVERIFY(RowAfterDelete(1) == 1 && RowAfterDelete(7) == 6);

        // Hover colours that pulse, and one that does not.
        OleColor back = 7, fore = 7;
        QVERIFY(PulseColors(0xFF00FF, ButtonPulse{100, 150, 4}, &back, &fore));
        QVERIFY(back == 0x967C96 && fore == 0x646464); // RGB(150, 124, 150), RGB(100, 100, 100)
        back = fore = 7;
        QVERIFY(!PulseColors(0xF2E6DC, ButtonPulse{100, 150, 4}, &back, &fore));
        QVERIFY(back == 7 && fore == 7);
        // Length -> sign in (enabled, default), cancel default: 4 or more.
        const int cases[][3] = {{0, 0, 1}, {1, 0, 0}, {3, 0, 0}, {4, 1, 0}};
        for (const auto &c : cases) {
            const PasswordEntryState e = PasswordEntryRules(c[0]);
            QCOMPARE(QVector<bool>({e.signInEnabled, e.signInDefault, e.cancelDefault}),
                     QVector<bool>({bool(c[1]), bool(c[1]), bool(c[2])}));
        }

        QCOMPARE(AddEditText::SpaceFullText(1) + AddEditText::SpaceFullText(439),
                 QStringLiteral(" 1% full  100% full "));
        QCOMPARE(LimitComments(QString(437, 'x') + "\nyz"), QString(437, 'x') + "\n");
    }

    void setupChecksAndCommandLine()
    {
        using C = SetupCheck;
        // clang-format off
        const QList<std::tuple<QString, QString, QString, C>> cases = {
            {" ", "Ab3De", "Ab3De", C::AgencyEmpty},
            {QString(61, 'a'), "Ab3De", "Ab3De", C::AgencyTooLong},
            {QString(60, 'a'), "Ab3De", "Ab3De", C::Ok},
            {"A\tB", "Ab3De", "Ab3De", C::AgencyInvalid},
            {"Sheriff", "Ab3D", "Ab3D", C::CodeWrongLength},
            {"Sheriff", "Ab\t3D", "Ab\t3D", C::CodeInvalid},
            {"Sheriff", "Ab3De", "ab3De", C::CodesDiffer}};
        // clang-format on
        for (const auto &[agency, code, again, result] : cases)
            QVERIFY2(CheckSetupEntry(agency, code, again) == result, qPrintable(agency + code));
        QCOMPARE(SetupCheckMessage(C::CodeWrongLength).text,
                 QStringLiteral("The access code must be exactly\r\n5 characters long."));

        const StartOptions o = ParseCommandLine({"--set-agency=Troop C"}, "/");
        QVERIFY(o.unattended() && !o.setAccessCode && o.agencyName == "Troop C");
        QVERIFY(!ParseCommandLine({"--data-dir", "/x"}, "/").unattended());
        QCOMPARE(ParseCommandLine({"--set-agency"}, "/").error,
                 QStringLiteral("--set-agency needs the agency's name"));
    }
};

QTEST_MAIN(TestAdminRules)
#include "tst_adminrules.moc"
