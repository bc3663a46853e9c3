// Data-set files built byte by byte at their offsets, for the backup,
// restore and check tests: entry and user records, log lines and a
// settings file.
#pragma once

#include <QByteArray>
#include <QDate>
#include <QFile>
#include <QtEndian>
#include <cstring>

namespace datasetbytes
{

inline double oleDate(int y, int m, int d)
{
    return double(QDate(1899, 12, 30).daysTo(QDate(y, m, d)));
}

inline void putDouble(QByteArray &r, int at, double value)
{
    quint64 bits;
    std::memcpy(&bits, &value, 8);
    qToLittleEndian(bits, r.data() + at);
}

inline void putText(QByteArray &r, int at, const QByteArray &text, int width)
{
    r.replace(at, width, text.left(width).leftJustified(width, ' '));
}

// A 5000-byte entry: control number at 2, case number at 10 (15 bytes),
// received date at 393, released date at 471, status at 4999; every other
// text blank, the value and version stamp zero.
inline QByteArray entryBytes(double control, const QByteArray &caseNumber, double received,
                             quint8 status, double released = 0)
{
    QByteArray r(5000, ' ');
    r[0] = r[1] = '\0';
    putDouble(r, 2, control);
    putText(r, 10, caseNumber, 15);
    r.replace(215, 8, QByteArray(8, '\0'));
    putDouble(r, 393, received);
    putDouble(r, 471, released);
    r[4999] = char(status);
    return r;
}

// A 500-byte user: created at 0, first name at 8 (15), last name at 23
// (20), stored password at 43 (16), access level at 59 (16-bit), comments.
inline QByteArray userRecordBytes(double created, const QByteArray &first, const QByteArray &last,
                                  qint16 level)
{
    QByteArray r(500, ' ');
    putDouble(r, 0, created);
    putText(r, 8, first, 15);
    putText(r, 23, last, 20);
    putText(r, 43, "QaQbQcQd", 16);
    r[59] = char(level & 0xFF);
    r[60] = char((level >> 8) & 0xFF);
    return r;
}

// A complete settings file (the key is not that of any code: only its form
// is read here).
inline QByteArray settingsBytes(const QByteArray &agency)
{
    return "[Installation]\nAgencyName=" + agency +
           "\nAccessCodeMethod=PBKDF2-SHA256\nAccessCodeIterations=100000\n"
           "AccessCodeSalt=00112233445566778899aabbccddeeff\n"
           "AccessCodeKey=" +
           QByteArray(64, 'a') + "\n";
}

inline bool writeReadOnly(const QString &path, const QByteArray &bytes)
{
    QFile f(path);
    if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate) || f.write(bytes) != bytes.size())
        return false;
    f.close();
    return f.setPermissions(QFile::ReadOwner | QFile::ReadGroup | QFile::ReadOther);
}

inline bool isReadOnly(const QString &path)
{
    // The file's own bits (WriteUser says what the running user may do,
    // which for root is everything).
    return !(QFile::permissions(path) &
             (QFile::WriteOwner | QFile::WriteGroup | QFile::WriteOther));
}

} // namespace datasetbytes
