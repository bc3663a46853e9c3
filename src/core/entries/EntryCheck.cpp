#include "core/entries/EntryCheck.h"

#include "core/common/Formats.h"
#include "core/entries/EntryRecord.h"

#include <QFile>
#include <QFileInfo>
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

} // namespace

RecordFileCheck CheckEntryFile(const QString &path)
{
    RecordFileCheck c;
    c.recordLength = EntryRecordLength;
    const QFileInfo info(path);
    c.exists = info.exists();
    if (!c.exists)
        return c;
    QFile file(path);
    if (!info.isFile() || !file.open(QIODevice::ReadOnly)) {
        c.readable = false;
        return c;
    }
    c.bytes = file.size();
    const QByteArray marker = ToFixedText(KilledMarker, 8);
    constexpr int Block = 200;
    QByteArray buffer;
    int n = 0;
    for (;;) {
        buffer = file.read(qint64(Block) * EntryRecordLength);
        if (file.error() != QFileDevice::NoError) {
            c.readable = false;
            return c;
        }
        const int whole = int(buffer.size() / EntryRecordLength);
        for (int i = 0; i < whole; ++i) {
            const char *r = buffer.constData() + qsizetype(i) * EntryRecordLength;
            ++n;
            const double control = doubleAt(r + EntryLayout::ControlNumber);
            const double received = doubleAt(r + EntryLayout::ReceivedDate);
            const double released = doubleAt(r + EntryLayout::ReleasedDate);
            if (!OleDateDecodes(control) || !OleDateDecodes(received) ||
                !OleDateDecodes(released)) {
                c.undecodable.append(n);
                continue;
            }
            const bool stampOk = control < LegacyControlLimit || OleDatePlausible(control);
            if (!stampOk || !OleDatePlausible(received) || !OleDatePlausible(released))
                c.datesOutOfRange.append(n);
            if (std::memcmp(r + EntryLayout::CaseNumber, marker.constData(), 8) == 0)
                ++c.killed;
            else if (quint8(r[EntryLayout::Status]) == StatusArchived)
                ++c.archived;
            else
                ++c.active;
        }
        if (buffer.size() < qint64(Block) * EntryRecordLength)
            break;
    }
    c.records = n;
    return c;
}
