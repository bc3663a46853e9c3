// The backup and restore procedures of the administrative window: the
// person's questions and answers here, the checks, texts and copies in
// core (BackupRestore.h), the copy itself off the GUI thread.
#pragma once

#include <QString>
#include <functional>

class Store;

// What the procedures need of the window.
struct ProcedureWindow {
    std::function<QString()> caption;
    // May be called from the worker thread the copy runs on.
    std::function<void(const QString &)> setCaption;
    // Runs the copy while the window is busy (no input, repaints go on)
    // and returns when it is done.
    std::function<void(const std::function<void()> &)> runBusy;
};

// The two procedures on the store's data folder: true when every file was
// copied. A store that backs itself up (a database) writes its own backup
// into the chosen folder, and the restore says how that comes back.
bool BackupDataFiles(Store &store, const ProcedureWindow &window);
bool RestoreDataFiles(Store &store, const ProcedureWindow &window);
