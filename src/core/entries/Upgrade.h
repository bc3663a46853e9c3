// The upgrade of a data file written by an older release. Two older record
// layouts are known: OldEntryRecordA (2500 bytes, in a file of the current
// name, title + ".Data", written by versions 6.31 to 6.41) and
// OldEntryRecordB (1000 bytes, in title + ".Dat", marked "v" in its last
// two bytes). The person is asked whether to convert the file, start over
// with an empty one or quit; the old file is kept as title + ".Old".
//
// The converted records go into "TempFile.$$$", which is flushed to the
// disk and renamed over the data file in one step, after the old file has
// been kept as ".Old": whatever moment the work is cut short at, the
// records are in the data file (old or new) or, for a ".Dat" file, still
// in the ".Dat" file. Every change happens under the folder lock.
#pragma once

#include "core/common/Desktop.h"
#include "core/entries/EntryRecord.h"

#include "core/common/DataSet.h"

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <functional>

// Byte layout of the 2500-byte records.
namespace OldLayoutA
{
constexpr int Version = 0;        // 16-bit signed, 631..641
constexpr int ControlNumber = 2;  // OLE date
constexpr int CaseNumber = 10;    // text 15
constexpr int Location = 25;      // text 50
constexpr int Category = 75;      // text 20
constexpr int BrandName = 95;     // text 20
constexpr int ModelNumber = 115;  // text 15
constexpr int SerialNumber = 130; // text 20
constexpr int Description = 150;  // text 60
constexpr int Value = 210;        // 64-bit ten-thousandths
constexpr int Owner = 218;        // text 100
constexpr int ReceivedFrom = 318; // text 70
constexpr int ReceivedDate = 388; // OLE date
constexpr int ReleasedTo = 396;   // text 70
constexpr int ReleasedDate = 466; // OLE date
constexpr int Defendant = 474;    // text 50
constexpr int Unused = 524;       // text 150, not carried over
constexpr int Narrative = 674;    // text 1826
constexpr int Length = 2500;
} // namespace OldLayoutA

// Byte layout of the 1000-byte records.
namespace OldLayoutB
{
constexpr int ControlNumber = 0;  // 32-bit signed sequence number
constexpr int CaseNumber = 4;     // text 15
constexpr int Category = 19;      // text 20
constexpr int BrandName = 39;     // text 20
constexpr int ModelNumber = 59;   // text 15
constexpr int SerialNumber = 74;  // text 20
constexpr int Description = 94;   // text 60
constexpr int Value = 154;        // 64-bit ten-thousandths
constexpr int Owner = 162;        // text 100
constexpr int ReceivedFrom = 262; // text 70
constexpr int ReceivedDate = 332; // OLE date
constexpr int ReleasedTo = 340;   // text 70
constexpr int ReleasedDate = 410; // OLE date
constexpr int Defendant = 418;    // text 50
constexpr int Location = 468;     // text 50
constexpr int Unused = 518;       // text 150, not carried over
constexpr int Narrative = 668;    // text 330
constexpr int Marker = 998;       // text 2, first character "v"
constexpr int Length = 1000;
} // namespace OldLayoutB

// The versions whose 2500-byte records are converted.
constexpr int OldVersionFirst = 631;
constexpr int OldVersionLast = 641;

struct OldEntryRecordA {
    qint16 Version = 0;
    double ControlNumber = 0;
    QString CaseNumber;
    QString Location;
    QString Category;
    QString BrandName;
    QString ModelNumber;
    QString SerialNumber;
    QString Description;
    qint64 Value = 0;
    QString Owner;
    QString ReceivedFrom;
    double ReceivedDate = 0;
    QString ReleasedTo;
    double ReleasedDate = 0;
    QString Defendant;
    QString Unused;
    QString Narrative;

    QByteArray Pack() const;
    // Bytes missing past len (a short last record) read as zeros.
    static OldEntryRecordA Unpack(const char *data, int len);
    static OldEntryRecordA Unpack(const QByteArray &bytes)
    {
        return Unpack(bytes.constData(), int(bytes.size()));
    }
};

struct OldEntryRecordB {
    qint32 ControlNumber = 0;
    QString CaseNumber;
    QString Category;
    QString BrandName;
    QString ModelNumber;
    QString SerialNumber;
    QString Description;
    qint64 Value = 0;
    QString Owner;
    QString ReceivedFrom;
    double ReceivedDate = 0;
    QString ReleasedTo;
    double ReleasedDate = 0;
    QString Defendant;
    QString Location;
    QString Unused;
    QString Narrative;
    QString Marker; // as stored, not trimmed

    bool hasFormatMarker() const { return Marker.startsWith(QLatin1Char('v')); }

    QByteArray Pack() const;
    static OldEntryRecordB Unpack(const char *data, int len);
    static OldEntryRecordB Unpack(const QByteArray &bytes)
    {
        return Unpack(bytes.constData(), int(bytes.size()));
    }
};

enum class OldFormat { A, B };

// Length of one record of a format.
int OldRecordLength(OldFormat format);
// Records in an old file of this length: the quotient rounded to the
// nearest whole number, a half to the even neighbour.
int OldRecordCount(qint64 bytes, OldFormat format);

// The version stamp of converted records: major version * 100 + minor

// The 5000 bytes of the entry converted from one old record (len bytes at
// data; missing bytes read as zeros). Text is copied byte for byte into
// its field of the entry and padded with blanks; the 32-bit sequence
// number of a 1000-byte record becomes a control number of the same
// value. The version stamp is CurrentVersionStamp(); the reserved fields
// and the chain of custody are blanks; the status is 0 (active).
QByteArray ConvertOldRecord(OldFormat format, const char *data, int len);
inline EntryRecord ConvertOldEntry(OldFormat format, const QByteArray &old)
{
    return EntryRecord::Unpack(ConvertOldRecord(format, old.constData(), int(old.size())));
}

// File names of the step (bare names in the data folder).
QString OldDatFileName(); // title + ".Dat"
QString OldFileName();    // title + ".Old"

// Texts of the questions and notices.
QString UpgradeQuestionTitle();   // "Update older version data file?"
QString UpgradeQuestionText();    // Q
QStringList UpgradeButtonsData(); // the three answers for a ".Data" file
QStringList UpgradeButtonsDat();  // the three answers for a ".Dat" file
QString FinishedTitle();          // "Finished Updating!"
QString ConvertedText();          // "Your data file has been" ...
QString TooOldTitle();
QString TooOldText();
QString UpgradeFailedTitle();
// What the person is told when the work could not be done; reason is the
// line saying what failed.
QString UpgradeFailedText(const QString &reason);
// What the person is told when the upgrade was cancelled on "Data folder
// busy" (the program ends then).
QString UpgradeCancelledText();

// The messages of the upgrade, whole.
MsgBoxRequest UpgradeQuestion(OldFormat format); // convert, set aside, quit
// The notice once the older file was converted, or set aside.
MsgBoxRequest UpgradeFinishedMessage(OldFormat format, bool converted);
MsgBoxRequest TooOldMessage();
MsgBoxRequest UpgradeFailedMessage(const QString &reason);
MsgBoxRequest UpgradeCancelledMessage();

// What the data folder holds of an older release: nothing to do, an empty
// data file, a data file of 2500-byte records (format A), or, while there
// is no data file, an empty ".Dat" file, one of 1000-byte records (format
// B), or one too old to convert (no format marker).
enum class OlderData { None, EmptyData, Data, EmptyDat, Dat, UnmarkedDat };
OlderData FindOlderData(const DataSet &ds);

// What one step of the upgrade came to. Each step holds the folder lock for
// itself and asks nothing: Busy (message: "Data folder busy") when the
// folder stayed busy, nothing changed; Gone when another workstation dealt
// with the file meanwhile; Failed (message: what failed) with the data
// files as they were.
struct UpgradeStep {
    enum Kind { Done, Gone, Busy, Failed };
    Kind kind = Done;
    MsgBoxRequest message;
};
// Removes the empty data file (A) or ".Dat" file (B) if it is still empty.
UpgradeStep RemoveEmptyOlderFile(DataSet &ds, OldFormat format);
// Converts every record of the older file into the data file (through the
// work file, renamed over it in one step) and keeps the older file as
// OldFileName(); the ".Dat" file goes once the data file is in place.
// Copies the whole file: a window runs it off its thread.
UpgradeStep ConvertOlderData(DataSet &ds, OldFormat format);
// Sets the older file aside as OldFileName(), replacing an earlier one.
UpgradeStep SetOlderDataAside(DataSet &ds, OldFormat format);
