// User list maintenance: list-editing mode, the add/edit window with its
// modes and rules, adding, editing and deleting users with the exact user
// file bytes and log lines, and changes made at another workstation.
#include "AdminFixtures.h"
#include "FakeDesktop.h"
#include "core/common/Globals.h"
#include "core/users/Installation.h"
#include "gui/controls/Grid.h"
#include "gui/controls/ZelButton.h"
#include "gui/windows/Quit.h"
#include "gui/windows/Start.h"
#include "gui/windows/frmAddEditUser.h"
#include "gui/windows/frmAdmin.h"

#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QRadioButton>
#include <QTest>

using namespace fixtures;

namespace
{

const QDateTime Now(QDate(2026, 12, 4), QTime(14, 5, 9));
const QString Code = QStringLiteral("Ab3De");

void enterEditing(TestEnvironment &env, frmAdmin &w)
{
    env.desktop.answerInputBox(Code);
    w.cmdEditList->click();
    QVERIFY(w.EditingList);
}

QByteArray logLine(const char *name, const char *verb)
{
    return QByteArray("12/04/2026 at 14:05:09 - '") + name + "' " + verb + " the 'User List'\r\n";
}

// The fake desktop's time and the access code set up.
void prepare(TestEnvironment &env)
{
    env.desktop.setNow(Now);
    QVERIFY(SaveInstallation("County Sheriff", Code) == InstallationResult::Ok);
    // Set up before the tests' own history begins.
    QVERIFY(QFile::remove(env.path("UserList.Log")));
}

} // namespace

class TestUserMaintenance : public QObject
{
    Q_OBJECT
private slots:
    void init() { ProgramEnding = false; }

    void listEditingMode()
    {
        TestEnvironment env;
        prepare(env);
        writeFile(env.path("User.List"),
                  userWithPassword(oleDate(2024, 3, 1), "Ann", "Smith", "Secret1", 4));
        frmAdmin w;
        open(w);
        const int home = w.cmdAddUser->y();
        enterEditing(env, w);
        QCOMPARE(w.cmdEditList->text(), QStringLiteral("&Finished editing"));
        QCOMPARE(w.windowTitle(), QStringLiteral("'User List' Administration"));
        QVERIFY(!w.cmdReviewLogs->isVisible() && !w.cmdBackupRestore->isVisible());
        QVERIFY(!w.cmdUserSelected->isVisible());
        // The three buttons moved up into one row where the sign-in button was.
        for (ZelButton *b : {w.cmdAddUser, w.cmdEditUser, w.cmdDeleteUser}) {
            QCOMPARE(b->y(), w.cmdUserSelected->y());
            QVERIFY(b->isEnabled() && b->isVisible());
            QVERIFY(b->geometry().bottom() < w.height());
        }
        QCOMPARE(w.FlashingButton, w.cmdEditList);
        QTRY_VERIFY(w.cmdEditList->BackColor() != ZelButton::ProgramFace);

        w.cmdEditList->click();
        QVERIFY(!w.EditingList);
        QVERIFY(!w.timerFlashButton->isActive());
        QCOMPARE(w.cmdEditList->text(), QStringLiteral("Edit '&User List'"));
        QCOMPARE(w.cmdEditList->BackColor(), OleColor(ZelButton::ProgramFace));
        QCOMPARE(w.cmdEditList->ForeColor(), OleColor(ZelButton::ProgramText));
        QCOMPARE(w.windowTitle(), QStringLiteral("Custorin - Administrative Window"));
        for (ZelButton *b : {w.cmdAddUser, w.cmdEditUser, w.cmdDeleteUser}) {
            QCOMPARE(b->y(), home);
            QVERIFY(!b->isEnabled());
        }
        QVERIFY(w.cmdReviewLogs->isVisible() && w.cmdUserSelected->isVisible());
        QCOMPARE(env.desktop.pendingAnswers(), 0);
    }

    void addUsers()
    {
        TestEnvironment env;
        prepare(env);
        env.desktop.answerMsgBox(1, false, "'User List' empty");
        frmAdmin w;
        open(w);

        // With no users the add window opens at once.
        whenModal<frmAddEditUser>([&](frmAddEditUser *d) {
            QCOMPARE(d->windowTitle(), QStringLiteral("Custorin - Add a User"));
            QVERIFY(d->cmdSave->isVisible() && !d->cmdSave->isEnabled());
            QVERIFY(!d->lblDateCreated->isVisible() && !d->lblSpaceFull->isVisible());
            QCOMPARE(d->accessLevel(), 1);
            QCOMPARE(d->recordNumber(), 1);
            QVERIFY(d->optAccessLevel.at(0)->isChecked());
            QTest::keyClicks(d->txtFirstName, "Ann");
            d->txtLastName->setFocus();
            QTest::keyClicks(d->txtLastName, "Smith");
            QVERIFY(!d->cmdSave->isEnabled());
            // The password box shows its hint, all selected, when entered empty.
            d->txtPassword->setFocus();
            QTRY_COMPARE(d->txtPassword->selectedText(), QStringLiteral("<4 to 8 chars only>"));
            // The hint counts as text, but saving it is refused.
            QVERIFY(d->cmdSave->isEnabled());
            env.desktop.answerMsgBox(1, false, "Invalid Password Entry");
            d->cmdSave->click();
            QVERIFY(d->isVisible());
            const MsgBoxRequest r = env.desktop.msgBoxes.last();
            QCOMPARE(r.icon, 4);
            QCOMPARE(r.text, QStringLiteral("The password must be\r\n4 to 8 characters, using\r\n"
                                            "letters and numbers only."));
            QCOMPARE(r.buttons, QStringList({"&Please enter valid password"}));
            QVERIFY(!QFile::exists(env.path("UserList.Log")));

            d->txtPassword->setText(" Pw12 ");
            d->optAccessLevel.at(2)->click();
            QCOMPARE(d->accessLevel(), 3);
            QTest::keyClicks(d->txtComments, "Day shift");
            QCOMPARE(d->lblSpaceFull->text(), QStringLiteral(" 2% full "));
            d->cmdSave->click();
            QVERIFY(!d->isVisible());
        });
        enterEditing(env, w);
        QCOMPARE(env.desktop.pendingAnswers(), 0);

        QByteArray file = readFile(env.path("User.List"));
        QCOMPARE(file.size(), 500);
        QCOMPARE(file.mid(8, 35), padded("Ann", 15) + padded("Smith", 20));
        QCOMPARE(file.mid(59), QByteArray("\x03\x00", 2) + padded("Day shift", 439));
        // The stored form: a filler before each character of "Pw12".
        const QByteArray stored = file.mid(43, 16);
        QCOMPARE(stored.mid(8), QByteArray(8, ' '));
        for (int i = 0; i < 4; ++i)
            QCOMPARE(stored.at(2 * i + 1), "Pw12"[i]);
        double created = 0;
        std::memcpy(&created, file.constData(), 8);
        QVERIFY(qAbs(created - (oleDate(2026, 12, 4, 14, 5) + 9 / 86400.0)) < 0.5 / 86400.0);
        QCOMPARE(readFile(env.path("UserList.Log")), logLine("Ann Smith", "added to"));
        QVERIFY(w.grid->isVisible());
        QVERIFY(w.cmdEditUser->isEnabled() && w.cmdDeleteUser->isEnabled());

        // Two more; the one added is highlighted, the first of equal keys.
        for (const char *first : {"Bea", "Ann"}) {
            whenModal<frmAddEditUser>([&](frmAddEditUser *d) {
                QTest::keyClicks(d->txtFirstName, first);
                QTest::keyClicks(d->txtLastName, "Smith");
                d->txtPassword->setText("Ab12");
                d->cmdSave->click();
            });
            w.cmdAddUser->click();
            QCOMPARE(w.cmdAddUser->Tag(), QString());
        }
        QCOMPARE(w.grid->Rows(), 4);
        QCOMPARE(w.grid->Row(), 1);
        QCOMPARE(w.grid->TextMatrix(1, 0), QStringLiteral("Ann Smith"));
        QCOMPARE(w.grid->TextMatrix(1, 4), QStringLiteral("1"));
        QCOMPARE(w.grid->ColSel(), 2);
        QCOMPARE(readFile(env.path("UserList.Log")),
                 (logLine("Ann Smith", "added to") + logLine("Bea Smith", "added to") +
                  logLine("Ann Smith", "added to")));

        // Cancel writes nothing.
        whenModal<frmAddEditUser>([&](frmAddEditUser *d) {
            QTest::keyClicks(d->txtFirstName, "Cy");
            d->cmdCancel->click();
        });
        w.cmdAddUser->click();
        QCOMPARE(readFile(env.path("User.List")).size(), 1500);
    }

    void editUser()
    {
        TestEnvironment env;
        prepare(env);
        const double created = oleDate(2023, 11, 15, 15, 7);
        writeFile(
            env.path("User.List"),
            userWithPassword(oleDate(2024, 3, 1), "Zed", "Young", "Zz99", 2) +
                userWithPassword(created, "Ann", "Smith", "Secret1", 4, "Line one\r\nLine two"));
        frmAdmin w;
        open(w);
        enterEditing(env, w);
        w.grid->setRow(rowOf(w.grid, "Ann Smith"));
        whenModal<frmAddEditUser>([&](frmAddEditUser *d) {
            QCOMPARE(d->recordNumber(), 2);
            QCOMPARE(d->cmdCancel->text(), QStringLiteral("&Finished Viewing"));
            QVERIFY(!d->cmdSave->isVisible());
            QCOMPARE(d->lblDateCreated->text(),
                     QStringLiteral(" Record Created 11/15/2023 03:07pm "));
            QCOMPARE(d->txtPassword->text(), QStringLiteral("Secret1"));
            QCOMPARE(d->txtComments->toPlainText(), QStringLiteral("Line one\nLine two"));
            // 18 of 439 characters, the line break counting two.
            QCOMPARE(d->lblSpaceFull->text(), QStringLiteral(" 4% full "));
            QCOMPARE(d->accessLevel(), 4);
            // The first change shows Save.
            d->optAccessLevel.at(1)->click();
            QVERIFY(d->cmdSave->isVisible() && d->cmdSave->isEnabled());
            QCOMPARE(d->cmdCancel->text(), QStringLiteral("&Cancel Changes"));
            d->txtLastName->clear();
            QVERIFY(!d->cmdSave->isEnabled());
            QTest::keyClicks(d->txtLastName, "Jones");
            QVERIFY(d->cmdSave->isEnabled());
            d->cmdSave->click();
            QVERIFY(!d->isVisible());
        });
        w.cmdEditUser->click();
        QCOMPARE(w.cmdEditUser->Tag(), QString());
        const QByteArray file = readFile(env.path("User.List"));
        QCOMPARE(file.size(), 1000);
        const QByteArray ann = file.mid(500);
        double date = 0;
        std::memcpy(&date, ann.constData(), 8);
        QCOMPARE(date, created);
        QCOMPARE(ann.mid(8, 35), padded("Ann", 15) + padded("Jones", 20));
        QCOMPARE(ann.mid(59), QByteArray("\x02\x00", 2) + padded("Line one\r\nLine two", 439));
        QCOMPARE(file.left(500), userWithPassword(oleDate(2024, 3, 1), "Zed", "Young", "Zz99", 2));
        QCOMPARE(readFile(env.path("UserList.Log")), logLine("Ann Jones", "edited in"));
        QCOMPARE(w.grid->TextMatrix(w.grid->Row(), 0), QStringLiteral("Ann Jones"));

        // Double-click in list-editing mode opens the same window.
        w.grid->setRow(rowOf(w.grid, "Zed Young"));
        whenModal<frmAddEditUser>([&](frmAddEditUser *d) {
            QCOMPARE(d->txtFirstName->text(), QStringLiteral("Zed"));
            d->cmdCancel->click();
        });
        w.grid_DblClick();

        // Changed at another workstation after the window opened: nothing
        // written, the person told, the list reloaded.
        w.grid->setRow(rowOf(w.grid, "Zed Young"));
        whenModal<frmAddEditUser>([&](frmAddEditUser *d) {
            writeFile(env.path("User.List"), file.mid(500));
            d->txtFirstName->setText("Zack");
            env.desktop.answerMsgBox(1, false, "User changed at another workstation");
            d->cmdSave->click();
            QVERIFY(!d->isVisible());
        });
        w.cmdEditUser->click();
        QCOMPARE(readFile(env.path("User.List")), file.mid(500));
        QCOMPARE(w.grid->Rows(), 2);
        QCOMPARE(w.grid->TextMatrix(1, 0), QStringLiteral("Ann Jones"));
        QCOMPARE(readFile(env.path("UserList.Log")), logLine("Ann Jones", "edited in"));
        QCOMPARE(env.desktop.pendingAnswers(), 0);
    }

    void deleteUsers()
    {
        TestEnvironment env;
        prepare(env);
        const QByteArray a = userWithPassword(oleDate(2024, 3, 1), "Ann", "Adams", "Aa11", 1);
        const QByteArray b = userWithPassword(oleDate(2024, 3, 2), "Bo", "Baker", "Bb22", 2);
        const QByteArray c = userWithPassword(oleDate(2024, 3, 3), "Cy", "Cole", "Cc33", 3);
        writeFile(env.path("User.List"), c + a + b);
        frmAdmin w;
        open(w);
        enterEditing(env, w);

        // "No" deletes nothing and tells nothing more.
        w.grid->setRow(rowOf(w.grid, "Bo Baker"));
        env.desktop.answerMsgBox(2, false, "Confirm Deletion");
        w.cmdDeleteUser->click();
        const MsgBoxRequest r = env.desktop.msgBoxes.last();
        QCOMPARE(r.icon, 4);
        QCOMPARE(r.text, QStringLiteral("Are you sure you want to remove\r\n\r\nBo Baker\r\n\r\n"
                                        "from the 'User List'?"));
        QCOMPARE(r.buttons, QStringList({"&Yes, delete this User", "&No, do not delete"}));
        QCOMPARE(r.defaultButton, 2);
        QVERIFY(r.offerDontShow);
        QCOMPARE(readFile(env.path("User.List")), c + a + b);
        QVERIFY(!QFile::exists(env.path("UserList.Log")));

        // "Yes": deleted, the row above highlighted, the notice shown.
        env.desktop.answerMsgBox(1, false, "Confirm Deletion");
        env.desktop.answerMsgBox(1, false, "User removed");
        w.cmdDeleteUser->click();
        const MsgBoxRequest notice = env.desktop.msgBoxes.last();
        QCOMPARE(notice.icon, 5);
        QCOMPARE(notice.text,
                 QStringLiteral("This name has been deleted\r\nfrom the 'User List'."));
        QCOMPARE(notice.buttons, QStringList({"&Continue editing"}));
        QCOMPARE(readFile(env.path("User.List")), c + a);
        QCOMPARE(w.grid->Rows(), 3);
        QCOMPARE(w.grid->Row(), 1);
        QCOMPARE(w.grid->TextMatrix(1, 0), QStringLiteral("Ann Adams"));
        QVERIFY(w.isEnabled());

        // "Don't show this again": from now on nothing is asked.
        w.grid->setRow(rowOf(w.grid, "Cy Cole"));
        env.desktop.answerMsgBox(1, true, "Confirm Deletion");
        w.cmdDeleteUser->click();
        QVERIFY(w.SkipDeleteConfirm);
        QCOMPARE(readFile(env.path("User.List")), a);
        QCOMPARE(w.grid->Row(), 1);
        w.cmdDeleteUser->click();
        QVERIFY(!QFile::exists(env.path("User.List")));
        QVERIFY(!w.grid->isVisible());
        QVERIFY(!w.cmdEditUser->isEnabled() && !w.cmdDeleteUser->isEnabled());
        QVERIFY(w.cmdAddUser->isEnabled());
        QCOMPARE(readFile(env.path("UserList.Log")),
                 (logLine("Bo Baker", "deleted from") + logLine("Cy Cole", "deleted from") +
                  logLine("Ann Adams", "deleted from")));
        QCOMPARE(env.desktop.pendingAnswers(), 0);
    }

    void deleteChangedElsewhere()
    {
        TestEnvironment env;
        prepare(env);
        const QByteArray a = userWithPassword(oleDate(2024, 3, 1), "Ann", "Adams", "Aa11", 1);
        const QByteArray b = userWithPassword(oleDate(2024, 3, 2), "Bo", "Baker", "Bb22", 2);
        writeFile(env.path("User.List"), a + b);
        frmAdmin w;
        open(w);
        enterEditing(env, w);
        w.grid->setRow(rowOf(w.grid, "Bo Baker"));
        // Another workstation removed Ann Adams: record 2 no longer exists.
        writeFile(env.path("User.List"), b);
        env.desktop.answerMsgBox(1, false, "Confirm Deletion");
        env.desktop.answerMsgBox(1, false, "User changed at another workstation");
        w.cmdDeleteUser->click();
        QCOMPARE(readFile(env.path("User.List")), b);
        QVERIFY(!QFile::exists(env.path("UserList.Log")));
        QCOMPARE(w.grid->Rows(), 2);
        QCOMPARE(w.grid->TextMatrix(1, 4), QStringLiteral("1"));
        QCOMPARE(env.desktop.pendingAnswers(), 0);
    }
};

QTEST_MAIN(TestUserMaintenance)
#include "tst_usermaintenance.moc"
