#include "gui/windows/Quit.h"

#include "core/common/Globals.h"
#include "core/common/Startup.h"
#include "gui/platform/ShowMsgBox.h"

#include <QApplication>
#include <QWidget>

bool QuitProgram(DataSet &ds, bool skipConfirmation, bool leaveFiles)
{
    int choice = 1;
    if (!skipConfirmation) {
        choice = ShowMsgBox(QStringLiteral("Exit ") + AppTitle + QStringLiteral("?"), 3,
                            QStringLiteral("This will close ") + AppTitle + QStringLiteral(".") +
                                CrLf + CrLf + QStringLiteral("Is this what you want to do?"),
                            1, false,
                            {QStringLiteral("&Yes") + QStringLiteral(", exit ") + AppTitle,
                             QStringLiteral("&No") + QStringLiteral(", don't quit yet")})
                     .choice;
    }
    if (choice != 1)
        return false;

    ProgramEnding = true;
    // No file is held open between operations; let pending window work
    // finish before the files are looked at.
    QCoreApplication::processEvents();
    if (!leaveFiles)
        RemoveEmptyDataFiles(ds);
    if (qobject_cast<QApplication *>(QCoreApplication::instance())) {
        const auto windows = QApplication::topLevelWidgets();
        for (QWidget *w : windows) {
            w->close();
            w->deleteLater();
        }
    }
    QCoreApplication::exit(0);
    return true;
}
