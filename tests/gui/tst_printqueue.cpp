// The real print queue: a private CUPS scheduler with a cups-pdf queue as
// the default printer; the pages of the PDF cups-pdf wrote are counted, and
// a queue that rejects jobs gives the scheduler's reason. Skipped, saying
// why, without CUPS or root (which the cups-pdf backend needs).
#include "BoxText.h"
#include "FakeDesktop.h"
#include "PrintedListTable.h"
#include "RunProgram.h"
#include "TestFiles.h"

#include "core/common/Globals.h"
#include "core/print/PrintJob.h"
#include "core/print/PrintedList.h"
#include "gui/platform/GuiDesktop.h"

#include <QDir>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QtTest>

#include <pwd.h>
#include <unistd.h>

namespace
{

const QString Queue = QStringLiteral("CustorinTest");

// The fake desktop, printing for real through the real desktop. The job's
// name carries this process's number, so that test runs side by side find
// their own PDF among cups-pdf's output.
class QueueDesktop : public FakeDesktop
{
public:
    std::unique_ptr<PageSurface> beginPrint(const QString &title) override
    {
        return m_real.beginPrint(title + QLatin1Char(' ') + tag());
    }
    static QString tag() { return QString::number(QCoreApplication::applicationPid()); }

private:
    GuiDesktop m_real;
};

QString run(const QString &program, const QStringList &args)
{
    const ProgramRun r = RunProgram(program, args);
    return QString::number(r.status) + ' ' + QString::fromLocal8Bit(r.out + r.err);
}

// Where cups-pdf puts the PDF of a job of this user (its "Out" setting
// as Debian ships it).
QString cupsPdfFolder()
{
    const passwd *pw = getpwuid(getuid());
    return QString::fromLocal8Bit(pw ? pw->pw_dir : "/root") + QStringLiteral("/PDF");
}

} // namespace

class TestPrintQueue : public QObject
{
    Q_OBJECT

    QTemporaryDir m_dir;
    QProcess m_cupsd;
    QString m_socket;

private slots:
    void initTestCase()
    {
        const QString cupsd = QStandardPaths::findExecutable("cupsd", {"/usr/sbin", "/sbin"});
        const QString ppd = "/usr/share/ppd/cups-pdf/CUPS-PDF_opt.ppd";
        if (cupsd.isEmpty() || !QFile::exists("/usr/lib/cups/backend/cups-pdf") ||
            !QFile::exists(ppd) || QStandardPaths::findExecutable("lpadmin").isEmpty())
            QSKIP("CUPS or cups-pdf is not installed (scripts/install-deps installs them)");
        if (getuid() != 0)
            QSKIP("the cups-pdf backend runs only under a scheduler started as root");
        QVERIFY(m_dir.isValid());
        // The scheduler's helpers run as the lp user and must reach the spool.
        QFile::setPermissions(m_dir.path(), QFile::permissions(m_dir.path()) | QFile::ReadGroup |
                                                QFile::ExeGroup | QFile::ReadOther |
                                                QFile::ExeOther);
        const QDir d(m_dir.path());
        for (const char *sub : {"spool/tmp", "cache", "state", "log", "ppd"})
            QVERIFY(d.mkpath(sub));
        m_socket = d.filePath("cups.sock");
        writeFile(d.filePath("cupsd.conf"),
                  "Listen " + m_socket.toLocal8Bit() +
                      "\nBrowsing Off\nWebInterface No\nLogLevel info\nDefaultAuthType None\n"
                      "<Location />\n  Order allow,deny\n  Allow all\n</Location>\n"
                      "<Policy default>\n  <Limit All>\n    Order deny,allow\n  </Limit>\n"
                      "</Policy>\n");
        const QString root = m_dir.path();
        writeFile(d.filePath("cups-files.conf"),
                  QStringLiteral("ServerRoot %1\nRequestRoot %1/spool\nTempDir %1/spool/tmp\n"
                                 "CacheDir %1/cache\nStateDir %1/state\nErrorLog %1/log/error_log\n"
                                 "AccessLog %1/log/access_log\nPageLog %1/log/page_log\n"
                                 "ServerBin /usr/lib/cups\nDataDir /usr/share/cups\n"
                                 "SystemGroup root\nUser lp\nGroup lp\n")
                      .arg(root)
                      .toLocal8Bit());

        m_cupsd.setProcessChannelMode(QProcess::MergedChannels);
        m_cupsd.start(cupsd,
                      {"-f", "-c", d.filePath("cupsd.conf"), "-s", d.filePath("cups-files.conf")});
        if (!m_cupsd.waitForStarted(10000))
            QSKIP(qPrintable("the CUPS scheduler could not be started: " + m_cupsd.errorString()));
        // Everything CUPS in this process and its children talks to it.
        qputenv("CUPS_SERVER", m_socket.toLocal8Bit());
        bool up = false;
        for (int i = 0; i < 100 && !up && m_cupsd.state() != QProcess::NotRunning; ++i) {
            QTest::qWait(100);
            up = QFile::exists(m_socket) && run("lpstat", {"-r"}).contains("scheduler is running");
        }
        if (!up) {
            QSKIP(qPrintable(
                "the CUPS scheduler did not come up: " + QString::fromLocal8Bit(m_cupsd.readAll()) +
                run("tail", {"-5", d.filePath("log/error_log")})));
        }
        const QString added = run("lpadmin", {"-p", Queue, "-E", "-v", "cups-pdf:/", "-P", ppd});
        QVERIFY2(added.startsWith("0 "), qPrintable(added));
        QCOMPARE(run("lpadmin", {"-d", Queue}), QStringLiteral("0 "));
        QVERIFY(run("lpstat", {"-d"}).contains(Queue));
    }

    void cleanupTestCase()
    {
        if (m_cupsd.state() != QProcess::NotRunning) {
            m_cupsd.terminate();
            if (!m_cupsd.waitForFinished(10000))
                m_cupsd.kill();
            m_cupsd.waitForFinished(5000);
        }
    }

    void listReachesTheQueueOrIsRefused()
    {
        QueueDesktop fake;
        Desktop *previous = setDesktop(&fake);
        AgencyName = QStringLiteral("Springfield Police Department");
        const QDir out(cupsPdfFolder());
        const QString name = "Custorin_List_" + QueueDesktop::tag() + "*.pdf";
        for (const QString &old : out.entryList({name}, QDir::Files))
            QFile::remove(out.filePath(old));
        // 120 rows: three pages of 52, 52 and 16 rows.
        const PrintResult result = PrintEntryList(PrintedListTable(120), " All (120)");
        QTRY_COMPARE_WITH_TIMEOUT(run("lpstat", {"-W", "not-completed", "-o", Queue}),
                                  QStringLiteral("0 "), 60000);
        const QString done = run("lpstat", {"-W", "completed", "-o", Queue});
        QStringList pdfs;
        QTRY_VERIFY_WITH_TIMEOUT(!(pdfs = out.entryList({name}, QDir::Files)).isEmpty(), 10000);

        run("cupsreject", {Queue});
        fake.answerMsgBox(2, false, PrintFailedTitle());
        const PrintResult refused = PrintEntryList(PrintedListTable(10), " All (10)");
        setDesktop(previous);
        run("cupsaccept", {Queue});

        QCOMPARE(result, PrintResult::Done);
        QCOMPARE(done.count(QRegularExpression("^(0 )?" + Queue + "-\\d+ ",
                                               QRegularExpression::MultilineOption)),
                 1);
        QCOMPARE(pdfs.size(), 1);
        const QString info = run("pdfinfo", {out.filePath(pdfs.first())});
        QFile::remove(out.filePath(pdfs.first()));
        QVERIFY2(info.contains(QRegularExpression("Pages:\\s+3\\n")), qPrintable(info));
        QCOMPARE(refused, PrintResult::Failed);
        QCOMPARE(boxTexts(fake.msgBoxes),
                 QStringList(PrintFailedTitle() +
                             " | The printer did not take this list.\r\n"
                             "(Destination \"" +
                             Queue +
                             "\" is not accepting jobs.)\r\n\r\n"
                             "Do you want to save the pages as a PDF file instead? | "
                             "&Save as a PDF file, &Don't print it now | 4 1 0"));
    }
};

QTEST_MAIN(TestPrintQueue)
#include "tst_printqueue.moc"
