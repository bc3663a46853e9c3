// Where the windows tell the person what an operation came to, and where
// the operations that wait for the data folder's lock run: off the GUI
// thread, while the window is busy (it takes no input and keeps painting).
#pragma once

#include "core/entries/EntryStore.h"
#include "core/users/UserFile.h"

#include <functional>
#include <optional>

class DataSet;
class QWidget;
class Store;

// Runs work on a worker thread and returns once it is done. Meanwhile the
// window takes no mouse, keys or close box (a second click starts
// nothing) and the program keeps painting and running its timers; work
// must not touch what the GUI thread uses meanwhile, and asks nothing.
void RunBusy(QWidget *window, const std::function<void()> &work);
// True while RunBusy's work runs: a timer that reads what the work may be
// changing (the own-writes journal, the counts) waits for the next tick.
bool BusyWorkRunning();

// Runs a change of the data file with RunBusy. While the folder stays busy
// the person is asked "Data folder busy": Retry runs the change again
// (nothing was written before the lock was taken), Cancel ends with
// Cancelled. Any other result is returned as it is, untold. ds is the data
// set the change works on (its messages name its files).
StoreResult RunStoreChange(QWidget *window, const DataSet &ds,
                           const std::function<StoreResult()> &change);

// Runs work with RunBusy. When it could not take the data folder's lock
// (the data set's lockRefusal), the person is asked "Data folder busy":
// Retry runs the work again, Cancel ends with false. True once the work
// ran without a refusal.
bool RunLocked(QWidget *window, DataSet &ds, const std::function<void()> &work);
// A change of the user file the same way; Cancelled when the person
// cancelled.
UserResult RunUserChange(QWidget *window, DataSet &ds, const std::function<UserResult()> &change);

// Opens the store's entries or users for reading; while they can not be
// opened the person is asked (Retry, Cancel). False when cancelled.
bool OpenEntries(Store &store);
bool OpenUsers(Store &store);

// Installs on ds the question function its operations ask in the middle
// of a step: the message box, shown on the GUI thread also when the step
// runs on a worker thread (which waits for the answer).
void AskThroughWindows(DataSet &ds);

// Tells the person what a result of a change means; nothing for Ok and
// Cancelled.
void ShowStoreResult(const DataSet &ds, StoreResult result);
void ShowUserResult(const DataSet &ds, UserResult result);

// Tells the person what an operation came to, when there is anything to
// tell.
void Tell(const std::optional<MsgBoxRequest> &notice);
// Puts a question of a core operation before the person: the number of the
// button pressed, 0 when the box was closed without one.
int Ask(const MsgBoxRequest &request);
