// Data-set files built byte by byte at their offsets, for the backup,
// restore and check tests: entry and user records, log lines and a
// settings file.
#pragma once

#include "TestBytes.h"

#include <QFile>

namespace datasetbytes
{

// A 5000-byte entry: control number at 2, case number at 10 (15 bytes),
// received date at 393, released date at 471, status at 4999; every other
// text blank, the value and version stamp zero.
inline QByteArray entryBytes(double control, const QByteArray &caseNumber, double received,
                             quint8 status, double released = 0)
{
    return le16(0) + doubleBytes(control) + padded(caseNumber, 15) + QByteArray(190, ' ') +
           le64(0) + QByteArray(170, ' ') + doubleBytes(received) + QByteArray(70, ' ') +
           doubleBytes(released) + QByteArray(4520, ' ') + char(status);
}

// A 500-byte user whose stored password is "abcd".
inline QByteArray userRecordBytes(double created, const QByteArray &first, const QByteArray &last,
                                  qint16 level)
{
    return userBytes(created, first, last, "QaQbQcQd", level);
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
