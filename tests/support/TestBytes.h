// Expected bytes for tests, built from explicit offsets and widths, never
// by the code under test: padded texts, little-endian numbers, OLE dates,
// and whole user and entry records.
#pragma once

#include <QByteArray>
#include <QDate>
#include <cstring>

// text cut or filled with blanks to width.
inline QByteArray padded(const QByteArray &text, int width)
{
    return text.left(width).leftJustified(width, ' ');
}

inline QByteArray le16(qint16 v)
{
    return QByteArray(1, char(v & 0xFF)) + char((quint16(v) >> 8) & 0xFF);
}

inline QByteArray le64(qint64 v)
{
    QByteArray b(8, '\0');
    for (int i = 0; i < 8; ++i)
        b[i] = char((quint64(v) >> (8 * i)) & 0xFF);
    return b;
}

inline QByteArray doubleBytes(double d)
{
    qint64 bits;
    std::memcpy(&bits, &d, 8);
    return le64(bits);
}

// Days since 30 December 1899, the time of day as a fraction.
inline double oleDate(int y, int m, int d, int hh = 0, int mm = 0, int ss = 0)
{
    return double(QDate(1899, 12, 30).daysTo(QDate(y, m, d))) +
           (hh * 3600 + mm * 60 + ss) / 86400.0;
}

// One 500-byte user record: date at 0, first name at 8 (15), last name at
// 23 (20), stored password at 43 (16), access level at 59 (16-bit),
// comments at 61 (439).
inline QByteArray userBytes(double created, const QByteArray &first, const QByteArray &last,
                            const QByteArray &stored, qint16 level,
                            const QByteArray &comments = QByteArray())
{
    return doubleBytes(created) + padded(first, 15) + padded(last, 20) + padded(stored, 16) +
           le16(level) + padded(comments, 439);
}

// The stored form of a password: a filler "Q" before each character.
inline QByteArray storedPassword(const QByteArray &password)
{
    QByteArray s;
    for (char c : password)
        s.append('Q').append(c);
    return s;
}

// A 5000-byte entry record as any release writes it: version stamp 72,
// control number at 2, case number at 10 (15), description at 155 (60),
// value, received and released dates zero, a reserved text at 529 and the
// status in the last byte.
inline QByteArray entryBytes(const QByteArray &caseNumber, double cn, char status,
                             const QByteArray &description = QByteArray())
{
    QByteArray rec(5000, ' ');
    rec.replace(0, 2, le16(72));
    rec.replace(2, 8, doubleBytes(cn));
    rec.replace(10, 15, padded(caseNumber, 15));
    rec.replace(155, 60, padded(description, 60));
    rec.replace(215, 8, le64(0));
    rec.replace(393, 8, le64(0));
    rec.replace(471, 8, le64(0));
    rec.replace(529, 14, "reserved bytes");
    rec[4999] = status;
    return rec;
}
