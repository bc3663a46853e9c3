// The printouts on a recording page surface (0.09 inch a character and
// 0.18 inch a line in the 9-point font): the printed list's question, page
// header, rows, rules, page breaks and closing line; the long text's line
// and page breaks and page numbers; the entry printout's questions, fields
// and chain-of-custody document; and what happens without a printer, when
// the printer refuses a job, when saving as PDF and when a job is cancelled.
#include "FakeDesktop.h"
#include "TestFiles.h"

#include "core/common/Globals.h"
#include "core/print/EntryPrintout.h"
#include "core/print/PrintJob.h"
#include "core/print/PrintedList.h"
#include "core/rules/EntryCard.h"
#include "core/rules/GridTable.h"

#include <QDir>
#include <QTemporaryDir>
#include <QTest>

namespace
{

const QString Agency = QStringLiteral("Springfield Police Department");
const QString Stamp = QStringLiteral("12/4/2026 10:45:32 PM"); // the fake desktop's clock
const QString Rule = QString(79, QLatin1Char('_'));            // 0.5 to 7.6 inches
const QString Caption = QStringLiteral(" All Current Entries (3)  Total Value: $1,234.50");

// A fresh program state with the agency named.
struct Env : TestEnvironment {
    Env() { AgencyName = Agency; }
};

QString at(int page, double x, double y, const QString &text)
{
    return QStringLiteral("p%1 (%2,%3) %4").arg(page).arg(x, 0, 'f', 3).arg(y, 0, 'f', 3).arg(text);
}

// The texts of one job, one entry per text printed (the empty texts that
// only end a line left out).
QStringList shown(const FakeDesktop &fake, int job = 0)
{
    QStringList out;
    for (const PrintedText &p : fake.printed) {
        if (p.job == job && !p.text.isEmpty())
            out << at(p.page, p.x, p.y, p.text);
    }
    return out;
}

// The same, with the texts of each line joined (a long text is printed a
// character at a time).
QStringList shownLines(const QList<PrintedText> &printed)
{
    QStringList out;
    const PrintedText *first = nullptr;
    QString line;
    auto flush = [&] {
        if (first && !line.isEmpty())
            out << at(first->page, first->x, first->y, line);
        first = nullptr;
        line.clear();
    };
    for (const PrintedText &p : printed) {
        if (p.text.isEmpty())
            continue;
        if (!first || p.page != first->page || !qFuzzyCompare(p.y, first->y))
            flush();
        if (!first)
            first = &p;
        line += p.text;
    }
    flush();
    return out;
}

GridTable listTable(int entries, const QString &description = QString())
{
    GridTable t;
    t.setFormatString(QStringLiteral(
        "<Date Rec'd|<Case #|<Category|<Description|<Rec# (hidden)|<SortCol (hidden)"));
    t.setRows(entries + 1);
    for (int r = 1; r <= entries; ++r) {
        t.setTextMatrix(r, 0,
                        QStringLiteral("01/%1/2009").arg(r % 28 + 1, 2, 10, QLatin1Char('0')));
        t.setTextMatrix(r, 1, QStringLiteral("C-%1").arg(r));
        t.setTextMatrix(r, 2, QStringLiteral("Tools"));
        t.setTextMatrix(r, 3,
                        description.isEmpty() ? QStringLiteral("Item %1").arg(r) : description);
        t.setTextMatrix(r, 4, QString::number(r));
    }
    return t;
}

QString header(int page)
{
    return QStringLiteral("CustorinPrintout -- ") + Caption + QStringLiteral(" -- ") + Stamp +
           QStringLiteral(" -- Page ") + QString::number(page);
}

const QString OfferText = QStringLiteral("There is no printer to print this list on:\r\n"
                                         "no default printer is set up, or the\r\n"
                                         "print service is not running.\r\n\r\n"
                                         "Do you want to save the pages as a PDF file instead?");

QStringList cardTexts()
{
    QStringList t;
    for (int i = 0; i < CardField::Count; ++i)
        t << QString();
    t[0] = "20261204224532";
    t[1] = "09-001234";
    t[3] = "Electronics";
    t[4] = "Acme";
    t[7] = "Black laptop computer";
    t[8] = "0";
    t[10] = "Officer Lee";
    t[11] = "3/4/2009";
    t[14] = "John Doe";
    return t;
}

// The entry page down to the last short field (Defendant at 3.88).
QStringList entryPageFields()
{
    return {at(1, 1.0, 1.0, Agency),
            at(1, 1.0, 1.18, "Custorin -- Entry Printout"),
            at(1, 1.0, 1.36, Stamp),
            at(1, 1.24, 2.08, "Control Number:  20261204224532"),
            at(1, 1.51, 2.26, "Case Number:  09-001234"),
            at(1, 1.78, 2.62, "Category:  Electronics"),
            at(1, 1.6, 2.80, "Brand Name:  Acme"),
            at(1, 1.51, 2.98, "Description:  Black laptop computer"),
            at(1, 2.05, 3.16, "Value:  0"),
            at(1, 1.33, 3.52, "Received from:  Officer Lee"),
            at(1, 1.33, 3.70, "Received Date:  3/4/2009"),
            at(1, 1.69, 3.88, "Defendant:  John Doe")};
}

// n numbered lines of text, each ended by CR LF.
QString numberedLines(int n)
{
    QString text;
    for (int i = 1; i <= n; ++i)
        text += QStringLiteral("line %1\r\n").arg(i);
    return text;
}

} // namespace

class TestPrintouts : public QObject
{
    Q_OBJECT

private slots:
    void listQuestion_data();
    void listQuestion();
    void listLayout();
    void listPageBreaks_data();
    void listPageBreaks();
    void listEdgeTexts();

    void noPrinterSavesPdf_data();
    void noPrinterSavesPdf();
    void refusedJobOffersPdf();
    void pdfNotWritten();
    void cancelAbandonsJob();

    void longTextLines_data();
    void longTextLines();
    void longTextPages_data();
    void longTextPages();
    void longTextCancel();

    void entryQuestions_data();
    void entryQuestions();
    void entryPage_data();
    void entryPage();
    void custodyDocument();
    void entryWithoutPrinter();
};

void TestPrintouts::listQuestion_data()
{
    QTest::addColumn<int>("rows");
    QTest::addColumn<int>("pages");
    QTest::newRow("30 rows") << 30 << 1;
    QTest::newRow("72 rows, 1.5 to even") << 72 << 2;
    QTest::newRow("120 rows, 2.5 to even") << 120 << 2;
    QTest::newRow("168 rows, 3.5 to even") << 168 << 4;
    QTest::newRow("3 rows, at least 1") << 3 << 1;
    QTest::newRow("32768 rows") << 32768 << 683;
}

void TestPrintouts::listQuestion()
{
    QFETCH(int, rows);
    QFETCH(int, pages);
    Env env;
    QCOMPARE(ListPageEstimate(rows), pages);
    for (int choice : {1, 2, 0}) {
        env.desktop.answerMsgBox(choice);
        QCOMPARE(AskPrintList(rows), choice == 1);
    }
    QCOMPARE(env.desktop.msgBoxes.size(), 3);
    const MsgBoxRequest &r = env.desktop.msgBoxes.first();
    QCOMPARE(r.title, QString());
    QCOMPARE(r.icon, 3);
    QCOMPARE(r.text, QStringLiteral("Printing this list will require about %1 page(s) to "
                                    "complete.\r\n\r\nAre you ready to proceed?")
                         .arg(pages));
    QCOMPARE(r.defaultButton, 2);
    QCOMPARE(r.offerDontShow, false);
    QCOMPARE(r.buttons, QStringList({"&Yes, continue", "&No, don't print this list right now"}));
}

void TestPrintouts::listLayout()
{
    Env env;
    const GridTable table = listTable(3);
    QCOMPARE(PrintEntryList(table, Caption), PrintResult::Done);
    QCOMPARE(env.desktop.printJobs, QStringList({"Custorin List"}));
    QCOMPARE(env.desktop.printFiles, QStringList({QString()}));
    QCOMPARE(env.desktop.pagesPrinted, 1);
    QCOMPARE(env.desktop.expectedPages, QList<int>({1}));
    QCOMPARE(shown(env.desktop),
             QStringList({at(1, 0.5, 1.0, Agency),         at(1, 0.5, 1.18, header(1)),
                          at(1, 0.5, 1.36, Rule),          at(1, 0.5, 1.54, "Date Rec'd"),
                          at(1, 1.3, 1.54, "Case #"),      at(1, 2.5, 1.54, "Category"),
                          at(1, 3.8, 1.54, "Description"), at(1, 0.5, 1.54, Rule),
                          at(1, 0.5, 1.72, "01/02/2009"),  at(1, 1.3, 1.72, "C-1"),
                          at(1, 2.5, 1.72, "Tools"),       at(1, 3.8, 1.72, "Item 1"),
                          at(1, 0.5, 1.90, "01/03/2009"),  at(1, 1.3, 1.90, "C-2"),
                          at(1, 2.5, 1.90, "Tools"),       at(1, 3.8, 1.90, "Item 2"),
                          at(1, 0.5, 2.08, "01/04/2009"),  at(1, 1.3, 2.08, "C-3"),
                          at(1, 2.5, 2.08, "Tools"),       at(1, 3.8, 2.08, "Item 3"),
                          at(1, 0.5, 2.08, Rule),          at(1, 0.5, 2.26, "End of Printout")}));
    for (const PrintedText &p : env.desktop.printed) {
        QCOMPARE(p.fontFamily, QStringLiteral("Arial"));
        QCOMPARE(p.fontSize, 9.0);
        QVERIFY(!p.bold && !p.italic && !p.underline);
    }
}

void TestPrintouts::listPageBreaks_data()
{
    // A page holds 41 rows: the row at 8.92 inches is the first to reach 8.8.
    QTest::addColumn<int>("entries");
    QTest::addColumn<int>("pages");
    QTest::newRow("one full page") << 41 << 1;
    QTest::newRow("one row over") << 42 << 2;
    QTest::newRow("three pages") << 83 << 3;
}

void TestPrintouts::listPageBreaks()
{
    QFETCH(int, entries);
    QFETCH(int, pages);
    Env env;
    QCOMPARE(PrintEntryList(listTable(entries), Caption), PrintResult::Done);
    QCOMPARE(env.desktop.pagesPrinted, pages);
    QCOMPARE(env.desktop.expectedPages, QList<int>({pages}));

    QList<int> rules(pages + 1, 0);
    QStringList ends, headers, caseNumbers;
    for (const PrintedText &p : env.desktop.printed) {
        if (p.text == Rule)
            ++rules[p.page];
        else if (p.text == "End of Printout")
            ends << at(p.page, p.x, p.y, p.text);
        else if (p.text.startsWith("CustorinPrintout"))
            headers << at(p.page, p.x, p.y, p.text);
        else if (p.text.startsWith("C-"))
            caseNumbers << at(p.page, p.x, p.y, p.text);
    }
    QStringList expectedHeaders, expectedRows;
    for (int page = 1; page <= pages; ++page) {
        QCOMPARE(rules.at(page), 3); // under the title, under the headings, closing
        expectedHeaders << at(page, 0.5, 1.18, header(page));
    }
    for (int r = 1; r <= entries; ++r) {
        const int page = (r - 1) / 41 + 1;
        const int k = (r - 1) % 41;
        expectedRows << at(page, 1.3, 1.72 + 0.18 * k, QStringLiteral("C-%1").arg(r));
    }
    QCOMPARE(headers, expectedHeaders);
    QCOMPARE(caseNumbers, expectedRows);
    const int lastOnPage = (entries - 1) % 41;
    QCOMPARE(ends,
             QStringList({at(pages, 0.5, 1.72 + 0.18 * (lastOnPage + 1), "End of Printout")}));
}

void TestPrintouts::listEdgeTexts()
{
    Env env;
    AgencyName.clear();
    const QString longDescription = QString(200, QLatin1Char('D'));
    QCOMPARE(PrintEntryList(listTable(2, longDescription), Caption), PrintResult::Done);
    // An empty agency name still takes its line.
    const PrintedText &first = env.desktop.printed.first();
    QCOMPARE(at(first.page, first.x, first.y, first.text), at(1, 0.5, 1.0, QString()));
    QCOMPARE(shown(env.desktop).first(), at(1, 0.5, 1.18, header(1)));
    // A description wider than the page is printed whole, not wrapped.
    QCOMPARE(shown(env.desktop).filter(longDescription),
             QStringList({at(1, 3.8, 1.72, longDescription), at(1, 3.8, 1.90, longDescription)}));
}

void TestPrintouts::noPrinterSavesPdf_data()
{
    QTest::addColumn<bool>("existing");
    QTest::addColumn<QList<int>>("answers"); // message boxes after the offer
    QTest::addColumn<int>("folders");        // folders chosen (A, then B)
    QTest::addColumn<QString>("savedIn");    // "A", "B" or "" for nothing
    QTest::newRow("declined") << false << QList<int>() << 0 << QString();
    QTest::newRow("saved") << false << QList<int>({1}) << 1 << "A";
    QTest::newRow("existing, replaced") << true << QList<int>({1, 1}) << 1 << "A";
    QTest::newRow("existing, other folder") << true << QList<int>({2, 1}) << 2 << "B";
    QTest::newRow("existing, not saved") << true << QList<int>({3}) << 1 << QString();
}

void TestPrintouts::noPrinterSavesPdf()
{
    QFETCH(bool, existing);
    QFETCH(QList<int>, answers);
    QFETCH(int, folders);
    QFETCH(QString, savedIn);
    Env env;
    QTemporaryDir a, b;
    const QString name = QStringLiteral("Custorin List 2026-12-04 2245.pdf");
    if (existing)
        writeFile(QDir(a.path()).filePath(name), "kept");
    env.desktop.setPrinterAvailable(false);
    env.desktop.setDocumentsFolder(QStringLiteral("/home/clerk/Documents"));
    env.desktop.answerMsgBox(folders > 0 ? 1 : 2, false, NoPrinterTitle());
    if (folders >= 1)
        env.desktop.answerFolder(a.path());
    if (folders >= 2)
        env.desktop.answerFolder(b.path());
    for (int choice : answers)
        env.desktop.answerMsgBox(choice);

    const PrintResult result = PrintEntryList(listTable(3), Caption);
    QCOMPARE(result, savedIn.isEmpty() ? PrintResult::Cancelled : PrintResult::Done);
    QCOMPARE(env.desktop.pendingAnswers(), 0);

    const MsgBoxRequest &offer = env.desktop.msgBoxes.first();
    QCOMPARE(offer.icon, 4);
    QCOMPARE(offer.text, OfferText);
    QCOMPARE(offer.defaultButton, 1);
    QCOMPARE(offer.buttons, QStringList({"&Save as a PDF file", "&Don't print it now"}));
    QCOMPARE(env.desktop.folderStarts,
             QStringList(folders, QStringLiteral("/home/clerk/Documents")));
    if (existing) {
        const MsgBoxRequest &ask = env.desktop.msgBoxes.at(1);
        QCOMPARE(ask.title, QStringLiteral("Save as PDF"));
        QCOMPARE(ask.icon, 3);
        QCOMPARE(ask.text, QStringLiteral("A file named\r\n") + name +
                               QStringLiteral("\r\nis already in that folder.\r\n\r\n"
                                              "Do you want to replace it?"));
        QCOMPARE(ask.defaultButton, 2);
        QCOMPARE(ask.buttons,
                 QStringList({"&Replace it", "&Choose another folder", "&Don't save it"}));
    }

    const QString inA = QDir(a.path()).filePath(name), inB = QDir(b.path()).filePath(name);
    if (savedIn.isEmpty()) {
        QVERIFY(env.desktop.printJobs.isEmpty());
        QCOMPARE(readFile(inA), existing ? QByteArray("kept") : QByteArray());
        QVERIFY(!QFile::exists(inB));
        return;
    }
    const QString saved = savedIn == "A" ? inA : inB;
    QCOMPARE(env.desktop.printFiles, QStringList({saved}));
    QCOMPARE(readFile(saved), QByteArray("%PDF-1.4 fake Custorin List\n"));
    if (savedIn == "B")
        QCOMPARE(readFile(inA), QByteArray("kept"));
    // The PDF holds the same pages the printer would have had.
    QCOMPARE(shown(env.desktop).size(), 22);
    QCOMPARE(shown(env.desktop).last(), at(1, 0.5, 2.26, "End of Printout"));
    const MsgBoxRequest &done = env.desktop.msgBoxes.last();
    QCOMPARE(done.title, QStringLiteral("Save as PDF"));
    QCOMPARE(done.icon, 5);
    QCOMPARE(done.text, QStringLiteral("The pages have been saved as\r\n") + saved);
    QCOMPARE(done.buttons, QStringList({"&Okay"}));
}

void TestPrintouts::refusedJobOffersPdf()
{
    for (bool save : {false, true}) {
        Env env;
        QTemporaryDir folder;
        env.desktop.setPrinterRefuses(
            QStringLiteral("The printer \"Desk\" is not accepting jobs."));
        env.desktop.answerMsgBox(save ? 1 : 2, false, PrintFailedTitle());
        if (save) {
            env.desktop.answerFolder(folder.path());
            env.desktop.answerMsgBox(1, false, QStringLiteral("Save as PDF"));
        }
        QCOMPARE(PrintEntryList(listTable(3), Caption),
                 save ? PrintResult::Done : PrintResult::Failed);
        QCOMPARE(env.desktop.refusedJobs, QStringList({"Custorin List"}));
        QCOMPARE(env.desktop.msgBoxes.first().text,
                 QStringLiteral("The printer did not take this list.\r\n"
                                "(The printer \"Desk\" is not accepting jobs.)\r\n\r\n"
                                "Do you want to save the pages as a PDF file instead?"));
        QCOMPARE(env.desktop.msgBoxes.first().icon, 4);
        QCOMPARE(env.desktop.printJobs, save ? QStringList({"Custorin List"}) : QStringList());
        if (save) {
            QCOMPARE(shown(env.desktop).first(), at(1, 0.5, 1.0, Agency));
            QCOMPARE(shown(env.desktop).last(), at(1, 0.5, 2.26, "End of Printout"));
        }
        QCOMPARE(env.desktop.pendingAnswers(), 0);
    }
}

void TestPrintouts::pdfNotWritten()
{
    Env env;
    QTemporaryDir folder;
    env.desktop.setPrinterAvailable(false);
    env.desktop.setPdfAvailable(false);
    env.desktop.answerMsgBox(1, false, NoPrinterTitle());
    env.desktop.answerFolder(folder.path());
    env.desktop.answerMsgBox(1, false, PrintFailedTitle());
    QCOMPARE(PrintEntryList(listTable(3), Caption), PrintResult::Failed);
    QCOMPARE(env.desktop.msgBoxes.size(), 2); // no word of a saved file
    const MsgBoxRequest &r = env.desktop.msgBoxes.last();
    QCOMPARE(r.icon, 2);
    QCOMPARE(r.text, QStringLiteral("The PDF file could not be written:\r\n") +
                         QDir(folder.path()).filePath("Custorin List 2026-12-04 2245.pdf"));
    QCOMPARE(r.buttons, QStringList({"&Okay"}));
}

void TestPrintouts::cancelAbandonsJob()
{
    Env env;
    env.desktop.cancelAfterPages(1);
    QCOMPARE(PrintEntryList(listTable(100), Caption), PrintResult::Cancelled);
    QCOMPARE(env.desktop.killedJobs, QStringList({"Custorin List"}));
    QVERIFY(env.desktop.printJobs.isEmpty());
    QVERIFY(env.desktop.msgBoxes.isEmpty());

    // A cancelled entry printout sends neither document.
    env.desktop.killedJobs.clear();
    QStringList texts = cardTexts();
    texts[CardField::Narrative] = numberedLines(100);
    texts[CardField::ChainOfCustody] = QStringLiteral("Received by the property room.");
    QCOMPARE(PrintEntry(EntryPrintout{texts}, {true, true}), PrintResult::Cancelled);
    QCOMPARE(env.desktop.killedJobs, QStringList({"Custorin Entry 20261204224532"}));
    QVERIFY(env.desktop.printJobs.isEmpty());
}

void TestPrintouts::longTextLines_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QStringList>("lines");
    const QString word = QStringLiteral("abcdefghi ");
    // Past 6.5 inches (62 characters from 1.0) a line ends after a blank.
    QTest::newRow("breaks at the blank past the zone")
        << word.repeated(8)
        << QStringList({at(1, 1.0, 1.0, word.repeated(7)), at(1, 1.0, 1.18, word)});
    QTest::newRow("blank before the zone keeps the line")
        << QStringLiteral("abc def") << QStringList({at(1, 1.0, 1.0, "abc def")});
    // Past 8.0 inches (78 characters) a word is cut.
    QTest::newRow("one long word")
        << QString(200, 'w')
        << QStringList({at(1, 1.0, 1.0, QString(78, 'w')), at(1, 1.0, 1.18, QString(78, 'w')),
                        at(1, 1.0, 1.36, QString(44, 'w'))});
    QTest::newRow("CR LF CR LF gives an empty line")
        << QStringLiteral("ab\r\n\r\ncd")
        << QStringList({at(1, 1.0, 1.0, "ab"), at(1, 1.0, 1.36, "cd")});
    QTest::newRow("lone LF and CR break too")
        << QStringLiteral("ab\ncd\ref")
        << QStringList({at(1, 1.0, 1.0, "ab"), at(1, 1.0, 1.18, "cd"), at(1, 1.0, 1.36, "ef")});
    QTest::newRow("characters outside Windows-1252 as they are")
        << QStringLiteral("Zo\u00eb \u0141\u00f3d\u017a \U0001F600")
        << QStringList(
               {at(1, 1.0, 1.0, QStringLiteral("Zo\u00eb \u0141\u00f3d\u017a \U0001F600"))});
}

void TestPrintouts::longTextLines()
{
    QFETCH(QString, text);
    QFETCH(QStringList, lines);
    Env env;
    std::unique_ptr<PageSurface> s = env.desktop.beginPrint("t");
    s->setFont(PrintoutFont());
    QCOMPARE(PrintLongText(*s, text, QString(), false, false, false, false, 1.0f, 7.5f),
             PrintResult::Done);
    QCOMPARE(shownLines(env.desktop.printed), lines);
    QCOMPARE(env.desktop.printJobs, QStringList({"t"})); // the document was ended
}

void TestPrintouts::longTextPages_data()
{
    QTest::addColumn<int>("lineCount");
    QTest::addColumn<QString>("title");
    QTest::addColumn<bool>("everyPage");
    QTest::addColumn<bool>("centre");
    QTest::addColumn<QList<int>>("linesPerPage");
    // 44 lines from 1.0 inch fill a page; 42 under a title.
    QTest::newRow("one page") << 44 << QString() << false << false << QList<int>({44});
    QTest::newRow("two pages") << 60 << QString() << false << false << QList<int>({44, 16});
    QTest::newRow("three pages") << 100 << QString() << false << false << QList<int>({44, 44, 12});
    QTest::newRow("title on every page")
        << 100 << QStringLiteral("Notes") << true << false << QList<int>({42, 42, 16});
    QTest::newRow("title on the first page only")
        << 100 << QStringLiteral("Notes") << false << false << QList<int>({42, 44, 14});
    QTest::newRow("title centred")
        << 10 << QStringLiteral("Notes") << true << true << QList<int>({10});
}

void TestPrintouts::longTextPages()
{
    QFETCH(int, lineCount);
    QFETCH(QString, title);
    QFETCH(bool, everyPage);
    QFETCH(bool, centre);
    QFETCH(QList<int>, linesPerPage);
    Env env;
    std::unique_ptr<PageSurface> s = env.desktop.beginPrint("t");
    s->setFont(PrintoutFont());
    QCOMPARE(PrintLongText(*s, numberedLines(lineCount), title, true, centre, everyPage, true, 1.0f,
                           7.5f),
             PrintResult::Done);
    QVERIFY(s->endDoc());

    QStringList expected;
    int n = 1;
    for (int page = 1; page <= linesPerPage.size(); ++page) {
        double y = 1.0;
        if (!title.isEmpty() && (everyPage || page == 1)) {
            expected << at(page, centre ? 3.775 : 1.0, 1.0, title);
            y += 0.36;
        }
        for (int k = 0; k < linesPerPage.at(page - 1); ++k, ++n)
            expected << at(page, 1.0, y + 0.18 * k, QStringLiteral("line %1").arg(n));
        if (linesPerPage.size() > 1 && page > 1)
            expected << at(page, 6.0, 9.2, QStringLiteral("(page %1)").arg(page));
    }
    QCOMPARE(shownLines(env.desktop.printed), expected);
    for (const PrintedText &p : env.desktop.printed)
        QCOMPARE(p.underline, !title.isEmpty() && p.text == title);
}

void TestPrintouts::longTextCancel()
{
    Env env;
    env.desktop.cancelAfterPages(1);
    std::unique_ptr<PageSurface> s = env.desktop.beginPrint("t");
    s->setFont(PrintoutFont());
    QCOMPARE(
        PrintLongText(*s, numberedLines(100), QString(), false, false, false, false, 1.0f, 7.5f),
        PrintResult::Cancelled);
    s->killDoc();
    QVERIFY(env.desktop.printJobs.isEmpty());
    QCOMPARE(env.desktop.killedJobs, QStringList({"t"}));
}

void TestPrintouts::entryQuestions_data()
{
    QTest::addColumn<QString>("narrative");
    QTest::addColumn<QString>("custody");
    QTest::addColumn<QList<int>>("answers");
    QTest::addColumn<int>("outcome"); // -1 stopped, else narrative*2 + custody
    QTest::newRow("nothing to ask") << "  "
                                    << "" << QList<int>() << 0;
    QTest::newRow("narrative yes") << "n"
                                   << "" << QList<int>({1}) << 2;
    QTest::newRow("narrative no, custody yes") << "n"
                                               << "c" << QList<int>({2, 1}) << 1;
    QTest::newRow("custody only, no") << ""
                                      << "c" << QList<int>({2}) << 0;
    QTest::newRow("stop at the narrative") << "n"
                                           << "c" << QList<int>({3}) << -1;
    QTest::newRow("closed at the custody question") << "n"
                                                    << "c" << QList<int>({1, 0}) << -1;
}

void TestPrintouts::entryQuestions()
{
    QFETCH(QString, narrative);
    QFETCH(QString, custody);
    QFETCH(QList<int>, answers);
    QFETCH(int, outcome);
    Env env;
    for (int a : answers)
        env.desktop.answerMsgBox(a, false, "Print Option");
    const std::optional<EntryPrintOptions> options = AskEntryPrintOptions(narrative, custody);
    QCOMPARE(env.desktop.pendingAnswers(), 0);
    QCOMPARE(options.has_value(), outcome >= 0);
    if (options)
        QCOMPARE(int(options->narrative) * 2 + int(options->custody), outcome);

    QStringList asked;
    for (const MsgBoxRequest &r : env.desktop.msgBoxes) {
        QCOMPARE(r.icon, 3);
        QCOMPARE(r.defaultButton, 1);
        QCOMPARE(r.offerDontShow, false);
        QCOMPARE(r.buttons,
                 QStringList({"&Yes, please", "&Not this time", "&Stop, don't print this entry"}));
        asked << r.text;
    }
    QStringList expected;
    if (!narrative.trimmed().isEmpty())
        expected << "Do you want to print the narrative also?";
    if (!custody.isEmpty() && !(answers.value(0) == 3))
        expected << "Do you want to print the\r\n'Chain-of-Custody' documentation also?\r\n\r\n"
                    "(This documentation will be printed on a separate page)";
    QCOMPARE(asked, expected);
}

void TestPrintouts::entryPage_data()
{
    QTest::addColumn<bool>("withNarrative");
    QTest::addColumn<QString>("narrative");
    QTest::addColumn<QStringList>("after"); // lines after the short fields
    const QString n59 = QString(58, 'n') + '.';
    const QString n60 = QString(59, 'n') + '.';
    QTest::newRow("without narrative") << false << n59 << QStringList();
    QTest::newRow("narrative of 59 on one line")
        << true << n59 << QStringList({at(1, 1.0, 4.24, "Narrative: " + n59)});
    QTest::newRow("narrative of 60 under its title")
        << true << n60
        << QStringList(
               {at(1, 1.0, 4.24, "Narrative, comments, case notes, etc."), at(1, 1.0, 4.60, n60)});
    QTest::newRow("short narrative with a line break")
        << true << QStringLiteral("first\r\nsecond")
        << QStringList({at(1, 1.0, 4.24, "Narrative: first"), at(1, 1.0, 4.42, "second")});
}

void TestPrintouts::entryPage()
{
    QFETCH(bool, withNarrative);
    QFETCH(QString, narrative);
    QFETCH(QStringList, after);
    Env env;
    QStringList texts = cardTexts();
    texts[CardField::Narrative] = narrative;
    QCOMPARE(PrintEntry(EntryPrintout{texts}, {withNarrative, false}), PrintResult::Done);
    QCOMPARE(env.desktop.printJobs, QStringList({"Custorin Entry 20261204224532"}));
    QCOMPARE(shownLines(env.desktop.printed), entryPageFields() + after);
    for (const PrintedText &p : env.desktop.printed)
        QCOMPARE(p.underline, p.text == "Narrative, comments, case notes, etc.");
}

void TestPrintouts::custodyDocument()
{
    Env env;
    QStringList texts = cardTexts();
    texts[CardField::Narrative] = QStringLiteral("Left out.");
    texts[CardField::ChainOfCustody] = QStringLiteral("Taken in by Sgt. Reyes.\r\nLocker 12.");
    QCOMPARE(PrintEntry(EntryPrintout{texts}, {false, true}), PrintResult::Done);
    QCOMPARE(env.desktop.printJobs, QStringList({"Custorin Entry 20261204224532",
                                                 "Custorin Chain-of-Custody 20261204224532"}));
    QCOMPARE(shown(env.desktop, 0), entryPageFields());
    QList<PrintedText> custody;
    for (const PrintedText &p : env.desktop.printed) {
        if (p.job == 1)
            custody << p;
    }
    QCOMPARE(shownLines(custody), QStringList({at(1, 0.74, 1.0, "Control Number:  20261204224532"),
                                               at(1, 1.01, 1.18, "Case Number:  09-001234"),
                                               at(1, 1.0, 1.54, "Chain-of-Custody Documentation"),
                                               at(1, 1.0, 1.90, "Taken in by Sgt. Reyes."),
                                               at(1, 1.0, 2.08, "Locker 12.")}));
}

void TestPrintouts::entryWithoutPrinter()
{
    // Both documents go to PDF files in the one folder chosen.
    Env env;
    QTemporaryDir folder;
    env.desktop.setPrinterAvailable(false);
    env.desktop.answerMsgBox(1, false, NoPrinterTitle());
    env.desktop.answerFolder(folder.path());
    env.desktop.answerMsgBox(1, false, QStringLiteral("Save as PDF"));
    QStringList texts = cardTexts();
    texts[CardField::ChainOfCustody] = QStringLiteral("Locker 12.");
    QCOMPARE(PrintEntry(EntryPrintout{texts}, {false, true}), PrintResult::Done);
    const QDir dir(folder.path());
    const QStringList files = {dir.filePath("Custorin Entry 20261204224532 2026-12-04 2245.pdf"),
                               dir.filePath("Custorin Chain-of-Custody 20261204224532 "
                                            "2026-12-04 2245.pdf")};
    QCOMPARE(env.desktop.printFiles, files);
    QCOMPARE(env.desktop.msgBoxes.first().text,
             QString(OfferText).replace("this list", "this entry"));
    QCOMPARE(env.desktop.msgBoxes.last().text,
             QStringLiteral("The pages have been saved as these files:\r\n") + files.join("\r\n"));
    QCOMPARE(env.desktop.pendingAnswers(), 0);
}

QTEST_GUILESS_MAIN(TestPrintouts)
#include "tst_printouts.moc"
