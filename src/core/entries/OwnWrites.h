// The data file's stamps before and after each of this workstation's own
// writes, taken while the folder lock is held, so that no other
// workstation's write can fall between a write and its stamps. The main
// window's watch uses them to tell its own changes from other
// workstations'. The journal is the data set's (DataSet::ownWrites).
#pragma once

#include "core/common/DataSet.h"

#include <QList>
#include <optional>

// Notes one write of the data file by this workstation.
void NoteOwnWrite(DataSet &ds, const std::optional<FileStamp> &before,
                  const std::optional<FileStamp> &after);

// True when the data file went from stamp `from` to stamp `to` through
// this workstation's own writes alone: following the noted writes in
// order, each starting where the one before ended, leads from `from` to
// `to`. A write of another workstation in between breaks the chain. The
// noted writes are forgotten either way (the watch has seen `to` now).
bool TakeOwnChange(DataSet &ds, const std::optional<FileStamp> &from,
                   const std::optional<FileStamp> &to);

// The writes noted and not yet taken, oldest first (at most 64 are kept).
QList<OwnWrite> PendingOwnWrites(const DataSet &ds);
void ForgetOwnWrites(DataSet &ds);
