// Archiving, restoring and deleting the highlighted entry of the main list:
// the questions and notices, and when the "Inactive List" has run empty.
#pragma once

#include "core/common/Desktop.h"

// The questions and notices, as the message box shows them.
MsgBoxRequest ArchiveQuestion();
MsgBoxRequest ArchivedNotice();  // offers "Don't show this again"
MsgBoxRequest RestoreQuestion(); // offers "Don't show this again"
MsgBoxRequest DeleteQuestion();  // "No" is the default button
MsgBoxRequest InactiveListEmptyNotice();

// After a restore: the "Inactive List" is empty when no archived entry is
// left. After a deletion the notice is given only while the "Inactive
// List" is shown.
inline bool InactiveListEmptiedByRestore(int archivedCount)
{
    return archivedCount == 0;
}
inline bool InactiveListEmptiedByDelete(bool inactiveList, int archivedCount)
{
    return inactiveList && archivedCount == 0;
}

// The answers a main window remembers while it is open (never saved).
struct ArchiveMemory {
    bool archiveNoticeSuppressed = false;
    bool restoreQuestionSuppressed = false;
};
