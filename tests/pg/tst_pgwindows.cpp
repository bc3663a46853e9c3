// The windows on the database store: signing in against a password key,
// the main list, archiving and an entry card's edit, each change
// with its log line in the database; a user's edit that keeps the key;
// the installation's settings, the access code's count, the backup window,
// the change watch and inventories, none of them reading or writing the
// data folder.
#include "../gui/AdminFixtures.h"
#include "FakeDesktop.h"
#include "PgCluster.h"
#include "SkipStatus.h"
#include "TestBytes.h"
#include "TestFiles.h"
#include "TestUsers.h"
#include "core/common/ActivityLog.h"
#include "core/common/FolderLock.h"
#include "core/common/Startup.h"
#include "core/rules/AdminRules.h"
#include "core/rules/Inventory.h"
#include "core/store/pg/PgSchema.h"
#include "core/store/pg/PgStore.h"
#include "core/store/pg/PgTransfer.h"
#include "gui/controls/Grid.h"
#include "gui/controls/ZelButton.h"
#include "gui/windows/BackupProcedures.h"
#include "gui/windows/Quit.h"
#include "gui/windows/frmAddEditUser.h"
#include "gui/windows/frmMain.h"
#include "gui/windows/frmSeeEntry.h"
#include "gui/windows/frmSetup.h"

#include <QBuffer>
#include <QDir>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QPointer>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QSysInfo>
#include <QTemporaryDir>
#include <QTest>
#include <thread>

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
        UserRecord ann = newUser("Ann", "Smith", QString(), 4);
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

    // --set-agency and --set-access-code on the database the program is
    // started on: the settings and the keyed line in the database.
    void unattendedSetUp_data()
    {
        QTest::addColumn<QString>("database");
        QTest::addColumn<QString>("message");
        QTest::newRow("set up") << "unattended"
                                << "The database %1 is set up for State Patrol.";
        QTest::newRow("no tables")
            << "postgres"
            << "Installation settings not saved: The database has no Custorin tables; set it up "
               "with --init.\n\nThe installation settings could not be written\nto the "
               "database:\n%1\n\nNothing has been saved.";
    }
    void unattendedSetUp()
    {
        QFETCH(QString, database);
        QFETCH(QString, message);
        const bool made = database != "postgres";
        QString report;
        if (made)
            QVERIFY(server.psql("postgres", "CREATE DATABASE " + database) &&
                    InitDatabase(server.conninfo(database), &report));
        StartOptions options;
        options.database = server.conninfo(database, made ? "clerk" : "");
        options.setAgency = options.setAccessCode = true;
        options.agencyName = QStringLiteral(" State Patrol ");
        options.logKey = "a workstation's key of 32 bytes";
        QByteArray code = "Zx9Yw\n";
        QBuffer in(&code);
        QVERIFY(in.open(QIODevice::ReadOnly));
        TestEnvironment env;
        QCOMPARE(RunDatabaseSetup(options, in, &report), made ? 0 : 1);
        QCOMPARE(report, message.arg(options.database));
        env.data.options.LogKey = options.logKey;
        PgStore store(env.data, options.database);
        QCOMPARE(store.checkAccessCode("Zx9Yw") == InstallationResult::Ok, made);
        QCOMPARE(log(store, UserListLogName),
                 made ? stamp + "Access code set by the unattended set-up\r\n" : QByteArray());
        bool begun = false;
        QCOMPARE(store.verifyLogChain(UserListLogName, &begun).verifiedUpTo, qint64(made));
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
        // An exported folder keeps the count where a folder does; none
        // once the count is cleared.
        QTemporaryDir out;
        QString message;
        const auto exported = [&](const QString &name) {
            QVERIFY(QDir(out.path()).mkdir(name));
            QVERIFY2(ExportFolder(server.conninfo("custorin"), out.filePath(name), &message),
                     qPrintable(message));
            QVERIFY(!readFile(out.filePath(name + "/Custorin.ini")).contains("WrongCodes"));
        };
        exported("counted");
        QCOMPARE(readFile(out.filePath("counted/WrongCodes.Count")), QByteArray("1\n"));

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
        // Each line with its link, from the first.
        bool begun = false;
        QCOMPARE(store.verifyLogChain(UserListLogName, &begun).verifiedUpTo, qint64(3));
        QCOMPARE(QDir(env.folder()).entryList(QDir::Files), QStringList());
        exported("cleared");
        QVERIFY(!QFileInfo::exists(out.filePath("cleared/WrongCodes.Count")));
    }

    // A change waits for its advisory lock, held here as another
    // workstation (of any release) holds it: the installation's key, an
    // inventory's key and id.
    void changesWaitForTheirLock_data()
    {
        QTest::addColumn<QString>("lock");
        QTest::newRow("wrong code") << "SELECT pg_advisory_xact_lock(4851875793803935745)";
        QTest::newRow("inventory") << "SELECT pg_advisory_xact_lock(1129665364, hashtext('26'))";
    }
    void changesWaitForTheirLock()
    {
        QFETCH(QString, lock);
        TestEnvironment env;
        PgStore store(env.data, clerk);
        const auto change = [&] {
            if (QTest::currentDataTag() == QByteArray("wrong code"))
                return store.countWrongAccessCode() > 0;
            qint64 upTo = 0;
            const auto line = [] { return Store::InventoryAddition{"start\r\n", {}, {}}; };
            const Store::InventoryLineVisitor none = [](const QString &) {};
            return store.appendInventory("26", &upTo, none, line).ok;
        };
        bool done = false;
        int waited = 0;
        {
            QSqlDatabase holder = QSqlDatabase::addDatabase("QPSQL", "holder");
            holder.setConnectOptions(server.conninfo("custorin"));
            QVERIFY(holder.open() && holder.transaction());
            QVERIFY(QSqlQuery(holder).exec(lock));
            std::thread inside([&] { done = change(); });
            QSqlQuery q(holder);
            for (int i = 0; i < 500 && waited == 0; ++i) {
                QThread::msleep(20);
                waited = q.exec("SELECT count(*) FROM pg_locks WHERE NOT granted") && q.next()
                             ? q.value(0).toInt()
                             : -1;
            }
            holder.commit();
            inside.join();
            holder.close();
        }
        QSqlDatabase::removeDatabase("holder");
        QCOMPARE(waited, 1);
        QVERIFY(done);
    }

    // The backup window dumps the database as the workstation's role; the
    // restore says how a dump comes back and changes nothing.
    void backupWindow()
    {
        TestEnvironment env;
        PgStore store(env.data, clerk);
        const QByteArray before = log(store, UserListLogName);
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
        QCOMPARE(log(store, UserListLogName).mid(before.size()),
                 stamp + "Data files backed up to '" + target.path().toUtf8() + "' by account '" +
                     AccountName().toUtf8() + "' at workstation '" +
                     QSysInfo::machineHostName().toUtf8() + "'\r\n");
        // A backup whose line the server refuses says so.
        QVERIFY(server.psql("custorin", "REVOKE INSERT ON user_list_log FROM custorin_app"));
        env.desktop.answerFolder(target.path());
        env.desktop.answerMsgBox(1, false, "Ready to Backup...");
        env.desktop.answerMsgBox(1, false, "Backup Successful");
        QVERIFY(BackupDataFiles(store, window));
        QVERIFY(server.psql("custorin", "GRANT INSERT ON user_list_log TO custorin_app"));
        QVERIFY2(lastText(env).endsWith(".dump\r\n\r\nIt could not be recorded in the "
                                        "activity log 'UserList.Log'."),
                 qPrintable(lastText(env)));

        env.desktop.answerMsgBox(1, false, "Important! Please read carefully...");
        QVERIFY(!RestoreDataFiles(store, window));
        QCOMPARE(lastText(env), QStringLiteral("A backup of the database is restored by the\r\n"
                                               "database administrator with pg_restore, not "
                                               "here:\r\n\r\npg_restore --clean "
                                               "--dbname=DATABASE Custorin-DATE.dump\r\n\r\n"
                                               "Nothing has been changed."));
        QCOMPARE(env.desktop.folderTitles.size(), 2);
        QCOMPARE(env.desktop.pendingAnswers(), 0);
    }

    void signInListArchiveEdit()
    {
        TestEnvironment env;
        PgStore store(env.data, clerk);
        UserRecord ann = newUser("Ann", "Smith", "Secret1", 4);
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
    void userEditKeepsThePassword()
    {
        TestEnvironment env;
        PgStore store(env.data, clerk);
        UserRecord bo = newUser("Bo", "Baker", "Pw12", 2);
        int n = 0;
        QCOMPARE(store.addUser(bo, &n), UserResult::Ok);
        frmAddEditUser w(store, env.session);
        w.setTag(AddEditText::EditMode());
        w.setRecord(n, UserIdentity::of(store.user(n)));
        QVERIFY(w.Load());
        w.show();
        QVERIFY(QTest::qWaitForWindowActive(&w));
        // The key is not shown; entering the box puts no hint in it.
        w.txtPassword->setFocus();
        QTRY_VERIFY(w.txtPassword->hasFocus());
        QCOMPARE(w.txtPassword->text(), QString());
        QCOMPARE(w.txtPassword->placeholderText(), QStringLiteral("<unchanged>"));
        w.txtLastName->setText(QStringLiteral("Brown"));
        QVERIFY(w.cmdSave->isVisible() && w.cmdSave->isEnabled());
        w.cmdSave->click();
        QVERIFY(w.saved());
        QCOMPARE(env.desktop.msgBoxes.size(), 0);
        QCOMPARE(store.user(n).LastName, QStringLiteral("Brown"));
        QVERIFY(store.passwordMatches(store.user(n), QStringLiteral("Pw12")));
    }

    // An inventory on the database, scanned from two workstations: each
    // reads what the other added under the inventory's lock, so the
    // second scan of one item is "scanned twice" whoever made the first;
    // the close writes the missing entry; no side file is made.
    void inventoryFromTwoWorkstations()
    {
        QVERIFY(server.psql("postgres", "CREATE DATABASE inv"));
        QString message;
        QVERIFY2(InitDatabase(server.conninfo("inv"), &message), qPrintable(message));
        TestEnvironment env;
        env.session.CurrentUserName = QStringLiteral("Pat Doe");
        env.data.options.HostNameOverride = QStringLiteral("WS-1");
        DataSet ds2(env.folder());
        ds2.attach(&env.session);
        ds2.options.HostNameOverride = QStringLiteral("WS-2");
        PgStore one(env.data, server.conninfo("inv", "clerk"));
        PgStore two(ds2, server.conninfo("inv", "clerk"));
        for (const char *shelf : {"A1", "A1", "B2"}) {
            EntryRecord e;
            e.CaseNumber = QStringLiteral("26-0001");
            e.Location = QString::fromLatin1(shelf);
            e.Description = QStringLiteral("Bicycle");
            e.ReceivedDate = oleDate(2026, 12, 1);
            QCOMPARE(one.addEntry(e), StoreResult::Ok);
            env.desktop.advance(1);
        }
        InventoryEntries entries;
        QVERIFY(LoadInventoryEntries(two, &entries));
        QCOMPARE(int(entries.list.size()), 3);
        // Moved by the other workstation: the entries are read again.
        EntryRecord moved = one.entry(3);
        moved.Location = QStringLiteral("C3");
        QCOMPARE(one.saveEntry(3, {moved.ControlNumber, moved.CaseNumber}, moved), StoreResult::Ok);
        QVERIFY(RefreshInventoryEntries(two, &entries));
        const QString c1 = entries.list[0].control, c2 = entries.list[1].control,
                      c3 = entries.list[2].control;
        Inventory a, b;
        QVERIFY(StartInventory(one, {}, entries, &a).ok);
        QVERIFY(LoadInventory(two, a.id, &b));
        InventoryScan scan;
        QVERIFY(RecordInventoryScan(one, &a, entries, "A1", c1, &scan).ok);
        QCOMPARE(scan.cls, ScanClass::Found);
        QVERIFY(RecordInventoryScan(two, &b, entries, "a1", c1, &scan).ok);
        QCOMPARE(scan.cls, ScanClass::ScannedTwice);
        QVERIFY(RecordInventoryScan(two, &b, entries, "A1", c3, &scan).ok);
        QCOMPARE(scan.cls, ScanClass::OtherShelf);
        QVERIFY(CloseInventory(one, &a, entries).ok);
        QCOMPARE(RecordInventoryScan(two, &b, entries, "A1", c2, &scan).text,
                 InventoryClosedText());

        QString lines;
        qint64 upTo = 0;
        QVERIFY(one.readInventory(a.id, &upTo, [&](const QString &l) { lines += l + "\n"; }));
        const QString at = "12/04/2026 22:45:35\t";
        const QString scanned = "\tBicycle\nscan\t" + at + "WS-2\tPat Doe\t";
        QCOMPARE(lines, "start\t" + a.id + "\tall\t\t\t0\t" + at + "WS-1\tPat Doe\nexpect\t" + c1 +
                            "\nexpect\t" + c2 + "\nexpect\t" + c3 + "\nscan\t" + at +
                            "WS-1\tPat Doe\t" + c1 + "\tA1\tfound\tA1\t26-0001" + scanned + c1 +
                            "\ta1\ttwice\tA1\t26-0001" + scanned + c3 +
                            "\tA1\tmoved\tC3\t26-0001\tBicycle\nmissing\t" + c2 +
                            "\t26-0001\tA1\tBicycle\nclose\t" + at + "WS-1\tPat Doe\n");
        QCOMPARE(b.scans.size(), size_t(3));
        QCOMPARE(ListInventories(two).size(), size_t(1));
        const QByteArray logged = log(one, DataRecordsLogName);
        QVERIFY2(logged.endsWith("12/04/2026 at 22:45:35 - Inventory " + a.id.toLatin1() +
                                 " (The whole Active List) started by Pat Doe\r\n"
                                 "12/04/2026 at 22:45:35 - Inventory " +
                                 a.id.toLatin1() + " closed by Pat Doe\r\n"),
                 logged.constData());
        QVERIFY(!QFileInfo::exists(env.path("Inventories")));
        bool begun = false;
        QCOMPARE(one.verifyLogChain(DataRecordsLogName, &begun).verifiedUpTo, qint64(6));
    }
};

SKIPPABLE_GUI_MAIN(TestPgWindows)
#include "tst_pgwindows.moc"
