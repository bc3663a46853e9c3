// Several workstations on one data folder, simulated by several processes:
// concurrent adds and deletes lose nothing and log everything, and a
// deletion killed at any moment leaves a whole data file.
#include "SampleData.h"
#include "TestFolder.h"
#include "core/entries/EntryStore.h"

#include <QHash>
#include <QProcess>
#include <QRandomGenerator>
#include <QRegularExpression>
#include <QThread>
#include <QtTest>
#include <csignal>

namespace
{

const QString Worker = testTool("store_worker");

// The case numbers of a data file, read at their offset (10, 15 bytes).
QStringList caseNumbers(const QByteArray &file)
{
    QStringList cases;
    for (qint64 at = 0; at + 5000 <= file.size(); at += 5000)
        cases << QString::fromLatin1(file.mid(at + 10, 15)).trimmed();
    return cases;
}

QStringList linesStartingWith(const QByteArray &output, const QString &word)
{
    QStringList found;
    for (const QByteArray &line : output.split('\n')) {
        if (line.startsWith(word.toLatin1() + ' '))
            found << QString::fromLatin1(line.mid(word.size() + 1)).trimmed();
    }
    return found;
}

} // namespace

class TestWorkstations : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase() { QVERIFY2(QFileInfo(Worker).isExecutable(), qPrintable(Worker)); }
    void concurrentAddsAndDeletesLoseNothing();
    void deletionKilledAtAnyMomentLeavesAWholeFile();
};

void TestWorkstations::concurrentAddsAndDeletesLoseNothing()
{
    TestEnvironment env;
    const QString data = env.path("Custorin.Data");
    QVERIFY(SampleData::WriteDataFile(data, 40, 11));
    const QStringList seeded = caseNumbers(readFile(data));

    QList<QProcess *> adders;
    const QStringList names = {"w1", "w2", "w3", "w4"};
    for (const QString &name : names) {
        auto *p = new QProcess(this);
        p->start(Worker, {"append", env.folder(), name, "200"});
        adders << p;
    }
    QProcess deleter;
    deleter.start(Worker, {"delete", env.folder(), "60", "5"});
    for (QProcess *p : adders)
        QVERIFY(p->waitForFinished(120000));
    QVERIFY(deleter.waitForFinished(120000));

    QHash<QString, int> expected; // case number -> copies expected in the file
    for (const QString &c : seeded)
        ++expected[c];
    QHash<QString, int> addedBy;
    int added = 0;
    for (int i = 0; i < adders.size(); ++i) {
        QCOMPARE(adders[i]->exitCode(), 0);
        const QByteArray out = adders[i]->readAllStandardOutput();
        const QStringList ok = linesStartingWith(out, "ADDED");
        // Refusals are allowed (a folder busy for too long) but reported.
        QCOMPARE(ok.size() + linesStartingWith(out, "FAILED").size(), 200);
        for (const QString &c : ok)
            ++expected[c];
        addedBy[names[i]] = ok.size();
        added += ok.size();
    }
    QVERIFY(added > 0);
    const QByteArray delOut = deleter.readAllStandardOutput();
    const QStringList deleted = linesStartingWith(delOut, "DELETED");
    QVERIFY2(!deleted.isEmpty(), delOut.constData());
    for (const QString &c : deleted)
        --expected[c];

    const QByteArray file = readFile(data);
    QCOMPARE(file.size() % 5000, 0);
    QHash<QString, int> found;
    for (const QString &c : caseNumbers(file))
        ++found[c];
    expected.removeIf([](QHash<QString, int>::iterator it) { return it.value() == 0; });
    QCOMPARE(found, expected); // nothing lost, nothing twice, nothing from nowhere
    QVERIFY(!QFile::exists(env.path("TempFile.$$$")));
    qInfo("%d adds, %d refused, %d deletions", added, 800 - added, int(deleted.size()));

    // Every change has its line, and every line is whole.
    const QString log = QString::fromLatin1(readFile(env.path("DataRecords.Log")));
    QVERIFY(log.endsWith("\r\n"));
    const QStringList lines = log.left(log.size() - 2).split("\r\n");
    const QRegularExpression shape(
        R"(^\d\d/\d\d/\d{4} at \d\d:\d\d:\d\d - Control#\d{5,14} (added|deleted) by (w[1-4]|deleter)$)");
    QHash<QString, int> perUser;
    for (const QString &line : lines) {
        const auto m = shape.match(line);
        QVERIFY2(m.hasMatch(), qPrintable(line));
        ++perUser[m.captured(1) + " " + m.captured(2)];
    }
    for (const QString &name : names)
        QCOMPARE(perUser.value("added " + name), addedBy[name]);
    QCOMPARE(perUser.value("deleted deleter"), deleted.size());
    QCOMPARE(lines.size(), added + deleted.size());
    qDeleteAll(adders);
}

void TestWorkstations::deletionKilledAtAnyMomentLeavesAWholeFile()
{
    TestFolder env(QDateTime(QDate(2026, 1, 1), QTime(0, 0)));
    const QString data = env.path("Custorin.Data");
    QVERIFY(SampleData::WriteDataFile(data, 1200, 3));
    const QByteArray original = readFile(data);
    QVector<QByteArray> records;
    for (qint64 at = 0; at < original.size(); at += 5000)
        records << original.mid(at, 5000);
    const QByteArray marker("$Killed$       "); // the marker padded to 15

    QRandomGenerator rng(20240611);
    int killedWhileWorking = 0;
    for (int round = 0; round < 8; ++round) {
        QProcess p;
        p.start(Worker, {"compact", env.folder()});
        QVERIFY(p.waitForStarted());
        QThread::msleep(30 + rng.bounded(250));
        if (p.state() == QProcess::Running) {
            ::kill(pid_t(p.processId()), SIGKILL);
            ++killedWhileWorking;
        }
        QVERIFY(p.waitForFinished(10000));

        // The file is there, whole, and holds original records in their
        // order, at most one of them carrying the deletion marker.
        const QByteArray now = readFile(data);
        QVERIFY2(QFile::exists(data), "data file missing");
        QCOMPARE(now.size() % 5000, 0);
        QVERIFY(now.size() >= 5000);
        int next = 0, marked = 0;
        for (qint64 at = 0; at < now.size(); at += 5000) {
            const QByteArray rec = now.mid(at, 5000);
            bool matched = false;
            while (next < records.size() && !matched) {
                const QByteArray &orig = records[next++];
                const bool isMarked = rec == QByteArray(orig).replace(10, 15, marker);
                matched = rec == orig || isMarked;
                marked += isMarked;
            }
            QVERIFY2(matched, qPrintable(QString("record at %1 is not an original").arg(at)));
        }
        QVERIFY(marked <= 1);
    }
    QVERIFY(killedWhileWorking > 0);

    // The next deletion on this workstation drops a record left marked.
    const QByteArray before = readFile(data);
    const int count = int(before.size() / 5000);
    const int n = caseNumbers(before).at(count - 1) == "$Killed$" ? count - 1 : count;
    const EntryRecord victim = EntryRecord::Unpack(before.mid(qint64(n - 1) * 5000, 5000));
    QCOMPARE(DeleteEntry(n, EntryIdentity::of(victim)), StoreResult::Ok);
    const QByteArray after = readFile(data);
    QVERIFY(!caseNumbers(after).contains("$Killed$"));
    QVERIFY(after.size() <= before.size() - 5000);
    QVERIFY(!QFile::exists(env.path("TempFile.$$$")));
    qInfo("%d of 8 runs killed while working; %d records left of 1200", killedWhileWorking, count);
}

QTEST_GUILESS_MAIN(TestWorkstations)
#include "tst_workstations.moc"
