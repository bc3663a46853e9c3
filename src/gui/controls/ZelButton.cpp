#include "gui/controls/ZelButton.h"

#include "gui/controls/ZelColor.h"

#include <QImage>

// The button's construction, its properties and the property bag. Drawing
// is in ZelButtonPaint.cpp, the mouse, the keys and the window's events in
// ZelButtonInput.cpp.

namespace
{

QPixmap PictureFrom(const QVariant &v)
{
    if (!v.isValid() || v.isNull())
        return {};
    switch (v.typeId()) {
    case QMetaType::QPixmap:
        return v.value<QPixmap>();
    case QMetaType::QImage:
        return QPixmap::fromImage(v.value<QImage>());
    case QMetaType::QString:
        return QPixmap(v.toString());
    default:
        return {};
    }
}

OleColor ColourFrom(const QVariantMap &bag, const QString &key, OleColor missing)
{
    const auto it = bag.constFind(key);
    if (it == bag.constEnd())
        return missing;
    return OleColor(it->toLongLong() & 0xFFFFFFFF);
}

int IntFrom(const QVariantMap &bag, const QString &key, int missing)
{
    const auto it = bag.constFind(key);
    return it == bag.constEnd() ? missing : it->toInt();
}

bool BoolFrom(const QVariantMap &bag, const QString &key, bool missing)
{
    const auto it = bag.constFind(key);
    return it == bag.constEnd() ? missing : it->toBool();
}

} // namespace

ZelButton::ZelButton(QWidget *parent) : QPushButton(parent)
{
    setMouseTracking(true);
    setAttribute(Qt::WA_OpaquePaintEvent);
    connect(this, &QAbstractButton::toggled, this, [this](bool on) {
        if (m_checkBoxBehaviour && m_value != on) {
            m_value = on;
            redraw(false);
        }
    });
    // A button made at run time reads an empty bag.
    ReadProperties(QVariantMap());
}

ZelButton::~ZelButton()
{
    if (m_window)
        m_window->removeEventFilter(this);
}

// ---- properties ---------------------------------------------------------

void ZelButton::changed()
{
    redraw(true);
}

void ZelButton::setBackColor(OleColor colour)
{
    m_backColor = colour;
    changed();
}

void ZelButton::setBackOver(OleColor colour)
{
    m_backOver = colour;
    changed();
}

void ZelButton::setForeColor(OleColor colour)
{
    m_foreColor = colour;
    changed();
}

void ZelButton::setForeOver(OleColor colour)
{
    m_foreOver = colour;
    changed();
}

void ZelButton::setMaskColor(OleColor colour)
{
    m_maskColor = colour;
    changed();
}

void ZelButton::setDesignColors(OleColor back, OleColor fore)
{
    m_backColor = m_backOver = back;
    m_foreColor = m_foreOver = fore;
    changed();
}

void ZelButton::setProgramLook(OleColor back, OleColor fore)
{
    m_buttonType = 3;
    m_colorScheme = 2;
    m_specialEffect = 0;
    m_softBevel = false;
    m_useMaskColor = true;
    setDesignColors(back, fore);
    applyShape();
}

void ZelButton::setButtonType(int type)
{
    m_buttonType = type;
    applyShape();
    changed();
}

void ZelButton::setColorScheme(int scheme)
{
    m_colorScheme = scheme;
    changed();
}

void ZelButton::setShowFocusRect(bool show)
{
    m_showFocusRect = show;
    changed();
}

void ZelButton::setMousePointer(int pointer)
{
    m_mousePointer = pointer;
    applyCursor();
}

void ZelButton::setMouseIcon(const QPixmap &icon)
{
    m_mouseIcon = icon;
    applyCursor();
}

void ZelButton::setSoftBevel(bool soft)
{
    m_softBevel = soft;
    changed();
}

void ZelButton::setPictureNormal(const QPixmap &picture)
{
    m_pictureNormal = picture;
    updateGeometry();
    changed();
}

void ZelButton::setPictureOver(const QPixmap &picture)
{
    m_pictureOver = picture;
    changed();
}

void ZelButton::setPicturePosition(int position)
{
    m_picturePosition = position;
    updateGeometry();
    changed();
}

void ZelButton::setUseMaskColor(bool use)
{
    m_useMaskColor = use;
    changed();
}

void ZelButton::setUseGreyscale(bool grey)
{
    m_useGreyscale = grey;
    changed();
}

void ZelButton::setSpecialEffect(int effect)
{
    m_specialEffect = effect;
    changed();
}

void ZelButton::setCheckBoxBehaviour(bool check)
{
    m_checkBoxBehaviour = check;
    setCheckable(check); // a click toggles before clicked() is raised
    if (check)
        setChecked(m_value);
    changed();
}

void ZelButton::setValue(bool value)
{
    m_value = value;
    if (m_checkBoxBehaviour)
        setChecked(value);
    changed();
}

void ZelButton::setFontBold(bool bold)
{
    QFont f = font();
    f.setBold(bold);
    setFont(f);
}

void ZelButton::setFontItalic(bool italic)
{
    QFont f = font();
    f.setItalic(italic);
    setFont(f);
}

void ZelButton::setFontUnderline(bool underline)
{
    QFont f = font();
    f.setUnderline(underline);
    setFont(f);
}

void ZelButton::setFontSize(double points)
{
    if (points <= 0)
        return;
    QFont f = font();
    f.setPointSizeF(points);
    setFont(f);
}

void ZelButton::setFontName(const QString &name)
{
    QFont f = font();
    f.setFamilies({name}); // an absent face falls back to the nearest one installed
    setFont(f);
}

void ZelButton::setCancel(bool cancel)
{
    m_cancel = cancel;
    attachToWindow();
}

void ZelButton::Refresh()
{
    m_faceValid = false;
    if (isVisible())
        repaint();
}

// ---- property bag -------------------------------------------------------

void ZelButton::ReadProperties(const QVariantMap &bag)
{
    m_backColor = ColourFrom(bag, QStringLiteral("BCOL"), SysButtonFace);
    m_backOver = ColourFrom(bag, QStringLiteral("BCOLO"), m_backColor);
    m_foreColor = ColourFrom(bag, QStringLiteral("FCOL"), SysButtonText);
    m_foreOver = ColourFrom(bag, QStringLiteral("FCOLO"), m_foreColor);
    m_maskColor = ColourFrom(bag, QStringLiteral("MCOL"), 0xC0C0C0);
    m_buttonType = IntFrom(bag, QStringLiteral("BTYPE"), 2);
    setText(bag.value(QStringLiteral("TX"), QString()).toString());
    setEnabled(BoolFrom(bag, QStringLiteral("ENAB"), true));
    const QVariant font = bag.value(QStringLiteral("FONT"));
    if (font.canConvert<QFont>())
        setFont(font.value<QFont>());
    m_colorScheme = IntFrom(bag, QStringLiteral("COLTYPE"), 1);
    m_showFocusRect = BoolFrom(bag, QStringLiteral("FOCUSR"), true);
    m_mousePointer = IntFrom(bag, QStringLiteral("MPTR"), 0);
    m_mouseIcon = PictureFrom(bag.value(QStringLiteral("MICON")));
    m_softBevel = BoolFrom(bag, QStringLiteral("SOFT"), false);
    m_pictureNormal = PictureFrom(bag.value(QStringLiteral("PICN")));
    m_pictureOver = PictureFrom(bag.value(QStringLiteral("PICH")));
    m_picturePosition = IntFrom(bag, QStringLiteral("PICPOS"), 0);
    m_useMaskColor = BoolFrom(bag, QStringLiteral("UMCOL"), true);
    m_useGreyscale = BoolFrom(bag, QStringLiteral("NGREY"), false);
    m_specialEffect = IntFrom(bag, QStringLiteral("FX"), 0);
    m_value = BoolFrom(bag, QStringLiteral("VALUE"), false);
    setCheckBoxBehaviour(BoolFrom(bag, QStringLiteral("CHECK"), false));
    applyCursor();
    applyShape();
    updateGeometry();
    changed();
}

QVariantMap ZelButton::WriteProperties() const
{
    QVariantMap bag;
    bag.insert(QStringLiteral("BCOL"), uint(m_backColor));
    bag.insert(QStringLiteral("BCOLO"), uint(m_backOver));
    bag.insert(QStringLiteral("FCOL"), uint(m_foreColor));
    bag.insert(QStringLiteral("FCOLO"), uint(m_foreOver));
    bag.insert(QStringLiteral("MCOL"), uint(m_maskColor));
    bag.insert(QStringLiteral("BTYPE"), m_buttonType);
    bag.insert(QStringLiteral("TX"), text());
    bag.insert(QStringLiteral("ENAB"), isEnabled());
    bag.insert(QStringLiteral("FONT"), font());
    bag.insert(QStringLiteral("COLTYPE"), m_colorScheme);
    bag.insert(QStringLiteral("FOCUSR"), m_showFocusRect);
    bag.insert(QStringLiteral("MPTR"), m_mousePointer);
    bag.insert(QStringLiteral("MICON"), m_mouseIcon);
    bag.insert(QStringLiteral("SOFT"), m_softBevel);
    bag.insert(QStringLiteral("PICN"), m_pictureNormal);
    bag.insert(QStringLiteral("PICH"), m_pictureOver);
    bag.insert(QStringLiteral("PICPOS"), m_picturePosition);
    bag.insert(QStringLiteral("UMCOL"), m_useMaskColor);
    bag.insert(QStringLiteral("NGREY"), m_useGreyscale);
    bag.insert(QStringLiteral("FX"), m_specialEffect);
    bag.insert(QStringLiteral("CHECK"), m_checkBoxBehaviour);
    bag.insert(QStringLiteral("VALUE"), m_value);
    return bag;
}

void ZelButton::InitProperties()
{
    // The custom scheme starts from the system's own button colours.
    m_backColor = m_backOver = TranslateColor(SysButtonFace, palette());
    m_foreColor = m_foreOver = TranslateColor(SysButtonText, palette());
    m_maskColor = 0xC0C0C0;
    m_buttonType = 14;
    setText(objectName());
    setEnabled(true);
    if (QWidget *w = parentWidget())
        setFont(w->window()->font());
    m_colorScheme = 2;
    m_showFocusRect = true;
    m_mousePointer = 0;
    m_mouseIcon = QPixmap();
    m_softBevel = false;
    m_pictureNormal = QPixmap();
    m_pictureOver = QPixmap();
    m_picturePosition = 0;
    m_useMaskColor = true;
    m_useGreyscale = false;
    m_specialEffect = 0;
    m_value = false;
    setCheckBoxBehaviour(false);
    applyCursor();
    applyShape();
    updateGeometry();
    changed();
}
