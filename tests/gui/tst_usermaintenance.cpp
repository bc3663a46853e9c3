// User list maintenance through the administrative window: list-editing
// mode, the add/edit window with its modes, adding, editing and deleting
// users (what reaches the user file and its log), and changes made at
// another workstation. The file's own rules have their test in tests/core.
#include "AdminFixtures.h"
#include "BoxText.h"
#include "FakeDesktop.h"
#include "core/common/Globals.h"
#include "core/users/Installation.h"
#include "gui/controls/ZelButton.h"
#include "gui/windows/Quit.h"
#include "gui/windows/frmAddEditUser.h"

#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QRadioButton>

using namespace fixtures;

namespace
{

const QString Code = QStringLiteral("Ab3De");

QByteArray logLine(const char *name, const char *verb)
{
    return QByteArray("12/04/2026 at 14:05:09 - '") + name + "' " + verb + " the 'User List'\r\n";
}

// The access code set up, the users written, the window open and in
// list-editing mode (before which beforeEditing runs).
void openEditing(TestEnvironment &env, frmAdmin &w, const QByteArray &users,
                 const std::function<void()> &beforeEditing = {})
{
    env.desktop.setNow(QDateTime(QDate(2026, 12, 4), QTime(14, 5, 9)));
    QVERIFY(SaveInstallation("County Sheriff", Code) == InstallationResult::Ok);
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

} // namespace

class TestUserMaintenance : public QObject
{
    Q_OBJECT
private slots:
    void init() { ProgramEnding = false; }

    // In list-editing mode the caption changes, the three buttons are
    // usable and "Finished editing" flashes; leaving puts it all back.
    void listEditingMode()
    {
        TestEnvironment env;
        frmAdmin w;
        openEditing(env, w, user(1, "Ann", "Smith", 4));
        QCOMPARE(w.windowTitle(), QStringLiteral("'User List' Administration"));
        QVERIFY(w.cmdDeleteUser->isEnabled() && !w.cmdReviewLogs->isVisible());
        QTRY_VERIFY(w.cmdEditList->BackColor() != ZelButton::ProgramFace);
        w.cmdEditList->click();
        QVERIFY(!w.EditingList && !w.timerFlashButton->isActive());
        QCOMPARE(w.cmdEditList->BackColor(), OleColor(ZelButton::ProgramFace));
        QCOMPARE(w.windowTitle(), QStringLiteral("Custorin - Administrative Window"));
        QVERIFY(!w.cmdDeleteUser->isEnabled() && w.cmdReviewLogs->isVisible());
    }

    void addUsers()
    {
        TestEnvironment env;
        frmAdmin w;
        // With no users the add window opens at once.
        openEditing(env, w, QByteArray(), [&] {
            whenModal<frmAddEditUser>([&](frmAddEditUser *d) {
                QCOMPARE(d->windowTitle(), QStringLiteral("Custorin - Add a User"));
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
        double created = 0;
        std::memcpy(&created, file.constData(), 8);
        QVERIFY(qAbs(created - oleDate(2026, 12, 4, 14, 5, 9)) < 0.5 / 86400.0);

        // One more of the same name: the one added is highlighted, the first
        // of equal keys. Cancel writes nothing.
        whenModal<frmAddEditUser>([&](frmAddEditUser *d) {
            QTest::keyClicks(d->txtFirstName, "Ann");
            QTest::keyClicks(d->txtLastName, "Smith");
            d->txtPassword->setText("Ab12");
            d->cmdSave->click();
        });
        w.cmdAddUser->click();
        QCOMPARE(w.grid->Row(), 1);
        QCOMPARE(w.grid->TextMatrix(1, 4), QStringLiteral("1"));
        whenModal<frmAddEditUser>([&](frmAddEditUser *d) { d->cmdCancel->click(); });
        w.cmdAddUser->click();
        QCOMPARE(readFile(env.path("User.List")).size(), 1000);
        QCOMPARE(readFile(env.path("UserList.Log")),
                 logLine("Ann Smith", "added to") + logLine("Ann Smith", "added to"));
        QCOMPARE(env.desktop.pendingAnswers(), 0);
    }

    void editUser()
    {
        TestEnvironment env;
        const double created = oleDate(2023, 11, 15, 15, 7);
        const QByteArray zed = user(1, "Zed", "Young", 2);
        frmAdmin w;
        openEditing(
            env, w,
            zed + userWithPassword(created, "Ann", "Smith", "Secret1", 4, "Line one\r\nLine two"));
        w.grid->setRow(rowOf(w.grid, "Ann Smith"));
        whenModal<frmAddEditUser>([&](frmAddEditUser *d) {
            QCOMPARE(d->cmdCancel->text(), QStringLiteral("&Finished Viewing"));
            QVERIFY(!d->cmdSave->isVisible());
            QCOMPARE(d->lblDateCreated->text(),
                     QStringLiteral(" Record Created 11/15/2023 03:07pm "));
            QCOMPARE(d->txtComments->toPlainText(), QStringLiteral("Line one\nLine two"));
            // The first change shows Save.
            d->optAccessLevel.at(1)->click();
            QVERIFY(d->cmdSave->isVisible() && d->cmdSave->isEnabled());
            QCOMPARE(d->cmdCancel->text(), QStringLiteral("&Cancel Changes"));
            d->txtLastName->setText("Jones");
            d->cmdSave->click();
            QVERIFY(!d->isVisible());
        });
        w.cmdEditUser->click();
        const QByteArray file = readFile(env.path("User.List"));
        QCOMPARE(fillersAsQ(file), zed + userWithPassword(created, "Ann", "Jones", "Secret1", 2,
                                                          "Line one\r\nLine two"));
        QCOMPARE(readFile(env.path("UserList.Log")), logLine("Ann Jones", "edited in"));

        // Changed at another workstation after the window opened: nothing
        // written, the person told, the list reloaded.
        w.grid->setRow(rowOf(w.grid, "Zed Young"));
        whenModal<frmAddEditUser>([&](frmAddEditUser *d) {
            writeFile(env.path("User.List"), file.mid(500));
            d->txtFirstName->setText("Zack");
            env.desktop.answerMsgBox(1, false, "User changed at another workstation");
            d->cmdSave->click();
        });
        w.grid_DblClick();
        QCOMPARE(readFile(env.path("User.List")), file.mid(500));
        QCOMPARE(w.grid->Rows(), 2);
        QCOMPARE(readFile(env.path("UserList.Log")), logLine("Ann Jones", "edited in"));
        QCOMPARE(env.desktop.pendingAnswers(), 0);
    }

    void deleteUsers()
    {
        TestEnvironment env;
        const QByteArray a = user(1, "Ann", "Adams", 1), b = user(2, "Bo", "Baker", 2),
                         c = user(3, "Cy", "Cole", 3);
        frmAdmin w;
        openEditing(env, w, c + a + b);

        // "No" deletes nothing and tells nothing more.
        w.grid->setRow(rowOf(w.grid, "Bo Baker"));
        env.desktop.answerMsgBox(2, false, "Confirm Deletion");
        w.cmdDeleteUser->click();
        QCOMPARE(readFile(env.path("User.List")), c + a + b);
        // "Yes": deleted, the row above highlighted, the notice shown.
        env.desktop.answerMsgBox(1, false, "Confirm Deletion");
        env.desktop.answerMsgBox(1, false, "User removed");
        w.cmdDeleteUser->click();
        QCOMPARE(boxTexts(env.desktop.msgBoxes.mid(1)),
                 QStringList({"Confirm Deletion | Are you sure you want to remove\r\n\r\nBo Baker"
                              "\r\n\r\nfrom the 'User List'? | &Yes, delete this User, "
                              "&No, do not delete | 4 2 1",
                              "User removed | This name has been deleted\r\nfrom the 'User List'."
                              " | &Continue editing | 5 1 1"}));
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
        QCOMPARE(readFile(env.path("UserList.Log")), logLine("Bo Baker", "deleted from") +
                                                         logLine("Cy Cole", "deleted from") +
                                                         logLine("Bo Baker", "deleted from"));
        QCOMPARE(env.desktop.pendingAnswers(), 0);
    }
};

QTEST_MAIN(TestUserMaintenance)
#include "tst_usermaintenance.moc"
