#include "core/common/Standard.h"

#include "core/common/Desktop.h"
#include "core/common/Globals.h"
#include "core/common/MsgBox.h"

#include <QFile>
#include <QRandomGenerator>
#include <QUrl>

QString BuildLink(int kind, const QString &target)
{
    if (kind == 1)
        return QStringLiteral("mailto:") + (target.isEmpty() ? VendorMail : target);
    return QStringLiteral("http://") + (target.isEmpty() ? VendorWebSite : target);
}

void OpenLink(int kind, const QString &target)
{
    // The link goes to the system unchanged (a mail link's query included).
    const bool opened = desktop().openUrl(QUrl(BuildLink(kind, target), QUrl::TolerantMode));
    if (!opened) {
        ShowMsgBox(QStringLiteral("Connection Error"), 2,
                   QStringLiteral("An internet connection") + CrLf +
                       QStringLiteral("could not be established."),
                   1, false, {QStringLiteral("&Okay")});
    }
}

void OpenManual()
{
    const QString path = DataPath(AppTitle + QStringLiteral(".PDF"));
    if (QFile::exists(path)) {
        // A manual that exists but has no viewer is not reported.
        desktop().openUrl(QUrl::fromLocalFile(path));
        return;
    }
    ShowMsgBox(QStringLiteral("Can not open ") + AppTitle + QStringLiteral(" Manual"), 4,
               QStringLiteral("The ") + AppTitle + QStringLiteral(" manual") + CrLf +
                   QStringLiteral("(in PDF format) is either") + CrLf +
                   QStringLiteral("missing or can not be opened..."),
               1, false, {QStringLiteral("&Okay") + QStringLiteral(", return to the program")});
}

int RandomInteger(int low, int high)
{
    if (high < low)
        std::swap(low, high);
    // The system generator is seeded once from the operating system's
    // entropy, so successive draws are independent.
    return int(QRandomGenerator::global()->bounded(qint64(low), qint64(high) + 1));
}

QVector<QPoint> TilePositions(QSize area, QSize tile)
{
    QVector<QPoint> points;
    if (tile.width() <= 0 || tile.height() <= 0)
        return points;
    for (int x = 0; x <= area.width(); x += tile.width())
        for (int y = 0; y <= area.height(); y += tile.height())
            points.append(QPoint(x, y));
    return points;
}
