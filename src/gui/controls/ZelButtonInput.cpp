#include "gui/controls/ZelButton.h"

#include <QApplication>
#include <QDialog>
#include <QEnterEvent>
#include <QKeyEvent>
#include <QMouseEvent>

// What the button does with the mouse, the keys and its window: clicks,
// the hover look, Enter and Esc for the window, the mouse pointer.

namespace
{

int ButtonCode(Qt::MouseButton b)
{
    switch (b) {
    case Qt::LeftButton:
        return 1;
    case Qt::RightButton:
        return 2;
    case Qt::MiddleButton:
        return 4;
    default:
        return 0;
    }
}

int ButtonsMask(Qt::MouseButtons b)
{
    return (b & Qt::LeftButton ? 1 : 0) | (b & Qt::RightButton ? 2 : 0) |
           (b & Qt::MiddleButton ? 4 : 0);
}

int ShiftMask(Qt::KeyboardModifiers m)
{
    return (m & Qt::ShiftModifier ? 1 : 0) | (m & Qt::ControlModifier ? 2 : 0) |
           (m & Qt::AltModifier ? 4 : 0);
}

// The key codes the windows know (those of the old platform).
int KeyCode(int qtKey)
{
    if (qtKey >= Qt::Key_F1 && qtKey <= Qt::Key_F24)
        return 112 + (qtKey - Qt::Key_F1);
    switch (qtKey) {
    case Qt::Key_Backspace:
        return 8;
    case Qt::Key_Tab:
    case Qt::Key_Backtab:
        return 9;
    case Qt::Key_Return:
    case Qt::Key_Enter:
        return 13;
    case Qt::Key_Shift:
        return 16;
    case Qt::Key_Control:
        return 17;
    case Qt::Key_Alt:
        return 18;
    case Qt::Key_Pause:
        return 19;
    case Qt::Key_CapsLock:
        return 20;
    case Qt::Key_Escape:
        return 27;
    case Qt::Key_PageUp:
        return 33;
    case Qt::Key_PageDown:
        return 34;
    case Qt::Key_End:
        return 35;
    case Qt::Key_Home:
        return 36;
    case Qt::Key_Left:
        return 37;
    case Qt::Key_Up:
        return 38;
    case Qt::Key_Right:
        return 39;
    case Qt::Key_Down:
        return 40;
    case Qt::Key_Insert:
        return 45;
    case Qt::Key_Delete:
        return 46;
    default:
        break;
    }
    if (qtKey >= 0x20 && qtKey <= 0x7E)
        return qtKey; // blank, digits, upper-case letters
    return 0;
}

} // namespace

void ZelButton::applyCursor()
{
    switch (m_mousePointer) {
    case 0:
        unsetCursor();
        return;
    case 99:
        if (m_mouseIcon.isNull())
            unsetCursor();
        else
            setCursor(QCursor(m_mouseIcon));
        return;
    case 1:
        setCursor(Qt::ArrowCursor);
        return;
    case 2:
        setCursor(Qt::CrossCursor);
        return;
    case 3:
        setCursor(Qt::IBeamCursor);
        return;
    case 5:
    case 15:
        setCursor(Qt::SizeAllCursor);
        return;
    case 6:
        setCursor(Qt::SizeBDiagCursor);
        return;
    case 7:
        setCursor(Qt::SizeVerCursor);
        return;
    case 8:
        setCursor(Qt::SizeFDiagCursor);
        return;
    case 9:
        setCursor(Qt::SizeHorCursor);
        return;
    case 10:
        setCursor(Qt::UpArrowCursor);
        return;
    case 11:
        setCursor(Qt::WaitCursor);
        return;
    case 12:
        setCursor(Qt::ForbiddenCursor);
        return;
    case 13:
        setCursor(Qt::BusyCursor);
        return;
    case 14:
        setCursor(Qt::WhatsThisCursor);
        return;
    default:
        unsetCursor();
        return;
    }
}

// ---- events -------------------------------------------------------------

bool ZelButton::event(QEvent *e)
{
    switch (e->type()) {
    case QEvent::ParentChange:
        attachToWindow();
        break;
    case QEvent::ToolTipChange:
        // The tool tip is what assistive technology reads as the description.
        setAccessibleDescription(toolTip());
        break;
    default:
        break;
    }
    return QPushButton::event(e);
}

void ZelButton::attachToWindow()
{
    QWidget *w = window();
    if (w == this)
        w = nullptr;
    if (w == m_window)
        return;
    if (m_window)
        m_window->removeEventFilter(this);
    m_window = w;
    if (m_window)
        m_window->installEventFilter(this);
}

bool ZelButton::eventFilter(QObject *watched, QEvent *e)
{
    // Keys no control of the window took arrive at the window itself.
    if (watched == m_window && e->type() == QEvent::KeyPress && isVisible() && isEnabled()) {
        auto *k = static_cast<QKeyEvent *>(e);
        const auto mods = k->modifiers() & ~Qt::KeypadModifier;
        if (mods == Qt::NoModifier) {
            if (k->key() == Qt::Key_Escape && m_cancel) {
                m_lastButton = 1;
                click();
                return true;
            }
            const bool enter = k->key() == Qt::Key_Return || k->key() == Qt::Key_Enter;
            // A dialog presses its own default button.
            if (enter && isDefault() && !qobject_cast<QDialog *>(m_window.data())) {
                m_lastButton = 1;
                click();
                return true;
            }
        }
    }
    return QPushButton::eventFilter(watched, e);
}

void ZelButton::resizeEvent(QResizeEvent *e)
{
    QPushButton::resizeEvent(e);
    applyShape();
    redraw(true);
}

void ZelButton::showEvent(QShowEvent *e)
{
    attachToWindow();
    QPushButton::showEvent(e);
}

void ZelButton::hideEvent(QHideEvent *e)
{
    // A hidden button is no longer under the pointer.
    endHover();
    QPushButton::hideEvent(e);
}

void ZelButton::changeEvent(QEvent *e)
{
    switch (e->type()) {
    case QEvent::EnabledChange:
        if (!isEnabled())
            endHover();
        redraw(true);
        break;
    case QEvent::FontChange:
    case QEvent::PaletteChange:
    case QEvent::StyleChange:
        redraw(true);
        break;
    default:
        break;
    }
    QPushButton::changeEvent(e);
}

void ZelButton::startHover()
{
    if (m_mouseIsOver)
        return;
    m_mouseIsOver = true;
    redraw(true);
    emit MouseOver();
}

void ZelButton::endHover()
{
    m_pointerInside = false;
    if (!m_mouseIsOver)
        return;
    m_mouseIsOver = false;
    redraw(true);
    emit MouseOut();
}

void ZelButton::enterEvent(QEnterEvent *e)
{
    QPushButton::enterEvent(e);
    if (!m_pointerInside) {
        m_pointerInside = true;
        emit MouseIn();
    }
    if (QGuiApplication::mouseButtons() == Qt::NoButton)
        startHover();
}

void ZelButton::leaveEvent(QEvent *e)
{
    QPushButton::leaveEvent(e);
    endHover();
}

void ZelButton::mouseMoveEvent(QMouseEvent *e)
{
    const QPointF pos = e->position();
    emit MouseMove(ButtonsMask(e->buttons()), ShiftMask(e->modifiers()), float(pos.x()),
                   float(pos.y()));
    if (e->buttons() == Qt::NoButton || e->buttons() == Qt::LeftButton) {
        const bool inside = rect().contains(pos.toPoint());
        if (inside) {
            if (!m_pointerInside) {
                m_pointerInside = true;
                emit MouseIn();
            }
            if (e->buttons() == Qt::NoButton)
                startHover();
        } else if (e->buttons() == Qt::NoButton) {
            endHover();
        }
    }
    if (e->buttons() & Qt::LeftButton)
        QPushButton::mouseMoveEvent(e); // tracks pressed / not pressed while dragging
    redraw(false);
}

void ZelButton::mousePressEvent(QMouseEvent *e)
{
    const QPointF pos = e->position();
    m_lastButton = ButtonCode(e->button());
    emit MouseDown(m_lastButton, ShiftMask(e->modifiers()), float(pos.x()), float(pos.y()));
    if (e->button() == Qt::LeftButton) {
        QPushButton::mousePressEvent(e); // pressed look; clicks on release
    } else {
        e->accept(); // other buttons neither press nor click
    }
    redraw(false);
}

void ZelButton::mouseReleaseEvent(QMouseEvent *e)
{
    const QPointF pos = e->position();
    emit MouseUp(ButtonCode(e->button()), ShiftMask(e->modifiers()), float(pos.x()),
                 float(pos.y()));
    if (e->button() == Qt::LeftButton)
        QPushButton::mouseReleaseEvent(e);
    else
        e->accept();
    redraw(false);
}

void ZelButton::keyPressEvent(QKeyEvent *e)
{
    const int code = KeyCode(e->key());
    if (!e->isAutoRepeat() || code != 32)
        m_lastButton = code;
    emit KeyDown(code, ShiftMask(e->modifiers()));
    const QString t = e->text();
    if (!t.isEmpty() && t.at(0).unicode() < 256)
        emit KeyPress(t.at(0).unicode());
    QPushButton::keyPressEvent(e); // Space presses, Enter on an auto-default button clicks
    redraw(false);
}

void ZelButton::keyReleaseEvent(QKeyEvent *e)
{
    emit KeyUp(KeyCode(e->key()), ShiftMask(e->modifiers()));
    QPushButton::keyReleaseEvent(e); // releasing Space clicks
    redraw(false);
}
