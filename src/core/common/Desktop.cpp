#include "core/common/Desktop.h"

#include <QDir>
#include <QEventLoop>
#include <QFileInfo>
#include <QStandardPaths>
#include <QTimer>

#include <cmath>

namespace
{

// Used until start-up installs the real desktop, so a stray question in a
// program that has none never blocks.
HeadlessDesktop headless;
Desktop *installed = &headless;

} // namespace

void Desktop::pause(int ms)
{
    if (ms <= 0)
        return;
    QEventLoop loop;
    QTimer::singleShot(ms, &loop, &QEventLoop::quit);
    loop.exec(QEventLoop::ExcludeUserInputEvents);
}

std::optional<FileStamp> Desktop::fileStamp(const QString &path)
{
    QFileInfo info(path);
    info.setCaching(false);
    if (!info.exists() || !info.isFile())
        return std::nullopt;
    FileStamp stamp;
    stamp.modified = info.lastModified();
    stamp.size = info.size();
    stamp.born = info.birthTime();
    if (!stamp.modified.isValid())
        return std::nullopt;
    return stamp;
}

QString Desktop::documentsFolder()
{
    const QString documents = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
    return documents.isEmpty() ? QDir::homePath() : documents;
}

Desktop &desktop()
{
    return *installed;
}

Desktop *setDesktop(Desktop *d)
{
    Desktop *previous = installed;
    installed = d ? d : &headless;
    return previous;
}

int TwipsToPixels(double twips)
{
    return static_cast<int>(std::lround(twips * desktop().logicalDpi() / 1440.0));
}

double PixelsToTwips(double pixels)
{
    return pixels * 1440.0 / desktop().logicalDpi();
}
