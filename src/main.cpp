#include "core/common/Globals.h"
#include "core/common/Startup.h"
#include "core/print/LabelCommand.h"
#include "core/rules/AdminCommands.h"
#include "core/rules/Inventory.h"
#include "core/store/pg/PgSchema.h"
#include "core/store/pg/PgStore.h"
#include "core/store/pg/PgTransfer.h"
#include "core/users/UnattendedSetup.h"
#include "gui/platform/GuiDesktop.h"
#include "gui/platform/PrinterSurface.h"
#include "gui/platform/WindowLook.h"
#include "gui/windows/Start.h"

#include <QApplication>
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QIcon>
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <limits>
#include <optional>
#include <unistd.h>

namespace
{

// A command's report on standard output, its errors on standard error.
int report(int rc, const QString &out, const QString &err)
{
    std::fputs(out.toLocal8Bit().constData(), stdout);
    for (const QString &line : err.split(QLatin1Char('\n'), Qt::SkipEmptyParts))
        std::fprintf(stderr, "custorin: %s\n", line.toLocal8Bit().constData());
    return rc;
}

// The unattended set-up: no window, the access code from standard input.
int runUnattended(const StartOptions &options)
{
    QFile input;
    if (!input.open(stdin, QIODevice::ReadOnly)) {
        std::fputs("custorin: standard input can not be read\n", stderr);
        return UnattendedFailed;
    }
    QString message;
    // Typed at a terminal, the code is not shown.
    const bool atTerminal = ::isatty(STDIN_FILENO) == 1;
    TerminalEchoOff echoOff(STDIN_FILENO);
    if (atTerminal && options.setAgency && options.setAccessCode) {
        std::fputs("Access code (5 characters, not shown): ", stderr);
        std::fflush(stderr);
    }
    // On the database the other commands would use, when there is one.
    const int rc = options.database.isEmpty() ? RunUnattendedSetup(options, input, &message)
                                              : RunDatabaseSetup(options, input, &message);
    std::fprintf(rc == UnattendedOk ? stdout : stderr, "%s%s\n",
                 rc == UnattendedOk ? "" : "custorin: ", message.toLocal8Bit().constData());
    return rc;
}

// --seal, and the chains' part of --check, on a database.
int runDatabaseLogCommand(const StartOptions &options, QString *out, QString *err)
{
    QString error;
    const QString conninfo = DatabaseConninfo(options.database, &error);
    if (options.seal && (options.backup || options.check || options.keep > 0)) {
        *err = QStringLiteral("--backup (with --keep), --check and --seal go one at a time");
        return 2;
    }
    DataSet ds;
    ds.options.LogKey = options.logKey;
    PgStore store(ds, conninfo);
    QString more, moreErr;
    if (conninfo.isEmpty() || !store.connect(&error)) {
        *err += error + QLatin1Char('\n');
        return 1;
    }
    const int rc = RunStoreLogCommand(store, QStringLiteral("database ") + conninfo, options.seal,
                                      &more, &moreErr);
    *out += more;
    *err += moreErr;
    return rc;
}

// A database's backup on its UserList.Log, as a data folder's is.
int recordDatabaseBackup(const StartOptions &options, QString *err)
{
    QString error;
    DataSet ds;
    ds.options.LogKey = options.logKey;
    PgStore store(ds, DatabaseConninfo(options.database, &error));
    return RecordStoreBackup(store, options.backupTarget, err);
}

// Backup and check: no window, the report on standard output.
int runAdminCommand(const StartOptions &options)
{
    QString out, err;
    const int rc = RunAdminCommand(options, &out, &err);
    return report(rc, out, err);
}

// A desktop without a person that writes PDF files: the labels of the
// command line.
class PdfOnlyDesktop : public HeadlessDesktop
{
public:
    std::unique_ptr<PageSurface> beginPdf(const QString &title, const QString &file,
                                          const PaperSize &paper) override
    {
        return PrinterSurface::forPdf(title, file, paper);
    }
};

// Labels and the list of templates: no window, the report on standard
// output.
int runLabelCommand(const StartOptions &options)
{
    PdfOnlyDesktop pdf;
    Desktop *previous = setDesktop(&pdf);
    PrinterSurface::setProgressDelay(std::numeric_limits<int>::max());
    QString out, err;
    const int rc = RunLabelCommand(options, &out, &err);
    setDesktop(previous);
    return report(rc, out, err);
}

// Inventories: no window, the report on standard output.
int runInventoryCommand(const StartOptions &options)
{
    QString out, err;
    const int rc = RunInventoryCommand(options, &out, &err);
    return report(rc, out, err);
}

// The label command: refused with another command, otherwise drawn with
// the program's fonts on no display.
int runLabelsWithoutDisplay(int &argc, char **argv, const StartOptions &early)
{
    if (early.adminCommand() || early.unattended()) {
        std::fputs("custorin: the label options do not go with --backup, --check or "
                   "the set-up options\n",
                   stderr);
        return 2;
    }
    // The pages are drawn with the program's fonts; no display is needed.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    // Only the program's own words go to standard error.
    qInstallMessageHandler([](QtMsgType type, const QMessageLogContext &, const QString &text) {
        if (type == QtCriticalMsg || type == QtFatalMsg)
            std::fprintf(stderr, "custorin: %s\n", qPrintable(text));
        if (type == QtFatalMsg)
            std::abort();
    });
    QApplication app(argc, argv);
    QCoreApplication::setApplicationName(AppTitle);
    return runLabelCommand(early);
}

// The commands that need no window. The set-up needs no display, so it is
// recognised before any window system is asked for. The exit code, or
// nothing when the windows start.
std::optional<int> runWithoutWindow(int &argc, char **argv)
{
    QStringList arguments;
    for (int i = 1; i < argc; ++i)
        arguments.append(QString::fromLocal8Bit(argv[i]));
    const StartOptions early = ParseCommandLine(arguments, QDir::currentPath());
    // Qt's own options ("-platform", "-style") are only known once the
    // application object has taken them out.
    const bool qtOptions = std::any_of(arguments.cbegin(), arguments.cend(), [](const QString &a) {
        return a.startsWith(QLatin1Char('-')) && !a.startsWith(QLatin1String("--"));
    });
    if (!qtOptions && early.help) {
        std::fputs(qPrintable(CommandLineHelp()), stdout);
        return 0;
    }
    if (!qtOptions && !early.error.isEmpty()) {
        std::fprintf(stderr, "custorin: %s\n\n%s", qPrintable(early.error),
                     qPrintable(CommandLineHelp()));
        return 2;
    }
    if (early.error.isEmpty() && !early.help && early.labelCommand())
        return runLabelsWithoutDisplay(argc, argv, early);
    if (early.error.isEmpty() && !early.help && early.inventoryCommand()) {
        if (early.adminCommand() || early.unattended() || early.labelCommand()) {
            std::fputs("custorin: the inventory options go with no other command\n", stderr);
            return 2;
        }
        QCoreApplication app(argc, argv);
        QCoreApplication::setApplicationName(AppTitle);
        return runInventoryCommand(early);
    }
    if (early.error.isEmpty() && !early.help &&
        (early.databaseCommand() || (early.adminCommand() && !early.database.isEmpty()))) {
        QCoreApplication app(argc, argv);
        QCoreApplication::setApplicationName(AppTitle);
        QString out, err;
        const bool logs = !early.databaseCommand() && (early.check || early.seal);
        int rc = logs && early.seal ? 0 : RunDatabaseCommand(early, &out, &err);
        if (early.backup && rc == 0)
            rc = recordDatabaseBackup(early, &err);
        if (logs && rc != 2) {
            // The chains' lines go before the check's verdict.
            const QString allWell = QStringLiteral("All is well.\n");
            const bool well = out.endsWith(allWell);
            if (well)
                out.chop(allWell.size());
            const int chains = runDatabaseLogCommand(early, &out, &err);
            if (well && chains == 0)
                out += allWell;
            rc = std::max(rc, chains);
        }
        return report(rc, out, err);
    }
    if (early.error.isEmpty() && !early.help && early.adminCommand()) {
        QCoreApplication app(argc, argv);
        QCoreApplication::setApplicationName(AppTitle);
        return runAdminCommand(early);
    }
    if (early.error.isEmpty() && !early.help && early.unattended()) {
        QCoreApplication app(argc, argv);
        QCoreApplication::setApplicationName(AppTitle);
        return runUnattended(early);
    }
    return std::nullopt;
}

} // namespace

int main(int argc, char **argv)
{
    if (const std::optional<int> rc = runWithoutWindow(argc, argv))
        return *rc;

    QApplication app(argc, argv);
    QApplication::setApplicationName(AppTitle);
    // The program's pictures are compiled into the windows' library.
    Q_INIT_RESOURCE(custorin);
    QApplication::setWindowIcon(QIcon(QStringLiteral(":/custorin.png")));
    // Lets the desktop match the windows with the installed desktop entry.
    QGuiApplication::setDesktopFileName(QStringLiteral("custorin"));
    QApplication::setApplicationVersion(QStringLiteral("%1.%2.%3")
                                            .arg(AppVersionMajor)
                                            .arg(AppVersionMinor)
                                            .arg(AppVersionRevision));

    const StartOptions options =
        ParseCommandLine(QApplication::arguments().mid(1), QDir::currentPath());
    if (options.help) {
        std::fputs(qPrintable(CommandLineHelp()), stdout);
        return 0;
    }
    if (!options.error.isEmpty()) {
        std::fprintf(stderr, "custorin: %s\n\n%s", qPrintable(options.error),
                     qPrintable(CommandLineHelp()));
        return 2;
    }
    if (options.adminCommand())
        return runAdminCommand(options);
    if (options.unattended())
        return runUnattended(options);

    SetUpFonts();
    GuiDesktop realDesktop;
    setDesktop(&realDesktop);
    SingleInstance instance;
    QString conninfo;
    if (!options.database.isEmpty()) {
        QString error;
        conninfo = DatabaseConninfo(options.database, &error);
        if (conninfo.isEmpty()) {
            std::fprintf(stderr, "custorin: %s\n", qPrintable(error));
            return 2;
        }
    }
    Workplace work(options.dataDir, conninfo);
    work.data.options.LogKey = options.logKey;
    if (!Main(options, instance, work))
        return 1;
    const int rc = QApplication::exec();
    setDesktop(nullptr);
    return rc;
}
