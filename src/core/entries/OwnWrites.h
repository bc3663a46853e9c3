// The data file's stamps before and after each of this workstation's own
// writes, taken while the folder lock is held, so that no other
// workstation's write can fall between a write and its stamps. The main
// window's watch uses them to tell its own changes from other
// workstations'.
#pragma once

#include "core/common/Desktop.h"

#include <QList>
#include <optional>

struct OwnWrite {
    std::optional<FileStamp> before; // nothing: the file was missing
    std::optional<FileStamp> after;
};

// Notes one write of the data file (at path) by this workstation.
void NoteOwnWrite(const std::optional<FileStamp> &before, const std::optional<FileStamp> &after);

// True when the data file went from stamp `from` to stamp `to` through
// this workstation's own writes alone: following the noted writes in
// order, each starting where the one before ended, leads from `from` to
// `to`. A write of another workstation in between breaks the chain. The
// noted writes are forgotten either way (the watch has seen `to` now).
bool TakeOwnChange(const std::optional<FileStamp> &from, const std::optional<FileStamp> &to);

// The writes noted and not yet taken, oldest first (at most 64 are kept).
QList<OwnWrite> PendingOwnWrites();
void ForgetOwnWrites();
