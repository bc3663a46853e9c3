#include "core/entries/EntryRecord.h"

#include "core/common/Formats.h"
#include "core/common/Globals.h"

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
    UnpackInto(r, data);
    return r;
}

void EntryRecord::UnpackInto(EntryRecord &r, const char *data)
{
    r.VersionStamp = qFromLittleEndian<qint16>(data + EntryLayout::VersionStamp);
    r.ControlNumber = readDouble(data + EntryLayout::ControlNumber);
    for (const TextField &f : kText)
        ReadFixedText(data + f.offset, f.width, r.*f.member);
    r.Value = qFromLittleEndian<qint64>(data + EntryLayout::Value);
    r.ReceivedDate = readDouble(data + EntryLayout::ReceivedDate);
    r.ReleasedDate = readDouble(data + EntryLayout::ReleasedDate);
    r.Status = static_cast<quint8>(data[EntryLayout::Status]);
}

qint16 CurrentVersionStamp()
{
    // Digits one after the other: 9 and 11 give "911", 7 and 2 give "72".
    return qint16((QString::number(AppVersionMajor) + QString::number(AppVersionMinor)).toInt());
}
