// The windows on the database store: signing in against a password key,
// the main list, archiving and an entry card's edit, each change
// with its log line in the database; a user's edit that keeps the key.
#include "../gui/AdminFixtures.h"
#include "FakeDesktop.h"
#include "PgCluster.h"
#include "SkipStatus.h"
#include "TestBytes.h"
#include "core/common/ActivityLog.h"
#include "core/rules/AdminRules.h"
#include "core/store/pg/PgSchema.h"
#include "core/store/pg/PgStore.h"
#include "gui/controls/Grid.h"
#include "gui/controls/ZelButton.h"
#include "gui/windows/Quit.h"
#include "gui/windows/frmAddEditUser.h"
#include "gui/windows/frmMain.h"
#include "gui/windows/frmSeeEntry.h"

#include <QLineEdit>
#include <QPointer>
#include <QTest>

using namespace fixtures;

class TestPgWindows : public QObject
{
    Q_OBJECT
    PgCluster server;
    QString clerk;

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
        UserRecord bo;
        bo.FirstName = QStringLiteral("Bo");
        bo.LastName = QStringLiteral("Baker");
        bo.Password = ScramblePassword(QStringLiteral("Pw12"));
        bo.AccessLevel = 2;
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
};

SKIPPABLE_GUI_MAIN(TestPgWindows)
#include "tst_pgwindows.moc"
