// The chains of a data folder's four activity logs, kept beside them
// ("DataRecords.Log.chain"), and the seals file that anchors them: the
// folder store's side of common/LogChain.h.
#pragma once

#include "core/common/LogChain.h"

#include <QDateTime>
#include <QString>
#include <QStringList>

class DataSet;
class FolderLock;

inline const QString SealsFileName = QStringLiteral("Logs.Seals");
// "DataRecords.Log" -> "DataRecords.Log.chain"
QString ChainFileName(const QString &logName);
// The four logs, their chains and the seals file: what a backup copies
// beside the data files.
QStringList ChainedLogFiles();

// Links line (its bytes as written, CR LF included), which was just
// appended to logName at lineStart, under the held lock: the chain is first
// extended over lines an interrupted writer left without a link (recorded
// as a repair), and a log that had no chain gets one sealed from its end
// before lineStart. An empty line links only those. False when the chain
// could not be written (the next append repairs it).
bool LinkLogLines(const FolderLock &held, const QString &logName, qint64 lineStart,
                  const QByteArray &line = QByteArray());
// Takes back the links of the log bytes from logSize on.
bool UndoLogLinks(const FolderLock &held, const QString &logName, qint64 logSize);

// Verifies logName's chain and its seals as stored now (no lock: a line
// being appended at this moment may show as not linked yet).
ChainVerdict VerifyLogChain(const DataSet &ds, const QString &logName);
// One line of the verdict for a report: "verified up to line N" or "line N
// fails its chain: ...".
QString VerdictText(const ChainVerdict &verdict);

// Seals the four logs under the held lock: their chains' heads go into the
// seals file at when. The records made; empty when the seals file could
// not be written.
QList<SealRecord> SealLogs(const FolderLock &held, const QDateTime &when);
// Records in the seals file that a restore (what: from where, by whom)
// rolled the four logs back to their current line counts. A log whose
// chain was not among the restored files (a backup from before the chains)
// is chained anew from its end.
bool RecordRestore(const FolderLock &held, const QDateTime &when, const QString &what,
                   const QStringList &restored);
// What a restore from folder puts back: the logs' chains are restored with
// the logs, but the seals file stays (it keeps the history).
QStringList RestoredChainFiles();

// The lines of the "Log Seal" page (print/LogSeal.h) and of --seal: title,
// agency, folder, moment, who sealed, whether the key was used, each log's
// line count and chain value, and the signature line.
QStringList LogSealLines(const QString &agency, const QString &folder, const QString &sealedBy,
                         bool keyed, const QList<SealRecord> &seals);

// ---- the settings and the user list, with a key ----
// With a key, the program covers "Custorin.ini" and "User.List" each time
// it writes them, under the same hold of the lock: "Custorin.ini.mac"
// holds "<line> <hex>", the HMAC-SHA256 of the file's name and bytes after
// the UserList.Log chain's value at <line> (its head at that write, which
// already links the line recording the change). A copy from another folder
// does not carry this folder's chain value; one made here without the
// program does not carry the key. Without a key nothing is written.
QString CoverFileName(const QString &name); // "User.List" -> "User.List.mac"
QStringList CoveredFiles();                 // "Custorin.ini", "User.List"
// Covers name as it is now. False when its companion could not be written.
bool CoverFile(const FolderLock &held, const QString &name);
// With a key, one text for each covered file that is not as the program
// last wrote it here ("User.List: ..."); none without a key. A file not
// covered yet is no problem while UserList.Log holds no keyed link (a key
// new to the folder: the next write covers it).
QStringList CoveredFileProblems(const DataSet &ds);
