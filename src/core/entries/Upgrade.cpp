#include "core/entries/Upgrade.h"

#include "core/common/FileOps.h"
#include "core/common/FolderLock.h"
#include "core/common/Formats.h"
#include "core/common/Globals.h"
#include "core/common/SafeReplace.h"
#include "core/entries/DataFile.h"

#include <QFile>
#include <QFileInfo>
#include <QtEndian>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace
{

// ---- little-endian fields ----

qint16 getI16(const char *p)
{
    return qFromLittleEndian<qint16>(p);
}
qint32 getI32(const char *p)
{
    return qFromLittleEndian<qint32>(p);
}
qint64 getI64(const char *p)
{
    return qFromLittleEndian<qint64>(p);
}
double getDouble(const char *p)
{
    quint64 bits = qFromLittleEndian<quint64>(p);
    double d;
    std::memcpy(&d, &bits, sizeof d);
    return d;
}
void putI16(char *p, qint16 v)
{
    qToLittleEndian(v, p);
}
void putI32(char *p, qint32 v)
{
    qToLittleEndian(v, p);
}
void putI64(char *p, qint64 v)
{
    qToLittleEndian(v, p);
}
void putDouble(char *p, double d)
{
    quint64 bits;
    std::memcpy(&bits, &d, sizeof bits);
    qToLittleEndian(bits, p);
}
void putText(char *p, const QString &text, int width)
{
    const QByteArray bytes = ToFixedText(text, width);
    std::memcpy(p, bytes.constData(), size_t(width));
}

// A whole record of len bytes, zeros past the end of what was read.
QByteArray wholeRecord(const char *data, int len, int length)
{
    QByteArray record(length, '\0');
    if (data && len > 0)
        std::memcpy(record.data(), data, size_t(qMin(len, length)));
    return record;
}

// One field of an old record and where it goes in the entry.
struct FieldMove {
    int from;
    int width;
    int to;
    int toWidth;
};

// Text, dates and amounts that keep their bytes (a text into a wider field
// is padded with blanks).
constexpr FieldMove kMovesA[] = {
    {OldLayoutA::ControlNumber, 8, EntryLayout::ControlNumber, 8},
    {OldLayoutA::CaseNumber, 15, EntryLayout::CaseNumber, 15},
    {OldLayoutA::Location, 50, EntryLayout::Location, 50},
    {OldLayoutA::Category, 20, EntryLayout::Category, 20},
    {OldLayoutA::BrandName, 20, EntryLayout::BrandName, 20},
    {OldLayoutA::ModelNumber, 15, EntryLayout::ModelNumber, 20},
    {OldLayoutA::SerialNumber, 20, EntryLayout::SerialNumber, 20},
    {OldLayoutA::Description, 60, EntryLayout::Description, 60},
    {OldLayoutA::Value, 8, EntryLayout::Value, 8},
    {OldLayoutA::Owner, 100, EntryLayout::Owner, 100},
    {OldLayoutA::ReceivedFrom, 70, EntryLayout::ReceivedFrom, 70},
    {OldLayoutA::ReceivedDate, 8, EntryLayout::ReceivedDate, 8},
    {OldLayoutA::ReleasedTo, 70, EntryLayout::ReleasedTo, 70},
    {OldLayoutA::ReleasedDate, 8, EntryLayout::ReleasedDate, 8},
    {OldLayoutA::Defendant, 50, EntryLayout::Defendant, 50},
    {OldLayoutA::Narrative, 1826, EntryLayout::Narrative, 1921},
};

constexpr FieldMove kMovesB[] = {
    {OldLayoutB::CaseNumber, 15, EntryLayout::CaseNumber, 15},
    {OldLayoutB::Category, 20, EntryLayout::Category, 20},
    {OldLayoutB::BrandName, 20, EntryLayout::BrandName, 20},
    {OldLayoutB::ModelNumber, 15, EntryLayout::ModelNumber, 20},
    {OldLayoutB::SerialNumber, 20, EntryLayout::SerialNumber, 20},
    {OldLayoutB::Description, 60, EntryLayout::Description, 60},
    {OldLayoutB::Value, 8, EntryLayout::Value, 8},
    {OldLayoutB::Owner, 100, EntryLayout::Owner, 100},
    {OldLayoutB::ReceivedFrom, 70, EntryLayout::ReceivedFrom, 70},
    {OldLayoutB::ReceivedDate, 8, EntryLayout::ReceivedDate, 8},
    {OldLayoutB::ReleasedTo, 70, EntryLayout::ReleasedTo, 70},
    {OldLayoutB::ReleasedDate, 8, EntryLayout::ReleasedDate, 8},
    {OldLayoutB::Defendant, 50, EntryLayout::Defendant, 50},
    {OldLayoutB::Location, 50, EntryLayout::Location, 50},
    {OldLayoutB::Narrative, 330, EntryLayout::Narrative, 1921},
};

} // namespace

// ---- the two old layouts ----

QByteArray OldEntryRecordA::Pack() const
{
    QByteArray r(OldLayoutA::Length, ' ');
    char *p = r.data();
    putI16(p + OldLayoutA::Version, Version);
    putDouble(p + OldLayoutA::ControlNumber, ControlNumber);
    putText(p + OldLayoutA::CaseNumber, CaseNumber, 15);
    putText(p + OldLayoutA::Location, Location, 50);
    putText(p + OldLayoutA::Category, Category, 20);
    putText(p + OldLayoutA::BrandName, BrandName, 20);
    putText(p + OldLayoutA::ModelNumber, ModelNumber, 15);
    putText(p + OldLayoutA::SerialNumber, SerialNumber, 20);
    putText(p + OldLayoutA::Description, Description, 60);
    putI64(p + OldLayoutA::Value, Value);
    putText(p + OldLayoutA::Owner, Owner, 100);
    putText(p + OldLayoutA::ReceivedFrom, ReceivedFrom, 70);
    putDouble(p + OldLayoutA::ReceivedDate, ReceivedDate);
    putText(p + OldLayoutA::ReleasedTo, ReleasedTo, 70);
    putDouble(p + OldLayoutA::ReleasedDate, ReleasedDate);
    putText(p + OldLayoutA::Defendant, Defendant, 50);
    putText(p + OldLayoutA::Unused, Unused, 150);
    putText(p + OldLayoutA::Narrative, Narrative, 1826);
    return r;
}

OldEntryRecordA OldEntryRecordA::Unpack(const char *data, int len)
{
    const QByteArray r = wholeRecord(data, len, OldLayoutA::Length);
    const char *p = r.constData();
    OldEntryRecordA a;
    a.Version = getI16(p + OldLayoutA::Version);
    a.ControlNumber = getDouble(p + OldLayoutA::ControlNumber);
    a.CaseNumber = FromFixedText(p + OldLayoutA::CaseNumber, 15);
    a.Location = FromFixedText(p + OldLayoutA::Location, 50);
    a.Category = FromFixedText(p + OldLayoutA::Category, 20);
    a.BrandName = FromFixedText(p + OldLayoutA::BrandName, 20);
    a.ModelNumber = FromFixedText(p + OldLayoutA::ModelNumber, 15);
    a.SerialNumber = FromFixedText(p + OldLayoutA::SerialNumber, 20);
    a.Description = FromFixedText(p + OldLayoutA::Description, 60);
    a.Value = getI64(p + OldLayoutA::Value);
    a.Owner = FromFixedText(p + OldLayoutA::Owner, 100);
    a.ReceivedFrom = FromFixedText(p + OldLayoutA::ReceivedFrom, 70);
    a.ReceivedDate = getDouble(p + OldLayoutA::ReceivedDate);
    a.ReleasedTo = FromFixedText(p + OldLayoutA::ReleasedTo, 70);
    a.ReleasedDate = getDouble(p + OldLayoutA::ReleasedDate);
    a.Defendant = FromFixedText(p + OldLayoutA::Defendant, 50);
    a.Unused = FromFixedText(p + OldLayoutA::Unused, 150);
    a.Narrative = FromFixedText(p + OldLayoutA::Narrative, 1826);
    return a;
}

QByteArray OldEntryRecordB::Pack() const
{
    QByteArray r(OldLayoutB::Length, ' ');
    char *p = r.data();
    putI32(p + OldLayoutB::ControlNumber, ControlNumber);
    putText(p + OldLayoutB::CaseNumber, CaseNumber, 15);
    putText(p + OldLayoutB::Category, Category, 20);
    putText(p + OldLayoutB::BrandName, BrandName, 20);
    putText(p + OldLayoutB::ModelNumber, ModelNumber, 15);
    putText(p + OldLayoutB::SerialNumber, SerialNumber, 20);
    putText(p + OldLayoutB::Description, Description, 60);
    putI64(p + OldLayoutB::Value, Value);
    putText(p + OldLayoutB::Owner, Owner, 100);
    putText(p + OldLayoutB::ReceivedFrom, ReceivedFrom, 70);
    putDouble(p + OldLayoutB::ReceivedDate, ReceivedDate);
    putText(p + OldLayoutB::ReleasedTo, ReleasedTo, 70);
    putDouble(p + OldLayoutB::ReleasedDate, ReleasedDate);
    putText(p + OldLayoutB::Defendant, Defendant, 50);
    putText(p + OldLayoutB::Location, Location, 50);
    putText(p + OldLayoutB::Unused, Unused, 150);
    putText(p + OldLayoutB::Narrative, Narrative, 330);
    putText(p + OldLayoutB::Marker, Marker, 2);
    return r;
}

OldEntryRecordB OldEntryRecordB::Unpack(const char *data, int len)
{
    const QByteArray r = wholeRecord(data, len, OldLayoutB::Length);
    const char *p = r.constData();
    OldEntryRecordB b;
    b.ControlNumber = getI32(p + OldLayoutB::ControlNumber);
    b.CaseNumber = FromFixedText(p + OldLayoutB::CaseNumber, 15);
    b.Category = FromFixedText(p + OldLayoutB::Category, 20);
    b.BrandName = FromFixedText(p + OldLayoutB::BrandName, 20);
    b.ModelNumber = FromFixedText(p + OldLayoutB::ModelNumber, 15);
    b.SerialNumber = FromFixedText(p + OldLayoutB::SerialNumber, 20);
    b.Description = FromFixedText(p + OldLayoutB::Description, 60);
    b.Value = getI64(p + OldLayoutB::Value);
    b.Owner = FromFixedText(p + OldLayoutB::Owner, 100);
    b.ReceivedFrom = FromFixedText(p + OldLayoutB::ReceivedFrom, 70);
    b.ReceivedDate = getDouble(p + OldLayoutB::ReceivedDate);
    b.ReleasedTo = FromFixedText(p + OldLayoutB::ReleasedTo, 70);
    b.ReleasedDate = getDouble(p + OldLayoutB::ReleasedDate);
    b.Defendant = FromFixedText(p + OldLayoutB::Defendant, 50);
    b.Location = FromFixedText(p + OldLayoutB::Location, 50);
    b.Unused = FromFixedText(p + OldLayoutB::Unused, 150);
    b.Narrative = FromFixedText(p + OldLayoutB::Narrative, 330);
    // The marker is compared as stored: its first character decides.
    b.Marker = FromWindows1252(r.mid(OldLayoutB::Marker, 2));
    return b;
}

int OldRecordLength(OldFormat format)
{
    return format == OldFormat::A ? OldLayoutA::Length : OldLayoutB::Length;
}

int OldRecordCount(qint64 bytes, OldFormat format)
{
    return RecordsForLength(bytes, OldRecordLength(format));
}

QByteArray ConvertOldRecord(OldFormat format, const char *data, int len)
{
    const int length = OldRecordLength(format);
    const QByteArray old = wholeRecord(data, len, length);
    QByteArray entry(EntryRecordLength, ' ');
    char *p = entry.data();
    putI16(p + EntryLayout::VersionStamp, CurrentVersionStamp());
    if (format == OldFormat::A) {
        for (const FieldMove &m : kMovesA)
            std::memcpy(p + m.to, old.constData() + m.from, size_t(m.width));
    } else {
        // The sequence number becomes a control number of the same value.
        putDouble(p + EntryLayout::ControlNumber,
                  double(getI32(old.constData() + OldLayoutB::ControlNumber)));
        for (const FieldMove &m : kMovesB)
            std::memcpy(p + m.to, old.constData() + m.from, size_t(m.width));
    }
    p[EntryLayout::Status] = 0;
    return entry;
}

// ---- names and texts ----

QString OldDatFileName()
{
    return AppTitle + QStringLiteral(".Dat");
}

QString OldFileName()
{
    return AppTitle + QStringLiteral(".Old");
}

QString UpgradeQuestionTitle()
{
    return QStringLiteral("Update older version data file?");
}

QString UpgradeQuestionText()
{
    return QStringLiteral("You have an older version data file that I would like") + CrLf +
           QStringLiteral("to convert and use with this newer software version.") + CrLf + CrLf +
           QStringLiteral("If you agree, I will update your existing data file") + CrLf +
           QStringLiteral("and save a copy of the old one as '") + OldFileName() +
           QStringLiteral("'.") + CrLf + CrLf +
           QStringLiteral("Or, if you'd rather, you can start fresh with a new data file") + CrLf +
           QStringLiteral("(I will still rename and save a copy of the old data file).") + CrLf +
           CrLf + QStringLiteral("Or, if you're not ready to answer right now, you can select") +
           CrLf + QStringLiteral("the last option.");
}

QStringList UpgradeButtonsData()
{
    return {QStringLiteral("&Yes") + QStringLiteral(", update our existing data file"),
            QStringLiteral("&Let's start over with a new data file"),
            QStringLiteral("&Quit the program for now")};
}

QStringList UpgradeButtonsDat()
{
    return {QStringLiteral("&Yes") + QStringLiteral(", update our existing file"),
            QStringLiteral("&Start over with a new file"),
            QStringLiteral("&Quit the program for now")};
}

QString FinishedTitle()
{
    return QStringLiteral("Finished Updating!");
}

QString ConvertedText()
{
    return QStringLiteral("Your data file has been") + CrLf +
           QStringLiteral("successfully converted!");
}

QString TooOldTitle()
{
    return QStringLiteral("Data file can not be updated");
}

QString TooOldText()
{
    return QStringLiteral("Your existing (older version) data file") + CrLf +
           QStringLiteral("is too old to be converted.") + CrLf + CrLf +
           QStringLiteral("It will be renamed to") + CrLf + CrLf + OldFileName() + CrLf + CrLf +
           QStringLiteral("and a new (empty) data file") + CrLf +
           QStringLiteral("will be created for you now.");
}

QString UpgradeFailedTitle()
{
    return QStringLiteral("Data file not updated");
}

QString UpgradeFailedText(const QString &reason)
{
    return reason + CrLf + QStringLiteral("(the disk may be full, the folder read-only,") + CrLf +
           QStringLiteral("or the file in use at another workstation).") + CrLf + CrLf +
           QStringLiteral("Your data file has not been changed.") + CrLf + AppTitle +
           QStringLiteral(" will close now; please try again later.");
}

QString UpgradeCancelledText()
{
    return QStringLiteral("The data folder stayed busy (another workstation") + CrLf +
           QStringLiteral("is saving changes to it), and the update was cancelled.") + CrLf + CrLf +
           QStringLiteral("Your data file has not been changed.") + CrLf + AppTitle +
           QStringLiteral(" can not work with it in its older form, so it") + CrLf +
           QStringLiteral("will close now; please try again later.");
}

// ---- the step ----

namespace
{

bool exists(const QString &path)
{
    return QFileInfo::exists(path);
}

// Opens a file of the data set in file, never through a link (which could
// bring a file from elsewhere into the data folder).
bool openPlain(QFile &file, const QString &path, int flags, QIODevice::OpenMode mode)
{
    const int fd = OpenDataSetFile(path, flags);
    if (fd < 0)
        return false;
    if (file.open(fd, mode, QFileDevice::AutoCloseHandle))
        return true;
    ::close(fd);
    return false;
}

void makeWritable(const QString &path)
{
    ChangeFileMode(path, [](mode_t mode) { return mode | S_IWUSR; });
}

qint64 sizeOf(const QString &path)
{
    return QFileInfo(path).size();
}

QByteArray readHead(const QString &path, int length)
{
    QFile file;
    if (!openPlain(file, path, O_RDONLY, QIODevice::ReadOnly))
        return QByteArray();
    return file.read(length);
}

// A ".Data" file whose first record was written by the versions that used
// 2500-byte records.
bool isOldData(const QString &path)
{
    if (!exists(path) || sizeOf(path) == 0)
        return false;
    const QByteArray head = readHead(path, 2);
    if (head.isEmpty())
        return false;
    const int version = OldEntryRecordA::Unpack(head).Version;
    return version >= OldVersionFirst && version <= OldVersionLast;
}

bool hasDatMarker(const QString &path)
{
    QFile file;
    if (!openPlain(file, path, O_RDONLY, QIODevice::ReadOnly))
        return false;
    return OldEntryRecordB::Unpack(file.read(OldLayoutB::Length)).hasFormatMarker();
}

// What the person is told about a step that failed; the lock is let go
// (by the step's end) before the box opens.
UpgradeStep failed(const QString &reason)
{
    return {UpgradeStep::Failed, UpgradeFailedMessage(reason)};
}

UpgradeStep busy(const FolderLock &lock)
{
    return {UpgradeStep::Busy, lock.refusal()};
}

QString quoted(const QString &name)
{
    return QStringLiteral("'") + name + QStringLiteral("'");
}

// Keeps source under the old name: a hard link where the file system has
// them, else a flushed copy. An earlier file of that name goes first.
bool keepAsOld(const QString &source, const QString &oldPath)
{
    if (exists(oldPath)) {
        makeWritable(oldPath);
        if (!QFile::remove(oldPath))
            return false;
    }
    if (::link(QFile::encodeName(source).constData(), QFile::encodeName(oldPath).constData()) ==
        0) {
        SyncFolder(QFileInfo(oldPath).absolutePath());
        return true;
    }
    QFile in;
    QFile out;
    if (!openPlain(in, source, O_RDONLY, QIODevice::ReadOnly) ||
        !openPlain(out, oldPath, O_WRONLY | O_CREAT | O_EXCL, QIODevice::WriteOnly))
        return false;
    QByteArray block;
    bool ok = true;
    while (ok && !(block = in.read(1 << 20)).isEmpty())
        ok = out.write(block) == block.size();
    ok = ok && in.error() == QFileDevice::NoError && out.flush() && ::fsync(out.handle()) == 0;
    out.close();
    ok = ok && out.error() == QFileDevice::NoError;
    if (!ok) {
        QFile::remove(oldPath);
        return false;
    }
    SyncFolder(QFileInfo(oldPath).absolutePath());
    return true;
}

// Every record of source converted into the work file, flushed to disk.
bool writeConverted(const DataSet &ds, const QString &source, OldFormat format, const QString &work)
{
    if (exists(work)) {
        makeWritable(work);
        if (!QFile::remove(work))
            return false;
    }
    QFile in;
    if (!openPlain(in, source, O_RDONLY, QIODevice::ReadOnly))
        return false;
    const int length = OldRecordLength(format);
    const int count = OldRecordCount(in.size(), format);
    DataFile out(ds, work);
    if (!out.open(DataFile::ForWriting))
        return false;
    constexpr int kBlock = 400;
    bool ok = true;
    for (int first = 1; ok && first <= count; first += kBlock) {
        const int inBlock = qMin(kBlock, count - first + 1);
        const QByteArray block = in.read(qint64(inBlock) * length);
        if (in.error() != QFileDevice::NoError) {
            ok = false;
            break;
        }
        for (int k = 0; ok && k < inBlock; ++k) {
            const qint64 at = qint64(k) * length;
            const int got = int(qBound(qint64(0), qint64(block.size()) - at, qint64(length)));
            ok = out.writeRaw(first + k, ConvertOldRecord(format, block.constData() + at, got));
        }
    }
    ok = ok && out.sync();
    out.close();
    if (!ok)
        QFile::remove(work);
    return ok;
}

} // namespace

OlderData FindOlderData(const DataSet &ds)
{
    const QString dataPath = DataPath(ds, DataFileName);
    const QString datPath = DataPath(ds, OldDatFileName());
    if (exists(dataPath) && sizeOf(dataPath) == 0)
        return OlderData::EmptyData;
    if (isOldData(dataPath))
        return OlderData::Data;
    // A ".Dat" file, only while there is no data file.
    if (exists(dataPath) || !exists(datPath))
        return OlderData::None;
    if (sizeOf(datPath) == 0)
        return OlderData::EmptyDat;
    return hasDatMarker(datPath) ? OlderData::Dat : OlderData::UnmarkedDat;
}

UpgradeStep RemoveEmptyOlderFile(DataSet &ds, OldFormat format)
{
    const QString path = DataPath(ds, format == OldFormat::A ? DataFileName : OldDatFileName());
    FolderLock lock(ds);
    if (!lock.acquire())
        return busy(lock);
    if (exists(path) && sizeOf(path) == 0)
        QFile::remove(path);
    return {};
}

UpgradeStep ConvertOlderData(DataSet &ds, OldFormat format)
{
    const QString dataPath = DataPath(ds, DataFileName);
    const QString source = format == OldFormat::A ? dataPath : DataPath(ds, OldDatFileName());
    const QString oldPath = DataPath(ds, OldFileName());
    const QString work = DataPath(ds, TempFileName);

    FolderLock lock(ds);
    if (!lock.acquire())
        return busy(lock);
    // Another workstation may have dealt with the file while the question
    // was open.
    if (format == OldFormat::A ? !isOldData(dataPath)
                               : exists(dataPath) || !exists(source) || !hasDatMarker(source))
        return {UpgradeStep::Gone, {}};

    if (!writeConverted(ds, source, format, work))
        return failed(QStringLiteral("The converted records could not be written to ") +
                      quoted(TempFileName));
    if (!keepAsOld(source, oldPath)) {
        QFile::remove(work);
        return failed(QStringLiteral("A copy of your older data file could not be saved as ") +
                      quoted(OldFileName()));
    }
    // One step: the data file is the old one (or absent, with the ".Dat"
    // file in place) or the converted one, never missing while the work
    // file holds the records.
    if (!ReplaceWith(ds, work, dataPath))
        return failed(QStringLiteral("The converted file could not be renamed to ") +
                      quoted(DataFileName));
    if (format == OldFormat::B) {
        makeWritable(source);
        QFile::remove(source);
        SyncFolder(QFileInfo(source).absolutePath());
    }
    return {};
}

UpgradeStep SetOlderDataAside(DataSet &ds, OldFormat format)
{
    const QString dataPath = DataPath(ds, DataFileName);
    const QString datPath = DataPath(ds, OldDatFileName());
    const QString source = format == OldFormat::A ? dataPath : datPath;
    FolderLock lock(ds);
    if (!lock.acquire())
        return busy(lock);
    const bool stillThere =
        format == OldFormat::A ? isOldData(dataPath) : !exists(dataPath) && exists(datPath);
    if (!stillThere)
        return {UpgradeStep::Gone, {}};
    const QString oldPath = DataPath(ds, OldFileName());
    if (::rename(QFile::encodeName(source).constData(), QFile::encodeName(oldPath).constData()) !=
        0)
        return failed(quoted(QFileInfo(source).fileName()) +
                      QStringLiteral(" could not be renamed to ") + quoted(OldFileName()));
    SyncFolder(QFileInfo(oldPath).absolutePath());
    return {};
}

MsgBoxRequest UpgradeQuestion(OldFormat format)
{
    return {UpgradeQuestionTitle(),
            MsgIcon::Question,
            UpgradeQuestionText(),
            MsgButton::First,
            false,
            format == OldFormat::A ? UpgradeButtonsData() : UpgradeButtonsDat()};
}

MsgBoxRequest UpgradeFinishedMessage(OldFormat format, bool converted)
{
    const QString text = converted ? ConvertedText() : QString();
    if (format == OldFormat::A)
        return {FinishedTitle(),
                MsgIcon::Information,
                text,
                MsgButton::First,
                false,
                {QStringLiteral("Thank you-- let's &continue")}};
    return {FinishedTitle(),
            MsgIcon::Information,
            (converted ? text + CrLf + CrLf : QString()) + QStringLiteral("Your older data file") +
                CrLf + QStringLiteral("has been renamed to") + CrLf + OldFileName(),
            MsgButton::First,
            false,
            {QStringLiteral("&Continue")}};
}

MsgBoxRequest TooOldMessage()
{
    return {TooOldTitle(), MsgIcon::Information,         TooOldText(), MsgButton::First,
            false,         {QStringLiteral("&Continue")}};
}

MsgBoxRequest UpgradeFailedMessage(const QString &reason)
{
    return {UpgradeFailedTitle(),
            MsgIcon::Warning,
            UpgradeFailedText(reason),
            MsgButton::First,
            false,
            {QStringLiteral("&Okay")}};
}

MsgBoxRequest UpgradeCancelledMessage()
{
    return {
        UpgradeFailedTitle(),     MsgIcon::Warning, UpgradeCancelledText(), MsgButton::First, false,
        {QStringLiteral("&Okay")}};
}
