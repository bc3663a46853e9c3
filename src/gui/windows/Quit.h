// Ending the program: the one way out, with its confirmation.
#pragma once

class DataSet;

// True from the moment the program has agreed to end: windows close
// without asking again.
inline bool ProgramEnding = false;

// Asks (unless skipConfirmation) whether to end the program and, on
// agreement, removes the empty data files (unless leaveFiles: the end
// after an upgrade that was not done leaves every file as it is), closes
// every window and ends the event loop; returns true then. Returns false
// when the person declined; nothing has changed.
bool QuitProgram(DataSet &ds, bool skipConfirmation, bool leaveFiles = false);
