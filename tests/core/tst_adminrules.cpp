// The rules of the administrative windows that need no widget: grid rows,
// selection after changes, the pulse, the comments box, the save button,
// the set-up checks and the command line.
#include "FakeDesktop.h"
#include "core/common/Globals.h"
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
        QCOMPARE(RowOfSortKey(keys, "Young Zed"), 4);
        QCOMPARE(RowAfterDelete(1), 1);
        QCOMPARE(RowAfterDelete(7), 6);
    }

    void pulse()
    {
        OleColor back = 1, fore = 1;
        const ButtonPulse s{100, 150, 4};
        const struct {
            OleColor face, back, fore;
        } pulses[] = {{0xFFFF80, 0x969600, 0x646400}, // RGB(0, 150, 150)
                      {0xFF00FF, 0x967C96, 0x646464}, // RGB(150, 124, 150)
                      {0x00FF00, 0x009600, 0x006400}};
        for (const auto &p : pulses) {
            QVERIFY(PulseColors(p.face, s, &back, &fore));
            QCOMPARE(back, p.back);
            QCOMPARE(fore, p.fore);
        }
        back = fore = 7;
        QVERIFY(!PulseColors(0xF2E6DC, s, &back, &fore));
        QCOMPARE(back, OleColor(7));
        QCOMPARE(fore, OleColor(7));
    }

    void passwordEntry_data()
    {
        QTest::addColumn<int>("length");
        QTest::addColumn<bool>("signIn");
        QTest::addColumn<bool>("cancelDefault");
        QTest::newRow("empty") << 0 << false << true;
        QTest::newRow("1") << 1 << false << false;
        QTest::newRow("3") << 3 << false << false;
        QTest::newRow("4") << 4 << true << false;
        QTest::newRow("8") << 8 << true << false;
    }

    void passwordEntry()
    {
        QFETCH(int, length);
        QFETCH(bool, signIn);
        QFETCH(bool, cancelDefault);
        const PasswordEntryState s = PasswordEntryRules(length);
        QCOMPARE(s.signInEnabled, signIn);
        QCOMPARE(s.signInDefault, signIn);
        QCOMPARE(s.cancelDefault, cancelDefault);
    }

    void addEditWindowRules()
    {
        QCOMPARE(AddEditText::SpaceFullText(1), QStringLiteral(" 1% full "));
        QCOMPARE(AddEditText::SpaceFullText(220), QStringLiteral(" 50% full "));
        QCOMPARE(AddEditText::SpaceFullText(439), QStringLiteral(" 100% full "));

        const QString lines = QString("x").repeated(437) + "\nyz";
        QCOMPARE(LimitComments(lines), QString("x").repeated(437) + "\n");
        QCOMPARE(LimitComments(QString("y").repeated(500)), QString("y").repeated(439));

        // Visible: enabled exactly when filled. Hidden: shown exactly then.
        SaveButtonState s = SaveButtonAfterChange({true, false}, true);
        QVERIFY(s.visible && s.enabled);
        s = SaveButtonAfterChange({true, true}, false);
        QVERIFY(s.visible && !s.enabled);
        s = SaveButtonAfterChange({false, true}, false);
        QVERIFY(!s.visible && s.enabled);
        s = SaveButtonAfterChange({false, true}, true);
        QVERIFY(s.visible && s.enabled);
    }

    void setupChecks()
    {
        using C = SetupCheck;
        QCOMPARE(CheckSetupEntry(" ", "Ab3De", "Ab3De"), C::AgencyEmpty);
        QCOMPARE(CheckSetupEntry(QString(61, 'a'), "Ab3De", "Ab3De"), C::AgencyTooLong);
        QCOMPARE(CheckSetupEntry(QString(60, 'a'), "Ab3De", "Ab3De"), C::Ok);
        QCOMPARE(CheckSetupEntry("A\tB", "Ab3De", "Ab3De"), C::AgencyInvalid);
        for (const char *code : {"Ab3D", "Ab3Def"})
            QCOMPARE(CheckSetupEntry("Sheriff", code, code), C::CodeWrongLength);
        QCOMPARE(CheckSetupEntry("Sheriff", "Ab\t3D", "Ab\t3D"), C::CodeInvalid);
        QCOMPARE(CheckSetupEntry("Sheriff", "Ab3De", "ab3De"), C::CodesDiffer);
        const MsgBoxRequest r = SetupCheckMessage(SetupCheck::CodeWrongLength);
        QCOMPARE(r.title, QStringLiteral("Invalid Access Code"));
        QCOMPARE(r.text, QStringLiteral("The access code must be exactly\r\n5 characters long."));
    }

    void commandLine()
    {
        StartOptions o = ParseCommandLine({"--set-agency", "Troop C", "--set-access-code"}, "/");
        QVERIFY(o.error.isEmpty());
        QVERIFY(o.unattended());
        QCOMPARE(o.agencyName, QStringLiteral("Troop C"));
        QVERIFY(o.setAccessCode);
        o = ParseCommandLine({"--set-agency=Troop C"}, "/");
        QVERIFY(o.setAgency && !o.setAccessCode);
        QCOMPARE(o.agencyName, QStringLiteral("Troop C"));
        QVERIFY(!ParseCommandLine({"--data-dir", "/x"}, "/").unattended());
        QCOMPARE(ParseCommandLine({"--set-agency"}, "/").error,
                 QStringLiteral("--set-agency needs the agency's name"));
        QVERIFY(
            ParseCommandLine({"--set-access-code=12345"}, "/").error.contains("takes no value"));
    }
};

QTEST_MAIN(TestAdminRules)
#include "tst_adminrules.moc"
