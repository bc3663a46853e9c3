// The administrative window's log review: the access code first, the log
// shown last reopened, Esc ends a search, everything back afterwards.
#include "AdminFixtures.h"
#include "FakeDesktop.h"
#include "core/common/Globals.h"
#include "core/users/Installation.h"
#include "gui/controls/ZelButton.h"

#include <QPlainTextEdit>
#include <QRadioButton>

using namespace fixtures;

namespace
{

const QString Code = QStringLiteral("Ab3De");
const QByteArray Records = "12/04/2026 at 22:47:05 - Control#20261204224510 archived by Pat Doe\r\n"
                           "12/04/2026 at 22:47:40 - Control#00123 edited by PAT DOE\r\n";

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
        QVERIFY(SaveInstallation("County Sheriff", Code) == InstallationResult::Ok);
        writeFile(env.path("User.List"), userBytes(oleDate(2024, 3, 1), "Pat", "Doe", "Pd12", 4));
        writeFile(env.path("DataRecords.Log"), "\r\n" + Records + "\r\n");
        frmAdmin w;
        open(w);
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
        w.optViewLog[3]->click(); // no sign-in log yet
        w.cmdReviewLogs->click();
        checkPicking(w);

        // The next review reopens the log shown last, read afresh.
        writeFile(env.path("SignInOut.Log"), "12/05/2026 at 08:00:00 - Lee Ray signed out\r\n");
        env.desktop.answerInputBox(Code);
        w.cmdReviewLogs->click();
        QCOMPARE(w.txtLogText->toPlainText(),
                 QStringLiteral("12/05/2026 at 08:00:00 - Lee Ray signed out"));

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
        w.cmdReviewLogs->click();
        checkPicking(w);
        QCOMPARE(readFile(env.path("DataRecords.Log")), "\r\n" + Records + "\r\n");
        QCOMPARE(env.desktop.pendingAnswers(), 0);
    }
};

QTEST_MAIN(TestAdminLogs)
#include "tst_adminlogs.moc"
