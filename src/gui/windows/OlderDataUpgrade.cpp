#include "gui/windows/OlderDataUpgrade.h"

#include "core/common/DataSet.h"
#include "core/entries/Upgrade.h"
#include "gui/platform/ShowMsgBox.h"

namespace
{

// Runs a step, asking while the folder stays busy; Busy when the person
// cancelled.
UpgradeStep runStep(const RunBusyWork &runBusy, const std::function<UpgradeStep()> &step)
{
    for (;;) {
        UpgradeStep result;
        if (runBusy)
            runBusy([&] { result = step(); });
        else
            result = step();
        if (result.kind != UpgradeStep::Busy ||
            ShowMsgBox(result.message).choice != MsgButton::First)
            return result;
    }
}

UpgradeResult resultOf(const UpgradeStep &step)
{
    if (step.kind == UpgradeStep::Busy) {
        // The person cancelled while the folder was busy: the program can
        // not go on with the older file, and says so before it ends.
        ShowMsgBox(UpgradeCancelledMessage());
    } else if (step.kind == UpgradeStep::Failed) {
        ShowMsgBox(step.message);
    }
    // Cancelled or failed: the data file is still in its older form, which
    // the rest of the program can not read.
    return step.kind == UpgradeStep::Done || step.kind == UpgradeStep::Gone
               ? UpgradeResult::Continue
               : UpgradeResult::Quit;
}

// Asks whether to convert the older file or set it aside, does it and says
// when it is done.
UpgradeResult convertOrSetAside(DataSet &ds, const RunBusyWork &runBusy, OldFormat format)
{
    UpgradeStep step;
    const int choice = ShowMsgBox(UpgradeQuestion(format)).choice;
    switch (choice) {
    case MsgButton::First:
        step = runStep(runBusy, [&ds, format] { return ConvertOlderData(ds, format); });
        break;
    case MsgButton::Second:
        step = runStep(runBusy, [&ds, format] { return SetOlderDataAside(ds, format); });
        break;
    default:
        return UpgradeResult::Quit;
    }
    if (step.kind == UpgradeStep::Done)
        ShowMsgBox(UpgradeFinishedMessage(format, choice == MsgButton::First));
    return resultOf(step);
}

} // namespace

UpgradeResult UpgradeOlderDataFile(DataSet &ds, const RunBusyWork &runBusy)
{
    OlderData found = FindOlderData(ds);
    if (found == OlderData::EmptyData) {
        runStep(runBusy, [&ds] { return RemoveEmptyOlderFile(ds, OldFormat::A); });
        found = FindOlderData(ds);
        if (found == OlderData::EmptyData)
            return UpgradeResult::Continue; // left for the next start
    }
    switch (found) {
    case OlderData::None:
    case OlderData::EmptyData:
        return UpgradeResult::Continue;
    case OlderData::Data:
        // The person decides about the older data; a ".Dat" file is not
        // offered as well (it would replace the copy just kept).
        return convertOrSetAside(ds, runBusy, OldFormat::A);
    case OlderData::EmptyDat:
        runStep(runBusy, [&ds] { return RemoveEmptyOlderFile(ds, OldFormat::B); });
        return UpgradeResult::Continue;
    case OlderData::UnmarkedDat:
        ShowMsgBox(TooOldMessage());
        return resultOf(runStep(runBusy, [&ds] { return SetOlderDataAside(ds, OldFormat::B); }));
    case OlderData::Dat:
        return convertOrSetAside(ds, runBusy, OldFormat::B);
    }
    return UpgradeResult::Continue;
}
