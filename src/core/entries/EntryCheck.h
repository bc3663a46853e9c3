// Reading the whole data file to tell whether it can be trusted.
#pragma once

#include "core/common/RecordCheck.h"

// Reads the data file at path: its length, its records, those whose dates
// or control number are no number an OLE date can be (they do not decode),
// those with a date before 1900 or after 2099 (a time-stamp control number,
// the received and the released date), and the active, archived and
// half-deleted counts.
RecordFileCheck CheckEntryFile(const QString &path);
