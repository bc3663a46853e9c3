#include "core/common/ChainedLogs.h"

#include "core/common/DataSet.h"
#include "core/common/FileOps.h"
#include "core/common/FolderLock.h"
#include "core/common/Formats.h"
#include "core/common/Globals.h"
#include "core/common/SafeReplace.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QThread>
#include <cerrno>
#include <fcntl.h>
#include <unistd.h>

namespace
{

// The four activity logs, in the order of the data set's files.
QStringList logNames()
{
    QStringList logs;
    for (const QString &name : DataFileList)
        if (name.endsWith(QLatin1String(".Log")))
            logs << name;
    return logs;
}
// Enough for the last whole line of a chain (a link line is under 100 bytes).
constexpr qint64 kTailBytes = 1024;
// How long a writer may be between a line and its link.
constexpr unsigned long kSettleMs = 200;

// The bytes of the open file from offset to its end.
bool readFrom(const DataSet &ds, int fd, qint64 offset, qint64 size, const QString &path,
              QByteArray *bytes)
{
    bytes->resize(qMax<qint64>(0, size - offset));
    return ReadAllAt(ds, fd, bytes->data(), bytes->size(), offset, path) == bytes->size();
}

// Closes fd; false (errno kept) when the close reports a failed write.
bool closed(int fd, bool ok)
{
    return ::close(fd) == 0 && ok;
}

QString stamp(const QDateTime &when)
{
    return when.toString(QStringLiteral("yyyy-MM-ddTHH:mm:ss"));
}

bool appendTo(const DataSet &ds, const QString &path, const QByteArray &bytes)
{
    const int fd = OpenDataSetFile(path, O_RDWR | O_CREAT);
    if (fd < 0)
        return false;
    bool isFile = false;
    qint64 size = 0;
    const bool ok = CurrentFileState(fd, &isFile, &size) &&
                    WriteAllAt(ds, fd, bytes.constData(), bytes.size(), size, path);
    return closed(fd, ok);
}

// The current line count and chain value of each log, as its chain has them.
ChainHead headOf(const DataSet &ds, const QString &logName)
{
    QByteArray tail;
    const QString path = DataPath(ds, ChainFileName(logName));
    const int fd = OpenDataSetFile(path, O_RDONLY);
    if (fd < 0)
        return LogChain::headOf(QByteArray());
    bool isFile = false;
    qint64 size = 0;
    if (CurrentFileState(fd, &isFile, &size))
        readFrom(ds, fd, qMax<qint64>(0, size - kTailBytes), size, path, &tail);
    ::close(fd);
    return LogChain::headOf(tail);
}

} // namespace

QString ChainFileName(const QString &logName)
{
    return logName + QStringLiteral(".chain");
}

QStringList ChainedLogFiles()
{
    QStringList files;
    for (const QString &log : logNames())
        files << ChainFileName(log);
    for (const QString &name : CoveredFiles())
        files << CoverFileName(name);
    return files << SealsFileName;
}

QStringList RestoredChainFiles()
{
    QStringList files;
    for (const QString &log : logNames())
        files << ChainFileName(log);
    return files;
}

bool LinkLogLines(const FolderLock &held, const QString &logName, qint64 lineStart,
                  const QByteArray &line)
{
    if (!held.isHeld())
        return false;
    DataSet &ds = held.dataSet();
    const LogChain chain(ds.options.LogKey);
    const QString chainPath = DataPath(ds, ChainFileName(logName));
    const QString logPath = DataPath(ds, logName);
    const int fd = OpenDataSetFile(chainPath, O_RDWR | O_CREAT);
    if (fd < 0)
        return false;
    bool isFile = false;
    qint64 size = 0;
    QByteArray tail;
    bool ok = CurrentFileState(fd, &isFile, &size) &&
              readFrom(ds, fd, qMax<qint64>(0, size - kTailBytes), size, chainPath, &tail);
    // Half a link from a writer that stopped is dropped; its line is
    // linked again below.
    if (ok && !tail.isEmpty() && !tail.endsWith('\n')) {
        const qint64 cut = size - (tail.size() - tail.lastIndexOf('\n') - 1);
        ok = ::ftruncate(fd, cut) == 0;
        size = cut;
        tail.truncate(tail.lastIndexOf('\n') + 1);
    }
    ChainHead head = LogChain::headOf(tail);
    QByteArray text;
    // Only what lies before lineStart is read back from the log; the line
    // itself is linked as it was written. A share's client may still report
    // the size, or hold the bytes, that the log had before another
    // workstation cut it.
    const bool fresh = !head.started && size == 0 && lineStart > 0;
    QByteArray before;
    if (ok && (fresh || head.end < lineStart)) {
        const int log = OpenDataSetFile(logPath, O_RDONLY);
        ok = log >= 0 && readFrom(ds, log, fresh ? 0 : head.end, lineStart, logPath, &before);
        if (log >= 0)
            ::close(log);
    }
    if (ok && fresh) {
        QByteArray prefix = before.left(before.lastIndexOf('\n') + 1);
        text = chain.sealFrom(&head, prefix);
        before.remove(0, prefix.size());
    }
    // A log shorter than its chain was cut: nothing can be linked to it
    // (verification names the line).
    ok = ok && head.end <= lineStart;
    if (ok) {
        const QDateTime now = desktop().now(); // one reading for date and time
        text += chain.extend(&head, before + line, lineStart,
                             DateText(now) + QStringLiteral(" at ") + TimeText(now));
        ok = WriteAllAt(ds, fd, text.constData(), text.size(), size, chainPath);
    }
    return closed(fd, ok);
}

bool UndoLogLinks(const FolderLock &held, const QString &logName, qint64 logSize)
{
    if (!held.isHeld())
        return false;
    DataSet &ds = held.dataSet();
    const QString path = DataPath(ds, ChainFileName(logName));
    const int fd = OpenDataSetFile(path, O_RDWR);
    if (fd < 0)
        return errno == ENOENT; // never chained: nothing to take back
    bool isFile = false;
    qint64 size = 0;
    QByteArray tail;
    bool ok = CurrentFileState(fd, &isFile, &size) &&
              readFrom(ds, fd, qMax<qint64>(0, size - kTailBytes), size, path, &tail);
    qint64 cut = size;
    // The last lines go while they link bytes at or after logSize.
    while (ok) {
        const ChainHead head = LogChain::headOf(tail);
        if (!head.started || head.end <= logSize)
            break;
        const qint64 start = tail.lastIndexOf('\n', tail.size() - 2) + 1;
        cut -= tail.size() - start;
        tail.truncate(start);
    }
    ok = ok && (cut == size || ::ftruncate(fd, cut) == 0);
    return closed(fd, ok);
}

namespace
{

ChainVerdict verifyOnce(const DataSet &ds, const QString &logName)
{
    QByteArray log, links, seals;
    ReadWholeFile(ds, DataPath(ds, logName), &log);
    ReadWholeFile(ds, DataPath(ds, ChainFileName(logName)), &links);
    ReadWholeFile(ds, DataPath(ds, SealsFileName), &seals);
    return VerifyStoredLog(LogChain(ds.options.LogKey), logName, log, links, seals);
}

} // namespace

ChainVerdict VerifyLogChain(const DataSet &ds, const QString &logName)
{
    // Read without the lock, a line may be caught between its append and
    // its link: a failure at the end is looked at once more.
    ChainVerdict verdict = verifyOnce(ds, logName);
    if (!verdict.ok() && verdict.firstBad >= verdict.lines) {
        QThread::msleep(kSettleMs);
        verdict = verifyOnce(ds, logName);
    }
    return verdict;
}

QString VerdictText(const ChainVerdict &verdict)
{
    if (!verdict.ok())
        return QStringLiteral("line %1 fails its chain: %2")
            .arg(verdict.firstBad)
            .arg(verdict.problem);
    return QStringLiteral("verified up to line %1").arg(verdict.verifiedUpTo);
}

QList<SealRecord> SealLogs(const FolderLock &held, const QDateTime &when)
{
    QList<SealRecord> records;
    if (!held.isHeld())
        return records;
    DataSet &ds = held.dataSet();
    const LogChain chain(ds.options.LogKey);
    QByteArray text;
    for (const QString &log : logNames()) {
        // A log never chained is chained from its end first, and lines a
        // stopped writer left without links get them (a recorded repair).
        if (const QFileInfo info(DataPath(ds, log)); info.exists())
            LinkLogLines(held, log, info.size());
        const ChainHead head = headOf(ds, log);
        SealRecord r;
        r.when = stamp(when);
        r.log = log;
        r.line = head.lines;
        r.value = head.value;
        records << r;
        text += SealRecordLine(chain, r);
    }
    if (!appendTo(ds, DataPath(ds, SealsFileName), text))
        records.clear();
    return records;
}

bool RecordRestore(const FolderLock &held, const QDateTime &when, const QString &what,
                   const QStringList &restored)
{
    if (!held.isHeld())
        return false;
    DataSet &ds = held.dataSet();
    const LogChain chain(ds.options.LogKey);
    QByteArray text;
    for (const QString &log : logNames()) {
        const QString path = DataPath(ds, log);
        // A backup made before the logs had chains brings none back: the
        // chain left here belongs to the log that was replaced.
        if (!restored.contains(ChainFileName(log))) {
            QFile::remove(DataPath(ds, ChainFileName(log)));
            if (QFileInfo::exists(path))
                LinkLogLines(held, log, QFileInfo(path).size());
        }
        SealRecord r;
        r.restore = true;
        r.when = stamp(when);
        r.log = log;
        r.line = headOf(ds, log).lines;
        r.what = what;
        text += SealRecordLine(chain, r);
    }
    // The files the restore put back, or kept, are the program's own.
    bool covered = true;
    for (const QString &name : CoveredFiles())
        covered = CoverFile(held, name) && covered;
    return appendTo(ds, DataPath(ds, SealsFileName), text) && covered;
}

QStringList LogSealLines(const QString &agency, const QString &folder, const QString &sealedBy,
                         bool keyed, const QList<SealRecord> &seals)
{
    const QDateTime when =
        QDateTime::fromString(seals.value(0).when, QStringLiteral("yyyy-MM-ddTHH:mm:ss"));
    QStringList lines = {AppTitle + QStringLiteral(" - Log Seal"),
                         agency,
                         QStringLiteral("Data folder: ") + folder,
                         QStringLiteral("Sealed on ") +
                             when.toString(QStringLiteral("MM/dd/yyyy")) + QStringLiteral(" at ") +
                             when.toString(QStringLiteral("HH:mm:ss")) + QStringLiteral(" by ") +
                             sealedBy,
                         keyed ? QStringLiteral("Chains keyed (HMAC-SHA256)")
                               : QStringLiteral("Chains not keyed (SHA-256)"),
                         QString()};
    for (const SealRecord &seal : seals) {
        lines << seal.log + QStringLiteral(": %1 line(s)").arg(seal.line);
        lines << QStringLiteral("    ") + QString::fromLatin1(seal.value.toHex());
    }
    lines << QString() << QStringLiteral("Signed: ______________________   Date: ____________");
    return lines;
}

// ---- the settings and the user list ----

namespace
{

// The log of the user list's changes, whose chain the covers are bound to
// (ActivityLog.h names it; that module writes through this one).
const QString kUserListLog = QStringLiteral("UserList.Log");

// The MAC of a covered file's bytes bound to the chain value at its line.
QByteArray coverMac(const LogChain &chain, const QString &name, const QByteArray &value,
                    const QByteArray &bytes)
{
    return chain.link(value, name.toUtf8() + '\n' + bytes).toHex();
}

// The value of a chain after line (from its text); empty when it has none.
QByteArray chainValueAt(const QByteArray &links, qint64 line)
{
    for (const QByteArray &text : links.split('\n')) {
        const QList<QByteArray> f = text.split(' ');
        const bool sealed = f.value(0) == "sealed-from";
        if (f.size() == (sealed ? 5 : 4) && f.at(sealed ? 1 : 0).toLongLong() - sealed == line)
            return QByteArray::fromHex(f.last());
    }
    return QByteArray();
}

} // namespace

QString CoverFileName(const QString &name)
{
    return name + QStringLiteral(".mac");
}

QStringList CoveredFiles()
{
    return {InstallationFileName, UserFileName};
}

bool CoverFile(const FolderLock &held, const QString &name)
{
    DataSet &ds = held.dataSet();
    if (!held.isHeld() || ds.options.LogKey.isEmpty())
        return held.isHeld();
    QByteArray bytes;
    if (!QFileInfo::exists(DataPath(ds, name)))
        return true;
    // The user list's log is linked up to its last line first: its head is
    // what the cover is bound to.
    if (const QFileInfo log(DataPath(ds, kUserListLog)); log.exists())
        LinkLogLines(held, kUserListLog, log.size());
    const ChainHead head = headOf(ds, kUserListLog);
    if (!ReadWholeFile(ds, DataPath(ds, name), &bytes) || !head.started)
        return false;
    const LogChain chain(ds.options.LogKey);
    return ReplaceFileContents(ds, DataPath(ds, CoverFileName(name)),
                               QByteArray::number(head.lines) + ' ' +
                                   coverMac(chain, name, head.value, bytes) + '\n');
}

QStringList CoveredFileProblems(const DataSet &ds)
{
    QStringList problems;
    if (ds.options.LogKey.isEmpty())
        return problems;
    const LogChain chain(ds.options.LogKey);
    QByteArray links;
    ReadWholeFile(ds, DataPath(ds, ChainFileName(kUserListLog)), &links);
    for (const QString &name : CoveredFiles()) {
        QByteArray bytes, cover;
        if (!ReadWholeFile(ds, DataPath(ds, name), &bytes))
            continue; // missing or unreadable: the check reports it as such
        if (!ReadWholeFile(ds, DataPath(ds, CoverFileName(name)), &cover)) {
            if (links.contains(" k "))
                problems << name + QStringLiteral(": not covered by the key: the program did "
                                                  "not write it here (copied in?)");
            continue;
        }
        const QList<QByteArray> f = cover.trimmed().split(' ');
        const QByteArray value = chainValueAt(links, f.value(0).toLongLong());
        if (f.size() != 2 || value.isEmpty() || coverMac(chain, name, value, bytes) != f.at(1))
            problems << name + QStringLiteral(": not as the program last wrote it in this "
                                              "folder (copied in from another folder, or changed "
                                              "outside the program)");
    }
    return problems;
}
