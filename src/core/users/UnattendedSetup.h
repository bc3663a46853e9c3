// The unattended set-up of an installation: the agency name from the
// command line and the administrative access code from standard input, for
// installing the program on many workstations (or from a script) without a
// person at the set-up window.
#pragma once

#include "core/users/Installation.h"

#include <QString>
#include <functional>

class QIODevice;
struct StartOptions;

// Exit statuses of the unattended set-up.
constexpr int UnattendedOk = 0;
constexpr int UnattendedFailed = 1; // nothing was saved
constexpr int UnattendedUsage = 2;  // the options do not go together

// Where the settings go when it is not a data folder (a database): its
// name in the report ("The database ..."), and its save of the agency's
// name and the access code, with the text that tells its result.
struct UnattendedPlace {
    QString name;
    std::function<InstallationResult(const QString &agency, const QString &accessCode,
                                     QString *text)>
        save;
};

// Sets up the data folder options.dataDir, or place when given: the
// agency name of --set-agency and the access code read as one line from
// input (the line break taken off, nothing else: blanks count). Both
// options are needed. Returns the exit status; *message gets what to tell
// the person (on standard output for UnattendedOk, standard error
// otherwise), without a trailing line break. Opens no window and asks
// nothing.
int RunUnattendedSetup(const StartOptions &options, QIODevice &input, QString *message,
                       const UnattendedPlace *place = nullptr);

// Turns the echo of the terminal fd off while it lives, so that an access
// code typed there is not shown; does nothing when fd is not a terminal.
// The terminal's settings come back as they were.
class TerminalEchoOff
{
public:
    explicit TerminalEchoOff(int fd);
    ~TerminalEchoOff();
    TerminalEchoOff(const TerminalEchoOff &) = delete;
    TerminalEchoOff &operator=(const TerminalEchoOff &) = delete;
    // True when fd is a terminal whose echo is off now.
    bool active() const { return m_active; }

private:
    int m_fd;
    bool m_active = false;
    unsigned char m_saved[128]; // the terminal's settings before (struct termios)
};

// Reads one line of at most maxBytes bytes from input (UTF-8) and takes the
// line break (LF or CR LF) off; false when input had nothing at all.
bool ReadSecretLine(QIODevice &input, QString *line, qint64 maxBytes = 1024);
