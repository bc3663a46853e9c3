// The start of each helper program the tests run as a separate process.
#pragma once

#include "core/common/Globals.h"
#include "core/store/Store.h"

#include <QDir>
#include <QStringList>
#include <cstdio>
#include <memory>

// A helper program is one workstation: one data folder, one person.
struct ToolPlace {
    explicit ToolPlace(const QString &folder) : data(folder) { data.attach(&session); }
    DataSet data;
    Session session;
    FolderStore store{data};
};
// Made by StartTool.
inline std::unique_ptr<ToolPlace> Tool;

// Checks the argument count (the usage line on stderr and false when it
// is off) and opens the data folder of argument `folderAt` as Tool.
inline bool StartTool(const QStringList &args, int least, int most, int folderAt, const char *usage)
{
    if (args.size() < least || args.size() > most) {
        std::fprintf(stderr, "usage: %s\n", usage);
        return false;
    }
    Tool = std::make_unique<ToolPlace>(QDir(args.at(folderAt)).absolutePath());
    return true;
}
