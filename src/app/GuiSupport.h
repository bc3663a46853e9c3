// Starting and ending the program.
#pragma once

#include "app/Startup.h"

class QApplication;

// True from the moment the program has agreed to end: windows close
// without asking again.
inline bool ProgramEnding = false;

// Asks (unless skipConfirmation) whether to end the program and, on
// agreement, removes the empty data files, closes every window and ends the
// event loop; returns true then. Returns false when the person declined;
// nothing has changed.
bool QuitProgram(bool skipConfirmation);

// The start of the program: refuses a second copy, sets up the program's
// tables, removes a stale work file and shows the title window. Returns
// false when the program must end at once. `instance` is held for the
// lifetime of the program.
bool Main(const StartOptions &options, SingleInstance &instance);
