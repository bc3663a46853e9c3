// Start-up and the end of the program: the second-copy refusal with real
// processes, the stale work file, QuitProgram and the title window.
#include "FakeDesktop.h"
#include "TestFiles.h"
#include "gui/controls/ZelButton.h"
#include "gui/windows/Quit.h"
#include "gui/windows/Start.h"
#include "gui/windows/frmTitlePage.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>
#include <memory>

namespace
{

QString probe()
{
    return qEnvironmentVariable("CUSTORIN_TOOLS_DIR") + QStringLiteral("/custorin_probe");
}

std::unique_ptr<QProcess> startProbe(const QString &lock, const QString &dataDir)
{
    auto p = std::make_unique<QProcess>();
    p->setProcessChannelMode(QProcess::ForwardedErrorChannel);
    p->start(probe(), {QStringLiteral("--lock"), lock, QStringLiteral("--data-dir"), dataDir});
    return p;
}

// Reads the probe's output until it says RUNNING or ENDED.
QString waitForState(QProcess &p)
{
    QString out;
    for (int i = 0; i < 200; ++i) {
        p.waitForReadyRead(100);
        out += QString::fromUtf8(p.readAll());
        if (out.contains(QLatin1String("RUNNING")) || out.contains(QLatin1String("ENDED")))
            break;
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
        QDir(work.path()).mkdir("first");
        QDir(work.path()).mkdir("second");
        const QString first = work.filePath("first");
        const QString second = work.filePath("second");
        writeFile(first + "/TempFile.$$$", "left over");
        writeFile(second + "/TempFile.$$$", "left over");

        auto a = startProbe(lock, first);
        QCOMPARE(waitForState(*a).trimmed(), QStringLiteral("RUNNING"));
        // The first copy removed its stale work file.
        QVERIFY(!QFile::exists(first + "/TempFile.$$$"));

        auto b = startProbe(lock, second);
        const QString out = waitForState(*b);
        QVERIFY(b->waitForFinished(10000));
        QCOMPARE(out,
                 QStringLiteral("MSGBOX|Terminating|2|Custorin is already loaded\\nand running on "
                                "your computer!|&Okay\nENDED\n"));
        QCOMPARE(b->exitCode(), 1);
        // The second copy touched no file of its folder.
        QCOMPARE(QDir(second).entryList(QDir::Files | QDir::Hidden), QStringList({"TempFile.$$$"}));

        // A copy that crashed does not block the next start.
        a->kill();
        QVERIFY(a->waitForFinished(10000));
        auto c = startProbe(lock, second);
        QCOMPARE(waitForState(*c).trimmed(), QStringLiteral("RUNNING"));
        QVERIFY(!QFile::exists(second + "/TempFile.$$$"));
        c->kill();
        c->waitForFinished(10000);
    }

    void missingDataFolder()
    {
        QTemporaryDir work;
        auto p = startProbe(work.filePath("instance.lock"), work.filePath("no/such/folder"));
        const QString out = waitForState(*p);
        p->waitForFinished(10000);
        QVERIFY2(out.startsWith(QStringLiteral("MSGBOX|Data folder not found|2|")),
                 qPrintable(out));
        QVERIFY(out.endsWith(QStringLiteral("ENDED\n")));
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

        // "No" and the close box both return with everything in place.
        for (int answer : {2, 0}) {
            env.desktop.answerMsgBox(answer, false, "Exit Custorin?");
            QVERIFY(!QuitProgram(false));
            QVERIFY(!ProgramEnding);
            QVERIFY(window.isVisible());
            QVERIFY(QFile::exists(env.path("Search.Log")));
        }
        const MsgBoxRequest &q = env.desktop.msgBoxes.first();
        QCOMPARE(q.icon, 3);
        QCOMPARE(q.text,
                 QStringLiteral("This will close Custorin.\r\n\r\nIs this what you want to do?"));
        QCOMPARE(q.buttons, QStringList({"&Yes, exit Custorin", "&No, don't quit yet"}));
        QCOMPARE(q.defaultButton, 1);
        QVERIFY(!q.offerDontShow);

        env.desktop.answerMsgBox(1, false, "Exit Custorin?");
        QVERIFY(QuitProgram(false));
        QVERIFY(ProgramEnding);
        QVERIFY(!window.isVisible());
        QVERIFY(!QFile::exists(env.path("Search.Log")));
        QVERIFY(!QFile::exists(env.path("Custorin.Data")));
        QVERIFY(QFile::exists(env.path("SignInOut.Log")));
        QCOMPARE(env.desktop.msgBoxes.size(), 3);
        ProgramEnding = false;
    }

    void titleWindowExitAsksNothing()
    {
        TestEnvironment env;
        ProgramEnding = false;
        writeFile(env.path("User.List"), "");
        auto *title = new frmTitlePage;
        title->show();
        QCOMPARE(title->windowTitle(), QStringLiteral("Custorin - Title Window"));
        QCOMPARE(title->cmdSignIn->text(), QStringLiteral("&Continue"));
        QCOMPARE(title->cmdQuit->text(), QStringLiteral("Exit Custorin"));
        QTest::mouseClick(title->cmdQuit, Qt::LeftButton);
        QVERIFY(ProgramEnding);
        QVERIFY(env.desktop.msgBoxes.isEmpty());
        QVERIFY(!QFile::exists(env.path("User.List")));
        QTRY_VERIFY(QApplication::topLevelWidgets().isEmpty());
        ProgramEnding = false;

        // The close box behaves as Exit.
        auto *again = new frmTitlePage;
        again->show();
        again->close();
        QVERIFY(ProgramEnding);
        QVERIFY(env.desktop.msgBoxes.isEmpty());
        QTRY_VERIFY(QApplication::topLevelWidgets().isEmpty());
        ProgramEnding = false;
    }
};

QTEST_MAIN(TestStartup)
#include "tst_startup.moc"
