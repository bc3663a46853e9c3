// The database store beside the folder store, in one run: the Active List
// of 100,000 entries on a PostgreSQL server on this machine (the folder at
// its limit of 32,767), a search over them and over 1,000,000, one add,
// and the memory held with the large list loaded. Medians of five runs.
#include "BenchSupport.h"
#include "FakeDesktop.h"
#include "PgCluster.h"
#include "core/entries/CriteriaFilter.h"
#include "core/store/pg/PgSchema.h"
#include "core/store/pg/PgStore.h"

#include <QFile>
#include <QVector>
#include <cstdio>
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

// The search the Search window makes for a phrase over all fields, capitals
// ignored.
EntryFilter finds(const QString &phrase)
{
    SearchCriteria c;
    c.SearchPhrase = phrase;
    c.SearchOption = 1;
    c.IgnoreCaps = 1;
    return CriteriaFilter::make(c, SearchFilter::Mode::Text);
}

// Rows first..last made in the server from one sample row each (the
// text index is made again afterwards, in one go).
QString fillSql(int first, int last)
{
    return QStringLiteral(
               "SET maintenance_work_mem = '256MB'; DROP INDEX entries_search; "
               "INSERT INTO entries (version_stamp, control_number, case_number, "
               "location, category, brand_name, model_number, serial_number, "
               "description, value, owner, received_from, received_date, "
               "released_to, released_date, defendant, reserved1, reserved2, "
               "reserved3, narrative, chain_of_custody, status) "
               "SELECT 911, 46000 + i / 1000.0, 'C-' || i, 'Shelf ' || i % 50, "
               "'Category ' || i % 20, 'Brand', 'M-' || i, 'S-' || i, "
               "'Item number ' || i, i * 100, 'Owner ' || i, 'Officer', 46000 + i % 3000, "
               "'', 0, '', '', '', '', repeat('Narrative text. ', 20), "
               "'Logged in', CASE WHEN i % 10 = 0 THEN 2 ELSE 1 END "
               "FROM generate_series(%1, %2) i; "
               "CREATE INDEX entries_search ON entries USING gin ((case_number || ' ' || "
               "location || ' ' || category || ' ' || brand_name || ' ' || model_number || ' ' || "
               "serial_number || ' ' || description || ' ' || owner || ' ' || received_from || "
               "' ' || released_to || ' ' || defendant || ' ' || narrative || ' ' || "
               "chain_of_custody) gin_trgm_ops);")
        .arg(first)
        .arg(last);
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    std::setvbuf(stdout, nullptr, _IOLBF, 0); // each figure as it comes
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
    QElapsedTimer filling;
    filling.start();
    if (!server.psql("bench", fillSql(1, 100000), &message) ||
        !server.psql("bench", "VACUUM ANALYZE entries", &message)) {
        std::printf("bench_pgstore: the entries could not be made: %s\n", qPrintable(message));
        return 1;
    }
    std::printf("100,000 entries made in %.1f s\n", filling.elapsed() / 1000.0);

    TestEnvironment env;
    {
        QFile f(env.path("Custorin.Data"));
        f.open(QIODevice::WriteOnly);
        for (int i = 1; i <= MaxEntryCount; ++i) {
            EntryRecord e;
            e.VersionStamp = 911;
            e.ControlNumber = 46000 + i / 1000.0;
            e.CaseNumber = QStringLiteral("C-%1").arg(i);
            e.Location = QStringLiteral("Shelf %1").arg(i % 50);
            e.Category = QStringLiteral("Category %1").arg(i % 20);
            e.Description = QStringLiteral("Item number %1").arg(i);
            e.Owner = QStringLiteral("Owner %1").arg(i);
            e.Narrative = QStringLiteral("Narrative text. ").repeated(20);
            e.ReceivedDate = 46000 + i % 3000;
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
    std::printf("Active List: folder %d listed in %.1f ms, database %d listed in %.1f ms "
                "(header: %d active, %d archived)\n",
                folderListed, folderList, int(list.rows.size()), databaseList, list.activeCount,
                list.archivedCount);
    const double peak = peakMegabytes();
    const auto search = [&](Store &store, const QString &phrase, int *found) {
        const EntryFilter filter = finds(phrase);
        const double t =
            medianMs([&] { store.readEntryList(false, ListMode::TextSearch, filter, &list); });
        *found = int(list.rows.size());
        return t;
    };
    int folderFound = 0, found = 0, foundMillion = 0;
    const double folderSearch = search(env.store, QStringLiteral("C-32767"), &folderFound);
    const double databaseSearch = search(database, QStringLiteral("C-99999"), &found);
    std::printf("Text search: folder %.1f ms (%d found), database %.1f ms (%d found)\n",
                folderSearch, folderFound, databaseSearch, found);
    EntryRecord e;
    e.CaseNumber = QStringLiteral("B-1");
    e.Category = QStringLiteral("Bench");
    e.Description = QStringLiteral("One more");
    const double folderAdd = medianMs([&] { env.store.addEntry(e); }, 21);
    const double databaseAdd = medianMs([&] { database.addEntry(e); }, 21);
    std::printf("One add: folder %.2f ms, database %.2f ms\n", folderAdd, databaseAdd);

    filling.restart();
    if (!server.psql("bench", fillSql(100001, 1000000), &message, 1800000) ||
        !server.psql("bench", "VACUUM ANALYZE entries", &message, 600000)) {
        std::printf("bench_pgstore: the entries could not be made: %s\n", qPrintable(message));
        return 1;
    }
    std::printf("900,000 entries more made in %.1f s\n", filling.elapsed() / 1000.0);
    const double millionSearch = search(database, QStringLiteral("C-999999"), &foundMillion);
    std::printf("Text search over 1,000,000: database %.1f ms (%d found; folder as above)\n",
                millionSearch, foundMillion);

    // A figure over its target says so on its line (OVER TARGET); the run
    // itself went through.
    judge("database Active List, 100,000 entries", databaseList, "ms", -1, 1000);
    judge("database text search, 100,000 entries", databaseSearch, "ms", -1, 300);
    judge("database text search, 1,000,000 entries", millionSearch, "ms", -1, 1000);
    judge("database one add", databaseAdd, "ms", -1, 10);
    judge("peak memory, 100,000 entries listed", peak, "MB", -1, 200);
    return 0;
}
