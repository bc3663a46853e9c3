// The watch behind the Refresh button: when it looks at the data file, the
// faces it shows, the sound, and which changes count (not our own writes).
#include "FakeDesktop.h"
#include "SampleData.h"
#include "core/common/Globals.h"
#include "core/entries/EntryStore.h"
#include "core/entries/OwnWrites.h"
#include "core/rules/NetworkWatch.h"

#include <QFile>
#include <QFileInfo>
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

// Per tick the face after it (n normal, y yellow, r red, g green), "L" when
// it looked at the file, "S" when it wanted the sound.
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
        env.desktop.setFileStamp(SharedFile, stamp(3, 10000)); // the time, not the length
        // Found at the next check second; red and green in turn, not looking.
        QCOMPARE(seconds(watch, at(0, 33), 8), QStringLiteral("n n yL r g r g r"));
        QCOMPARE(watch.dataFileStamp(), std::optional<FileStamp>(stamp(3, 10000)));
        env.desktop.setFileStamp(SharedFile, stamp(8, 20000));
        QVERIFY(!seconds(watch, at(0, 41), 10).contains('L'));
        QCOMPARE(watch.dataFileStamp(), std::optional<FileStamp>(stamp(3, 10000)));
        // The click: normal again; the next check finds the later change.
        watch.restore();
        QCOMPARE(seconds(watch, at(1, 1), 5), QStringLiteral("n n n n yL"));
        QCOMPARE(watch.dataFileStamp(), std::optional<FileStamp>(stamp(8, 20000)));
        // Unreadable, then back as it was: nothing; a file appearing: a change.
        watch.restore();
        env.desktop.setFileStamp(SharedFile, std::nullopt);
        QCOMPARE(seconds(watch, at(1, 10), 1), QStringLiteral("nL"));
        env.desktop.setFileStamp(SharedFile, stamp(8, 20000));
        QCOMPARE(seconds(watch, at(1, 15), 1), QStringLiteral("nL"));
        NetworkWatch fresh;
        fresh.start(std::nullopt);
        QCOMPARE(seconds(fresh, at(1, 20), 1), QStringLiteral("yL"));
    }

    void lateTicksAndSoundSeconds()
    {
        TestEnvironment env;
        env.desktop.setFileStamp(SharedFile, stamp(2, 15000));
        // A busy machine: a tick late by a second still looks (and sounds), a
        // second tick in one second does not, after a pause only its own counts.
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

    void replacedFileAndOwnWrites()
    {
        TestEnvironment env;
        InitProgramTables();
        CurrentUserName = QStringLiteral("Lee Carter");
        // A work file renamed over the data file with the old time: a change.
        const QString path = DataPath(DataFileName), temp = env.path("TempFile.$$$");
        QVERIFY(SampleData::WriteDataFile(path, 3, 7));
        NetworkWatch watch;
        watch.start(env.desktop.fileStamp(path));
        QVERIFY(SampleData::WriteDataFile(temp, 2, 7));
        QFile f(temp);
        QVERIFY(f.open(QIODevice::ReadWrite));
        QVERIFY(f.setFileTime(QFileInfo(path).lastModified(), QFileDevice::FileModificationTime));
        f.close();
        QVERIFY(QFile::remove(path) && QFile::rename(temp, path));
        QCOMPARE(ticks(watch, {at(0, 0)}, true, false, path), QStringLiteral("yL"));
        QCOMPARE(watch.dataFileStamp()->size, qint64(10000));
        watch.restore();

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
        QVERIFY(watch.tick(at(0, 5), true, false, path).ownChange);
        QCOMPARE(watch.dataFileStamp(), env.desktop.fileStamp(path));
        QVERIFY(PendingOwnWrites().isEmpty());
        const EntryIdentity id = EntryIdentity::of(ReadAllEntries().at(n - 1));
        QCOMPARE(ArchiveEntry(n, id), StoreResult::Ok);
        QCOMPARE(DeleteEntry(n, id), StoreResult::Ok);
        QCOMPARE(PendingOwnWrites().size(), 2);
        QCOMPARE(ticks(watch, {at(0, 10)}, true, false, path), QStringLiteral("nL"));
        // Ours and another workstation's in one check, either order: a change.
        QCOMPARE(AppendEntry(e, &n), StoreResult::Ok);
        appendForeign();
        QCOMPARE(ticks(watch, {at(0, 15)}, true, false, path), QStringLiteral("yL"));
        watch.restore();
        appendForeign();
        const EntryIdentity mine = EntryIdentity::of(ReadAllEntries().at(n - 1));
        QCOMPARE(ArchiveEntry(n, mine), StoreResult::Ok);
        QCOMPARE(ticks(watch, {at(0, 20)}, true, false, path), QStringLiteral("yL"));
    }
};

QTEST_GUILESS_MAIN(TestNetworkWatch)
#include "tst_networkwatch.moc"
