// The administrative window's log review and its backup/restore menu: the
// access code first, the panel and captions while reviewing, the options
// and their files, the search through the buttons (Esc ends it), and
// everything back as it was afterwards; the pop-up menu and the window
// caption around a backup.
#include "AdminFixtures.h"
#include "FakeDesktop.h"
#include "core/common/Globals.h"
#include "core/users/Installation.h"
#include "gui/controls/ZelButton.h"

#include <QAction>
#include <QLabel>
#include <QMenu>
#include <QPlainTextEdit>
#include <QRadioButton>
#include <QTemporaryDir>
#include <QTest>

using namespace fixtures;

namespace
{

const QString Code = QStringLiteral("Ab3De");

const QByteArray Records = "12/04/2026 at 22:47:05 - Control#20261204224510 archived by Pat Doe\r\n"
                           "12/04/2026 at 22:47:40 - Control#00123 edited by PAT DOE\r\n";

void prepare(TestEnvironment &env)
{
    QVERIFY(SaveInstallation("County Sheriff", Code) == InstallationResult::Ok);
    // Set up before the logs' own history begins.
    QVERIFY(QFile::remove(env.path("UserList.Log")));
    writeFile(env.path("User.List"), userBytes(oleDate(2024, 3, 1), "Pat", "Doe", "Pd12", 4) +
                                         userBytes(oleDate(2024, 3, 2), "Lee", "Ray", "Lr34", 1));
    writeFile(env.path("DataRecords.Log"), "\r\n" + Records + "\r\n");
    writeFile(env.path("SignInOut.Log"), "\r\n\r\n  \r\n");
}

void enterReview(TestEnvironment &env, frmAdmin &w)
{
    env.desktop.answerInputBox(Code);
    w.cmdReviewLogs->click();
    QVERIFY(w.ReviewingLogs);
}

// The picking state as the window opened in it.
void checkPicking(const frmAdmin &w)
{
    QVERIFY(!w.ReviewingLogs);
    QCOMPARE(w.windowTitle(), QStringLiteral("Custorin - Administrative Window"));
    QCOMPARE(w.cmdReviewLogs->text(), QStringLiteral("&Activity Logs"));
    QCOMPARE(w.cmdReviewLogs->toolTip(), QStringLiteral(" Review the program activity logs... "));
    QVERIFY(w.grid->isVisible() && w.cmdUserSelected->isVisible() && w.cmdEditList->isVisible() &&
            w.cmdBackupRestore->isVisible() && w.cmdReviewLogs->isVisible());
    QVERIFY(!w.picLogs->isVisible());
    QVERIFY(w.picLogs->y() > w.height());
    QVERIFY(!w.timerFlashButton->isActive());
    QCOMPARE(w.FlashingButton, nullptr);
    QCOMPARE(w.txtLogText->toPlainText(), QString());
}

} // namespace

class TestAdminLogs : public QObject
{
    Q_OBJECT
private slots:
    void reviewShowsTheLogsAndLeavingRestores();
    void searchThroughTheButtons();
    void backupMenuAndCaption();
};

void TestAdminLogs::reviewShowsTheLogsAndLeavingRestores()
{
    TestEnvironment env;
    prepare(env);
    frmAdmin w;
    open(w);
    checkPicking(w);

    // A refused access code leaves the window as it is.
    env.desktop.answerInputBox(std::nullopt);
    w.cmdReviewLogs->click();
    checkPicking(w);

    enterReview(env, w);
    QCOMPARE(env.desktop.inputTitles,
             QStringList({"Access Code Required", "Access Code Required"}));
    QCOMPARE(w.windowTitle(), QStringLiteral("Custorin - Activity Logs"));
    QCOMPARE(w.cmdReviewLogs->text(), QStringLiteral("&Finished Reviewing"));
    QCOMPARE(w.cmdReviewLogs->toolTip(),
             QStringLiteral(" Click here when finished reviewing the activity logs "));
    QVERIFY(!w.grid->isVisible() && !w.cmdUserSelected->isVisible() &&
            !w.cmdEditList->isVisible() && !w.cmdBackupRestore->isVisible());
    QVERIFY(w.picLogs->isVisible());
    QCOMPARE(w.picLogs->y(), w.grid->y());
    QCOMPARE(w.FlashingButton, w.cmdReviewLogs);
    QVERIFY(w.timerFlashButton->isActive());
    QCOMPARE(w.cmdFindText->text(), QStringLiteral("F&ind text"));
    QCOMPARE(w.cmdFindText->toolTip(),
             QStringLiteral(" Search the currently displayed activity log "));
    QVERIFY(w.cmdFindText->isVisible() && !w.cmdFindFinished->isVisible());
    QCOMPARE(w.optViewLog[1]->text(), QStringLiteral("Data Records\nHistory"));
    QCOMPARE(w.optViewLog[3]->toolTip(),
             QStringLiteral(" A log of users who have signed in and signed out... "));

    // The first review shows the data records' log, trimmed, caret at its end.
    QVERIFY(w.optViewLog[1]->isChecked());
    QCOMPARE(w.LastLogShown, 1);
    const QString shown = QString::fromLatin1(Records.trimmed()).replace("\r\n", "\n");
    QCOMPARE(w.txtLogText->toPlainText(), shown);
    QCOMPARE(w.txtLogText->textCursor().position(), int(shown.size()));
    QVERIFY(w.labelLogNote->isVisible());
    QCOMPARE(w.labelLogNote->text(),
             QStringLiteral("NOTE: You can select/copy/paste all or any part of the above text "
                            "for documentation or printing purposes"));
    QVERIFY(w.txtLogText->isReadOnly());

    // Blank lines only, and a log that is not there: no entries.
    for (int option : {3, 4}) {
        w.optViewLog[option]->click();
        QCOMPARE(w.LastLogShown, option);
        QCOMPARE(w.txtLogText->toPlainText(),
                 QStringLiteral("There are currently no entries for this log file"));
        QVERIFY(!w.labelLogNote->isVisible());
    }
    w.optViewLog[3]->click();

    // Leaving asks nothing and puts everything back.
    w.cmdReviewLogs->click();
    checkPicking(w);

    // The next review reopens the log shown last, read afresh.
    writeFile(env.path("SignInOut.Log"), "12/05/2026 at 08:00:00 - Lee Ray signed out\r\n");
    enterReview(env, w);
    QVERIFY(w.optViewLog[3]->isChecked());
    QCOMPARE(w.txtLogText->toPlainText(),
             QStringLiteral("12/05/2026 at 08:00:00 - Lee Ray signed out"));
    QVERIFY(w.labelLogNote->isVisible());
    w.cmdReviewLogs->click();
    checkPicking(w);
    QCOMPARE(env.desktop.pendingAnswers(), 0);
}

void TestAdminLogs::searchThroughTheButtons()
{
    TestEnvironment env;
    prepare(env);
    frmAdmin w;
    open(w);
    enterReview(env, w);

    env.desktop.answerInputBox(QStringLiteral("pat doe"));
    w.cmdFindText->click();
    QVERIFY(w.TextSearch.running());
    QCOMPARE(w.txtLogText->textCursor().selectedText(), QStringLiteral("Pat Doe"));
    QCOMPARE(w.cmdFindText->text(), QStringLiteral("Find &Next..."));
    QCOMPARE(w.cmdFindText->toolTip(), QStringLiteral(" Looking for 'pat doe' "));
    QVERIFY(w.cmdFindFinished->isVisible() && w.cmdFindFinished->Cancel());
    QCOMPARE(w.cmdFindFinished->text(), QStringLiteral("&Finished"));
    QVERIFY(!w.cmdReviewLogs->isVisible());
    QCOMPARE(w.FlashingButton, w.cmdFindFinished);

    w.cmdFindText->click();
    QCOMPARE(w.txtLogText->textCursor().selectedText(), QStringLiteral("PAT DOE"));
    QCOMPARE(w.txtLogText->textCursor().selectionStart(), Records.indexOf("PAT DOE") - 1);

    // Esc presses the finishing button.
    QApplication::setActiveWindow(&w);
    QTest::keyClick(&w, Qt::Key_Escape);
    QVERIFY(!w.TextSearch.running());
    QCOMPARE(w.cmdFindText->text(), QStringLiteral("F&ind text"));
    QCOMPARE(w.cmdFindText->toolTip(), QString());
    QVERIFY(!w.cmdFindFinished->isVisible() && !w.cmdFindFinished->Cancel());
    QVERIFY(w.cmdReviewLogs->isVisible());
    QCOMPARE(w.FlashingButton, w.cmdReviewLogs);
    QVERIFY(w.timerFlashButton->isActive());

    // Typing into the box changes nothing in the log.
    w.txtLogText->setFocus();
    QTest::keyClicks(w.txtLogText, "typed");
    QCOMPARE(readFile(env.path("DataRecords.Log")), "\r\n" + Records + "\r\n");
    w.cmdReviewLogs->click();
    checkPicking(w);
    QCOMPARE(env.desktop.pendingAnswers(), 0);
}

void TestAdminLogs::backupMenuAndCaption()
{
    TestEnvironment env;
    prepare(env);
    writeFile(env.path("Custorin.Data"), QByteArray(5000, ' '));
    frmAdmin w;
    open(w);
    QTemporaryDir target;

    // The menu: its items, item 1 the default; "Exit this menu" does nothing.
    QStringList items;
    bool boldDefault = false;
    auto pickFromMenu = [&](int index) {
        QTimer::singleShot(50, [&, index] {
            auto *menu = qobject_cast<QMenu *>(QApplication::activePopupWidget());
            QVERIFY(menu);
            items.clear();
            for (QAction *a : menu->actions())
                items << (a->isSeparator() ? QStringLiteral("-") : a->text());
            boldDefault = menu->defaultAction() == w.menuBackupRestore[1];
            menu->setActiveAction(w.menuBackupRestore[index]);
            QTest::keyClick(menu, Qt::Key_Return);
        });
    };
    env.desktop.answerInputBox(Code);
    pickFromMenu(4);
    w.cmdBackupRestore->click();
    QCOMPARE(items, QStringList({"&Backup the Custorin data files",
                                 "&Restore the Custorin data files", "-", "E&xit this menu"}));
    QVERIFY(boldDefault);
    QCOMPARE(env.desktop.folderTitles, QStringList());

    // Item 1: the backup, under the procedure's caption.
    QStringList captions;
    env.desktop.answerInputBox(Code);
    env.desktop.answerFolder(target.path());
    env.desktop.answerMsgBoxWith([&](const MsgBoxRequest &r) {
        captions << w.windowTitle();
        return MsgBoxAnswer{r.title == QLatin1String("Ready to Backup...") ? 1 : 0, false};
    });
    env.desktop.answerMsgBoxWith([&](const MsgBoxRequest &r) {
        captions << r.title;
        return MsgBoxAnswer{1, false};
    });
    pickFromMenu(1);
    w.cmdBackupRestore->click();
    QCOMPARE(captions, QStringList({"Custorin - Data Backup Procedure", "Backup Successful"}));
    QCOMPARE(w.windowTitle(), QStringLiteral("Custorin - Administrative Window"));
    QCOMPARE(readFile(target.filePath("Custorin.Data")), QByteArray(5000, ' '));
    QCOMPARE(readFile(target.filePath("User.List")), readFile(env.path("User.List")));
    QVERIFY(w.isEnabled());
    QCOMPARE(env.desktop.pendingAnswers(), 0);
}

QTEST_MAIN(TestAdminLogs)
#include "tst_adminlogs.moc"
