// The owner-drawn button: its outline and look pixel by pixel (the shading
// arithmetic itself is checked in the colour test), and how it reacts to
// the mouse and the keyboard, alone and inside windows.
#include "gui/controls/ZelButton.h"

#include <QDialog>
#include <QLineEdit>
#include <QSignalSpy>
#include <QTest>
#include <QVBoxLayout>

namespace
{

// Expected colours are worked out here from the drawing rules, independently
// of the button's own arithmetic.
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

// The bounding box of the caption's ink: pixels darker than any shading.
QRect InkBox(const QImage &img)
{
    QRect box;
    for (int y = 3; y < img.height() - 3; ++y)
        for (int x = 3; x < img.width() - 3; ++x) {
            const QRgb p = img.pixel(x, y);
            if (qRed(p) < 0x18 && qGreen(p) < 0x30 && qBlue(p) < 0x60)
                box |= QRect(x, y, 1, 1);
        }
    return box;
}

// Pixels expected in base shifted by an amount (blue proportionally), as
// triples x, y, amount.
void ExpectShades(const QImage &img, quint32 base, std::initializer_list<int> xyAmount)
{
    for (auto it = xyAmount.begin(); it != xyAmount.end(); it += 3)
        QVERIFY2(img.pixel(it[0], it[1]) == Rgb(Shift(base, it[2], true)),
                 qPrintable(QStringLiteral("%1,%2").arg(it[0]).arg(it[1])));
}

} // namespace

class TestZelButton : public QObject
{
    Q_OBJECT
private slots:
    // No test starts with the pointer over its windows.
    void init() { QCursor::setPos(QPoint(3000, 3000)); }

    void outlineAndNormalLook()
    {
        Shown shown;
        ZelButton *b = shown.b;
        QCOMPARE(b->currentLook(), ZelButton::Look::Normal);
        const QImage img = Render(b);
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
        // Border 0x733C00 and the dots just inside the corners 0x7B4D10.
        QCOMPARE(img.pixel(50, 0), qRgb(0x00, 0x3C, 0x73));
        QCOMPARE(img.pixel(W - 1, 15), qRgb(0x00, 0x3C, 0x73));
        QCOMPARE(img.pixel(W - 2, H - 2), qRgb(0x10, 0x4D, 0x7B));
        // Face darkening downwards, row y by -round(25 y / h), halves to
        // even (row 15: 12.5 -> 12); then bevel lines in drawing order.
        ExpectShades(img, Face, {5,   5,  -4,    5,   24,    -20, 5,   15,  -12,   50, H - 2,
                                 -48, 50, H - 3, -32, W - 2, 15,  -36, 50,  1,     16, 50,
                                 2,   10, 1,     15,  -5,    2,   15,  -10, W - 3, 2,  10});
        // The caption centred, as measured in (4, 4, w - 8, h - 8).
        const QRect m = QFontMetrics(b->font()).boundingRect(
            QRect(4, 4, W - 12, H - 12), Qt::TextWordWrap | Qt::TextShowMnemonic, "OK");
        const QRect expected(4 + (W - (4 + m.width())) / 2, 4 + (H - (4 + m.height())) / 2,
                             m.width(), m.height());
        const QRect ink = InkBox(img);
        QVERIFY(!ink.isEmpty() && expected.adjusted(-1, -1, 1, 1).contains(ink));
        // Colours set at run time (a pulse) draw at once; the hover colour
        // stays as designed.
        b->setBackColor(0xC8C800);
        QCOMPARE(Render(b).pixel(50, 1), Rgb(Shift(0xC8C800, 16, true)));
        QCOMPARE(b->BackOver(), Face);
    }

    void pressedDisabledAndHoverLooks()
    {
        Shown shown(QStringLiteral("HI"));
        ZelButton *b = shown.b;
        const QRect normalInk = InkBox(Render(b));
        // Pressed: darker, the gradient upwards, the caption one pixel
        // right and down.
        b->setDown(true);
        QCOMPARE(b->currentLook(), ZelButton::Look::Pressed);
        QImage img = Render(b);
        const quint32 p = Shift(Face, -32, true);
        QCOMPARE(img.pixel(5, 5), Rgb(Shift(p, -21, false)));
        ExpectShades(img, p, {50, H - 2, 16, 50, 1, -32, 1, 15, -32});
        QCOMPARE(InkBox(img), normalInk.translated(1, 1));
        b->setDown(false);
        // Disabled: flat, a lighter border, embossed caption without ink;
        // it does not click.
        b->setEnabled(false);
        img = Render(b);
        QCOMPARE(img.pixel(5, 5), Rgb(Shift(Face, -24, false)));
        QCOMPARE(img.pixel(5, 24), Rgb(Shift(Face, -24, false)));
        QCOMPARE(img.pixel(50, 0), Rgb(Shift(Face, -84, false)));
        QVERIFY(InkBox(img).isEmpty());
        QSignalSpy clicks(b, &QAbstractButton::clicked);
        QTest::mouseClick(b, Qt::LeftButton, {}, QPoint(20, 10));
        QCOMPARE(clicks.count(), 0);
        b->setEnabled(true);

        // Hover: MouseIn and MouseOver once, shades from BackOver, MouseOut
        // once; hiding a hovered button ends the hover.
        b->setBackOver(0x40C080);
        QSignalSpy in(b, &ZelButton::MouseIn), over(b, &ZelButton::MouseOver),
            out(b, &ZelButton::MouseOut);
        QEnterEvent enter(QPointF(20, 10), QPointF(30, 20), QPointF(30, 20));
        QApplication::sendEvent(b, &enter);
        QTest::mouseMove(b, QPoint(30, 12));
        QCOMPARE(in.count() + over.count(), 2);
        QCOMPARE(b->currentLook(), ZelButton::Look::Hover);
        QCOMPARE(Render(b).pixel(50, 1), Rgb(Shift(0x40C080, 16, true)));
        QEvent leave(QEvent::Leave);
        QApplication::sendEvent(b, &leave);
        QApplication::sendEvent(b, &leave);
        QCOMPARE(out.count(), 1);
        QCOMPARE(Render(b).pixel(50, 1), Rgb(Shift(Face, 16, true)));
        QApplication::sendEvent(b, &enter);
        b->hide();
        QVERIFY(!b->MouseIsOver());
        QCOMPARE(out.count(), 2);
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
        // Left: pressed while held, MouseUp before the one Click; Shift reported.
        QStringList order;
        connect(b, &ZelButton::MouseUp, b, [&] { order << "MouseUp"; });
        connect(b, &QAbstractButton::clicked, b, [&] { order << "Click"; });
        QTest::mousePress(b, Qt::LeftButton, Qt::ShiftModifier, QPoint(20, 10));
        QCOMPARE(b->currentLook(), ZelButton::Look::Pressed);
        QCOMPARE(downs.last().at(1).toInt(), 1);
        QTest::mouseRelease(b, Qt::LeftButton, {}, QPoint(20, 10));
        QCOMPARE(order, QStringList({"MouseUp", "Click"}));
        // Released outside: no click. A double click is two clicks.
        QTest::mousePress(b, Qt::LeftButton, {}, QPoint(20, 10));
        QTest::mouseRelease(b, Qt::LeftButton, {}, QPoint(150, 60));
        QCOMPARE(clicks.count(), 1);
        QTest::mouseClick(b, Qt::LeftButton, {}, QPoint(20, 10));
        QTest::mouseDClick(b, Qt::LeftButton, {}, QPoint(20, 10));
        QTest::mouseRelease(b, Qt::LeftButton, {}, QPoint(20, 10));
        QCOMPARE(clicks.count(), 3);

        // Space draws pressed and clicks on release; keys are reported
        // with their codes; the access key clicks.
        QVERIFY(QTest::qWaitForWindowActive(&shown.window));
        b->setFocus();
        QSignalSpy keyDowns(b, &ZelButton::KeyDown);
        QTest::keyPress(b, Qt::Key_Space);
        QCOMPARE(b->currentLook(), ZelButton::Look::Pressed);
        QCOMPARE(clicks.count(), 3);
        QTest::keyRelease(b, Qt::Key_Space);
        QCOMPARE(clicks.count(), 4);
        QTest::keyClick(b, Qt::Key_F2, Qt::ControlModifier);
        QCOMPARE(keyDowns.last(), QVariantList({113, 2}));
        QTest::keyClick(&shown.window, Qt::Key_A, Qt::AltModifier);
        QTRY_COMPARE(clicks.count(), 5);
    }

    void defaultAndCancelButtons()
    {
        // A text box over a default button, another button and a cancel
        // button, in a dialog and in a plain window.
        for (const bool inDialog : {true, false}) {
            std::unique_ptr<QWidget> w(inDialog ? new QDialog : new QWidget);
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
            QCOMPARE(okClicks.count(), 2);
            QCOMPARE(cancelClicks.count(), 1);
            QVERIFY(w->isVisible());
            // In a dialog a focused button takes Enter itself.
            if (inDialog) {
                other->setFocus();
                QTest::keyClick(other, Qt::Key_Return);
                QVERIFY(otherClicks.count() == 1 && okClicks.count() == 2);
            }
            // A cancel button moved out of sight still answers Esc; hidden
            // or disabled buttons are not pressed.
            cancel->move(-500, cancel->y());
            edit->setFocus();
            QTest::keyClick(edit, Qt::Key_Escape);
            QCOMPARE(cancelClicks.count(), 2);
            ok->hide();
            cancel->setEnabled(false);
            QTest::keyClick(edit, Qt::Key_Return);
            QCOMPARE(okClicks.count(), 2);
            if (inDialog) { // no cancel button left: the dialog's own Esc
                QSignalSpy rejected(static_cast<QDialog *>(w.get()), &QDialog::rejected);
                QTest::keyClick(edit, Qt::Key_Escape);
                QCOMPARE(rejected.count(), 1);
                QCOMPARE(cancelClicks.count(), 2);
            }
        }
    }
};

QTEST_MAIN(TestZelButton)
#include "tst_zelbutton.moc"
