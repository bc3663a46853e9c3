// The upgrade of a data file an older release wrote, as the title window
// runs it: the questions here, the steps in core (Upgrade.h).
#pragma once

#include <functional>

class DataSet;

enum class UpgradeResult {
    Continue, // go on to sign-in: the data file is current or absent
    Quit,     // end the program now; the data files are as they were
};

// Runs work while the window is busy (no input, repaints go on), off the
// GUI thread, and returns when it is done.
using RunBusyWork = std::function<void(const std::function<void()> &)>;

// Looks in ds's data folder for a data file of an older release and deals with it, asking the
// person. Returns Quit when the person chose to quit, or when the data file
// is still in an older format because the work could not be done (the
// person has been told); the caller then closes its files, unloads the
// title window and ends the process. Each step that takes the folder lock
// runs through runBusy (when given; else right here); while the folder
// stays busy the person is asked, and Retry runs the step again.
UpgradeResult UpgradeOlderDataFile(DataSet &ds, const RunBusyWork &runBusy = {});
