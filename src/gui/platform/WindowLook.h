// How the windows look: the background texture, the pictures drawn as SVG
// in the resources, and the program's fonts.
#pragma once

#include <QPixmap>
#include <QWidget>

// Makes picture the window's background, repeated from the top-left corner
// over the whole window at any size; controls stay in front of it.
void TileBackground(const QPixmap &picture, QWidget *window);

// The program's background texture, made once.
const QPixmap &BackgroundTile();

// Draws the SVG picture at resource (":/icons/find.svg") scaled into bounds.
class QPainter;
void DrawSvgPicture(QPainter &painter, const QString &resource, const QRectF &bounds);

// The SVG picture at resource as a transparent pixmap of the given size.
QPixmap SvgPicture(const QString &resource, QSize size);

// Registers the program's fonts and the substitutes for the ones this
// system may lack (Tahoma, Verdana, Arial, Arial Narrow).
void SetUpFonts();

// A font by the program's name and point size.
class QFont;
QFont ProgramFont(const QString &family, double pointSize, bool bold = false);
