// One open data folder: its files, its lock and the lock's timings, the
// shared reader's opens of the data file and the user file, the counts the
// windows show, the journal of this workstation's own writes and the
// installation's settings. Several data sets may be open at once (a backup
// beside the live folder); nothing about a folder lives outside its data
// set.
#pragma once

#include "core/common/DatabaseFailure.h"
#include "core/common/Desktop.h"
#include "core/common/Session.h"

#include <QList>
#include <QSet>
#include <QString>
#include <functional>
#include <memory>
#include <optional>

class RecordFile;
struct EntryListAhead;

// The file calls a fault hook may fail.
enum class FileOp { Unlink, Rename, Rmdir, Write, Read, Sync };

// For tests (a data set's option): called before each of those calls with
// the path (the source of a rename); a non-zero result is taken as that
// call's errno instead of running it. An empty hook runs every call.
using FileFaultHook = std::function<int(FileOp op, const QString &path)>;

// Timings and test seams of one data set.
struct DataSetOptions {
    // How long the lock is waited for while its holder is alive, how often a
    // holder shows it is alive, and how long an unchanged lock must stay
    // unchanged to be taken for one left by a holder that died.
    int LockWaitMs = 4000;
    int LockHeartbeatMs = 500;
    int LockStaleMs = 5000;
    // How long a failed open of the data file or the user file is retried.
    int DataFileOpenRetryMs = 3000;
    int UserFileOpenRetryMs = 3000;
    // How long a refused removal or rename is retried.
    int ShareRetryMs = 2000;
    // For tests: the host name written into the lock's owner record and used
    // to recognise holders of this computer (empty: the real one).
    QString HostNameOverride;
    // For tests: fails chosen file calls (common/FileOps.h).
    FileFaultHook FaultHook;
    // The key of the activity logs' chains (common/LogChain.h), read from
    // the key file the workstation's settings name; empty: no key.
    QByteArray LogKey;
};

// The data file's stamps before and after one of this workstation's own
// writes (nothing: the file was missing).
struct OwnWrite {
    std::optional<FileStamp> before;
    std::optional<FileStamp> after;
};

// Why the last log append failed, for the message: the log, and when the
// log belongs to another account, whose it is and who this program runs as.
struct LogFailure {
    QString logName;
    QString owner;
    QString account;
};

class DataSet
{
public:
    // folder: absolute or relative to the current folder; empty means the
    // current folder.
    explicit DataSet(const QString &folder = QString(), DataSetOptions options = {});
    ~DataSet();
    DataSet(const DataSet &) = delete;
    DataSet &operator=(const DataSet &) = delete;

    QString folder() const { return m_folder; }
    // Full path of a data-set file given by its bare name.
    QString path(const QString &bareName) const;

    // The person whose name goes into the lock's owner record and the log
    // lines; a data set opened without one (a backup being compared) names
    // nobody.
    void attach(const Session *session) { m_session = session; }
    const Session &session() const { return m_session ? *m_session : m_nobody; }

    DataSetOptions options;

    // Counts kept for the windows. RecordCount is set by every open of the
    // data file; the two status counts by the list load, the recount and
    // compaction; UserCount by every open and change of the user file.
    int RecordCount = 0;
    int ActiveCount = 0;
    int ArchivedCount = 0;
    int UserCount = 0;

    // The agency's name from the installation's settings.
    QString AgencyName;

    // The shared reader's opens (entries/DataFile.h, users/UserFile.h).
    std::shared_ptr<RecordFile> dataFile;
    std::shared_ptr<RecordFile> userFile;
    // The list of entries read ahead while the sign-in stands on screen
    // (entries/EntryList.h).
    std::shared_ptr<EntryListAhead> listAhead;
    bool userFolderEmpty = false; // no user file in a folder nobody can write

    // This workstation's own writes of the data file, oldest first, not yet
    // seen by the main window's watch (entries/OwnWrites.h).
    QList<OwnWrite> ownWrites;
    // The last failed log append (common/ActivityLog.h).
    LogFailure logFailure;
    // A database store's last failed operation, told in place of the data
    // file's texts (entries/EntryStore.h, users/UserFile.h); never set for
    // a data folder.
    DatabaseFailure databaseFailure;
    // Damaged file lengths already told (path and length).
    QSet<QString> toldDamagedLengths;

    // Puts a question that comes up in the middle of a step (keep a damaged
    // file's tail?) before the person: the number of the button pressed, 0
    // when the box was closed without one. The window installs it; it may be
    // called from a worker thread. Without one nobody is asked and the step
    // takes the safe answer: nothing is cut, nothing written past the last
    // whole record.
    std::function<int(const MsgBoxRequest &)> ask;
    // The "Data folder busy" question for the last time the folder lock
    // could not be taken (FolderLock::acquire); the window that runs the
    // operation empties it before and asks it after, Retry running the
    // operation again.
    std::optional<MsgBoxRequest> lockRefusal;

private:
    QString m_folder;
    const Session *m_session = nullptr;
    Session m_nobody;
};

// Full path of a data-set file given by its bare name.
QString DataPath(const DataSet &ds, const QString &bareName);
