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
// Every change runs as a user "NAME#i" (one per operation), so that its
// line in DataRecords.Log names the operation. The workers journal on
// stdout, one line per operation: "OK NAME#i VERB CASE [DESCRIPTION]" for a
// change reported done, "NO NAME#i VERB RESULT" for one refused or stale.
#include "ToolStart.h"
#include "core/common/ActivityLog.h"
#include "core/common/Desktop.h"
#include "core/common/FolderLock.h"
#include "core/common/Globals.h"
#include "core/entries/EntryStore.h"

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

// A change as the window runs it for that person: asked "Data folder
// busy" while the folder stays busy, Retry runs it again.
StoreResult patiently(const std::function<StoreResult()> &change)
{
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
    Worker(const QString &name, quint32 seed) : m_name(name), m_rng(seed) {}

    void add()
    {
        const QString tag = nextTag();
        EntryRecord e;
        e.CaseNumber = m_name + QLatin1Char('-') + QString::number(m_op);
        e.Description = tag + QStringLiteral(" new");
        e.Narrative = QString(800 + int(m_rng.bounded(800u)), QLatin1Char('n'));
        report(tag, QStringLiteral("ADD"), patiently([&] { return AppendEntry(Tool->data, e); }),
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
        if (verb == QLatin1String("EDIT")) {
            EntryRecord edited = p.entry;
            description = tag + QStringLiteral(" edit");
            edited.Description = description;
            r = patiently([&] { return SaveEditedEntry(Tool->data, p.n, id, edited); });
        } else if (verb == QLatin1String("ARCHIVE")) {
            r = patiently([&] { return ArchiveEntry(Tool->data, p.n, id); });
        } else if (verb == QLatin1String("RESTORE")) {
            r = patiently([&] { return RestoreEntry(Tool->data, p.n, id); });
        } else {
            r = patiently([&] { return DeleteEntry(Tool->data, p.n, id); });
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

    QString m_name;
    QRandomGenerator m_rng;
    int m_op = 0;
};

struct Model {
    QString description;
    int status = StatusActive;
};

struct JournalOp {
    QString verb, caseNumber, description;
    bool ok = false;
    int logLines = 0;
};

int fail(const QString &why)
{
    say(QStringLiteral("CHECK FAILED: ") + why);
    return 1;
}

// Replays the log in its order over the journals and compares the result
// with the data file, record by record.
int check(const QStringList &journals)
{
    QHash<QString, JournalOp> ops;
    int done = 0, refused = 0;
    QHash<QString, int> perVerb;
    for (const QString &path : journals) {
        QFile f(path);
        if (!f.open(QIODevice::ReadOnly))
            return fail(QStringLiteral("no journal ") + path);
        while (!f.atEnd()) {
            const QString line = QString::fromLatin1(f.readLine()).trimmed();
            const QStringList w = line.split(QLatin1Char(' '));
            if (w.size() < 3 || (w[0] != QLatin1String("OK") && w[0] != QLatin1String("NO")))
                continue;
            JournalOp op;
            op.ok = w[0] == QLatin1String("OK");
            op.verb = w[2];
            if (op.ok) {
                op.caseNumber = w.value(3);
                op.description = w.mid(4).join(QLatin1Char(' '));
                ++done;
                ++perVerb[op.verb];
            } else {
                ++refused;
            }
            if (ops.contains(w[1]))
                return fail(QStringLiteral("operation journalled twice: ") + w[1]);
            ops.insert(w[1], op);
        }
    }

    static const QHash<QString, QString> verbs = {{"added", "ADD"},
                                                  {"edited", "EDIT"},
                                                  {"archived", "ARCHIVE"},
                                                  {"restored", "RESTORE"},
                                                  {"deleted", "DELETE"}};
    static const QRegularExpression lineForm(
        QStringLiteral("^\\d\\d/\\d\\d/\\d{4} at \\d\\d:\\d\\d:\\d\\d - Control#\\S+ "
                       "(added|edited|archived|restored|deleted) by (\\S+)$"));
    QFile log(DataPath(Tool->data, DataRecordsLogName));
    if (!log.open(QIODevice::ReadOnly))
        return fail(QStringLiteral("no DataRecords.Log"));
    const QList<QByteArray> lines = log.readAll().split('\n');
    QHash<QString, Model> model;
    int logLines = 0;
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
        if (it == ops.end() || !it->ok || it->verb != verbs.value(m.captured(1)))
            return fail(QStringLiteral("log line %1 for no change reported done: ").arg(i + 1) +
                        m.captured(2));
        if (++it->logLines > 1)
            return fail(QStringLiteral("two log lines for ") + m.captured(2));
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
        if (it->ok && it->logLines != 1)
            return fail(QStringLiteral("no log line for ") + it.key());
    }

    DataFile file(Tool->data);
    if (!file.open(DataFile::ForReading))
        return fail(QStringLiteral("data file not readable"));
    if (file.size() % EntryRecordLength != 0)
        return fail(QStringLiteral("data file length %1 is not whole records").arg(file.size()));
    QSet<QString> seen;
    int lost = 0, wrong = 0, extra = 0, duplicated = 0;
    QString firstProblem;
    const bool read = file.forEach([&](int n, const EntryRecord &e) {
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
        return true;
    });
    if (!read)
        return fail(QStringLiteral("data file read failed: ") + file.errorString());
    for (auto it = model.cbegin(); it != model.cend(); ++it) {
        if (!seen.contains(it.key())) {
            ++lost;
            if (firstProblem.isEmpty())
                firstProblem = QStringLiteral("lost ") + it.key();
        }
    }
    const bool pass = lost + wrong + extra + duplicated == 0 && logLines == done;
    say(QStringLiteral("%1 done (%2 adds, %3 edits, %4 archives, %5 restores, %6 deletes), "
                       "%7 refused or stale; file %8 entries: %9 lost, %10 duplicated, %11 not as "
                       "written, %12 extra; DataRecords.Log %13 lines for %14 changes%15")
            .arg(done)
            .arg(perVerb.value("ADD"))
            .arg(perVerb.value("EDIT"))
            .arg(perVerb.value("ARCHIVE"))
            .arg(perVerb.value("RESTORE"))
            .arg(perVerb.value("DELETE"))
            .arg(refused)
            .arg(seen.size())
            .arg(lost)
            .arg(duplicated)
            .arg(wrong)
            .arg(extra)
            .arg(logLines)
            .arg(done)
            .arg(firstProblem.isEmpty() ? QString() : QStringLiteral("; first: ") + firstProblem));
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
    if (!StartTool(args, 3, 1000, 2, "soak_worker seed|run|churn|check|whole|lockwait FOLDER ..."))
        return 2;
    PatientDesktop person;
    setDesktop(&person);
    const QString mode = args.at(1);
    if (mode == QLatin1String("seed") && args.size() == 4) {
        Worker w(QStringLiteral("seed"), 1);
        for (int i = 0, count = args.at(3).toInt(); i < count; ++i)
            w.add();
        return 0;
    }
    if (mode == QLatin1String("run") && args.size() == 6) {
        Worker w(args.at(3), args.at(5).toUInt());
        QElapsedTimer timer;
        timer.start();
        for (int i = 0, ops = args.at(4).toInt(); i < ops; ++i)
            w.mixed();
        say(QStringLiteral("TIME %1 %2").arg(timer.elapsed()).arg(person.busyPrompts));
        return 0;
    }
    if (mode == QLatin1String("churn") && args.size() == 5) {
        Worker w(args.at(3), args.at(4).toUInt());
        for (;;)
            w.churn();
    }
    if (mode == QLatin1String("check") && args.size() >= 4)
        return check(args.mid(3));
    if (mode == QLatin1String("whole"))
        return whole();
    if (mode == QLatin1String("lockwait"))
        return lockWait();
    std::fprintf(stderr, "soak_worker: bad arguments\n");
    return 2;
}
