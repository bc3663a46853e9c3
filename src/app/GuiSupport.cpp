#include "app/GuiSupport.h"

#include "app/FolderLock.h"
#include "app/Globals.h"
#include "app/GuiStandard.h"
#include "app/MsgBox.h"
#include "app/frmTitlePage.h"

#include <QApplication>
#include <QDir>
#include <QFileInfo>
#include <QWidget>

bool QuitProgram(bool skipConfirmation)
{
    int choice = 1;
    if (!skipConfirmation) {
        choice = ShowMsgBox(QStringLiteral("Exit ") + AppTitle + QStringLiteral("?"), 3,
                            QStringLiteral("This will close ") + AppTitle + QStringLiteral(".") +
                                CrLf + CrLf + QStringLiteral("Is this what you want to do?"),
                            1, false,
                            {QStringLiteral("&Yes") + QStringLiteral(", exit ") + AppTitle,
                             QStringLiteral("&No") + QStringLiteral(", don't quit yet")});
    }
    if (choice != 1)
        return false;

    ProgramEnding = true;
    // No file is held open between operations; let pending window work
    // finish before the files are looked at.
    QCoreApplication::processEvents();
    RemoveEmptyDataFiles();
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

bool Main(const StartOptions &options, SingleInstance &instance)
{
    if (!instance.claim()) {
        ShowMsgBox(QStringLiteral("Terminating"), 2,
                   AppTitle + QStringLiteral(" is already loaded") + CrLf +
                       QStringLiteral("and running on your computer!"),
                   1, false, {QStringLiteral("&Okay")});
        return false;
    }

    const QFileInfo folder(options.dataDir);
    if (!folder.isDir()) {
        ShowMsgBox(QStringLiteral("Data folder not found"), 2,
                   QStringLiteral("The folder that should hold the data files") + CrLf +
                       QStringLiteral("does not exist or can not be reached:") + CrLf + CrLf +
                       QDir::toNativeSeparators(options.dataDir),
                   1, false, {QStringLiteral("&Okay") + QStringLiteral(", end ") + AppTitle});
        return false;
    }
    DataFolder = folder.absoluteFilePath();

    InitProgramTables();
    // Printing positions text in inches; each print job sets that up itself.
    RemoveStaleTempFile();

    auto *title = new frmTitlePage;
    title->setAttribute(Qt::WA_DeleteOnClose);
    title->show();
    return true;
}
