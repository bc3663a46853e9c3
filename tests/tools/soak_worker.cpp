// The soak's workstation and its judge (scripts/soak runs them; never part
// of make test).
//   soak_worker seed FOLDER COUNT            adds COUNT entries
//   soak_worker run FOLDER NAME OPS SEED     OPS mixed adds, edits, archives,
//                                            restores and deletes
//   soak_worker churn FOLDER NAME SEED       edits and deletes (adds when few
//                                            are left) until killed
//   soak_worker check FOLDER JOURNAL...      replays DataRecords.Log against
//                                            the journals, compares the file
//   soak_worker whole FOLDER                 checks every record decodes
//   soak_worker lockwait FOLDER              prints the ms until the lock
//                                            was taken
// In place of FOLDER, "--database=CONNINFO" works on a PostgreSQL database
// (init makes its tables; seed, run, churn and check): a change the server
// was away for is tried again every quarter second for up to two minutes,
// as a person would, and the TIME line counts those tries as busy prompts.
// Every change runs as a user "NAME#i" (one per operation), so that its
// line in DataRecords.Log names the operation. The workers journal on
// stdout, one line per operation: "OK NAME#i VERB CASE [DESCRIPTION]" for a
// change reported done, "NO NAME#i VERB RESULT" for one refused or stale.
// On a database each change is first journalled as "TRY NAME#i VERB CASE
// [DESCRIPTION]": a worker killed inside it leaves that line alone, and the
// check takes the change as done exactly when its log row is there.
#include "ToolStart.h"
#include "core/common/ActivityLog.h"
#include "core/common/Desktop.h"
#include "core/common/FolderLock.h"
#include "core/common/Globals.h"
#include "core/entries/EntryStore.h"
#include "core/store/pg/PgSchema.h"
#include "core/store/pg/PgStore.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QHash>
#include <QRandomGenerator>
#include <QRegularExpression>
#include <QSet>
#include <QThread>
#include <cstdio>

namespace
{

// A person at the workstation who presses Retry whenever the folder is busy.
class PatientDesktop final : public HeadlessDesktop
{
public:
    int busyPrompts = 0;
    MsgBoxAnswer messageBox(const MsgBoxRequest &r) override
    {
        if (r.title == QLatin1String("Data folder busy")) {
            ++busyPrompts;
            return {1, false};
        }
        std::fprintf(stderr, "message: %s | %s\n", qPrintable(r.title),
                     qPrintable(QString(r.text).replace(CrLf, QStringLiteral(" / "))));
        return {1, false};
    }
};

void say(const QString &line)
{
    std::printf("%s\n", qPrintable(line));
    std::fflush(stdout);
}

QString resultName(StoreResult r)
{
    static const char *names[] = {"Ok",           "Changed",   "Missing",   "Cancelled",
                                  "NotAvailable", "LogFailed", "IoError",   "Full",
                                  "Reserved",     "Busy",      "Unwritable"};
    return QString::fromLatin1(names[int(r)]);
}

// The database the workers change, and how often they tried again while
// its server was away.
PgStore *s_database = nullptr;
int s_retries = 0;
const int kRetryMs = 250, kPatienceMs = 120000;

// A change as the window runs it for that person: asked "Data folder
// busy" while the folder stays busy, Retry runs it again; on a database,
// tried again while the server is away.
StoreResult patiently(const std::function<StoreResult()> &change)
{
    if (s_database) {
        QElapsedTimer away;
        away.start();
        StoreResult r;
        while ((r = change()) == StoreResult::NotAvailable && away.elapsed() < kPatienceMs) {
            ++s_retries;
            QThread::msleep(kRetryMs);
        }
        return r;
    }
    for (;;) {
        const StoreResult r = change();
        if (r != StoreResult::Busy && r != StoreResult::Unwritable)
            return r;
        desktop().messageBox(StoreResultMessage(Tool->data, r));
    }
}

struct Picked {
    int n = 0;
    EntryRecord entry;
};

// A random record as a workstation's list would show it (read without the
// lock, so it may be stale by the time the change runs).
bool pick(QRandomGenerator &rng, Picked *picked)
{
    if (s_database) {
        // Read again while the server is away; picked again at once when
        // the row went meanwhile.
        QElapsedTimer away;
        away.start();
        while (away.elapsed() < kPatienceMs) {
            if (s_database->recountEntries()) {
                if (Tool->data.RecordCount == 0)
                    return false;
                picked->n = 1 + int(rng.bounded(quint32(Tool->data.RecordCount)));
                picked->entry = s_database->entry(picked->n);
                if (!picked->entry.CaseNumber.trimmed().isEmpty())
                    return true;
                if (s_database->recountEntries())
                    continue;
            }
            ++s_retries;
            QThread::msleep(kRetryMs);
        }
        return false;
    }
    DataFile file(Tool->data);
    if (!file.open(DataFile::ForReading) || file.recordCount() == 0)
        return false;
    picked->n = 1 + int(rng.bounded(quint32(file.recordCount())));
    const QByteArray raw = file.readRaw(picked->n);
    if (raw.isEmpty())
        return false;
    picked->entry = EntryRecord::Unpack(raw);
    return !picked->entry.CaseNumber.trimmed().isEmpty();
}

class Worker
{
public:
    Worker(Store &store, const QString &name, quint32 seed)
        : m_store(store), m_name(name), m_rng(seed)
    {
    }

    void add()
    {
        const QString tag = nextTag();
        EntryRecord e;
        e.CaseNumber = m_name + QLatin1Char('-') + QString::number(m_op);
        e.Description = tag + QStringLiteral(" new");
        e.Narrative = QString(800 + int(m_rng.bounded(800u)), QLatin1Char('n'));
        attempt(tag, QStringLiteral("ADD"), e.CaseNumber, e.Description);
        report(tag, QStringLiteral("ADD"), patiently([&] { return m_store.addEntry(e); }),
               e.CaseNumber, e.Description);
    }

    void change(const QString &verb)
    {
        const QString tag = nextTag();
        Picked p;
        if (!pick(m_rng, &p)) {
            say(QStringLiteral("NO %1 %2 Empty").arg(tag, verb));
            return;
        }
        const EntryIdentity id = EntryIdentity::of(p.entry);
        StoreResult r;
        QString description;
        if (verb == QLatin1String("EDIT"))
            description = tag + QStringLiteral(" edit");
        attempt(tag, verb, id.CaseNumber, description);
        if (verb == QLatin1String("EDIT")) {
            EntryRecord edited = p.entry;
            edited.Description = description;
            r = patiently([&] { return m_store.saveEntry(p.n, id, edited); });
        } else if (verb == QLatin1String("ARCHIVE")) {
            r = patiently([&] { return m_store.archiveEntry(p.n, id); });
        } else if (verb == QLatin1String("RESTORE")) {
            r = patiently([&] { return m_store.restoreEntry(p.n, id); });
        } else {
            r = patiently([&] { return m_store.deleteEntry(p.n, id); });
        }
        report(tag, verb, r, id.CaseNumber, description);
    }

    // One operation drawn as a busy evidence room would: adds and edits
    // most, deletes often enough to compact all the time.
    void mixed()
    {
        const quint32 roll = m_rng.bounded(100u);
        if (roll < 30)
            add();
        else if (roll < 55)
            change(QStringLiteral("EDIT"));
        else if (roll < 70)
            change(QStringLiteral("ARCHIVE"));
        else if (roll < 80)
            change(QStringLiteral("RESTORE"));
        else
            change(QStringLiteral("DELETE"));
    }

    void churn()
    {
        if (Tool->data.RecordCount < 20 || m_rng.bounded(100u) < 20)
            add();
        else
            change(m_rng.bounded(2u) ? QStringLiteral("EDIT") : QStringLiteral("DELETE"));
    }

private:
    QString nextTag()
    {
        ++m_op;
        Tool->session.CurrentUserName = m_name + QLatin1Char('#') + QString::number(m_op);
        return Tool->session.CurrentUserName;
    }

    // The change about to run, journalled before it on a database.
    void attempt(const QString &tag, const QString &verb, const QString &caseNumber,
                 const QString &description)
    {
        if (!s_database)
            return;
        QString line =
            QStringLiteral("TRY ") + tag + QLatin1Char(' ') + verb + QLatin1Char(' ') + caseNumber;
        if (!description.isEmpty())
            line += QLatin1Char(' ') + description;
        say(line);
    }

    void report(const QString &tag, const QString &verb, StoreResult r, const QString &caseNumber,
                const QString &description)
    {
        if (r == StoreResult::Ok) {
            QString line = QStringLiteral("OK ") + tag + QLatin1Char(' ') + verb +
                           QLatin1Char(' ') + caseNumber;
            if (!description.isEmpty())
                line += QLatin1Char(' ') + description;
            say(line);
        } else {
            say(QStringLiteral("NO %1 %2 %3").arg(tag, verb, resultName(r)));
        }
    }

    Store &m_store;
    QString m_name;
    QRandomGenerator m_rng;
    int m_op = 0;
};

struct Model {
    QString description;
    int status = StatusActive;
};

// An operation as journalled: reported done (OK), refused (NO), or begun
// (TRY) and cut off by a kill inside it.
struct JournalOp {
    enum State { Begun, Done, Refused };
    State state = Begun;
    QString verb, caseNumber, description;
    int logLines = 0;
};

int fail(const QString &why)
{
    say(QStringLiteral("CHECK FAILED: ") + why);
    return 1;
}

// Where the check reads the log and the entries: the data folder's files or
// the database's tables.
struct Stored {
    QString entriesName, logName, lineName;
    // The log's bytes as the file holds them; false when not readable.
    std::function<bool(QByteArray *)> readLog;
    // Visits every entry; the reason when the entries can not all be read.
    std::function<QString(const std::function<void(int, const EntryRecord &)> &)> forEach;
};

Stored folderStored()
{
    Stored s{QStringLiteral("file"), QStringLiteral("DataRecords.Log"), QStringLiteral("lines"),
             nullptr, nullptr};
    s.readLog = [](QByteArray *bytes) {
        QFile log(DataPath(Tool->data, DataRecordsLogName));
        if (!log.open(QIODevice::ReadOnly))
            return false;
        *bytes = log.readAll();
        return true;
    };
    s.forEach = [](const std::function<void(int, const EntryRecord &)> &visit) {
        DataFile file(Tool->data);
        if (!file.open(DataFile::ForReading))
            return QStringLiteral("data file not readable");
        if (file.size() % EntryRecordLength != 0)
            return QStringLiteral("data file length %1 is not whole records").arg(file.size());
        if (!file.forEach([&](int n, const EntryRecord &e) {
                visit(n, e);
                return true;
            }))
            return QStringLiteral("data file read failed: ") + file.errorString();
        return QString();
    };
    return s;
}

Stored databaseStored()
{
    Stored s{QStringLiteral("database"), QStringLiteral("data_records_log"), QStringLiteral("rows"),
             nullptr, nullptr};
    s.readLog = [](QByteArray *bytes) { return s_database->readLog(DataRecordsLogName, bytes); };
    s.forEach = [](const std::function<void(int, const EntryRecord &)> &visit) {
        if (!s_database->forEachEntryRecord([&](int n, const char *raw) {
                visit(n, EntryRecord::Unpack(raw, EntryRecordLength));
                return true;
            }))
            return QStringLiteral("entries not readable");
        return QString();
    };
    return s;
}

// Replays the log in its order over the journals and compares the result
// with the stored entries, record by record. A change begun and not
// reported (its worker killed inside it) may be there or not, but only as
// the last of a worker that did not finish (no TIME line), and with its log
// line exactly when it is there.
int check(const QStringList &journals, const Stored &stored)
{
    QHash<QString, JournalOp> ops;
    int done = 0, refused = 0;
    QHash<QString, int> perVerb;
    for (const QString &path : journals) {
        QFile f(path);
        if (!f.open(QIODevice::ReadOnly))
            return fail(QStringLiteral("no journal ") + path);
        QString lastTag;
        bool finished = false;
        while (!f.atEnd()) {
            const QString line = QString::fromLatin1(f.readLine()).trimmed();
            const QStringList w = line.split(QLatin1Char(' '));
            finished = finished || w[0] == QLatin1String("TIME");
            if (w.size() < 3 || (w[0] != QLatin1String("OK") && w[0] != QLatin1String("NO") &&
                                 w[0] != QLatin1String("TRY")))
                continue;
            JournalOp op;
            op.verb = w[2];
            if (w[0] == QLatin1String("TRY")) {
                op.caseNumber = w.value(3);
                op.description = w.mid(4).join(QLatin1Char(' '));
            } else if (w[0] == QLatin1String("OK")) {
                op.state = JournalOp::Done;
                op.caseNumber = w.value(3);
                op.description = w.mid(4).join(QLatin1Char(' '));
                ++done;
                ++perVerb[op.verb];
            } else {
                op.state = JournalOp::Refused;
                ++refused;
            }
            const auto begun = ops.constFind(w[1]);
            if (begun != ops.cend() && (op.state == JournalOp::Begun ||
                                        begun->state != JournalOp::Begun || begun->verb != op.verb))
                return fail(QStringLiteral("operation journalled twice: ") + w[1]);
            if (!lastTag.isEmpty() && lastTag != w[1] &&
                ops.value(lastTag).state == JournalOp::Begun)
                return fail(QStringLiteral("operation begun and never reported: ") + lastTag);
            ops.insert(w[1], op);
            lastTag = w[1];
        }
        if (finished && ops.value(lastTag).state == JournalOp::Begun)
            return fail(QStringLiteral("operation begun and never reported: ") + lastTag);
    }

    static const QHash<QString, QString> verbs = {{"added", "ADD"},
                                                  {"edited", "EDIT"},
                                                  {"archived", "ARCHIVE"},
                                                  {"restored", "RESTORE"},
                                                  {"deleted", "DELETE"}};
    static const QRegularExpression lineForm(
        QStringLiteral("^\\d\\d/\\d\\d/\\d{4} at \\d\\d:\\d\\d:\\d\\d - Control#\\S+ "
                       "(added|edited|archived|restored|deleted) by (\\S+)$"));
    QByteArray logBytes;
    if (!stored.readLog(&logBytes))
        return fail(QStringLiteral("no ") + stored.logName);
    const QList<QByteArray> lines = logBytes.split('\n');
    QHash<QString, Model> model;
    int logLines = 0, cutOff = 0, cutOffDone = 0;
    for (int i = 0; i < lines.size(); ++i) {
        QByteArray raw = lines[i];
        if (i == lines.size() - 1 && raw.isEmpty())
            break;
        if (!raw.endsWith('\r'))
            return fail(QStringLiteral("log line %1 without CR LF").arg(i + 1));
        const auto m = lineForm.match(QString::fromLatin1(raw.chopped(1)));
        if (!m.hasMatch())
            return fail(QStringLiteral("log line %1 malformed: ").arg(i + 1) +
                        QString::fromLatin1(raw));
        ++logLines;
        auto it = ops.find(m.captured(2));
        if (it == ops.end() || it->state == JournalOp::Refused ||
            it->verb != verbs.value(m.captured(1)))
            return fail(QStringLiteral("log line %1 for no change reported done: ").arg(i + 1) +
                        m.captured(2));
        if (++it->logLines > 1)
            return fail(QStringLiteral("two log lines for ") + m.captured(2));
        if (it->state == JournalOp::Begun)
            ++cutOffDone;
        const QString cn = it->caseNumber;
        if (it->verb == QLatin1String("ADD")) {
            if (model.contains(cn))
                return fail(QStringLiteral("case added twice: ") + cn);
            model.insert(cn, {it->description, StatusActive});
        } else if (!model.contains(cn)) {
            return fail(QStringLiteral("change of an entry not there: ") + m.captured(2));
        } else if (it->verb == QLatin1String("EDIT")) {
            model[cn].description = it->description;
        } else if (it->verb == QLatin1String("ARCHIVE")) {
            model[cn].status = StatusArchived;
        } else if (it->verb == QLatin1String("RESTORE")) {
            model[cn].status = StatusActive;
        } else {
            model.remove(cn);
        }
    }
    for (auto it = ops.cbegin(); it != ops.cend(); ++it) {
        if (it->state == JournalOp::Done && it->logLines != 1)
            return fail(QStringLiteral("no log line for ") + it.key());
        cutOff += it->state == JournalOp::Begun;
    }

    QSet<QString> seen;
    int lost = 0, wrong = 0, extra = 0, duplicated = 0;
    QString firstProblem;
    const QString unread = stored.forEach([&](int n, const EntryRecord &e) {
        const QString cn = e.CaseNumber.trimmed();
        QString problem;
        if (seen.contains(cn)) {
            ++duplicated;
            problem = QStringLiteral("record %1 repeats %2").arg(n).arg(cn);
        } else if (!model.contains(cn)) {
            ++extra;
            problem =
                QStringLiteral("record %1 (%2) was never added or was deleted").arg(n).arg(cn);
        } else if (model[cn].description != e.Description.trimmed() ||
                   model[cn].status != e.Status || e.VersionStamp != CurrentVersionStamp()) {
            ++wrong;
            problem = QStringLiteral("record %1 (%2) is not as last written").arg(n).arg(cn);
        }
        seen.insert(cn);
        if (!problem.isEmpty() && firstProblem.isEmpty())
            firstProblem = problem;
    });
    if (!unread.isEmpty())
        return fail(unread);
    for (auto it = model.cbegin(); it != model.cend(); ++it) {
        if (!seen.contains(it.key())) {
            ++lost;
            if (firstProblem.isEmpty())
                firstProblem = QStringLiteral("lost ") + it.key();
        }
    }
    const bool pass = lost + wrong + extra + duplicated == 0 && logLines == done + cutOffDone;
    say(QStringLiteral("%1 done (%2 adds, %3 edits, %4 archives, %5 restores, %6 deletes), "
                       "%7 refused or stale; %8 %9 entries: %10 lost, %11 duplicated, %12 not as "
                       "written, %13 extra; %14 %15 %16 for %17 changes")
            .arg(done)
            .arg(perVerb.value("ADD"))
            .arg(perVerb.value("EDIT"))
            .arg(perVerb.value("ARCHIVE"))
            .arg(perVerb.value("RESTORE"))
            .arg(perVerb.value("DELETE"))
            .arg(refused)
            .arg(stored.entriesName)
            .arg(seen.size())
            .arg(lost)
            .arg(duplicated)
            .arg(wrong)
            .arg(extra)
            .arg(stored.logName)
            .arg(logLines)
            .arg(stored.lineName)
            .arg(done) +
        (cutOff == 0 ? QString()
                     : QStringLiteral(" and %1 of %2 changes cut off by a kill")
                           .arg(cutOffDone)
                           .arg(cutOff)) +
        (firstProblem.isEmpty() ? QString() : QStringLiteral("; first: ") + firstProblem));
    return pass ? 0 : 1;
}

// The file is whole: whole records only, each one decodes to an entry.
int whole()
{
    DataFile file(Tool->data);
    if (!QFile::exists(DataPath(Tool->data, DataFileName)))
        return 0;
    if (!file.open(DataFile::ForReading))
        return fail(QStringLiteral("data file not readable"));
    if (file.size() % EntryRecordLength != 0)
        return fail(QStringLiteral("data file length %1 is not whole records").arg(file.size()));
    int bad = 0;
    const bool read = file.forEach([&](int, const EntryRecord &e) {
        if ((e.Status != StatusActive && e.Status != StatusArchived) ||
            e.VersionStamp != CurrentVersionStamp() || e.CaseNumber.trimmed().isEmpty())
            ++bad;
        return true;
    });
    if (!read || bad > 0)
        return fail(QStringLiteral("%1 records do not decode").arg(bad));
    say(QStringLiteral("WHOLE %1").arg(file.recordCount()));
    return 0;
}

int lockWait()
{
    QElapsedTimer timer;
    timer.start();
    FolderLock lock(Tool->data);
    while (!lock.tryAcquire()) {
        if (timer.elapsed() > 60000)
            return fail(QStringLiteral("lock not taken within 60 s"));
        QThread::msleep(20);
    }
    say(QStringLiteral("LOCKWAIT %1").arg(timer.elapsed()));
    return 0;
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments();
    if (!StartTool(args, 3, 1000, 2,
                   "soak_worker seed|run|churn|check|whole|lockwait FOLDER ... or "
                   "init|seed|run|churn|check --database=CONNINFO ..."))
        return 2;
    PatientDesktop person;
    setDesktop(&person);
    const QString mode = args.at(1);
    static const QString onDatabase = QStringLiteral("--database=");
    std::unique_ptr<PgStore> database;
    Store *store = &Tool->store;
    if (args.at(2).startsWith(onDatabase)) {
        if (mode == QLatin1String("init")) {
            QString message;
            const bool made = InitDatabase(args.at(2).mid(onDatabase.size()), &message);
            say(message);
            return made ? 0 : 1;
        }
        database = std::make_unique<PgStore>(Tool->data, args.at(2).mid(onDatabase.size()));
        s_database = database.get();
        store = s_database;
        QString why;
        if (!database->connect(&why)) {
            std::fprintf(stderr, "soak_worker: %s\n", qPrintable(why));
            return 2;
        }
    }
    if (mode == QLatin1String("seed") && args.size() == 4) {
        Worker w(*store, QStringLiteral("seed"), 1);
        for (int i = 0, count = args.at(3).toInt(); i < count; ++i)
            w.add();
        return 0;
    }
    if (mode == QLatin1String("run") && args.size() == 6) {
        Worker w(*store, args.at(3), args.at(5).toUInt());
        QElapsedTimer timer;
        timer.start();
        for (int i = 0, ops = args.at(4).toInt(); i < ops; ++i)
            w.mixed();
        say(QStringLiteral("TIME %1 %2").arg(timer.elapsed()).arg(person.busyPrompts + s_retries));
        return 0;
    }
    if (mode == QLatin1String("churn") && args.size() == 5) {
        Worker w(*store, args.at(3), args.at(4).toUInt());
        for (;;)
            w.churn();
    }
    if (mode == QLatin1String("check") && args.size() >= 4)
        return check(args.mid(3), database ? databaseStored() : folderStored());
    if (mode == QLatin1String("whole") && !database)
        return whole();
    if (mode == QLatin1String("lockwait") && !database)
        return lockWait();
    std::fprintf(stderr, "soak_worker: bad arguments\n");
    return 2;
}
