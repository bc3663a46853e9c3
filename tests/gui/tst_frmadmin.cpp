// The administrative window: the user grid, picking a user, the password
// keys, signing in right and wrong with the exact log lines, the empty user
// list, the access code prompt and the buttons of later releases.
#include "AdminFixtures.h"
#include "FakeDesktop.h"
#include "admin/Installation.h"
#include "admin/frmAdmin.h"
#include "app/Globals.h"
#include "app/GuiSupport.h"
#include "controls/Grid.h"
#include "controls/ZelButton.h"
#include "store/frmMain.h"

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
    writeFile(env.path("User.List"),
              userBytes(oleDate(2024, 3, 1, 9, 30), "Zed", "Young", "Zz99", 2) +
                  userBytes(oleDate(2023, 11, 15), "Ann", "Smith", "Secret1", 4) +
                  userBytes(oleDate(2025, 1, 2), "bob", "adams", "b0b0", 1));
}

void open(frmAdmin &w)
{
    w.show();
    QApplication::setActiveWindow(&w);
    QTRY_VERIFY(w.activatedOnce());
}

int rowOf(const Grid *grid, const QString &name)
{
    for (int r = 1; r < grid->Rows(); ++r) {
        if (grid->TextMatrix(r, 0) == name)
            return r;
    }
    return -1;
}

void pick(frmAdmin &w, const QString &name)
{
    const int row = rowOf(w.grid, name);
    QVERIFY(row >= 1);
    w.grid->setRow(row);
    w.cmdUserSelected->click();
    QVERIFY(w.txtPassword->isVisible());
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
        QCOMPARE(w.windowTitle(), QStringLiteral("Custorin - Administrative Window"));
        QVERIFY(w.grid->isVisible());
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
        QVERIFY(w.grid->ColHidden(3));
        QVERIFY(w.grid->ColHidden(4));
        QVERIFY(!w.grid->ColHidden(0));
        QCOMPARE(w.grid->Height(), 12 * w.grid->RowHeight(0));
        // Even data rows grey in columns 0 to 2, odd ones the grid's colour.
        QCOMPARE(w.grid->table().cellBackColor(2, 0), 0xD0D0D0u);
        QCOMPARE(w.grid->table().cellBackColor(2, 2), 0xD0D0D0u);
        QCOMPARE(w.grid->table().cellBackColor(2, 3), GridTable::NoColor);
        QCOMPARE(w.grid->table().cellBackColor(1, 0), GridTable::NoColor);
        QCOMPARE(w.grid->table().cellBackColor(3, 1), GridTable::NoColor);
        // The first row is highlighted; signing in is offered by default.
        QCOMPARE(w.grid->Row(), 1);
        QCOMPARE(w.grid->ColSel(), 2);
        QVERIFY(w.cmdUserSelected->isVisible());
        QVERIFY(w.cmdUserSelected->isDefault());
        QCOMPARE(w.cmdUserSelected->toolTip(), QStringLiteral(" Sign the highlighted user in... "));
        QCOMPARE(w.cmdEditList->text(), QStringLiteral("Edit '&User List'"));
        QCOMPARE(w.cmdReviewLogs->text(), QStringLiteral("&Activity Logs"));
        QCOMPARE(w.cmdBackupRestore->toolTip(),
                 QStringLiteral(" Backup or Restore the 'Custorin' data files "));
        QCOMPARE(w.cmdQuit->toolTip(), QStringLiteral(" Exit Custorin "));
        QCOMPARE(w.cmdQuit->accessibleName(), QStringLiteral("Exit"));
        QCOMPARE(w.cmdHelp->toolTip(), QStringLiteral(" Illustrated Manual <F1> "));
        // The editing buttons wait below the visible area.
        QVERIFY(w.cmdAddUser->y() >= w.height());
        QVERIFY(!w.cmdAddUser->isEnabled());
        QCOMPARE(env.desktop.msgBoxes.size(), 0);
    }

    void oneUserAndTheEmptyList()
    {
        TestEnvironment env;
        {
            writeFile(env.path("User.List"),
                      userBytes(oleDate(2024, 3, 1), "Ann", "Smith", "Secret1", 4));
            frmAdmin w;
            open(w);
            QCOMPARE(w.grid->Rows(), 2);
            QCOMPARE(w.grid->Row(), 1);
            QVERIFY(w.cmdUserSelected->isVisible());
        }
        QFile::remove(env.path("User.List"));
        env.desktop.answerMsgBox(1, false, "'User List' empty");
        frmAdmin w;
        open(w);
        QCOMPARE(env.desktop.msgBoxes.size(), 1);
        const MsgBoxRequest &r = env.desktop.msgBoxes.at(0);
        QCOMPARE(r.icon, 2);
        QCOMPARE(r.text,
                 QStringLiteral("There are currently no 'Users'\r\nentered in the 'User List'"));
        QCOMPARE(r.buttons, QStringList({"&Continue"}));
        QCOMPARE(r.defaultButton, 1);
        QVERIFY(!r.offerDontShow);
        QVERIFY(!w.grid->isVisible());
        QVERIFY(!w.cmdUserSelected->isVisible());
        // Nobody can be picked.
        w.grid_DblClick();
        QVERIFY(!w.txtPassword->isVisible());
    }

    void signIn()
    {
        TestEnvironment env;
        env.desktop.setNow(Now);
        writeUsers(env);
        frmAdmin w;
        open(w);
        pick(w, "Ann Smith");
        QVERIFY(inPasswordEntry(w));
        QCOMPARE(w.cmdUserSelected->text(), QStringLiteral("Enter Password at right"));
        QCOMPARE(w.cmdUserSelected->Tag(), QStringLiteral("&Sign in the Highlighted User"));
        QCOMPARE(w.cmdUserSelected->BackColor(), OleColor(0x80C0FF));
        QVERIFY(w.cmdUserSelected->FontBold());
        QVERIFY(!w.cmdUserSelected->isEnabled());
        QVERIFY(!w.cmdSignIn->isEnabled());
        QCOMPARE(w.txtPassword->echoMode(), QLineEdit::Password);
        QCOMPARE(w.txtPassword->maxLength(), 8);

        QTest::keyClicks(w.txtPassword, "Secret1");
        QVERIFY(w.cmdSignIn->isEnabled());
        QVERIFY(w.timerFlashButton->isActive());
        QCOMPARE(w.FlashingButton, w.cmdSignIn);
        // The pulse changes the sign-in button's colours.
        QTRY_VERIFY(w.cmdSignIn->BackColor() != ZelButton::ProgramFace);

        env.desktop.answerMsgBox(1);
        QTest::keyClick(w.txtPassword, Qt::Key_Return);
        QCOMPARE(CurrentUserName, QStringLiteral("Ann Smith"));
        QCOMPARE(CurrentAccessLevel, 4);
        QVERIFY(!w.isVisible());
        QVERIFY(!w.timerFlashButton->isActive());
        QCOMPARE(readFile(env.path("SignInOut.Log")),
                 QByteArray("12/04/2026 at 22:45:32 - Ann Smith signed in w/ Full Access "
                            "privileges\r\n"));
        expectMainWindow(env);
        QCOMPARE(env.desktop.msgBoxes.size(), 0);
    }

    void wrongPassword()
    {
        TestEnvironment env;
        env.desktop.setNow(Now);
        writeUsers(env);
        frmAdmin w;
        open(w);
        pick(w, "Ann Smith");
        // Differs only in case: refused.
        QTest::keyClicks(w.txtPassword, "secret1");
        env.desktop.answerMsgBox(1, false, "Incorrect Password");
        w.cmdSignIn->click();
        QCOMPARE(env.desktop.msgBoxes.size(), 1);
        const MsgBoxRequest r = env.desktop.msgBoxes.at(0);
        QCOMPARE(r.icon, 2);
        QCOMPARE(r.text, QStringLiteral("That is not the correct password\r\n"
                                        "associated with this name"));
        QCOMPARE(r.buttons, QStringList({"&Try again", "&Cancel sign-in"}));
        QCOMPARE(r.defaultButton, 1);
        QVERIFY(!r.offerDontShow);
        QCOMPARE(readFile(env.path("SignInOut.Log")),
                 QByteArray("12/04/2026 at 22:45:32 - Ann Smith - Incorrect password "
                            "submitted\r\n"));
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
                 QByteArray("12/04/2026 at 22:45:32 - Ann Smith - Incorrect password "
                            "submitted\r\n"
                            "12/04/2026 at 22:45:37 - Ann Smith - Incorrect password "
                            "submitted\r\n"));
        // "Cancel sign-in": back to picking with everything restored.
        QVERIFY(inPicking(w));
        QCOMPARE(w.cmdUserSelected->BackColor(), OleColor(0x80FFFF));
        QVERIFY(w.cmdUserSelected->isDefault());
        QVERIFY(w.isVisible());
    }

    void enterKeys()
    {
        TestEnvironment env;
        env.desktop.setNow(Now);
        writeUsers(env);
        frmAdmin w;
        open(w);
        pick(w, "bob adams");
        // Empty: Enter cancels.
        QVERIFY(w.cmdCancel->isDefault());
        QVERIFY(!w.cmdSignIn->isDefault());
        QTest::keyClick(w.txtPassword, Qt::Key_Return);
        QVERIFY(inPicking(w));

        // 1 to 3 characters: Enter does nothing.
        pick(w, "bob adams");
        for (const char *typed : {"b", "b0", "b0b"}) {
            w.txtPassword->setText(typed);
            QVERIFY(!w.cmdSignIn->isEnabled());
            QVERIFY(!w.cmdCancel->isDefault());
            QVERIFY(!w.cmdSignIn->isDefault());
            QVERIFY(!w.timerFlashButton->isActive());
            QTest::keyClick(w.txtPassword, Qt::Key_Return);
            QVERIFY(inPasswordEntry(w));
        }
        QVERIFY(!QFile::exists(env.path("SignInOut.Log")));
        // Back to nothing typed: the sign-in button gets its colours back.
        w.txtPassword->setText("b0b0");
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
        QCOMPARE(readFile(env.path("SignInOut.Log")),
                 QByteArray("12/04/2026 at 22:45:32 - bob adams signed in w/ Read Only "
                            "privileges\r\n"));
        expectMainWindow(env);
    }

    void userChangedAtAnotherWorkstation()
    {
        TestEnvironment env;
        env.desktop.setNow(Now);
        writeUsers(env);
        frmAdmin w;
        open(w);
        pick(w, "bob adams");
        // Another workstation deleted Zed Young: record 3 is gone, and
        // Ann Smith is record 1 now.
        writeFile(env.path("User.List"),
                  userBytes(oleDate(2023, 11, 15), "Ann", "Smith", "Secret1", 4) +
                      userBytes(oleDate(2025, 1, 2), "bob", "adams", "b0b0", 1));
        QTest::keyClicks(w.txtPassword, "b0b0");
        env.desktop.answerMsgBox(1, false, "User changed at another workstation");
        w.cmdSignIn->click();
        QCOMPARE(env.desktop.msgBoxes.size(), 1);
        QVERIFY(CurrentUserName.isEmpty());
        QVERIFY(!QFile::exists(env.path("SignInOut.Log")));
        QVERIFY(inPicking(w));
        // The list was read again.
        QCOMPARE(w.grid->Rows(), 3);
        QCOMPARE(w.grid->TextMatrix(1, 4), QStringLiteral("2"));

        // Signing in again now works with the moved record.
        pick(w, "bob adams");
        QTest::keyClicks(w.txtPassword, "b0b0");
        env.desktop.answerMsgBox(1);
        w.cmdSignIn->click();
        QCOMPARE(CurrentUserName, QStringLiteral("bob adams"));
        expectMainWindow(env);
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
        env.desktop.inputPrompts.clear();
        env.desktop.answerInputBox(QStringLiteral("k9x#2"));
        env.desktop.answerMsgBox(1, false, "Invalid Entry");
        env.desktop.answerInputBox(QStringLiteral("K9x#2"));
        QVERIFY(AccessCodeGranted());
        QCOMPARE(env.desktop.inputPrompts.size(), 2);
        QCOMPARE(env.desktop.msgBoxes.size(), 1);
        const MsgBoxRequest r = env.desktop.msgBoxes.at(0);
        QCOMPARE(r.icon, 2);
        QCOMPARE(r.text, QStringLiteral("'k9x#2' is not the\r\n\r\ncorrect Access Code"));
        QCOMPARE(r.buttons, QStringList({"&Try again", "&Never mind"}));
        QCOMPARE(r.defaultButton, 1);

        // A blank around the right code, then "Never mind".
        env.desktop.answerInputBox(QStringLiteral(" K9x#2"));
        env.desktop.answerMsgBox(2, false, "Invalid Entry");
        QVERIFY(!AccessCodeGranted());
        // Wrong, "Try again", then an empty answer.
        env.desktop.answerInputBox(QStringLiteral("K9x#"));
        env.desktop.answerMsgBox(1, false, "Invalid Entry");
        env.desktop.answerInputBox(QString());
        QVERIFY(!AccessCodeGranted());
        QCOMPARE(env.desktop.msgBoxes.last().text,
                 QStringLiteral("'K9x#' is not the\r\n\r\ncorrect Access Code"));
        QCOMPARE(env.desktop.pendingAnswers(), 0);

        // Editing the list asks for it: refused, nothing changes.
        env.desktop.answerInputBox(QStringLiteral("wrong"));
        env.desktop.answerMsgBox(2, false, "Invalid Entry");
        w.cmdEditList->click();
        QVERIFY(!w.EditingList);
        QCOMPARE(w.cmdEditList->text(), QStringLiteral("Edit '&User List'"));
        QVERIFY(w.cmdReviewLogs->isVisible());
    }

    void laterReleasesHelpAndQuit()
    {
        TestEnvironment env;
        writeUsers(env);
        frmAdmin w;
        open(w);
        env.desktop.answerMsgBox(1, false, "Not available yet");
        w.cmdReviewLogs->click();
        QCOMPARE(env.desktop.msgBoxes.last().text,
                 QStringLiteral("The review of the activity logs\r\ncomes with a later release "
                                "of Custorin."));
        env.desktop.answerMsgBox(1, false, "Not available yet");
        w.cmdBackupRestore->click();
        QCOMPARE(env.desktop.msgBoxes.last().text,
                 QStringLiteral("Backup and restore of the data files\r\ncomes with a later "
                                "release of Custorin."));

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
        QCOMPARE(env.desktop.msgBoxes.last().title, QStringLiteral("Exit Custorin?"));
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
