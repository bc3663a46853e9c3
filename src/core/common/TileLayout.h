// Where the copies of a background picture go to cover a window.
#pragma once

#include <QPoint>
#include <QSize>
#include <QVector>

// Top-left corners at which a picture of size tile is painted to cover an
// area of size area: columns first, then rows within each column.
QVector<QPoint> TilePositions(QSize area, QSize tile);
