// A second workstation for the tests of the folder lock.
//   lock_holder FOLDER HOLD_MS [HEARTBEAT_MS STALE_MS [HOST [USER]]]
// Takes the lock (waiting as long as it takes), prints "HELD <epoch ms>",
// holds it HOLD_MS, then prints "RELEASED <epoch ms> <own|lost>" (whether
// the lock was still its own) and releases it. HOST stands in for this
// computer's name in the owner record; USER is the person signed in.
#include "ToolStart.h"
#include "core/common/FolderLock.h"
#include "core/common/Globals.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QDir>
#include <QThread>
#include <cstdio>

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments();
    if (!StartTool(args, 3, 7, 1,
                   "lock_holder FOLDER HOLD_MS [HEARTBEAT_MS STALE_MS [HOST [USER]]]"))
        return 2;
    const int holdMs = args.at(2).toInt();
    if (args.size() >= 5) {
        Tool->data.options.LockHeartbeatMs = args.at(3).toInt();
        Tool->data.options.LockStaleMs = args.at(4).toInt();
    }
    Tool->data.options.HostNameOverride = args.value(5);
    Tool->session.CurrentUserName = args.value(6);

    FolderLock lock(Tool->data);
    while (!lock.tryAcquire())
        QThread::msleep(5);
    std::printf("HELD %lld\n", QDateTime::currentMSecsSinceEpoch());
    std::fflush(stdout);
    QThread::msleep(holdMs);
    const bool own = lock.stillHeld();
    std::printf("RELEASED %lld %s\n", QDateTime::currentMSecsSinceEpoch(), own ? "own" : "lost");
    std::fflush(stdout);
    lock.release();
    return 0;
}
