#include "gui/platform/BusyGuard.h"

#include <QApplication>
#include <QEvent>
#include <QPointer>

class BusyGuard::InputBlocker : public QObject
{
public:
    explicit InputBlocker(QWidget *window) : m_window(window)
    {
        QCoreApplication::instance()->installEventFilter(this);
    }

    bool eventFilter(QObject *receiver, QEvent *event) override
    {
        if (!m_window || !receiver->isWidgetType() || !isInput(event))
            return false;
        return static_cast<QWidget *>(receiver)->window() == m_window;
    }

private:
    // What a person does; paint, timer and programmatic events pass.
    static bool isInput(const QEvent *event)
    {
        switch (event->type()) {
        case QEvent::MouseButtonPress:
        case QEvent::MouseButtonRelease:
        case QEvent::MouseButtonDblClick:
        case QEvent::MouseMove:
        case QEvent::Wheel:
        case QEvent::KeyPress:
        case QEvent::KeyRelease:
        case QEvent::InputMethod:
        case QEvent::ShortcutOverride:
        case QEvent::Shortcut:
        case QEvent::ContextMenu:
        case QEvent::TouchBegin:
        case QEvent::TouchUpdate:
        case QEvent::TouchEnd:
        case QEvent::TabletPress:
        case QEvent::TabletRelease:
        case QEvent::TabletMove:
            return true;
        case QEvent::Close:
            return event->spontaneous(); // the close box, not the program
        default:
            return false;
        }
    }

    QPointer<QWidget> m_window;
};

BusyGuard::BusyGuard(QWidget *window) : m_blocker(new InputBlocker(window))
{
    QApplication::setOverrideCursor(Qt::WaitCursor);
}

BusyGuard::~BusyGuard()
{
    release();
}

void BusyGuard::release()
{
    if (!m_blocker)
        return;
    delete m_blocker;
    m_blocker = nullptr;
    QApplication::restoreOverrideCursor();
}
