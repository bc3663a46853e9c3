// The start of the program, after the command line has been read.
#pragma once

#include "core/common/Startup.h"

class QApplication;

// The start of the program: refuses a second copy, sets up the program's
// tables, removes a stale work file and shows the title window. Returns
// false when the program must end at once. `instance` is held for the
// lifetime of the program.
bool Main(const StartOptions &options, SingleInstance &instance);
