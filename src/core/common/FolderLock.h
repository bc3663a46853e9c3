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

    // Takes the lock, waiting up to WaitMs while windows keep painting.
    // When it stays busy the person is told and may retry or cancel; false
    // means cancelled and nothing may be written.
    bool acquire();
    // Takes the lock only if it is free now (or stale); never asks.
    bool tryAcquire();
    void release();
    bool isHeld() const { return m_held; }

private:
    bool waitFor(int ms);
    std::unique_ptr<QLockFile> m_file;
    bool m_held = false;
};

// Removes a work file left by an interrupted run, unless another
// workstation holds the lock (its compaction may be writing it right now).
// True when no stale work file remains.
bool RemoveStaleTempFile();
