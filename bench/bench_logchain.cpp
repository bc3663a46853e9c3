// The activity logs' chains: verifying a 100,000-line log with its chain
// and seals (without and with the key), and what chaining adds to one
// logged change on local disk: the link step alone after a line appended
// to a long chained log, beside the whole logged change. Medians of the
// runs; a median over its target prints OVER TARGET. Where a PostgreSQL
// server can be started, the same for the database store: the log and its
// chain imported, verified, and one line appended with its link.
#include "BenchSupport.h"
#include "FakeDesktop.h"
#include "PgCluster.h"
#include "TestFiles.h"
#include "core/common/ActivityLog.h"
#include "core/common/ChainedLogs.h"
#include "core/common/FolderLock.h"
#include "core/common/Globals.h"
#include "core/store/pg/PgSchema.h"
#include "core/store/pg/PgStore.h"
#include "core/store/pg/PgTransfer.h"

#include <QFile>
#include <cstdio>
#include <vector>

namespace
{

constexpr int Lines = 100000;
constexpr int Rounds = 5;
constexpr int Changes = 300;
constexpr double VerifyTargetMs = 2000;
constexpr double LinkTargetMs = 1.0;

QByteArray logBytes()
{
    QByteArray bytes;
    bytes.reserve(Lines * 72);
    for (int i = 0; i < Lines; ++i)
        bytes +=
            QStringLiteral("%1/%2/2026 at 10:%3:%4 - Control#2026%1%2103000 edited by Pat Doe\r\n")
                .arg(1 + i % 12, 2, 10, QLatin1Char('0'))
                .arg(1 + i % 28, 2, 10, QLatin1Char('0'))
                .arg(i % 60, 2, 10, QLatin1Char('0'))
                .arg((i * 7) % 60, 2, 10, QLatin1Char('0'))
                .toLatin1();
    return bytes;
}

void judge(const char *what, const std::vector<double> &runs, double target)
{
    const double m = median(runs);
    std::printf("%s: median %.3f ms, slowest %.3f ms (target %.1f ms)%s\n", what, m,
                *std::max_element(runs.begin(), runs.end()), target,
                m > target ? " OVER TARGET" : "");
}

// The database store: the folder's 100,000-line log and chain imported,
// then verified, and lines appended with their links.
bool benchDatabase(TestEnvironment &env)
{
    PgCluster server;
    QString why, message;
    if (!server.start(&why)) {
        std::printf("no PostgreSQL server here (%s): the database not measured\n", qPrintable(why));
        return true;
    }
    env.data.options.LogKey.clear();
    QFile::remove(env.path(SealsFileName));
    writeFile(env.path(DataRecordsLogName), logBytes());
    QFile::remove(env.path(ChainFileName(DataRecordsLogName)));
    const LogChain chain;
    ChainHead head = LogChain::headOf(QByteArray());
    writeFile(env.path(ChainFileName(DataRecordsLogName)), chain.extend(&head, logBytes(), 0, {}));
    server.psql("postgres", "CREATE DATABASE bench");
    if (!InitDatabase(server.conninfo("bench"), &message) ||
        !ImportFolder(env.folder(), server.conninfo("bench"), &message)) {
        std::printf("bench_logchain: %s\n", qPrintable(message));
        return false;
    }
    PgStore store(env.data, server.conninfo("bench"));
    std::vector<double> runs, appends;
    bool begun = false;
    for (int r = 0; r < Rounds; ++r) {
        QElapsedTimer t;
        t.start();
        const ChainVerdict v = store.verifyLogChain(DataRecordsLogName, &begun);
        runs.push_back(ms(t));
        if (v.verifiedUpTo < Lines)
            return false;
    }
    judge("database: verify 100,000 lines, unkeyed", runs, VerifyTargetMs);
    for (int i = 0; i < Changes; ++i) {
        QElapsedTimer t;
        t.start();
        store.logSearch(QStringLiteral("'x'"));
        appends.push_back(ms(t));
    }
    std::printf("database: one line with its link, in its transaction: median %.3f ms\n",
                median(appends));
    return true;
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    TestEnvironment env;
    const QByteArray log = logBytes();
    for (const QByteArray &key : {QByteArray(), QByteArray("a workstation's key of 32 bytes")}) {
        env.data.options.LogKey = key;
        const LogChain chain(key);
        ChainHead head = LogChain::headOf(QByteArray());
        const QByteArray links = chain.extend(&head, log, 0, QString());
        QFile::remove(env.path(DataRecordsLogName));
        QFile::remove(env.path(ChainFileName(DataRecordsLogName)));
        QFile::remove(env.path(SealsFileName));
        writeFile(env.path(DataRecordsLogName), log);
        writeFile(env.path(ChainFileName(DataRecordsLogName)), links);
        {
            FolderLock lock(env.data);
            lock.acquire();
            SealLogs(lock, QDateTime(QDate(2026, 12, 7), QTime(8, 0)));
        }
        std::vector<double> runs;
        for (int r = 0; r < Rounds; ++r) {
            QElapsedTimer t;
            t.start();
            const ChainVerdict v = VerifyLogChain(env.data, DataRecordsLogName);
            runs.push_back(ms(t));
            if (v.verifiedUpTo != Lines) {
                std::fprintf(stderr, "bench_logchain: verified up to %lld, not %d\n",
                             v.verifiedUpTo, Lines);
                return 1;
            }
        }
        judge(key.isEmpty() ? "verify 100,000 lines and a seal, unkeyed"
                            : "verify 100,000 lines and a seal, keyed",
              runs, VerifyTargetMs);
    }

    // One logged change: the link step alone (what chaining adds), after a
    // line appended to the 100,000-line log the way the writer appends it.
    std::vector<double> link, whole;
    FolderLock lock(env.data);
    lock.acquire();
    for (int i = 0; i < Changes; ++i) {
        const QString path = env.path(DataRecordsLogName);
        QFile file(path);
        file.setPermissions(file.permissions() | QFileDevice::WriteOwner);
        file.open(QIODevice::Append);
        const qint64 before = file.size();
        const QByteArray line =
            "12/07/2026 at 08:00:00 - Control#20261207080000 edited by Pat Doe\r\n";
        file.write(line);
        file.close();
        QElapsedTimer t;
        t.start();
        LinkLogLines(lock, DataRecordsLogName, before, line);
        link.push_back(ms(t));
        t.restart();
        AppendLogLine(lock, DataRecordsLogName, QStringLiteral("a logged change"));
        whole.push_back(ms(t));
    }
    judge("one logged change, the link step alone", link, LinkTargetMs);
    std::printf("one logged change, line and link together: median %.3f ms\n", median(whole));
    const ChainVerdict v = VerifyLogChain(env.data, DataRecordsLogName);
    std::printf("after the changes: %s\n", qPrintable(VerdictText(v)));
    lock.release();
    return v.ok() && benchDatabase(env) ? 0 : 1;
}
