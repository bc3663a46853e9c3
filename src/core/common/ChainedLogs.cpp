#include "core/common/ChainedLogs.h"

#include "core/common/DataSet.h"
#include "core/common/FileOps.h"
#include "core/common/FolderLock.h"
#include "core/common/Formats.h"
#include "core/common/Globals.h"

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
    return files << SealsFileName;
}

QStringList RestoredChainFiles()
{
    QStringList files = ChainedLogFiles();
    files.removeAll(SealsFileName);
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
    const LogChain chain(ds.options.LogKey);
    QByteArray log, links, seals;
    ReadWholeFile(ds, DataPath(ds, logName), &log);
    ReadWholeFile(ds, DataPath(ds, ChainFileName(logName)), &links);
    ReadWholeFile(ds, DataPath(ds, SealsFileName), &seals);
    QStringList notes, problems;
    const QList<SealPoint> points =
        SealPointsFor(ParseSeals(chain, seals), logName, &notes, &problems);
    ChainVerdict verdict = chain.verify(log, links, points);
    verdict.notes << notes;
    if (verdict.ok() && !problems.isEmpty()) {
        verdict.firstBad = verdict.verifiedUpTo + 1;
        verdict.verifiedUpTo = 0;
        verdict.problem = problems.first();
    }
    return verdict;
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
    return appendTo(ds, DataPath(ds, SealsFileName), text);
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
