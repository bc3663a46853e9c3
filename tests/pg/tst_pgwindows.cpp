// The windows on the database store: signing in against a password key,
// the main list, archiving and an entry card's edit, each change
// with its log line in the database; the installation's settings, the
// access code's count, the backup window and the change watch, none of
// them reading or writing the data folder.
#include "../gui/AdminFixtures.h"
#include "FakeDesktop.h"
#include "PgCluster.h"
#include "SkipStatus.h"
#include "TestBytes.h"
#include "core/common/ActivityLog.h"
#include "core/common/FolderLock.h"
#include "core/store/pg/PgSchema.h"
#include "core/store/pg/PgStore.h"
#include "gui/controls/Grid.h"
#include "gui/controls/ZelButton.h"
#include "gui/windows/BackupProcedures.h"
#include "gui/windows/Quit.h"
#include "gui/windows/frmMain.h"
#include "gui/windows/frmSeeEntry.h"
#include "gui/windows/frmSetup.h"

#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QPointer>
#include <QTemporaryDir>
#include <QTest>

using namespace fixtures;

class TestPgWindows : public QObject
{
    Q_OBJECT
    PgCluster server;
    QString clerk;
    QString fresh; // a database without users, entries or settings, as clerk
    const QByteArray stamp = "12/04/2026 at 22:45:32 - ";

    QByteArray log(PgStore &store, const QString &name)
    {
        QByteArray bytes;
        store.readLog(name, &bytes);
        return bytes;
    }

private slots:
    void initTestCase()
    {
        QString why;
        if (!server.start(&why))
            SKIP_HERE(qPrintable(why));
        QVERIFY(server.psql("postgres", "CREATE DATABASE custorin"));
        QString message;
        QVERIFY2(InitDatabase(server.conninfo("custorin"), &message), qPrintable(message));
        QVERIFY(server.psql("custorin", "CREATE ROLE clerk LOGIN IN ROLE custorin_app"));
        clerk = server.conninfo("custorin", "clerk");
        QVERIFY(server.psql("postgres", "CREATE DATABASE fresh"));
        QVERIFY2(InitDatabase(server.conninfo("fresh"), &message), qPrintable(message));
        fresh = server.conninfo("fresh", "clerk");
    }

    QString lastText(const TestEnvironment &env) const
    {
        return env.desktop.msgBoxes.isEmpty() ? QString() : env.desktop.msgBoxes.last().text;
    }

    // The set-up window and the first-run check keep the agency's name
    // and the access code's key in the database; a second workstation's
    // window finds it set up meanwhile; a database with users is never
    // set up in a window.
    void installationSettings()
    {
        TestEnvironment env;
        PgStore store(env.data, fresh);
        QCOMPARE(store.loadInstallation(), InstallationResult::NotConfigured);
        frmSetup w(store);
        QCOMPARE(w.lblExplain->text().section(QLatin1Char('\n'), 0, 1),
                 "This database has not been set up yet:\n" + fresh);
        w.txtAgencyName->setText(QStringLiteral("  County Sheriff "));
        w.txtAccessCode->setText(QStringLiteral("Ab3De"));
        w.txtConfirmCode->setText(QStringLiteral("Ab3De"));
        frmSetup late(store); // another workstation's, open meanwhile
        w.cmdSave->click();
        QCOMPARE(w.result(), int(QDialog::Accepted));
        QCOMPARE(env.data.AgencyName, QStringLiteral("County Sheriff"));
        QCOMPARE(QDir(env.folder()).entryList(QDir::Files), QStringList());
        QString keys;
        QVERIFY(server.psql("fresh", "SELECT string_agg(key, ' ' ORDER BY key) FROM installation",
                            &keys));
        QCOMPARE(keys.trimmed(), QStringLiteral("Installation/AccessCodeIterations "
                                                "Installation/AccessCodeKey "
                                                "Installation/AccessCodeMethod "
                                                "Installation/AccessCodeSalt "
                                                "Installation/AgencyName"));
        QCOMPARE(store.checkAccessCode(QStringLiteral("Ab3De")), InstallationResult::Ok);
        QCOMPARE(store.checkAccessCode(QStringLiteral("ab3De")),
                 InstallationResult::AccessCodeInvalid);

        late.txtAgencyName->setText(QStringLiteral("City Police"));
        late.txtAccessCode->setText(QStringLiteral("12345"));
        late.txtConfirmCode->setText(QStringLiteral("12345"));
        env.desktop.answerMsgBox(1, false, "Installation set up meanwhile");
        late.cmdSave->click();
        QCOMPARE(lastText(env), "The database has been set up at another workstation\r\nwhile "
                                "this window was open:\r\n" +
                                    fresh +
                                    "\r\n\r\nNothing has been saved here; the settings made "
                                    "there are used.");
        QCOMPARE(late.result(), int(QDialog::Accepted));
        QCOMPARE(store.checkAccessCode(QStringLiteral("12345")),
                 InstallationResult::AccessCodeInvalid);

        // The operator's change keeps the update address.
        QVERIFY(server.psql("fresh", "INSERT INTO installation VALUES "
                                     "('Installation/UpdateAddress', 'updates.example/custorin')"));
        QCOMPARE(store.saveInstallation(QStringLiteral("County Sheriff"), QStringLiteral("Zz9Zz"),
                                        SetupBy::Operator),
                 InstallationResult::Ok);
        QCOMPARE(store.updateAddress(), QStringLiteral("updates.example/custorin"));
        QCOMPARE(store.checkAccessCode(QStringLiteral("Zz9Zz")), InstallationResult::Ok);
        QCOMPARE(log(store, UserListLogName),
                 stamp + "Access code set in the set-up window\r\n" + stamp +
                     "Access code changed by the unattended set-up\r\n");

        // Damaged settings in a database that holds users.
        UserRecord ann;
        ann.FirstName = QStringLiteral("Ann");
        ann.LastName = QStringLiteral("Smith");
        ann.AccessLevel = 4;
        QCOMPARE(store.addUser(ann), UserResult::Ok);
        QVERIFY(server.psql("fresh",
                            "DELETE FROM installation WHERE key = 'Installation/AccessCodeKey'"));
        env.desktop.answerMsgBox(1, false, "Installation settings damaged");
        QVERIFY(!EnsureInstallationConfigured(store, nullptr));
        QCOMPARE(lastText(env),
                 "The installation settings are damaged or incomplete\r\nin the database:\r\n" +
                     fresh +
                     "\r\n\r\nThe database holds users or entries, so its settings\r\nare not "
                     "set up again in a window.\r\nPlease have the database administrator "
                     "restore them\r\nfrom a backup of the database (pg_restore).");
        QCOMPARE(env.data.AgencyName, QString());
        QCOMPARE(env.desktop.pendingAnswers(), 0);
    }

    // Wrong access codes: each one's line and the count in the database,
    // which another workstation sees; the wait from the second on; the
    // right code clears the count.
    void wrongAccessCodes()
    {
        TestEnvironment env;
        PgStore store(env.data, clerk);
        QCOMPARE(store.saveInstallation(QStringLiteral("County Sheriff"), QStringLiteral("Qw3rt"),
                                        SetupBy::Operator),
                 InstallationResult::Ok);
        const QByteArray before = log(store, UserListLogName);
        env.desktop.answerInputBox(QStringLiteral("qw3rt"));
        env.desktop.answerMsgBox(2, false, "Invalid Entry");
        QVERIFY(!AccessCodeGranted(store, env.session));
        DataSet elsewhere(env.folder());
        PgStore other(elsewhere, clerk);
        QCOMPARE(other.wrongAccessCodeCount(), 1);

        env.session.WrongAccessCodes = 0; // a restart
        env.desktop.answerInputBox(QStringLiteral("Qw3rT"));
        env.desktop.answerMsgBox(1, false, "Invalid Entry");
        env.desktop.answerInputBox(QStringLiteral("Qw3rt"));
        QVERIFY(AccessCodeGranted(store, env.session));
        QCOMPARE(env.desktop.pauses, QList<int>{1000});
        QCOMPARE(other.wrongAccessCodeCount(), 0);
        const QByteArray wrong = stamp + "Incorrect access code submitted at workstation '" +
                                 WorkstationName(env.data).toUtf8() + "' by account '" +
                                 AccountName().toUtf8() + "'\r\n";
        QCOMPARE(log(store, UserListLogName).mid(before.size()), wrong + wrong);
        QCOMPARE(QDir(env.folder()).entryList(QDir::Files), QStringList());
    }

    // The backup window dumps the database as the workstation's role; the
    // restore says how a dump comes back and changes nothing.
    void backupWindow()
    {
        TestEnvironment env;
        PgStore store(env.data, clerk);
        QTemporaryDir target;
        ProcedureWindow window;
        window.caption = [] { return QStringLiteral("Backup"); };
        window.setCaption = [](const QString &) {};
        window.runBusy = [](const std::function<void()> &work) { work(); };
        env.desktop.answerFolder(target.path());
        env.desktop.answerMsgBox(1, false, "Ready to Backup...");
        env.desktop.answerMsgBox(1, false, "Backup Successful");
        QVERIFY(BackupDataFiles(store, window));
        const QStringList dumps = QDir(target.path()).entryList(QDir::Files);
        QCOMPARE(dumps.size(), 1);
        QVERIFY(dumps[0].startsWith(QLatin1String("Custorin-")));
        QCOMPARE(lastText(env), "Your current Custorin database\r\nhas been successfully backed "
                                "up!\r\n\r\nBackup written: " +
                                    QDir(target.path()).filePath(dumps[0]));

        env.desktop.answerMsgBox(1, false, "Important! Please read carefully...");
        QVERIFY(!RestoreDataFiles(store, window));
        QCOMPARE(lastText(env), QStringLiteral("A backup of the database is restored by the\r\n"
                                               "database administrator with pg_restore, not "
                                               "here:\r\n\r\npg_restore --clean "
                                               "--dbname=DATABASE Custorin-DATE.dump\r\n\r\n"
                                               "Nothing has been changed."));
        QCOMPARE(env.desktop.folderTitles.size(), 1);
        QCOMPARE(env.desktop.pendingAnswers(), 0);
    }

    void signInListArchiveEdit()
    {
        TestEnvironment env;
        PgStore store(env.data, clerk);
        UserRecord ann;
        ann.FirstName = QStringLiteral("Ann");
        ann.LastName = QStringLiteral("Smith");
        ann.Password = ScramblePassword(QStringLiteral("Secret1"));
        ann.AccessLevel = 4;
        QCOMPARE(store.addUser(ann), UserResult::Ok);
        for (const char *caseNumber : {"26-0001", "26-0002"}) {
            EntryRecord e;
            e.CaseNumber = QString::fromLatin1(caseNumber);
            e.Description = QStringLiteral("Bicycle");
            e.Category = QStringLiteral("Bicycles");
            e.ReceivedDate = oleDate(2026, 12, 1);
            QCOMPARE(store.addEntry(e), StoreResult::Ok);
        }

        // The administrative window signs Ann in against her key.
        ProgramEnding = false;
        frmAdmin admin(store, env.session);
        open(admin);
        admin.grid->setRow(rowOf(admin.grid, "Ann Smith"));
        admin.cmdUserSelected->click();
        env.desktop.answerMsgBox(2, false, "Incorrect Password");
        QTest::keyClicks(admin.txtPassword, "secret1");
        QTest::keyClick(admin.txtPassword, Qt::Key_Return);
        QVERIFY(env.session.CurrentUserName.isEmpty());
        admin.grid->setRow(rowOf(admin.grid, "Ann Smith"));
        admin.cmdUserSelected->click();
        QTest::keyClicks(admin.txtPassword, "Secret1");
        QTest::keyClick(admin.txtPassword, Qt::Key_Return);
        QCOMPARE(env.session.CurrentUserName, QStringLiteral("Ann Smith"));
        QCOMPARE(log(store, SignInOutLogName),
                 "12/04/2026 at 22:45:32 - Ann Smith - Incorrect password submitted\r\n"
                 "12/04/2026 at 22:45:32 - Ann Smith signed in w/ Full Access privileges\r\n");
        QPointer<frmMain> main;
        for (QWidget *top : QApplication::topLevelWidgets())
            if (!main)
                main = qobject_cast<frmMain *>(top);
        QVERIFY(main && main->isVisible());
        QTRY_COMPARE(main->grid->Rows(), 3);
        QCOMPARE(main->grid->TextMatrix(2, 1), QStringLiteral("26-0002"));

        // The store tells of changes: no data file in the folder is watched.
        const QDateTime at = env.desktop.now();
        for (int tick = 0; tick < 6; ++tick) {
            env.desktop.advance(1);
            main->timerNetworkWatch_Timer();
        }
        env.desktop.setNow(at);
        QVERIFY(!env.desktop.stampedFiles.contains(env.path(DataFileName)));
        QCOMPARE(main->networkWatch().face(), RefreshFace::Normal);
        // Inventories are side files of a shared folder: refused here.
        env.desktop.answerMsgBox(1, false, "Inventory");
        main->cmdInventory_Click();
        QCOMPARE(lastText(env), QStringLiteral("Inventories are kept as files in the shared data "
                                               "folder,\r\nand this installation keeps its "
                                               "entries in a database:\r\nan inventory can not "
                                               "be taken here.\r\n\r\nNothing has been changed."));
        env.desktop.msgBoxes.removeLast();

        // Archive the highlighted (last) entry.
        env.desktop.answerMsgBox(1);
        env.desktop.answerMsgBox(1, true);
        main->cmdArchiveEntry->click();
        QTRY_COMPARE(main->grid->Rows(), 2);
        QCOMPARE(store.entry(2).Status, quint8(StatusArchived));

        // The card edits entry 1.
        frmSeeEntry card(store, env.session);
        card.setTag("1");
        const EntryRecord first = store.entry(1);
        card.setExpectedIdentity(first.ControlNumber, first.CaseNumber);
        card.show();
        QVERIFY(QTest::qWaitForWindowActive(&card));
        QTest::mouseClick(card.cmdEditEntry, Qt::LeftButton);
        QTRY_VERIFY(card.isEditing());
        card.txtfield(7)->setFocus(Qt::OtherFocusReason);
        QCoreApplication::processEvents();
        qobject_cast<QLineEdit *>(card.txtfield(7))->selectAll();
        QTest::keyClick(card.txtfield(7), Qt::Key_Delete);
        QTest::keyClicks(card.txtfield(7), "Red bicycle");
        QTest::keyClick(card.txtfield(7), Qt::Key_Tab);
        QTest::mouseClick(card.cmdEditSave, Qt::LeftButton);
        QVERIFY(card.hasSaved());
        QCOMPARE(store.entry(1).Description, QStringLiteral("Red bicycle"));
        QCOMPARE(env.desktop.msgBoxes.size(), 3);
        const QByteArray t = "12/04/2026 at 22:45:32 - Control#20261204224532 ";
        QCOMPARE(log(store, DataRecordsLogName),
                 "12/04/2026 at 22:45:32 - Control#20261204224532 added by \r\n" + t +
                     "added by \r\n" + t + "archived by Ann Smith\r\n" + t +
                     "edited by Ann Smith\r\n");
        ProgramEnding = true;
        delete main.data();
    }
};

SKIPPABLE_GUI_MAIN(TestPgWindows)
#include "tst_pgwindows.moc"
