#include "gui/platform/WindowLook.h"

#include "core/common/Standard.h"

#include <QApplication>
#include <QEvent>
#include <QFile>
#include <QFont>
#include <QFontDatabase>
#include <QPainter>
#include <QPalette>
#include <QPointer>
#include <QRandomGenerator>
#include <QWidget>

void TileBackground(const QPixmap &picture, QWidget *window)
{
    if (picture.isNull() || !window)
        return;
    QPixmap canvas(window->size());
    QPainter painter(&canvas);
    for (const QPoint &p : TilePositions(window->size(), picture.size()))
        painter.drawPixmap(p, picture);
    painter.end();
    QPalette pal = window->palette();
    pal.setBrush(QPalette::Window, QBrush(canvas));
    window->setPalette(pal);
    window->setAutoFillBackground(true);
}

const QPixmap &BackgroundTile()
{
    // A quiet, warm paper texture: a light base with a faint fixed grain.
    static const QPixmap tile = [] {
        QImage image(64, 64, QImage::Format_RGB32);
        QRandomGenerator grain(1990);
        for (int y = 0; y < image.height(); ++y) {
            for (int x = 0; x < image.width(); ++x) {
                const int n = int(grain.bounded(7)) - 3;
                image.setPixel(x, y, qRgb(244 + n, 241 + n, 232 + n));
            }
        }
        return QPixmap::fromImage(image);
    }();
    return tile;
}

void SetUpFonts()
{
    static bool done = false;
    if (done)
        return;
    done = true;
    // Tahoma and Tahoma Bold as the Wine fonts package ships them.
    bool haveTahoma = QFontDatabase::families().contains(QStringLiteral("Tahoma"));
    if (!haveTahoma) {
        for (const char *dir : {"/usr/share/wine/fonts/", "/usr/share/fonts/truetype/wine/"}) {
            const QString regular = QString::fromLatin1(dir) + QStringLiteral("tahoma.ttf");
            const QString bold = QString::fromLatin1(dir) + QStringLiteral("tahomabd.ttf");
            if (!QFile::exists(regular))
                continue;
            haveTahoma = QFontDatabase::addApplicationFont(regular) >= 0;
            if (QFile::exists(bold))
                QFontDatabase::addApplicationFont(bold);
            if (haveTahoma)
                break;
        }
    }
    if (!haveTahoma)
        QFont::insertSubstitutions(QStringLiteral("Tahoma"), {QStringLiteral("DejaVu Sans"),
                                                              QStringLiteral("Liberation Sans")});
    QFont::insertSubstitutions(QStringLiteral("Verdana"),
                               {QStringLiteral("DejaVu Sans"), QStringLiteral("Liberation Sans")});
    QFont::insertSubstitutions(QStringLiteral("Arial"),
                               {QStringLiteral("Liberation Sans"), QStringLiteral("DejaVu Sans")});
    QFont::insertSubstitutions(
        QStringLiteral("Arial Narrow"),
        {QStringLiteral("Liberation Sans Narrow"), QStringLiteral("DejaVu Sans Condensed")});
    QFont::insertSubstitutions(
        QStringLiteral("Times New Roman"),
        {QStringLiteral("Liberation Serif"), QStringLiteral("DejaVu Serif")});
}

QFont ProgramFont(const QString &family, double pointSize, bool bold)
{
    QFont f(family);
    f.setPointSizeF(pointSize);
    f.setBold(bold);
    return f;
}

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
