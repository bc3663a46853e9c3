// The administrative window's log review: the access code first, the log
// shown last reopened, Esc ends a search, everything back afterwards.
#include "AdminFixtures.h"
#include "FakeDesktop.h"
#include "GuiAccessibility.h"
#include "core/common/ActivityLog.h"
#include "core/common/Globals.h"
#include "core/users/Installation.h"
#include "gui/controls/ZelButton.h"

#include <QLabel>
#include <QPlainTextEdit>
#include <QRadioButton>
#include <QScrollBar>
#include <QTextEdit>

using namespace fixtures;

namespace
{

const QString Code = QStringLiteral("Ab3De");
const QByteArray Records = "12/04/2026 at 22:47:05 - Control#20261204224510 archived by Pat Doe\r\n"
                           "12/04/2026 at 22:47:40 - Control#00123 edited by PAT DOE\r\n"
                           "12/06/2026 at 09:15:42 - Control#20261206091500 archived by "
                           "Alexandra Whitfield\r\n"; // 79 characters

// The log box's sideways scrolling: where it stands, how far it could go.
QString sideways(const frmAdmin &w)
{
    QCoreApplication::processEvents();
    const QScrollBar *bar = w.txtLogText->horizontalScrollBar();
    return QStringLiteral("%1 of %2").arg(bar->value()).arg(bar->maximum());
}

// The window as it is when no log is reviewed.
void checkPicking(const frmAdmin &w)
{
    QVERIFY(!w.ReviewingLogs && !w.picLogs->isVisible() && !w.timerFlashButton->isActive());
    QCOMPARE(w.windowTitle(), QStringLiteral("Custorin - Administrative Window"));
    QVERIFY(w.grid->isVisible() && w.cmdBackupRestore->isVisible());
}

} // namespace

class TestAdminLogs : public QObject
{
    Q_OBJECT
private slots:
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
        QVERIFY(trail.contains(" - Activity log 'Search.Log' failed its verification at line 2 (it "
                               "is not the line that was linked), found by account '"));

        // Sealed and printed.
        w.cmdSealLogs->click();
        QCOMPARE(env.desktop.printJobs, QStringList("Log Seal"));
        QCOMPARE(env.desktop.printed.value(0).text, QString("Custorin - Log Seal"));
        QCOMPARE(env.desktop.printed.value(1).text, QString("County Sheriff"));
        QVERIFY(readFile(env.path("Logs.Seals")).contains(" Search.Log 2 "));
        QCOMPARE(env.desktop.pendingAnswers(), 0);
    }
};

QTEST_MAIN(TestAdminLogs)
#include "tst_adminlogs.moc"
