// Small procedures that several windows share.
#pragma once

#include <QPoint>
#include <QSize>
#include <QString>
#include <QVector>

// Opens a link with the system's default program: kind 1 "mailto:" +
// target (the vendor's address when empty), kind 2 "http://" + target (the
// vendor's web site when empty). Tells the person when it could not.
void OpenLink(int kind, const QString &target);
// The link OpenLink opens.
QString BuildLink(int kind, const QString &target);

// Opens the manual (title + ".PDF" in the data folder) with the system's
// viewer; tells the person when it is missing or can not be opened.
void OpenManual();

// A random whole number from low to high inclusive (low <= high).
int RandomInteger(int low, int high);

template <typename T, typename U> void AddTo(T &target, U amount)
{
    target = static_cast<T>(target + amount);
}

inline double MaxOf(double a, double b)
{
    return a >= b ? a : b;
}
inline double MinOf(double a, double b)
{
    return a <= b ? a : b;
}

// Top-left corners at which a picture of size tile is painted to cover an
// area of size area: columns first, then rows within each column.
QVector<QPoint> TilePositions(QSize area, QSize tile);
