// The chain that shows whether an activity log was changed: one link per
// log line, each the SHA-256 (with a key: HMAC-SHA256) of the link before
// it followed by the line's exact bytes, and seals that record a chain's
// head at one moment. Pure over bytes: it neither knows nor cares where the
// lines and links are kept (a folder's files, a database's rows).
//
// A chain's text is one line per log line, LF-terminated:
//   "<line> <end> <mode> <hex>"   the link of log line <line>, which ends at
//                                 byte <end>; mode "h" (SHA-256) or "k"
//                                 (HMAC-SHA256); hex the link's 32 bytes
//   "sealed-from <line> <end> <mode> <hex>"
//                                 first line of a chain begun on a log that
//                                 already held lines: one link over its
//                                 first <end> bytes (lines 1 to <line> - 1)
//   "repaired <from> <to> <date> at <time>"
//                                 lines <from> to <to> were linked late (a
//                                 writer stopped between a line and its link)
// A log line is its bytes up to and including the LF.
#pragma once

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>

// Where a chain stands after its last link.
struct ChainHead {
    qint64 lines = 0; // log lines linked (or sealed)
    qint64 end = 0;   // the log bytes they cover
    QByteArray value; // the last link's 32 bytes; 32 zero bytes before any
    bool started = false;
};

// A seal's point in one log: its chain value after line `line`.
struct SealPoint {
    qint64 line = 0;
    QByteArray value; // 32 bytes
    QString when;     // as the seals file gives it
};

// What a verification found in one log.
struct ChainVerdict {
    qint64 lines = 0;        // complete lines of the log
    qint64 verifiedUpTo = 0; // lines whose links (and seals) hold
    qint64 firstBad = 0;     // the first line that fails; 0: none
    QString problem;         // what is wrong there
    QStringList notes;       // sealed from, repairs, restores, unchecked links
    bool ok() const { return firstBad == 0; }
};

class LogChain
{
public:
    explicit LogChain(const QByteArray &key = QByteArray()) : m_key(key) {}
    bool keyed() const { return !m_key.isEmpty(); }

    // The link after previous over bytes, in the chain's own mode.
    QByteArray link(const QByteArray &previous, const QByteArray &bytes) const;

    // The head of a chain from its text, or from its last lines (a tail
    // that holds at least the last whole line).
    static ChainHead headOf(const QByteArray &tail);

    // The chain text that links log bytes that start at head->end: every
    // whole line in added. Lines that end at or before lateEnd were written
    // before this link's own line and are linked late: a "repaired" line
    // with when ("12/07/2026 at 07:10:00") goes first. head moves on.
    QByteArray extend(ChainHead *head, const QByteArray &added, qint64 lateEnd,
                      const QString &when) const;
    // The first line of a chain begun on a log whose whole lines so far are
    // prefix.
    QByteArray sealFrom(ChainHead *head, const QByteArray &prefix) const;

    // Checks the chain of log line by line, and the seal points (in any
    // order) against it. wholeTail: the store writes each line with its
    // link at once, so lines after the last link are damage, not lines a
    // stopped writer left for the next one to link.
    ChainVerdict verify(const QByteArray &log, const QByteArray &chain,
                        const QList<SealPoint> &seals = {}, bool wholeTail = false) const;

private:
    QByteArray m_key;
};

// ---- seals ----
// The seals file has one record a line, for all four logs:
//   "seal <yyyy-MM-ddTHH:mm:ss> <log> <line> <hex> <mac>"
//   "restored <yyyy-MM-ddTHH:mm:ss> <log> <line> - <mac> <what>"
// mac is the HMAC-SHA256 of the line before " <mac>" plus the rest, in hex,
// or "-" without a key. A restore rolled the log back to <line> lines.
struct SealRecord {
    bool restore = false;
    QString when; // "yyyy-MM-ddTHH:mm:ss"
    QString log;
    qint64 line = 0;
    QByteArray value; // 32 bytes (seals)
    QString what;     // restores: from where, by whom
    bool macOk = true;
    bool keyed = false; // made with a key
    int fileLine = 0;   // 1-based, for the report
};

QByteArray SealRecordLine(const LogChain &chain, const SealRecord &record);
QList<SealRecord> ParseSeals(const LogChain &chain, const QByteArray &bytes);

// The seal points of one log that still bind it: a restore makes the
// points before it beyond its line count history. notes gets each restore
// ("restored on ..."), problems each record of this log that fails its mac.
QList<SealPoint> SealPointsFor(const QList<SealRecord> &records, const QString &log,
                               QStringList *notes, QStringList *problems);

// A log verified as stored: its bytes, its chain's text and the seals
// file's bytes (which hold all four logs' seals). A seal record of this log
// that fails its key breaks it too.
ChainVerdict VerifyStoredLog(const LogChain &chain, const QString &logName, const QByteArray &log,
                             const QByteArray &links, const QByteArray &seals,
                             bool wholeTail = false);
