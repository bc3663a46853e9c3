// The watch of the shared data file: when it examines the file, the
// Refresh button's faces in order, the sound's rhythm, what it keeps while
// flashing, files that vanish or are replaced, and the rule that this
// workstation's own writes do not flash while another's still do.
#include "FakeDesktop.h"
#include "SampleData.h"
#include "TestFiles.h"
#include "core/common/Globals.h"
#include "core/entries/EntryStore.h"
#include "core/entries/OwnWrites.h"
#include "core/rules/NetworkWatch.h"

#include <QDir>
#include <QFile>
#include <QtTest>

namespace
{

const QString SharedFile = QStringLiteral("/share/Custorin.Data");

FileStamp stamp(int second, qint64 size)
{
    FileStamp s;
    s.modified = QDateTime(QDate(2026, 3, 9), QTime(14, 0, second));
    s.size = size;
    return s;
}

QDateTime at(int hour, int minute, int second, int ms = 0)
{
    return QDateTime(QDate(2026, 3, 9), QTime(hour, minute, second, ms));
}

QString faceName(RefreshFace face)
{
    switch (face) {
    case RefreshFace::Normal:
        return QStringLiteral("normal");
    case RefreshFace::Yellow:
        return QStringLiteral("yellow");
    case RefreshFace::LightRed:
        return QStringLiteral("red");
    case RefreshFace::LightGreen:
        return QStringLiteral("green");
    }
    return QString();
}

// Ticks once a second from `from` for `count` seconds; the faces after
// each tick, and which ticks examined the file.
struct Run {
    QStringList faces;
    QStringList examined; // "hh:mm:ss" of each tick that looked
    QStringList sounds;   // "hh:mm:ss" of each tick that wanted the sound
};

Run tickEachSecond(NetworkWatch &watch, const QDateTime &from, int count, bool entries = true,
                   bool soundOn = false, const QString &file = SharedFile)
{
    Run run;
    for (int i = 0; i < count; ++i) {
        const QDateTime now = from.addSecs(i);
        const WatchTick t = watch.tick(now, entries, soundOn, file);
        run.faces << faceName(watch.face());
        if (t.examined)
            run.examined << now.toString(QStringLiteral("hh:mm:ss"));
        if (t.playSound)
            run.sounds << now.toString(QStringLiteral("hh:mm:ss"));
    }
    return run;
}

// A record another workstation wrote straight into the file (nothing of
// this process notes it).
void appendForeignRecord(const QString &path, const QString &caseNumber)
{
    EntryRecord e;
    e.CaseNumber = caseNumber;
    QFile f(path);
    QVERIFY(f.open(QIODevice::Append));
    QCOMPARE(f.write(e.Pack()), qint64(5000));
}

} // namespace

class TestNetworkWatch : public QObject
{
    Q_OBJECT
private slots:
    void examinesEveryFifthSecondWhileEntriesAreListed();
    void facesAfterAChange();
    void soundAtSecondsZeroTwentyFortyWhileFlashing();
    void lateAndDoubleTicks();
    void stampKeptWhileFlashing();
    void unreadableFileSkipsTheTick();
    void replacedFileCountsAsAChange();
    void ownWritesDoNotFlashOthersDo();
};

void TestNetworkWatch::examinesEveryFifthSecondWhileEntriesAreListed()
{
    TestEnvironment env;
    env.desktop.setFileStamp(SharedFile, stamp(1, 10000));
    NetworkWatch watch;
    watch.start(stamp(1, 10000));

    Run run = tickEachSecond(watch, at(9, 59, 57), 14);
    QCOMPARE(run.examined, (QStringList{"10:00:00", "10:00:05", "10:00:10"}));
    QCOMPARE(env.desktop.stampedFiles, (QStringList{SharedFile, SharedFile, SharedFile}));
    QCOMPARE(run.faces, QStringList(14, "normal"));

    // With an empty list the file is not looked at, changed or not.
    env.desktop.stampedFiles.clear();
    env.desktop.setFileStamp(SharedFile, stamp(9, 15000));
    run = tickEachSecond(watch, at(10, 0, 11), 20, false);
    QVERIFY(run.examined.isEmpty());
    QVERIFY(env.desktop.stampedFiles.isEmpty());
    QCOMPARE(run.faces, QStringList(20, "normal"));
}

void TestNetworkWatch::facesAfterAChange()
{
    TestEnvironment env;
    env.desktop.setFileStamp(SharedFile, stamp(1, 10000));
    NetworkWatch watch;
    watch.start(stamp(1, 10000));
    // The time of the file changes, its length does not.
    env.desktop.setFileStamp(SharedFile, stamp(3, 10000));
    const Run run = tickEachSecond(watch, at(10, 0, 3), 8);
    QCOMPARE(run.faces,
             (QStringList{"normal", "normal", "yellow", "red", "green", "red", "green", "red"}));
    QCOMPARE(run.examined, QStringList{"10:00:05"});
    QVERIFY(watch.flashing());
    QCOMPARE(watch.dataFileStamp(), std::optional<FileStamp>(stamp(3, 10000)));

    // Colour numbers 0xBBGGRR of RGB(255,255,0), (255,128,128), (128,255,128).
    QCOMPARE(RefreshFaceColor(RefreshFace::Yellow), OleColor(0x00FFFF));
    QCOMPARE(RefreshFaceColor(RefreshFace::LightRed), OleColor(0x8080FF));
    QCOMPARE(RefreshFaceColor(RefreshFace::LightGreen), OleColor(0x80FF80));

    // The click: normal again, and nothing changes until the file does.
    watch.restore();
    QVERIFY(!watch.flashing());
    const Run after = tickEachSecond(watch, at(10, 0, 11), 10);
    QCOMPARE(after.faces, QStringList(10, "normal"));
    QCOMPARE(after.examined, (QStringList{"10:00:15", "10:00:20"}));
}

void TestNetworkWatch::soundAtSecondsZeroTwentyFortyWhileFlashing()
{
    TestEnvironment env;
    env.desktop.setFileStamp(SharedFile, stamp(1, 10000));
    NetworkWatch watch;
    watch.start(stamp(1, 10000));
    env.desktop.setFileStamp(SharedFile, stamp(2, 15000));

    // Flashing from 10:00:55 (a check second) for a minute and more.
    Run run = tickEachSecond(watch, at(10, 0, 55), 70, true, true);
    QCOMPARE(run.faces.first(), QString("yellow"));
    // Not on the tick that found the change (10:00:55 is no sound second
    // anyway), then at 0, 20 and 40 while flashing.
    QCOMPARE(run.sounds, (QStringList{"10:01:00", "10:01:20", "10:01:40", "10:02:00"}));

    // With the sound off nothing is due.
    run = tickEachSecond(watch, at(10, 2, 5), 60, true, false);
    QVERIFY(run.sounds.isEmpty());

    // A change found at a sound second starts the sound only with the
    // next sound second of the flashing.
    NetworkWatch second;
    second.start(stamp(1, 10000));
    run = tickEachSecond(second, at(10, 3, 0), 21, true, true);
    QCOMPARE(run.faces.first(), QString("yellow"));
    QCOMPARE(run.sounds, QStringList{"10:03:20"});
}

void TestNetworkWatch::lateAndDoubleTicks()
{
    TestEnvironment env;
    env.desktop.setFileStamp(SharedFile, stamp(1, 10000));
    NetworkWatch watch;
    watch.start(stamp(1, 10000));

    // A busy machine: the tick of second 5 comes in second 6. The check
    // is not skipped.
    watch.tick(at(10, 0, 3, 990), true, false, SharedFile);
    watch.tick(at(10, 0, 4, 995), true, false, SharedFile);
    QVERIFY(env.desktop.stampedFiles.isEmpty());
    QVERIFY(watch.tick(at(10, 0, 6, 5), true, false, SharedFile).examined);
    // Two ticks in one second: the second one does not check again.
    QVERIFY(watch.tick(at(10, 0, 10, 2), true, false, SharedFile).examined);
    QVERIFY(!watch.tick(at(10, 0, 10, 990), true, false, SharedFile).examined);
    QCOMPARE(env.desktop.stampedFiles.size(), 2);

    // After a pause of the timer (a reload) only the tick's own second
    // counts: nothing is made up for the seconds that passed.
    QVERIFY(!watch.tick(at(10, 0, 21), true, false, SharedFile).examined);
    QVERIFY(!watch.tick(at(10, 0, 26), true, false, SharedFile).examined);
    QVERIFY(watch.tick(at(10, 0, 30), true, false, SharedFile).examined);

    // The sound, with a late tick and a double one.
    env.desktop.setFileStamp(SharedFile, stamp(7, 20000));
    QVERIFY(watch.tick(at(10, 0, 35), true, true, SharedFile).faceChanged);
    QVERIFY(!watch.tick(at(10, 0, 36), true, true, SharedFile).playSound);
    QVERIFY(!watch.tick(at(10, 0, 37), true, true, SharedFile).playSound);
    QVERIFY(!watch.tick(at(10, 0, 38), true, true, SharedFile).playSound);
    QVERIFY(!watch.tick(at(10, 0, 39), true, true, SharedFile).playSound);
    QVERIFY(watch.tick(at(10, 0, 41, 10), true, true, SharedFile).playSound); // 40 late
    QVERIFY(!watch.tick(at(10, 0, 42), true, true, SharedFile).playSound);
    QVERIFY(!watch.tick(at(10, 1, 1, 5), true, true, SharedFile).playSound); // after a pause
    QVERIFY(watch.tick(at(10, 1, 20, 1), true, true, SharedFile).playSound);
    QVERIFY(!watch.tick(at(10, 1, 20, 999), true, true, SharedFile).playSound);
}

void TestNetworkWatch::stampKeptWhileFlashing()
{
    TestEnvironment env;
    env.desktop.setFileStamp(SharedFile, stamp(1, 10000));
    NetworkWatch watch;
    watch.start(stamp(1, 10000));
    env.desktop.setFileStamp(SharedFile, stamp(2, 15000));
    QCOMPARE(tickEachSecond(watch, at(10, 0, 5), 1).faces, QStringList{"yellow"});

    // Another change while it flashes is not looked at.
    env.desktop.stampedFiles.clear();
    env.desktop.setFileStamp(SharedFile, stamp(8, 20000));
    const Run flashing = tickEachSecond(watch, at(10, 0, 6), 15);
    QVERIFY(env.desktop.stampedFiles.isEmpty());
    QCOMPARE(watch.dataFileStamp(), std::optional<FileStamp>(stamp(2, 15000)));
    QCOMPARE(flashing.faces.last(), QString("red"));

    // After the click the next check finds it.
    watch.restore();
    const Run after = tickEachSecond(watch, at(10, 0, 21), 5);
    QCOMPARE(after.faces, (QStringList{"normal", "normal", "normal", "normal", "yellow"}));
    QCOMPARE(watch.dataFileStamp(), std::optional<FileStamp>(stamp(8, 20000)));
}

void TestNetworkWatch::unreadableFileSkipsTheTick()
{
    TestEnvironment env;
    NetworkWatch watch;
    watch.start(stamp(1, 10000));
    env.desktop.setFileStamp(SharedFile, std::nullopt);
    Run run = tickEachSecond(watch, at(10, 0, 0), 11);
    QCOMPARE(run.examined, (QStringList{"10:00:00", "10:00:05", "10:00:10"}));
    QCOMPARE(run.faces, QStringList(11, "normal"));
    QCOMPARE(watch.dataFileStamp(), std::optional<FileStamp>(stamp(1, 10000)));

    // Back as it was: nothing to show. Back changed: a change.
    env.desktop.setFileStamp(SharedFile, stamp(1, 10000));
    QCOMPARE(tickEachSecond(watch, at(10, 0, 15), 1).faces, QStringList{"normal"});
    env.desktop.setFileStamp(SharedFile, stamp(1, 5000));
    QCOMPARE(tickEachSecond(watch, at(10, 0, 20), 1).faces, QStringList{"yellow"});

    // A window that started without a file (stamp empty) sees one appear.
    NetworkWatch fresh;
    fresh.start(std::nullopt);
    QCOMPARE(tickEachSecond(fresh, at(10, 0, 25), 1).faces, QStringList{"yellow"});
}

void TestNetworkWatch::replacedFileCountsAsAChange()
{
    TestEnvironment env;
    InitProgramTables();
    const QString path = DataPath(DataFileName);
    QVERIFY(SampleData::WriteDataFile(path, 3, 7));
    const QDateTime written = QFileInfo(path).lastModified();
    NetworkWatch watch;
    watch.start(env.desktop.fileStamp(path));

    // Another workstation's deletion writes the kept records to a work
    // file and renames it over the data file. Even with the old time put
    // back on the new file the watch sees the change (its length).
    const QString temp = env.path("TempFile.$$$");
    QVERIFY(SampleData::WriteDataFile(temp, 2, 7));
    {
        QFile f(temp);
        QVERIFY(f.open(QIODevice::ReadWrite));
        QVERIFY(f.setFileTime(written, QFileDevice::FileModificationTime));
    }
    QVERIFY(QFile::remove(path));
    QVERIFY(QFile::rename(temp, path));
    QCOMPARE(tickEachSecond(watch, at(10, 0, 5), 1, true, false, path).faces,
             QStringList{"yellow"});
    QCOMPARE(watch.dataFileStamp()->size, qint64(10000));

    // Removed, then made again by another workstation's add: the length is
    // back to what the watch saw last, the time is new.
    watch.restore();
    QVERIFY(QFile::remove(path));
    QCOMPARE(tickEachSecond(watch, at(10, 0, 10), 1, true, false, path).faces,
             QStringList{"normal"});
    QTest::qWait(20);
    QVERIFY(SampleData::WriteDataFile(path, 2, 8));
    QCOMPARE(tickEachSecond(watch, at(10, 0, 15), 1, true, false, path).faces,
             QStringList{"yellow"});

    // Where the file system gives the time a file was made, a file put in
    // place of another with the same length and time is a change too.
    watch.restore();
    const FileStamp seen = *watch.dataFileStamp();
    if (!seen.born.isValid())
        QSKIP("this file system gives no time of making a file");
    QTest::qWait(20);
    QVERIFY(SampleData::WriteDataFile(temp, 2, 9));
    {
        QFile f(temp);
        QVERIFY(f.open(QIODevice::ReadWrite));
        QVERIFY(f.setFileTime(seen.modified, QFileDevice::FileModificationTime));
    }
    QVERIFY(QFile::rename(temp, path) || (QFile::remove(path) && QFile::rename(temp, path)));
    QCOMPARE(env.desktop.fileStamp(path)->size, seen.size);
    QCOMPARE(env.desktop.fileStamp(path)->modified, seen.modified);
    QCOMPARE(tickEachSecond(watch, at(10, 0, 20), 1, true, false, path).faces,
             QStringList{"yellow"});
}

void TestNetworkWatch::ownWritesDoNotFlashOthersDo()
{
    TestEnvironment env;
    InitProgramTables();
    CurrentUserName = QStringLiteral("Lee Carter");
    const QString path = DataPath(DataFileName);
    QVERIFY(SampleData::WriteDataFile(path, 2, 3));
    NetworkWatch watch;
    watch.start(env.desktop.fileStamp(path));

    // One add of our own: taken in silently, the stamp moves on.
    EntryRecord e;
    e.CaseNumber = QStringLiteral("26-0001");
    int n = 0;
    QCOMPARE(AppendEntry(e, &n), StoreResult::Ok);
    WatchTick t = watch.tick(at(10, 0, 0), true, false, path);
    QVERIFY(t.examined);
    QVERIFY(t.ownChange);
    QVERIFY(!watch.flashing());
    QCOMPARE(watch.dataFileStamp(), env.desktop.fileStamp(path));
    QVERIFY(PendingOwnWrites().isEmpty());

    // Several of our own in a row (archive, restore, delete): still ours.
    const EntryIdentity id = EntryIdentity::of(ReadAllEntries().at(n - 1));
    QCOMPARE(ArchiveEntry(n, id), StoreResult::Ok);
    QCOMPARE(RestoreEntry(n, id), StoreResult::Ok);
    QCOMPARE(DeleteEntry(n, id), StoreResult::Ok);
    QCOMPARE(PendingOwnWrites().size(), 3);
    t = watch.tick(at(10, 0, 5), true, false, path);
    QVERIFY(t.ownChange);
    QVERIFY(!watch.flashing());

    // Ours, then another workstation's in the same five seconds: flashes.
    QCOMPARE(AppendEntry(e, &n), StoreResult::Ok);
    appendForeignRecord(path, QStringLiteral("other-1"));
    t = watch.tick(at(10, 0, 10), true, false, path);
    QVERIFY(!t.ownChange);
    QCOMPARE(watch.face(), RefreshFace::Yellow);
    watch.restore();

    // Another's first, then ours: the chain from the last stamp seen is
    // broken, so it flashes as well.
    appendForeignRecord(path, QStringLiteral("other-2"));
    const EntryIdentity mine = EntryIdentity::of(ReadAllEntries().at(n - 1));
    QCOMPARE(ArchiveEntry(n, mine), StoreResult::Ok);
    t = watch.tick(at(10, 0, 15), true, false, path);
    QCOMPARE(watch.face(), RefreshFace::Yellow);
    watch.restore();

    // A write refused because the entry changed meanwhile writes nothing
    // and changes nothing.
    EntryIdentity wrong = mine;
    wrong.CaseNumber = QStringLiteral("not it");
    QCOMPARE(ArchiveEntry(n, wrong), StoreResult::Changed);
    t = watch.tick(at(10, 0, 20), true, false, path);
    QVERIFY(!t.ownChange);
    QVERIFY(!watch.flashing());
}

QTEST_GUILESS_MAIN(TestNetworkWatch)
#include "tst_networkwatch.moc"
