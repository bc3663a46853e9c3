// The spreadsheet file of the listed entries: its exact bytes, the list's
// order, entries deleted by another process, folders that refuse the file.
#include "BoxText.h"
#include "EntryTexts.h"
#include "FakeDesktop.h"
#include "RunProgram.h"
#include "SkipStatus.h"
#include "TestBytes.h"
#include "TestFiles.h"
#include "TestFolder.h"
#include "core/common/Formats.h"
#include "core/common/Globals.h"
#include "core/entries/DataFile.h"
#include "core/entries/SpreadsheetExport.h"

#include <QDir>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QXmlStreamReader>
#include <QtTest>
#include <csignal>
#include <limits>
#include <numeric>
#include <sys/resource.h>

namespace
{

const QByteArray Heading = "\"Control Number\",\"Case Number\",\"Location\",\"Category\","
                           "\"Brand Name\",\"Model Number\",\"Serial Number\",\"Description\","
                           "\"Value\",\"Owner\",\"Received From\",\"Received Date\","
                           "\"Released To\",\"Released Date\",\"Defendant\"\r\n";

// Entries 1..count with case numbers "C-n", written as the data file.
QVector<EntryRecord> writeEntries(TestEnvironment &env, int count)
{
    QVector<EntryRecord> entries;
    QByteArray bytes;
    for (int i = 1; i <= count; ++i) {
        EntryRecord e;
        e.ControlNumber = oleDate(2009, 1, 5, 8, i / 60, i % 60);
        e.CaseNumber = QStringLiteral("C-%1").arg(i);
        e.Narrative = QStringLiteral("never exported");
        entries << e;
        bytes += e.Pack();
    }
    writeFile(DataPath(env.data, DataFileName), bytes);
    return entries;
}

// The rows of a list holding records (1-based) of entries, in that order.
std::vector<ListedEntry> listOf(const QVector<EntryRecord> &entries, const QVector<int> &records)
{
    std::vector<ListedEntry> rows;
    for (const int n : records)
        rows.push_back({n, entries[n - 1].ControlNumber});
    return rows;
}

// The case numbers of a file of plain entries ("bad": a line of another form).
QByteArrayList caseColumn(const QString &path)
{
    const QByteArray bytes = readFile(path);
    if (!bytes.startsWith(Heading) || !bytes.endsWith("\r\n"))
        return {"bad"};
    QByteArrayList cases, lines = bytes.mid(Heading.size()).split('\n');
    lines.removeLast(); // the nothing after the last line end
    for (const QByteArray &line : lines) {
        const QByteArrayList cells = line.split(',');
        cases << (cells.size() == 15 ? cells[1].mid(1).chopped(1) : QByteArray("bad"));
    }
    return cases;
}

// Per row, each cell as LibreOffice Calc opens the file: "type text", with
// "formula " in front of a formula. Empty when soffice is missing.
QList<QStringList> cellsInCalc(const QString &csv, const QString &work)
{
    const QString soffice = QStandardPaths::findExecutable(QStringLiteral("soffice"));
    if (soffice.isEmpty())
        return {};
    const ProgramRun run =
        RunProgram(soffice,
                   {"-env:UserInstallation=" + QUrl::fromLocalFile(work + "/profile").toString(),
                    "--headless", "--convert-to", "fods", "--outdir", work, csv},
                   {}, true, 120000);
    QFile fods(work + '/' + QFileInfo(csv).completeBaseName() + ".fods");
    if (run.status != 0 || !fods.open(QIODevice::ReadOnly))
        return {{"soffice failed: " + QString::fromUtf8(run.out + run.err)}};
    QList<QStringList> rows;
    QXmlStreamReader xml(&fods);
    while (!xml.atEnd()) {
        if (xml.readNext() != QXmlStreamReader::StartElement)
            continue;
        if (xml.qualifiedName() == QLatin1String("table:table-row"))
            rows.append(QStringList());
        else if (xml.qualifiedName() == QLatin1String("table:table-cell") && !rows.isEmpty()) {
            const QXmlStreamAttributes a = xml.attributes();
            const int repeat = qMax(1, a.value("table:number-columns-repeated").toInt());
            QString cell = a.hasAttribute("table:formula") ? QStringLiteral("formula ") : QString();
            cell += a.value("office:value-type").toString() + ' ' +
                    xml.readElementText(QXmlStreamReader::IncludeChildElements).trimmed();
            for (int k = 0; k < repeat; ++k)
                rows.last() << cell;
        }
    }
    return rows;
}

} // namespace

class TestSpreadsheetExport : public QObject
{
    Q_OBJECT
private slots:
    void controlNumberStamps()
    {
        // Control numbers: rounded to the second, legacy numbers, the
        // earliest and latest days, days before 1900.
        QStringList stamps;
        for (double x :
             {5.0, 38000.9999999, 38000 + 43199.5 / 86400, -1.25, -657434.0, 2958465.99998, 0.0})
            stamps << ControlNumberStamp(x);
        QCOMPARE(stamps.join(' '), QStringLiteral("19000104000000 20040115000000 20040114120000 "
                                                  "18991229060000 01000101000000 99991231235958 "));

        // The export writes the same stamps and the values in general form
        // from the record's bytes, the damaged ones too.
        const double controls[] = {5.0,     38000.9999999, 38000 + 43199.5 / 86400,
                                   -1.25,   -657434.0,     2958465.99998,
                                   0.0,     -700000.0,     3e6,
                                   qQNaN(), 45000.5};
        const qint64 values[] = {0,
                                 1,
                                 -1,
                                 10000,
                                 12345000,
                                 99990000,
                                 1234567,
                                 -100000000,
                                 50000000000,
                                 std::numeric_limits<qint64>::max(),
                                 std::numeric_limits<qint64>::min()};
        for (size_t i = 0; i < std::size(controls); ++i) {
            EntryRecord e;
            e.ControlNumber = controls[i];
            e.Value = values[i];
            const QByteArrayList cells = ExportRecordLine(e.Pack().constData()).split(',');
            QCOMPARE(cells.value(0), '"' + ControlNumberStamp(controls[i]).toLatin1() + '"');
            QCOMPARE(cells.value(8), '"' + GeneralMoney(values[i]).toLatin1() + '"');
        }

        // Received and released dates: the texts OleDateText gives, before
        // year 1000 and after 9999 too, a time that rounds up to midnight
        // going to the next day.
        for (double day = -700000.25; day < 3.1e6; day += 9973.37) {
            EntryRecord e;
            e.ReceivedDate = day;
            e.ReleasedDate = std::trunc(day) + (day < 0 ? -0.9999999 : 0.9999999);
            const QByteArrayList cells = ExportRecordLine(e.Pack().constData()).split(',');
            QCOMPARE(cells.value(11), '"' + OleDateText(e.ReceivedDate).toLatin1() + '"');
            QCOMPARE(cells.value(13), '"' + OleDateText(e.ReleasedDate).toLatin1() + '"');
        }
    }

    // Awkward entries, byte for byte: quotes doubled, commas and line
    // breaks kept inside quotes, Windows-1252, values in general form,
    // dates without their time, no narrative or chain of custody.
    void fileBytes()
    {
        TestEnvironment env;
        EntryRecord a = EntryWithTexts(
            QString::fromUtf8("12-\"A\"|Bin 3, Shelf \"C\"||Smith & Wesson|\"|\"SN\", "
                              "5|Ring\r\nwith stone,\rgold\n|Zoë "
                              "Müller, Café €10 “x”|||\"Slim\" Jim|secret narrative|secret chain"));
        a.ControlNumber = oleDate(2004, 1, 5, 14, 3, 9);
        a.Value = 12345000; // $1,234.50
        a.ReceivedDate = oleDate(2004, 1, 5);
        EntryRecord b = EntryWithTexts("  padded  |||||||||Owner");
        b.ControlNumber = b.ReceivedDate = oleDate(2010, 7, 4, 15, 30, 0); // with a time of day
        b.ReleasedDate = oleDate(2011, 2, 3, 9, 0, 0);
        b.Status = 2;
        EntryRecord c;
        c.ControlNumber = 5; // a legacy sequence number
        c.Value = 100000;    // $10.00
        c.ReceivedDate = oleDate(1998, 12, 31);
        c.ReleasedDate = 0.4; // rounds to day 0: no date
        EntryRecord d;
        d.ControlNumber = oleDate(2020, 2, 29, 23, 59, 59);
        d.Value = -1;         // -$0.0001
        d.ReleasedDate = 0.6; // rounds to day 1: a date
        env.desktop.setNow(QDateTime(QDate(2026, 12, 4), QTime(22, 50, 0)));
        env.session.CurrentUserName = "Pat Doe";
        QByteArray bytes = a.Pack() + b.Pack() + c.Pack() + d.Pack();
        writeFile(DataPath(env.data, DataFileName), bytes);

        const QString path = env.path(QStringLiteral("out.csv"));
        const ExportOutcome out = WriteSpreadsheetFile(
            env.data, path,
            {{1, a.ControlNumber}, {2, b.ControlNumber}, {3, 5}, {4, d.ControlNumber}});
        QCOMPARE(QList<int>({int(out.status), out.written, out.leftOut}),
                 QList<int>({int(ExportOutcome::Written), 4, 0}));
        // On the trail: how many entries went to which file, by whom.
        QCOMPARE(out.logged, true);
        QCOMPARE(readFile(env.path("DataRecords.Log")),
                 "12/04/2026 at 22:50:00 - List of 4 entries exported to '" + path.toUtf8() +
                     "' by Pat Doe\r\n");
        QCOMPARE(
            readFile(path),
            Heading +
                "\"20040105140309\",\"12-\"\"A\"\"\",\"Bin 3, Shelf \"\"C\"\"\",\"\","
                "\"Smith & Wesson\",\"\"\"\",\"\"\"SN\"\", 5\",\"Ring\r\nwith stone,\rgold\n\","
                "\"1234.5\",\"Zo\xEB M\xFCller, Caf\xE9 \x80"
                "10 \x93x\x94\",\"\",\"01/05/2004\",\"\",\"\",\"\"\"Slim\"\" Jim\"\r\n"
                "\"20100704153000\",\"padded\",\"\",\"\",\"\",\"\",\"\",\"\",\"0\",\"\",\"\","
                "\"07/04/2010\",\"Owner\",\"02/03/2011\",\"\"\r\n"
                "\"19000104000000\",\"\",\"\",\"\",\"\",\"\",\"\",\"\",\"10\",\"\",\"\","
                "\"12/31/1998\",\"\",\"\",\"\"\r\n"
                "\"20200229235959\",\"\",\"\",\"\",\"\",\"\",\"\",\"\",\"-0.0001\",\"\","
                "\"\",\"\",\"\",\"12/30/1899\",\"\"\r\n");
    }

    // Entries deleted by another process after the list was loaded are left
    // out and counted, never replaced by the entry that took their record.
    void entriesDeletedMeanwhile()
    {
        TestEnvironment env;
        const QVector<EntryRecord> entries = writeEntries(env, 40);
        const QString path = env.path(QStringLiteral("out.csv"));
        auto exported = [&](const std::vector<ListedEntry> &list, int leftOut) {
            const ExportOutcome out = WriteSpreadsheetFile(env.data, path, list);
            if (out.leftOut != leftOut || out.written != int(list.size()) - leftOut)
                return QByteArrayList({"counts", QByteArray::number(out.leftOut)});
            return caseColumn(path);
        };
        // In the list's order, a row listed twice twice; a few rows, or most.
        QCOMPARE(RunProgram(testTool("store_worker"), {"deleteat", env.data.folder(), "3"}).out,
                 QByteArray("DELETED C-3\n"));
        QCOMPARE(exported(listOf(entries, {6, 1, 4, 3, 2, 5, 40, 6}), 1),
                 QByteArrayList({"C-6", "C-1", "C-4", "C-2", "C-5", "C-40", "C-6"}));
        QVector<int> all;
        QByteArrayList cases;
        for (int i = 40; i >= 1; --i) {
            all << i;
            if (i != 3)
                cases << "C-" + QByteArray::number(i);
        }
        QCOMPARE(exported(listOf(entries, all << 40), 1), cases << "C-40");

        // Nor an entry written over by another, nor one being deleted.
        DataFile file(env.data);
        QVERIFY(file.open(DataFile::ForWriting));
        QVERIFY(file.write(1, entries[39]));
        QVERIFY(file.writeField(2, EntryLayout::CaseNumber, ToFixedText(KilledMarker, 15)));
        file.close();
        QCOMPARE(exported(listOf(entries, {1, 2, 4}), 2), QByteArrayList({"C-4"}));
    }

    // A refused file: the reason, no half file, an earlier file untouched.
    void failuresLeaveEarlierFileIntact()
    {
        TestEnvironment env;
        const QVector<EntryRecord> entries = writeEntries(env, 600);
        QVector<int> all(600);
        std::iota(all.begin(), all.end(), 1);
        const QString path = env.path(QStringLiteral("out.csv"));
        writeFile(path, "earlier export\r\n");
        auto failure = [&](const QString &file, const QVector<int> &records) {
            const ExportOutcome out =
                WriteSpreadsheetFile(env.data, file, listOf(entries, records));
            return out.status == ExportOutcome::FileFailed ? out.reason : QStringLiteral("written");
        };

        // The disk fills up part way: more than 16 KB refused (root too).
        struct rlimit old;
        QCOMPARE(getrlimit(RLIMIT_FSIZE, &old), 0);
        const auto oldHandler = std::signal(SIGXFSZ, SIG_IGN);
        struct rlimit small = old;
        small.rlim_cur = 16 * 1024;
        QCOMPARE(setrlimit(RLIMIT_FSIZE, &small), 0);
        const QString full = failure(path, all);
        setrlimit(RLIMIT_FSIZE, &old);
        std::signal(SIGXFSZ, oldHandler);
        QVERIFY2(full.contains("too large") || full.contains("space"), qPrintable(full));
        QCOMPARE(readFile(path), QByteArray("earlier export\r\n"));
        QCOMPARE(QDir(env.data.folder()).entryList(QDir::Files | QDir::Hidden),
                 QStringList({DataFileName, "out.csv"}));

        // The data folder gone (a network drive dropped): the person is told which and why.
        const QString gone = failure(env.path("gone/out.csv"), {1});
        QCOMPARE(boxText(ExportFailedNotice("out.csv", "/srv/gone", gone)),
                 "Spreadsheet file not created | The spreadsheet file\r\nout.csv\r\ncould not be "
                 "written in the data folder\r\n/srv/gone\r\n\r\nThe system says: No such file or "
                 "directory\r\n\r\nNothing has been written; an earlier file\r\nof that name is "
                 "as it was. | &Okay | 4 1 0");
    }

    // Texts a spreadsheet would run as formulas get an apostrophe and open
    // as text in Calc; numbers and texts with such characters later do not.
    void formulasOpenAsText()
    {
        const struct {
            QString stored;
            QByteArray written;
            QString inCalc; // "" where Calc's reading is not asked
        } cases[] = {
            {"=1+2", "'=1+2", "string '=1+2"},
            {"=HYPERLINK(\"http://x.example/\";\"Open\")",
             "'=HYPERLINK(\"\"http://x.example/\"\";\"\"Open\"\")",
             "string '=HYPERLINK(\"http://x.example/\";\"Open\")"},
            {"+SUM(1;2)", "'+SUM(1;2)", "string '+SUM(1;2)"},
            {"-2+3", "'-2+3", "string '-2+3"},
            {"@SUM(1;2)", "'@SUM(1;2)", "string '@SUM(1;2)"},
            {"-", "'-", "string '-"},
            {"\tTab", "'\tTab", ""},
            {"\rCR", "'\rCR", ""},
            {"-5", "-5", "float -5"},
            {"+1.5", "+1.5", "float 1.5"},
            {"-0.25", "-0.25", "float -0.25"},
            {"1+2", "1+2", "string 1+2"},
            {"Ring =1+2", "Ring =1+2", "string Ring =1+2"},
        };
        TestEnvironment env;
        QByteArray data, want = Heading;
        std::vector<ListedEntry> rows;
        for (const auto &c : cases) {
            // The text as description and as owner.
            EntryRecord e = EntryWithTexts("C|||||||" + c.stored);
            e.Description = c.stored;
            e.ControlNumber = oleDate(2009, 1, 5, 8, 0, int(rows.size()));
            e.ReceivedDate = oleDate(2009, 1, 5);
            data += e.Pack();
            rows.push_back({int(rows.size()) + 1, e.ControlNumber});
            want += ControlNumberStamp(e.ControlNumber).toLatin1().prepend('"') +
                    "\",\"C\",\"\",\"\",\"\",\"\",\"\",\"" + c.written + "\",\"0\",\"" + c.written +
                    "\",\"\",\"01/05/2009\",\"\",\"\",\"\"\r\n";
        }
        writeFile(DataPath(env.data, DataFileName), data);
        const QString path = env.path(QStringLiteral("out.csv"));
        QCOMPARE(WriteSpreadsheetFile(env.data, path, rows).written, int(rows.size()));
        QCOMPARE(readFile(path), want);

        QTemporaryDir work;
        const QList<QStringList> calc = cellsInCalc(path, work.path());
        if (calc.isEmpty())
            SKIP_HERE("LibreOffice (soffice) is not installed; scripts/install-deps installs it");
        QCOMPARE(calc.size(), int(std::size(cases)) + 1);
        for (int i = 0; i < int(std::size(cases)); ++i) {
            if (cases[i].inCalc.isEmpty())
                continue;
            QCOMPARE(calc.at(i + 1).value(7), cases[i].inCalc);
        }
    }
};

SKIPPABLE_GUILESS_MAIN(TestSpreadsheetExport)
#include "tst_spreadsheetexport.moc"
