#include "core/users/UnattendedSetup.h"

#include "core/common/Globals.h"
#include "core/common/Startup.h"
#include "core/users/Installation.h"

#include <QFileInfo>
#include <QIODevice>
#include <cstring>
#include <termios.h>
#include <unistd.h>

static_assert(sizeof(termios) <= 128, "room for the terminal's settings");

namespace
{

QString plainText(const QString &text)
{
    QString t = text;
    t.replace(CrLf, QStringLiteral("\n"));
    return t;
}

} // namespace

TerminalEchoOff::TerminalEchoOff(int fd) : m_fd(fd)
{
    termios t{};
    if (!::isatty(fd) || ::tcgetattr(fd, &t) != 0)
        return;
    std::memcpy(m_saved, &t, sizeof t);
    t.c_lflag &= ~tcflag_t(ECHO | ECHOE | ECHOK);
    // The line break the person types is still shown, so that what is
    // printed next starts on a line of its own.
    t.c_lflag |= ECHONL;
    m_active = ::tcsetattr(fd, TCSAFLUSH, &t) == 0;
}

TerminalEchoOff::~TerminalEchoOff()
{
    if (!m_active)
        return;
    termios t{};
    std::memcpy(&t, m_saved, sizeof t);
    ::tcsetattr(m_fd, TCSAFLUSH, &t);
}

bool ReadSecretLine(QIODevice &input, QString *line, qint64 maxBytes)
{
    QByteArray bytes;
    char c = 0;
    bool any = false;
    while (bytes.size() < maxBytes && input.getChar(&c)) {
        any = true;
        if (c == '\n')
            break;
        bytes.append(c);
    }
    if (!any)
        return false;
    if (bytes.endsWith('\r'))
        bytes.chop(1);
    *line = QString::fromUtf8(bytes);
    return true;
}

int RunUnattendedSetup(const StartOptions &options, QIODevice &input, QString *message,
                       const UnattendedPlace *place)
{
    if (!options.setAgency || !options.setAccessCode) {
        *message = QStringLiteral("--set-agency NAME and --set-access-code go together: the "
                                  "agency's name and the access code are set up at once");
        return UnattendedUsage;
    }
    const QFileInfo folder(options.dataDir);
    if (!place && !folder.isDir()) {
        *message = QStringLiteral("the data folder does not exist: ") + options.dataDir +
                   QStringLiteral("\nNothing has been saved.");
        return UnattendedFailed;
    }
    DataSet ds(place ? QString() : folder.absoluteFilePath());
    ds.options.LogKey = options.logKey;

    QString code;
    if (!ReadSecretLine(input, &code)) {
        *message = QStringLiteral("no access code on standard input: type it as one line, "
                                  "for example\n  echo 'A1b2C' | custorin --set-agency NAME "
                                  "--set-access-code\nNothing has been saved.");
        return UnattendedFailed;
    }
    QString text;
    const InstallationResult r = place ? place->save(options.agencyName, code, &text)
                                       : SaveInstallation(ds, options.agencyName, code);
    switch (r) {
    case InstallationResult::Ok:
        *message = (place ? place->name : QStringLiteral("The data folder ") + ds.folder()) +
                   QStringLiteral(" is set up for ") +
                   (place ? options.agencyName.trimmed() : ds.AgencyName) + QStringLiteral(".");
        return UnattendedOk;
    case InstallationResult::Cancelled:
        *message = QStringLiteral("the data folder is busy: another workstation is writing to "
                                  "it. Please try again.\nNothing has been saved.");
        return UnattendedFailed;
    default:
        *message = InstallationResultTitle(r) + QStringLiteral(": ") +
                   plainText(place ? text : InstallationResultText(ds, r));
        if (r == InstallationResult::AccessCodeInvalid || r == InstallationResult::AgencyEmpty ||
            r == InstallationResult::AgencyTooLong || r == InstallationResult::AgencyInvalid)
            *message += QStringLiteral("\nNothing has been saved.");
        return UnattendedFailed;
    }
}
