#include "core/entries/EntryCheck.h"

#include "core/common/Formats.h"

#include <QtEndian>
#include <cstring>

namespace
{

double doubleAt(const char *data)
{
    const quint64 bits = qFromLittleEndian<quint64>(data);
    double d;
    std::memcpy(&d, &bits, sizeof d);
    return d;
}

void countEntry(const char *r, int n, RecordFileCheck &c)
{
    static const QByteArray marker = ToFixedText(KilledMarker, 8);
    const double control = doubleAt(r + EntryLayout::ControlNumber);
    const double received = doubleAt(r + EntryLayout::ReceivedDate);
    const double released = doubleAt(r + EntryLayout::ReleasedDate);
    if (!OleDateDecodes(control) || !OleDateDecodes(received) || !OleDateDecodes(released)) {
        c.undecodable.append(n);
        return;
    }
    const bool stampOk = control < LegacyControlLimit || OleDatePlausible(control);
    if (!stampOk || !OleDatePlausible(received) || !OleDatePlausible(released))
        c.datesOutOfRange.append(n);
    const qint64 value = qFromLittleEndian<qint64>(r + EntryLayout::Value);
    if (value > MaxEntryValue || value < -MaxEntryValue)
        c.badValues.append(n);
    if (std::memcmp(r + EntryLayout::CaseNumber, marker.constData(), 8) == 0)
        ++c.killed;
    else if (quint8(r[EntryLayout::Status]) == StatusArchived)
        ++c.archived;
    else
        ++c.active;
}

} // namespace

RecordFileCheck CheckEntryFile(const QString &path)
{
    return CheckRecordFile(path, EntryRecordLength, countEntry);
}
