#include "core/common/TileLayout.h"

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
