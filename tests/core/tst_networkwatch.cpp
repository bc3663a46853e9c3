// The watch on the shared data file behind the Refresh button: when it
// looks, the faces it shows, the sound seconds, and which changes count
// (another workstation's, a replaced file; not this program's own writes).
#include "FakeDesktop.h"
#include "SampleData.h"
#include "core/common/Globals.h"
#include "core/entries/EntryStore.h"
#include "core/entries/OwnWrites.h"
#include "core/rules/NetworkWatch.h"

#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QtTest>

namespace
{

const QString SharedFile = QStringLiteral("/share/Custorin.Data");

FileStamp stamp(int second, qint64 size)
{
    return FileStamp{QDateTime(QDate(2026, 3, 9), QTime(14, 0, second)), size, QDateTime()};
}

QDateTime at(int minute, int second, int ms = 0)
{
    return QDateTime(QDate(2026, 3, 9), QTime(10, minute, second, ms));
}

// Ticks at each time given: per tick the face after it (n normal, y yellow,
// r red, g green), "L" when it looked at the file, "S" when it wanted the
// sound; ticks apart by a blank.
QString ticks(NetworkWatch &watch, const QList<QDateTime> &times, bool entries = true,
              bool soundOn = false, const QString &file = SharedFile)
{
    QStringList out;
    for (const QDateTime &now : times) {
        const WatchTick t = watch.tick(now, entries, soundOn, file);
        out << QStringLiteral("nyrg").at(int(watch.face())) + QString(t.examined ? "L" : "") +
                   (t.playSound ? "S" : "");
    }
    return out.join(' ');
}

// Ticks once a second from `from` for `count` seconds.
QString seconds(NetworkWatch &watch, const QDateTime &from, int count, bool entries = true,
                bool soundOn = false)
{
    QList<QDateTime> times;
    for (int i = 0; i < count; ++i)
        times << from.addSecs(i);
    return ticks(watch, times, entries, soundOn);
}

} // namespace

class TestNetworkWatch : public QObject
{
    Q_OBJECT
private slots:
    void looksEveryFifthSecondAndFlashes()
    {
        TestEnvironment env;
        env.desktop.setFileStamp(SharedFile, stamp(1, 10000));
        NetworkWatch watch;
        watch.start(stamp(1, 10000));
        QCOMPARE(seconds(watch, at(0, 3), 8), QStringLiteral("n n nL n n n n nL"));
        QCOMPARE(env.desktop.stampedFiles, QStringList(2, SharedFile));
        // With an empty list the file is not looked at, changed or not.
        env.desktop.setFileStamp(SharedFile, stamp(3, 10000)); // the time, not the length
        QVERIFY(!seconds(watch, at(0, 11), 20, false).contains('L'));
        // Found at the next check second; then red and green in turn, the
        // file not looked at while it flashes.
        QCOMPARE(seconds(watch, at(0, 33), 8), QStringLiteral("n n yL r g r g r"));
        QCOMPARE(watch.dataFileStamp(), std::optional<FileStamp>(stamp(3, 10000)));
        env.desktop.setFileStamp(SharedFile, stamp(8, 20000));
        QVERIFY(!seconds(watch, at(0, 41), 10).contains('L'));
        QCOMPARE(watch.dataFileStamp(), std::optional<FileStamp>(stamp(3, 10000)));
        // The click: normal again; the next check finds the later change.
        watch.restore();
        QCOMPARE(seconds(watch, at(1, 1), 5), QStringLiteral("n n n n yL"));
        QCOMPARE(watch.dataFileStamp(), std::optional<FileStamp>(stamp(8, 20000)));
    }

    void soundSecondsAndLateTicks()
    {
        TestEnvironment env;
        env.desktop.setFileStamp(SharedFile, stamp(2, 15000));
        NetworkWatch watch;
        watch.start(stamp(1, 10000));
        // Flashing from 10:00:55: the sound at seconds 0, 20 and 40 (not on
        // the tick that found the change); nothing with the sound off.
        const QString run = seconds(watch, at(0, 55), 70, true, true);
        QCOMPARE(run.count('S'), 4);
        QCOMPARE(run.split(' ').mid(5, 1) + run.split(' ').mid(25, 1) + run.split(' ').mid(45, 1) +
                     run.split(' ').mid(65, 1),
                 QStringList({"rS", "rS", "rS", "rS"}));
        QVERIFY(!seconds(watch, at(2, 5), 60, true, false).contains('S'));
        // A change found at a sound second sounds only at the next one.
        NetworkWatch second;
        second.start(stamp(1, 10000));
        QCOMPARE(
            seconds(second, at(3, 0), 21, true, true).split(' ').indexOf(QRegularExpression(".S")),
            20);

        // A busy machine: the tick of second 5 comes in second 6 and still
        // looks; a second tick in one second does not; after a pause only
        // the tick's own second counts. The same for the sound.
        NetworkWatch late;
        late.start(stamp(2, 15000));
        QCOMPARE(ticks(late, {at(0, 3, 990), at(0, 4, 995), at(0, 6, 5), at(0, 10, 2),
                              at(0, 10, 990), at(0, 21), at(0, 26), at(0, 30)}),
                 QStringLiteral("n n nL nL n n n nL"));
        env.desktop.setFileStamp(SharedFile, stamp(7, 20000));
        QCOMPARE(ticks(late,
                       {at(0, 35), at(0, 36), at(0, 39), at(0, 41, 10), at(0, 42), at(1, 1, 5),
                        at(1, 20, 1), at(1, 20, 999)},
                       true, true),
                 QStringLiteral("yL r g rS g r gS r"));
    }

    void unreadableOrReplacedFile()
    {
        TestEnvironment env;
        NetworkWatch watch;
        watch.start(stamp(1, 10000));
        // Unreadable: the tick is skipped; back as it was: nothing to show.
        env.desktop.setFileStamp(SharedFile, std::nullopt);
        QCOMPARE(seconds(watch, at(0, 0), 6), QStringLiteral("nL n n n n nL"));
        env.desktop.setFileStamp(SharedFile, stamp(1, 10000));
        QCOMPARE(seconds(watch, at(0, 15), 1), QStringLiteral("nL"));
        // A window that started without a file sees one appear.
        NetworkWatch fresh;
        fresh.start(std::nullopt);
        QCOMPARE(seconds(fresh, at(0, 25), 1), QStringLiteral("yL"));

        // Another workstation's deletion renames a work file over the data
        // file: a change even with the old time put back (its length).
        InitProgramTables();
        const QString path = DataPath(DataFileName), temp = env.path("TempFile.$$$");
        QVERIFY(SampleData::WriteDataFile(path, 3, 7));
        watch.start(env.desktop.fileStamp(path));
        QVERIFY(SampleData::WriteDataFile(temp, 2, 7));
        QFile f(temp);
        QVERIFY(f.open(QIODevice::ReadWrite));
        QVERIFY(f.setFileTime(QFileInfo(path).lastModified(), QFileDevice::FileModificationTime));
        f.close();
        QVERIFY(QFile::remove(path) && QFile::rename(temp, path));
        QCOMPARE(ticks(watch, {at(0, 5)}, true, false, path), QStringLiteral("yL"));
        QCOMPARE(watch.dataFileStamp()->size, qint64(10000));
        // Removed (nothing to show), then made again with the same length.
        watch.restore();
        QVERIFY(QFile::remove(path));
        QCOMPARE(ticks(watch, {at(0, 10)}, true, false, path), QStringLiteral("nL"));
        QTest::qWait(20);
        QVERIFY(SampleData::WriteDataFile(path, 2, 8));
        QCOMPARE(ticks(watch, {at(0, 15)}, true, false, path), QStringLiteral("yL"));
    }

    void ownWritesDoNotFlashOthersDo()
    {
        TestEnvironment env;
        InitProgramTables();
        CurrentUserName = QStringLiteral("Lee Carter");
        const QString path = DataPath(DataFileName);
        QVERIFY(SampleData::WriteDataFile(path, 2, 3));
        NetworkWatch watch;
        watch.start(env.desktop.fileStamp(path));
        auto appendForeign = [&] {
            QFile f(path);
            QVERIFY(f.open(QIODevice::Append));
            QCOMPARE(f.write(EntryRecord().Pack()), qint64(5000));
        };
        // Our own add, then several in a row: taken in silently.
        EntryRecord e;
        e.CaseNumber = QStringLiteral("26-0001");
        int n = 0;
        QCOMPARE(AppendEntry(e, &n), StoreResult::Ok);
        QVERIFY(watch.tick(at(0, 0), true, false, path).ownChange);
        QCOMPARE(watch.dataFileStamp(), env.desktop.fileStamp(path));
        QVERIFY(PendingOwnWrites().isEmpty());
        const EntryIdentity id = EntryIdentity::of(ReadAllEntries().at(n - 1));
        QCOMPARE(ArchiveEntry(n, id), StoreResult::Ok);
        QCOMPARE(RestoreEntry(n, id), StoreResult::Ok);
        QCOMPARE(DeleteEntry(n, id), StoreResult::Ok);
        QCOMPARE(PendingOwnWrites().size(), 3);
        QCOMPARE(ticks(watch, {at(0, 5)}, true, false, path), QStringLiteral("nL"));
        // Ours, then another workstation's in the same five seconds; or
        // another's first, then ours: it flashes.
        QCOMPARE(AppendEntry(e, &n), StoreResult::Ok);
        appendForeign();
        QCOMPARE(ticks(watch, {at(0, 10)}, true, false, path), QStringLiteral("yL"));
        watch.restore();
        appendForeign();
        const EntryIdentity mine = EntryIdentity::of(ReadAllEntries().at(n - 1));
        QCOMPARE(ArchiveEntry(n, mine), StoreResult::Ok);
        QCOMPARE(ticks(watch, {at(0, 15)}, true, false, path), QStringLiteral("yL"));
        watch.restore();
        // A write refused because the entry changed meanwhile changes nothing.
        EntryIdentity wrong = mine;
        wrong.CaseNumber = QStringLiteral("not it");
        QCOMPARE(ArchiveEntry(n, wrong), StoreResult::Changed);
        QCOMPARE(ticks(watch, {at(0, 20)}, true, false, path), QStringLiteral("nL"));
    }
};

QTEST_GUILESS_MAIN(TestNetworkWatch)
#include "tst_networkwatch.moc"
