// The data folder's lock: held for every write to any file of the data set
// (entries, users, logs, upgrade, restore, clean-up), for one operation
// only and never across a dialog.
//
// The lock is the folder "Custorin.lock" in the data folder, made with one
// mkdir: a share whose server creates folders atomically gives exactly one
// winner, where an exclusive file create may give two through some network
// clients. Inside it the holder writes its owner record ("owner": host,
// process, program, account, person signed in, start time and a token of
// its own) and reads it back before it counts the lock as its own. While it
// holds the lock a background thread rewrites "beat" every LockHeartbeatMs, so a
// live holder is never taken for dead however long its work takes. A lock
// whose owner record and beat stay unchanged for LockStaleMs (as seen by the
// waiting workstation's own clock, so clocks of different computers never
// meet), or whose holder is a dead process of this computer, is taken over:
// the taker renames the lock folder to a name made from the stale holder's
// token, which only one taker can win, and then makes a fresh one.
#pragma once

#include "core/common/Desktop.h"

#include <QString>
#include <functional>
#include <memory>

class DataSet;

// The lock of one data set; its timings are the data set's options
// (LockWaitMs, LockHeartbeatMs, LockStaleMs).
class FolderLock
{
public:
    explicit FolderLock(DataSet &ds);
    ~FolderLock();
    FolderLock(const FolderLock &) = delete;
    FolderLock &operator=(const FolderLock &) = delete;

    // Takes the lock, waiting up to LockWaitMs for a live holder and as long as
    // it takes to see a dead one's lock go stale. Never asks: false means
    // the folder stayed busy (failure() 0, holderText() names the holder)
    // or could not be written to (failure() the errno), and nothing may be
    // written; refusal() is what the person is told then (it is also left
    // as the data set's lockRefusal). whileWaiting,
    // when given, is called between the polls. The wait blocks the calling
    // thread: a window runs it on a worker thread.
    bool acquire(const std::function<void()> &whileWaiting = {});
    // Why the last acquire() failed: 0 when the folder was busy, else the
    // errno of the failure.
    int failure() const;
    // The "Data folder busy" question (Retry, Cancel) for the last failed
    // acquire().
    MsgBoxRequest refusal() const;
    // Takes the lock only if it is free now (or its holder is a dead
    // process of this computer); never asks.
    bool tryAcquire();
    // Removes the lock when it is still this holder's own.
    void release();
    bool isHeld() const { return m_held; }
    // False once the lock folder no longer holds this holder's owner record
    // (taken over while this process was stalled): nothing more may be
    // committed under it.
    bool stillHeld() const;

    // The holder of a busy lock as last seen ("Lee Carter at workstation
    // 'WS-FRONT'"); empty when unknown.
    QString holderText() const;

    // The data set whose folder this lock is.
    DataSet &dataSet() const;

private:
    struct Impl;
    std::unique_ptr<Impl> d;
    bool m_held = false;
    bool waitFor(int liveMs, int deadMs, const std::function<void()> &whileWaiting);
};

// The "Data folder busy" question: another workstation (holder, when known)
// holds the lock; Retry runs the operation again (nothing was written).
MsgBoxRequest DataFolderBusyMessage(const QString &holder);
// The same question when the lock could not be made at all.
MsgBoxRequest DataFolderUnwritableMessage(const DataSet &ds);
// The holder of the data folder's lock as it is seen now; empty when the
// lock is free or its holder unknown.
QString LockHolderNow(const DataSet &ds);

// This computer's name and the account the program runs as, as the owner
// record gives them.
QString WorkstationName(const DataSet &ds);
QString AccountName();

// Removes a work file left by an interrupted run, unless another
// workstation holds the lock (its compaction may be writing it right now).
// True when no stale work file remains.
bool RemoveStaleTempFile(DataSet &ds);

// What the data folder's lock looks like to a reader that does not want it
// (the check): none, held by a live holder, left behind by one that
// stopped (unchanged while watched for waitMs, or a dead process of this
// computer), or left as a file.
enum class LockSighting { None, Live, LeftBehind, File };
// Watches the lock for up to waitMs without taking it; *holder names its
// holder when known.
LockSighting WatchLock(const DataSet &ds, int waitMs, QString *holder);
