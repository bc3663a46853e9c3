#include "core/store/pg/PgSchema.h"

#include "core/common/ActivityLog.h"
#include "core/store/pg/PgSql.h"

#include <QRegularExpression>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QUrl>

namespace
{

QString quoted(const QString &value)
{
    QString v = value;
    v.replace(QLatin1Char('\\'), QStringLiteral("\\\\"))
        .replace(QLatin1Char('\''), QStringLiteral("\\'"));
    return QLatin1Char('\'') + v + QLatin1Char('\'');
}

// The entries' and users' text columns hold the field's characters without
// the blanks that pad it; the numbers keep their stored values.
const char *const kMigrations[] = {
    // 1: entries, users, the four logs, the settings.
    R"(CREATE TABLE entries (
    id bigserial PRIMARY KEY,
    row_version integer NOT NULL DEFAULT 1,
    version_stamp smallint NOT NULL,
    control_number double precision NOT NULL,
    case_number text NOT NULL, location text NOT NULL, category text NOT NULL,
    brand_name text NOT NULL, model_number text NOT NULL, serial_number text NOT NULL,
    description text NOT NULL, value bigint NOT NULL, owner text NOT NULL,
    received_from text NOT NULL, received_date double precision NOT NULL,
    released_to text NOT NULL, released_date double precision NOT NULL,
    defendant text NOT NULL, reserved1 text NOT NULL, reserved2 text NOT NULL,
    reserved3 text NOT NULL, narrative text NOT NULL, chain_of_custody text NOT NULL,
    status smallint NOT NULL CHECK (status BETWEEN 0 AND 255));
CREATE INDEX entries_status ON entries (status);
CREATE TABLE users (
    id bigserial PRIMARY KEY,
    row_version integer NOT NULL DEFAULT 1,
    date_created double precision NOT NULL,
    first_name text NOT NULL, last_name text NOT NULL,
    password_key text NOT NULL,
    access_level smallint NOT NULL,
    comments text NOT NULL);
CREATE TABLE installation (key text PRIMARY KEY, value text NOT NULL);
CREATE FUNCTION refuse_log_change() RETURNS trigger LANGUAGE plpgsql AS $$
BEGIN
    RAISE EXCEPTION 'the activity log % is append-only', TG_TABLE_NAME;
END $$;
)",
    // 2: text search over the fields a search reads.
    R"(CREATE EXTENSION IF NOT EXISTS pg_trgm;
CREATE INDEX entries_search ON entries USING gin ((
    case_number || ' ' || location || ' ' || category || ' ' || brand_name || ' ' ||
    model_number || ' ' || serial_number || ' ' || description || ' ' || owner || ' ' ||
    received_from || ' ' || released_to || ' ' || defendant || ' ' || narrative || ' ' ||
    chain_of_custody) gin_trgm_ops);
)",
    // 3: the received dates a summary reads.
    R"(CREATE INDEX entries_received_date ON entries (received_date);
)",
    // 4: the logs' chains and their seals (PgChain.h), append-only as the
    // logs are.
    R"(CREATE TABLE log_chain (id bigserial PRIMARY KEY, log text NOT NULL, link text NOT NULL);
CREATE INDEX log_chain_log ON log_chain (log, id);
CREATE TABLE log_seals (id bigserial PRIMARY KEY, record text NOT NULL);
CREATE TRIGGER log_chain_append_only BEFORE UPDATE OR DELETE ON log_chain
    FOR EACH ROW EXECUTE FUNCTION refuse_log_change();
CREATE TRIGGER log_chain_no_truncate BEFORE TRUNCATE ON log_chain
    FOR EACH STATEMENT EXECUTE FUNCTION refuse_log_change();
CREATE TRIGGER log_seals_append_only BEFORE UPDATE OR DELETE ON log_seals
    FOR EACH ROW EXECUTE FUNCTION refuse_log_change();
CREATE TRIGGER log_seals_no_truncate BEFORE TRUNCATE ON log_seals
    FOR EACH STATEMENT EXECUTE FUNCTION refuse_log_change();
REVOKE ALL ON log_chain, log_seals FROM PUBLIC;
GRANT SELECT, INSERT ON log_chain, log_seals TO custorin_app;
GRANT USAGE ON SEQUENCE log_chain_id_seq, log_seals_id_seq TO custorin_app;
)",
    // 5: the program's role may read the sequences' positions too, so that
    // the backup window's pg_dump runs as the workstation's role.
    R"(GRANT SELECT ON SEQUENCE entries_id_seq, users_id_seq, sign_in_out_log_id_seq,
    user_list_log_id_seq, data_records_log_id_seq, search_log_id_seq, log_chain_id_seq,
    log_seals_id_seq TO custorin_app;
)",
    // 6: inventories: each one's lines in the order they were added, as its
    // side file holds them in a data folder; only ever added to.
    R"(CREATE TABLE inventory_lines (
    inventory text NOT NULL,
    line_no integer NOT NULL CHECK (line_no > 0),
    line text NOT NULL,
    PRIMARY KEY (inventory, line_no));
CREATE TRIGGER inventory_lines_append_only BEFORE UPDATE OR DELETE ON inventory_lines
    FOR EACH ROW EXECUTE FUNCTION refuse_log_change();
REVOKE ALL ON inventory_lines FROM PUBLIC;
GRANT SELECT, INSERT ON inventory_lines TO custorin_app;
)",
};

QString logTableSql(const QString &table)
{
    return QStringLiteral(
               "CREATE TABLE %1 (id bigserial PRIMARY KEY, line text NOT NULL);"
               "CREATE TRIGGER %1_append_only BEFORE UPDATE OR DELETE ON %1 "
               "FOR EACH ROW EXECUTE FUNCTION refuse_log_change();"
               "CREATE TRIGGER %1_no_truncate BEFORE TRUNCATE ON %1 "
               "FOR EACH STATEMENT EXECUTE FUNCTION refuse_log_change();"
               "GRANT SELECT, INSERT ON %1 TO %2; GRANT USAGE ON SEQUENCE %1_id_seq TO %2;")
        .arg(table, AppRoleName);
}

bool run(QSqlDatabase &db, const QString &sql, QString *error)
{
    QSqlQuery q(db);
    if (q.exec(sql))
        return true;
    *error = q.lastError().databaseText();
    return false;
}

} // namespace

QString DatabaseConninfo(const QString &text, QString *error)
{
    const QString t = text.trimmed();
    QStringList parts;
    const QString scheme = QStringLiteral("://");
    if (t.startsWith(QLatin1String("postgresql://")) ||
        t.startsWith(QLatin1String("postgres://"))) {
        // libpq's own URL form (a socket folder may stand percent-encoded
        // for the host, which QUrl does not take).
        const QString passwordError =
            QStringLiteral("the database URL holds a password; keep it in ~/.pgpass");
        const auto decoded = [](const QString &part) {
            return QUrl::fromPercentEncoding(part.toUtf8());
        };
        QString rest = t.mid(t.indexOf(scheme) + scheme.size());
        QString query;
        if (const int q = int(rest.indexOf(QLatin1Char('?'))); q >= 0) {
            query = rest.mid(q + 1);
            rest.truncate(q);
        }
        const int slash = int(rest.indexOf(QLatin1Char('/')));
        QString authority = slash < 0 ? rest : rest.left(slash);
        const QString db = slash < 0 ? QString() : rest.mid(slash + 1);
        if (const int at = int(authority.lastIndexOf(QLatin1Char('@'))); at >= 0) {
            const QString userInfo = authority.left(at);
            if (userInfo.contains(QLatin1Char(':'))) {
                *error = passwordError;
                return QString();
            }
            parts << QStringLiteral("user=") + quoted(decoded(userInfo));
            authority = authority.mid(at + 1);
        }
        QString host = authority;
        const int colon = int(authority.lastIndexOf(QLatin1Char(':')));
        if (colon >= 0 && !authority.mid(colon).contains(QLatin1Char(']'))) {
            host = authority.left(colon);
            parts.prepend(QStringLiteral("port=") + authority.mid(colon + 1));
        }
        if (host.startsWith(QLatin1Char('[')) && host.endsWith(QLatin1Char(']')))
            host = host.mid(1, host.size() - 2);
        if (!host.isEmpty())
            parts.prepend(QStringLiteral("host=") + quoted(decoded(host)));
        if (!db.isEmpty())
            parts << QStringLiteral("dbname=") + quoted(decoded(db));
        for (const QString &item : query.split(QLatin1Char('&'), Qt::SkipEmptyParts)) {
            const int eq = int(item.indexOf(QLatin1Char('=')));
            const QString key = decoded(item.left(eq));
            if (key == QLatin1String("password")) {
                *error = passwordError;
                return QString();
            }
            parts << key + QLatin1Char('=') +
                         quoted(eq < 0 ? QString() : decoded(item.mid(eq + 1)));
        }
        return parts.join(QLatin1Char(' '));
    }
    if (!t.contains(QLatin1Char('='))) {
        *error = QStringLiteral("--database takes a postgresql:// URL or key=value settings");
        return QString();
    }
    if (QRegularExpression(QStringLiteral("(^|\\s)password\\s*=")).match(t).hasMatch()) {
        *error = QStringLiteral("the database settings hold a password; keep it in ~/.pgpass");
        return QString();
    }
    return t;
}

QStringList LogFileNames()
{
    return {SignInOutLogName, UserListLogName, DataRecordsLogName, SearchLogName};
}

QString LogTableName(const QString &logName)
{
    static const QStringList tables = {
        QStringLiteral("sign_in_out_log"), QStringLiteral("user_list_log"),
        QStringLiteral("data_records_log"), QStringLiteral("search_log")};
    const int i = int(LogFileNames().indexOf(logName));
    return i < 0 ? QString() : tables[i];
}

bool InitDatabase(const QString &conninfo, QString *message)
{
    PgConnection c(conninfo);
    QSqlDatabase db = c.db();
    if (!db.isOpen()) {
        *message =
            QStringLiteral("The database can not be reached: ") + db.lastError().databaseText();
        return false;
    }
    QString error;
    run(db, QStringLiteral("SET client_min_messages = warning"), &error);
    if (!run(db,
             QStringLiteral("CREATE TABLE IF NOT EXISTS schema_version (version integer PRIMARY "
                            "KEY, applied timestamptz NOT NULL DEFAULT now())"),
             &error) ||
        !run(db,
             QStringLiteral("DO $$ BEGIN IF NOT EXISTS (SELECT FROM pg_roles WHERE rolname = '%1') "
                            "THEN CREATE ROLE %1 NOLOGIN; END IF; END $$")
                 .arg(AppRoleName),
             &error)) {
        *message = QStringLiteral("The database could not be set up: ") + error;
        return false;
    }
    QSqlQuery q(db);
    q.exec(QStringLiteral("SELECT coalesce(max(version), 0) FROM schema_version"));
    const int from = q.next() ? q.value(0).toInt() : 0;
    if (from > CurrentSchemaVersion) {
        *message = QStringLiteral("The database is of a newer release (schema version %1); this "
                                  "release knows versions up to %2.")
                       .arg(from)
                       .arg(CurrentSchemaVersion);
        return false;
    }
    QStringList done;
    for (int v = from + 1; v <= CurrentSchemaVersion; ++v) {
        QString sql = QString::fromUtf8(kMigrations[v - 1]);
        if (v == 1) {
            for (const QString &log : LogFileNames())
                sql += logTableSql(LogTableName(log));
            sql += QStringLiteral(
                       "REVOKE ALL ON entries, users, installation, schema_version FROM PUBLIC;"
                       "GRANT SELECT, INSERT, UPDATE, DELETE ON entries, users, installation TO %1;"
                       "GRANT SELECT ON schema_version TO %1;"
                       "GRANT USAGE ON SEQUENCE entries_id_seq, users_id_seq TO %1;")
                       .arg(AppRoleName);
        }
        sql += QStringLiteral("INSERT INTO schema_version (version) VALUES (%1);").arg(v);
        db.transaction();
        if (!run(db, sql, &error)) {
            db.rollback();
            *message =
                QStringLiteral("Migration %1 failed, nothing of it was kept: ").arg(v) + error;
            return false;
        }
        if (!db.commit()) {
            *message = QStringLiteral("Migration %1 could not be committed: ").arg(v) +
                       db.lastError().databaseText();
            return false;
        }
        done << QString::number(v);
    }
    *message = done.isEmpty()
                   ? QStringLiteral("The database is at schema version %1 already.").arg(from)
                   : QStringLiteral("The database is at schema version %1 (migrations %2 done).")
                         .arg(CurrentSchemaVersion)
                         .arg(done.join(QStringLiteral(", ")));
    return true;
}
