// Printing from the main window and on real pages: the window prints its
// grid's rows in order and is busy (hourglass, watch stopped) only while it
// prints; the real page surface's PDF read back with the poppler tools;
// Cancel in the progress window leaves an existing file as it was.
#include "FakeDesktop.h"
#include "MainFixtures.h"
#include "PrintedListTable.h"
#include "SampleData.h"
#include "TestFiles.h"
#include "core/print/PrintedList.h"
#include "gui/platform/PrinterSurface.h"
#include "gui/platform/WindowLook.h"

#include <QDir>
#include <QGroupBox>
#include <QProcess>
#include <QProgressDialog>
#include <QRadioButton>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QtTest>

using namespace fixtures;

namespace
{

bool hourglassShown()
{
    return QApplication::overrideCursor() &&
           QApplication::overrideCursor()->shape() == Qt::WaitCursor;
}

QString poppler(const QString &tool, const QStringList &args)
{
    QProcess p;
    p.start(tool, args);
    if (!p.waitForFinished(60000) || p.exitCode() != 0)
        return tool + " failed: " + QString::fromLocal8Bit(p.readAllStandardError());
    return QString::fromUtf8(p.readAllStandardOutput());
}

} // namespace

class TestPrinting : public QObject
{
    Q_OBJECT

private slots:
    void init() { ProgramEnding = false; }
    void cleanup() { closeMainWindows(); }

    void mainWindowPrintsItsGrid()
    {
        TestEnvironment env;
        QVERIFY(SampleData::WriteDataFile(DataPath(DataFileName), 80, 2026));
        QPointer<frmMain> w = openMain();
        w->optSort[1]->click(); // by case number: the printout follows the grid
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
        QCOMPARE(printed, QStringList("CustorinPrintout -- " + w->frame1->title() +
                                      " -- 12/4/2026 10:45:32 PM -- Page 1") +
                              listedCases(*w));
        QVERIFY(!hourglassShown() && w->timerNetworkWatch->isActive());

        // The printer goes away between the question and the job: busy
        // while "No Printer" is asked, usable again after.
        QString meanwhile;
        env.desktop.answerMsgBoxWith([&](const MsgBoxRequest &) {
            env.desktop.setPrinterAvailable(false);
            return MsgBoxAnswer{1, false};
        });
        env.desktop.answerMsgBoxWith([&](const MsgBoxRequest &r) {
            meanwhile = QStringLiteral("%1 %2 %3")
                            .arg(r.title)
                            .arg(hourglassShown())
                            .arg(w->timerNetworkWatch->isActive());
            return MsgBoxAnswer{2, false};
        });
        w->cmdPrintList->click();
        QCOMPARE(meanwhile, QStringLiteral("No Printer 1 0"));
        QCOMPARE(env.desktop.printJobs.size(), 1);
        QVERIFY(!hourglassShown() && w->timerNetworkWatch->isActive());
    }

    void pdfPagesAndTexts()
    {
        TestEnvironment env;
        QTemporaryDir dir;
        const QString pdf = dir.filePath("list.pdf");
        std::unique_ptr<PrinterSurface> surface = PrinterSurface::forPdf("Custorin List", pdf);
        QVERIFY(surface);
        surface->setFont(PrintoutFont());
        QCOMPARE(PrintList(*surface,
                           PrintedListTable(120, "Jewelry/Metals",
                                            "Gold ring \"R.M.\" caf\u00e9 size %1"),
                           " All Current Entries (120)", "Springfield Police Department",
                           QDateTime(QDate(2026, 12, 6), QTime(14, 5, 9))),
                 PrintResult::Done);
        const QPointF origin = surface->printableOrigin();
        QVERIFY(surface->endDoc());
        QCOMPARE(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden), QStringList{"list.pdf"});

        // Arial 9 pt is Liberation Sans: 52 rows a page.
        const QString info = poppler("pdfinfo", {pdf});
        QVERIFY2(info.contains(QRegularExpression("Pages:\\s+3\\n")), qPrintable(info));
        QVERIFY2(info.contains(QRegularExpression("Title:\\s+Custorin List\\n")), qPrintable(info));
        const QString fonts = poppler("pdffonts", {pdf});
        QVERIFY2(fonts.contains("LiberationSans") && !fonts.contains("Bold"), qPrintable(fonts));

        // Each page's text (the rules left out, blanks as one): its header,
        // its first and last row, the closing line on the last.
        const QRegularExpression row("03/04/2009 C-(\\d+) Jewelry/Metals Gold ring \"R.M.\" "
                                     "caf\u00e9 size (\\d+)");
        QStringList pages;
        for (int page = 1; page <= 3; ++page) {
            QString text = poppler("pdftotext", {"-layout", "-f", QString::number(page), "-l",
                                                 QString::number(page), pdf, "-"});
            text = text.remove(QRegularExpression("_{20,}")).simplified();
            QList<int> rows;
            for (auto it = row.globalMatch(text); it.hasNext();) {
                const auto m = it.next();
                rows << (m.captured(1).toInt() == m.captured(2).toInt() ? m.captured(2).toInt()
                                                                        : -1);
            }
            pages << QStringLiteral("%1 %2-%3 %4")
                         .arg(text.section(" Date Rec'd Case # Category Description ", 0, 0))
                         .arg(rows.value(0))
                         .arg(rows.value(rows.size() - 1))
                         .arg(text.endsWith("size 120 End of Printout"));
        }
        const QString head = "Springfield Police Department CustorinPrintout -- All Current "
                             "Entries (120) -- 12/6/2026 2:05:09 PM -- Page ";
        QCOMPARE(pages,
                 QStringList({head + "1 1-52 0", head + "2 53-104 0", head + "3 105-120 1"}));

        // Positions on page 2, in inches from the printable area: the
        // columns at 0.5, 1.3, 2.5 and 3.8, the first line at 1.0, the first
        // row four lines of 0.14375 below it (-1: not checked).
        const QString html = poppler("pdftotext", {"-bbox", "-f", "2", "-l", "2", pdf, "-"});
        const struct {
            QString word;
            double x, y;
        } expected[] = {{"Springfield", 0.5, 1.0},
                        {"03/04/2009", 0.5, -1},
                        {"C-53", 1.3, 1.575},
                        {"Jewelry/Metals", 2.5, -1},
                        {"Gold", 3.8, -1}};
        for (const auto &e : expected) {
            const auto m = QRegularExpression("<word xMin=\"([0-9.]+)\" yMin=\"([0-9.]+)\"[^>]*>" +
                                              QRegularExpression::escape(e.word) + "</word>")
                               .match(html);
            const double x = m.captured(1).toDouble() / 72 - origin.x();
            const double y = m.captured(2).toDouble() / 72 - origin.y();
            QVERIFY2(m.hasMatch() && qAbs(x - e.x) < 0.02 && (e.y < 0 || qAbs(y - e.y) < 0.03),
                     qPrintable(QStringLiteral("%1 at %2, %3").arg(e.word).arg(x).arg(y)));
        }
    }

    void cancelLeavesNothing()
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
        surface.reset();
        QCOMPARE(readFile(pdf), QByteArray("the older printout"));
        QCOMPARE(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden), QStringList({"list.pdf"}));
    }
};

QTEST_MAIN(TestPrinting)
#include "tst_printing.moc"
