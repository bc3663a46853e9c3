#include "gui/platform/Presenter.h"

#include "core/common/MsgBox.h"
#include "gui/platform/BusyGuard.h"

#include <QEventLoop>
#include <QThread>
#include <memory>

namespace
{
int runningWork = 0; // touched on the GUI thread only
} // namespace

bool BusyWorkRunning()
{
    return runningWork > 0;
}

void RunBusy(QWidget *window, const std::function<void()> &work)
{
    BusyGuard busy(window);
    ++runningWork;
    QEventLoop loop;
    const std::unique_ptr<QThread> worker(QThread::create(work));
    QObject::connect(worker.get(), &QThread::finished, &loop, &QEventLoop::quit);
    worker->start();
    loop.exec();
    worker->wait();
    --runningWork;
}

StoreResult RunStoreChange(QWidget *window, const DataSet &ds,
                           const std::function<StoreResult()> &change)
{
    for (;;) {
        StoreResult result = StoreResult::Ok;
        RunBusy(window, [&] { result = change(); });
        if (result != StoreResult::Busy && result != StoreResult::Unwritable)
            return result;
        if (ShowMsgBox(StoreResultMessage(ds, result)).choice != MsgButton::First)
            return StoreResult::Cancelled;
    }
}

void ShowStoreResult(const DataSet &ds, StoreResult result)
{
    const MsgBoxRequest message = StoreResultMessage(ds, result);
    if (!message.title.isEmpty())
        ShowMsgBox(message);
}

void ShowUserResult(const DataSet &ds, UserResult result)
{
    const MsgBoxRequest message = UserResultMessage(ds, result);
    if (!message.title.isEmpty())
        ShowMsgBox(message);
}

int Ask(const MsgBoxRequest &request)
{
    return ShowMsgBox(request).choice;
}

void Tell(const std::optional<MsgBoxRequest> &notice)
{
    if (notice)
        ShowMsgBox(*notice);
}
