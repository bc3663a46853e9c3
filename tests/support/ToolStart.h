// The start of each helper program the tests run as a separate process.
#pragma once

#include "core/common/Globals.h"

#include <QDir>
#include <QStringList>
#include <cstdio>

// Checks the argument count (the usage line on stderr and false when it
// is off), sets up the program's tables and takes the data folder from
// argument `folderAt`.
inline bool StartTool(const QStringList &args, int least, int most, int folderAt, const char *usage)
{
    if (args.size() < least || args.size() > most) {
        std::fprintf(stderr, "usage: %s\n", usage);
        return false;
    }
    InitProgramTables();
    DataFolder = QDir(args.at(folderAt)).absolutePath();
    return true;
}
