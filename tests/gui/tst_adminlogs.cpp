// The administrative window's log review and its backup/restore menu: the
// access code first, the log shown and the one shown last reopened, the
// search through the buttons (Esc ends it), everything back as it was
// afterwards, and the menu and window caption around a backup.
#include "AdminFixtures.h"
#include "FakeDesktop.h"
#include "core/common/Globals.h"
#include "core/users/Installation.h"
#include "gui/controls/ZelButton.h"

#include <QAction>
#include <QMenu>
#include <QPlainTextEdit>
#include <QRadioButton>
#include <QTemporaryDir>

using namespace fixtures;

namespace
{

const QString Code = QStringLiteral("Ab3De");
const QByteArray Records = "12/04/2026 at 22:47:05 - Control#20261204224510 archived by Pat Doe\r\n"
                           "12/04/2026 at 22:47:40 - Control#00123 edited by PAT DOE\r\n";

void prepare(TestEnvironment &env, frmAdmin &w)
{
    QVERIFY(SaveInstallation("County Sheriff", Code) == InstallationResult::Ok);
    writeFile(env.path("User.List"), userBytes(oleDate(2024, 3, 1), "Pat", "Doe", "Pd12", 4));
    writeFile(env.path("DataRecords.Log"), "\r\n" + Records + "\r\n");
    writeFile(env.path("SignInOut.Log"), "\r\n\r\n  \r\n");
    open(w);
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
        frmAdmin w;
        prepare(env, w);
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
        // Blank lines only: no entries. Leaving puts everything back.
        w.optViewLog[3]->click();
        QCOMPARE(w.txtLogText->toPlainText(),
                 QStringLiteral("There are currently no entries for this log file"));
        w.cmdReviewLogs->click();
        checkPicking(w);

        // The next review reopens the log shown last, read afresh.
        writeFile(env.path("SignInOut.Log"), "12/05/2026 at 08:00:00 - Lee Ray signed out\r\n");
        env.desktop.answerInputBox(Code);
        w.cmdReviewLogs->click();
        QCOMPARE(w.txtLogText->toPlainText(),
                 QStringLiteral("12/05/2026 at 08:00:00 - Lee Ray signed out"));

        // The search: "Find Next..." walks the matches; Esc presses the
        // finishing button.
        w.optViewLog[1]->click();
        env.desktop.answerInputBox(QStringLiteral("pat doe"));
        w.cmdFindText->click();
        QCOMPARE(w.txtLogText->textCursor().selectedText(), QStringLiteral("Pat Doe"));
        QVERIFY(w.cmdFindFinished->isVisible() && !w.cmdReviewLogs->isVisible());
        w.cmdFindText->click();
        QCOMPARE(w.txtLogText->textCursor().selectionStart(), Records.indexOf("PAT DOE") - 1);
        QApplication::setActiveWindow(&w);
        QTest::keyClick(&w, Qt::Key_Escape);
        QVERIFY(!w.TextSearch.running() && w.cmdReviewLogs->isVisible());
        w.cmdReviewLogs->click();
        checkPicking(w);
        QCOMPARE(readFile(env.path("DataRecords.Log")), "\r\n" + Records + "\r\n");
        QCOMPARE(env.desktop.pendingAnswers(), 0);
    }

    void backupMenuAndCaption()
    {
        TestEnvironment env;
        frmAdmin w;
        prepare(env, w);
        writeFile(env.path("Custorin.Data"), QByteArray(5000, ' '));
        QTemporaryDir target;
        // The menu's item 1 is its default; item 1 runs the backup under
        // the procedure's caption.
        QStringList captions;
        QTimer::singleShot(50, [&] {
            auto *menu = qobject_cast<QMenu *>(QApplication::activePopupWidget());
            QVERIFY(menu && menu->defaultAction() == w.menuBackupRestore[1]);
            menu->setActiveAction(w.menuBackupRestore[1]);
            QTest::keyClick(menu, Qt::Key_Return);
        });
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
        w.cmdBackupRestore->click();
        QCOMPARE(captions, QStringList({"Custorin - Data Backup Procedure", "Backup Successful"}));
        QCOMPARE(w.windowTitle(), QStringLiteral("Custorin - Administrative Window"));
        QCOMPARE(readFile(target.filePath("Custorin.Data")), QByteArray(5000, ' '));
        QVERIFY(w.isEnabled());
        QCOMPARE(env.desktop.pendingAnswers(), 0);
    }
};

QTEST_MAIN(TestAdminLogs)
#include "tst_adminlogs.moc"
