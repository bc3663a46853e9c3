// Start-up pieces that need no window: the command line, the single-copy
// guard and the clean-up of the data folder.
#pragma once

#include <QString>
#include <QStringList>
#include <memory>

struct StartOptions {
    QString dataDir; // absolute; the current folder when not given
    bool help = false;
    QString error; // not empty: the command line could not be used
    // Unattended set-up of the installation settings: the program sets the
    // agency name and the access code (read from standard input) for the
    // data folder and ends without opening a window.
    bool setAgency = false;
    QString agencyName;
    bool setAccessCode = false;
    bool unattended() const { return setAgency || setAccessCode; }
};

// Reads the arguments after the program name.
StartOptions ParseCommandLine(const QStringList &arguments, const QString &currentDir);
QString CommandLineHelp();

class QLockFile;

// Refuses a second running copy for the same user session. A copy that
// crashed leaves a lock that is recognised as stale, so it never blocks.
class SingleInstance
{
public:
    // lockPath: empty for the user's own run-time folder.
    explicit SingleInstance(const QString &lockPath = QString());
    ~SingleInstance();
    // True when this is the only running copy (the guard is now held).
    bool claim();
    void release();
    QString lockPath() const { return m_path; }

private:
    QString m_path;
    std::unique_ptr<QLockFile> m_lock;
};

// Closing step of the program: every file of the data set that exists and
// is empty is deleted; missing or non-empty ones are left alone. Returns
// the names deleted.
QStringList RemoveEmptyDataFiles();
