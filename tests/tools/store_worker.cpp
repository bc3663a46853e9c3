// A workstation for the multi-process tests of the data file. Prints one
// line per operation on stdout.
//   store_worker append FOLDER NAME COUNT   adds COUNT entries "NAME-i" as
//                                           user NAME: "ADDED NAME-i" or
//                                           "FAILED NAME-i <result>" and
//                                           "TEXT <message, lines joined
//                                           by ' / '>"
//   store_worker delete FOLDER COUNT SEED   makes COUNT attempts to delete a
//                                           random entry as user "deleter":
//                                           "DELETED <case>", "STALE" or
//                                           "FAILED <result>"
//   store_worker compact FOLDER             deletes entry 1 over and over
//                                           until one entry is left
//   store_worker deleteat FOLDER N          deletes entry N: "DELETED <case>"
//                                           or "FAILED <result>"
//   store_worker scan FOLDER ID NAME COUNT  scans the first COUNT active
//                                           entries into inventory ID as
//                                           person and workstation NAME, in
//                                           file order for "up", backwards
//                                           else; what fails goes to stderr
//   store_worker upgrade FOLDER             answers "convert" to the older
//                                           data file's question and goes on
//                                           past the notice: "CONTINUE" or
//                                           "QUIT" (killed at random moments)
#include "FakeDesktop.h"
#include "ToolStart.h"
#include "core/common/Globals.h"
#include "core/entries/EntryStore.h"
#include "core/rules/Inventory.h"
#include "core/store/Store.h"
#include "gui/windows/OlderDataUpgrade.h"

#include <QCoreApplication>
#include <QDir>
#include <QRandomGenerator>
#include <QThread>
#include <cstdio>

namespace
{

void say(const QString &line)
{
    std::printf("%s\n", qPrintable(line));
    std::fflush(stdout);
}

// A refused change and what the person would be told.
void failed(const QString &what, StoreResult r)
{
    say(QStringLiteral("FAILED %1 %2").arg(what).arg(int(r)));
    const QString text = StoreResultText(Tool->data, r);
    if (!text.isEmpty())
        say(QStringLiteral("TEXT ") + QString(text).replace(CrLf, QStringLiteral(" / ")));
}

bool readIdentity(int n, int *count, EntryIdentity *identity)
{
    DataFile file(Tool->data);
    if (!file.open(DataFile::ForReading))
        return false;
    *count = file.recordCount();
    if (n > *count)
        return false;
    *identity = EntryIdentity::of(file.read(n));
    return true;
}

int append(const QString &name, int count)
{
    Tool->session.CurrentUserName = name;
    for (int i = 0; i < count; ++i) {
        EntryRecord e;
        e.CaseNumber = QStringLiteral("%1-%2").arg(name).arg(i);
        e.Description = QStringLiteral("entry %1 of %2").arg(i).arg(name);
        e.Narrative = QString(1500, QLatin1Char('n'));
        const StoreResult r = AppendEntry(Tool->data, e);
        if (r == StoreResult::Ok)
            say(QStringLiteral("ADDED ") + e.CaseNumber);
        else
            failed(e.CaseNumber, r);
    }
    return 0;
}

int remove(int attempts, quint32 seed)
{
    Tool->session.CurrentUserName = QStringLiteral("deleter");
    QRandomGenerator rng(seed);
    for (int i = 0; i < attempts; ++i) {
        QThread::msleep(15);
        int count = 0;
        EntryIdentity id;
        if (!readIdentity(1, &count, &id) || count == 0) {
            say(QStringLiteral("STALE"));
            continue;
        }
        const int n = 1 + int(rng.bounded(quint32(count)));
        if (!readIdentity(n, &count, &id)) {
            say(QStringLiteral("STALE"));
            continue;
        }
        const StoreResult r = DeleteEntry(Tool->data, n, id);
        if (r == StoreResult::Ok)
            say(QStringLiteral("DELETED ") + id.CaseNumber);
        else if (r == StoreResult::Changed || r == StoreResult::Missing)
            say(QStringLiteral("STALE"));
        else
            say(QStringLiteral("FAILED %1").arg(int(r)));
    }
    return 0;
}

int compact()
{
    Tool->session.CurrentUserName = QStringLiteral("compactor");
    for (;;) {
        int count = 0;
        EntryIdentity id;
        if (!readIdentity(1, &count, &id) || count < 2)
            return 0;
        const StoreResult r = DeleteEntry(Tool->data, 1, id);
        say(r == StoreResult::Ok ? QStringLiteral("DELETED ") + id.CaseNumber
                                 : QStringLiteral("FAILED %1").arg(int(r)));
    }
}

int removeAt(int n)
{
    Tool->session.CurrentUserName = QStringLiteral("deleter");
    int count = 0;
    EntryIdentity id;
    if (!readIdentity(n, &count, &id)) {
        say(QStringLiteral("FAILED no entry %1").arg(n));
        return 1;
    }
    const StoreResult r = DeleteEntry(Tool->data, n, id);
    say(r == StoreResult::Ok ? QStringLiteral("DELETED ") + id.CaseNumber
                             : QStringLiteral("FAILED %1").arg(int(r)));
    return r == StoreResult::Ok ? 0 : 1;
}

int scan(const QString &id, const QString &name, int count)
{
    Tool->session.CurrentUserName = name;
    Tool->data.options.HostNameOverride = name;
    FolderStore store(Tool->data);
    InventoryEntries entries;
    Inventory inv;
    if (!LoadInventoryEntries(store, &entries) || !LoadInventory(store, id, &inv)) {
        std::fprintf(stderr, "can not read the entries or the inventory\n");
        return 1;
    }
    QStringList codes;
    for (const InventoryEntry &e : entries.list)
        if (!e.archived && codes.size() < count)
            codes.append(e.control);
    if (name != QLatin1String("up"))
        std::reverse(codes.begin(), codes.end());
    for (const QString &code : codes) {
        InventoryScan line;
        InventoryOutcome out;
        for (int attempt = 0; attempt < 20 && !out.ok; ++attempt) {
            QThread::msleep(10);
            out = RecordInventoryScan(store, &inv, entries, QStringLiteral("Aisle ") + name, code,
                                      &line);
            if (!out.text.isEmpty())
                break;
        }
        if (!out.ok)
            std::fprintf(stderr, "%s: %s\n", qPrintable(code),
                         qPrintable(out.text.isEmpty() ? QStringLiteral("the folder stayed busy")
                                                       : out.text));
    }
    return 0;
}

int upgrade()
{
    FakeDesktop fake;
    setDesktop(&fake);
    fake.answerMsgBox(1); // convert
    fake.answerMsgBox(1); // the closing notice
    const UpgradeResult r = UpgradeOlderDataFile(Tool->data);
    say(r == UpgradeResult::Continue ? QStringLiteral("CONTINUE") : QStringLiteral("QUIT"));
    setDesktop(nullptr);
    return 0;
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments();
    if (!StartTool(args, 3, 6, 2,
                   "store_worker append|delete|compact|deleteat|scan|upgrade FOLDER ..."))
        return 2;
    const QString mode = args.at(1);
    if (mode == QLatin1String("append") && args.size() == 5)
        return append(args.at(3), args.at(4).toInt());
    if (mode == QLatin1String("delete") && args.size() == 5)
        return remove(args.at(3).toInt(), args.at(4).toUInt());
    if (mode == QLatin1String("compact"))
        return compact();
    if (mode == QLatin1String("deleteat") && args.size() == 4)
        return removeAt(args.at(3).toInt());
    if (mode == QLatin1String("scan") && args.size() == 6)
        return scan(args.at(3), args.at(4), args.at(5).toInt());
    if (mode == QLatin1String("upgrade"))
        return upgrade();
    std::fprintf(stderr, "store_worker: bad arguments\n");
    return 2;
}
