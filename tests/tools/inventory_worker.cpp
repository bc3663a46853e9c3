// A workstation scanning into an open inventory, for the test of several
// workstations at once.
//   inventory_worker FOLDER ID NAME COUNT   scans the first COUNT active
//                                           entries as person and
//                                           workstation NAME, in file order
//                                           for "up" and backwards else;
//                                           what fails goes to stderr
#include "ToolStart.h"
#include "core/rules/Inventory.h"

#include <QCoreApplication>
#include <QThread>
#include <cstdio>

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments().mid(1);
    if (!StartTool(args, 4, 4, 0, "inventory_worker FOLDER ID NAME COUNT"))
        return 2;
    const QString name = args.at(2);
    Tool->session.CurrentUserName = name;
    Tool->data.options.HostNameOverride = name;
    FolderStore store(Tool->data);
    InventoryEntries entries;
    Inventory inv;
    if (!LoadInventoryEntries(store, &entries) || !LoadInventory(store, args.at(1), &inv)) {
        std::fprintf(stderr, "can not read the entries or the inventory\n");
        return 1;
    }
    QStringList codes;
    for (const InventoryEntry &e : entries.list)
        if (!e.archived && codes.size() < args.at(3).toInt())
            codes.append(e.control);
    if (name != QLatin1String("up"))
        std::reverse(codes.begin(), codes.end());
    for (const QString &code : codes) {
        InventoryScan scan;
        InventoryOutcome out;
        for (int attempt = 0; attempt < 20 && !out.ok; ++attempt) {
            QThread::msleep(10);
            out = RecordInventoryScan(store, &inv, entries, QStringLiteral("Aisle ") + name, code,
                                      &scan);
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
