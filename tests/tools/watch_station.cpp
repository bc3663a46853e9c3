// One workstation for the tests of the Refresh button's watch: the main
// window on a data folder, offscreen, with its own timer and the real
// clock. Commands, one a line on standard input:
//   add    adds an entry through the store, as the entry card does
//   click  clicks the Refresh button (normal colours, the list reloaded)
//   quit   ends (so does the end of the input)
// Prints one line per event: "READY" once the list is loaded, "ADDED" after
// an add, "CLICKED" after a click, "EXAMINED" for each tick of the watch that looked at the data
// file, "FLASH" when the Refresh button starts flashing, and the message
// boxes ("MSGBOX|...", answered with their default button).
//   watch_station FOLDER
#include "RecordingDesktop.h"
#include "ToolStart.h"
#include "core/common/Globals.h"
#include "core/common/Settings.h"
#include "core/entries/EntryStore.h"
#include "gui/windows/Quit.h"
#include "gui/windows/frmMain.h"

#include <QApplication>
#include <QDir>
#include <QPointer>
#include <QSocketNotifier>
#include <QTimer>
#include <cstdio>
#include <unistd.h>

namespace
{

void say(const char *line)
{
    std::printf("%s\n", line);
    std::fflush(stdout);
}

// Counts the looks at the data file.
class StationDesktop : public RecordingDesktop
{
public:
    std::optional<FileStamp> fileStamp(const QString &path) override
    {
        ++looks;
        return Desktop::fileStamp(path);
    }
    int looks = 0;
};

} // namespace

int main(int argc, char **argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const QStringList args = QApplication::arguments();
    if (!StartTool(args, 2, 2, 1, "watch_station FOLDER"))
        return 2;
    SettingsFileOverride =
        QDir(DataFolder)
            .filePath(QStringLiteral("station-%1.ini").arg(QCoreApplication::applicationPid()));
    StationDesktop desk;
    setDesktop(&desk);
    CurrentUserName = QStringLiteral("Station %1").arg(QCoreApplication::applicationPid());
    CurrentAccessLevel = 4;
    AgencyName = QStringLiteral("Springfield PD");

    // The program may end the window itself (its close box asks the quit
    // question, which this desktop answers yes).
    QPointer<frmMain> w = new frmMain;
    w->show();
    w->Form_Activate();
    bool flashing = false;
    // Runs after the window's own handler of each tick.
    QObject::connect(w->timerNetworkWatch, &QTimer::timeout, w, [&] {
        if (desk.looks > 0)
            say("EXAMINED");
        desk.looks = 0;
        if (w->networkWatch().flashing() && !flashing)
            say("FLASH");
        flashing = w->networkWatch().flashing();
    });

    QByteArray pending;
    QSocketNotifier input(STDIN_FILENO, QSocketNotifier::Read);
    QObject::connect(&input, &QSocketNotifier::activated, &app, [&] {
        char buffer[256];
        const ssize_t got = ::read(STDIN_FILENO, buffer, sizeof buffer);
        if (got <= 0) {
            input.setEnabled(false);
            QCoreApplication::quit();
            return;
        }
        pending.append(buffer, int(got));
        int end;
        while ((end = int(pending.indexOf('\n'))) >= 0) {
            const QByteArray command = pending.left(end).trimmed();
            pending.remove(0, end + 1);
            if (command == "add") {
                EntryRecord e;
                e.CaseNumber = QStringLiteral("26-%1").arg(QCoreApplication::applicationPid());
                e.Description = QStringLiteral("added by a workstation");
                say(AppendEntry(e) == StoreResult::Ok ? "ADDED" : "ADD FAILED");
                desk.looks = 0; // the store's own looks are not the watch's
            } else if (command == "click") {
                w->cmdRefreshGrid_MouseUp(1);
                flashing = false;
                say("CLICKED");
            } else if (command == "quit") {
                QCoreApplication::quit();
            }
        }
    });
    say("READY");
    const int rc = QApplication::exec();
    ProgramEnding = true;
    delete w.data();
    setDesktop(nullptr);
    return rc;
}
