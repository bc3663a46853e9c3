// The administrative window: the user grid, picking a user, the password
// keys, signing in right and wrong with the exact log lines, the empty user
// list, the access code prompt, help and quit.
#include "AdminFixtures.h"
#include "FakeDesktop.h"
#include "core/common/Globals.h"
#include "core/users/Installation.h"
#include "gui/controls/ZelButton.h"
#include "gui/windows/Quit.h"
#include "gui/windows/Start.h"
#include "gui/windows/frmMain.h"

#include <QCloseEvent>
#include <QLineEdit>
#include <QPointer>
#include <QTest>
#include <QtTest/qtestspontaneevent.h>

using namespace fixtures;

namespace
{

const QDateTime Now(QDate(2026, 12, 4), QTime(22, 45, 32));

// Three users, in file order Zed Young, Ann Smith, bob adams.
void writeUsers(TestEnvironment &env)
{
    env.desktop.setNow(Now);
    writeFile(env.path("User.List"),
              userWithPassword(oleDate(2024, 3, 1, 9, 30), "Zed", "Young", "Zz99", 2) +
                  userWithPassword(oleDate(2023, 11, 15), "Ann", "Smith", "Secret1", 4) +
                  userWithPassword(oleDate(2025, 1, 2), "bob", "adams", "b0b0", 1));
}

void pick(frmAdmin &w, const QString &name)
{
    const int row = rowOf(w.grid, name);
    QVERIFY(row >= 1);
    w.grid->setRow(row);
    w.cmdUserSelected->click();
    QVERIFY(w.txtPassword->isVisible());
}

QByteArray logLine(const char *time, const char *what)
{
    return QByteArray("12/04/2026 at ") + time + " - " + what + "\r\n";
}

// After a sign-in the main window is open; its first activation tells that
// the data file is empty (answered by the queued box). Closes it again.
void expectMainWindow(TestEnvironment &env)
{
    QPointer<frmMain> main;
    for (QWidget *top : QApplication::topLevelWidgets()) {
        if (auto *m = qobject_cast<frmMain *>(top))
            main = m;
    }
    QVERIFY(main && main->isVisible());
    QTRY_COMPARE(env.desktop.pendingAnswers(), 0);
    QCOMPARE(env.desktop.msgBoxes.last().text,
             QStringLiteral("There are currently\r\nno entries in your database..."));
    env.desktop.msgBoxes.removeLast();
    ProgramEnding = true;
    delete main.data();
    ProgramEnding = false;
}

bool inPasswordEntry(const frmAdmin &w)
{
    return w.txtPassword->isVisible() && w.cmdSignIn->isVisible() && w.cmdCancel->isVisible() &&
           !w.cmdEditList->isVisible() && !w.grid->isEnabled();
}

bool inPicking(const frmAdmin &w)
{
    return !w.txtPassword->isVisible() && !w.cmdSignIn->isVisible() && !w.cmdCancel->isVisible() &&
           w.cmdEditList->isVisible() && w.cmdReviewLogs->isVisible() &&
           w.cmdBackupRestore->isVisible() && w.grid->isEnabled() &&
           w.cmdUserSelected->isEnabled() &&
           w.cmdUserSelected->text() == "&Sign in the Highlighted User" &&
           w.cmdUserSelected->Tag().isEmpty() && !w.cmdUserSelected->FontBold();
}

void checkBox(const MsgBoxRequest &r, int icon, const QString &text, const QStringList &buttons)
{
    QCOMPARE(r.icon, icon);
    QCOMPARE(r.text, text);
    QCOMPARE(r.buttons, buttons);
    QCOMPARE(r.defaultButton, 1);
    QVERIFY(!r.offerDontShow);
}

} // namespace

class TestFrmAdmin : public QObject
{
    Q_OBJECT
private slots:
    void init() { ProgramEnding = false; }

    void userGrid()
    {
        TestEnvironment env;
        writeUsers(env);
        frmAdmin w;
        open(w);
        QCOMPARE(w.grid->Rows(), 4);
        QCOMPARE(w.grid->FormatString(),
                 QStringLiteral("<User List|<Access Level|^Date Created|NameSort|RecNum"));
        // Sorted by "Last First", ignoring case; the record numbers follow.
        const QStringList expected[] = {
            {"bob adams", "Read Only", "01/02/2025", "adams bob", "3"},
            {"Ann Smith", "Full Access", "11/15/2023", "Smith Ann", "2"},
            {"Zed Young", "Read/Edit", "03/01/2024", "Young Zed", "1"},
        };
        for (int r = 1; r <= 3; ++r) {
            for (int c = 0; c < 5; ++c)
                QCOMPARE(w.grid->TextMatrix(r, c), expected[r - 1].at(c));
        }
        QVERIFY(w.grid->ColHidden(3) && w.grid->ColHidden(4) && !w.grid->ColHidden(0));
        // Even data rows grey in columns 0 to 2, odd ones the grid's colour.
        QCOMPARE(w.grid->table().cellBackColor(2, 2), 0xD0D0D0u);
        QCOMPARE(w.grid->table().cellBackColor(2, 3), GridTable::NoColor);
        // The first row is highlighted; signing in is offered by default.
        QCOMPARE(w.grid->Row(), 1);
        QCOMPARE(w.grid->ColSel(), 2);
        QVERIFY(w.cmdUserSelected->isVisible() && w.cmdUserSelected->isDefault());
        // The editing buttons wait below the visible area.
        QVERIFY(w.cmdAddUser->y() >= w.height());
        QVERIFY(!w.cmdAddUser->isEnabled());
        QCOMPARE(env.desktop.msgBoxes.size(), 0);
    }

    void emptyList()
    {
        TestEnvironment env;
        env.desktop.answerMsgBox(1, false, "'User List' empty");
        frmAdmin w;
        open(w);
        QCOMPARE(env.desktop.msgBoxes.size(), 1);
        checkBox(env.desktop.msgBoxes.at(0), 2,
                 "There are currently no 'Users'\r\nentered in the 'User List'", {"&Continue"});
        QVERIFY(!w.grid->isVisible());
        QVERIFY(!w.cmdUserSelected->isVisible());
        // Nobody can be picked.
        w.grid_DblClick();
        QVERIFY(!w.txtPassword->isVisible());
    }

    void signInAndEnterKeys()
    {
        TestEnvironment env;
        writeUsers(env);
        frmAdmin w;
        open(w);
        pick(w, "bob adams");
        QVERIFY(inPasswordEntry(w));
        QCOMPARE(w.cmdUserSelected->text(), QStringLiteral("Enter Password at right"));
        QCOMPARE(w.txtPassword->echoMode(), QLineEdit::Password);
        QCOMPARE(w.txtPassword->maxLength(), 8);
        // Empty: Enter cancels.
        QVERIFY(w.cmdCancel->isDefault() && !w.cmdSignIn->isDefault());
        QTest::keyClick(w.txtPassword, Qt::Key_Return);
        QVERIFY(inPicking(w));

        // 1 to 3 characters: Enter does nothing.
        pick(w, "bob adams");
        for (const char *typed : {"b", "b0b"}) {
            w.txtPassword->setText(typed);
            QVERIFY(!w.cmdSignIn->isEnabled() && !w.timerFlashButton->isActive());
            QVERIFY(!w.cmdCancel->isDefault() && !w.cmdSignIn->isDefault());
            QTest::keyClick(w.txtPassword, Qt::Key_Return);
            QVERIFY(inPasswordEntry(w));
        }
        QVERIFY(!QFile::exists(env.path("SignInOut.Log")));
        // 4 characters pulse the sign-in button; back to nothing typed, it
        // gets its colours back.
        w.txtPassword->setText("b0b0");
        QCOMPARE(w.FlashingButton, w.cmdSignIn);
        QTRY_VERIFY(w.cmdSignIn->BackColor() != ZelButton::ProgramFace);
        w.txtPassword->clear();
        QCOMPARE(w.cmdSignIn->BackColor(), OleColor(ZelButton::ProgramFace));
        QCOMPARE(w.cmdSignIn->ForeColor(), OleColor(ZelButton::ProgramText));
        QVERIFY(w.cmdCancel->isDefault());

        // Esc leaves the password entry too.
        w.txtPassword->setText("b0");
        QTest::keyClick(w.txtPassword, Qt::Key_Escape);
        QVERIFY(inPicking(w));

        // 4 characters: Enter signs in.
        pick(w, "bob adams");
        QTest::keyClicks(w.txtPassword, "b0b0");
        QVERIFY(w.cmdSignIn->isDefault());
        env.desktop.answerMsgBox(1);
        QTest::keyClick(w.txtPassword, Qt::Key_Return);
        QCOMPARE(CurrentUserName, QStringLiteral("bob adams"));
        QCOMPARE(CurrentAccessLevel, 1);
        QVERIFY(!w.isVisible());
        QVERIFY(!w.timerFlashButton->isActive());
        QCOMPARE(readFile(env.path("SignInOut.Log")),
                 logLine("22:45:32", "bob adams signed in w/ Read Only privileges"));
        expectMainWindow(env);
        QCOMPARE(env.desktop.msgBoxes.size(), 0);
    }

    void wrongPassword()
    {
        TestEnvironment env;
        writeUsers(env);
        frmAdmin w;
        open(w);
        pick(w, "Ann Smith");
        // Differs only in case: refused.
        QTest::keyClicks(w.txtPassword, "secret1");
        env.desktop.answerMsgBox(1, false, "Incorrect Password");
        w.cmdSignIn->click();
        QCOMPARE(env.desktop.msgBoxes.size(), 1);
        checkBox(env.desktop.msgBoxes.at(0), 2,
                 "That is not the correct password\r\nassociated with this name",
                 {"&Try again", "&Cancel sign-in"});
        const QByteArray first = logLine("22:45:32", "Ann Smith - Incorrect password submitted");
        QCOMPARE(readFile(env.path("SignInOut.Log")), first);
        QVERIFY(CurrentUserName.isEmpty());
        QCOMPARE(CurrentAccessLevel, 0);
        // "Try again": the box is empty, still in password entry.
        QVERIFY(inPasswordEntry(w));
        QCOMPARE(w.txtPassword->text(), QString());

        // A trailing blank is not trimmed away.
        env.desktop.setNow(Now.addSecs(5));
        QTest::keyClicks(w.txtPassword, "Secret1 ");
        env.desktop.answerMsgBox(2, false, "Incorrect Password");
        w.cmdSignIn->click();
        QCOMPARE(readFile(env.path("SignInOut.Log")),
                 first + logLine("22:45:37", "Ann Smith - Incorrect password submitted"));
        // "Cancel sign-in": back to picking with everything restored.
        QVERIFY(inPicking(w));
        QCOMPARE(w.cmdUserSelected->BackColor(), OleColor(0x80FFFF));
        QVERIFY(w.cmdUserSelected->isDefault());
    }

    void userChangedAtAnotherWorkstation()
    {
        TestEnvironment env;
        writeUsers(env);
        frmAdmin w;
        open(w);
        pick(w, "Ann Smith");
        // Another workstation deleted Zed Young: Ann Smith's record 2 holds
        // bob adams now.
        writeFile(env.path("User.List"),
                  userWithPassword(oleDate(2023, 11, 15), "Ann", "Smith", "Secret1", 4) +
                      userWithPassword(oleDate(2025, 1, 2), "bob", "adams", "b0b0", 1));
        QTest::keyClicks(w.txtPassword, "Secret1");
        env.desktop.answerMsgBox(1, false, "User changed at another workstation");
        w.cmdSignIn->click();
        QCOMPARE(env.desktop.msgBoxes.size(), 1);
        QVERIFY(CurrentUserName.isEmpty());
        QVERIFY(!QFile::exists(env.path("SignInOut.Log")));
        QVERIFY(inPicking(w));
        // The list was read again; signing in now works with the moved record.
        QCOMPARE(w.grid->Rows(), 3);
        QCOMPARE(w.grid->TextMatrix(2, 4), QStringLiteral("1"));
        pick(w, "Ann Smith");
        QTest::keyClicks(w.txtPassword, "Secret1");
        env.desktop.answerMsgBox(1);
        QTest::keyClick(w.txtPassword, Qt::Key_Return);
        QCOMPARE(CurrentUserName, QStringLiteral("Ann Smith"));
        QCOMPARE(CurrentAccessLevel, 4);
        QCOMPARE(readFile(env.path("SignInOut.Log")),
                 logLine("22:45:32", "Ann Smith signed in w/ Full Access privileges"));
        expectMainWindow(env);
    }

    void damagedRecordOrUnreadableRowSignsNobodyIn()
    {
        TestEnvironment env;
        env.desktop.setNow(Now);
        writeFile(env.path("User.List"),
                  userWithPassword(oleDate(2024, 3, 1, 9, 30), "Zed", "Young", "Zz99", 7) +
                      userWithPassword(oleDate(2023, 11, 15), "Ann", "Smith", "Secret1", 4));
        frmAdmin w;
        open(w);
        // The right password, a level that is none of the four.
        pick(w, "Zed Young");
        QTest::keyClicks(w.txtPassword, "Zz99");
        env.desktop.answerMsgBox(1, false, "User record damaged");
        w.cmdSignIn->click();
        checkBox(env.desktop.msgBoxes.at(0), 2,
                 "The user record of 'Zed Young' holds the access\r\n"
                 "level 7, which is none of the levels 1 to 4.\r\n\r\n"
                 "Nobody can sign in with it. An administrator\r\n"
                 "can give the user a level in 'Edit User List'.",
                 {"&Okay"});
        QVERIFY(CurrentUserName.isEmpty());
        QCOMPARE(CurrentAccessLevel, 0);
        QVERIFY(!QFile::exists(env.path("SignInOut.Log")));
        QVERIFY(inPicking(w));

        // A row whose record number names no user read: said, list read again.
        pick(w, "Ann Smith");
        const int row = w.grid->Row();
        w.grid->setTextMatrix(row, 4, QStringLiteral("9"));
        QTest::keyClicks(w.txtPassword, "Secret1");
        env.desktop.answerMsgBox(1, false, "User not available");
        w.cmdSignIn->click();
        checkBox(env.desktop.msgBoxes.at(1), 4,
                 "The user picked can not be read from the\r\n"
                 "user file 'User.List'.\r\n\r\n"
                 "The list has been read again; please pick\r\n"
                 "the user once more.",
                 {"&Okay"});
        QVERIFY(CurrentUserName.isEmpty());
        QVERIFY(!QFile::exists(env.path("SignInOut.Log")));
        QVERIFY(inPicking(w));
        QCOMPARE(w.grid->TextMatrix(rowOf(w.grid, "Ann Smith"), 4), QStringLiteral("2"));
        QCOMPARE(env.desktop.pendingAnswers(), 0);
    }

    void accessCode()
    {
        TestEnvironment env;
        writeUsers(env);
        QCOMPARE(SaveInstallation("County Sheriff", "K9x#2"), InstallationResult::Ok);
        frmAdmin w;
        open(w);

        // Cancelled at once: refused, nothing else asked.
        env.desktop.answerInputBox(std::nullopt);
        QVERIFY(!AccessCodeGranted());
        QCOMPARE(env.desktop.inputPrompts,
                 QStringList({"\r\nPlease enter the\r\ncorrect access code..."}));

        // Wrong, then right.
        env.desktop.answerInputBox(QStringLiteral("k9x#2"));
        env.desktop.answerMsgBox(1, false, "Invalid Entry");
        env.desktop.answerInputBox(QStringLiteral("K9x#2"));
        QVERIFY(AccessCodeGranted());
        QCOMPARE(env.desktop.inputPrompts.size(), 3);
        QCOMPARE(env.desktop.msgBoxes.size(), 1);
        QCOMPARE(env.desktop.msgBoxes.at(0).icon, 2);
        QCOMPARE(env.desktop.msgBoxes.at(0).text,
                 QStringLiteral("'k9x#2' is not the\r\n\r\ncorrect Access Code"));
        QCOMPARE(env.desktop.msgBoxes.at(0).buttons, QStringList({"&Try again", "&Never mind"}));
        QCOMPARE(env.desktop.msgBoxes.at(0).defaultButton, 1);

        // A blank around the right code, "Try again", then an empty answer.
        env.desktop.answerInputBox(QStringLiteral(" K9x#2"));
        env.desktop.answerMsgBox(1, false, "Invalid Entry");
        env.desktop.answerInputBox(QString());
        QVERIFY(!AccessCodeGranted());
        QCOMPARE(env.desktop.pendingAnswers(), 0);

        // Editing the list asks for it: wrong, "Never mind", nothing changes.
        env.desktop.answerInputBox(QStringLiteral("wrong"));
        env.desktop.answerMsgBox(2, false, "Invalid Entry");
        w.cmdEditList->click();
        QVERIFY(!w.EditingList);
        QCOMPARE(w.cmdEditList->text(), QStringLiteral("Edit '&User List'"));
        QVERIFY(w.cmdReviewLogs->isVisible());
    }

    void helpAndQuit()
    {
        TestEnvironment env;
        writeUsers(env);
        frmAdmin w;
        open(w);

        // F1 anywhere in the window opens the manual.
        writeFile(env.path("Custorin.PDF"), "%PDF");
        QTest::keyClick(w.grid, Qt::Key_F1);
        QCOMPARE(env.desktop.openedUrls.size(), 1);
        QVERIFY(env.desktop.openedUrls.at(0).toLocalFile().endsWith("/Custorin.PDF"));

        // The close box asks as Exit does; "No" keeps the window.
        env.desktop.answerMsgBox(2, false, "Exit Custorin?");
        QCloseEvent close;
        QSpontaneKeyEvent::setSpontaneous(&close);
        // Delivered directly: sending would clear the spontaneous mark.
        static_cast<QObject &>(w).event(&close);
        QVERIFY(!close.isAccepted());
        QVERIFY(w.isVisible());
        // Closed by the program (sign-in, the end of the program): no question.
        w.close();
        QVERIFY(!w.isVisible());
        QCOMPARE(env.desktop.pendingAnswers(), 0);
    }
};

QTEST_MAIN(TestFrmAdmin)
#include "tst_frmadmin.moc"
