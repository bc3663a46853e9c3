#include "core/store/pg/PgRows.h"

#include "core/common/Formats.h"
#include "core/users/UserRecord.h"

#include <QtEndian>
#include <cmath>
#include <cstring>
#include <iterator>

namespace
{

enum class Kind { Short, Real, Money, Byte, Text };

struct Field {
    const char *column;
    int offset;
    int width;
    Kind kind;
};

using namespace EntryLayout;

const Field kEntryFields[] = {
    {"version_stamp", VersionStamp, 2, Kind::Short},
    {"control_number", ControlNumber, 8, Kind::Real},
    {"case_number", CaseNumber, Location - CaseNumber, Kind::Text},
    {"location", Location, Category - Location, Kind::Text},
    {"category", Category, BrandName - Category, Kind::Text},
    {"brand_name", BrandName, ModelNumber - BrandName, Kind::Text},
    {"model_number", ModelNumber, SerialNumber - ModelNumber, Kind::Text},
    {"serial_number", SerialNumber, Description - SerialNumber, Kind::Text},
    {"description", Description, Value - Description, Kind::Text},
    {"value", Value, 8, Kind::Money},
    {"owner", Owner, ReceivedFrom - Owner, Kind::Text},
    {"received_from", ReceivedFrom, ReceivedDate - ReceivedFrom, Kind::Text},
    {"received_date", ReceivedDate, 8, Kind::Real},
    {"released_to", ReleasedTo, ReleasedDate - ReleasedTo, Kind::Text},
    {"released_date", ReleasedDate, 8, Kind::Real},
    {"defendant", Defendant, Reserved1 - Defendant, Kind::Text},
    {"reserved1", Reserved1, Reserved2 - Reserved1, Kind::Text},
    {"reserved2", Reserved2, Reserved3 - Reserved2, Kind::Text},
    {"reserved3", Reserved3, Narrative - Reserved3, Kind::Text},
    {"narrative", Narrative, ChainOfCustody - Narrative, Kind::Text},
    {"chain_of_custody", ChainOfCustody, Status - ChainOfCustody, Kind::Text},
    {"status", Status, 1, Kind::Byte},
};

const Field kUserFields[] = {
    {"date_created", UserLayout::DateCreated, 8, Kind::Real},
    {"first_name", UserLayout::FirstName, UserLayout::FirstNameWidth, Kind::Text},
    {"last_name", UserLayout::LastName, UserLayout::LastNameWidth, Kind::Text},
    {"access_level", UserLayout::AccessLevel, 2, Kind::Short},
    {"comments", UserLayout::Comments, UserLayout::CommentsWidth, Kind::Text},
};

template <size_t N> QStringList columns(const Field (&fields)[N])
{
    QStringList c;
    for (const Field &f : fields)
        c << QLatin1String(f.column);
    return c;
}

// float8's text: every finite double exactly, and its special values.
QString float8Text(double v)
{
    if (std::isnan(v))
        return QStringLiteral("NaN");
    if (std::isinf(v))
        return v > 0 ? QStringLiteral("Infinity") : QStringLiteral("-Infinity");
    return QString::number(v, 'g', 17);
}

QVariant columnValue(const Field &f, const char *raw)
{
    const char *p = raw + f.offset;
    switch (f.kind) {
    case Kind::Short:
        return int(qFromLittleEndian<qint16>(p));
    case Kind::Real: {
        double v;
        std::memcpy(&v, p, 8);
        if (QSysInfo::ByteOrder == QSysInfo::BigEndian)
            v = qFromLittleEndian(v);
        return float8Text(v);
    }
    case Kind::Money:
        return QString::number(qFromLittleEndian<qint64>(p));
    case Kind::Byte:
        return int(static_cast<unsigned char>(*p));
    case Kind::Text:
        break;
    }
    QByteArray bytes(p, f.width);
    bytes.replace('\0', ' ');
    int end = int(bytes.size());
    while (end > 0 && bytes[end - 1] == ' ')
        --end;
    // Never a null string: that would be NULL.
    const QString text = FromWindows1252(bytes.left(end));
    return text.isNull() ? QStringLiteral("") : text;
}

void putColumn(const Field &f, const QVariant &value, char *raw)
{
    char *p = raw + f.offset;
    switch (f.kind) {
    case Kind::Short:
        qToLittleEndian<qint16>(qint16(value.toInt()), p);
        return;
    case Kind::Real: {
        const double v = Float8(value);
        std::memcpy(p, &v, 8);
        return;
    }
    case Kind::Money:
        qToLittleEndian<qint64>(value.toLongLong(), p);
        return;
    case Kind::Byte:
        *p = char(value.toInt());
        return;
    case Kind::Text:
        break;
    }
    const QByteArray text = ToFixedText(value.toString(), f.width);
    std::memcpy(p, text.constData(), size_t(f.width));
}

template <size_t N> void fromRow(const Field (&fields)[N], const QSqlQuery &q, int first, char *raw)
{
    for (size_t i = 0; i < N; ++i)
        putColumn(fields[i], q.value(first + int(i)), raw);
}

template <size_t N>
bool write(const Field (&fields)[N], QSqlQuery &q, const QString &sql, const QByteArray &raw)
{
    q.prepare(sql);
    for (const Field &f : fields)
        q.bindValue(QLatin1Char(':') + QLatin1String(f.column), columnValue(f, raw.constData()));
    return true;
}

template <size_t N>
QString insertSql(const Field (&fields)[N], const QString &table, const QString &extra)
{
    QStringList names = columns(fields), values;
    for (const QString &n : names)
        values << QLatin1Char(':') + n;
    if (!extra.isEmpty()) {
        names << extra;
        values << QLatin1Char(':') + extra;
    }
    return QStringLiteral("INSERT INTO %1 (%2) VALUES (%3) RETURNING id")
        .arg(table, names.join(QStringLiteral(", ")), values.join(QStringLiteral(", ")));
}

template <size_t N>
QString updateSql(const Field (&fields)[N], const QString &table, const QString &extra)
{
    QStringList sets;
    for (const QString &n : columns(fields))
        sets << n + QStringLiteral(" = :") + n;
    if (!extra.isEmpty())
        sets << extra + QStringLiteral(" = coalesce(nullif(:") + extra + QStringLiteral(", ''), ") +
                    extra + QLatin1Char(')');
    return QStringLiteral("UPDATE %1 SET %2, row_version = row_version + 1 WHERE id = :id")
        .arg(table, sets.join(QStringLiteral(", ")));
}

bool returningId(QSqlQuery &q, qint64 *id)
{
    if (!q.exec() || !q.next())
        return false;
    *id = q.value(0).toLongLong();
    return true;
}

template <size_t N>
QStringList differing(const Field (&fields)[N], const QByteArray &a, const QByteArray &b)
{
    QStringList names;
    for (const Field &f : fields)
        if (std::memcmp(a.constData() + f.offset, b.constData() + f.offset, size_t(f.width)) != 0)
            names << QLatin1String(f.column);
    return names;
}

} // namespace

QStringList EntryColumns()
{
    return columns(kEntryFields);
}

QStringList EntryListColumns()
{
    return {QStringLiteral("control_number"), QStringLiteral("case_number"),
            QStringLiteral("category"),       QStringLiteral("description"),
            QStringLiteral("value"),          QStringLiteral("received_date"),
            QStringLiteral("status")};
}

QVector<int> EntryFieldIndexes(const QStringList &columns)
{
    QVector<int> indexes;
    for (const QString &c : columns)
        for (int i = 0; i < int(std::size(kEntryFields)); ++i)
            if (c == QLatin1String(kEntryFields[i].column))
                indexes << i;
    return indexes;
}

void EntryFieldsFromRow(const QSqlQuery &q, int first, const QVector<int> &fields, char *raw)
{
    for (int i = 0; i < fields.size(); ++i)
        putColumn(kEntryFields[fields[i]], q.value(first + i), raw);
}

QStringList UserColumns()
{
    return columns(kUserFields);
}

void EntryBytesFromRow(const QSqlQuery &q, int first, QByteArray *raw)
{
    raw->resize(EntryRecordLength);
    fromRow(kEntryFields, q, first, raw->data());
}

QByteArray EntryBytesFromRow(const QSqlQuery &q, int first)
{
    QByteArray raw(EntryRecordLength, ' ');
    EntryBytesFromRow(q, first, &raw);
    return raw;
}

QByteArray UserBytesFromRow(const QSqlQuery &q, int first)
{
    QByteArray raw(UserRecordLength, ' ');
    fromRow(kUserFields, q, first, raw.data());
    return raw;
}

bool InsertEntry(QSqlQuery &q, const QByteArray &raw, qint64 *id)
{
    write(kEntryFields, q, insertSql(kEntryFields, QStringLiteral("entries"), QString()), raw);
    return returningId(q, id);
}

bool UpdateEntry(QSqlQuery &q, qint64 id, const QByteArray &raw)
{
    write(kEntryFields, q, updateSql(kEntryFields, QStringLiteral("entries"), QString()), raw);
    q.bindValue(QStringLiteral(":id"), id);
    return q.exec() && q.numRowsAffected() == 1;
}

bool InsertUser(QSqlQuery &q, const QByteArray &raw, const QString &passwordKey, qint64 *id)
{
    const QString key = QStringLiteral("password_key");
    write(kUserFields, q, insertSql(kUserFields, QStringLiteral("users"), key), raw);
    q.bindValue(QLatin1Char(':') + key, passwordKey);
    return returningId(q, id);
}

bool UpdateUser(QSqlQuery &q, qint64 id, const QByteArray &raw, const QString &passwordKey)
{
    const QString key = QStringLiteral("password_key");
    write(kUserFields, q, updateSql(kUserFields, QStringLiteral("users"), key), raw);
    q.bindValue(QLatin1Char(':') + key, passwordKey.isNull() ? QStringLiteral("") : passwordKey);
    q.bindValue(QStringLiteral(":id"), id);
    return q.exec() && q.numRowsAffected() == 1;
}

QByteArray EditedEntryBytes(const QByteArray &raw, const EntryRecord &edited)
{
    QByteArray changed = edited.Pack();
    // Not the card's to change: stamp, control number, reserved, status.
    std::memcpy(changed.data() + VersionStamp, raw.constData() + VersionStamp, CaseNumber);
    std::memcpy(changed.data() + Reserved1, raw.constData() + Reserved1, Narrative - Reserved1);
    changed[Status] = raw[Status];
    return changed;
}

QString StoredText(const QString &text)
{
    QString t = text;
    while (t.endsWith(QLatin1Char(' ')))
        t.chop(1);
    return t;
}

double Float8(const QVariant &value)
{
    if (value.typeId() == QMetaType::Double)
        return value.toDouble();
    const QString t = value.toString().toLower();
    if (t == QLatin1String("nan"))
        return std::nan("");
    if (t == QLatin1String("infinity") || t == QLatin1String("inf"))
        return HUGE_VAL;
    if (t == QLatin1String("-infinity") || t == QLatin1String("-inf"))
        return -HUGE_VAL;
    return t.toDouble();
}

QStringList EntryFieldsDiffering(const QByteArray &a, const QByteArray &b)
{
    return differing(kEntryFields, a, b);
}

QStringList UserFieldsDiffering(const QByteArray &a, const QByteArray &b)
{
    return differing(kUserFields, a, b);
}
