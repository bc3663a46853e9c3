// The owner-drawn push button used for every command button: a soft,
// shaded face with a hover look, a pressed look, an optional picture beside
// the caption, a dotted focus rectangle, the access key underlined, rounded
// corners, and an optional toggle behaviour.
//
// The caption is QPushButton's text() ("&" marks the access key, whose
// shortcut QAbstractButton keeps working). Click is QAbstractButton's
// clicked(): it comes from a left click, Space, the access key, Enter on the
// default button and Esc on the cancel button, and never from another mouse
// button. Colours are colour numbers 0xBBGGRR (red in the low byte) or
// system colour references (0x800000nn), see app/ColorMath.h.
#pragma once

#include "core/common/ColorMath.h"

#include <QPixmap>
#include <QPointer>
#include <QPushButton>
#include <QVariantMap>

class ZelButton : public QPushButton
{
    Q_OBJECT
public:
    // What the face shows.
    enum class Look { Normal, Hover, Pressed, Disabled };

    explicit ZelButton(QWidget *parent = nullptr);
    ~ZelButton() override;

    // Colours. Setting one redraws; none of them changes another (the
    // designer sets BackOver together with BackColor: setDesignColors).
    OleColor BackColor() const { return m_backColor; }
    void setBackColor(OleColor colour);
    OleColor BackOver() const { return m_backOver; }
    void setBackOver(OleColor colour);
    OleColor ForeColor() const { return m_foreColor; }
    void setForeColor(OleColor colour);
    OleColor ForeOver() const { return m_foreOver; }
    void setForeOver(OleColor colour);
    OleColor MaskColor() const { return m_maskColor; }
    void setMaskColor(OleColor colour);
    // A window's design colours: BackOver follows BackColor and ForeOver
    // follows ForeColor, as when the button is drawn on a window.
    void setDesignColors(OleColor back, OleColor fore);
    // The look every button of the program's windows has: type 3, custom
    // shades from the face colour, no special effect, hard bevel, the mask
    // colour used, hover colours equal to the design colours.
    static constexpr OleColor ProgramFace = 0xF2E6DC; // RGB(220, 230, 242)
    static constexpr OleColor ProgramText = 0x402000; // RGB(0, 32, 64)
    void setProgramLook(OleColor back = ProgramFace, OleColor fore = ProgramText);

    int ButtonType() const { return m_buttonType; }
    void setButtonType(int type);
    QString Caption() const { return text(); }
    void setCaption(const QString &caption) { setText(caption); }
    int ColorScheme() const { return m_colorScheme; }
    void setColorScheme(int scheme);
    bool ShowFocusRect() const { return m_showFocusRect; }
    void setShowFocusRect(bool show);
    // 0 the default pointer, 99 MouseIcon, other numbers the usual shapes
    // (1 arrow, 2 cross, 3 I-beam, 11 hourglass, 12 no drop, 13 arrow and
    // hourglass, 14 arrow and question mark, 15 size all, ...).
    int MousePointer() const { return m_mousePointer; }
    void setMousePointer(int pointer);
    QPixmap MouseIcon() const { return m_mouseIcon; }
    void setMouseIcon(const QPixmap &icon);
    bool SoftBevel() const { return m_softBevel; }
    void setSoftBevel(bool soft);
    QPixmap PictureNormal() const { return m_pictureNormal; }
    void setPictureNormal(const QPixmap &picture);
    QPixmap PictureOver() const { return m_pictureOver; }
    void setPictureOver(const QPixmap &picture);
    // 0 picture left of the caption, 1 right, 2 above, 3 below, 4 centred
    // without taking room from the caption.
    int PicturePosition() const { return m_picturePosition; }
    void setPicturePosition(int position);
    bool UseMaskColor() const { return m_useMaskColor; }
    void setUseMaskColor(bool use);
    bool UseGreyscale() const { return m_useGreyscale; }
    void setUseGreyscale(bool grey);
    // 0 plain caption, 1 raised, 2 engraved, 3 shadowed.
    int SpecialEffect() const { return m_specialEffect; }
    void setSpecialEffect(int effect);
    bool CheckBoxBehaviour() const { return m_checkBoxBehaviour; }
    void setCheckBoxBehaviour(bool check);
    bool Value() const { return m_value; }
    void setValue(bool value);
    QString Version() const { return QStringLiteral("w2008.08.09"); }

    bool FontBold() const { return font().bold(); }
    void setFontBold(bool bold);
    bool FontItalic() const { return font().italic(); }
    void setFontItalic(bool italic);
    bool FontUnderline() const { return font().underline(); }
    void setFontUnderline(bool underline);
    double FontSize() const { return font().pointSizeF(); }
    void setFontSize(double points);
    QString FontName() const { return font().family(); }
    void setFontName(const QString &name);

    // Container-provided: Esc presses the visible, enabled cancel button of
    // the window (in a dialog instead of rejecting it). Enter presses the
    // default button (QPushButton::setDefault) in any window; in a QDialog
    // the dialog itself does that, autoDefault included.
    bool Cancel() const { return m_cancel; }
    void setCancel(bool cancel);
    QString Tag() const { return m_tag; }
    void setTag(const QString &tag) { m_tag = tag; }

    // Redraws the button in its current state, now.
    void Refresh();

    // The property bag: keys "BCOL", "BCOLO", "FCOL", "FCOLO", "MCOL",
    // "BTYPE", "TX", "ENAB", "FONT", "COLTYPE", "FOCUSR", "MPTR", "MICON",
    // "SOFT", "PICN", "PICH", "PICPOS", "UMCOL", "NGREY", "FX", "CHECK",
    // "VALUE". Reading applies the saved values, and for absent keys the
    // values of a button saved without them; writing writes all 22 keys.
    void ReadProperties(const QVariantMap &bag);
    QVariantMap WriteProperties() const;
    // The settings of a button newly placed on a window: type 14, scheme 2,
    // the caption its name, the window's font.
    void InitProperties();

    // Run-time state.
    bool MouseIsOver() const { return m_mouseIsOver; }
    // The last mouse button (1 left, 2 right, 4 middle) or key code pressed.
    int LastButton() const { return m_lastButton; }
    Look currentLook() const;
    // How often the face was actually drawn. Requests that would draw the
    // same look, caption and focus again are skipped.
    int repaintCount() const { return m_repaintCount; }

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

signals:
    // Button: 1 left, 2 right, 4 middle (MouseMove: the buttons held).
    // Shift: 1 Shift, 2 Ctrl, 4 Alt. X, Y: pixels from the top left corner.
    void MouseDown(int Button, int Shift, float X, float Y);
    void MouseMove(int Button, int Shift, float X, float Y);
    void MouseUp(int Button, int Shift, float X, float Y);
    void KeyPress(int KeyAscii);
    void KeyDown(int KeyCode, int Shift);
    void KeyUp(int KeyCode, int Shift);
    // The pointer came over the button with no button held (hover look on).
    void MouseOver();
    // The pointer entered the button.
    void MouseIn();
    // The pointer left a hovered button (hover look off).
    void MouseOut();

protected:
    bool event(QEvent *e) override;
    bool eventFilter(QObject *watched, QEvent *e) override;
    void paintEvent(QPaintEvent *e) override;
    void resizeEvent(QResizeEvent *e) override;
    void showEvent(QShowEvent *e) override;
    void hideEvent(QHideEvent *e) override;
    void changeEvent(QEvent *e) override;
    void enterEvent(QEnterEvent *e) override;
    void leaveEvent(QEvent *e) override;
    void mousePressEvent(QMouseEvent *e) override;
    void mouseReleaseEvent(QMouseEvent *e) override;
    void mouseMoveEvent(QMouseEvent *e) override;
    void keyPressEvent(QKeyEvent *e) override;
    void keyReleaseEvent(QKeyEvent *e) override;

private:
    struct DrawnKey {
        Look look = Look::Normal;
        QString caption;
        bool focus = false;
        QSize size;
        qreal ratio = 1.0;
        bool operator==(const DrawnKey &o) const
        {
            return look == o.look && caption == o.caption && focus == o.focus && size == o.size &&
                   ratio == o.ratio;
        }
    };

    DrawnKey wantedKey() const;
    void redraw(bool force);
    void changed(); // a property changed: draw again
    void renderFace(QPainter &p, Look look);
    void drawCaption(QPainter &p, int mode, const QRect &rect);
    QRect captionRect(const QPixmap &picture) const;
    QPixmap currentPicture() const;
    void drawPicture(QPainter &p, const QPixmap &picture, const QRect &caption, bool pressed,
                     bool disabled);
    void drawFocus(QPainter &p);
    void applyShape();
    void applyCursor();
    void attachToWindow();
    void startHover();
    void endHover();
    ZelShades shades(bool over) const;
    OleColor translated(OleColor colour) const;

    OleColor m_backColor = SysButtonFace;
    OleColor m_backOver = SysButtonFace;
    OleColor m_foreColor = SysButtonText;
    OleColor m_foreOver = SysButtonText;
    OleColor m_maskColor = 0xC0C0C0;
    int m_buttonType = 2;
    int m_colorScheme = 1;
    bool m_showFocusRect = true;
    int m_mousePointer = 0;
    QPixmap m_mouseIcon;
    bool m_softBevel = false;
    QPixmap m_pictureNormal;
    QPixmap m_pictureOver;
    int m_picturePosition = 0;
    bool m_useMaskColor = true;
    bool m_useGreyscale = false;
    int m_specialEffect = 0;
    bool m_checkBoxBehaviour = false;
    bool m_value = false;
    bool m_cancel = false;
    QString m_tag;

    bool m_mouseIsOver = false;
    bool m_pointerInside = false;
    int m_lastButton = 0;
    QPointer<QWidget> m_window;

    QPixmap m_face; // the face as last drawn
    DrawnKey m_drawn;
    bool m_faceValid = false;
    int m_repaintCount = 0;
};
