// The data folder's lock: held for every write to any file of the data set
// (entries, users, logs, upgrade, restore, clean-up), for one operation
// only and never across a dialog.
#pragma once

#include <QString>
#include <memory>

class QLockFile;

class FolderLock
{
public:
    // How long acquire() waits before asking, and how old a lock must be
    // before it is taken for one left by a crashed program on another
    // computer (a dead holder on this computer is recognised at once).
    static constexpr int WaitMs = 4000;
    static constexpr int StaleMs = 60000;
    // An empty lock file (its holder died before writing its id) older than
    // this is removed.
    static constexpr int EmptyStaleMs = 2000;

    FolderLock();
    ~FolderLock();
    FolderLock(const FolderLock &) = delete;
    FolderLock &operator=(const FolderLock &) = delete;

    // A lock taken while this program already holds the folder lock (an
    // operation that appends its log line under its own lock) is nested:
    // it succeeds at once and releasing it keeps the outer hold.

    // Takes the lock, waiting up to WaitMs while windows keep painting.
    // When it stays busy the person is told and may retry or cancel; false
    // means cancelled and nothing may be written.
    bool acquire();
    // Takes the lock only if it is free now (or stale); never asks.
    bool tryAcquire();
    void release();
    bool isHeld() const { return m_held; }
    // True while any FolderLock of this program holds the folder.
    static bool heldByThisProgram() { return s_holders > 0; }

private:
    bool waitFor(int ms);
    bool takeNested();
    std::unique_ptr<QLockFile> m_file;
    bool m_held = false;
    bool m_nested = false;
    static int s_holders; // holds of this program, outer and nested
};

// Removes a work file left by an interrupted run, unless another
// workstation holds the lock (its compaction may be writing it right now).
// True when no stale work file remains.
bool RemoveStaleTempFile();
