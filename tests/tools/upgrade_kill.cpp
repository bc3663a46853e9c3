// A workstation upgrading an older data file, for the tests that end it
// at random moments: answers "convert" to the question and goes on past
// the closing notice, then prints "CONTINUE" or "QUIT".
//   upgrade_kill DIR
#include "FakeDesktop.h"
#include "ToolStart.h"
#include "core/common/Globals.h"
#include "gui/windows/OlderDataUpgrade.h"

#include <QCoreApplication>
#include <cstdio>

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    const QStringList args = QCoreApplication::arguments();
    if (!StartTool(args, 2, 2, 1, "upgrade_kill DIR"))
        return 2;
    FakeDesktop fake;
    setDesktop(&fake);
    fake.answerMsgBox(1); // convert
    fake.answerMsgBox(1); // the closing notice
    const UpgradeResult r = UpgradeOlderDataFile(Tool->data);
    std::puts(r == UpgradeResult::Continue ? "CONTINUE" : "QUIT");
    setDesktop(nullptr);
    return 0;
}
