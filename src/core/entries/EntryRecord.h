// One evidence entry: the fixed 5000-byte record of the data file.
#pragma once

#include <QByteArray>
#include <QString>

// Byte layout of a record: fields packed one after the other, no gaps,
// numbers little-endian, text Windows-1252 padded with blanks.
namespace EntryLayout
{
constexpr int VersionStamp = 0;      // 16-bit signed
constexpr int ControlNumber = 2;     // OLE date (double)
constexpr int CaseNumber = 10;       // text 15
constexpr int Location = 25;         // text 50
constexpr int Category = 75;         // text 20
constexpr int BrandName = 95;        // text 20
constexpr int ModelNumber = 115;     // text 20
constexpr int SerialNumber = 135;    // text 20
constexpr int Description = 155;     // text 60
constexpr int Value = 215;           // 64-bit ten-thousandths
constexpr int Owner = 223;           // text 100
constexpr int ReceivedFrom = 323;    // text 70
constexpr int ReceivedDate = 393;    // OLE date
constexpr int ReleasedTo = 401;      // text 70
constexpr int ReleasedDate = 471;    // OLE date
constexpr int Defendant = 479;       // text 50
constexpr int Reserved1 = 529;       // text 150
constexpr int Reserved2 = 679;       // text 150
constexpr int Reserved3 = 829;       // text 150
constexpr int Narrative = 979;       // text 1921
constexpr int ChainOfCustody = 2900; // text 2099
constexpr int Status = 4999;         // unsigned byte
constexpr int Length = 5000;
} // namespace EntryLayout

constexpr int EntryRecordLength = EntryLayout::Length;
// Record numbers travel as 16-bit signed values: the file's limit.
constexpr int MaxEntryCount = 32767;
// The text that marks a record while it is being deleted.
inline const QString KilledMarker = QStringLiteral("$Killed$");
// Status values; anything other than Archived counts as active.
constexpr int StatusActive = 1;
constexpr int StatusArchived = 2;
// Control numbers below this are legacy sequence numbers, not time-stamps.

struct EntryRecord {
    qint16 VersionStamp = 0;
    double ControlNumber = 0;
    QString CaseNumber;
    QString Location;
    QString Category;
    QString BrandName;
    QString ModelNumber;
    QString SerialNumber;
    QString Description;
    qint64 Value = 0; // dollars in ten-thousandths
    QString Owner;
    QString ReceivedFrom;
    double ReceivedDate = 0;
    QString ReleasedTo;
    double ReleasedDate = 0; // 0: not released
    QString Defendant;
    QString Reserved1;
    QString Reserved2;
    QString Reserved3;
    QString Narrative;
    QString ChainOfCustody;
    quint8 Status = 0;

    bool isArchived() const { return Status == StatusArchived; }

    // The 5000 bytes of the record.
    QByteArray Pack() const;
    // Reads a record from len bytes; bytes missing past len (a short last
    // record of the file) read as blanks and zeros.
    static EntryRecord Unpack(const char *data, int len);
    static EntryRecord Unpack(const QByteArray &bytes)
    {
        return Unpack(bytes.constData(), int(bytes.size()));
    }
    // Reads a whole record (5000 bytes) into r, reusing the buffers of its
    // texts: for passes over the whole file.
    static void UnpackInto(EntryRecord &r, const char *data);
};

// Width of each text field, by offset (0 for the non-text fields).
int EntryTextWidth(int offset);

// The version stamp of entries this release creates: the major and minor
// version numbers written one after the other and read as a number
// (version 9.11 gives 911, version 7.2 gives 72).
qint16 CurrentVersionStamp();
