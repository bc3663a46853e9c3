// Printing from the main window (its grid's rows in order, the watch
// stopped only meanwhile), on real pages and through a real print queue.
#include "BoxText.h"
#include "FakeDesktop.h"
#include "GuiAccessibility.h"
#include "MainFixtures.h"
#include "PrintedListTable.h"
#include "RunProgram.h"
#include "SampleData.h"
#include "SkipStatus.h"
#include "TestFiles.h"
#include "core/common/Globals.h"
#include "core/print/EntryPrintout.h"
#include "core/print/PrintJob.h"
#include "core/print/PrintedList.h"
#include "gui/platform/GuiDesktop.h"
#include "gui/platform/Presenter.h"
#include "gui/platform/PrinterSurface.h"

#include <QDir>
#include <QGroupBox>
#include <QPageLayout>
#include <QProcess>
#include <QProgressDialog>
#include <QRadioButton>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QtTest>

#include <pwd.h>
#include <unistd.h>

using namespace fixtures;

namespace
{

QString poppler(const QString &tool, const QStringList &args)
{
    const ProgramRun r = RunProgram(tool, args);
    return r.status == 0 ? QString::fromUtf8(r.out) : tool + " failed: " + r.err;
}

const QString Queue = QStringLiteral("CustorinTest");

class QueueDesktop : public FakeDesktop
{
public:
    std::unique_ptr<PageSurface> beginPrint(const QString &title,
                                            const PaperSize &paper = {}) override
    {
        return m_real.beginPrint(title + QLatin1Char(' ') + tag(), paper);
    }
    static QString tag() { return QString::number(QCoreApplication::applicationPid()); }

private:
    GuiDesktop m_real;
};

QString run(const QString &program, const QStringList &args)
{
    const ProgramRun r = RunProgram(program, args);
    return QString::number(r.status) + ' ' + QString::fromUtf8(r.out + r.err);
}

// The PDFs cups-pdf wrote for this process's jobs: in the user's ~/PDF or its anonymous folder.
QStringList cupsPdfs()
{
    const passwd *pw = getpwuid(getuid());
    const QString home = QString::fromLocal8Bit(pw ? pw->pw_dir : "/root");
    QStringList paths;
    for (const QString &folder : {home + "/PDF", QStringLiteral("/var/spool/cups-pdf/ANONYMOUS")}) {
        for (const QFileInfo &f : QDir(folder).entryInfoList(
                 {"Custorin_List_" + QueueDesktop::tag() + "*.pdf"}, QDir::Files))
            paths << f.filePath();
    }
    return paths;
}

} // namespace

class TestPrinting : public QObject
{
    Q_OBJECT

private slots:
    void init() { ProgramEnding = false; }
    void cleanup() { closeMainWindows(); }

    // The list to a cups-pdf queue of a private CUPS scheduler: the pages counted; a rejecting
    // queue gives its reason. Skipped without CUPS or root. First: Qt reads the server once.
    void realPrintQueue()
    {
        QTemporaryDir dir;
        const QString scheduler = QStandardPaths::findExecutable("cupsd", {"/usr/sbin", "/sbin"});
        const QString ppd = "/usr/share/ppd/cups-pdf/CUPS-PDF_opt.ppd";
        if (scheduler.isEmpty() || !QFile::exists("/usr/lib/cups/backend/cups-pdf") ||
            !QFile::exists(ppd) || QStandardPaths::findExecutable("lpadmin").isEmpty())
            SKIP_HERE("CUPS or cups-pdf is not installed (scripts/install-deps installs them)");
        if (getuid() != 0)
            SKIP_HERE("the cups-pdf backend runs only under a scheduler started as root");
        QFile::setPermissions(dir.path(), QFile::permissions(dir.path()) | QFile::ReadGroup |
                                              QFile::ExeGroup | QFile::ReadOther | QFile::ExeOther);
        const QDir d(dir.path());
        for (const char *sub : {"spool/tmp", "cache", "state", "log", "ppd"})
            QVERIFY(d.mkpath(sub));
        const QString socket = d.filePath("cups.sock");
        writeFile(d.filePath("cupsd.conf"),
                  "Listen " + socket.toLocal8Bit() +
                      "\nBrowsing Off\nWebInterface No\nLogLevel info\nDefaultAuthType None\n"
                      "<Location />\n  Order allow,deny\n  Allow all\n</Location>\n"
                      "<Policy default>\n  <Limit All>\n    Order deny,allow\n  </Limit>\n"
                      "</Policy>\n");
        writeFile(d.filePath("cups-files.conf"),
                  QStringLiteral("ServerRoot %1\nRequestRoot %1/spool\nTempDir %1/spool/tmp\n"
                                 "CacheDir %1/cache\nStateDir %1/state\nErrorLog %1/log/error_log\n"
                                 "AccessLog %1/log/access_log\nPageLog %1/log/page_log\n"
                                 "ServerBin /usr/lib/cups\nDataDir /usr/share/cups\n"
                                 "SystemGroup root\nUser lp\nGroup lp\n")
                      .arg(dir.path())
                      .toLocal8Bit());

        QProcess cupsd; // killed, if still running, when the test ends
        cupsd.setProcessChannelMode(QProcess::MergedChannels);
        cupsd.start(scheduler,
                    {"-f", "-c", d.filePath("cupsd.conf"), "-s", d.filePath("cups-files.conf")});
        qputenv("CUPS_SERVER", socket.toLocal8Bit());
        bool up = false;
        for (int i = 0; i < 100 && !up && cupsd.state() != QProcess::NotRunning; ++i) {
            QTest::qWait(100);
            up = QFile::exists(socket) && run("lpstat", {"-r"}).contains("scheduler is running");
        }
        if (!up)
            SKIP_HERE(qPrintable("the CUPS scheduler did not come up: " + cupsd.errorString() +
                                 ' ' + QString::fromLocal8Bit(cupsd.readAll())));
        const QString added = run("lpadmin", {"-p", Queue, "-E", "-v", "cups-pdf:/", "-P", ppd});
        QVERIFY2(added.startsWith("0 "), qPrintable(added));
        QCOMPARE(run("lpadmin", {"-d", Queue}), QStringLiteral("0 "));

        QueueDesktop fake;
        Desktop *previous = setDesktop(&fake);
        const QString agency = QStringLiteral("Springfield Police Department");
        for (const QString &old : cupsPdfs())
            QFile::remove(old);
        const PrintResult result = PrintEntryList(PrintedListTable(120), " All (120)", agency, Ask);
        QTRY_COMPARE_WITH_TIMEOUT(run("lpstat", {"-W", "not-completed", "-o", Queue}),
                                  QStringLiteral("0 "), 60000);
        QStringList pdfs;
        QTRY_VERIFY_WITH_TIMEOUT(!(pdfs = cupsPdfs()).isEmpty(), 10000);

        run("cupsreject", {Queue});
        fake.answerMsgBox(2, false, PrintFailedTitle());
        const PrintResult refused = PrintEntryList(PrintedListTable(10), " All (10)", agency, Ask);
        setDesktop(previous);
        cupsd.terminate();
        cupsd.waitForFinished(10000);

        QCOMPARE(result, PrintResult::Done);
        QCOMPARE(pdfs.size(), 1);
        const QString info = run("pdfinfo", {pdfs.first()});
        QFile::remove(pdfs.first());
        QVERIFY2(info.contains(QRegularExpression("Pages:\\s+3\\n")), qPrintable(info));
        QCOMPARE(refused, PrintResult::Failed);
        QVERIFY(fake.msgBoxes.value(0).text.startsWith("The printer did not take this list.\r\n"
                                                       "(Destination \"" +
                                                       Queue + "\" is not accepting jobs.)"));
    }

    void mainWindowPrintsItsGrid()
    {
        TestEnvironment env;
        QVERIFY(SampleData::WriteDataFile(DataPath(env.data, DataFileName), 80, 2026));
        QPointer<frmMain> w = openMain(env);
        // By case number, chosen with a screen reader: the printout follows the grid.
        toggleAsScreenReader(w->optSort[1]);
        env.desktop.answerMsgBoxWith([&](const MsgBoxRequest &r) {
            // Asked before the window turns busy.
            [&] { QVERIFY(!hourglassShown() && w->timerNetworkWatch->isActive()); }();
            return MsgBoxAnswer{r.text.startsWith("Printing this list will require about ") ? 1 : 0,
                                false};
        });
        w->cmdPrintList->click();
        QCOMPARE(env.desktop.printJobs, QStringList({"Custorin List"}));
        QStringList printed;
        for (const PrintedText &p : env.desktop.printed) {
            if ((qFuzzyCompare(p.x, 1.3) && p.text != "Case #") ||
                (p.page == 1 && p.text.startsWith("CustorinPrintout")))
                printed << p.text;
        }
        QVERIFY(w->frame1->title().startsWith(" All Current Entries (59) "));
        QCOMPARE(printed,
                 QStringList(QString::fromUtf8("CustorinPrintout --  All Current Entries "
                                               "(\u2026 -- 12/4/2026 10:45:32 PM -- Page 1")) +
                     listedCases(*w));
        QVERIFY(!hourglassShown() && w->timerNetworkWatch->isActive());
    }

    // Cancel in the progress window leaves an earlier file as it was; the PDF read back.
    void pdfPagesAndTexts()
    {
        TestEnvironment env;
        QTemporaryDir dir;
        const QString pdf = dir.filePath("list.pdf");
        writeFile(pdf, "the older printout");
        PrinterSurface::setProgressDelay(0);
        QString label;
        QTimer poll;
        QObject::connect(&poll, &QTimer::timeout, [&] {
            for (QWidget *top : QApplication::topLevelWidgets()) {
                auto *progress = qobject_cast<QProgressDialog *>(top);
                if (progress && progress->objectName() == "printProgress" &&
                    progress->isVisible()) {
                    label = progress->labelText();
                    progress->cancel();
                }
            }
        });
        poll.start(0);
        std::unique_ptr<PrinterSurface> surface = PrinterSurface::forPdf("Custorin List", pdf);
        QVERIFY(surface);
        surface->setFont(PrintoutFont());
        surface->expectPages(4);
        const PrintResult result = PrintList(*surface, PrintedListTable(200), " All", "Agency",
                                             QDateTime::currentDateTime());
        poll.stop();
        PrinterSurface::setProgressDelay(1000);
        QCOMPARE(result, PrintResult::Cancelled);
        QCOMPARE(label, QStringLiteral("Printing \"Custorin List\": page 1 of 4 done"));
        surface->killDoc();
        QCOMPARE(readFile(pdf), QByteArray("the older printout"));
        QCOMPARE(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden), QStringList({"list.pdf"}));

        surface = PrinterSurface::forPdf("Custorin List", pdf);
        QVERIFY(surface);
        surface->setFont(PrintoutFont());
        QCOMPARE(PrintList(*surface,
                           PrintedListTable(120, "Jewelry/Metals",
                                            "Gold ring \"R.M.\" caf\u00e9 size %1"),
                           " All Current Entries (120)", "Springfield Police Department",
                           QDateTime(QDate(2026, 12, 6), QTime(14, 5, 9))),
                 PrintResult::Done);
        QVERIFY(surface->endDoc());

        const QString fonts = poppler("pdffonts", {pdf});
        QVERIFY2(fonts.contains("LiberationSans") && !fonts.contains("Bold"), qPrintable(fonts));

        const QRegularExpression row("03/04/2009 C-(\\d+) Jewelry/Metals Gold ring \"R.M.\" "
                                     "caf\u00e9 size (\\d+)");
        QStringList pages;
        for (QString text : poppler("pdftotext", {"-layout", pdf, "-"}).split('\f')) {
            text = text.remove(QRegularExpression("_{20,}")).simplified();
            QList<int> rows;
            for (auto it = row.globalMatch(text); it.hasNext();) {
                const auto m = it.next();
                rows << (m.captured(1) == m.captured(2) ? m.captured(2).toInt() : -1);
            }
            pages << QStringLiteral("%1 %2-%3 %4")
                         .arg(text.section(" Date Rec'd Case # Category Description ", 0, 0))
                         .arg(rows.value(0))
                         .arg(rows.value(rows.size() - 1))
                         .arg(text.endsWith("size 120 End of Printout"));
        }
        const QString head = "Springfield Police Department CustorinPrintout -- All Current "
                             "Entries (120) -- 12/6/2026 2:05:09 PM -- Page ";
        QCOMPARE(pages, QStringList({head + "1 1-52 0", head + "2 53-104 0", head + "3 105-120 1",
                                     " 0-0 0"}));
    }

    // The entry's longest values on real Letter and A4 pages: every word inside, every value whole.
    void longestValuesOnLetterAndA4_data()
    {
        QTest::addColumn<int>("paper");
        QTest::newRow("Letter") << int(QPageSize::Letter);
        QTest::newRow("A4") << int(QPageSize::A4);
    }
    void longestValuesOnLetterAndA4()
    {
        QFETCH(int, paper);
        TestEnvironment env;
        const QStringList values =
            QString("20261206140509|%1|NORTH EVIDENCE ROOM, BIN 14, SHELF C, REAR CABINET|%2|%2|"
                    "%3|%2|CASE, HARD-SHELL, BLACK, FOAM INSERTS, TWO COMBINATION LOCKS|"
                    "$9,999,999.99|JONATHAN Q. PUBLIC-SMITHSON, 1234 NORTH EVERGREEN TERRACE, "
                    "APT 56B, SPRINGFIELD, (217) 555-0199|OFFICER LEE CARTER, BADGE 4471, PATROL "
                    "DIVISION, SPRINGFIELD PD UNIT 7|12/31/2026 11:59:59 PM|RETURNED TO OWNER JON "
                    "Q. PUBLIC-SMITHSON AFTER CASE CLOSED, 12/01/2026|12/31/2026 11:59:59 PM|"
                    "SMITHSON-WHITAKER, JONATHAN QUINCY ALEXANDER III|SEALED IN BAG 4471-B. %4 "
                    "END OF NOTE.|")
                .arg(QString(15, 'W'), QString(20, 'W'), QString(20, 'M'), QString(100, 'W'))
                .split('|');
        QTemporaryDir dir;
        const QString pdf = dir.filePath("entry.pdf");
        std::unique_ptr<PrinterSurface> surface = PrinterSurface::forPdf(
            "Custorin Entry", pdf, {},
            QPageLayout(QPageSize(QPageSize::PageSizeId(paper)), QPageLayout::Portrait,
                        QMarginsF(0.25, 0.25, 0.25, 0.25), QPageLayout::Inch));
        QVERIFY(surface);
        surface->setFont(PrintoutFont());
        QCOMPARE(PrintEntryPage(*surface, EntryPrintout{values, "Springfield Police Department"},
                                true, QDateTime::currentDateTime()),
                 PrintResult::Done);
        QVERIFY(surface->endDoc());

        // Each word's right end (points) within the page's width less the margin.
        const QRegularExpression item("<page width=\"([0-9.]+)\"|<word xMin=\"[0-9.]+\" "
                                      "yMin=\"[0-9.]+\" xMax=\"([0-9.]+)\"[^>]*>([^<]*)</word>");
        QString text;
        double right = 0;
        for (auto it = item.globalMatch(poppler("pdftotext", {"-bbox", pdf, "-"})); it.hasNext();) {
            const auto m = it.next();
            if (!m.captured(1).isEmpty()) {
                right = m.captured(1).toDouble() - 18;
                continue;
            }
            QVERIFY2(m.captured(2).toDouble() <= right + 0.5, qPrintable(m.captured()));
            text += m.captured(3);
        }
        for (const QString &value : values)
            QVERIFY2(text.contains(QString(value).remove(' ')), qPrintable(value));
    }
};

SKIPPABLE_GUI_MAIN(TestPrinting)
#include "tst_printing.moc"
