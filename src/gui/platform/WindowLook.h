// How the windows look: the background texture and the program's fonts.
#pragma once

#include <QPixmap>
#include <QWidget>

// Paints picture over the whole window as its background, tile by tile
// from the top-left corner; controls stay in front of it.
void TileBackground(const QPixmap &picture, QWidget *window);

// The program's background texture, made once.
const QPixmap &BackgroundTile();

// Registers the program's fonts and the substitutes for the ones this
// system may lack (Tahoma, Verdana, Arial, Arial Narrow).
void SetUpFonts();

// A font by the program's name and point size.
class QFont;
QFont ProgramFont(const QString &family, double pointSize, bool bold = false);
