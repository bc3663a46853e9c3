// Reading the whole data file to tell whether it can be trusted.
#pragma once

#include "core/common/RecordCheck.h"
#include "core/entries/EntryRecord.h"

#include <limits>

// The largest value (in ten-thousandths, either sign) an entry can hold
// sensibly: a full data file of such values still adds up without
// overflowing, about $28 billion each. A record beyond it was damaged.
constexpr qint64 MaxEntryValue = std::numeric_limits<qint64>::max() / MaxEntryCount;

// Reads the data file at path: its length, its records, those whose dates
// or control number are no number an OLE date can be (they do not decode),
// those with a date before 1900 or after 2099 (a time-stamp control number,
// the received and the released date), those whose value is beyond
// MaxEntryValue, and the active, archived and half-deleted counts.
RecordFileCheck CheckEntryFile(const QString &path);
