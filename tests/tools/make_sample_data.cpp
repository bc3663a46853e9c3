// make_sample_data FOLDER COUNT [SEED]: writes COUNT sample entries as the
// data file of FOLDER (replacing it).
#include "SampleData.h"

#include "core/common/Globals.h"

#include <QCoreApplication>
#include <QDir>
#include <cstdio>

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments();
    bool countOk = false, seedOk = true;
    const int count = args.size() > 2 ? args.at(2).toInt(&countOk) : 0;
    const quint32 seed = args.size() > 3 ? args.at(3).toUInt(&seedOk) : 1u;
    if (args.size() < 3 || !countOk || !seedOk || count < 0 || count > MaxEntryCount) {
        std::fprintf(stderr, "usage: make_sample_data FOLDER COUNT [SEED]  (COUNT 0..%d)\n",
                     MaxEntryCount);
        return 2;
    }
    InitProgramTables();
    QDir().mkpath(args.at(1));
    const QString path = QDir(args.at(1)).absoluteFilePath(DataFileName);
    if (!SampleData::WriteDataFile(path, count, seed)) {
        std::fprintf(stderr, "make_sample_data: can not write %s\n", qPrintable(path));
        return 1;
    }
    std::printf("%s: %d entries\n", qPrintable(path), count);
    return 0;
}
