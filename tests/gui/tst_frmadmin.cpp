// The administrative window: the user grid, the password keys, signing in
// right and wrong with the exact log lines, a user changed or damaged
// meanwhile, help and the close box.
#include "AdminFixtures.h"
#include "FakeDesktop.h"
#include "core/common/Globals.h"
#include "gui/controls/ZelButton.h"
#include "gui/windows/Quit.h"
#include "gui/windows/frmMain.h"

#include <QCloseEvent>
#include <QLineEdit>
#include <QPointer>
#include <QTest>
#include <QtTest/qtestspontaneevent.h>

using namespace fixtures;

namespace
{

// Three users, in file order Zed Young, Ann Smith, bob adams.
const QByteArray Zed = userWithPassword(oleDate(2024, 3, 1, 9, 30), "Zed", "Young", "Zz99", 2);
const QByteArray Ann = userWithPassword(oleDate(2023, 11, 15), "Ann", "Smith", "Secret1", 4);
const QByteArray Bob = userWithPassword(oleDate(2025, 1, 2), "bob", "adams", "b0b0", 1);

// Picks the user, types the password and presses Enter.
void signIn(frmAdmin &w, const QString &name, const char *password)
{
    w.grid->setRow(rowOf(w.grid, name));
    w.cmdUserSelected->click();
    QVERIFY(w.txtPassword->isVisible() && !w.grid->isEnabled() && !w.cmdEditList->isVisible());
    QTest::keyClicks(w.txtPassword, password);
    QTest::keyClick(w.txtPassword, Qt::Key_Return);
}

QByteArray logLine(const char *time, const char *what)
{
    return QByteArray("12/04/2026 at ") + time + " - " + what + "\r\n";
}

// After a sign-in the main window is open (and says the data file is
// empty in the queued box); closes it again.
void expectMainWindow(TestEnvironment &env)
{
    QPointer<frmMain> main;
    for (QWidget *top : QApplication::topLevelWidgets()) {
        if (!main)
            main = qobject_cast<frmMain *>(top);
    }
    QVERIFY(main && main->isVisible());
    QTRY_COMPARE(env.desktop.pendingAnswers(), 0);
    ProgramEnding = true;
    delete main.data();
    ProgramEnding = false;
}

bool inPicking(const frmAdmin &w)
{
    return !w.txtPassword->isVisible() && !w.cmdSignIn->isVisible() && w.cmdEditList->isVisible() &&
           w.grid->isEnabled() && w.cmdUserSelected->text() == "&Sign in the Highlighted User";
}

} // namespace

class TestFrmAdmin : public QObject
{
    Q_OBJECT
private slots:
    void init() { ProgramEnding = false; }

    void userGridAndEmptyList()
    {
        TestEnvironment env;
        writeFile(env.path("User.List"), Zed + Ann + Bob);
        frmAdmin w;
        open(w);
        // Sorted by "Last First", ignoring case; the record numbers follow.
        QStringList rows;
        for (int r = 1; r < w.grid->Rows(); ++r)
            rows << w.grid->TextMatrix(r, 0) + '|' + w.grid->TextMatrix(r, 2) + '|' +
                        w.grid->TextMatrix(r, 4);
        QCOMPARE(rows, QStringList({"bob adams|01/02/2025|3", "Ann Smith|11/15/2023|2",
                                    "Zed Young|03/01/2024|1"}));
        QVERIFY(w.grid->ColHidden(3) && w.grid->ColHidden(4) && !w.grid->ColHidden(2));
        QCOMPARE(w.grid->table().cellBackColor(2, 2), 0xD0D0D0u);
        QVERIFY(w.grid->Row() == 1 && w.cmdUserSelected->isDefault());

        // No users: said so, nobody can be picked.
        writeFile(env.path("User.List"), "");
        env.desktop.answerMsgBox(1, false, "'User List' empty");
        frmAdmin empty;
        open(empty);
        QCOMPARE(env.desktop.msgBoxes.at(0).text,
                 QStringLiteral("There are currently no 'Users'\r\nentered in the 'User List'"));
        QVERIFY(!empty.grid->isVisible() && !empty.cmdUserSelected->isVisible());
        empty.grid_DblClick();
        QVERIFY(!empty.txtPassword->isVisible());
    }

    void passwordKeysAndSignIn()
    {
        TestEnvironment env;
        writeFile(env.path("User.List"), Zed + Ann + Bob);
        frmAdmin w;
        open(w);
        QCOMPARE(w.txtPassword->maxLength(), 8);
        // Empty: Enter cancels. 3 characters: Enter does nothing.
        signIn(w, "bob adams", "");
        QVERIFY(inPicking(w));
        signIn(w, "bob adams", "b0b");
        QVERIFY(w.txtPassword->isVisible() && !w.timerFlashButton->isActive());
        QVERIFY(!QFile::exists(env.path("SignInOut.Log")));
        // 4 characters pulse the sign-in button; emptied, it gets its
        // colours back; Esc leaves.
        QTest::keyClicks(w.txtPassword, "0");
        QTRY_VERIFY(w.cmdSignIn->BackColor() != ZelButton::ProgramFace);
        w.txtPassword->clear();
        QCOMPARE(w.cmdSignIn->BackColor(), OleColor(ZelButton::ProgramFace));
        QVERIFY(w.cmdCancel->isDefault());
        QTest::keyClick(w.txtPassword, Qt::Key_Escape);
        QVERIFY(inPicking(w));
        // 4 characters: Enter signs in.
        env.desktop.answerMsgBox(1); // the main window's empty list
        signIn(w, "bob adams", "b0b0");
        QCOMPARE(CurrentUserName, QStringLiteral("bob adams"));
        QCOMPARE(CurrentAccessLevel, 1);
        QVERIFY(!w.isVisible() && !w.timerFlashButton->isActive());
        QCOMPARE(readFile(env.path("SignInOut.Log")),
                 logLine("22:45:32", "bob adams signed in w/ Read Only privileges"));
        expectMainWindow(env);
    }

    void wrongPassword()
    {
        TestEnvironment env;
        writeFile(env.path("User.List"), Zed + Ann + Bob);
        frmAdmin w;
        open(w);
        // Differs only in case: refused; "Try again" empties the box.
        env.desktop.answerMsgBox(1, false, "Incorrect Password");
        signIn(w, "Ann Smith", "secret1");
        const QByteArray first = logLine("22:45:32", "Ann Smith - Incorrect password submitted");
        QCOMPARE(readFile(env.path("SignInOut.Log")), first);
        QVERIFY(CurrentUserName.isEmpty() && w.txtPassword->text().isEmpty());
        // A trailing blank is not trimmed away; "Cancel sign-in" goes back.
        env.desktop.advance(5);
        env.desktop.answerMsgBox(2, false, "Incorrect Password");
        QTest::keyClicks(w.txtPassword, "Secret1 ");
        QTest::keyClick(w.txtPassword, Qt::Key_Return);
        QCOMPARE(readFile(env.path("SignInOut.Log")),
                 first + logLine("22:45:37", "Ann Smith - Incorrect password submitted"));
        QVERIFY(inPicking(w) && w.cmdUserSelected->isDefault());
        QCOMPARE(w.cmdUserSelected->BackColor(), OleColor(0x80FFFF));
    }

    void userChangedOrDamagedMeanwhile()
    {
        TestEnvironment env;
        writeFile(env.path("User.List"), Zed + Ann + Bob);
        frmAdmin w;
        open(w);
        // Another workstation deleted Zed Young: Ann Smith's record 2 holds
        // bob adams now. Nobody signs in; the list is read again.
        writeFile(env.path("User.List"), Ann + Bob);
        env.desktop.answerMsgBox(1, false, "User changed at another workstation");
        signIn(w, "Ann Smith", "Secret1");
        QVERIFY(CurrentUserName.isEmpty() && inPicking(w));
        QCOMPARE(w.grid->TextMatrix(rowOf(w.grid, "Ann Smith"), 4), QStringLiteral("1"));
        // A row whose record number names no user: said, the list read again.
        w.grid->setTextMatrix(rowOf(w.grid, "Ann Smith"), 4, QStringLiteral("9"));
        env.desktop.answerMsgBox(1, false, "User not available");
        signIn(w, "Ann Smith", "Secret1");
        QVERIFY(CurrentUserName.isEmpty() && inPicking(w));
        QCOMPARE(w.grid->TextMatrix(rowOf(w.grid, "Ann Smith"), 4), QStringLiteral("1"));
        // The right password, a level that is none of the four.
        writeFile(env.path("User.List"),
                  userWithPassword(oleDate(2024, 3, 1), "Zed", "Young", "Zz99", 7) + Bob);
        frmAdmin damaged;
        open(damaged);
        env.desktop.answerMsgBox(1, false, "User record damaged");
        signIn(damaged, "Zed Young", "Zz99");
        QVERIFY(env.desktop.msgBoxes.last().text.startsWith(
            "The user record of 'Zed Young' holds the access\r\nlevel 7,"));
        QVERIFY(CurrentUserName.isEmpty() && CurrentAccessLevel == 0 && inPicking(damaged));
        QVERIFY(!QFile::exists(env.path("SignInOut.Log")));
        QCOMPARE(env.desktop.pendingAnswers(), 0);
    }

    void helpAndCloseBox()
    {
        TestEnvironment env;
        writeFile(env.path("User.List"), Zed);
        frmAdmin w;
        open(w);
        writeFile(env.path("Custorin.PDF"), "%PDF");
        QTest::keyClick(w.grid, Qt::Key_F1); // anywhere in the window
        QCOMPARE(env.desktop.openedUrls.size(), 1);
        QVERIFY(env.desktop.openedUrls.at(0).toLocalFile().endsWith("/Custorin.PDF"));
        // The close box asks as Exit does; "No" keeps the window. Delivered
        // directly: sending would clear the spontaneous mark.
        env.desktop.answerMsgBox(2, false, "Exit Custorin?");
        QCloseEvent close;
        QSpontaneKeyEvent::setSpontaneous(&close);
        static_cast<QObject &>(w).event(&close);
        QVERIFY(!close.isAccepted() && w.isVisible());
        // Closed by the program (sign-in, the end of the program): no question.
        w.close();
        QVERIFY(!w.isVisible());
        QCOMPARE(env.desktop.pendingAnswers(), 0);
    }
};

QTEST_MAIN(TestFrmAdmin)
#include "tst_frmadmin.moc"
