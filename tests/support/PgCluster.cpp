#include "PgCluster.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QStandardPaths>
#include <QThread>

#include <pwd.h>
#include <signal.h>
#include <unistd.h>

namespace
{
const QString kBinDir = QStringLiteral("/usr/lib/postgresql/15/bin");

bool chownTree(const QString &path, uid_t uid, gid_t gid)
{
    if (::chown(QFile::encodeName(path).constData(), uid, gid) != 0)
        return false;
    if (!QFileInfo(path).isDir())
        return true;
    const auto entries = QDir(path).entryInfoList(QDir::AllEntries | QDir::NoDotAndDotDot |
                                                  QDir::Hidden | QDir::System);
    for (const QFileInfo &e : entries)
        if (!chownTree(e.filePath(), uid, gid))
            return false;
    return true;
}
} // namespace

PgCluster::PgCluster() : m_dir(QDir::tempPath() + QStringLiteral("/custorin-pg-XXXXXX")) {}

PgCluster::~PgCluster()
{
    if (m_started && !stop())
        kill();
}

QString PgCluster::bin(const QString &name) const
{
    return kBinDir + QLatin1Char('/') + name;
}

QString PgCluster::dataDir() const
{
    return m_dir.filePath(QStringLiteral("data"));
}

QString PgCluster::socketDir() const
{
    return m_dir.path();
}

bool PgCluster::run(const QString &program, const QStringList &args, QString *output,
                    int timeoutMs) const
{
    QProcess p;
    p.setProcessChannelMode(QProcess::MergedChannels);
    p.setWorkingDirectory(m_dir.path());
    if (::geteuid() == 0)
        p.start(QStringLiteral("runuser"),
                QStringList{QStringLiteral("-u"), m_user, QStringLiteral("--"), program} + args);
    else
        p.start(program, args);
    const bool finished = p.waitForFinished(timeoutMs);
    if (!finished)
        p.kill();
    p.waitForFinished();
    if (output)
        *output = QString::fromLocal8Bit(p.readAll());
    return finished && p.exitStatus() == QProcess::NormalExit && p.exitCode() == 0;
}

bool PgCluster::start(QString *why)
{
    if (!QFileInfo(bin(QStringLiteral("initdb"))).isExecutable()) {
        *why = QStringLiteral("PostgreSQL 15 is not installed (") + kBinDir + QLatin1Char(')');
        return false;
    }
    if (!m_dir.isValid()) {
        *why = QStringLiteral("no temporary folder");
        return false;
    }
    if (::geteuid() == 0) {
        const passwd *pw = ::getpwnam("nobody");
        if (!pw || !chownTree(m_dir.path(), pw->pw_uid, pw->pw_gid)) {
            *why = QStringLiteral("no account 'nobody' to run the server as");
            return false;
        }
        m_user = QStringLiteral("nobody");
    } else {
        const passwd *pw = ::getpwuid(::geteuid());
        m_user = pw ? QString::fromLocal8Bit(pw->pw_name) : QString();
    }
    QString out;
    if (!run(bin(QStringLiteral("initdb")),
             {QStringLiteral("-D"), dataDir(), QStringLiteral("-U"), m_user,
              QStringLiteral("--auth=trust"), QStringLiteral("-E"), QStringLiteral("UTF8"),
              QStringLiteral("--locale=C.UTF-8")},
             &out)) {
        *why = QStringLiteral("initdb failed: ") + out;
        return false;
    }
    return launch(why);
}

bool PgCluster::launch(QString *why)
{
    QString out;
    const QString options = QStringLiteral("-c listen_addresses='' -c unix_socket_directories='") +
                            socketDir() +
                            QStringLiteral("' -c fsync=off -c max_connections=120 "
                                           "-c shared_buffers=64MB");
    if (!run(bin(QStringLiteral("pg_ctl")),
             {QStringLiteral("-D"), dataDir(), QStringLiteral("-o"), options, QStringLiteral("-l"),
              m_dir.filePath(QStringLiteral("server.log")), QStringLiteral("-w"),
              QStringLiteral("start")},
             &out)) {
        QFile log(m_dir.filePath(QStringLiteral("server.log")));
        log.open(QIODevice::ReadOnly);
        *why = QStringLiteral("the server did not start: ") + out +
               QString::fromLocal8Bit(log.readAll());
        return false;
    }
    m_started = true;
    return true;
}

bool PgCluster::stop()
{
    if (!m_started)
        return true;
    QString out;
    const bool ok = run(bin(QStringLiteral("pg_ctl")),
                        {QStringLiteral("-D"), dataDir(), QStringLiteral("-m"),
                         QStringLiteral("fast"), QStringLiteral("-w"), QStringLiteral("stop")},
                        &out);
    if (ok)
        m_started = false;
    return ok;
}

bool PgCluster::isRunning() const
{
    return m_started;
}

void PgCluster::kill()
{
    QFile pidFile(dataDir() + QStringLiteral("/postmaster.pid"));
    if (!pidFile.open(QIODevice::ReadOnly))
        return;
    const pid_t pid = pid_t(pidFile.readLine().trimmed().toLong());
    if (pid <= 0)
        return;
    // The postmaster first, then its children (found through /proc).
    const auto procs = QDir(QStringLiteral("/proc")).entryList(QDir::Dirs);
    QList<pid_t> children;
    for (const QString &p : procs) {
        QFile stat(QStringLiteral("/proc/") + p + QStringLiteral("/stat"));
        if (!stat.open(QIODevice::ReadOnly))
            continue;
        const QByteArray s = stat.readAll();
        const QList<QByteArray> fields = s.mid(s.lastIndexOf(')') + 2).split(' ');
        if (fields.size() > 1 && fields[1].toLong() == pid)
            children.append(pid_t(p.toLong()));
    }
    ::kill(pid, SIGKILL);
    for (pid_t c : children)
        ::kill(c, SIGKILL);
    for (int i = 0; i < 100 && ::kill(pid, 0) == 0; ++i)
        QThread::msleep(20);
    m_started = false;
}

QString PgCluster::conninfo(const QString &database, const QString &role) const
{
    return QStringLiteral("host=%1 dbname=%2 user=%3")
        .arg(socketDir(), database, role.isEmpty() ? m_user : role);
}

bool PgCluster::psql(const QString &database, const QString &sql, QString *output,
                     int timeoutMs) const
{
    return run(bin(QStringLiteral("psql")),
               {QStringLiteral("-X"), QStringLiteral("-q"), QStringLiteral("-A"),
                QStringLiteral("-t"), QStringLiteral("-v"), QStringLiteral("ON_ERROR_STOP=1"),
                QStringLiteral("-h"), socketDir(), QStringLiteral("-d"), database,
                QStringLiteral("-c"), sql},
               output, timeoutMs);
}
