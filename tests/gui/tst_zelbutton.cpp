// The owner-drawn button: its outline and a few pixels of each look (the
// shading arithmetic is checked in the colour test), and how it reacts to
// the mouse and the keyboard, alone and inside windows.
#include "gui/controls/ZelButton.h"

#include <QDialog>
#include <QLineEdit>
#include <QSignalSpy>
#include <QTest>
#include <QVBoxLayout>

namespace
{

QRgb Rgb(quint32 ole)
{
    return qRgb(int(ole & 0xFF), int((ole >> 8) & 0xFF), int((ole >> 16) & 0xFF));
}

quint32 Shift(quint32 c, int amount, bool proportionalBlue)
{
    auto clamp = [](int v) { return quint32(std::clamp(v, 0, 255)); };
    const int b = int((c >> 16) & 0xFF);
    return clamp(int(c & 0xFF) + amount) | clamp(int((c >> 8) & 0xFF) + amount) << 8 |
           clamp(b + (proportionalBlue ? b * amount / 192 : amount)) << 16;
}

constexpr quint32 Face = 0xC08040; // R 0x40, G 0x80, B 0xC0: no part clamps
constexpr int W = 100;
constexpr int H = 30;

// A shown window with one button in it.
struct Shown {
    QWidget window;
    ZelButton *b = new ZelButton(&window);
    explicit Shown(const QString &caption = QStringLiteral("OK"))
    {
        window.resize(200, 80);
        b->setButtonType(3);
        b->setColorScheme(2);
        b->setDesignColors(Face, 0x000000);
        QFont f(QStringLiteral("DejaVu Sans"));
        f.setPixelSize(12);
        b->setFont(f);
        b->setText(caption);
        b->setGeometry(10, 10, W, H);
        window.show();
    }
};

// The button drawn over a magenta background, so pixels it leaves alone show.
QImage Render(ZelButton *b)
{
    QImage img(b->size(), QImage::Format_RGB32);
    img.fill(qRgb(255, 0, 255));
    b->render(&img, QPoint(), QRegion(), QWidget::RenderFlags());
    return img;
}

} // namespace

class TestZelButton : public QObject
{
    Q_OBJECT
private slots:
    // No test starts with the pointer over its windows.
    void init() { QCursor::setPos(QPoint(3000, 3000)); }

    void outlineAndLooks()
    {
        Shown shown;
        ZelButton *b = shown.b;
        QImage img = Render(b);
        // The rounded outline: two pixels of each corner's outer row and
        // one of the next are not part of the button.
        for (QPoint p :
             {QPoint(0, 0), QPoint(1, 0), QPoint(0, 1), QPoint(W - 1, 0), QPoint(W - 2, 0),
              QPoint(W - 1, 1), QPoint(0, H - 1), QPoint(1, H - 1), QPoint(0, H - 2),
              QPoint(W - 1, H - 1), QPoint(W - 2, H - 1), QPoint(W - 1, H - 2)}) {
            QVERIFY2(!b->mask().contains(p),
                     qPrintable(QStringLiteral("%1,%2").arg(p.x()).arg(p.y())));
            QCOMPARE(img.pixel(p), qRgb(255, 0, 255));
        }
        for (QPoint p : {QPoint(2, 0), QPoint(1, 1), QPoint(W - 3, H - 1), QPoint(W - 1, H - 3)})
            QVERIFY(b->mask().contains(p));
        // Border 0x733C00; the face darkening downwards, row 15 by
        // -round(12.5) to even.
        QCOMPARE(img.pixel(50, 0), qRgb(0x00, 0x3C, 0x73));
        QCOMPARE(img.pixel(5, 15), Rgb(Shift(Face, -12, true)));
        // Disabled: no click.
        b->setEnabled(false);
        QSignalSpy clicks(b, &QAbstractButton::clicked);
        QTest::mouseClick(b, Qt::LeftButton, {}, QPoint(20, 10));
        QCOMPARE(clicks.count(), 0);
        b->setEnabled(true);
        // Colours set at run time (a pulse) draw at once.
        b->setBackColor(0xC8C800);
        QCOMPARE(Render(b).pixel(50, 1), Rgb(Shift(0xC8C800, 16, true)));
    }

    void hover()
    {
        Shown shown;
        ZelButton *b = shown.b;
        // MouseIn and MouseOver once, MouseOut once.
        b->setBackOver(0x40C080);
        QSignalSpy in(b, &ZelButton::MouseIn), out(b, &ZelButton::MouseOut);
        QEnterEvent enter(QPointF(20, 10), QPointF(30, 20), QPointF(30, 20));
        QApplication::sendEvent(b, &enter);
        QTest::mouseMove(b, QPoint(30, 12));
        QCOMPARE(in.count(), 1);
        QEvent leave(QEvent::Leave);
        QApplication::sendEvent(b, &leave);
        QApplication::sendEvent(b, &leave);
        QCOMPARE(out.count(), 1);
    }

    void mouseAndKeys()
    {
        Shown shown(QStringLiteral("&Apply"));
        ZelButton *b = shown.b;
        QSignalSpy clicks(b, &QAbstractButton::clicked);
        QSignalSpy downs(b, &ZelButton::MouseDown), ups(b, &ZelButton::MouseUp);
        // A right press neither draws pressed nor clicks; MouseUp says
        // which button and where.
        QTest::mousePress(b, Qt::RightButton, {}, QPoint(20, 10));
        QCOMPARE(b->currentLook(), ZelButton::Look::Normal);
        QTest::mouseRelease(b, Qt::RightButton, {}, QPoint(20, 10));
        QCOMPARE(ups.at(0), QVariantList({2, 0, 20.0f, 10.0f}));
        QCOMPARE(clicks.count(), 0);
        // Left: MouseUp before the one Click; Shift reported.
        QStringList order;
        connect(b, &ZelButton::MouseUp, b, [&] { order << "MouseUp"; });
        connect(b, &QAbstractButton::clicked, b, [&] { order << "Click"; });
        QTest::mousePress(b, Qt::LeftButton, Qt::ShiftModifier, QPoint(20, 10));
        QCOMPARE(downs.last().at(1).toInt(), 1);
        QTest::mouseRelease(b, Qt::LeftButton, {}, QPoint(20, 10));
        QCOMPARE(order, QStringList({"MouseUp", "Click"}));
        // Released outside: no click.
        QTest::mousePress(b, Qt::LeftButton, {}, QPoint(20, 10));
        QTest::mouseRelease(b, Qt::LeftButton, {}, QPoint(150, 60));
        QCOMPARE(clicks.count(), 1);
        // Space clicks on release; keys are reported with their codes; the
        // access key clicks.
        QVERIFY(QTest::qWaitForWindowActive(&shown.window));
        b->setFocus();
        QSignalSpy keyDowns(b, &ZelButton::KeyDown);
        QTest::keyClick(b, Qt::Key_Space);
        QCOMPARE(clicks.count(), 2);
        QTest::keyClick(b, Qt::Key_F2, Qt::ControlModifier);
        QCOMPARE(keyDowns.last(), QVariantList({113, 2}));
        QTest::keyClick(&shown.window, Qt::Key_A, Qt::AltModifier);
        QTRY_COMPARE(clicks.count(), 3);
    }

    void defaultAndCancelButtons()
    {
        // A text box over a default button, another button and a cancel
        // button, in a dialog.
        auto w = std::make_unique<QDialog>();
        auto *layout = new QVBoxLayout(w.get());
        auto *edit = new QLineEdit;
        ZelButton *ok = new ZelButton, *other = new ZelButton, *cancel = new ZelButton;
        for (QWidget *c : {(QWidget *)edit, (QWidget *)ok, (QWidget *)other, (QWidget *)cancel})
            layout->addWidget(c);
        ok->setDefault(true);
        cancel->setCancel(true);
        QSignalSpy okClicks(ok, &QAbstractButton::clicked),
            otherClicks(other, &QAbstractButton::clicked),
            cancelClicks(cancel, &QAbstractButton::clicked);
        w->show();
        QVERIFY(QTest::qWaitForWindowActive(w.get()));
        edit->setFocus();
        // Enter (either key) presses the default button, Esc the cancel
        // button, and the dialog stays.
        QTest::keyClick(edit, Qt::Key_Return);
        QTest::keyClick(edit, Qt::Key_Enter, Qt::KeypadModifier);
        QTest::keyClick(edit, Qt::Key_Escape);
        QVERIFY(okClicks.count() == 2 && cancelClicks.count() == 1 && w->isVisible());
        // A focused button takes Enter itself.
        other->setFocus();
        QTest::keyClick(other, Qt::Key_Return);
        QVERIFY(otherClicks.count() == 1 && okClicks.count() == 2);
        // Hidden or disabled buttons are not pressed.
        edit->setFocus();
        ok->hide();
        cancel->setEnabled(false);
        QTest::keyClick(edit, Qt::Key_Return);
        QCOMPARE(okClicks.count(), 2);
        // No cancel button left: the dialog's own Esc.
        QSignalSpy rejected(w.get(), &QDialog::rejected);
        QTest::keyClick(edit, Qt::Key_Escape);
        QVERIFY(rejected.count() == 1 && cancelClicks.count() == 1);
    }
};

QTEST_MAIN(TestZelButton)
#include "tst_zelbutton.moc"
