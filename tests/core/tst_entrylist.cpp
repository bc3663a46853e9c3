// The entry list read ahead while the title and sign-in windows are up:
// taken when the data file is as it was, read anew when it changed.
#include "FakeDesktop.h"
#include "core/common/Globals.h"
#include "core/entries/DataFile.h"
#include "core/entries/EntryList.h"

#include <QtTest>

class TestEntryList : public QObject
{
    Q_OBJECT

    static QString listed(const EntryListData &data)
    {
        QStringList rows;
        for (const EntryListRow &r : data.rows)
            rows << QStringLiteral("%1:%2/%3")
                        .arg(r.recordNumber)
                        .arg(data.caseNumber(r), data.category(r));
        return rows.join(' ');
    }

private slots:
    void readAheadTakenOnlyWhileTheFileIsUnchanged_data()
    {
        QTest::addColumn<bool>("change");
        QTest::addColumn<bool>("archived");
        QTest::addColumn<QString>("expected");
        QTest::addColumn<int>("sortedBy");
        QTest::addColumn<int>("written"); // seconds from now
        QTest::newRow("unchanged: date order") << false << false
                                               << "3:C-3/Tools 2:C-2/Bicycle "
                                                  "1:C-1/Tools"
                                               << 0 << -3600;
        QTest::newRow("record rewritten since")
            << true << false << "1:C-1/Tools 2:NEW/Bicycle 3:C-3/Tools" << -1 << -3600;
        QTest::newRow("archived list") << false << true << "4:C-4/Tools" << -1 << -3600;
        // Not settled when the list is read: dropped, not waited for.
        QTest::newRow("written just now")
            << false << false << "1:C-1/Tools 2:C-2/Bicycle 3:C-3/Tools" << -1 << 3600;
    }

    void readAheadTakenOnlyWhileTheFileIsUnchanged()
    {
        QFETCH(bool, change);
        QFETCH(bool, archived);
        QFETCH(int, written);
        TestEnvironment env;
        QByteArray bytes;
        for (int i = 1; i <= 4; ++i) {
            EntryRecord e;
            e.CaseNumber = QStringLiteral("C-%1").arg(i);
            e.Category = i == 2 ? QStringLiteral("Bicycle") : QStringLiteral("Tools");
            e.ReceivedDate = 40000 - i; // the last entry first by date
            e.Status = i == 4 ? 2 : 1;
            bytes += e.Pack();
        }
        QFile file(env.path(DataFileName));
        QVERIFY(file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size());
        // Written long ago: a write now moves its modification time.
        QVERIFY(file.setFileTime(QDateTime::currentDateTime().addSecs(written),
                                 QFileDevice::FileModificationTime));
        file.close();

        StartEntryListAhead(env.data);
        if (written < 0)
            QVERIFY(WaitForEntryListAhead(env.data));
        if (change) {
            DataFile data(env.data);
            QVERIFY(data.open(DataFile::ForWriting));
            EntryRecord e = data.read(2);
            e.CaseNumber = QStringLiteral("NEW");
            QVERIFY(data.write(2, e));
        }
        EntryListData data;
        QVERIFY(ReadEntryList(env.data, archived, ListMode::AllEntries, {}, &data));
        QTEST(listed(data), "expected");
        QTEST(data.sortedBy, "sortedBy");
        QCOMPARE(env.data.RecordCount, 4);
        QCOMPARE(data.activeCount, 3);
        // Sorted by category from either read: equal keys in the file's order.
        SortEntryRows(data, 2);
        QCOMPARE(listed(data).section(' ', 0, 0), archived ? "4:C-4/Tools"
                                                  : change ? "2:NEW/Bicycle"
                                                           : "2:C-2/Bicycle");
        if (!archived)
            QCOMPARE(listed(data).section(' ', 1), "1:C-1/Tools 3:C-3/Tools");
        // The current list takes the read ahead; the archived one leaves it.
        QCOMPARE(!env.data.listAhead, !archived);
        DropEntryListAhead(env.data);
    }
};

QTEST_GUILESS_MAIN(TestEntryList)
#include "tst_entrylist.moc"
