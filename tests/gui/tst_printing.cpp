// Printing from the windows and on real pages: the main window prints the
// rows of its grid in their order and is busy (hourglass, watch timer
// stopped) only while it prints, also when the printer goes away between
// the question and the job; the entry card's printout; the real page
// surface writes a PDF whose pages, fonts and texts are checked with the
// poppler tools; Cancel in the progress window abandons the document and
// leaves an existing file as it was.
#include "FakeDesktop.h"
#include "SampleData.h"
#include "TestFiles.h"

#include "core/common/Globals.h"
#include "core/print/PrintedList.h"
#include "core/rules/GridTable.h"
#include "gui/controls/Grid.h"
#include "gui/controls/ZelButton.h"
#include "gui/platform/PrinterSurface.h"
#include "gui/platform/WindowLook.h"
#include "gui/windows/Quit.h"
#include "gui/windows/frmMain.h"

#include <QApplication>
#include <QDir>
#include <QGroupBox>
#include <QPointer>
#include <QProcess>
#include <QProgressDialog>
#include <QRadioButton>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTimer>
#include <QtTest>

namespace
{

bool hourglassShown()
{
    return QApplication::overrideCursor() &&
           QApplication::overrideCursor()->shape() == Qt::WaitCursor;
}

QPointer<frmMain> openMain(int entries)
{
    if (!SampleData::WriteDataFile(DataPath(DataFileName), entries, 2026))
        qFatal("the data file could not be written");
    CurrentUserName = QStringLiteral("Tester");
    CurrentAccessLevel = 4;
    AgencyName = QStringLiteral("Springfield Police Department");
    QPointer<frmMain> w = new frmMain;
    w->show();
    w->Form_Activate();
    return w;
}

void dispose(QPointer<frmMain> &w)
{
    ProgramEnding = true;
    delete w.data();
    ProgramEnding = false;
}

// Runs a poppler tool; its standard output.
QString poppler(const QString &tool, const QStringList &args)
{
    QProcess p;
    p.start(tool, args);
    if (!p.waitForFinished(60000) || p.exitCode() != 0)
        return QStringLiteral("%1 failed: %2")
            .arg(tool, QString::fromLocal8Bit(p.readAllStandardError()));
    return QString::fromUtf8(p.readAllStandardOutput());
}

GridTable numberedList(int entries)
{
    GridTable t;
    t.setFormatString(QStringLiteral(
        "<Date Rec'd|<Case #|<Category|<Description|<Rec# (hidden)|<SortCol (hidden)"));
    t.setRows(entries + 1);
    for (int r = 1; r <= entries; ++r) {
        t.setTextMatrix(r, 0, QStringLiteral("03/04/2009"));
        t.setTextMatrix(r, 1, QStringLiteral("C-%1").arg(r, 3, 10, QLatin1Char('0')));
        t.setTextMatrix(r, 2, QStringLiteral("Jewelry/Metals"));
        t.setTextMatrix(r, 3,
                        QStringLiteral("Gold ring, engraved \"R.M.\" caf\u00e9 size %1").arg(r));
    }
    return t;
}

// Words of a PDF page with their boxes in points: "word x y".
QStringList wordBoxes(const QString &pdf, int page)
{
    const QString html =
        poppler(QStringLiteral("pdftotext"),
                {QStringLiteral("-bbox"), QStringLiteral("-f"), QString::number(page),
                 QStringLiteral("-l"), QString::number(page), pdf, QStringLiteral("-")});
    static const QRegularExpression word(
        QStringLiteral("<word xMin=\"([0-9.]+)\" yMin=\"([0-9.]+)\"[^>]*>([^<]*)</word>"));
    QStringList out;
    for (auto it = word.globalMatch(html); it.hasNext();) {
        const auto m = it.next();
        out << QStringLiteral("%1 %2 %3").arg(m.captured(3), m.captured(1), m.captured(2));
    }
    return out;
}

// Where a word first stands on the page, in inches from the printable
// area's top left (its box's left and top).
QPointF wordAt(const QStringList &boxes, const QString &text, QPointF origin)
{
    for (const QString &b : boxes) {
        const QStringList parts = b.split(' ');
        if (parts.size() == 3 && parts[0] == text)
            return QPointF(parts[1].toDouble() / 72.0 - origin.x(),
                           parts[2].toDouble() / 72.0 - origin.y());
    }
    return QPointF(-1, -1);
}

} // namespace

class TestPrinting : public QObject
{
    Q_OBJECT

private slots:
    void init() { ProgramEnding = false; }

    void mainWindowPrintsItsGrid()
    {
        TestEnvironment env;
        QPointer<frmMain> w = openMain(80);
        w->optSort[1]->click(); // by case number: the printout follows the grid
        const int rows = w->grid->Rows();
        QVERIFY(rows > 40);

        env.desktop.answerMsgBoxWith([&](const MsgBoxRequest &r) {
            // Asked before the window turns busy.
            [&] { QVERIFY(!hourglassShown() && w->timerNetworkWatch->isActive()); }();
            return MsgBoxAnswer{r.text.startsWith("Printing this list will require about ") ? 1 : 0,
                                false};
        });
        w->cmdPrintList->click();
        QCOMPARE(env.desktop.printJobs, QStringList({"Custorin List"}));

        QStringList printed, listed;
        QString titleLine;
        for (const PrintedText &p : env.desktop.printed) {
            if (p.page == 1 && p.text.startsWith("CustorinPrintout"))
                titleLine = p.text;
            if (qFuzzyCompare(p.x, 1.3) && p.text != "Case #")
                printed << p.text;
        }
        for (int r = 1; r < rows; ++r)
            listed << w->grid->TextMatrix(r, 1);
        QCOMPARE(printed, listed);
        QCOMPARE(titleLine, "CustorinPrintout -- " + w->frame1->title() +
                                " -- 12/4/2026 10:45:32 PM -- Page 1");
        QVERIFY(!hourglassShown());
        QVERIFY(w->timerNetworkWatch->isActive());
        dispose(w);
    }

    void printerGoneBetweenQuestionAndJob()
    {
        TestEnvironment env;
        QPointer<frmMain> w = openMain(12);
        bool busyMeanwhile = false;
        env.desktop.answerMsgBoxWith([&](const MsgBoxRequest &) {
            env.desktop.setPrinterAvailable(false);
            return MsgBoxAnswer{1, false};
        });
        env.desktop.answerMsgBoxWith([&](const MsgBoxRequest &r) {
            busyMeanwhile =
                hourglassShown() && !w->timerNetworkWatch->isActive() && r.title == "No Printer";
            return MsgBoxAnswer{2, false};
        });
        w->cmdPrintList->click();
        QVERIFY(busyMeanwhile);
        QCOMPARE(env.desktop.pendingAnswers(), 0);
        QVERIFY(env.desktop.printJobs.isEmpty());
        // The window is usable again.
        QVERIFY(!hourglassShown());
        QVERIFY(w->timerNetworkWatch->isActive());
        QVERIFY(!w->optSort[2]->isChecked());
        QTest::mouseClick(w->optSort[2], Qt::LeftButton);
        QVERIFY(w->optSort[2]->isChecked());
        dispose(w);
    }

    void pdfPagesAndTexts()
    {
        TestEnvironment env;
        AgencyName = QStringLiteral("Springfield Police Department");
        QTemporaryDir dir;
        const QString pdf = dir.filePath("list.pdf");
        const GridTable table = numberedList(120);
        std::unique_ptr<PrinterSurface> surface = PrinterSurface::forPdf("Custorin List", pdf);
        QVERIFY(surface);
        surface->setFont(PrintoutFont());
        const QDateTime when(QDate(2026, 12, 6), QTime(14, 5, 9));
        QCOMPARE(PrintList(*surface, table, " All Current Entries (120)  Total Value: $0.00",
                           AgencyName, when),
                 PrintResult::Done);
        const QPointF origin = surface->printableOrigin();
        QVERIFY(surface->endDoc());
        QVERIFY(QFile::exists(pdf));
        QVERIFY(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden).size() == 1);

        // Arial 9 pt is Liberation Sans: 52 rows a page.
        const QString info = poppler("pdfinfo", {pdf});
        QVERIFY2(info.contains(QRegularExpression("Pages:\\s+3\\n")), qPrintable(info));
        QVERIFY2(info.contains(QRegularExpression("Title:\\s+Custorin List\\n")), qPrintable(info));
        const QString fonts = poppler("pdffonts", {pdf});
        QVERIFY2(fonts.contains("LiberationSans") && !fonts.contains("Bold"), qPrintable(fonts));

        // The texts of each page, the rules left out (they run under the
        // lines they close) and blanks and line ends as one blank.
        QStringList pages;
        for (int page = 1; page <= 3; ++page) {
            QString text = poppler("pdftotext", {"-layout", "-f", QString::number(page), "-l",
                                                 QString::number(page), pdf, "-"});
            text.remove(QRegularExpression("_{20,}"));
            pages << text.replace(QRegularExpression("\\s+"), " ").trimmed();
        }
        const QString top = "Springfield Police Department CustorinPrintout -- All Current "
                            "Entries (120) Total Value: $0.00 -- 12/6/2026 2:05:09 PM -- Page %1 "
                            "Date Rec'd Case # Category Description 03/04/2009 C-";
        for (int page = 1; page <= 3; ++page) {
            const QString &text = pages[page - 1];
            QVERIFY2(text.startsWith(top.arg(page)), qPrintable(text.left(300)));
            QCOMPARE(text.count("End of Printout"), page == 3 ? 1 : 0);
            QCOMPARE(text.endsWith("size 120 End of Printout"), page == 3);
        }
        // Rows 1 to 52 on page 1, 53 to 104 on page 2, the rest on page 3.
        const QRegularExpression row("03/04/2009 +C-(\\d+) +Jewelry/Metals +Gold ring, "
                                     "engraved \"R.M.\" caf\u00e9 size (\\d+)");
        QList<int> firstOnPage, lastOnPage;
        for (const QString &text : pages) {
            QList<int> numbers;
            for (auto it = row.globalMatch(text); it.hasNext();) {
                const auto m = it.next();
                QCOMPARE(m.captured(1).toInt(), m.captured(2).toInt());
                numbers << m.captured(1).toInt();
            }
            firstOnPage << numbers.value(0);
            lastOnPage << numbers.value(numbers.size() - 1);
        }
        QCOMPARE(firstOnPage, QList<int>({1, 53, 105}));
        QCOMPARE(lastOnPage, QList<int>({52, 104, 120}));

        // Positions, in inches from the printable area: the columns at 0.5,
        // 1.3, 2.5 and 3.8, the first line at 1.0, a line 0.144 high.
        const QStringList boxes = wordBoxes(pdf, 2);
        const QPointF agency = wordAt(boxes, "Springfield", origin);
        const QPointF caseNo = wordAt(boxes, "C-053", origin);
        const QPointF category = wordAt(boxes, "Jewelry/Metals", origin);
        const QPointF gold = wordAt(boxes, "Gold", origin);
        const QPointF date = wordAt(boxes, "03/04/2009", origin);
        QVERIFY2(qAbs(agency.x() - 0.5) < 0.02 && qAbs(agency.y() - 1.0) < 0.03,
                 qPrintable(boxes.first()));
        QVERIFY(qAbs(date.x() - 0.5) < 0.02);
        QVERIFY(qAbs(caseNo.x() - 1.3) < 0.02);
        QVERIFY(qAbs(category.x() - 2.5) < 0.02);
        QVERIFY(qAbs(gold.x() - 3.8) < 0.02);
        QVERIFY2(qAbs(caseNo.y() - (1.0 + 4 * 0.14375)) < 0.03,
                 qPrintable(QString::number(caseNo.y())));
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
        const GridTable table = numberedList(200);
        std::unique_ptr<PrinterSurface> surface = PrinterSurface::forPdf("Custorin List", pdf);
        QVERIFY(surface);
        surface->setFont(PrintoutFont());
        surface->expectPages(4);
        const PrintResult result =
            PrintList(*surface, table, " All", "Agency", QDateTime::currentDateTime());
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
