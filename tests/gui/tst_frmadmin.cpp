// The administrative window: signing in right and wrong, a damaged user
// record, and adding, editing and deleting users.
#include "AdminFixtures.h"
#include "BoxText.h"
#include "FakeDesktop.h"
#include "GuiAccessibility.h"
#include "core/common/Globals.h"
#include "core/users/Installation.h"
#include "gui/controls/ZelButton.h"
#include "gui/windows/Quit.h"
#include "gui/windows/frmAddEditUser.h"
#include "gui/windows/frmMain.h"

#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPointer>
#include <QRadioButton>
#include <QTest>

using namespace fixtures;

namespace
{

const QString Code = QStringLiteral("Ab3De");

// The access code set up, the users written, the window open and in
// list-editing mode (before which beforeEditing runs).
void openEditing(TestEnvironment &env, frmAdmin &w, const QByteArray &users,
                 const std::function<void()> &beforeEditing = {})
{
    env.desktop.setNow(QDateTime(QDate(2026, 12, 4), QTime(14, 5, 9)));
    QVERIFY(SaveInstallation(env.data, "County Sheriff", Code) == InstallationResult::Ok);
    QVERIFY(QFile::remove(env.path("UserList.Log"))); // the set-up's own line
    if (!users.isEmpty())
        writeFile(env.path("User.List"), users);
    else
        env.desktop.answerMsgBox(1, false, "'User List' empty");
    open(w);
    if (beforeEditing)
        beforeEditing();
    env.desktop.answerInputBox(Code);
    w.cmdEditList->click();
    QVERIFY(w.EditingList);
}

QByteArray user(int day, const QByteArray &first, const QByteArray &last, int level,
                const QByteArray &comments = QByteArray())
{
    return userWithPassword(oleDate(2024, 3, day), first, last, first + "12", qint16(level),
                            comments);
}

// The user records of a file with the random filler before each character
// of their stored passwords replaced by the 'Q' of storedPassword().
QByteArray fillersAsQ(QByteArray file)
{
    for (int at = 43; at < file.size(); at += 500) {
        for (int i = at; i < at + 16 && file[i + 1] != ' '; i += 2)
            file[i] = 'Q';
    }
    return file;
}

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

    void userGridPasswordKeysAndSignIn()
    {
        TestEnvironment env;
        writeFile(env.path("User.List"), Zed + Ann + Bob);
        frmAdmin w(env.store, env.session);
        open(w);
        // Sorted by "Last First", ignoring case; the record numbers follow.
        QStringList rows;
        for (int r = 1; r < w.grid->Rows(); ++r)
            rows << w.grid->TextMatrix(r, 0) + '|' + w.grid->TextMatrix(r, 2) + '|' +
                        w.grid->TextMatrix(r, 4);
        QCOMPARE(rows, QStringList({"bob adams|01/02/2025|3", "Ann Smith|11/15/2023|2",
                                    "Zed Young|03/01/2024|1"}));
        QVERIFY(w.grid->Row() == 1 && w.cmdUserSelected->isDefault());
        QCOMPARE(w.txtPassword->maxLength(), 8);
        // Empty: Enter cancels. 3 characters: Enter does nothing.
        signIn(w, "bob adams", "");
        QVERIFY(inPicking(w));
        signIn(w, "bob adams", "b0b");
        QVERIFY(w.txtPassword->isVisible() && !w.timerFlashButton->isActive());
        QVERIFY(!QFile::exists(env.path("SignInOut.Log")));
        // Esc leaves.
        QTest::keyClick(w.txtPassword, Qt::Key_Escape);
        QVERIFY(inPicking(w));
        // Differs only in case: refused and logged; "Cancel sign-in" goes back.
        env.desktop.answerMsgBox(2, false, "Incorrect Password");
        signIn(w, "Ann Smith", "secret1");
        QVERIFY(env.session.CurrentUserName.isEmpty() && inPicking(w) &&
                w.cmdUserSelected->isDefault());
        // 4 characters: Enter signs in.
        env.desktop.answerMsgBox(1); // the main window's empty list
        signIn(w, "bob adams", "b0b0");
        QCOMPARE(env.session.CurrentUserName, QStringLiteral("bob adams"));
        QCOMPARE(env.session.CurrentAccessLevel, 1);
        QVERIFY(!w.isVisible() && !w.timerFlashButton->isActive());
        QCOMPARE(readFile(env.path("SignInOut.Log")),
                 logLine("22:45:32", "Ann Smith - Incorrect password submitted") +
                     logLine("22:45:32", "bob adams signed in w/ Read Only privileges"));
        // The main window is open (and says the data file is empty).
        QPointer<frmMain> main;
        for (QWidget *top : QApplication::topLevelWidgets()) {
            if (!main)
                main = qobject_cast<frmMain *>(top);
        }
        QVERIFY(main && main->isVisible());
        QTRY_COMPARE(env.desktop.pendingAnswers(), 0);
        ProgramEnding = true;
        delete main.data();
    }

    // The access code: after a wrong one "Try again" asks once more and
    // "Never mind" gives up; the right one after a wrong one is granted; an
    // empty answer is no answer.
    void accessCodeAskedUntilRight()
    {
        TestEnvironment env;
        QVERIFY(SaveInstallation(env.data, "County Sheriff", Code) == InstallationResult::Ok);
        for (const int choice : {1, 2}) {
            env.desktop.answerInputBox(QStringLiteral("wrong"));
            env.desktop.answerMsgBox(choice, false, "Invalid Entry");
        }
        QVERIFY(!AccessCodeGranted(env.store, env.session));
        env.desktop.answerInputBox(QStringLiteral("wrong"));
        env.desktop.answerMsgBox(1, false, "Invalid Entry");
        env.desktop.answerInputBox(Code);
        QVERIFY(AccessCodeGranted(env.store, env.session));
        env.desktop.answerInputBox(QString());
        QVERIFY(!AccessCodeGranted(env.store, env.session));
        QCOMPARE(env.desktop.msgBoxes.size(), 3);
        QCOMPARE(boxText(env.desktop.msgBoxes[2]),
                 "Invalid Entry | 'wrong' is not the\r\n\r\ncorrect Access Code | &Try again, "
                 "&Never mind | 2 1 0");
        QCOMPARE(env.desktop.pendingAnswers(), 0);
    }

    void damagedUserRecord()
    {
        TestEnvironment env;
        // The right password, a level that is none of the four.
        writeFile(env.path("User.List"),
                  userWithPassword(oleDate(2024, 3, 1), "Zed", "Young", "Zz99", 7) + Bob);
        frmAdmin damaged(env.store, env.session);
        open(damaged);
        env.desktop.answerMsgBox(1, false, "User record damaged");
        signIn(damaged, "Zed Young", "Zz99");
        QVERIFY(env.desktop.msgBoxes.last().text.startsWith(
            "The user record of 'Zed Young' holds the access\r\nlevel 7,"));
        QVERIFY(env.session.CurrentUserName.isEmpty() && env.session.CurrentAccessLevel == 0 &&
                inPicking(damaged));
        QVERIFY(!QFile::exists(env.path("SignInOut.Log")));
        QCOMPARE(env.desktop.pendingAnswers(), 0);
    }

    void addUsers()
    {
        TestEnvironment env;
        frmAdmin w(env.store, env.session);
        // With no users the window says so, and the add window opens at once.
        openEditing(env, w, QByteArray(), [&] {
            QCOMPARE(
                env.desktop.msgBoxes.at(0).text,
                QStringLiteral("There are currently no 'Users'\r\nentered in the 'User List'"));
            QVERIFY(!w.grid->isVisible() && !w.cmdUserSelected->isVisible());
            whenModal<frmAddEditUser>([&](frmAddEditUser *d) {
                QTest::keyClicks(d->txtFirstName, "Ann");
                QTest::keyClicks(d->txtLastName, "Smith");
                QVERIFY(!d->cmdSave->isEnabled());
                // The password box shows its hint, all selected, when entered
                // empty; the hint counts as text, but saving it is refused.
                d->txtPassword->setFocus();
                QTRY_COMPARE(d->txtPassword->selectedText(), QStringLiteral("<4 to 8 chars only>"));
                env.desktop.answerMsgBox(1, false, "Invalid Password Entry");
                d->cmdSave->click();
                QVERIFY(d->isVisible());
                QCOMPARE(boxText(env.desktop.msgBoxes.last()),
                         QStringLiteral("Invalid Password Entry | The password must be\r\n4 to 8 "
                                        "characters, using\r\nletters and numbers only. | "
                                        "&Please enter valid password | 4 1 0"));
                d->txtPassword->setText(" Pw12 ");
                d->optAccessLevel.at(2)->click();
                QTest::keyClicks(d->txtComments, "Day shift");
                QCOMPARE(d->lblSpaceFull->text(), QStringLiteral(" 2% full "));
                d->cmdSave->click();
                QVERIFY(!d->isVisible());
            });
        });
        const QByteArray file = readFile(env.path("User.List"));
        QCOMPARE(fillersAsQ(file).mid(8),
                 userWithPassword(0, "Ann", "Smith", "Pw12", 3, "Day shift").mid(8));

        QCOMPARE(readFile(env.path("UserList.Log")),
                 logLine("14:05:09", "'Ann Smith' added to the 'User List'"));
        QCOMPARE(env.desktop.pendingAnswers(), 0);
    }

    void editUser()
    {
        TestEnvironment env;
        const double created = oleDate(2023, 11, 15, 15, 7);
        const QByteArray zed = user(1, "Zed", "Young", 2);
        frmAdmin w(env.store, env.session);
        openEditing(
            env, w,
            zed + userWithPassword(created, "Ann", "Smith", "Secret1", 4, "Line one\r\nLine two"));
        w.grid->setRow(rowOf(w.grid, "Ann Smith"));
        whenModal<frmAddEditUser>([&](frmAddEditUser *d) {
            QCOMPARE(d->lblDateCreated->text(),
                     QStringLiteral(" Record Created 11/15/2023 03:07pm "));
            QCOMPARE(d->txtComments->toPlainText(), QStringLiteral("Line one\nLine two"));
            // The first change shows Save.
            QVERIFY(!d->cmdSave->isVisible());
            toggleAsScreenReader(d->optAccessLevel.at(1)); // no click, as a screen reader
            QVERIFY(d->cmdSave->isVisible() && d->cmdSave->isEnabled());
            d->txtLastName->setText("Jones");
            d->cmdSave->click();
            QVERIFY(!d->isVisible());
        });
        w.cmdEditUser->click();
        const QByteArray file = readFile(env.path("User.List"));
        QCOMPARE(fillersAsQ(file), zed + userWithPassword(created, "Ann", "Jones", "Secret1", 2,
                                                          "Line one\r\nLine two"));
        QCOMPARE(readFile(env.path("UserList.Log")),
                 logLine("14:05:09", "'Ann Jones' edited in the 'User List'"));
        QCOMPARE(env.desktop.pendingAnswers(), 0);
    }

    void deleteUsers()
    {
        TestEnvironment env;
        const QByteArray a = user(1, "Ann", "Adams", 1), b = user(2, "Bo", "Baker", 2),
                         c = user(3, "Cy", "Cole", 3);
        frmAdmin w(env.store, env.session);
        openEditing(env, w, c + a + b);

        // "Yes": deleted, the row above highlighted, the notice shown.
        w.grid->setRow(rowOf(w.grid, "Bo Baker"));
        env.desktop.answerMsgBox(1, false, "Confirm Deletion");
        env.desktop.answerMsgBox(1, false, "User removed");
        w.cmdDeleteUser->click();
        QCOMPARE(boxText(env.desktop.msgBoxes.first()),
                 "Confirm Deletion | Are you sure you want to remove\r\n\r\nBo Baker\r\n\r\n"
                 "from the 'User List'? | &Yes, delete this User, &No, do not delete | 4 2 1");
        QCOMPARE(readFile(env.path("User.List")), c + a);
        QCOMPARE(w.grid->TextMatrix(w.grid->Row(), 0), QStringLiteral("Ann Adams"));

        // "Don't show this again": from now on nothing is asked. Another
        // workstation's change is not deleted over.
        w.grid->setRow(rowOf(w.grid, "Cy Cole"));
        env.desktop.answerMsgBox(1, true, "Confirm Deletion");
        w.cmdDeleteUser->click();
        QCOMPARE(readFile(env.path("User.List")), a);
        writeFile(env.path("User.List"), b);
        env.desktop.answerMsgBox(1, false, "User changed at another workstation");
        w.cmdDeleteUser->click();
        QCOMPARE(readFile(env.path("User.List")), b);
        w.cmdDeleteUser->click();
        QVERIFY(!QFile::exists(env.path("User.List")));
        QVERIFY(!w.grid->isVisible() && !w.cmdDeleteUser->isEnabled());
        QCOMPARE(readFile(env.path("UserList.Log")),
                 logLine("14:05:09", "'Bo Baker' deleted from the 'User List'") +
                     logLine("14:05:09", "'Cy Cole' deleted from the 'User List'") +
                     logLine("14:05:09", "'Bo Baker' deleted from the 'User List'"));
        QCOMPARE(env.desktop.pendingAnswers(), 0);
    }
};

QTEST_MAIN(TestFrmAdmin)
#include "tst_frmadmin.moc"
