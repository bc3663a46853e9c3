// Shared helpers that need widgets.
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

// Makes a window busy while long file work runs: the hourglass pointer,
// and no mouse, keyboard or close-box input reaches the window or its
// controls (the work may wait for the folder lock and let other events
// through meanwhile). The controls keep their look, as a disabled window's
// do on the desktop, so nothing is repainted for it. Both come back on every
// way out (or earlier, by release()).
class BusyGuard
{
public:
    explicit BusyGuard(QWidget *window);
    ~BusyGuard();
    BusyGuard(const BusyGuard &) = delete;
    BusyGuard &operator=(const BusyGuard &) = delete;
    void release();

private:
    class InputBlocker;
    InputBlocker *m_blocker = nullptr;
};
