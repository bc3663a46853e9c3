// The administrative window: signing in right and wrong, a damaged user
// record, adding, editing and deleting users, and the log review.
#include "AdminFixtures.h"
#include "BoxText.h"
#include "FakeDesktop.h"
#include "GuiAccessibility.h"
#include "core/common/ActivityLog.h"
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
#include <QScrollBar>
#include <QTest>
#include <QTextEdit>

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

const QByteArray Zed = userWithPassword(oleDate(2024, 3, 1, 9, 30), "Zed", "Young", "Zz99", 2);
const QByteArray Ann = userWithPassword(oleDate(2023, 11, 15), "Ann", "Smith", "Secret1", 4);
const QByteArray Bob = userWithPassword(oleDate(2025, 1, 2), "bob", "adams", "b0b0", 1);

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

const QByteArray Records = "12/04/2026 at 22:47:05 - Control#20261204224510 archived by Pat Doe\r\n"
                           "12/04/2026 at 22:47:40 - Control#00123 edited by PAT DOE\r\n"
                           "12/06/2026 at 09:15:42 - Control#20261206091500 archived by "
                           "Alexandra Whitfield\r\n"; // 79 characters

QString sideways(const frmAdmin &w)
{
    QCoreApplication::processEvents();
    const QScrollBar *bar = w.txtLogText->horizontalScrollBar();
    return QStringLiteral("%1 of %2").arg(bar->value()).arg(bar->maximum());
}

void checkPicking(const frmAdmin &w)
{
    QVERIFY(!w.ReviewingLogs && !w.picLogs->isVisible() && !w.timerFlashButton->isActive());
    QCOMPARE(w.windowTitle(), QStringLiteral("Custorin - Administrative Window"));
    QVERIFY(w.grid->isVisible() && w.cmdBackupRestore->isVisible());
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
        QTest::keyClick(w.txtPassword, Qt::Key_Escape);
        QVERIFY(inPicking(w));
        // Differs only in case: refused and logged; "Cancel sign-in" goes back.
        env.desktop.answerMsgBox(2, false, "Incorrect Password");
        signIn(w, "Ann Smith", "secret1");
        QVERIFY(env.session.CurrentUserName.isEmpty() && inPicking(w) &&
                w.cmdUserSelected->isDefault());
        env.desktop.answerMsgBox(1); // the main window's empty list
        signIn(w, "bob adams", "b0b0");
        QCOMPARE(env.session.CurrentUserName, QStringLiteral("bob adams"));
        QCOMPARE(env.session.CurrentAccessLevel, 1);
        QVERIFY(!w.isVisible() && !w.timerFlashButton->isActive());
        QCOMPARE(readFile(env.path("SignInOut.Log")),
                 logLine("22:45:32", "Ann Smith - Incorrect password submitted") +
                     logLine("22:45:32", "bob adams signed in w/ Read Only privileges"));
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

    void reviewShowsTheLogsAndLeavingRestores()
    {
        TestEnvironment env;
        QVERIFY(SaveInstallation(env.data, "County Sheriff", Code) == InstallationResult::Ok);
        writeFile(env.path("User.List"), userBytes(oleDate(2024, 3, 1), "Pat", "Doe", "Pd12", 4));
        writeFile(env.path("DataRecords.Log"), "\r\n" + Records + "\r\n");
        frmAdmin w(env.store, env.session);
        open(w);
        const int normalWidth = w.width();
        env.desktop.answerInputBox(std::nullopt); // a refused access code
        w.cmdReviewLogs->click();
        checkPicking(w);

        env.desktop.answerInputBox(Code);
        w.cmdReviewLogs->click();
        QCOMPARE(env.desktop.inputTitles, QStringList(2, "Access Code Required"));
        QCOMPARE(w.windowTitle(), QStringLiteral("Custorin - Activity Logs"));
        QVERIFY(w.picLogs->isVisible() && !w.grid->isVisible() && w.timerFlashButton->isActive());
        // The data records' log first, trimmed, the caret at its end.
        const QString shown = QString::fromLatin1(Records.trimmed()).replace("\r\n", "\n");
        QCOMPARE(w.txtLogText->toPlainText(), shown);
        QCOMPARE(w.txtLogText->textCursor().position(), int(shown.size()));
        // A whole line fits the box, which opens at the start of the lines.
        QCOMPARE(sideways(w), QStringLiteral("0 of 0"));
        w.optViewLog[3]->click(); // no sign-in log yet
        w.cmdReviewLogs->click();
        checkPicking(w);

        // The next review reopens the log shown last, read afresh.
        writeFile(env.path("SignInOut.Log"), "12/05/2026 at 08:00:00 - Lee Ray signed out\r\n");
        env.desktop.answerInputBox(Code);
        w.cmdReviewLogs->click();
        QCOMPARE(w.txtLogText->toPlainText(),
                 QStringLiteral("12/05/2026 at 08:00:00 - Lee Ray signed out"));
        // A screen reader's "Toggle" picks a log as a click does. A line wider
        // than the screen allows: the window grows only as far as the screen,
        // and the box opens at the start of the line.
        writeFile(env.path("UserList.Log"),
                  QByteArray("line\r\n").repeated(149) + QByteArray(200, 'u'));
        env.desktop.setScreen(QSize(900, 700));
        toggleAsScreenReader(w.optViewLog[4]);
        QCOMPARE(w.txtLogText->toPlainText(), QString("line\n").repeated(149) + QString(200, 'u'));
        QVERIFY(w.txtLogText->verticalScrollBar()->maximum() > 100); // lines, not paragraphs
        QCOMPARE(w.frameGeometry().width(), 900);                    // its frame too
        QVERIFY(sideways(w).startsWith("0 of "));
        QVERIFY(sideways(w) != "0 of 0");
        env.desktop.setScreen(QSize(1920, 1080));

        // The search selects the match; Esc presses the finishing button.
        w.optViewLog[1]->click();
        env.desktop.answerInputBox(QStringLiteral("pat doe"));
        w.cmdFindText->click();
        w.cmdFindText->click();
        QCOMPARE(w.txtLogText->textCursor().selectedText(), QStringLiteral("PAT DOE"));
        QVERIFY(w.cmdFindFinished->isVisible() && !w.cmdReviewLogs->isVisible());
        QApplication::setActiveWindow(&w);
        QTest::keyClick(&w, Qt::Key_Escape);
        QVERIFY(!w.TextSearch.running() && w.cmdReviewLogs->isVisible());
        // A match at the end of the longest line: its line still from the start.
        env.desktop.answerInputBox(QStringLiteral("whitfield"));
        w.cmdFindText->click();
        QCOMPARE(w.txtLogText->textCursor().selectedText(), QStringLiteral("Whitfield"));
        QCOMPARE(sideways(w), QStringLiteral("0 of 0"));
        w.cmdFindFinished->click();
        w.cmdReviewLogs->click();
        checkPicking(w);
        QCOMPARE(w.width(), normalWidth);
        QCOMPARE(readFile(env.path("DataRecords.Log")), "\r\n" + Records + "\r\n");
        QCOMPARE(env.desktop.pendingAnswers(), 0);
    }

    void reviewShowsEachChainAndSeals()
    {
        TestEnvironment env;
        QVERIFY(SaveInstallation(env.data, "County Sheriff", Code) == InstallationResult::Ok);
        writeFile(env.path("User.List"), userBytes(oleDate(2024, 3, 1), "Pat", "Doe", "Pd12", 4));
        env.session.CurrentUserName = "Pat Doe";
        env.desktop.setNow(QDateTime(QDate(2026, 12, 4), QTime(22, 50, 0)));
        QVERIFY(LogSearch(env.data, "'a'"));
        QVERIFY(LogSearch(env.data, "'b'"));
        frmAdmin w(env.store, env.session);
        open(w);
        env.desktop.answerInputBox(Code);
        w.cmdReviewLogs->click();
        w.optViewLog[2]->click();
        QCOMPARE(w.lblChainState->text(), QString("Chain verified up to line 2"));
        QVERIFY(w.txtLogText->extraSelections().isEmpty());

        // Changed on the share: the state names the line, the text marks it.
        writeFile(env.path("Search.Log"), readFile(env.path("Search.Log")).replace("'b'", "'B'"));
        w.optViewLog[1]->click();
        w.optViewLog[2]->click();
        QCOMPARE(w.lblChainState->text(),
                 QString("CHAIN BROKEN at line 2 (marked): it is not the line that was linked"));
        const QList<QTextEdit::ExtraSelection> marks = w.txtLogText->extraSelections();
        QCOMPARE(marks.size(), 1);
        QCOMPARE(marks.at(0).cursor.selectedText(),
                 QString("12/04/2026 at 22:50:00 - Pat Doe searched for 'B'"));
        const QByteArray trail = readFile(env.path("UserList.Log"));
        QVERIFY(trail.contains(" - Activity log 'Search.Log' reviewed by account '"));
        QCOMPARE(trail.count("'Search.Log' reviewed by"), 1); // once in this opening
        QVERIFY(trail.contains("'Search.Log' failed its verification at line 2"));

        w.cmdSealLogs->click();
        QCOMPARE(env.desktop.printJobs, QStringList("Log Seal"));
        QCOMPARE(env.desktop.printed.value(0).text, QString("Custorin - Log Seal"));
        QCOMPARE(env.desktop.printed.value(1).text, QString("County Sheriff"));
        QVERIFY(readFile(env.path("Logs.Seals")).contains(" Search.Log 2 "));
        QCOMPARE(env.desktop.pendingAnswers(), 0);
    }
};

QTEST_MAIN(TestFrmAdmin)
#include "tst_frmadmin.moc"
