// Inside the database store: an entry or a user row and its record's bytes.
// A text column holds the field's characters as stored, without the blanks
// that pad it (a NUL, which a text column can not hold, is kept as a blank);
// the numbers keep their stored values. So the bytes of a record made from
// a row are the bytes it was made from, field for field.
#pragma once

#include "core/entries/EntryRecord.h"

#include <QByteArray>
#include <QSqlQuery>
#include <QStringList>
#include <QVariant>
#include <QVector>

// The columns in record order (the password is not one of them).
QStringList EntryColumns();
QStringList UserColumns();

// The columns the list shows of an entry (with its status); the places of
// columns among the entry's fields; and those fields of raw set from a row
// whose columns, from first on, are the fields at those places.
QStringList EntryListColumns();
QVector<int> EntryFieldIndexes(const QStringList &columns);
void EntryFieldsFromRow(const QSqlQuery &q, int first, const QVector<int> &fields, char *raw);

// The record's bytes from a row whose columns, from first on, are
// EntryColumns (UserColumns); a user's password field is blank.
QByteArray EntryBytesFromRow(const QSqlQuery &q, int first);
void EntryBytesFromRow(const QSqlQuery &q, int first, QByteArray *raw);
QByteArray UserBytesFromRow(const QSqlQuery &q, int first);

// Writes a record as a new row (its id to *id) or over row id.
bool InsertEntry(QSqlQuery &q, const QByteArray &raw, qint64 *id);
bool UpdateEntry(QSqlQuery &q, qint64 id, const QByteArray &raw);
bool InsertUser(QSqlQuery &q, const QByteArray &raw, const QString &passwordKey, qint64 *id);
// An empty passwordKey keeps the stored one.
bool UpdateUser(QSqlQuery &q, qint64 id, const QByteArray &raw, const QString &passwordKey);

// The bytes of an edit of the record raw: the card's fields from edited,
// the version stamp, control number, reserved fields and status as stored.
QByteArray EditedEntryBytes(const QByteArray &raw, const EntryRecord &edited);

// A field's text as a column holds it; a float8 column's value.
QString StoredText(const QString &text);
double Float8(const QVariant &value);

// The fields whose bytes differ between two records ("case_number",
// "narrative"; the password field is left out of users).
QStringList EntryFieldsDiffering(const QByteArray &a, const QByteArray &b);
QStringList UserFieldsDiffering(const QByteArray &a, const QByteArray &b);
