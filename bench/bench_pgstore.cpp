// The database store beside the folder store, in one run: the Active List
// of 100,000 entries on a PostgreSQL server on this machine (the folder at
// its limit of 32,767), a text search over them, one add, and the memory
// held with the large list loaded. Medians of five runs.
#include "BenchSupport.h"
#include "FakeDesktop.h"
#include "PgCluster.h"
#include "core/store/pg/PgSchema.h"
#include "core/store/pg/PgStore.h"

#include <QFile>
#include <QVector>
#include <cstdio>
#include <cstring>
#include <functional>

namespace
{

double medianMs(const std::function<void()> &body, int runs = 5)
{
    QVector<double> times;
    for (int i = 0; i < runs; ++i) {
        QElapsedTimer t;
        t.start();
        body();
        times << ms(t);
    }
    return median(times);
}

EntryFilter finds(const char *text)
{
    return [text](const char *record) {
        return memmem(record, EntryRecordLength, text, std::strlen(text)) != nullptr;
    };
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    PgCluster server;
    QString why;
    if (!server.start(&why)) {
        std::printf("bench_pgstore: no PostgreSQL server here (%s); nothing measured\n",
                    qPrintable(why));
        return 0;
    }
    server.psql("postgres", "CREATE DATABASE bench");
    QString message;
    if (!InitDatabase(server.conninfo("bench"), &message)) {
        std::printf("bench_pgstore: %s\n", qPrintable(message));
        return 1;
    }
    constexpr int kDatabaseEntries = 100000;
    server.psql("bench",
                QStringLiteral("INSERT INTO entries (version_stamp, control_number, case_number, "
                               "location, category, brand_name, model_number, serial_number, "
                               "description, value, owner, received_from, received_date, "
                               "released_to, released_date, defendant, reserved1, reserved2, "
                               "reserved3, narrative, chain_of_custody, status) "
                               "SELECT 911, 46000 + i / 1000.0, 'C-' || i, 'Shelf ' || i % 50, "
                               "'Category ' || i % 20, 'Brand', 'M-' || i, 'S-' || i, "
                               "'Item number ' || i, i * 100, 'Owner ' || i, 'Officer', 46000, "
                               "'', 0, '', '', '', '', repeat('Narrative text. ', 20), "
                               "'Logged in', CASE WHEN i % 10 = 0 THEN 2 ELSE 1 END "
                               "FROM generate_series(1, %1) i")
                    .arg(kDatabaseEntries));
    server.psql("bench", "VACUUM ANALYZE entries");

    TestEnvironment env;
    {
        QFile f(env.path("Custorin.Data"));
        f.open(QIODevice::WriteOnly);
        for (int i = 1; i <= MaxEntryCount; ++i) {
            EntryRecord e;
            e.VersionStamp = 911;
            e.ControlNumber = 46000 + i / 1000.0;
            e.CaseNumber = QStringLiteral("C-%1").arg(i);
            e.Category = QStringLiteral("Category %1").arg(i % 20);
            e.Description = QStringLiteral("Item number %1").arg(i);
            e.Narrative = QStringLiteral("Narrative text. ").repeated(20);
            e.Status = i % 10 == 0 ? 2 : 1;
            f.write(e.Pack());
        }
    }
    DataSet pgData;
    pgData.attach(&env.session);
    PgStore database(pgData, server.conninfo("bench"));
    if (!database.connect(&why)) {
        std::printf("bench_pgstore: %s\n", qPrintable(why));
        return 1;
    }

    EntryListData list;
    const double folderList =
        medianMs([&] { env.store.readEntryList(false, ListMode::AllEntries, {}, &list); });
    const int folderListed = int(list.rows.size());
    const double databaseList =
        medianMs([&] { database.readEntryList(false, ListMode::AllEntries, {}, &list); });
    std::printf("Active List: folder %d listed in %.1f ms, database %d listed in %.1f ms\n",
                folderListed, folderList, int(list.rows.size()), databaseList);
    const double peak = peakMegabytes();
    const double folderSearch = medianMs(
        [&] { env.store.readEntryList(false, ListMode::TextSearch, finds("number 3276"), &list); });
    const double databaseSearch = medianMs(
        [&] { database.readEntryList(false, ListMode::TextSearch, finds("number 9999"), &list); });
    std::printf("Text search: folder %.1f ms, database %.1f ms (%d found)\n", folderSearch,
                databaseSearch, int(list.rows.size()));
    EntryRecord e;
    e.CaseNumber = QStringLiteral("B-1");
    e.Category = QStringLiteral("Bench");
    e.Description = QStringLiteral("One more");
    const double folderAdd = medianMs([&] { env.store.addEntry(e); }, 21);
    const double databaseAdd = medianMs([&] { database.addEntry(e); }, 21);
    std::printf("One add: folder %.2f ms, database %.2f ms\n", folderAdd, databaseAdd);

    // A figure over its target says so on its line (OVER TARGET); the run
    // itself went through.
    judge("database Active List, 100,000 entries", databaseList, "ms", -1, 1000);
    judge("database text search, 100,000 entries", databaseSearch, "ms", -1, 300);
    judge("database one add", databaseAdd, "ms", -1, 10);
    judge("peak memory, 100,000 entries listed", peak, "MB", -1, 200);
    return 0;
}
