// A private PostgreSQL 15 server for one test: a cluster made with initdb in
// a temporary folder, listening only on a Unix socket in that folder, run as
// the account "nobody" when the test runs as root (the server refuses to
// run as root), stopped and removed at the end.
#pragma once

#include <QString>
#include <QTemporaryDir>

class PgCluster
{
public:
    PgCluster();
    ~PgCluster();
    PgCluster(const PgCluster &) = delete;
    PgCluster &operator=(const PgCluster &) = delete;

    // Makes the cluster and starts it; false with the reason in *why when it
    // can not be (no server installed, no account to run it as).
    bool start(QString *why);
    // Stops the server cleanly, or at once (SIGKILL to the postmaster and
    // every backend, as a crash or a pulled cable would).
    bool stop();
    void kill();
    // Starts the stopped or killed server again on the same cluster.
    bool launch(QString *why);
    bool isRunning() const;

    QString socketDir() const;
    // A libpq key=value string for a database, as role (the superuser when
    // empty).
    QString conninfo(const QString &database, const QString &role = QString()) const;
    // Runs SQL through psql as the superuser; false with psql's error text.
    bool psql(const QString &database, const QString &sql, QString *output = nullptr,
              int timeoutMs = 60000) const;
    // What the SQL printed, trimmed (empty when it failed).
    QString value(const QString &database, const QString &sql) const
    {
        QString out;
        psql(database, sql, &out);
        return out.trimmed();
    }

private:
    bool run(const QString &program, const QStringList &args, QString *output,
             int timeoutMs = 60000) const;
    QString bin(const QString &name) const;
    QString dataDir() const;

    QTemporaryDir m_dir;
    QString m_user;
    bool m_started = false;
};
