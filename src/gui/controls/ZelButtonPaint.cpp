#include "gui/controls/ZelButton.h"

#include "gui/controls/ZelColor.h"

#include <QBitmap>
#include <QImage>
#include <QPainter>

// How the button looks: the face in each state, the caption, the picture,
// the focus rectangle, the rounded corners and the size it asks for.

namespace
{

// The border and its corner dots of the shaded styles.
constexpr OleColor BorderColor = 0x733C00;
constexpr OleColor CornerColor = 0x7B4D10;

void FillBox(QPainter &p, int x, int y, int width, int height, OleColor colour, bool frameOnly)
{
    const QColor c = ToQColor(colour);
    if (!frameOnly) {
        p.fillRect(QRect(x, y, width, height), c);
        return;
    }
    p.fillRect(QRect(x, y, width, 1), c);
    p.fillRect(QRect(x, y + height - 1, width, 1), c);
    p.fillRect(QRect(x, y, 1, height), c);
    p.fillRect(QRect(x + width - 1, y, 1, height), c);
}

// A one-pixel line from (x1, y1) to (x2, y2), the end point excluded.
void DrawLine(QPainter &p, int x1, int y1, int x2, int y2, OleColor colour)
{
    const QColor c = ToQColor(colour);
    if (y1 == y2) {
        if (x2 > x1)
            p.fillRect(QRect(x1, y1, x2 - x1, 1), c);
        else if (x1 > x2)
            p.fillRect(QRect(x2 + 1, y1, x1 - x2, 1), c);
    } else if (x1 == x2) {
        if (y2 > y1)
            p.fillRect(QRect(x1, y1, 1, y2 - y1), c);
        else
            p.fillRect(QRect(x1, y2 + 1, 1, y1 - y2), c);
    } else {
        p.save();
        p.setRenderHint(QPainter::Antialiasing, false);
        p.setPen(QPen(c, 0));
        p.drawLine(x1, y1, x2, y2);
        p.restore();
    }
}

void SetDot(QPainter &p, int x, int y, OleColor colour)
{
    p.fillRect(QRect(x, y, 1, 1), ToQColor(colour));
}

struct Bevel {
    int amount;
    int x1, y1, x2, y2; // relative: negative numbers count from w or h
};

// Coordinates below 0 are taken from the far side: -2 means w - 2 (or h - 2).
void DrawBevel(QPainter &p, const Bevel *lines, int count, OleColor base, int w, int h, bool soft)
{
    auto X = [w](int v) { return v < 0 ? w + v : v; };
    auto Y = [h](int v) { return v < 0 ? h + v : v; };
    for (int i = 0; i < count; ++i) {
        const Bevel &l = lines[i];
        DrawLine(p, X(l.x1), Y(l.y1), X(l.x2), Y(l.y2), ShiftColor(base, l.amount, true, soft));
    }
}

constexpr Bevel RaisedBevel[] = {
    {-48, 2, -2, -2, -2}, {-32, 1, -3, -2, -3}, {-36, -2, 2, -2, -2}, {-24, -3, 3, -3, -3},
    {16, 2, 1, -2, 1},    {10, 1, 2, -2, 2},    {-5, 1, 2, 1, -2},    {-10, 2, 3, 2, -3},
};

constexpr Bevel PressedBevel[] = {
    {16, 2, -2, -2, -2}, {10, 1, -3, -2, -3}, {5, -2, 2, -2, -2}, {5, -3, 3, -3, -3},
    {-32, 2, 1, -2, 1},  {-24, 1, 2, -2, 2},  {-32, 1, 2, 1, -2}, {-22, 2, 2, 2, -2},
};

void DrawBorder(QPainter &p, int w, int h, OleColor frame, OleColor corner)
{
    FillBox(p, 0, 0, w, h, frame, true);
    SetDot(p, 1, 1, corner);
    SetDot(p, 1, h - 2, corner);
    SetDot(p, w - 2, 1, corner);
    SetDot(p, w - 2, h - 2, corner);
}

constexpr int TextFlags = Qt::TextWordWrap | Qt::TextShowMnemonic;

} // namespace

// ---- state and redrawing ------------------------------------------------

ZelButton::Look ZelButton::currentLook() const
{
    if (!isEnabled())
        return Look::Disabled;
    if (isDown() || (m_checkBoxBehaviour && m_value))
        return Look::Pressed;
    if (m_mouseIsOver)
        return Look::Hover;
    return Look::Normal;
}

ZelButton::DrawnKey ZelButton::wantedKey() const
{
    DrawnKey k;
    k.look = currentLook();
    k.caption = text();
    k.focus = m_showFocusRect && hasFocus();
    k.size = size();
    k.ratio = devicePixelRatioF();
    return k;
}

void ZelButton::redraw(bool force)
{
    if (force)
        m_faceValid = false;
    else if (m_faceValid && wantedKey() == m_drawn)
        return; // it would draw the same again
    update();
}

void ZelButton::paintEvent(QPaintEvent *)
{
    const DrawnKey want = wantedKey();
    if (!m_faceValid || !(want == m_drawn)) {
        const qreal ratio = want.ratio;
        QPixmap face(QSize(qMax(1, width()), qMax(1, height())) * ratio);
        face.setDevicePixelRatio(ratio);
        QPainter fp(&face);
        renderFace(fp, want.look);
        fp.end();
        m_face = face;
        m_drawn = want;
        m_faceValid = true;
        ++m_repaintCount;
    }
    QPainter p(this);
    p.drawPixmap(0, 0, m_face);
}

OleColor ZelButton::translated(OleColor colour) const
{
    return TranslateColor(colour, palette());
}

ZelShades ZelButton::shades(bool over) const
{
    const QPalette pal = palette();
    switch (m_colorScheme) {
    case 2: // custom: everything from the back colour (the hover colour while hovered)
        return ShadesFromFace(translated(over ? m_backOver : m_backColor), translated(m_foreColor),
                              m_softBevel);
    case 3: // fixed grey palette
        return GreyShades(translated(m_foreColor));
    case 0: { // the container's background and text colours
        const QPalette cp = parentWidget() ? parentWidget()->palette() : pal;
        return ShadesFromFace(FromQColor(cp.color(QPalette::Window)),
                              FromQColor(cp.color(QPalette::WindowText)), m_softBevel);
    }
    default: { // the system's button colours
        ZelShades s;
        s.face = FromQColor(pal.color(QPalette::Active, QPalette::Button));
        s.shadow = FromQColor(pal.color(QPalette::Active, QPalette::Dark));
        s.light = FromQColor(pal.color(QPalette::Active, QPalette::Midlight));
        s.highlight = FromQColor(pal.color(QPalette::Active, QPalette::Light));
        s.darkShadow = FromQColor(pal.color(QPalette::Active, QPalette::Shadow));
        s.text = FromQColor(pal.color(QPalette::Active, QPalette::ButtonText));
        return s;
    }
    }
}

QPixmap ZelButton::currentPicture() const
{
    if (m_mouseIsOver && !m_pictureOver.isNull())
        return m_pictureOver;
    return m_pictureNormal;
}

QRect ZelButton::captionRect(const QPixmap &picture) const
{
    const int w = width();
    const int h = height();
    const int pw = picture.isNull() ? 0 : qRound(picture.width() / picture.devicePixelRatio());
    const int ph = picture.isNull() ? 0 : qRound(picture.height() / picture.devicePixelRatio());
    int left = 4, top = 4, right = w - 8, bottom = h - 8;
    switch (m_picturePosition) {
    case 0:
        left = pw + 4;
        break;
    case 1:
        right = w - pw - 8;
        break;
    case 2:
        top = ph + 4;
        break;
    case 3:
        bottom = h - ph - 8;
        break;
    case 4:
        top = 1;
        bottom = h - 4;
        break;
    default:
        break;
    }
    const QRect area(left, top, qMax(1, right - left), qMax(1, bottom - top));
    const QRect measured =
        fontMetrics().boundingRect(area, TextFlags | Qt::AlignLeft | Qt::AlignTop, text());
    const int tw = text().isEmpty() ? 0 : measured.width();
    const int th = text().isEmpty() ? 0 : measured.height();
    const int tr = left + tw;
    const int tb = top + th;
    int dx = (w - tr) / 2;
    int dy = (h - tb) / 2;
    if (m_picturePosition == 1)
        dx = (w - pw - tr - 4) / 2;
    if (m_picturePosition == 3)
        dy = (h - ph - tb - 4) / 2;
    return QRect(left + dx, top + dy, tw, th);
}

void ZelButton::drawCaption(QPainter &p, int mode, const QRect &rect)
{
    if (text().isEmpty())
        return;
    const ZelShades s = shades(m_mouseIsOver);
    const int flags = TextFlags | Qt::AlignHCenter | Qt::AlignVCenter;
    auto draw = [&](const QRect &r, OleColor colour) {
        p.setPen(ToQColor(colour));
        p.drawText(r, flags, text());
    };
    p.setFont(font());
    if (mode == 3) { // disabled: embossed in the light shade and the grey shade
        draw(rect.translated(1, 1), s.light);
        draw(rect, s.shadow);
        return;
    }
    const QRect r = mode == 2 ? rect.translated(1, 1) : rect;
    switch (m_specialEffect) {
    case 1:
        draw(r.translated(-1, -1), s.highlight);
        break; // raised
    case 2:
        draw(r.translated(1, 1), s.highlight);
        break; // engraved
    case 3:
        draw(r.translated(1, 1), s.shadow);
        break; // shadowed
    default:
        break;
    }
    const bool over = mode == 1 || (mode == 2 && m_mouseIsOver);
    draw(r, translated(over ? m_foreOver : m_foreColor));
}

void ZelButton::drawPicture(QPainter &p, const QPixmap &picture, const QRect &caption, bool pressed,
                            bool disabled)
{
    if (picture.isNull())
        return;
    const int w = width();
    const int h = height();
    const int pw = qRound(picture.width() / picture.devicePixelRatio());
    const int ph = qRound(picture.height() / picture.devicePixelRatio());
    const bool noCaption = text().isEmpty();
    int x = (w - pw) / 2;
    int y = (h - ph) / 2;
    switch (m_picturePosition) {
    case 0:
        if (!noCaption)
            x = qMax(4, caption.left() - pw - 4);
        break;
    case 1:
        if (!noCaption)
            x = qMin(w - pw - 4, caption.left() + caption.width() + 4);
        break;
    case 2:
        if (!noCaption)
            y = qMax(3, caption.top() - ph - 2);
        break;
    case 3:
        if (!noCaption)
            y = qMin(h - ph - 3, caption.top() + caption.height() + 2);
        break;
    default:
        break;
    }
    if (pressed) {
        ++x;
        ++y;
    }
    QImage img = picture.toImage().convertToFormat(QImage::Format_ARGB32);
    const QRgb mask = ToQColor(translated(m_maskColor)).rgb() & 0xFFFFFF;
    const bool grey = m_useGreyscale || disabled;
    for (int row = 0; row < img.height(); ++row) {
        auto *line = reinterpret_cast<QRgb *>(img.scanLine(row));
        for (int col = 0; col < img.width(); ++col) {
            QRgb px = line[col];
            if (m_useMaskColor && (px & 0xFFFFFF) == mask && qAlpha(px) == 255) {
                line[col] = 0;
                continue;
            }
            if (grey) {
                const int g = qGray(px);
                line[col] = qRgba(g, g, g, qAlpha(px));
            }
        }
    }
    if (disabled)
        p.setOpacity(0.6);
    img.setDevicePixelRatio(picture.devicePixelRatio());
    p.drawImage(QPoint(x, y), img);
    p.setOpacity(1.0);
}

void ZelButton::drawFocus(QPainter &p)
{
    if (!m_showFocusRect || !hasFocus())
        return;
    const int w = width();
    const int h = height();
    const QColor c = ToQColor(translated(m_foreColor));
    // Dotted: every other pixel, as the system's focus rectangle does.
    const int l = 4, t = 4, r = w - 5, b = h - 5;
    if (r <= l || b <= t)
        return;
    for (int x = l; x <= r; ++x) {
        if ((x + t) % 2 == 0)
            p.fillRect(QRect(x, t, 1, 1), c);
        if ((x + b) % 2 == 0)
            p.fillRect(QRect(x, b, 1, 1), c);
    }
    for (int y = t + 1; y < b; ++y) {
        if ((l + y) % 2 == 0)
            p.fillRect(QRect(l, y, 1, 1), c);
        if ((r + y) % 2 == 0)
            p.fillRect(QRect(r, y, 1, 1), c);
    }
}

void ZelButton::renderFace(QPainter &p, Look look)
{
    // Every style draws the shaded face; all of the program's buttons are
    // of the shaded type.
    const int w = width();
    const int h = height();
    const bool soft = m_softBevel;
    const ZelShades s = shades(m_mouseIsOver);
    const OleColor b = s.face;
    const QPixmap picture = currentPicture();
    const QRect caption = captionRect(picture);

    FillBox(p, 0, 0, w, h, b, false);
    switch (look) {
    case Look::Normal:
    case Look::Hover: {
        const bool hover = look == Look::Hover;
        const OleColor start = hover ? s.highlight : b;
        const int range = hover ? 58 : 25;
        for (int y = 1; y <= h; ++y)
            DrawLine(p, 0, y, w, y,
                     ShiftColor(start, -RoundHalfEven(double(range) * y / h), true, soft));
        drawCaption(p, hover ? 1 : 0, caption);
        DrawBorder(p, w, h, BorderColor, CornerColor);
        DrawBevel(p, RaisedBevel, 8, b, w, h, soft);
        break;
    }
    case Look::Pressed: {
        const OleColor pressed = ShiftColor(b, -32, true, soft);
        for (int i = 1; i <= h; ++i)
            DrawLine(p, 0, h - i, w, h - i,
                     ShiftColor(pressed, -RoundHalfEven(25.0 * i / h), false, soft));
        drawCaption(p, 2, caption);
        DrawBorder(p, w, h, BorderColor, CornerColor);
        DrawBevel(p, PressedBevel, 8, pressed, w, h, soft);
        break;
    }
    case Look::Disabled:
        FillBox(p, 0, 0, w, h, ShiftColor(b, -24, false, soft), false);
        DrawBorder(p, w, h, ShiftColor(b, -84, false, soft), ShiftColor(b, -72, false, soft));
        drawCaption(p, 3, caption);
        break;
    }
    drawPicture(p, picture, caption, look == Look::Pressed, look == Look::Disabled);
    drawFocus(p);
}

void ZelButton::applyShape()
{
    const int w = width();
    const int h = height();
    if (w < 6 || h < 6) {
        clearMask();
        return;
    }
    // Corners lose two pixels of their outer row and one of the next, so
    // they look rounded.
    QRegion r(0, 0, w, h);
    r -= QRegion(0, 0, 2, 1);
    r -= QRegion(0, h - 1, 2, 1);
    r -= QRegion(w - 2, 0, 2, 1);
    r -= QRegion(w - 2, h - 1, 2, 1);
    r -= QRegion(0, 1, 1, 1);
    r -= QRegion(0, h - 2, 1, 1);
    r -= QRegion(w - 1, 1, 1, 1);
    r -= QRegion(w - 1, h - 2, 1, 1);
    setMask(r);
}

QSize ZelButton::sizeHint() const
{
    const QFontMetrics fm = fontMetrics();
    const QSize t =
        text().isEmpty() ? QSize(0, fm.height()) : fm.size(Qt::TextShowMnemonic, text());
    const QPixmap pic = m_pictureNormal;
    const int pw = pic.isNull() ? 0 : pic.width();
    const int ph = pic.isNull() ? 0 : pic.height();
    int w = t.width() + 24;
    int h = t.height() + 12;
    switch (m_picturePosition) {
    case 0:
    case 1:
        w += pw + 4;
        h = qMax(h, ph + 10);
        break;
    case 2:
    case 3:
        h += ph + 4;
        w = qMax(w, pw + 16);
        break;
    default:
        w = qMax(w, pw + 16);
        h = qMax(h, ph + 10);
        break;
    }
    return QSize(qMax(w, 40), qMax(h, 23));
}

QSize ZelButton::minimumSizeHint() const
{
    return QSize(12, 12);
}
