// Inventories: the classes of a count, the sample drawn from its seed, side
// file, report and log bytes, two workstations at once, the command line.
#include "FakeDesktop.h"
#include "SampleData.h"
#include "TestFolder.h"
#include "core/common/ActivityLog.h"
#include "core/common/Formats.h"
#include "core/common/Startup.h"
#include "core/entries/DataFile.h"
#include "core/entries/EntryStore.h"
#include "core/print/InventoryReport.h"
#include "core/rules/Inventory.h"

#include <QProcess>
#include <QtTest>
#include <map>
#include <set>

namespace
{

using Classes = std::map<ScanClass, std::set<QString>>;

Classes reportCodes(const InventoryReport &report)
{
    Classes listed;
    for (int c = 0; c < ScanClassCount; ++c)
        for (const InventoryReportRow &row : report.rows[c])
            listed[ScanClass(c)].insert(row.code);
    return listed;
}

std::vector<const InventoryEntry *> unique(const InventoryEntries &entries, bool archived)
{
    std::vector<const InventoryEntry *> out;
    for (const InventoryEntry &e : entries.list)
        if (e.archived == archived && entries.find(e.control) == &e &&
            std::count_if(entries.list.begin(), entries.list.end(),
                          [&](const InventoryEntry &o) { return o.control == e.control; }) == 1)
            out.push_back(&e);
    return out;
}

} // namespace

class TestInventory : public QObject
{
    Q_OBJECT

private slots:
    void reconcilesEveryClass();
    void sampleFromItsSeed_data();
    void sampleFromItsSeed();
    void exactFilesReportAndShelfChange();
    void twoWorkstationsLoseNothing();
    void commandLine();
};

void TestInventory::reconcilesEveryClass()
{
    TestFolder t;
    FolderStore store(t.data);
    QVERIFY(SampleData::WriteDataFile(t.path(DataFileName), 10000, 26));
    InventoryEntries entries;
    QVERIFY(LoadInventoryEntries(store, &entries));
    QCOMPARE(int(entries.list.size()), 10000);

    Inventory inv;
    InventoryRequest ask;
    ask.scope = InventoryScope::Sample;
    ask.count = 40;
    ask.seed = 4711;
    QVERIFY(StartInventory(store, ask, entries, &inv).ok);
    QCOMPARE(inv.expected.size(), 40);

    Classes want;
    auto scan = [&](const QString &shelf, const QString &code, ScanClass expected) {
        InventoryScan line;
        const InventoryOutcome out = RecordInventoryScan(store, &inv, entries, shelf, code, &line);
        QVERIFY2(out.ok, qPrintable(out.text));
        QCOMPARE(line.cls, expected);
        want[expected].insert(code);
    };
    // 30 of the sample on their own shelf (typed in another letter case),
    // 4 on another shelf, 6 never scanned.
    for (int i = 0; i < 34; ++i) {
        const InventoryEntry *e = entries.find(inv.expected.at(i));
        if (i < 30)
            scan(e->location.toUpper(), e->control, ScanClass::Found);
        else
            scan(QStringLiteral("Cart 9"), e->control, ScanClass::OtherShelf);
    }
    for (int i = 34; i < 40; ++i)
        want[ScanClass::NotFound].insert(inv.expected.at(i));
    scan(QStringLiteral("Cart 9"), inv.expected.at(3), ScanClass::ScannedTwice);
    scan(QStringLiteral("Cart 9"), inv.expected.at(31), ScanClass::ScannedTwice);
    scan(QStringLiteral("Cart 9"), QStringLiteral("19990101000000"), ScanClass::NotOnRecord);
    scan(QStringLiteral("Cart 9"), QStringLiteral("not a label"), ScanClass::NotOnRecord);
    const auto archived = unique(entries, true);
    for (int i : {0, 1})
        scan(archived[i]->location, archived[i]->control, ScanClass::ArchivedPresent);
    int outside = 0;
    for (const InventoryEntry *e : unique(entries, false)) {
        if (inv.expectedSet.contains(e->control))
            continue;
        scan(e->location, e->control, ScanClass::OutsideSample);
        if (++outside == 3)
            break;
    }

    // Half a scan line left by a workstation that stopped while writing
    // is passed over; the next scan still reads as a line of its own.
    {
        QFile side(InventoryFilePath(t.data, inv.id));
        QVERIFY(side.open(QIODevice::Append));
        side.write("scan\t12/04/2026 22:50:00\tWS-9\tLee\t200");
    }
    scan(QStringLiteral("Cart 9"), QStringLiteral("not a label either"), ScanClass::NotOnRecord);
    const QByteArray side = readFile(InventoryFilePath(t.data, inv.id));
    QVERIFY(side.contains("\tLee\t200\r\nscan\t12/04/2026 22:50:00\t"));
    QVERIFY(side.endsWith("\tPat Doe\tnot a label either\tCart 9\tunknown\t\t\t\r\n"));

    // Paused, nothing is scanned; resumed from the same file by another
    // reader, it goes on.
    QVERIFY(PauseInventory(store, &inv).ok);
    InventoryScan none;
    const InventoryOutcome paused = RecordInventoryScan(
        store, &inv, entries, QStringLiteral("Cart 9"), inv.expected.at(35), &none);
    QCOMPARE(paused.ok, false);
    QCOMPARE(paused.text, InventoryPausedText());
    Inventory other;
    QVERIFY(LoadInventory(store, inv.id, &other));
    QCOMPARE(other.paused, true);
    QVERIFY(ResumeInventory(store, &other).ok);
    QVERIFY(CloseInventory(store, &other, entries).ok);
    const InventoryOutcome closed = RecordInventoryScan(
        store, &inv, entries, QStringLiteral("Cart 9"), inv.expected.at(35), &none);
    QCOMPARE(closed.text, InventoryClosedText());

    Inventory read;
    QVERIFY(LoadInventory(store, inv.id, &read));
    const InventoryReport report = BuildInventoryReport(read);
    QCOMPARE(reportCodes(report), want);
    for (int c = 0; c < ScanClassCount; ++c)
        QCOMPARE(report.counts[c], int(report.rows[c].size()));
    QCOMPARE(report.counts[int(ScanClass::Found)], 30);
    QCOMPARE(report.counts[int(ScanClass::NotFound)], 6);
    QCOMPARE(report.seed, QStringLiteral("4711"));
    QCOMPARE(report.scope, QStringLiteral("A random sample of 40 entries of the Active List"));
}

void TestInventory::sampleFromItsSeed_data()
{
    QTest::addColumn<int>("population");
    QTest::addColumn<int>("count");
    QTest::addColumn<int>("percent");
    QTest::addColumn<int>("drawn");
    QTest::newRow("25 of 10000") << 10000 << 25 << 0 << 25;
    QTest::newRow("more than there are") << 7 << 9 << 0 << 7;
    QTest::newRow("10% of 10000") << 10000 << 0 << 10 << 1000;
    QTest::newRow("1% of 150 rounds up") << 150 << 0 << 1 << 2;
    QTest::newRow("100% of 32767") << 32767 << 0 << 100 << 32767;
    QTest::newRow("none") << 0 << 5 << 0 << 0;
}

void TestInventory::sampleFromItsSeed()
{
    QFETCH(int, population);
    QFETCH(int, count);
    QFETCH(int, percent);
    QFETCH(int, drawn);
    const int n = count > 0 ? count : SampleCountForPercent(population, percent);
    const std::vector<int> a = DrawSample(population, n, 99);
    QCOMPARE(int(a.size()), drawn);
    QCOMPARE(DrawSample(population, n, 99), a);
    QCOMPARE(std::set<int>(a.begin(), a.end()).size(), a.size());
    QVERIFY(std::is_sorted(a.begin(), a.end()));
    if (drawn > 0) {
        QVERIFY(a.front() >= 0);
        QVERIFY(a.back() < population);
    }
    if (drawn > 0 && drawn < population)
        QVERIFY(DrawSample(population, n, 100) != a);

    // Drawn again from the same list and seed, an inventory expects the
    // same entries, whatever order the file holds them in.
    if (population != 10000 || count == 0)
        return;
    TestFolder t;
    FolderStore store(t.data);
    QVERIFY(SampleData::WriteDataFile(t.path(DataFileName), 300, 7));
    InventoryEntries entries;
    QVERIFY(LoadInventoryEntries(store, &entries));
    InventoryRequest ask{InventoryScope::Sample, QString(), 25, 0, 31337};
    Inventory first, second;
    QVERIFY(StartInventory(store, ask, entries, &first).ok);
    std::reverse(entries.list.begin(), entries.list.end());
    entries.byControl.clear();
    for (int i = 0; i < int(entries.list.size()); ++i)
        entries.byControl.insert(entries.list[size_t(i)].control, i);
    t.desktop.setNow(t.desktop.now().addSecs(1));
    QVERIFY(StartInventory(store, ask, entries, &second).ok);
    QCOMPARE(second.expected, first.expected);
    QVERIFY(first.id != second.id);
}

void TestInventory::exactFilesReportAndShelfChange()
{
    TestFolder t(QDateTime(QDate(2026, 12, 7), QTime(9, 30, 0)), QStringLiteral("Pat \"PD\" Doe"));
    FolderStore store(t.data);
    t.data.options.HostNameOverride = QStringLiteral("WS-1");
    const QStringList shelves = {QStringLiteral("A-1"), QStringLiteral("A-2"),
                                 QStringLiteral("B-1")};
    for (int i = 0; i < 3; ++i) {
        EntryRecord e;
        e.CaseNumber = QStringLiteral("26-%1").arg(i + 1);
        e.Location = shelves[i];
        e.Description = i == 1 ? QStringLiteral("=HYPERLINK(\"x\"), red") : QStringLiteral("Knife");
        e.ChainOfCustody = i == 0 ? QStringLiteral("01/02/2026 - taken in") : QString();
        t.desktop.setNow(t.desktop.now().addSecs(1));
        QCOMPARE(AppendEntry(t.data, e), StoreResult::Ok);
    }
    InventoryEntries entries;
    QVERIFY(LoadInventoryEntries(store, &entries));
    Inventory inv;
    QVERIFY(StartInventory(store, {InventoryScope::Shelf, QStringLiteral(" a-"), 0, 0, 0}, entries,
                           &inv)
                .ok);
    QCOMPARE(inv.id, QStringLiteral("20261207093003"));
    const QByteArray logBefore = t.read(DataRecordsLogName);
    QVERIFY(logBefore.endsWith("12/07/2026 at 09:30:03 - Inventory 20261207093003 (Locations "
                               "starting with \"a-\") started by Pat \"PD\" Doe\r\n"));

    InventoryScan line;
    t.desktop.setNow(t.desktop.now().addSecs(60));
    QVERIFY(RecordInventoryScan(store, &inv, entries, QStringLiteral("A-2"),
                                QStringLiteral("20261207093001"), &line)
                .ok);
    QCOMPARE(line.cls, ScanClass::OtherShelf);
    QVERIFY(
        AddInventoryNote(store, &inv, QStringLiteral("20261207093001"), QStringLiteral("tag\ttorn"))
            .ok);
    // An entry added at another workstation after the entries were read
    // is on record once they are read again.
    EntryRecord late;
    late.CaseNumber = QStringLiteral("26-9");
    late.Location = QStringLiteral("A-9");
    QCOMPARE(AppendEntry(t.data, late), StoreResult::Ok);
    const QString lateCode = QStringLiteral("20261207093103");
    QCOMPARE(ClassifyInventoryScan(inv, entries, late.Location, lateCode), ScanClass::NotOnRecord);
    QVERIFY(RefreshInventoryEntries(store, &entries));
    QCOMPARE(ClassifyInventoryScan(inv, entries, late.Location, lateCode), ScanClass::Found);
    QVERIFY(AcceptScannedShelf(store, &inv, &entries, QStringLiteral("20261207093001"),
                               QStringLiteral("A-2"))
                .ok);
    DataFile file(t.data);
    QVERIFY(file.open(DataFile::ForReading));
    const EntryRecord moved = file.read(1);
    file.close();
    QCOMPARE(moved.Location.trimmed(), QStringLiteral("A-2"));
    QCOMPARE(
        moved.ChainOfCustody.trimmed(),
        QStringLiteral("01/02/2026 - taken in\r\n12/07/2026 09:31:03 - Shelf changed from 'A-1' "
                       "to 'A-2' by Pat \"PD\" Doe (inventory 20261207093003)"));
    QVERIFY(
        t.read(DataRecordsLogName)
            .endsWith(
                "12/07/2026 at 09:31:03 - Control#20261207093001 edited by Pat \"PD\" Doe\r\n"));
    QVERIFY(CloseInventory(store, &inv, entries).ok);

    const QByteArray side = readFile(InventoryFilePath(t.data, inv.id));
    QCOMPARE(
        side,
        QByteArray(
            "start\t20261207093003\tshelf\ta-\t\t0\t12/07/2026 09:30:03\tWS-1\tPat \"PD\" Doe\r\n"
            "expect\t20261207093001\r\n"
            "expect\t20261207093002\r\n"
            "scan\t12/07/2026 09:31:03\tWS-1\tPat \"PD\" "
            "Doe\t20261207093001\tA-2\tmoved\tA-1\t26-1\tKnife\r\n"
            "note\t12/07/2026 09:31:03\tWS-1\tPat \"PD\" Doe\t20261207093001\ttag torn\r\n"
            "accept\t12/07/2026 09:31:03\tWS-1\tPat \"PD\" Doe\t20261207093001\tA-1\tA-2\r\n"
            "missing\t20261207093002\t26-2\tA-2\t=HYPERLINK(\"x\"), red\r\n"
            "close\t12/07/2026 09:31:03\tWS-1\tPat \"PD\" Doe\r\n"));
    QVERIFY(
        t.read(DataRecordsLogName)
            .endsWith(
                "12/07/2026 at 09:31:03 - Inventory 20261207093003 closed by Pat \"PD\" Doe\r\n"));

    const QByteArray pad = ",\"\",\"\",\"\",\"\",\"\",\"\"\r\n";
    const QByteArray csv = InventoryReportCsv(BuildInventoryReport(inv));
    QCOMPARE(csv,
             "\"Inventory\",\"20261207093003\"" + pad +
                 "\"Scope\",\"Locations starting with \"\"a-\"\"\"" + pad + "\"Seed\",\"\"" + pad +
                 "\"Started\",\"12/07/2026 09:30:03 by Pat \"\"PD\"\" Doe at WS-1\"" + pad +
                 "\"Closed\",\"12/07/2026 09:31:03 by Pat \"\"PD\"\" Doe at WS-1\"" + pad +
                 "\"Scanned by\",\"Pat \"\"PD\"\" Doe at WS-1\"" + pad +
                 "\"Found on its recorded shelf\",\"0\"" + pad +
                 "\"Found on another shelf\",\"1\"" + pad + "\"Not on record\",\"0\"" + pad +
                 "\"Scanned twice\",\"0\"" + pad + "\"Archived but present\",\"0\"" + pad +
                 "\"Outside the sample\",\"0\"" + pad + "\"Not found\",\"1\"" + pad +
                 "\"Class\",\"Control #\",\"Case #\",\"Description\",\"Recorded shelf\","
                 "\"Scanned shelf\",\"Scanned\",\"Note\"\r\n"
                 "\"Found on another shelf\",\"20261207093001\",\"26-1\",\"Knife\",\"A-1\","
                 "\"A-2\",\"12/07/2026 09:31:03 Pat \"\"PD\"\" Doe\",\"tag torn (Pat \"\"PD\"\" "
                 "Doe); New shelf accepted by Pat \"\"PD\"\" Doe\"\r\n"
                 "\"Not found\",\"20261207093002\",\"26-2\",\"'=HYPERLINK(\"\"x\"\"), red\","
                 "\"A-2\",\"\",\"\",\"\"\r\n");

    // Printed: the facts, the counts, each class's entries in columns.
    // A printer is there: nothing is asked (an answer of 0 would cancel).
    QCOMPARE(
        PrintInventoryReport(BuildInventoryReport(inv), [](const MsgBoxRequest &) { return 0; }),
        PrintResult::Done);
    QCOMPARE(t.desktop.printJobs, QStringList{QStringLiteral("Custorin Inventory 20261207093003")});
    QStringList texts;
    QList<double> rowX;
    for (const PrintedText &p : t.desktop.printed) {
        if (p.text.isEmpty() || p.text.startsWith(QLatin1Char('_')))
            continue;
        texts.append(p.text);
        if (p.text == QLatin1String("20261207093002") || p.text == QLatin1String("26-2") ||
            p.text.startsWith(QLatin1String("=HYP")))
            rowX.append(p.x);
    }
    QCOMPARE(texts.mid(0, 6), QStringList({"Custorin Inventory 20261207093003 -- Page 1",
                                           "Scope: Locations starting with \"a-\"", "Seed: none",
                                           "Started: 12/07/2026 09:30:03 by Pat \"PD\" Doe at WS-1",
                                           "Closed: 12/07/2026 09:31:03 by Pat \"PD\" Doe at WS-1",
                                           "Scanned by: Pat \"PD\" Doe at WS-1"}));
    QCOMPARE(texts.mid(6, 4),
             QStringList({"Found on its recorded shelf", "0", "Found on another shelf", "1"}));
    QCOMPARE(
        texts.mid(20, 14),
        QStringList({"Found on another shelf (1)", "Control #", "Case #", "Description",
                     "Recorded shelf", "Scanned shelf", "20261207093001", "26-1", "Knife", "A-1",
                     "A-2", "Note: tag torn (Pat \"PD\" Doe); New shelf accepted by Pat \"PD\" Doe",
                     "Not found (1)", "Control #"}));
    QCOMPARE(texts.last(), QStringLiteral("End of Printout"));
    QCOMPARE(rowX, QList<double>({0.5, 1.65, 2.55}));
    t.data.options.HostNameOverride.clear();
}

void TestInventory::twoWorkstationsLoseNothing()
{
    TestFolder t;
    FolderStore store(t.data);
    QVERIFY(SampleData::WriteDataFile(t.path(DataFileName), 400, 3));
    InventoryEntries entries;
    QVERIFY(LoadInventoryEntries(store, &entries));
    Inventory inv;
    QVERIFY(StartInventory(store, {}, entries, &inv).ok);
    // Both scan the same 60 codes, one from the first, one from the last.
    QList<QProcess *> workers;
    for (const QString &name : {QStringLiteral("up"), QStringLiteral("down")}) {
        auto *p = new QProcess(this);
        p->start(testTool(QStringLiteral("store_worker")),
                 {QStringLiteral("scan"), t.folder(), inv.id, name, QStringLiteral("60")});
        workers.append(p);
    }
    for (QProcess *p : workers) {
        QVERIFY(p->waitForFinished(120000));
        QCOMPARE(p->exitCode(), 0);
        QCOMPARE(p->readAllStandardError(), QByteArray());
    }
    QVERIFY(RefreshInventory(store, &inv));
    QCOMPARE(int(inv.scans.size()), 120);
    std::map<QString, std::vector<ScanClass>> byCode;
    for (const InventoryScan &s : inv.scans)
        byCode[s.code].push_back(s.cls);
    QCOMPARE(int(byCode.size()), 60);
    for (const auto &[code, classes] : byCode) {
        QCOMPARE(int(classes.size()), 2);
        QCOMPARE(int(std::count(classes.begin(), classes.end(), ScanClass::ScannedTwice)), 1);
    }
}

void TestInventory::commandLine()
{
    TestFolder t;
    FolderStore store(t.data);
    QVERIFY(SampleData::WriteDataFile(t.path(DataFileName), 50, 9));
    InventoryEntries entries;
    QVERIFY(LoadInventoryEntries(store, &entries));
    Inventory open, closed;
    QVERIFY(
        StartInventory(store, {InventoryScope::Sample, QString(), 0, 10, 5}, entries, &closed).ok);
    QVERIFY(CloseInventory(store, &closed, entries).ok);
    t.desktop.setNow(t.desktop.now().addSecs(90));
    QVERIFY(StartInventory(store, {}, entries, &open).ok);

    QString out, err;
    const QString csv = QDir(t.folder()).filePath(QStringLiteral("out.csv"));
    auto run = [&](const QStringList &args) {
        return RunInventoryCommand(
            ParseCommandLine(QStringList{QStringLiteral("--data-dir"), t.folder()} + args,
                             t.folder(), QStringLiteral("/nonexistent")),
            &out, &err);
    };
    QCOMPARE(run({"--inventories"}), 0);
    const int active = int(std::count_if(entries.list.begin(), entries.list.end(),
                                         [](const InventoryEntry &e) { return !e.archived; }));
    QCOMPARE(out, QStringLiteral("20261204225130\topen\t0 scans\tThe whole Active List\n"
                                 "20261204225000\tclosed\t0 scans\tA random sample of 10% of the "
                                 "Active List (%1 entries)\n")
                      .arg(SampleCountForPercent(active, 10)));
    QCOMPARE(run({"--inventory-report", open.id, "--csv", csv}), 1);
    QCOMPARE(err, QStringLiteral(
                      "inventory 20261204225130 is open: only a closed inventory has a report\n"));
    QCOMPARE(run({"--inventory-report", "2020", "--csv", csv}), 1);
    QCOMPARE(err, QStringLiteral("there is no inventory '2020' (--inventories lists them)\n"));
    QCOMPARE(run({"--inventory-report", closed.id}), 1);
    QCOMPARE(QFile::exists(csv), false);
    QCOMPARE(run({"--inventory-report", closed.id, "--csv", csv}), 0);
    QCOMPARE(out, QStringLiteral("Wrote the report of inventory 20261204225000 to ") + csv + "\n");
    QCOMPARE(readFile(csv), InventoryReportCsv(BuildInventoryReport(closed)));
}

QTEST_GUILESS_MAIN(TestInventory)
#include "tst_inventory.moc"
