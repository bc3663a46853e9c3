// Start-up and the end of the program: the second-copy refusal with real
// processes (and none after the first copy crashed), the stale work file,
// QuitProgram and the title window.
#include "FakeDesktop.h"
#include "TestFiles.h"
#include "gui/controls/ZelButton.h"
#include "gui/windows/Quit.h"
#include "gui/windows/frmTitlePage.h"

#include <QApplication>
#include <QDir>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>
#include <memory>

namespace
{

// A probe of the program's start on a data folder: its output until it
// says RUNNING or ENDED, and the process.
QString startProbe(QProcess &p, const QString &lock, const QString &dataDir)
{
    p.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    p.start(qEnvironmentVariable("CUSTORIN_TOOLS_DIR") + "/custorin_probe",
            {"--lock", lock, "--data-dir", dataDir});
    QString out;
    for (int i = 0; i < 200 && !out.contains("RUNNING") && !out.contains("ENDED"); ++i) {
        p.waitForReadyRead(100);
        out += QString::fromUtf8(p.readAll());
        if (p.state() == QProcess::NotRunning) {
            out += QString::fromUtf8(p.readAll());
            break;
        }
    }
    return out;
}

} // namespace

class TestStartup : public QObject
{
    Q_OBJECT
private slots:
    void secondCopyIsRefused()
    {
        QTemporaryDir work;
        const QString lock = work.filePath("instance.lock");
        const QString first = work.filePath("first"), second = work.filePath("second");
        for (const QString &folder : {first, second}) {
            QVERIFY(QDir().mkdir(folder));
            writeFile(folder + "/TempFile.$$$", "left over");
        }
        QProcess a, b, c;
        QCOMPARE(startProbe(a, lock, first).trimmed(), QStringLiteral("RUNNING"));
        QVERIFY(!QFile::exists(first + "/TempFile.$$$")); // its stale work file removed
        // A live first copy refuses the second, which touches no file of
        // its folder.
        QCOMPARE(startProbe(b, lock, second),
                 QStringLiteral("MSGBOX|Terminating|2|Custorin is already loaded\\nand running on "
                                "your computer!|&Okay\nENDED\n"));
        QVERIFY(b.waitForFinished(10000));
        QCOMPARE(b.exitCode(), 1);
        QCOMPARE(QDir(second).entryList(QDir::Files | QDir::Hidden), QStringList({"TempFile.$$$"}));

        // A copy that crashed does not block the next start.
        a.kill();
        QVERIFY(a.waitForFinished(10000));
        QCOMPARE(startProbe(c, lock, second).trimmed(), QStringLiteral("RUNNING"));
        QVERIFY(!QFile::exists(second + "/TempFile.$$$"));
        c.kill();
        c.waitForFinished(10000);
        QTemporaryDir other;
        QProcess d;
        const QString out =
            startProbe(d, other.filePath("instance.lock"), other.filePath("no/such"));
        d.waitForFinished(10000);
        QVERIFY2(out.startsWith("MSGBOX|Data folder not found|2|") && out.endsWith("ENDED\n"),
                 qPrintable(out));
    }

    void quitProgram()
    {
        TestEnvironment env;
        ProgramEnding = false;
        writeFile(env.path("Search.Log"), "");
        writeFile(env.path("SignInOut.Log"), "12/04/2026 at 22:45:32 - Pat Doe signed in\r\n");
        writeFile(env.path("Custorin.Data"), "");
        QWidget window;
        window.show();
        // The close box returns with everything in place.
        env.desktop.answerMsgBox(0, false, "Exit Custorin?");
        QVERIFY(!QuitProgram(env.data, false) && !ProgramEnding && window.isVisible());
        const MsgBoxRequest &q = env.desktop.msgBoxes.first();
        QCOMPARE(q.text,
                 QStringLiteral("This will close Custorin.\r\n\r\nIs this what you want to do?"));
        QCOMPARE(q.buttons, QStringList({"&Yes, exit Custorin", "&No, don't quit yet"}));
        QVERIFY(q.icon == 3 && q.defaultButton == 1 && !q.offerDontShow);

        // "Yes": the windows close, the empty files go, the logs stay.
        env.desktop.answerMsgBox(1, false, "Exit Custorin?");
        QVERIFY(QuitProgram(env.data, false) && ProgramEnding && !window.isVisible());
        QCOMPARE(QDir(env.folder()).entryList(QDir::Files), QStringList{"SignInOut.Log"});
        ProgramEnding = false;
    }

    // Exit in the title window ends the program without a question, the
    // empty user file removed.
    void titleWindowExitAsksNothing()
    {
        TestEnvironment env;
        writeFile(env.path("User.List"), "");
        auto *title = new frmTitlePage(env.store, env.session);
        title->show();
        QTest::mouseClick(title->cmdQuit, Qt::LeftButton);
        QVERIFY(ProgramEnding && env.desktop.msgBoxes.isEmpty());
        QVERIFY(!QFile::exists(env.path("User.List")));
        QTRY_VERIFY(QApplication::topLevelWidgets().isEmpty());
        ProgramEnding = false;
    }
};

QTEST_MAIN(TestStartup)
#include "tst_startup.moc"
