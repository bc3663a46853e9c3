#include "core/common/RecordCheck.h"

#include <QFile>
#include <QFileInfo>

RecordFileCheck
CheckRecordFile(const QString &path, int recordLength,
                const std::function<void(const char *record, int number, RecordFileCheck &c)> &each)
{
    RecordFileCheck c;
    c.recordLength = recordLength;
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
    const qint64 block = qint64(200) * recordLength;
    int n = 0;
    for (;;) {
        const QByteArray buffer = file.read(block);
        if (file.error() != QFileDevice::NoError) {
            c.readable = false;
            return c;
        }
        const int whole = int(buffer.size() / recordLength);
        for (int i = 0; i < whole; ++i)
            each(buffer.constData() + qsizetype(i) * recordLength, ++n, c);
        if (buffer.size() < block)
            break;
    }
    c.records = n;
    return c;
}
