#include "core/common/RecordFileLength.h"

#include "core/common/DataSet.h"
#include "core/common/FileOps.h"
#include "core/common/Formats.h"
#include "core/common/Globals.h"
#include "core/common/MsgBox.h"
#include "core/common/SafeReplace.h"

#include <QFile>
#include <QFileInfo>
#include <QSet>
#include <fcntl.h>
#include <unistd.h>

namespace
{

QString number(qint64 n)
{
    return CountText(n);
}

QString lengthLines(const RecordFileKind &kind, qint64 length)
{
    const qint64 tail = PartialTailBytes(length, kind.recordLength);
    return QStringLiteral("The ") + kind.fileWord + QStringLiteral(" '") + kind.fileName +
           QStringLiteral("' is ") + number(length) + QStringLiteral(" bytes long:") + CrLf +
           QStringLiteral("its last ") + number(tail) + QStringLiteral(" bytes are not a whole ") +
           number(kind.recordLength) + QStringLiteral("-byte ") + kind.recordWord +
           QStringLiteral(".");
}

QString title(const RecordFileKind &kind)
{
    QString t = kind.fileWord;
    t[0] = t[0].toUpper();
    return t + QStringLiteral(" damaged");
}

} // namespace

RecordFileKind DataFileKind()
{
    return {DataFileName, QStringLiteral("data file"), 5000, QStringLiteral("entry"),
            QStringLiteral("entries")};
}

RecordFileKind UserFileKind()
{
    return {UserFileName, QStringLiteral("user file"), 500, QStringLiteral("user record"),
            QStringLiteral("users")};
}

RecordFileKind RecordFileKindOf(const QString &path)
{
    return QFileInfo(path).fileName() == UserFileName ? UserFileKind() : DataFileKind();
}

qint64 PartialTailBytes(qint64 length, int recordLength)
{
    return recordLength > 0 && length > 0 ? length % recordLength : 0;
}

MsgBoxRequest DamagedLengthNotice(const RecordFileKind &kind, qint64 length)
{
    const int counted = RecordsForLength(length, kind.recordLength);
    return MakeMsgBoxRequest(
        title(kind), 4,
        lengthLines(kind, length) + CrLf + CrLf + QStringLiteral("The ") + number(counted) +
            QStringLiteral(" ") + kind.listWord +
            QStringLiteral(" it is counted as holding are shown;") + CrLf +
            QStringLiteral("nothing is written past the last whole ") + kind.recordWord + CrLf +
            QStringLiteral("until you agree to it. A backup may hold the file whole."),
        1, false, {QStringLiteral("&Okay")});
}

bool ReportDamagedLength(DataSet &ds, const RecordFileKind &kind, const QString &path,
                         qint64 length)
{
    if (PartialTailBytes(length, kind.recordLength) == 0)
        return false;
    QSet<QString> &told = ds.toldDamagedLengths;
    const QString key =
        QFileInfo(path).absoluteFilePath() + QLatin1Char('|') + QString::number(length);
    if (told.contains(key) || !ds.ask)
        return false;
    told.insert(key);
    ds.ask(DamagedLengthNotice(kind, length));
    return true;
}

QString TailCopyName(const DataSet &ds, const RecordFileKind &kind, const QDateTime &now)
{
    // Never the name of an earlier copy: a second damaged end in the same
    // second gets "-2", and so on.
    const QString base = kind.fileName + QLatin1Char('.') + StampText(now);
    QString name = base + QStringLiteral(".tail");
    for (int k = 2; QFileInfo::exists(DataPath(ds, name)); ++k)
        name = base + QLatin1Char('-') + QString::number(k) + QStringLiteral(".tail");
    return name;
}

MsgBoxRequest KeepTailQuestion(const RecordFileKind &kind, qint64 length, const QString &copyName)
{
    const int counted = RecordsForLength(length, kind.recordLength);
    return MakeMsgBoxRequest(
        title(kind), 3,
        lengthLines(kind, length) + CrLf + CrLf +
            QStringLiteral("Before this change is saved, those bytes are copied to") + CrLf +
            QStringLiteral("'") + copyName + QStringLiteral("' in the data folder, and the ") +
            kind.fileWord + CrLf + QStringLiteral("is made to hold exactly the ") +
            number(counted) + QStringLiteral(" ") + kind.listWord + QStringLiteral(" shown.") +
            CrLf + CrLf + QStringLiteral("Go on?"),
        2, false, {QStringLiteral("&Keep a copy and go on"), QStringLiteral("&Cancel")});
}

bool KeepTailAndSetLength(const DataSet &ds, const QString &path, int recordLength,
                          const QString &copyPath)
{
    QFile file;
    const int fd = OpenDataSetFile(path, O_RDWR);
    if (fd < 0 || !file.open(fd, QIODevice::ReadWrite, QFileDevice::AutoCloseHandle)) {
        if (fd >= 0)
            ::close(fd);
        return false;
    }
    const qint64 length = file.size();
    const qint64 tail = PartialTailBytes(length, recordLength);
    if (tail == 0)
        return true;
    if (!file.seek(length - tail))
        return false;
    const QByteArray bytes = file.read(tail);
    // An earlier copy is never overwritten.
    if (bytes.size() != tail || QFileInfo::exists(copyPath) ||
        !WriteSyncedFile(ds, copyPath, bytes, DataSetCreateMode(path)))
        return false;
    SyncFolder(QFileInfo(copyPath).absolutePath());
    const qint64 whole = qint64(RecordsForLength(length, recordLength)) * recordLength;
    if (!file.resize(whole) || !file.flush())
        return false;
    return true;
}
