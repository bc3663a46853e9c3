#include "app/Globals.h"
#include "app/GuiDesktop.h"
#include "app/GuiStandard.h"
#include "app/GuiSupport.h"

#include <QApplication>
#include <QDir>
#include <cstdio>

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(AppTitle);
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

    SetUpFonts();
    GuiDesktop realDesktop;
    setDesktop(&realDesktop);
    SingleInstance instance;
    if (!Main(options, instance))
        return 1;
    const int rc = QApplication::exec();
    setDesktop(nullptr);
    return rc;
}
