// A data folder shared by several workstations: the folder lock between
// processes, concurrent adds and deletes, a deletion killed at any moment,
// short reads, retried removal and rename with injected errors, the lock
// changing hands while it is looked at, and two operating-system accounts.
#include "DataSetBytes.h"
#include "RunProgram.h"
#include "SampleData.h"
#include "SkipStatus.h"
#include "TestBytes.h"
#include "TestFolder.h"
#include "core/common/ActivityLog.h"
#include "core/common/FileOps.h"
#include "core/common/FolderLock.h"
#include "core/common/RecordFile.h"
#include "core/entries/EntryStore.h"
#include "core/users/UserFile.h"

#include <QElapsedTimer>
#include <QHash>
#include <QProcess>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QtTest>
#include <cerrno>
#include <csignal>
#include <unistd.h>

namespace
{

const QString Worker = testTool("store_worker");

// Two lines another workstation wrote earlier (54 and 56 bytes).
const QByteArray kEarlier = "12/07/2026 at 06:00:00 - Control#00001 edited by Lee\r\n"
                            "12/07/2026 at 06:00:01 - Control#00001 archived by Lee\r\n";

QByteArray threeRecords()
{
    return entryBytes("A-1", 1, 1, "first") + entryBytes("B-2", 2, 2, "second") +
           entryBytes("C-3", 3, 1, "third");
}

struct Holder {
    QProcess process;
    void start(const QString &folder, int holdMs, const QStringList &more = {})
    {
        process.start(testTool("lock_holder"), QStringList{folder, QString::number(holdMs)} + more);
        QVERIFY(process.waitForStarted() && process.waitForReadyRead(10000));
        QVERIFY(process.readLine().startsWith("HELD "));
    }
    QByteArray finish()
    {
        process.waitForFinished(30000);
        return process.readAllStandardOutput();
    }
};

void quickLock(TestEnvironment &env, int waitMs, int heartbeatMs, int staleMs)
{
    env.data.options.LockWaitMs = waitMs;
    env.data.options.LockHeartbeatMs = heartbeatMs;
    env.data.options.LockStaleMs = staleMs;
}

QStringList lockEntries(const QString &folder)
{
    return QDir(folder).entryList({QStringLiteral("Custorin.lock*")},
                                  QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot);
}

struct FaultHook {
    FaultHook(TestEnvironment &env, FileFaultHook hook) : env(env)
    {
        env.setFaultHook(std::move(hook));
    }
    ~FaultHook() { env.setFaultHook({}); }
    TestEnvironment &env;
};

QStringList caseNumbers(const QByteArray &file)
{
    QStringList cases;
    for (qint64 at = 0; at + 5000 <= file.size(); at += 5000)
        cases << QString::fromLatin1(file.mid(at + 10, 15)).trimmed();
    return cases;
}

} // namespace

class TestSharedFolder : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase()
    {
        QVERIFY(QFileInfo(testTool("lock_holder")).isExecutable() &&
                QFileInfo(Worker).isExecutable());
    }
    void concurrentAddsAndDeletesLoseNothing()
    {
        TestEnvironment env;
        const QString data = env.path("Custorin.Data");
        QVERIFY(SampleData::WriteDataFile(data, 40, 11));
        QHash<QString, int> expected; // case number -> copies expected in the file
        for (const QString &c : caseNumbers(readFile(data)))
            ++expected[c];
        QProcess workers[5];
        for (int i = 0; i < 4; ++i)
            workers[i].start(Worker, {"append", env.folder(), "w" + QString::number(i + 1), "200"});
        workers[4].start(Worker, {"delete", env.folder(), "60", "5"});
        // Refusals are allowed (a folder busy for too long) but reported; every
        // change has its log line.
        int added = 0, deleted = 0;
        for (int i = 0; i < 5; ++i) {
            QVERIFY(workers[i].waitForFinished(120000));
            QCOMPARE(workers[i].exitCode(), 0);
            const QList<QByteArray> lines = workers[i].readAllStandardOutput().split('\n');
            QVERIFY(i == 4 || lines.size() == 201);
            for (const QByteArray &line : lines) {
                const QString c = QString::fromLatin1(line.mid(line.indexOf(' ') + 1));
                if (line.startsWith("ADDED ")) {
                    ++expected[c];
                    ++added;
                } else if (line.startsWith("DELETED ")) {
                    --expected[c];
                    ++deleted;
                }
            }
        }
        QVERIFY(added > 0 && deleted > 0);

        const QByteArray file = readFile(data);
        QCOMPARE(file.size() % 5000, 0);
        QHash<QString, int> found;
        for (const QString &c : caseNumbers(file))
            ++found[c];
        expected.removeIf([](QHash<QString, int>::iterator it) { return it.value() == 0; });
        QCOMPARE(found, expected); // nothing lost, nothing twice, nothing from nowhere
        QVERIFY(!QFile::exists(env.path("TempFile.$$$")));

        const QByteArray log = readFile(env.path("DataRecords.Log"));
        QCOMPARE(int(log.count('\n')), added + deleted);
        QCOMPARE(int(log.count(" added by w") + log.count(" deleted by deleter")), added + deleted);
    }

    void deletionKilledAtAnyMomentLeavesAWholeFile()
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
    }

    void lockExcludesAnotherProcessAndNamesItsHolder()
    {
        TestFolder env;
        quickLock(env, 300, 100, 5000);
        Holder other;
        other.start(env.folder(), 1500, {"100", "5000", "ws-front", "Lee Carter"});
        const QByteArray owner = env.read("Custorin.lock/owner");
        QVERIFY2(owner.startsWith("token=") && owner.contains("\nhost=ws-front\nboot=") &&
                     owner.contains("\npid=" + QByteArray::number(other.process.processId()) +
                                    "\nprogram=lock_holder\naccount="),
                 owner.constData());
        FolderLock mine(env.data);
        QVERIFY(!mine.tryAcquire());
        QVERIFY(!mine.acquire()); // never asks
        QCOMPARE(mine.failure(), 0);
        const QString busy = "Another workstation is saving changes to the\r\ndata files in this "
                             "folder right now:\r\nLee Carter at workstation 'ws-front'.\r\n\r\n"
                             "Nothing has been changed yet. | &Retry/&Cancel";
        QCOMPARE(mine.refusal().text + " | " + mine.refusal().buttons.join('/'), busy);
        // A user change asks nothing either: the question is left on the
        // data set for the window.
        UserRecord pat;
        pat.FirstName = "Pat";
        QCOMPARE(AppendUser(env.data, pat), UserResult::Busy);
        QVERIFY(env.desktop.msgBoxes.isEmpty());
        const MsgBoxRequest left = env.data.lockRefusal.value_or(MsgBoxRequest());
        QCOMPARE(left.title + " | " + left.text + " | " + left.buttons.join('/'),
                 "Data folder busy | " + busy);
        const MsgBoxRequest unwritable = DataFolderUnwritableMessage(env.data);
        QCOMPARE(unwritable.title + " | " + unwritable.text + " | " + unwritable.buttons.join('/') +
                     QString::number(unwritable.icon),
                 "Data folder busy | The data folder can not be written to:\r\n" +
                     env.data.path(QString()) +
                     "\r\n\r\nNothing has been changed. | &Retry/&Cancel4");
        const QByteArray out = other.finish();
        QVERIFY2(out.contains("RELEASED") && out.contains(" own"), out.constData());
        QVERIFY(lockEntries(env.folder()).isEmpty());

        QVERIFY(mine.tryAcquire() && mine.stillHeld());
        const QByteArray theirs = "token=ffff\nhost=ws-other\npid=9\n";
        env.write("Custorin.lock/owner", theirs);
        QVERIFY(!mine.stillHeld());
        mine.release();
        QCOMPARE(env.read("Custorin.lock/owner"), theirs);
    }

    void deadHolderIsTakenOver()
    {
        TestFolder env;
        {
            quickLock(env, 100, 100, 5000);
            Holder local;
            local.start(env.folder(), 60000);
            local.process.kill();
            local.process.waitForFinished();
            FolderLock mine(env.data);
            QVERIFY(mine.tryAcquire());
        }
        QVERIFY(lockEntries(env.folder()).isEmpty());
        {
            // A holder on another computer whose beat stopped: taken over once
            // its lock has stayed unchanged for the stale time, not before;
            // a lock moved aside by a taker that died first goes too.
            quickLock(env, 100, 100, 1000);
            QVERIFY(env.block("Custorin.lock.orphan-1f.stale"));
            env.write("Custorin.lock.orphan-1f.stale/owner", "token=77\nhost=gone\n");
            Holder remote;
            remote.start(env.folder(), 60000, {"100", "1000", "other-host"});
            ::kill(pid_t(remote.process.processId()), SIGKILL);
            remote.process.waitForFinished();
            FolderLock mine(env.data);
            QElapsedTimer timer;
            timer.start();
            while (!mine.tryAcquire())
                QThread::msleep(20);
            QVERIFY2(timer.elapsed() >= 900 && timer.elapsed() < 4000,
                     qPrintable(QString::number(timer.elapsed())));
            QVERIFY(mine.stillHeld());
        }
        QVERIFY(lockEntries(env.folder()).isEmpty());
    }

    void heartbeatKeepsASlowHolder()
    {
        TestFolder env;
        quickLock(env, 100, 100, 600);
        Holder slow;
        slow.start(env.folder(), 3000, {"100", "600", "other-host"});
        FolderLock mine(env.data);
        QElapsedTimer timer;
        timer.start();
        int attempts = 0;
        while (slow.process.state() == QProcess::Running && timer.elapsed() < 2500) {
            QVERIFY2(!mine.tryAcquire(), "a live holder's lock was taken over");
            ++attempts;
            QThread::msleep(50);
        }
        QVERIFY(attempts > 20);
        QVERIFY(slow.finish().contains(" own\n"));
        QVERIFY(mine.tryAcquire());
    }

    void twoTakersOfOneStaleLockGiveOneWinner()
    {
        TestFolder env;
        const auto stamp = [](const QByteArray &line) {
            return line.split(' ').value(1).toLongLong();
        };
        for (int round = 0; round < 3; ++round) {
            QVERIFY(env.block("Custorin.lock"));
            env.write("Custorin.lock/owner",
                      "token=00000000000000000000000000000abc\nhost=gone-host\nboot=x\npid=1\n");
            env.write("Custorin.lock/beat", "00000000000000000007\n");
            Holder first, second;
            const QStringList args{env.folder(), "500", "50", "400",
                                   "ws-" + QString::number(round)};
            first.process.start(testTool("lock_holder"), args);
            second.process.start(testTool("lock_holder"), args);
            QList<QByteArray> a = first.finish().split('\n'), b = second.finish().split('\n');
            QVERIFY(a[0].startsWith("HELD") && b[0].startsWith("HELD"));
            QVERIFY(a[1].endsWith(" own") && b[1].endsWith(" own"));
            if (stamp(b[0]) < stamp(a[0]))
                std::swap(a, b);
            QVERIFY2(stamp(b[0]) >= stamp(a[1]), (a.join('|') + " / " + b.join('|')).constData());
            QVERIFY(lockEntries(env.folder()).isEmpty());
        }
    }

    // The lock changing hands while this workstation looks at it: what it
    // wrote is read back before it counts as its own, and a taker moves only
    // the lock it judged stale. The hook runs before the file call it names
    // and holds the hook's own mutex, so it changes the lock with QFile.
    void lockChangingHandsIsLeftToItsHolder()
    {
        TestFolder env;
        const QString lock = env.path("Custorin.lock");
        const QByteArray fresh = "token=00000000000000000000000000000f00\nhost=ws-fresh\npid=7\n";
        const auto putFresh = [&] {
            QFile owner(lock + "/owner");
            return owner.open(QIODevice::WriteOnly) && owner.write(fresh) == fresh.size();
        };
        const auto staleLock = [&] {
            QDir(lock).removeRecursively();
            QDir().mkdir(lock);
            env.write("Custorin.lock/owner", "token=0000000000000000000000000000dead\nhost=gone\n");
            env.write("Custorin.lock/beat", "00000000000000000009\n");
        };
        {
            // Another workstation took it over between this one's mkdir and
            // its read-back.
            bool changed = false;
            FaultHook hook(env, [&](FileOp op, const QString &path) {
                if (op == FileOp::Read && path == lock + "/owner" && !changed)
                    changed = putFresh();
                return 0;
            });
            FolderLock mine(env.data);
            QVERIFY(!mine.tryAcquire());
            QVERIFY(changed);
            QVERIFY(!mine.isHeld());
        }
        QCOMPARE(env.read("Custorin.lock/owner"), fresh);

        quickLock(env, 0, 100, 0); // every lock seen is stale at once
        bool changed = false;
        int lockRenames = 0;
        staleLock();
        {
            // Judged stale, then a fresh holder's before the rename: never moved,
            // not even for a moment in which a third workstation could make
            // its own.
            FaultHook hook(env, [&](FileOp op, const QString &path) {
                // Its owner was read, now its beat: then the fresh holder's.
                if (op == FileOp::Read && path == lock + "/beat" && !changed)
                    changed = putFresh();
                lockRenames += op == FileOp::Rename && path == lock;
                return 0;
            });
            FolderLock mine(env.data);
            QVERIFY(!mine.tryAcquire());
        }
        QVERIFY(changed);
        QCOMPARE(lockRenames, 0);
        QCOMPARE(env.read("Custorin.lock/owner"), fresh);

        staleLock();
        {
            // Another taker removed the stale lock and a fresh holder made its
            // own just before this taker's rename: the fresh one is put back.
            FaultHook hook(env, [&](FileOp op, const QString &path) {
                if (op == FileOp::Rename && path == lock && ++lockRenames == 1) {
                    QDir(lock).removeRecursively();
                    QDir().mkdir(lock);
                    putFresh();
                }
                return 0;
            });
            FolderLock mine(env.data);
            QVERIFY(!mine.tryAcquire());
            QVERIFY(!mine.isHeld());
        }
        QCOMPARE(lockRenames, 1);
        QCOMPARE(env.read("Custorin.lock/owner"), fresh);
        QCOMPARE(lockEntries(env.folder()), QStringList{"Custorin.lock"});
    }

    void shortReadIsAnError()
    {
        TestFolder env;
        const QByteArray three = threeRecords();
        env.write("Custorin.Data", three + three.left(2499)); // 3 records and a half
        RecordFile file(env.data, env.path("Custorin.Data"), 5000, 0);
        QVERIFY(file.open(RecordFile::ForReading));
        QCOMPARE(file.recordCount(), 3); // 17,499 bytes
        QByteArray record;
        QVERIFY(file.readRecord(2, &record));
        QCOMPARE(record, three.mid(5000, 5000));

        // Another process cuts the file while it is open: the bytes it held
        // are gone, and nothing is made up for them.
        QVERIFY(::truncate(QFile::encodeName(env.path("Custorin.Data")).constData(), 7500) == 0);
        QVERIFY(file.readRecord(1, &record));
        QVERIFY(!file.readRecord(2, &record));
        QCOMPARE(record, QByteArray(5000, '\0'));
        int visited = 0;
        QVERIFY(!file.forEachRecord(1, [&](int, const char *) { return ++visited > 0; }));
        QCOMPARE(visited, 1);

        // Under the lock: each read is tried once more on a fresh open, then
        // nothing is changed.
        env.write("Custorin.Data", three);
        int reads = 0;
        FaultHook hook(env, [&](FileOp op, const QString &path) {
            return op == FileOp::Read && path.endsWith("/Custorin.Data") ? ++reads, EIO : 0;
        });
        EntryRecord edited;
        QCOMPARE(SaveEditedEntry(env.data, 2, {2, "B-2"}, edited), StoreResult::IoError);
        QCOMPARE(reads, 2);
        QCOMPARE(env.read("Custorin.Data"), three);
        QVERIFY(!env.exists("DataRecords.Log") && lockEntries(env.folder()).isEmpty());
    }

    void refusedRemovalAndRenameAreRetried()
    {
        TestFolder env;
        const QByteArray three = threeRecords();
        env.data.options.ShareRetryMs = 300;
        // The share refuses the first tries, as right after a close (only the
        // data set's files: the lock's own are not in question).
        env.write("Custorin.Data", three);
        {
            QMap<FileOp, int> refused;
            QStringList work; // the work file flushed, then renamed over the data file
            FaultHook hook(env, [&](FileOp op, const QString &path) {
                if (path.endsWith("/TempFile.$$$") && (op == FileOp::Sync || op == FileOp::Rename))
                    work << (op == FileOp::Sync ? "sync" : "rename");
                if ((op != FileOp::Rename && op != FileOp::Unlink) ||
                    path.contains("Custorin.lock"))
                    return 0;
                return refused[op]++ < 2 ? EBUSY : 0;
            });
            QCOMPARE(DeleteEntry(env.data, 2, {2, "B-2"}), StoreResult::Ok);
            QCOMPARE(refused[FileOp::Rename], 3);
            QVERIFY(refused[FileOp::Unlink] >= 3);
            QCOMPARE(work.join(' '), QStringLiteral("sync rename rename rename"));
        }
        const QByteArray two = three.left(5000) + three.mid(10000);
        QCOMPARE(env.read("Custorin.Data"), two);
        const QByteArray log = env.read("DataRecords.Log");
        QVERIFY(log.endsWith(" - Control#00002 deleted by Pat Doe\r\n"));
        QVERIFY(!env.exists("TempFile.$$$") && lockEntries(env.folder()).isEmpty());

        {
            FaultHook hook(env, [](FileOp op, const QString &path) {
                return op == FileOp::Sync && path.endsWith("/TempFile.$$$") ? EIO : 0;
            });
            QCOMPARE(DeleteEntry(env.data, 1, {1, "A-1"}), StoreResult::IoError);
        }
        QCOMPARE(env.read("Custorin.Data"), two);
        QCOMPARE(env.read("DataRecords.Log"), log);
        QVERIFY(!env.exists("TempFile.$$$") && lockEntries(env.folder()).isEmpty());
    }

    // A failed change takes back only its own line, and only while its lock
    // is its own: never another workstation's line, and never to a length
    // the log no longer reaches (which filled it out with zero bytes).
    void failedChangeTakesBackOnlyItsOwnLine_data()
    {
        QTest::addColumn<QByteArray>("theirs"); // appended after a takeover
        QTest::addColumn<int>("cutTo");         // by a stale holder's undo
        QTest::addColumn<QByteArray>("expected");
        QTest::addColumn<QByteArray>("data");
        const QByteArray mine = "12/04/2026 at 22:45:10 - Control#00002 edited by Pat Doe\r\n";
        const QByteArray theirs = "12/07/2026 at 06:00:02 - Control#00003 added by Lee\r\n";
        const QByteArray theirData = threeRecords().replace(5010, 3, "C-2");
        QTest::newRow("nothing") << QByteArray() << -1 << kEarlier << threeRecords();
        QTest::newRow("taken over") << theirs << -1 << kEarlier + mine + theirs << theirData;
        QTest::newRow("cut short meanwhile")
            << QByteArray() << 54 << kEarlier.left(54) << threeRecords();
    }

    void failedChangeTakesBackOnlyItsOwnLine()
    {
        QFETCH(QByteArray, theirs);
        QFETCH(int, cutTo);
        QFETCH(QByteArray, expected);
        QFETCH(QByteArray, data);
        TestFolder env(QDateTime(QDate(2026, 12, 4), QTime(22, 45, 10)));
        env.write("Custorin.Data", threeRecords());
        env.write("DataRecords.Log", kEarlier);
        const QString log = env.path("DataRecords.Log");
        bool done = false;
        FaultHook hook(env, [&](FileOp op, const QString &path) {
            if (op != FileOp::Write || !path.endsWith("/Custorin.Data") || done)
                return 0;
            done = true; // the edit's write fails; the undo's may go through
            QFile::setPermissions(log, QFile::ReadOwner | QFile::WriteOwner);
            if (!theirs.isEmpty()) {
                env.write("Custorin.lock/owner", "token=ffff\nhost=ws-other\npid=9\n");
                env.write("DataRecords.Log", env.read("DataRecords.Log") + theirs);
                env.write("Custorin.Data", data); // their record 2, not to be undone
            }
            if (cutTo >= 0)
                (void)::truncate(QFile::encodeName(log).constData(), cutTo);
            return EIO;
        });
        EntryRecord edited;
        QCOMPARE(SaveEditedEntry(env.data, 2, {2, "B-2"}, edited), StoreResult::IoError);
        QCOMPARE(env.read("DataRecords.Log"), expected);
        QCOMPARE(env.read("Custorin.Data"), data);
    }

    // Taken over during its compaction: a deletion writes nothing more. Its
    // mark stays for the next compaction, with its line; the work file may be
    // the new holder's.
    void takenOverDeletionWritesNothingMore()
    {
        TestFolder env;
        env.write("Custorin.Data", threeRecords());
        FaultHook hook(env, [&](FileOp op, const QString &path) {
            if (op == FileOp::Sync && path.endsWith("/TempFile.$$$"))
                env.write("Custorin.lock/owner", "token=ffff\nhost=ws-other\npid=9\n");
            return 0;
        });
        QCOMPARE(DeleteEntry(env.data, 2, {2, "B-2"}), StoreResult::Ok);
        QCOMPARE(env.read("Custorin.Data"), threeRecords().replace(5010, 15, "$Killed$       "));
        QVERIFY(env.read("DataRecords.Log").endsWith(" - Control#00002 deleted by Pat Doe\r\n"));
        QVERIFY(env.exists("TempFile.$$$"));
    }

    void twoAccountsShareAGroupFolder()
    {
        if (::geteuid() != 0)
            SKIP_HERE(
                "needs root: creates two operating-system accounts to run the workstations as");
        if (QStandardPaths::findExecutable("useradd").isEmpty() ||
            QStandardPaths::findExecutable("setpriv").isEmpty())
            SKIP_HERE("needs useradd and setpriv");
        const QString group = "custorin-share";
        RunProgram("groupadd", {"-f", group});
        for (const char *user : {"custorin-ws1", "custorin-ws2"}) // refused when there already
            RunProgram("useradd", {"-M", "-N", "-g", group, "-s", "/usr/sbin/nologin", user});
        QTemporaryDir base(QDir::tempPath() + "/custorin-accounts-XXXXXX");
        QVERIFY(QFile::setPermissions(
            base.path(), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner | QFile::ReadOther |
                             QFile::ExeOther | QFile::ReadGroup | QFile::ExeGroup));
        const QString worker = base.filePath("store_worker"), folder = base.filePath("data");
        QVERIFY(QFile::copy(testTool("store_worker"), worker) && QDir().mkdir(folder));
        QCOMPARE(RunProgram("chown", {"root:" + group, folder}).status, 0);
        const auto as = [&](const QString &user, const QString &name) {
            return RunProgram(
                "setpriv", {"--reuid=" + user, "--regid=" + group, "--init-groups", "sh", "-c",
                            "umask 002; exec \"$0\" append \"$1\" \"$2\" 2", worker, folder, name});
        };
        // Group-writable folder: the logs each leaves read-only do not stop the
        // other.
        QCOMPARE(RunProgram("chmod", {"2775", folder}).status, 0);
        QByteArray all;
        for (const auto &[user, name] :
             {std::pair{"custorin-ws1", "one"}, {"custorin-ws2", "two"}, {"custorin-ws1", "three"}})
            all += as(user, name).out;
        QCOMPARE(all, QByteArray("ADDED one-0\nADDED one-1\nADDED two-0\nADDED two-1\n"
                                 "ADDED three-0\nADDED three-1\n"));
        QCOMPARE(readFile(folder + "/DataRecords.Log").count(" added by "), 6);
        QCOMPARE(QFileInfo(folder + "/Custorin.Data").size(), 30000);
        QVERIFY(datasetbytes::isReadOnly(folder + "/DataRecords.Log"));

        // A folder where only a file's owner may replace it: the other account
        // is told whose log it is.
        QCOMPARE(RunProgram("chmod", {"3775", folder}).status, 0);
        const QByteArray out = as("custorin-ws2", "four").out;
        QVERIFY2(
            out.startsWith("FAILED four-0 5\nTEXT The activity log 'DataRecords.Log' can not be"
                           " / written to in the data folder: / " +
                           QFile::encodeName(folder) +
                           " /  / It belongs to the account 'custorin-ws1', and this / program "
                           "runs as the account 'custorin-ws2'. /  / Nothing has been changed.\n"),
            out.constData());
        QCOMPARE(QFileInfo(folder + "/Custorin.Data").size(), 30000);
    }
};

SKIPPABLE_GUILESS_MAIN(TestSharedFolder)
#include "tst_sharedfolder.moc"
