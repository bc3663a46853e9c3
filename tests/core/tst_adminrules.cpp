// The rules of the administrative windows that need no widget: grid rows,
// selection after changes, the pulse, the password keys, the comments box,
// the save button, the set-up checks and the command line.
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
    void gridRowsAndSelection()
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
        QCOMPARE(RowOfSortKey(keys, "Smith Ann"), 2);
        QCOMPARE(RowOfSortKey(keys, "smith ann"), 0);
        QVERIFY(RowAfterDelete(1) == 1 && RowAfterDelete(7) == 6);
    }

    void pulseAndPasswordKeys()
    {
        // Hover colours that pulse, and one that does not.
        OleColor back = 7, fore = 7;
        const ButtonPulse s{100, 150, 4};
        QVERIFY(PulseColors(0xFF00FF, s, &back, &fore));
        QVERIFY(back == 0x967C96 && fore == 0x646464); // RGB(150, 124, 150), RGB(100, 100, 100)
        QVERIFY(PulseColors(0x00FF00, s, &back, &fore));
        QVERIFY(back == 0x009600 && fore == 0x006400);
        back = fore = 7;
        QVERIFY(!PulseColors(0xF2E6DC, s, &back, &fore) && back == 7 && fore == 7);
        // Enter cancels while the box is empty, does nothing with 1 to 3
        // characters and signs in from 4: length -> sign in, cancel default.
        const int cases[][3] = {{0, 0, 1}, {1, 0, 0}, {3, 0, 0}, {4, 1, 0}, {8, 1, 0}};
        for (const auto &c : cases) {
            const PasswordEntryState e = PasswordEntryRules(c[0]);
            QCOMPARE(QVector<bool>({e.signInEnabled, e.signInDefault, e.cancelDefault}),
                     QVector<bool>({bool(c[1]), bool(c[1]), bool(c[2])}));
        }
    }

    void addEditWindowRules()
    {
        QCOMPARE(AddEditText::SpaceFullText(1), QStringLiteral(" 1% full "));
        QCOMPARE(AddEditText::SpaceFullText(439), QStringLiteral(" 100% full "));
        QCOMPARE(LimitComments(QString(437, 'x') + "\nyz"), QString(437, 'x') + "\n");
        QCOMPARE(LimitComments(QString(500, 'y')), QString(439, 'y'));
        // Visible: enabled exactly when filled. Hidden: shown exactly then.
        SaveButtonState b = SaveButtonAfterChange({true, true}, false);
        QVERIFY(b.visible && !b.enabled);
        b = SaveButtonAfterChange({false, true}, false);
        QVERIFY(!b.visible && b.enabled);
        b = SaveButtonAfterChange({false, true}, true);
        QVERIFY(b.visible && b.enabled);
    }

    void setupChecksAndCommandLine()
    {
        using C = SetupCheck;
        QCOMPARE(CheckSetupEntry(" ", "Ab3De", "Ab3De"), C::AgencyEmpty);
        QCOMPARE(CheckSetupEntry(QString(61, 'a'), "Ab3De", "Ab3De"), C::AgencyTooLong);
        QCOMPARE(CheckSetupEntry(QString(60, 'a'), "Ab3De", "Ab3De"), C::Ok);
        QCOMPARE(CheckSetupEntry("A\tB", "Ab3De", "Ab3De"), C::AgencyInvalid);
        QCOMPARE(CheckSetupEntry("Sheriff", "Ab3D", "Ab3D"), C::CodeWrongLength);
        QCOMPARE(CheckSetupEntry("Sheriff", "Ab3Def", "Ab3Def"), C::CodeWrongLength);
        QCOMPARE(CheckSetupEntry("Sheriff", "Ab\t3D", "Ab\t3D"), C::CodeInvalid);
        QCOMPARE(CheckSetupEntry("Sheriff", "Ab3De", "ab3De"), C::CodesDiffer);
        QCOMPARE(SetupCheckMessage(C::CodeWrongLength).text,
                 QStringLiteral("The access code must be exactly\r\n5 characters long."));

        StartOptions o = ParseCommandLine({"--set-agency", "Troop C", "--set-access-code"}, "/");
        QVERIFY(o.error.isEmpty() && o.unattended() && o.setAccessCode);
        QCOMPARE(o.agencyName, QStringLiteral("Troop C"));
        o = ParseCommandLine({"--set-agency=Troop C"}, "/");
        QVERIFY(o.setAgency && !o.setAccessCode && o.agencyName == "Troop C");
        QVERIFY(!ParseCommandLine({"--data-dir", "/x"}, "/").unattended());
        QCOMPARE(ParseCommandLine({"--set-agency"}, "/").error,
                 QStringLiteral("--set-agency needs the agency's name"));
        QVERIFY(ParseCommandLine({"--set-access-code=1"}, "/").error.contains("takes no value"));
    }
};

QTEST_MAIN(TestAdminRules)
#include "tst_adminrules.moc"
