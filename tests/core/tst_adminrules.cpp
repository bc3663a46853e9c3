// The rules of the administrative windows that need no widget: password
// keys, grid rows, selection after changes, the pulse, the comments box,
// the save button, the set-up checks and the unattended set-up.
#include "FakeDesktop.h"
#include "admin/AdminRules.h"
#include "admin/Installation.h"
#include "admin/UnattendedSetup.h"
#include "admin/UserRecord.h"
#include "app/Globals.h"
#include "app/Startup.h"

#include <QBuffer>
#include <QTest>

class TestAdminRules : public QObject
{
    Q_OBJECT
private slots:
    void passwordKeys()
    {
        // Enter: cancels at 0, nothing at 1 to 3, signs in from 4.
        const struct {
            int length;
            bool enabled, signInDefault, cancelDefault;
        } cases[] = {{0, false, false, true},
                     {1, false, false, false},
                     {3, false, false, false},
                     {4, true, true, false},
                     {8, true, true, false}};
        for (const auto &c : cases) {
            const PasswordEntryState s = PasswordEntryRules(c.length);
            QCOMPARE(s.signInEnabled, c.enabled);
            QCOMPARE(s.signInDefault, c.signInDefault);
            QCOMPARE(s.cancelDefault, c.cancelDefault);
        }
    }

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
        QCOMPARE(RowAfterDelete(2), 1);
        QCOMPARE(RowAfterDelete(7), 6);

        QCOMPARE(AdminText::GridTip(0, true, false), QString());
        QCOMPARE(AdminText::GridTip(3, true, false),
                 QStringLiteral(" Double-click to select this User "));
        QCOMPARE(AdminText::GridTip(3, false, true),
                 QStringLiteral(" Double-click to view/edit this User "));
    }

    void pulse()
    {
        FlashState s;
        AdvanceFlash(s);
        QCOMPARE(s.level, 4);
        QCOMPARE(s.mirror, 244);
        QCOMPARE(s.step, 4);
        AdvanceFlash(s); // still below 8: the mirror starts again at 248
        QCOMPARE(s.level, 8);
        QCOMPARE(s.mirror, 244);
        AdvanceFlash(s);
        QCOMPARE(s.level, 12);
        QCOMPARE(s.mirror, 240);
        s = {252, 0, 4};
        AdvanceFlash(s); // over 248: turns down
        QCOMPARE(s.level, 248);
        QCOMPARE(s.mirror, 12);
        QCOMPARE(s.step, -4);

        OleColor back = 1, fore = 1;
        s = {100, 150, 4};
        QVERIFY(PulseColors(0xFFFF80, s, &back, &fore));
        QCOMPARE(back, OleColor(0x969600)); // RGB(0, 150, 150)
        QCOMPARE(fore, OleColor(0x646400));
        QVERIFY(PulseColors(0xFF00FF, s, &back, &fore));
        QCOMPARE(back, OleColor(0x967C96)); // RGB(150, 124, 150)
        QCOMPARE(fore, OleColor(0x646464));
        QVERIFY(PulseColors(0x00FF00, s, &back, &fore));
        QCOMPARE(back, OleColor(0x009600));
        QCOMPARE(fore, OleColor(0x006400));
        back = fore = 7;
        QVERIFY(!PulseColors(0xF2E6DC, s, &back, &fore));
        QCOMPARE(back, OleColor(7));
        QCOMPARE(fore, OleColor(7));
    }

    void addEditWindowRules()
    {
        QCOMPARE(AddEditText::SpaceFullText(1), QStringLiteral(" 1% full "));
        QCOMPARE(AddEditText::SpaceFullText(9), QStringLiteral(" 2% full "));
        QCOMPARE(AddEditText::SpaceFullText(220), QStringLiteral(" 50% full "));
        QCOMPARE(AddEditText::SpaceFullText(439), QStringLiteral(" 100% full "));
        QCOMPARE(AddEditText::DateCreatedText(45352.75),
                 QStringLiteral(" Record Created 03/01/2024 06:00pm "));
        QCOMPARE(AddEditText::Caption("Add a User"), QStringLiteral("Custorin - Add a User"));

        QCOMPARE(CommentsForRecord("a\nb\r\nc"), QStringLiteral("a\r\nb\r\nc"));
        QCOMPARE(CommentsForBox("a\r\nb"), QStringLiteral("a\nb"));
        const QString lines = QString("x").repeated(437) + "\nyz";
        QCOMPARE(LimitComments(lines), QString("x").repeated(437) + "\n");
        QCOMPARE(LimitComments(QString("y").repeated(500)), QString("y").repeated(439));

        QVERIFY(MandatoryFieldsFilled("a", "b", "c"));
        QVERIFY(!MandatoryFieldsFilled("a", "  ", "c"));
        QVERIFY(!MandatoryFieldsFilled("", "b", "c"));
        QVERIFY(MandatoryFieldsFilled("a", "b", "<4 to 8 chars only>"));

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
        QCOMPARE(CheckSetupEntry(" ", "Ab3De", "Ab3De"), SetupCheck::AgencyEmpty);
        QCOMPARE(CheckSetupEntry(QString(61, 'a'), "Ab3De", "Ab3De"), SetupCheck::AgencyTooLong);
        QCOMPARE(CheckSetupEntry(QString(60, 'a'), "Ab3De", "Ab3De"), SetupCheck::Ok);
        QCOMPARE(CheckSetupEntry("A\tB", "Ab3De", "Ab3De"), SetupCheck::AgencyInvalid);
        QCOMPARE(CheckSetupEntry("Sheriff", "Ab3D", "Ab3D"), SetupCheck::CodeWrongLength);
        QCOMPARE(CheckSetupEntry("Sheriff", "Ab3Def", "Ab3Def"), SetupCheck::CodeWrongLength);
        QCOMPARE(CheckSetupEntry("Sheriff", "Ab\t3D", "Ab\t3D"), SetupCheck::CodeInvalid);
        QCOMPARE(CheckSetupEntry("Sheriff", "Ab3De", "ab3De"), SetupCheck::CodesDiffer);
        QCOMPARE(CheckSetupEntry("Sheriff", "Ab3De", "Ab3De"), SetupCheck::Ok);
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

    void unattendedSetup()
    {
        TestEnvironment env;
        StartOptions o = ParseCommandLine(
            {"--data-dir", env.folder(), "--set-agency", " County Sheriff ", "--set-access-code"},
            "/");
        QBuffer input;
        input.setData("Ab3 e\r\nignored\n");
        input.open(QIODevice::ReadOnly);
        QString message;
        QCOMPARE(RunUnattendedSetup(o, input, &message), UnattendedOk);
        QCOMPARE(message, "The data folder " + env.folder() + " is set up for County Sheriff.");
        QVERIFY(AccessCodeMatches("Ab3 e"));
        QCOMPARE(AgencyName, QStringLiteral("County Sheriff"));

        QBuffer empty;
        empty.open(QIODevice::ReadOnly);
        QCOMPARE(RunUnattendedSetup(o, empty, &message), UnattendedFailed);
        QVERIFY(message.startsWith("no access code on standard input"));
        QVERIFY(AccessCodeMatches("Ab3 e"));

        QBuffer tooLong;
        tooLong.setData("Ab3 ef");
        tooLong.open(QIODevice::ReadOnly);
        QCOMPARE(RunUnattendedSetup(o, tooLong, &message), UnattendedFailed);
        QCOMPARE(message, QStringLiteral("Invalid Access Code: The access code must be exactly\n"
                                         "5 characters long.\nNothing has been saved."));
        QVERIFY(AccessCodeMatches("Ab3 e"));

        o.setAccessCode = false;
        QCOMPARE(RunUnattendedSetup(o, input, &message), UnattendedUsage);

        QString line;
        QBuffer lf;
        lf.setData("abc\n");
        lf.open(QIODevice::ReadOnly);
        QVERIFY(ReadSecretLine(lf, &line));
        QCOMPARE(line, QStringLiteral("abc"));
        QBuffer blank;
        blank.setData("\n");
        blank.open(QIODevice::ReadOnly);
        QVERIFY(ReadSecretLine(blank, &line));
        QCOMPARE(line, QString());
    }
};

QTEST_MAIN(TestAdminRules)
#include "tst_adminrules.moc"
