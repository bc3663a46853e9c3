// A workstation upgrading an older data file, for the tests that end it
// at random moments: answers "convert" to the question and goes on past
// the closing notice, then prints "CONTINUE" or "QUIT".
//   upgrade_kill DIR
#include "FakeDesktop.h"
#include "core/common/Globals.h"
#include "core/entries/Upgrade.h"

#include <QCoreApplication>
#include <cstdio>

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    const QStringList args = QCoreApplication::arguments();
    if (args.size() != 2) {
        std::fputs("usage: upgrade_kill DIR\n", stderr);
        return 2;
    }
    InitProgramTables();
    DataFolder = args.at(1);
    FakeDesktop fake;
    setDesktop(&fake);
    fake.answerMsgBox(1); // convert
    fake.answerMsgBox(1); // the closing notice
    const UpgradeResult r = UpgradeOlderDataFile();
    std::puts(r == UpgradeResult::Continue ? "CONTINUE" : "QUIT");
    setDesktop(nullptr);
    return 0;
}
