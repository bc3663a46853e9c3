#include "gui/platform/WindowLook.h"

#include <QFile>
#include <QFont>
#include <QFontDatabase>
#include <QPainter>
#include <QPalette>
#include <QRandomGenerator>
#include <QSvgRenderer>
#include <QWidget>

void TileBackground(const QPixmap &picture, QWidget *window)
{
    if (picture.isNull() || !window)
        return;
    // A texture brush repeats the picture from the window's top-left corner
    // over whatever size the window has now or takes later.
    QPalette pal = window->palette();
    pal.setBrush(QPalette::Window, QBrush(picture));
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

void DrawSvgPicture(QPainter &painter, const QString &resource, const QRectF &bounds)
{
    // The pictures are compiled into this library; a program that links it
    // (a test, say) need not register them itself.
    static const bool registered = [] {
        Q_INIT_RESOURCE(custorin);
        return true;
    }();
    Q_UNUSED(registered);
    QSvgRenderer svg(resource);
    if (svg.isValid())
        svg.render(&painter, bounds);
}

QPixmap SvgPicture(const QString &resource, QSize size)
{
    QPixmap picture(size);
    picture.fill(Qt::transparent);
    QPainter painter(&picture);
    DrawSvgPicture(painter, resource, QRectF(QPointF(0, 0), QSizeF(size)));
    return picture;
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
