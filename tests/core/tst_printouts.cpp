// The printed list, the long text and the entry printout on a recording
// page surface (0.09 inch a character, 0.18 inch a line in the 9-point font).
#include "BoxText.h"
#include "FakeDesktop.h"
#include "PrintedListTable.h"
#include "TestFiles.h"

#include "core/common/Formats.h"
#include "core/common/Globals.h"
#include "core/common/MsgBox.h"
#include "core/print/EntryPrintout.h"
#include "core/print/Labels.h"
#include "core/print/PrintJob.h"
#include "core/print/PrintedList.h"
#include "core/rules/EntryCard.h"
#include "core/rules/GridTable.h"

#include <QDir>
#include <QRectF>
#include <QTemporaryDir>
#include <QTest>

namespace
{

const QString Agency = QStringLiteral("Springfield Police Department");
const QString Stamp = QStringLiteral("12/4/2026 10:45:32 PM"); // the fake desktop's clock
const QString Rule = QString(79, QLatin1Char('_'));            // 0.5 to 7.6 inches
const QString Caption = QStringLiteral(" All Current Entries (3)  Total Value: $1,234.50");
const QString End = QStringLiteral("End of Printout");
// The title line of the list with Caption, cut so that it ends by 7.6 inches.
const QString Title =
    QString::fromUtf8("CustorinPrintout --  All Current Entries (\u2026 -- ") + Stamp + " -- Page ";

int shownAsk(const MsgBoxRequest &r)
{
    return desktop().messageBox(r).choice;
}

QString at(int page, double x, double y, const QString &text)
{
    return QStringLiteral("p%1 (%2,%3) %4").arg(page).arg(x, 0, 'f', 3).arg(y, 0, 'f', 3).arg(text);
}

QStringList shown(const FakeDesktop &fake, bool joinLines = false)
{
    QStringList out;
    double lastY = -1;
    for (const PrintedText &p : fake.printed) {
        if (p.job != 0 || p.text.isEmpty())
            continue;
        if (joinLines && !out.isEmpty() && qFuzzyCompare(p.y, lastY))
            out.last() += p.text;
        else
            out << at(p.page, p.x, p.y, p.text);
        lastY = p.y;
    }
    return out;
}

EntryPrintout card(const QString &narrative = QString(), const QString &custody = QString())
{
    QStringList t = QStringLiteral("20261204224532|09-001234||Electronics|Acme|||Black laptop "
                                   "computer|0||Officer Lee|3/4/2009|||John Doe")
                        .split('|');
    while (t.size() < CardField::Count)
        t << QString();
    t[CardField::Narrative] = narrative;
    t[CardField::ChainOfCustody] = custody;
    return EntryPrintout{t, Agency};
}

EntryRecord labelled(int serial, const QString &caseNumber, double received = 0)
{
    EntryRecord e;
    e.ControlNumber = ToOleDate(QDateTime(QDate(2026, 12, 6), QTime(14, 5, 1)).addSecs(serial));
    e.CaseNumber = caseNumber;
    e.Description = QStringLiteral("Black laptop\r\nwith charger");
    e.ReceivedDate = received;
    return e;
}

QString numberedLines(int n)
{
    QString text;
    for (int i = 1; i <= n; ++i)
        text += QStringLiteral("line %1\r\n").arg(i);
    return text;
}

PrintResult printLongText(TestEnvironment &env, const QString &text,
                          const QString &title = QString(), bool everyPage = false,
                          bool centre = false)
{
    std::unique_ptr<PageSurface> s = env.desktop.beginPrint("t");
    s->setFont(PrintoutFont());
    const PrintResult r =
        PrintLongText(*s, text, title, true, centre, everyPage, false, 1.0f, 7.5f);
    if (r != PrintResult::Done)
        s->killDoc();
    return r;
}

} // namespace

class TestPrintouts : public QObject
{
    Q_OBJECT

private slots:
    void listQuestion()
    {
        for (const auto &[rows, pages] :
             QList<QPair<int, int>>{{30, 1}, {72, 2}, {120, 2}, {168, 4}, {3, 1}, {32768, 683}})
            QCOMPARE(ListPageEstimate(rows), pages);
        QCOMPARE(boxText(PrintListQuestion(168)),
                 " | Printing this list will require about 4 page(s) to complete.\r\n\r\nAre "
                 "you ready to proceed? | &Yes, continue, &No, don't print this list right now "
                 "| 3 2 0");
    }

    // Each page: header, column titles, rules, 41 rows; the closing line after the last row.
    void listPages()
    {
        for (const auto &[entries, pages] : QList<QPair<int, int>>{{3, 1}, {41, 1}, {42, 2}}) {
            TestEnvironment env;
            QCOMPARE(PrintEntryList(PrintedListTable(entries), Caption, Agency, shownAsk),
                     PrintResult::Done);
            QCOMPARE(env.desktop.printJobs, QStringList({"Custorin List"}));
            QCOMPARE(env.desktop.expectedPages, QList<int>({pages}));
            QStringList want;
            double y = 0;
            for (int page = 1, r = 1; page <= pages; ++page) {
                want << at(page, 0.5, 1.0, Agency)
                     << at(page, 0.5, 1.18, Title + QString::number(page))
                     << at(page, 0.5, 1.36, Rule) << at(page, 0.5, 1.54, "Date Rec'd")
                     << at(page, 1.3, 1.54, "Case #") << at(page, 2.5, 1.54, "Category")
                     << at(page, 3.8, 1.54, "Description") << at(page, 0.5, 1.54, Rule);
                for (int k = 0; k < 41 && r <= entries; ++k, ++r) {
                    y = 1.72 + 0.18 * k;
                    want << at(page, 0.5, y, "03/04/2009")
                         << at(page, 1.3, y, QString("C-%1").arg(r)) << at(page, 2.5, y, "Tools")
                         << at(page, 3.8, y, QString("Item %1").arg(r));
                }
                want << at(page, 0.5, y, Rule);
            }
            QCOMPARE(shown(env.desktop), want << at(pages, 0.5, y + 0.18, End));
        }
    }

    // No printer, or a refusing one: the pages may go to a PDF in a chosen folder; a file
    // there is replaced only when the person says so; a PDF not written is said so.
    void pdfInsteadOfPrinter()
    {
        const QString name = QStringLiteral("Custorin List 2026-12-04 2245.pdf");
        const QString offer = "\r\n\r\nDo you want to save the pages as a PDF file instead? | "
                              "&Save as a PDF file, &Don't print it now | 4 1 0";
        const QString noPrinter = NoPrinterTitle() +
                                  " | There is no printer to print this list on:\r\nno default "
                                  "printer is set up, or the\r\nprint service is not running.";
        const QString refused = PrintFailedTitle() +
                                " | The printer did not take this list.\r\n"
                                "(The printer \"Desk\" is not accepting jobs.)";
        const QString replace = "Save as PDF | A file named\r\n" + name +
                                "\r\nis already in that folder.\r\n\r\nDo you want to replace "
                                "it? | &Replace it, &Choose another folder, &Don't save it | 3 2 0";
        const struct {
            bool refused, existing;
            QList<int> answers;
            int folders;
            QString savedIn; // "A", "B" or "" for nothing
            bool pdfFails = false;
        } cases[] = {{false, false, {2}, 0, ""},       {false, false, {1, 1}, 1, "A"},
                     {false, true, {1, 2, 1}, 2, "B"}, {false, true, {1, 3}, 1, ""},
                     {true, true, {1, 1, 1}, 1, "A"},  {false, false, {1, 1}, 1, "", true}};
        for (const auto &c : cases) {
            TestEnvironment env;
            QTemporaryDir a, b;
            const QString inA = QDir(a.path()).filePath(name), inB = QDir(b.path()).filePath(name);
            if (c.existing)
                writeFile(inA, "kept");
            if (c.refused)
                env.desktop.setPrinterRefuses("The printer \"Desk\" is not accepting jobs.");
            env.desktop.setPrinterAvailable(c.refused);
            env.desktop.setPdfAvailable(!c.pdfFails);
            for (const QString &folder : QStringList({a.path(), b.path()}).mid(0, c.folders))
                env.desktop.answerFolder(folder);
            QList<int> answers = c.answers;
            QList<MsgBoxRequest> asked; // the session asks; it shows no box itself
            const auto ask = [&](const MsgBoxRequest &r) {
                return asked << r, answers.takeFirst();
            };
            const PrintResult none =
                c.refused || c.pdfFails ? PrintResult::Failed : PrintResult::Cancelled;
            QCOMPARE(PrintEntryList(PrintedListTable(3), Caption, Agency, ask),
                     c.savedIn.isEmpty() ? none : PrintResult::Done);
            QCOMPARE(answers.size(), 0);
            QCOMPARE(env.desktop.msgBoxes.size(), 0);
            const QString saved = c.savedIn == "A" ? inA : c.savedIn == "B" ? inB : QString();
            QStringList boxes{(c.refused ? refused : noPrinter) + offer};
            if (c.existing)
                boxes << replace;
            if (!saved.isEmpty())
                boxes << "Save as PDF | The pages have been saved as\r\n" + saved +
                             " | &Okay | 5 1 0";
            if (c.pdfFails)
                boxes << PrintFailedTitle() + " | The PDF file could not be written:\r\n" + inA +
                             " | &Okay | 2 1 0";
            QCOMPARE(boxTexts(asked), boxes);
            QCOMPARE(readFile(inA), c.savedIn == "A" ? QByteArray("%PDF-1.4 fake Custorin List\n")
                                    : c.existing     ? QByteArray("kept")
                                                     : QByteArray());
            QCOMPARE(QFile::exists(inB), c.savedIn == "B");
            if (!saved.isEmpty()) // the pages the printer would have had
                QCOMPARE(shown(env.desktop).last(), at(1, 0.5, 2.26, End));
        }
    }

    void cancelAbandonsJob()
    {
        TestEnvironment env;
        env.desktop.cancelAfterPages(1);
        QCOMPARE(PrintEntryList(PrintedListTable(100), Caption, Agency, shownAsk),
                 PrintResult::Cancelled);
        QCOMPARE(printLongText(env, numberedLines(100)), PrintResult::Cancelled);
        QCOMPARE(PrintEntry(card(numberedLines(100), "Received."), {true, true}, shownAsk),
                 PrintResult::Cancelled);
        QCOMPARE(env.desktop.killedJobs,
                 QStringList({"Custorin List", "t", "Custorin Entry 20261204224532"}));
        QVERIFY(env.desktop.printJobs.isEmpty() && env.desktop.msgBoxes.isEmpty());
    }

    // Past 6.5 inches a line ends after a blank; a word is cut at the paper's edge; CR LF, LF
    // or CR end a line. 44 lines fill a page, 42 under a title; later pages numbered at the foot.
    void longText()
    {
        for (const auto &[paper, ws] : QList<QPair<double, int>>{{8.0, 67}, {7.77, 65}}) {
            TestEnvironment env;
            env.desktop.setPageWidth(paper);
            QCOMPARE(printLongText(env, QString("abcdefghi ").repeated(8) + QString(80, 'w') +
                                            "\r\n\r\ncd\nef\rgh"),
                     PrintResult::Done);
            QCOMPARE(shown(env.desktop, true),
                     QStringList({at(1, 1.0, 1.0, QString("abcdefghi ").repeated(7)),
                                  at(1, 1.0, 1.18, "abcdefghi " + QString(ws, 'w')),
                                  at(1, 1.0, 1.36, QString(80 - ws, 'w')), at(1, 1.0, 1.72, "cd"),
                                  at(1, 1.0, 1.90, "ef"), at(1, 1.0, 2.08, "gh")}));
            QCOMPARE(env.desktop.printJobs, QStringList({"t"})); // the document was ended
        }

        const struct {
            int lineCount;
            QString title;
            bool everyPage, centre;
            QList<int> linesPerPage;
        } cases[] = {{100, {}, false, false, {44, 44, 12}},
                     {100, "Notes", true, false, {42, 42, 16}},
                     {100, "Notes", false, false, {42, 44, 14}},
                     {10, "Notes", true, true, {10}}};
        for (const auto &c : cases) {
            TestEnvironment env;
            QCOMPARE(printLongText(env, numberedLines(c.lineCount), c.title, c.everyPage, c.centre),
                     PrintResult::Done);
            QStringList expected;
            for (int page = 1, n = 1; page <= c.linesPerPage.size(); ++page) {
                double y = 1.0;
                if (!c.title.isEmpty() && (c.everyPage || page == 1)) {
                    expected << at(page, c.centre ? 3.775 : 1.0, 1.0, c.title);
                    y += 0.36;
                }
                for (int k = 0; k < c.linesPerPage.at(page - 1); ++k, ++n)
                    expected << at(page, 1.0, y + 0.18 * k, QStringLiteral("line %1").arg(n));
                if (page > 1)
                    expected << at(page, 6.0, 9.2, QStringLiteral("(page %1)").arg(page));
            }
            QCOMPARE(shown(env.desktop, true), expected);
            for (const PrintedText &p : env.desktop.printed)
                QCOMPARE(p.underline, !c.title.isEmpty() && p.text == c.title);
        }
    }

    // Each question only when there is something to print; "Stop" or closing prints nothing.
    void entryQuestions()
    {
        const QString buttons =
            " | &Yes, please, &Not this time, &Stop, don't print this entry | 3 1 0";
        const QString n = "Print Option | Do you want to print the narrative also?" + buttons;
        const QString c = "Print Option | Do you want to print the\r\n'Chain-of-Custody' "
                          "documentation also?\r\n\r\n(This documentation will be printed on a "
                          "separate page)" +
                          buttons;
        const struct {
            QString narrative, custody;
            QList<int> answers;
            QString outcome; // "stop", or what is printed besides the entry page
            QStringList asked;
        } cases[] = {{"  ", "", {}, "", {}},
                     {"n", "c", {2, 1}, "c", {n, c}},
                     {"n", "", {1}, "n", {n}},
                     {"n", "c", {3}, "stop", {n}},
                     {"", "c", {0}, "stop", {c}}};
        for (const auto &k : cases) {
            TestEnvironment env;
            for (int a : k.answers)
                env.desktop.answerMsgBox(a);
            const auto options = AskEntryPrintOptions(k.narrative, k.custody, shownAsk);
            QCOMPARE(!options
                         ? QStringLiteral("stop")
                         : QString(options->narrative ? "n" : "") + (options->custody ? "c" : ""),
                     k.outcome);
            QCOMPARE(boxTexts(env.desktop.msgBoxes), k.asked);
        }
    }

    // The entry page; a narrative of up to 59 characters after its label, longer under a title.
    void entryPage()
    {
        const QStringList fields = {at(1, 1.0, 1.0, Agency),
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
        const QString n59 = QString(58, 'n') + '.', n60 = QString(59, 'n') + '.';
        const QString title = QStringLiteral("Narrative, comments, case notes, etc.");
        const struct {
            bool withNarrative;
            QString narrative;
            QStringList after;
        } cases[] = {{false, n59, {}},
                     {true, n59, {at(1, 1.0, 4.24, "Narrative: " + n59)}},
                     {true, n60, {at(1, 1.0, 4.24, title), at(1, 1.0, 4.60, n60)}},
                     {true, "a\r\nb", {at(1, 1.0, 4.24, "Narrative: a"), at(1, 1.0, 4.42, "b")}}};
        for (const auto &c : cases) {
            TestEnvironment env;
            QCOMPARE(PrintEntry(card(c.narrative), {c.withNarrative, false}, shownAsk),
                     PrintResult::Done);
            QCOMPARE(env.desktop.printJobs, QStringList({"Custorin Entry 20261204224532"}));
            QCOMPARE(shown(env.desktop, true), fields + c.after);
        }
    }

    // A cell or caption of the list ends with "…" before the next column or the edge (7.6 in or
    // the paper); the entry's longest values wrap under their first line within 7.5 inches and
    // the paper, whole.
    void fitsThePaper_data()
    {
        QTest::addColumn<double>("paper");
        QTest::addColumn<QString>("description");
        QTest::addColumn<QString>("caption");
        const QString cut = QString::fromUtf8("CASE, HARD-SHELL, BLACK, FOAM IN");
        QTest::newRow("Letter") << 8.0 << cut + QString::fromUtf8("SERTS, TW\u2026")
                                << QString::fromUtf8(" Search Results (1)  C\u2026");
        QTest::newRow("A4 wide margins") << 6.77 << cut + QString::fromUtf8("\u2026")
                                         << QString::fromUtf8(" Search Resul\u2026");
    }
    void fitsThePaper()
    {
        QFETCH(double, paper);
        QFETCH(QString, description);
        QFETCH(QString, caption);
        const QList<QPair<int, QString>> values = {
            {CardField::Location, "North Evidence Room, Bin 14, Shelf C, Rear Cabinet"},
            {CardField::Description,
             "CASE, HARD-SHELL, BLACK, FOAM INSERTS, TWO COMBINATION LOCKS"},
            {CardField::Owner, "Jon Q. Public-Smithson, 1234 North Evergreen Terrace, Apt 56B, "
                               "Springfield, IL 62704, (217) 555-0199"},
            {CardField::ReceivedFrom,
             "Officer Lee Carter, Badge 4471, Patrol Division, Springfield PD Unit 7"},
            {CardField::ReleasedTo,
             "Returned to owner Jon Q. Public-Smithson after case closed, 12/01/2026"},
            {CardField::Defendant, "SMITHSON-WHITAKER, JONATHAN QUINCY ALEXANDER III"}};
        const QString narrative = "EVIDENCE SEALED IN BAG 4471-B BY OFC. CARTER AT THE SCENE.";
        EntryPrintout entry = card(narrative);
        for (const auto &[field, text] : values)
            entry.texts[field] = text;
        TestEnvironment env;
        env.desktop.setPageWidth(paper);
        GridTable table = PrintedListTable(0);
        table.AddItem("03/04/2009\t" + QString(15, 'W') + '\t' + QString(20, 'W') +
                      "\tCASE, HARD-SHELL, BLACK, FOAM INSERTS, TWO COMBINATION LOCKS");
        QCOMPARE(PrintEntryList(table,
                                " Search Results (1)  Category: Firearms  Description: "
                                "CASE  Total Value: $0.00",
                                Agency, shownAsk),
                 PrintResult::Done);
        const QStringList out = shown(env.desktop);
        QCOMPARE(
            out.value(1),
            at(1, 0.5, 1.18, "CustorinPrintout -- " + caption + " -- " + Stamp + " -- Page 1"));
        const QString ellipsis = QString::fromUtf8("\u2026");
        QCOMPARE(out.mid(8, 4), QStringList({at(1, 0.5, 1.72, "03/04/2009"),
                                             at(1, 1.3, 1.72, QString(11, 'W') + ellipsis),
                                             at(1, 2.5, 1.72, QString(12, 'W') + ellipsis),
                                             at(1, 3.8, 1.72, description)}));
        env.desktop.printed.clear();
        QCOMPARE(PrintEntry(entry, {true, false}, shownAsk), PrintResult::Done);

        const double right = qMin(7.5, paper);
        for (const PrintedText &p : env.desktop.printed)
            QVERIFY2(p.x + 0.09 * p.text.size() <= right + 1e-9, qPrintable(p.text));
        auto printedValue = [&](const QString &lead) {
            QString text;
            double x = -1;
            for (const PrintedText &p : env.desktop.printed) {
                if (p.text.startsWith(lead)) {
                    text = p.text.mid(lead.size());
                    x = p.x + 0.09 * lead.size();
                } else if (x >= 0 && qAbs(p.x - x) < 1e-6 && !p.text.isEmpty()) {
                    text += ' ' + p.text;
                } else if (x >= 0) {
                    break;
                }
            }
            return text;
        };
        for (const auto &[field, text] : values) {
            const QString label =
                CardFieldAt(field).caption.left(field == CardField::Description ? 11 : -1);
            QCOMPARE(printedValue(label + ":  "), text);
        }
        QCOMPARE(printedValue("Narrative: "), narrative);
    }

    // Every chain-of-custody page starts with the control and case numbers.
    void custodyPagesNameTheItem()
    {
        TestEnvironment env;
        QCOMPARE(PrintEntry(card(QString(), numberedLines(100)), {false, true}, shownAsk),
                 PrintResult::Done);
        QCOMPARE(env.desktop.printJobs, QStringList({"Custorin Entry 20261204224532",
                                                     "Custorin Chain-of-Custody 20261204224532"}));
        QStringList tops;
        int lastPage = 0;
        for (const PrintedText &p : env.desktop.printed) {
            if (p.job == 1 && (p.page != lastPage || (p.y < 1.6 && !p.text.isEmpty())))
                tops << at(p.page, p.x, p.y, p.text);
            lastPage = p.job == 1 ? p.page : lastPage;
        }
        QStringList want;
        for (int page = 1; page <= 3; ++page)
            want << at(page, 0.74, 1.0, "Control Number:  20261204224532")
                 << at(page, 1.01, 1.18, "Case Number:  09-001234")
                 << at(page, 1.0, 1.54, "Chain-of-Custody Documentation");
        QCOMPARE(tops, want);
        QCOMPARE(env.desktop.printed.last().text, QStringLiteral("(page 3)"));
    }

    // Each stock against the makers' measures: labels across then down from the first free
    // position, onto a second page.
    void labelPositions_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QList<double>>("m"); // paper w h, label w h, left top, pitch x y
        QTest::addColumn<int>("columns");
        QTest::addColumn<int>("rows");
        QTest::addColumn<int>("start");
        QTest::addColumn<QString>("shelf"); // refused before anything is printed when too long
        QTest::addColumn<QString>("why");
        const double mm = 1 / 25.4;
        const QString shelf = QStringLiteral("ABCDEFGHIJKLMNOPQRST");
        const QString tooWide = QStringLiteral("The barcode of \"L:ABCDEFGHIJKLMNOPQRST\" needs a "
                                               "label at least 3.05 inches wide. A smaller one "
                                               "would not scan.");
        QTest::newRow("Avery 5160")
            << "avery-5160" << QList<double>{8.5, 11, 2.625, 1, 0.1875, 0.5, 2.75, 1} << 3 << 10
            << 29 << shelf << tooWide;
        QTest::newRow("Avery L7160")
            << "avery-l7160" << QList<double>{210 * mm,  297 * mm,   63.5 * mm,  38.1 * mm,
                                              7.21 * mm, 15.15 * mm, 66.04 * mm, 38.1 * mm}
            << 3 << 7 << 5 << "A-1" << QString();
        QTest::newRow("roll") << "roll-2.25x1.25"
                              << QList<double>{2.25, 1.25, 2.25, 1.25, 0, 0, 0, 0} << 1 << 1 << 1
                              << shelf << tooWide;
        QTest::newRow("4x6") << "thermal-4x6" << QList<double>{4, 6, 4, 6, 0, 0, 0, 0} << 1 << 1
                             << 1 << shelf << QString();
    }
    void labelPositions()
    {
        QFETCH(QString, name);
        QFETCH(QList<double>, m);
        QFETCH(int, columns);
        QFETCH(int, rows);
        QFETCH(int, start);
        QFETCH(QString, shelf);
        QFETCH(QString, why);
        TestEnvironment env;
        const LabelTemplate *stock = FindLabelTemplate(name);
        QVERIFY(stock);
        QCOMPARE(CheckLabels(*stock, {ShelfLabel(shelf)}), why);
        QCOMPARE(stock->perPage(), columns * rows);
        QVector<LabelContent> labels;
        for (int i = 0; i < 3; ++i)
            labels << EntryLabel(labelled(i, QStringLiteral("C-%1").arg(i)), i == 0);
        QCOMPARE(CheckLabels(*stock, labels), QString());
        QCOMPARE(PrintLabelSheet(*stock, start, labels, shownAsk), PrintResult::Done);
        QCOMPARE(env.desktop.printJobs, QStringList({"Custorin Labels"}));
        QCOMPARE(env.desktop.papers[0].width, m[0]);
        QCOMPARE(env.desktop.papers[0].height, m[1]);

        QList<QRectF> boxes;
        QList<int> pages;
        QStringList want, placed;
        for (int i = 0, slot = start - 1; i < labels.size(); ++i, ++slot) {
            const int onPage = slot % (columns * rows);
            boxes << QRectF(m[4] + onPage % columns * m[6], m[5] + onPage / columns * m[7], m[2],
                            m[3]);
            pages << 1 + slot / (columns * rows);
            want << QStringLiteral("2026120614050%1 p%2 in").arg(i + 1).arg(pages[i]);
        }
        auto inside = [](const QRectF &box, double x, double y, double w = 0, double h = 0) {
            return x >= box.left() - 1e-9 && y >= box.top() - 1e-9 && x + w <= box.right() + 1e-9 &&
                   y + h <= box.bottom() + 1e-9;
        };
        // The bold control number names the label; every bar lies on a label of its page.
        for (const PrintedText &p : env.desktop.printed) {
            const int i = p.text.right(1).toInt() - 1;
            if (p.bold && p.text.startsWith("2026"))
                placed << QStringLiteral("%1 p%2 %3")
                              .arg(p.text)
                              .arg(p.page)
                              .arg(inside(boxes.value(i), p.x, p.y) ? "in" : "out");
        }
        QCOMPARE(placed, want);
        int outside = 0;
        for (const PrintedRect &r : env.desktop.rects) {
            int i = 0;
            while (i < boxes.size() &&
                   !(pages[i] == r.page && inside(boxes[i], r.x, r.y, r.width, r.height)))
                ++i;
            outside += i == boxes.size();
        }
        QVERIFY(env.desktop.rects.size() > 100);
        QCOMPARE(outside, 0);
    }

    void labelTexts()
    {
        const double received = ToOleDate(QDateTime(QDate(2009, 3, 4), QTime(0, 0)));
        LabelContent e = EntryLabel(labelled(0, QStringLiteral(" 09-001234  "), received), true);
        QCOMPARE(e.code, QStringLiteral("20261206140501"));
        QCOMPARE(e.lines, QStringList({"20261206140501", "Case 09-001234", "Black laptop",
                                       "Received 03/04/2009"}));
        QCOMPARE(e.qrCode, QStringLiteral("20261206140501 09-001234"));
        EntryRecord legacy = labelled(0, QString());
        legacy.ControlNumber = 123;
        e = EntryLabel(legacy, false);
        QCOMPARE(e.code, QStringLiteral("00123"));
        QCOMPARE(e.lines, QStringList({"00123", "Case ", "Black laptop", ""}));
        QCOMPARE(e.qrCode, QString());
        const LabelContent shelf = ShelfLabel(QStringLiteral("  Room 2 / Shelf A-3 "));
        QCOMPARE(shelf.code, QStringLiteral("L:Room 2 / Shelf A-3"));
        QCOMPARE(shelf.lines, QStringList({"Room 2 / Shelf A-3"}));
        QVector<EntryRecord> entries(4);
        for (int i = 0; i < 4; ++i)
            entries[i].Location = QStringList({"B-2 ", "  ", "A-1", " B-2"})[i];
        QCOMPARE(DistinctLocations(entries), QStringList({"B-2", "A-1"}));
    }
};

QTEST_GUILESS_MAIN(TestPrintouts)
#include "tst_printouts.moc"
