// A data folder on a real SMB share, mounted twice as two workstations
// mount it (scripts/smb-share: Samba on a loopback address of its own,
// two smbnetfs mounts). A network client remembers a file's size for about
// a second; the size a workstation counts records by must be the server's,
// or a record another workstation just appended is overwritten or lost.
// Reported as skipped where the share can not be set up.
#include "RunProgram.h"
#include "TestFiles.h"
#include "core/common/DataSet.h"
#include "core/common/FileOps.h"
#include "core/common/RecordFile.h"

#include <QTemporaryDir>
#include <QtTest>
#include <fcntl.h>
#include <unistd.h>

class TestSmbShare : public QObject
{
    Q_OBJECT
private slots:
    void sizeIsTheServersThroughEitherMount()
    {
        if (::geteuid() != 0)
            QSKIP("needs root to serve and mount an SMB share");
        const QString script = QStringLiteral(CUSTORIN_SOURCE_DIR "/scripts/smb-share");
        QTemporaryDir root(QDir::tempPath() + "/custorin-smb-XXXXXX");
        const ProgramRun up = RunProgram(script, {"up", root.path()}, {}, false, 300000);
        struct Down {
            QString script, root;
            ~Down() { RunProgram(script, {"down", root}); }
        } down{script, root.path()};
        if (up.status == 3)
            QSKIP(qPrintable("the share can not be set up here: " + up.err.trimmed()));
        QVERIFY2(up.status == 0, up.err.constData());
        const QStringList mounts = QString::fromLocal8Bit(up.out.trimmed()).split(' ');
        QCOMPARE(mounts.size(), 2);
        const QString one = mounts[0] + "/Custorin.Data", two = mounts[1] + "/Custorin.Data";

        // Workstation one reads a file of one record and keeps it open.
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

        // Workstation two appends a record; at once, one sees it.
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
};

QTEST_GUILESS_MAIN(TestSmbShare)
#include "tst_smbshare.moc"
