#include "gui/controls/ZelColor.h"

QColor ToQColor(OleColor colour)
{
    return QColor(OleRed(colour), OleGreen(colour), OleBlue(colour));
}

OleColor FromQColor(const QColor &colour)
{
    const QColor rgb = colour.toRgb();
    return OleRgb(rgb.red(), rgb.green(), rgb.blue());
}

OleColor TranslateColor(OleColor colour, const QPalette &palette)
{
    if (!IsSystemColor(colour))
        return colour & 0xFFFFFFu;
    QPalette::ColorGroup group = QPalette::Active;
    QPalette::ColorRole role = QPalette::Button;
    switch (colour & 0xFF) {
    case 0:
        role = QPalette::Mid;
        break; // scroll bar
    case 1:
        role = QPalette::Dark;
        break; // desktop
    case 2:
        role = QPalette::Highlight;
        break; // active caption
    case 3:
        role = QPalette::Mid;
        break; // inactive caption
    case 4:
        role = QPalette::Window;
        break; // menu
    case 5:
        role = QPalette::Base;
        break; // window
    case 6:
        role = QPalette::Shadow;
        break; // window frame
    case 7:
        role = QPalette::WindowText;
        break; // menu text
    case 8:
        role = QPalette::Text;
        break; // window text
    case 9:
        role = QPalette::HighlightedText;
        break; // caption text
    case 10:   // active border
    case 11:
        role = QPalette::Button;
        break; // inactive border
    case 12:
        role = QPalette::Dark;
        break; // application workspace
    case 13:
        role = QPalette::Highlight;
        break; // highlight
    case 14:
        role = QPalette::HighlightedText;
        break; // highlight text
    case 15:
        role = QPalette::Button;
        break; // button face
    case 16:
        role = QPalette::Dark;
        break; // button shadow
    case 17:   // grey text
        group = QPalette::Disabled;
        role = QPalette::Text;
        break;
    case 18:
        role = QPalette::ButtonText;
        break; // button text
    case 19:
        role = QPalette::WindowText;
        break; // inactive caption text
    case 20:
        role = QPalette::Light;
        break; // button highlight
    case 21:
        role = QPalette::Shadow;
        break; // 3D dark shadow
    case 22:
        role = QPalette::Midlight;
        break; // 3D light
    case 23:
        role = QPalette::ToolTipText;
        break; // tool tip text
    case 24:
        role = QPalette::ToolTipBase;
        break; // tool tip background
    default:
        break;
    }
    return FromQColor(palette.color(group, role));
}
