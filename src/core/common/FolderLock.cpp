#include "core/common/FolderLock.h"

#include "core/common/DataSet.h"

#include "core/common/FileOps.h"
#include "core/common/Globals.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>
#include <QSysInfo>
#include <QThread>
#include <atomic>
#include <cerrno>
#include <condition_variable>
#include <csignal>
#include <mutex>
#include <pwd.h>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>

namespace
{

const QString kOwnerName = QStringLiteral("owner");
const QString kBeatName = QStringLiteral("beat");

QString hostName(const DataSet &ds)
{
    if (!ds.options.HostNameOverride.isEmpty())
        return ds.options.HostNameOverride;
    static const QString name = QSysInfo::machineHostName();
    return name;
}

// Tells this computer's boots apart, so that a process number seen in an
// owner record is only looked up on the boot that wrote it.
QString bootId()
{
    static const QString id = QString::fromLatin1(QSysInfo::bootUniqueId());
    return id;
}

QString accountName()
{
    const passwd *pw = ::getpwuid(::geteuid());
    return pw ? QString::fromLocal8Bit(pw->pw_name) : QString::number(::geteuid());
}

QString programName()
{
    if (QCoreApplication::instance())
        return QFileInfo(QCoreApplication::applicationFilePath()).fileName();
    return AppTitle;
}

// The owner record: one "key=value" line each, in this order.
QByteArray ownerRecord(const DataSet &ds, const QString &token)
{
    QString text;
    const auto line = [&](const char *key, const QString &value) {
        QString clean = value;
        clean.replace(QLatin1Char('\n'), QLatin1Char(' '))
            .replace(QLatin1Char('\r'), QLatin1Char(' '));
        text += QLatin1String(key) + QLatin1Char('=') + clean + QLatin1Char('\n');
    };
    line("token", token);
    line("host", hostName(ds));
    line("boot", bootId());
    line("pid", QString::number(::getpid()));
    line("program", programName());
    line("account", accountName());
    line("user", ds.session().CurrentUserName);
    line("started", QDateTime::currentDateTimeUtc().toString(Qt::ISODate));
    return text.toUtf8();
}

QString field(const QByteArray &record, const char *key)
{
    const QByteArray prefix = QByteArray(key) + '=';
    for (const QByteArray &line : record.split('\n')) {
        if (line.startsWith(prefix))
            return QString::fromUtf8(line.mid(prefix.size()));
    }
    return QString();
}

bool isDeadHolderOfThisComputer(const DataSet &ds, const QByteArray &owner)
{
    if (field(owner, "host") != hostName(ds) || field(owner, "boot") != bootId())
        return false;
    bool ok = false;
    const qint64 pid = field(owner, "pid").toLongLong(&ok);
    if (!ok || pid <= 0 || pid == ::getpid())
        return false;
    return ::kill(pid_t(pid), 0) != 0 && errno == ESRCH;
}

QString describeHolder(const QByteArray &owner)
{
    const QString host = field(owner, "host");
    if (host.isEmpty())
        return QString();
    const QString user = field(owner, "user");
    if (!user.isEmpty())
        return user + QStringLiteral(" at workstation '") + host + QLatin1Char('\'');
    return QStringLiteral("the program '") + field(owner, "program") +
           QStringLiteral("' (process ") + field(owner, "pid") +
           QStringLiteral(") at workstation '") + host + QLatin1Char('\'');
}

// What a waiting workstation sees of a lock: the owner record and the beat
// (or the content of a lock left as a file by an older release). Any change
// means its holder is alive.
struct Sighting {
    bool exists = false;
    bool isFile = false;
    QByteArray owner;
    QByteArray beat;
    QByteArray signature() const { return (isFile ? "F" : "D") + owner + "\n--\n" + beat; }
};

Sighting look(const DataSet &ds, const QString &lockPath)
{
    Sighting s;
    struct stat st;
    if (::stat(QFile::encodeName(lockPath).constData(), &st) != 0)
        return s;
    s.exists = true;
    if (!S_ISDIR(st.st_mode)) {
        s.isFile = true;
        ReadWholeFile(ds, lockPath, &s.owner);
        return s;
    }
    ReadWholeFile(ds, lockPath + QLatin1Char('/') + kOwnerName, &s.owner);
    ReadWholeFile(ds, lockPath + QLatin1Char('/') + kBeatName, &s.beat);
    return s;
}

// Removes a lock folder (or file) and what the lock wrote into it.
bool removeLock(const DataSet &ds, const QString &path)
{
    if (QFileInfo(path).isFile())
        return RemoveFileRetrying(ds, path);
    RemoveFileRetrying(ds, path + QLatin1Char('/') + kBeatName);
    RemoveFileRetrying(ds, path + QLatin1Char('/') + kOwnerName);
    return RemoveDirRetrying(ds, path);
}

// 10 ms at first, up to about 100 ms after a second, with some jitter so
// that waiting workstations do not poll in step.
unsigned long pollPause(qint64 waitedMs)
{
    const qint64 base = qBound(qint64(10), 10 + waitedMs / 10, qint64(80));
    return static_cast<unsigned long>(base + QRandomGenerator::global()->bounded(20));
}

} // namespace

struct FolderLock::Impl {
    explicit Impl(DataSet &dataSet) : ds(dataSet), path(DataPath(dataSet, LockFileName)) {}
    DataSet &ds;
    QString path;
    QByteArray record; // the owner record written by this holder
    QString takenPath; // a stale lock this holder moved aside

    // The heartbeat.
    std::thread beater;
    std::mutex mutex;
    std::condition_variable wake;
    bool stopping = false;

    // The busy lock as watched by this waiter.
    QByteArray seen;
    QElapsedTimer unchangedFor;
    QString holder;
    int failure = 0; // errno of a failure other than "held by another"

    enum Attempt { Held, Busy, Failed };

    QString inside(const QString &name) const { return path + QLatin1Char('/') + name; }

    Attempt attempt()
    {
        if (::mkdir(QFile::encodeName(path).constData(), 0777) != 0) {
            if (errno == EEXIST)
                return Busy;
            failure = errno;
            return Failed;
        }
        const QString token =
            QString::number(QRandomGenerator::system()->generate64(), 16).rightJustified(16, '0') +
            QString::number(QRandomGenerator::system()->generate64(), 16).rightJustified(16, '0');
        record = ownerRecord(ds, token);
        // Written through to the server by the close (the read-back below
        // goes there too); whether the server's disk has it does not matter
        // to a lock that dies with a server restart anyway.
        if (!WriteWholeFile(ds, inside(kOwnerName), record, false) ||
            !WriteWholeFile(ds, inside(kBeatName), beatBytes(0), false)) {
            failure = errno;
            removeLock(ds, path);
            return Failed;
        }
        QByteArray back;
        if (!ReadWholeFile(ds, inside(kOwnerName), &back) || back != record)
            return Busy; // not ours after all: someone took it over
        return Held;
    }

    static QByteArray beatBytes(quint64 count)
    {
        return QByteArray::number(count).rightJustified(20, '0') + '\n';
    }

    void startBeating()
    {
        stopping = false;
        const QString beatPath = inside(kBeatName);
        const int every = qMax(ds.options.LockHeartbeatMs, 10);
        beater = std::thread([this, beatPath, every] {
            quint64 count = 0;
            std::unique_lock<std::mutex> guard(mutex);
            while (!wake.wait_for(guard, std::chrono::milliseconds(every),
                                  [this] { return stopping; })) {
                guard.unlock();
                // Beats go past the data set's fault hook: tests fail the
                // calls of the thread that holds the lock, never this one.
                WriteWholeFile(beatPath, beatBytes(++count), false);
                guard.lock();
            }
        });
    }

    void stopBeating()
    {
        if (!beater.joinable())
            return;
        {
            std::lock_guard<std::mutex> guard(mutex);
            stopping = true;
        }
        wake.notify_all();
        beater.join();
    }

    // Moves a stale lock aside under a name only one taker can win: made
    // from the stale holder's token (or, for a lock without one, from this
    // taker's own). True when the stale lock is gone and a fresh mkdir may
    // follow.
    bool takeOver(const Sighting &stale)
    {
        const QString token = field(stale.owner, "token");
        QString suffix = token;
        if (stale.isFile || token.isEmpty()) {
            suffix = QStringLiteral("orphan-") +
                     QString::number(QRandomGenerator::system()->generate64(), 16);
        }
        const QString target = path + QLatin1Char('.') + suffix + QStringLiteral(".stale");
        // Still the lock judged stale?
        if (look(ds, path).signature() != stale.signature())
            return false;
        if (!RenameRetrying(ds, path, target))
            return false; // another taker won, or it went away
        // What was moved must be the lock judged stale; a fresh lock moved by
        // mistake goes back at once.
        const Sighting moved = look(ds, target);
        if (moved.isFile != stale.isFile || moved.owner != stale.owner) {
            RenameRetrying(ds, target, path);
            return false;
        }
        takenPath = target;
        return true;
    }
};

FolderLock::FolderLock(DataSet &ds) : d(std::make_unique<Impl>(ds)) {}

DataSet &FolderLock::dataSet() const
{
    return d->ds;
}

FolderLock::~FolderLock()
{
    release();
}

bool FolderLock::waitFor(int liveMs, int deadMs, const std::function<void()> &whileWaiting)
{
    QElapsedTimer timer;
    timer.start();
    d->failure = 0;
    for (;;) {
        const Impl::Attempt a = d->attempt();
        if (a == Impl::Held) {
            d->startBeating();
            m_held = true;
            return true;
        }
        if (a == Impl::Failed) {
            // A share may refuse a moment while the lock folder is being
            // removed by its last holder (smbnetfs says EIO for a folder
            // whose removal is pending); only a lasting refusal counts.
            const bool passing =
                IsSharingViolation(d->failure) || d->failure == EIO || d->failure == EAGAIN;
            if (!passing || timer.elapsed() >= liveMs)
                return false;
            if (whileWaiting)
                whileWaiting();
            QThread::msleep(20 + QRandomGenerator::global()->bounded(10));
            continue;
        }
        d->failure = 0;

        const Sighting now = look(d->ds, d->path);
        if (!now.exists)
            continue; // just released: try again at once
        const QByteArray signature = now.signature();
        if (signature != d->seen || !d->unchangedFor.isValid()) {
            d->seen = signature;
            d->unchangedFor.start();
        }
        d->holder = describeHolder(now.owner);
        const bool dead = (!now.isFile && isDeadHolderOfThisComputer(d->ds, now.owner)) ||
                          d->unchangedFor.elapsed() >= d->ds.options.LockStaleMs;
        if (dead && d->takeOver(now))
            continue;

        // A holder whose beat has stopped is waited for until its lock goes
        // stale; a live one only for liveMs.
        const bool beatStopped = d->unchangedFor.elapsed() >= 3 * d->ds.options.LockHeartbeatMs;
        const qint64 elapsed = timer.elapsed();
        if (elapsed >= liveMs && !(beatStopped && elapsed < deadMs))
            return false;
        // Polled less often the longer it waits: every poll is several round
        // trips to a file server that the holder is using meanwhile.
        if (whileWaiting)
            whileWaiting();
        QThread::msleep(pollPause(elapsed));
    }
}

bool FolderLock::acquire(const std::function<void()> &whileWaiting)
{
    if (m_held)
        return true;
    if (waitFor(d->ds.options.LockWaitMs, d->ds.options.LockStaleMs + 2000, whileWaiting))
        return true;
    d->ds.lockRefusal = refusal();
    return false;
}

int FolderLock::failure() const
{
    return d->failure;
}

MsgBoxRequest FolderLock::refusal() const
{
    return d->failure == 0 ? DataFolderBusyMessage(d->holder) : DataFolderUnwritableMessage(d->ds);
}

namespace
{

// The "Data folder busy" question with its text; Retry and Cancel.
MsgBoxRequest folderBusyBox(const QString &text)
{
    return {QStringLiteral("Data folder busy"),
            MsgIcon::Warning,
            text,
            MsgButton::First,
            false,
            {QStringLiteral("&Retry"), QStringLiteral("&Cancel")}};
}

} // namespace

MsgBoxRequest DataFolderBusyMessage(const QString &holder)
{
    QString text = QStringLiteral("Another workstation is saving changes to the") + CrLf;
    if (holder.isEmpty()) {
        text += QStringLiteral("data files in this folder right now.") + CrLf;
    } else {
        text += QStringLiteral("data files in this folder right now:") + CrLf + holder +
                QLatin1Char('.') + CrLf;
    }
    return folderBusyBox(text + CrLf + QStringLiteral("Nothing has been changed yet."));
}

MsgBoxRequest DataFolderUnwritableMessage(const DataSet &ds)
{
    return folderBusyBox(QStringLiteral("The data folder can not be written to:") + CrLf +
                         DataPath(ds, QString()) + CrLf + CrLf +
                         QStringLiteral("Nothing has been changed."));
}

QString LockHolderNow(const DataSet &ds)
{
    const Sighting now = look(ds, DataPath(ds, LockFileName));
    return now.exists ? describeHolder(now.owner) : QString();
}

bool FolderLock::tryAcquire()
{
    if (m_held)
        return true;
    return waitFor(0, 0, {});
}

bool FolderLock::stillHeld() const
{
    if (!m_held)
        return false;
    QByteArray owner;
    return ReadWholeFile(d->ds, d->inside(kOwnerName), &owner) && owner == d->record;
}

void FolderLock::release()
{
    if (!m_held)
        return;
    d->stopBeating();
    // Never remove a lock that another workstation has taken over.
    if (stillHeld())
        removeLock(d->ds, d->path);
    if (!d->takenPath.isEmpty()) {
        removeLock(d->ds, d->takenPath);
        d->takenPath.clear();
        // Locks moved aside by takers that died before they let go: their
        // own locks were just taken over, and nobody takes these any more.
        const QFileInfo lock(d->path);
        const QDir folder(lock.absolutePath());
        for (const QString &name : folder.entryList({lock.fileName() + QStringLiteral(".*.stale")},
                                                    QDir::AllEntries | QDir::NoDotAndDotDot))
            removeLock(d->ds, folder.filePath(name));
    }
    m_held = false;
}

QString FolderLock::holderText() const
{
    return d->holder;
}

QString WorkstationName(const DataSet &ds)
{
    return hostName(ds);
}

QString AccountName()
{
    return accountName();
}

bool RemoveStaleTempFile(DataSet &ds)
{
    const QString path = DataPath(ds, TempFileName);
    if (!QFile::exists(path))
        return true;
    FolderLock lock(ds);
    if (!lock.tryAcquire())
        return false;
    QFile::setPermissions(path, QFile::permissions(path) | QFile::WriteOwner);
    return RemoveFileRetrying(ds, path);
}

LockSighting WatchLock(const DataSet &ds, int waitMs, QString *holder)
{
    const QString path = DataPath(ds, LockFileName);
    const Sighting first = look(ds, path);
    holder->clear();
    if (!first.exists)
        return LockSighting::None;
    *holder = describeHolder(first.owner);
    if (first.isFile)
        return LockSighting::File;
    if (isDeadHolderOfThisComputer(ds, first.owner))
        return LockSighting::LeftBehind;
    QElapsedTimer timer;
    timer.start();
    while (timer.elapsed() < waitMs) {
        QThread::msleep(50);
        const Sighting now = look(ds, path);
        if (!now.exists)
            return LockSighting::None;
        if (now.signature() != first.signature())
            return LockSighting::Live;
    }
    return LockSighting::LeftBehind;
}
