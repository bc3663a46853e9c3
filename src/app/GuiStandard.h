// Shared helpers that need widgets.
#pragma once

#include <QPixmap>
#include <QPointer>
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

// Disables a window and shows the hourglass while long file work runs; both
// come back on every way out (or earlier, by release()).
class BusyGuard
{
public:
    explicit BusyGuard(QWidget *window);
    ~BusyGuard() { release(); }
    BusyGuard(const BusyGuard &) = delete;
    BusyGuard &operator=(const BusyGuard &) = delete;
    void release();

private:
    QPointer<QWidget> m_window;
    bool m_wasEnabled = true;
    bool m_active = true;
};
