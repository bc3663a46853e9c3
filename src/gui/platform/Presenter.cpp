#include "gui/platform/Presenter.h"

#include "core/store/Store.h"
#include "gui/platform/BusyGuard.h"
#include "gui/platform/ShowMsgBox.h"

#include <QCoreApplication>
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

bool RunLocked(QWidget *window, DataSet &ds, const std::function<void()> &work)
{
    for (;;) {
        ds.lockRefusal.reset();
        RunBusy(window, work);
        const std::optional<MsgBoxRequest> refusal = std::exchange(ds.lockRefusal, std::nullopt);
        if (!refusal)
            return true;
        if (Ask(*refusal) != MsgButton::First)
            return false;
    }
}

UserResult RunUserChange(QWidget *window, DataSet &ds, const std::function<UserResult()> &change)
{
    UserResult result = UserResult::Cancelled;
    return RunLocked(window, ds, [&] { result = change(); }) ? result : UserResult::Cancelled;
}

namespace
{
bool openAsking(const std::function<bool()> &open, const std::function<MsgBoxRequest()> &question)
{
    while (!open()) {
        if (Ask(question()) != MsgButton::First)
            return false;
    }
    return true;
}
} // namespace

bool OpenEntries(Store &store)
{
    return openAsking([&] { return store.openEntries(); },
                      [&] { return DataFileUnavailableMessage(store.dataSet(), true); });
}

bool OpenUsers(Store &store)
{
    return openAsking([&] { return store.openUsers(); },
                      [&] { return UserFileUnavailableMessage(store.dataSet()); });
}

void AskThroughWindows(DataSet &ds)
{
    ds.ask = [](const MsgBoxRequest &request) {
        QCoreApplication *app = QCoreApplication::instance();
        if (!app || QThread::currentThread() == app->thread())
            return Ask(request);
        int choice = MsgButton::None;
        QMetaObject::invokeMethod(
            app, [&] { choice = Ask(request); }, Qt::BlockingQueuedConnection);
        return choice;
    };
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
