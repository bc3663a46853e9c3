// The activity logs' chains in a database. The table log_chain holds, for
// each log, the text a folder keeps in its chain file, in the rows that
// added it: each line of a log table gets its link in the same transaction
// (one statement inserts both), under a lock per log that lets appends
// follow each other. The table log_seals holds the seals file's records,
// one a row. Both are append-only like the logs, and their text and bytes
// are those of a data folder, so a folder's chain moves in and out as it
// is and verifies the same way. A transaction writes a line and its link
// together, so a line without a link is one added outside the program.
#pragma once

#include "core/common/LogChain.h"

#include <QDateTime>
#include <QMap>
#include <QString>

class QSqlDatabase;
class QSqlQuery;

// Appends line (without its CR LF) to logName's table with its link, inside
// the transaction open on db; q (on db) runs the insert, for its error. A
// log whose table held lines before its chain began gets a first link
// "sealed from" its end.
bool AppendChainedLine(QSqlDatabase &db, QSqlQuery &q, const QString &logName, const QString &line,
                       const QByteArray &key);

// Verifies logName's chain and the seals in one snapshot; *begun false
// while the log has no chain and there are no seals. False when the
// database could not be read.
bool VerifyChainIn(QSqlDatabase &db, const QByteArray &key, const QString &logName, bool *begun,
                   ChainVerdict *verdict);

// Seals the four logs at when inside the transaction open on db (a log not
// chained yet is chained from its end first): the records made.
bool SealChainsIn(QSqlDatabase &db, const QByteArray &key, const QDateTime &when,
                  QList<SealRecord> *records);

// Import: the chains of a folder's logs (bytes by log name) and its seals
// file into the transaction open on db. A log without a chain is chained
// from its end, lines a stopped writer left without links are linked (a
// recorded repair); what was done goes to *report, one text a log.
bool ImportChains(QSqlDatabase &db, const QString &folder, const QMap<QString, QByteArray> &logs,
                  const QByteArray &key, QStringList *report);
// Export: each log's chain file and the seals file, as a folder keeps them,
// by file name (only those that hold anything).
bool ExportChains(QSqlDatabase &db, QMap<QString, QByteArray> *files);
