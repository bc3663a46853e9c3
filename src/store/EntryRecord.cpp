#include "store/EntryRecord.h"

#include "app/Formats.h"
#include "app/Globals.h"

#include <QtEndian>
#include <cstring>

namespace
{

using namespace EntryLayout;

struct TextField {
    int offset;
    int width;
    QString EntryRecord::*member;
};

const TextField kText[] = {
    {CaseNumber, 15, &EntryRecord::CaseNumber},
    {Location, 50, &EntryRecord::Location},
    {Category, 20, &EntryRecord::Category},
    {BrandName, 20, &EntryRecord::BrandName},
    {ModelNumber, 20, &EntryRecord::ModelNumber},
    {SerialNumber, 20, &EntryRecord::SerialNumber},
    {Description, 60, &EntryRecord::Description},
    {Owner, 100, &EntryRecord::Owner},
    {ReceivedFrom, 70, &EntryRecord::ReceivedFrom},
    {ReleasedTo, 70, &EntryRecord::ReleasedTo},
    {Defendant, 50, &EntryRecord::Defendant},
    {Reserved1, 150, &EntryRecord::Reserved1},
    {Reserved2, 150, &EntryRecord::Reserved2},
    {Reserved3, 150, &EntryRecord::Reserved3},
    {Narrative, 1921, &EntryRecord::Narrative},
    {ChainOfCustody, 2099, &EntryRecord::ChainOfCustody},
};

// Reads a padded text field. The same result as FromFixedText, but the
// list load decodes every record of the file, so the usual case (no byte
// in 0x80..0x9F, where Windows-1252 and Latin-1 differ) takes the fast
// Latin-1 conversion.
QString readText(const char *data, int width)
{
    int begin = 0;
    int end = width;
    while (end > begin && (data[end - 1] == ' ' || data[end - 1] == '\0'))
        --end;
    while (begin < end && (data[begin] == ' ' || data[begin] == '\0'))
        ++begin;
    bool plain = true;
    for (int i = begin; i < end; ++i)
        plain &= (static_cast<unsigned char>(data[i]) & 0xE0) != 0x80;
    if (plain)
        return QString::fromLatin1(data + begin, end - begin);
    return FromWindows1252(QByteArray(data + begin, end - begin));
}

void writeText(char *data, const QString &text, int width)
{
    const QByteArray bytes = ToFixedText(text, width);
    std::memcpy(data, bytes.constData(), size_t(width));
}

double readDouble(const char *data)
{
    return qFromLittleEndian<double>(data);
}

} // namespace

int EntryTextWidth(int offset)
{
    for (const TextField &f : kText) {
        if (f.offset == offset)
            return f.width;
    }
    return 0;
}

QByteArray EntryRecord::Pack() const
{
    QByteArray out(Length, ' ');
    char *d = out.data();
    qToLittleEndian<qint16>(VersionStamp, d + EntryLayout::VersionStamp);
    qToLittleEndian<double>(ControlNumber, d + EntryLayout::ControlNumber);
    for (const TextField &f : kText)
        writeText(d + f.offset, this->*f.member, f.width);
    qToLittleEndian<qint64>(Value, d + EntryLayout::Value);
    qToLittleEndian<double>(ReceivedDate, d + EntryLayout::ReceivedDate);
    qToLittleEndian<double>(ReleasedDate, d + EntryLayout::ReleasedDate);
    d[EntryLayout::Status] = char(Status);
    return out;
}

EntryRecord EntryRecord::Unpack(const char *data, int len)
{
    if (len < Length) {
        // Missing bytes read as zeros (blank text, no date, status unset).
        QByteArray full(Length, '\0');
        if (len > 0)
            std::memcpy(full.data(), data, size_t(len));
        return Unpack(full.constData(), Length);
    }
    EntryRecord r;
    r.VersionStamp = qFromLittleEndian<qint16>(data + EntryLayout::VersionStamp);
    r.ControlNumber = readDouble(data + EntryLayout::ControlNumber);
    for (const TextField &f : kText)
        r.*f.member = readText(data + f.offset, f.width);
    r.Value = qFromLittleEndian<qint64>(data + EntryLayout::Value);
    r.ReceivedDate = readDouble(data + EntryLayout::ReceivedDate);
    r.ReleasedDate = readDouble(data + EntryLayout::ReleasedDate);
    r.Status = static_cast<quint8>(data[EntryLayout::Status]);
    return r;
}

qint16 CurrentVersionStamp()
{
    // Digits one after the other: 9 and 11 give "911", 7 and 2 give "72".
    return qint16((QString::number(AppVersionMajor) + QString::number(AppVersionMinor)).toInt());
}

QString ControlNumberText(double controlNumber)
{
    if (controlNumber < LegacyControlLimit)
        return FormatNumber(controlNumber, QStringLiteral("00000"));
    return ControlNumberStamp(controlNumber);
}

QString ControlNumberStamp(double controlNumber)
{
    return FormatOleDate(controlNumber, QStringLiteral("yyyymmddhhnnss"));
}
