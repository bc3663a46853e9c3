// Starts the program's start-up sequence as a separate process with a
// desktop that writes every message box to standard output and answers it
// with its default button. Used to run real second copies.
//   custorin_probe --lock PATH --data-dir DIR
// Prints "RUNNING" once the title window is up, or "ENDED" when start-up
// ended the program.
#include "RecordingDesktop.h"
#include "core/common/Globals.h"
#include "gui/windows/Start.h"

#include <QApplication>
#include <QDir>
#include <cstdio>

int main(int argc, char **argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    QStringList args = QApplication::arguments().mid(1);
    QString lock;
    const int at = int(args.indexOf(QStringLiteral("--lock")));
    if (at >= 0 && at + 1 < args.size()) {
        lock = args.at(at + 1);
        args.remove(at, 2);
    }
    RecordingDesktop recorder;
    setDesktop(&recorder);
    const StartOptions options = ParseCommandLine(args, QDir::currentPath());
    SingleInstance instance(lock);
    Workplace work(options.dataDir);
    if (!Main(options, instance, work)) {
        std::puts("ENDED");
        std::fflush(stdout);
        return 1;
    }
    std::puts("RUNNING");
    std::fflush(stdout);
    return QApplication::exec();
}
