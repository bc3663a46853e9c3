// A data folder on a real SMB share mounted twice (scripts/smb-share): a
// client caches a file's size for a second, so records must be counted by
// the server's size or an append is lost; two inventory scanners lose no
// scan. Skipped where the share can not be set up.
#include "FakeDesktop.h"
#include "RunProgram.h"
#include "SampleData.h"
#include "SkipStatus.h"
#include "TestFiles.h"
#include "TestFolder.h"
#include "core/common/DataSet.h"
#include "core/common/FileOps.h"
#include "core/common/RecordFile.h"
#include "core/rules/Inventory.h"

#include <QTemporaryDir>
#include <QtTest>
#include <fcntl.h>
#include <unistd.h>

class TestSmbShare : public QObject
{
    Q_OBJECT
    const QString m_script = QStringLiteral(CUSTORIN_SOURCE_DIR "/scripts/smb-share");
    QTemporaryDir m_root{QDir::tempPath() + "/custorin-smb-XXXXXX"};
    bool m_up = false;
    QStringList mounts;

private slots:
    void initTestCase()
    {
        if (::geteuid() != 0)
            SKIP_HERE("needs root to serve and mount an SMB share");
        const ProgramRun up = RunProgram(m_script, {"up", m_root.path()}, {}, false, 300000);
        m_up = true;
        if (up.status == 3)
            SKIP_HERE(qPrintable("the share can not be set up here: " + up.err.trimmed()));
        QVERIFY2(up.status == 0, up.err.constData());
        mounts = QString::fromLocal8Bit(up.out.trimmed()).split(' ');
        QCOMPARE(mounts.size(), 2);
    }

    void cleanupTestCase()
    {
        if (m_up)
            RunProgram(m_script, {"down", m_root.path()});
    }

    void sizeIsTheServersThroughEitherMount()
    {
        const QString one = mounts[0] + "/Custorin.Data", two = mounts[1] + "/Custorin.Data";

        writeFile(one, QByteArray(5000, 'a'));
        const DataSet mounted(mounts[0]);
        RecordFile first(mounted, one, 5000, 0);
        QVERIFY(first.open(RecordFile::ForReading));
        QCOMPARE(first.recordCount(), 1);
        const int fd = ::open(QFile::encodeName(one).constData(), O_RDONLY);
        QVERIFY(fd >= 0);
        bool isFile = false;
        qint64 size = 0;
        QVERIFY(CurrentFileState(fd, &isFile, &size));
        QCOMPARE(size, 5000);

        {
            QFile file(two);
            QVERIFY(file.open(QIODevice::ReadWrite));
            QVERIFY(file.seek(5000));
            QCOMPARE(file.write(QByteArray(5000, 'b')), 5000);
        }
        QVERIFY(CurrentFileState(fd, &isFile, &size));
        ::close(fd);
        QCOMPARE(size, 10000);
        QVERIFY(isFile);
        RecordFile again(mounted, one, 5000, 0);
        QVERIFY(again.open(RecordFile::ForReading));
        QCOMPARE(again.recordCount(), 2);
        QByteArray record;
        QVERIFY(again.readRecord(2, &record));
        QCOMPARE(record, QByteArray(5000, 'b'));
    }

    void inventoryScansThroughBothMounts()
    {
        TestFolder t;
        const QDir folder(mounts[0] + "/inventory");
        QVERIFY(folder.mkpath("."));
        DataSet ds(folder.path());
        ds.attach(&t.session);
        FolderStore store(ds);
        QVERIFY(SampleData::WriteDataFile(DataPath(ds, DataFileName), 200, 5));
        InventoryEntries entries;
        QVERIFY(LoadInventoryEntries(store, &entries));
        Inventory inv;
        QVERIFY(StartInventory(store, {}, entries, &inv).ok);
        // Both scan the same 40 codes, from either end, each through its
        // own mount.
        QList<QProcess *> workers;
        for (int w = 0; w < 2; ++w) {
            auto *p = new QProcess(this);
            p->start(testTool("store_worker"),
                     {"scan", mounts[w] + "/inventory", inv.id, w == 0 ? "up" : "down", "40"});
            workers.append(p);
        }
        for (QProcess *p : workers) {
            QVERIFY(p->waitForFinished(240000));
            QCOMPARE(p->readAllStandardError(), QByteArray());
            QCOMPARE(p->exitCode(), 0);
        }
        QVERIFY(RefreshInventory(store, &inv));
        QCOMPARE(int(inv.scans.size()), 80);
        QMap<QString, int> twice, seen;
        for (const InventoryScan &s : inv.scans) {
            ++seen[s.code];
            twice[s.code] += s.cls == ScanClass::ScannedTwice;
        }
        QCOMPARE(seen.size(), 40);
        for (auto it = seen.cbegin(); it != seen.cend(); ++it) {
            QCOMPARE(it.value(), 2);
            QCOMPARE(twice.value(it.key()), 1);
        }
    }
};

SKIPPABLE_GUILESS_MAIN(TestSmbShare)
#include "tst_smbshare.moc"
