#include "gui/windows/Start.h"

#include "core/common/FolderLock.h"
#include "core/common/Globals.h"
#include "core/store/pg/PgStore.h"
#include "gui/platform/Presenter.h"
#include "gui/platform/ShowMsgBox.h"
#include "gui/platform/WindowLook.h"
#include "gui/windows/frmTitlePage.h"

#include <QApplication>
#include <QDir>
#include <QFileInfo>
#include <QWidget>

std::unique_ptr<Store> Workplace::MakeStore(DataSet &data, const QString &conninfo)
{
    if (conninfo.isEmpty())
        return std::make_unique<FolderStore>(data);
    return std::make_unique<PgStore>(data, conninfo);
}

bool Main(const StartOptions &options, SingleInstance &instance, Workplace &work)
{
    AskThroughWindows(work.data);
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
    if (QString error; !work.store.connect(&error)) {
        ShowMsgBox(QStringLiteral("Database not available"), 2,
                   error + CrLf + CrLf + QStringLiteral("Nothing has been changed."), 1, false,
                   {QStringLiteral("&Okay") + QStringLiteral(", end ") + AppTitle});
        return false;
    }
    // Printing positions text in inches; each print job sets that up itself.
    RemoveStaleTempFile(work.data);

    auto *title = new frmTitlePage(work.store, work.session);
    title->setAttribute(Qt::WA_DeleteOnClose);
    title->show();
    return true;
}
