// The spreadsheet file of the listed entries: read back with a strict
// RFC 4180 reader and compared cell by cell; the list's rows and order;
// entries deleted by another process meanwhile; folders that can not take
// the file.
#include "FakeDesktop.h"
#include "TestFiles.h"
#include "core/common/Formats.h"
#include "core/common/Globals.h"
#include "core/entries/DataFile.h"
#include "core/entries/SpreadsheetExport.h"

#include <QDir>
#include <QProcess>
#include <QRandomGenerator>
#include <QtTest>
#include <csignal>
#include <optional>
#include <sys/resource.h>
#include <unistd.h>

namespace
{

using Row = QList<QByteArray>;

// RFC 4180, strictly: records end with CR LF (the last one too); fields are
// separated by commas; a field is either quoted (commas, CR, LF and doubled
// quotes inside) or holds no quote, CR or LF at all. Anything else is an
// error. allQuoted tells whether every field came between quotes.
std::optional<QList<Row>> parseCsv(const QByteArray &bytes, QString *error, bool *allQuoted)
{
    QList<Row> rows;
    Row row;
    QByteArray field;
    *allQuoted = true;
    qsizetype i = 0;
    const qsizetype n = bytes.size();
    auto fail = [&](const char *what) {
        *error = QStringLiteral("%1 at byte %2").arg(QLatin1String(what)).arg(i);
        return std::nullopt;
    };
    while (i < n) {
        field.clear();
        if (bytes[i] == '"') {
            ++i;
            for (;;) {
                if (i >= n)
                    return fail("unterminated quoted field");
                if (bytes[i] == '"') {
                    if (i + 1 < n && bytes[i + 1] == '"') {
                        field += '"';
                        i += 2;
                        continue;
                    }
                    ++i;
                    break;
                }
                field += bytes[i++];
            }
        } else {
            *allQuoted = false;
            while (i < n && bytes[i] != ',' && bytes[i] != '\r') {
                if (bytes[i] == '"' || bytes[i] == '\n')
                    return fail("quote or line feed in an unquoted field");
                field += bytes[i++];
            }
        }
        row << field;
        if (i < n && bytes[i] == ',') {
            ++i;
            if (i == n)
                return fail("comma at the end");
            continue;
        }
        if (i + 1 < n && bytes[i] == '\r' && bytes[i + 1] == '\n') {
            i += 2;
            rows << row;
            row.clear();
            continue;
        }
        return fail("field not followed by a comma or CR LF");
    }
    if (!row.isEmpty())
        return fail("last record without CR LF");
    return rows;
}

QList<Row> readCsv(const QString &path)
{
    QString error;
    bool allQuoted = false;
    const auto rows = parseCsv(readFile(path), &error, &allQuoted);
    if (!rows) {
        QTest::qFail(qPrintable(error), __FILE__, __LINE__);
        return {};
    }
    if (!allQuoted)
        QTest::qFail("a value without quotes", __FILE__, __LINE__);
    return *rows;
}

double ole(int y, int mo, int d, int h = 0, int mi = 0, int s = 0)
{
    return ToOleDate(QDateTime(QDate(y, mo, d), QTime(h, mi, s)));
}

EntryRecord plainEntry(int i)
{
    EntryRecord e;
    e.VersionStamp = 911;
    e.ControlNumber = ole(2009, 1, 5, 8, i / 60, i % 60);
    e.CaseNumber = QStringLiteral("C-%1").arg(i);
    e.Description = QStringLiteral("Item %1").arg(i);
    e.Value = qint64(i) * 10000;
    e.ReceivedDate = ole(2009, 1, 5);
    e.Narrative = QStringLiteral("never exported");
    e.Status = 1;
    return e;
}

void writeEntries(const QVector<EntryRecord> &entries)
{
    QByteArray bytes;
    for (const EntryRecord &e : entries)
        bytes += e.Pack();
    writeFile(DataPath(DataFileName), bytes);
}

// The rows of a list holding records (1-based) of entries, in that order.
std::vector<ListedEntry> listOf(const QVector<EntryRecord> &entries, const QVector<int> &records)
{
    std::vector<ListedEntry> rows;
    for (const int n : records)
        rows.push_back({n, entries[n - 1].ControlNumber});
    return rows;
}

// The case numbers (second cell) of the entry lines.
QByteArrayList caseColumn(const QList<Row> &rows)
{
    QByteArrayList cases;
    for (qsizetype r = 1; r < rows.size(); ++r)
        cases << rows[r].value(1);
    return cases;
}

QString worker()
{
    return QDir(qEnvironmentVariable("CUSTORIN_TOOLS_DIR")).filePath("store_worker");
}

// Another workstation deletes entry n.
void deleteInAnotherProcess(int n)
{
    QProcess p;
    p.start(worker(), {QStringLiteral("deleteat"), DataFolder, QString::number(n)});
    QVERIFY(p.waitForFinished(30000));
    QCOMPARE(p.exitCode(), 0);
    QVERIFY(p.readAllStandardOutput().startsWith("DELETED "));
}

// Files of the folder apart from the data set's own.
QStringList strayFiles()
{
    QStringList names = QDir(DataFolder).entryList(QDir::Files | QDir::Hidden);
    names.removeAll(DataFileName);
    names.removeAll(QStringLiteral("DataRecords.Log"));
    names.removeAll(LockFileName);
    return names;
}

} // namespace

class TestSpreadsheetExport : public QObject
{
    Q_OBJECT
private slots:
    void nameAndHeading()
    {
        QCOMPARE(ExportFileName(QDateTime(QDate(2026, 3, 4), QTime(14, 5, 9))),
                 QStringLiteral("Custorin2Excel-0304140509.csv"));
        QCOMPARE(ExportFileName(QDateTime(QDate(2026, 12, 31), QTime(0, 0, 0))),
                 QStringLiteral("Custorin2Excel-1231000000.csv"));
        QCOMPARE(ExportHeadingLine(),
                 QByteArray("\"Control Number\",\"Case Number\",\"Location\",\"Category\","
                            "\"Brand Name\",\"Model Number\",\"Serial Number\",\"Description\","
                            "\"Value\",\"Owner\",\"Received From\",\"Received Date\","
                            "\"Released To\",\"Released Date\",\"Defendant\"\r\n"));

        QByteArray v;
        AppendCsvValue(v, "", 0);
        v += ',';
        AppendCsvValue(v, "\"", 1);
        v += ',';
        AppendCsvValue(v, "a\"\"b\"", 5);
        QCOMPARE(v, QByteArray("\"\",\"\"\"\",\"a\"\"\"\"b\"\"\""));
    }

    // The fourteen digits of control numbers: the rounding to the second,
    // legacy numbers, the earliest and latest days, days before 1900; the
    // same text as the general date formatting gives.
    void controlNumberDigits()
    {
        QCOMPARE(ControlNumberStamp(ole(2004, 1, 5, 14, 3, 9)), QStringLiteral("20040105140309"));
        QCOMPARE(ControlNumberStamp(5), QStringLiteral("19000104000000"));
        QCOMPARE(ControlNumberStamp(38000.9999999), QStringLiteral("20040115000000"));
        QCOMPARE(ControlNumberStamp(38000 + 43199.5 / 86400), QStringLiteral("20040114120000"));
        QCOMPARE(ControlNumberStamp(-1.25), QStringLiteral("18991229060000"));
        QCOMPARE(ControlNumberStamp(-657434), QStringLiteral("01000101000000"));
        QCOMPARE(ControlNumberStamp(2958465.99998), QStringLiteral("99991231235958"));
        QCOMPARE(ControlNumberStamp(0), QString());
        QCOMPARE(ControlNumberStamp(-700000.5),
                 FormatOleDate(-700000.5, QStringLiteral("yyyymmddhhnnss")));
        QRandomGenerator rng(7);
        for (int i = 0; i < 5000; ++i) {
            const double x = rng.bounded(3615900.0) - 657434.0;
            QCOMPARE(ControlNumberStamp(x), FormatOleDate(x, QStringLiteral("yyyymmddhhnnss")));
        }
    }

    // Every value of awkward entries comes back from a strict reader
    // exactly, in its own cell.
    void everyCellReadsBack()
    {
        TestEnvironment env;
        EntryRecord a;
        a.ControlNumber = ole(2004, 1, 5, 14, 3, 9);
        a.CaseNumber = QStringLiteral("12-\"A\"");
        a.Location = QStringLiteral("Bin 3, Shelf \"C\"");
        a.Category = QStringLiteral("Jewelry/Metals");
        a.BrandName = QStringLiteral("Smith & Wesson");
        a.ModelNumber = QStringLiteral("\"");
        a.SerialNumber = QStringLiteral("\"SN\", 5");
        a.Description = QStringLiteral("Ring\r\nwith stone,\rgold\n");
        a.Value = 12345000; // $1,234.50
        a.Owner = QString::fromUtf8("Zoë Müller, 5 Rue Café €10 “x”");
        a.ReceivedFrom = QStringLiteral("Officer O'Brien");
        a.ReceivedDate = ole(2004, 1, 5);
        a.ReleasedDate = 0;
        a.Defendant = QStringLiteral("\"Slim\" Jim");
        a.Narrative = QStringLiteral("secret narrative");
        a.ChainOfCustody = QStringLiteral("secret chain");
        a.Status = 1;

        EntryRecord b;
        b.ControlNumber = ole(2010, 7, 4, 15, 30, 0);
        b.CaseNumber = QStringLiteral("  padded  ");
        b.Value = 0;
        b.ReceivedDate = ole(2010, 7, 4, 15, 30, 0); // with a time of day
        b.ReleasedTo = QStringLiteral("Owner");
        b.ReleasedDate = ole(2011, 2, 3, 9, 0, 0);
        b.Status = 2;

        EntryRecord c;
        c.ControlNumber = 5; // a legacy sequence number
        c.CaseNumber = QStringLiteral("L5");
        c.Value = 100000; // $10.00
        c.ReceivedDate = ole(1998, 12, 31);
        c.ReleasedDate = 0.4; // rounds to day 0: no date
        c.Status = 1;

        EntryRecord d;
        d.ControlNumber = ole(2020, 2, 29, 23, 59, 59);
        d.CaseNumber = QStringLiteral("N");
        d.Value = -1; // -$0.0001
        d.ReceivedDate = ole(2020, 2, 29);
        d.ReleasedDate = 0.6; // rounds to day 1: a date
        d.Status = 1;

        const QVector<EntryRecord> entries{a, b, c, d};
        writeEntries(entries);
        const QString path = env.path(QStringLiteral("out.csv"));
        const ExportOutcome out = WriteSpreadsheetFile(path, listOf(entries, {1, 2, 3, 4}));
        QCOMPARE(out.status, ExportOutcome::Written);
        QCOMPARE(out.written, 4);
        QCOMPARE(out.leftOut, 0);

        const QList<Row> rows = readCsv(path);
        QCOMPARE(rows.size(), 5);
        QCOMPARE(rows[0].join('|'), QByteArray("Control Number|Case Number|Location|Category|"
                                               "Brand Name|Model Number|Serial Number|"
                                               "Description|Value|Owner|Received From|"
                                               "Received Date|Released To|Released Date|"
                                               "Defendant"));
        const QList<Row> expected{
            {"20040105140309", "12-\"A\"", "Bin 3, Shelf \"C\"", "Jewelry/Metals", "Smith & Wesson",
             "\"", "\"SN\", 5", "Ring\r\nwith stone,\rgold\n", "1234.5",
             "Zo\xEB M\xFCller, 5 Rue Caf\xE9 \x80"
             "10 \x93x\x94",
             "Officer O'Brien", "01/05/2004", "", "", "\"Slim\" Jim"},
            {"20100704153000", "padded", "", "", "", "", "", "", "0", "", "", "07/04/2010", "Owner",
             "02/03/2011", ""},
            {"19000104000000", "L5", "", "", "", "", "", "", "10", "", "", "12/31/1998", "", "",
             ""},
            {"20200229235959", "N", "", "", "", "", "", "", "-0.0001", "", "", "02/29/2020", "",
             "12/30/1899", ""},
        };
        for (int r = 0; r < expected.size(); ++r) {
            QCOMPARE(rows[r + 1].size(), 15);
            for (int c = 0; c < 15; ++c)
                QCOMPARE(rows[r + 1][c], expected[r][c]);
        }
        // No spaces around the commas, CR LF after the line: a whole line.
        QVERIFY(readFile(path).contains(
            "\r\n\"19000104000000\",\"L5\",\"\",\"\",\"\",\"\",\"\",\"\",\"10\",\"\",\"\","
            "\"12/31/1998\",\"\",\"\",\"\"\r\n"));
        QVERIFY(!readFile(path).contains("secret"));
    }

    // The rows of the list, in its order, and nothing else: a search result
    // of a few entries (read one by one) and a whole list out of file
    // order (read in one pass); a row the list shows twice comes twice.
    // Each export replaces the file of the same name (two in one second)
    // whole, and leaves no work file behind.
    void listedRowsInListOrder()
    {
        TestEnvironment env;
        QVector<EntryRecord> entries;
        for (int i = 1; i <= 40; ++i)
            entries << plainEntry(i);
        writeEntries(entries);
        const QString path = env.path(QStringLiteral("out.csv"));

        ExportOutcome out = WriteSpreadsheetFile(path, listOf(entries, {31, 7, 12}));
        QCOMPARE(out.written, 3);
        QCOMPARE(caseColumn(readCsv(path)), QByteArrayList({"C-31", "C-7", "C-12"}));

        QVector<int> all;
        QByteArrayList cases;
        for (int i = 40; i >= 1; --i) {
            all << i;
            cases << QByteArray("C-") + QByteArray::number(i);
        }
        all << 40;
        cases << "C-40";
        out = WriteSpreadsheetFile(path, listOf(entries, all));
        QCOMPARE(out.written, 41);
        QCOMPARE(caseColumn(readCsv(path)), cases);

        // An empty list gives the heading alone.
        out = WriteSpreadsheetFile(path, {});
        QCOMPARE(out.status, ExportOutcome::Written);
        QCOMPARE(readFile(path), ExportHeadingLine());
        QCOMPARE(strayFiles(), QStringList{QStringLiteral("out.csv")});
    }

    // Another process deletes entries after the list was loaded: the
    // records after a deleted one hold other entries now. Each listed entry
    // that still exists is exported as it stands; a deleted one is left out
    // and counted, never replaced by the entry that took its record.
    void entriesDeletedMeanwhile()
    {
        TestEnvironment env;
        QVector<EntryRecord> entries;
        for (int i = 1; i <= 40; ++i)
            entries << plainEntry(i);
        writeEntries(entries);
        const QString path = env.path(QStringLiteral("out.csv"));
        const auto whole = listOf(entries, {6, 1, 4, 3, 2, 5, 40});
        const auto few = listOf(entries, {30, 10, 35});

        deleteInAnotherProcess(3);
        ExportOutcome out = WriteSpreadsheetFile(path, whole);
        QCOMPARE(out.written, 6);
        QCOMPARE(out.leftOut, 1);
        QCOMPARE(caseColumn(readCsv(path)),
                 QByteArrayList({"C-6", "C-1", "C-4", "C-2", "C-5", "C-40"}));

        deleteInAnotherProcess(19); // C-20: C-30 and C-35 have moved up by two
        out = WriteSpreadsheetFile(path, few);
        QCOMPARE(out.written, 3);
        QCOMPARE(out.leftOut, 0);
        QCOMPARE(caseColumn(readCsv(path)), QByteArrayList({"C-30", "C-10", "C-35"}));

        deleteInAnotherProcess(9); // C-10 itself
        out = WriteSpreadsheetFile(path, few);
        QCOMPARE(out.written, 2);
        QCOMPARE(out.leftOut, 1);
        QCOMPARE(caseColumn(readCsv(path)), QByteArrayList({"C-30", "C-35"}));

        // An entry changed at its place (another entry written over it) is
        // not exported for the listed one; one being deleted is not either.
        DataFile file;
        QVERIFY(file.open(DataFile::ForWriting));
        QVERIFY(file.write(1, plainEntry(99)));
        QVERIFY(file.writeField(2, EntryLayout::CaseNumber, ToFixedText(KilledMarker, 15)));
        file.close();
        out = WriteSpreadsheetFile(path, listOf(entries, {1, 2, 4}));
        QCOMPARE(out.written, 1);
        QCOMPARE(out.leftOut, 2);
        QCOMPARE(caseColumn(readCsv(path)), QByteArrayList({"C-4"}));

        // No data file at all: every listed entry has gone; none is created.
        QVERIFY(QFile::remove(DataPath(DataFileName)));
        out = WriteSpreadsheetFile(path, few);
        QCOMPARE(out.status, ExportOutcome::Written);
        QCOMPARE(out.leftOut, 3);
        QCOMPARE(readFile(path), ExportHeadingLine());
        QVERIFY(!QFile::exists(DataPath(DataFileName)));
    }

    // A folder that can not take the file: the reason comes back, no half
    // file is left and an earlier file of the name is untouched.
    void failuresLeaveEarlierFileIntact()
    {
        TestEnvironment env;
        QVector<EntryRecord> entries;
        for (int i = 1; i <= 600; ++i)
            entries << plainEntry(i);
        writeEntries(entries);
        QVector<int> all;
        for (int i = 1; i <= 600; ++i)
            all << i;
        const QString path = env.path(QStringLiteral("out.csv"));
        writeFile(path, "earlier export\r\n");

        // The disk fills up part way: the system refuses more than 16 KB
        // (the superuser too).
        {
            struct rlimit old;
            QCOMPARE(getrlimit(RLIMIT_FSIZE, &old), 0);
            const auto oldHandler = std::signal(SIGXFSZ, SIG_IGN);
            struct rlimit small = old;
            small.rlim_cur = 16 * 1024;
            QCOMPARE(setrlimit(RLIMIT_FSIZE, &small), 0);
            const ExportOutcome out = WriteSpreadsheetFile(path, listOf(entries, all));
            setrlimit(RLIMIT_FSIZE, &old);
            std::signal(SIGXFSZ, oldHandler);
            QCOMPARE(out.status, ExportOutcome::FileFailed);
            QVERIFY2(out.reason.contains(QLatin1String("too large")) ||
                         out.reason.contains(QLatin1String("space")),
                     qPrintable(out.reason));
        }
        QCOMPARE(readFile(path), QByteArray("earlier export\r\n"));
        QCOMPARE(strayFiles(), QStringList{QStringLiteral("out.csv")});

        // The folder has gone.
        {
            const QString gone = env.path(QStringLiteral("gone/out.csv"));
            const ExportOutcome out = WriteSpreadsheetFile(gone, listOf(entries, {1}));
            QCOMPARE(out.status, ExportOutcome::FileFailed);
            QVERIFY2(out.reason.contains(QLatin1String("No such file or directory")),
                     qPrintable(out.reason));
        }

        // A read-only folder.
        if (::geteuid() == 0)
            QSKIP("the superuser writes into read-only folders");
        const QFile::Permissions perms = QFile::permissions(env.folder());
        QVERIFY(QFile::setPermissions(env.folder(), QFile::ReadOwner | QFile::ExeOwner));
        const ExportOutcome out = WriteSpreadsheetFile(path, listOf(entries, {1, 2}));
        QFile::setPermissions(env.folder(), perms);
        QCOMPARE(out.status, ExportOutcome::FileFailed);
        QVERIFY2(out.reason.contains(QLatin1String("Permission denied")), qPrintable(out.reason));
        QCOMPARE(readFile(path), QByteArray("earlier export\r\n"));
        QCOMPARE(strayFiles(), QStringList{QStringLiteral("out.csv")});
    }
};

QTEST_GUILESS_MAIN(TestSpreadsheetExport)
#include "tst_spreadsheetexport.moc"
