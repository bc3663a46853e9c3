// The owner-drawn button: its look pixel by pixel, its property bag, and
// how it reacts to the mouse and the keyboard, alone and inside windows.
#include "gui/controls/ZelButton.h"

#include <QDialog>
#include <QLineEdit>
#include <QSignalSpy>
#include <QTest>
#include <QVBoxLayout>
#include <cmath>

namespace
{

// Expected colours are worked out here from the drawing rules, independently
// of the button's own arithmetic.
QRgb Rgb(quint32 ole)
{
    return qRgb(int(ole & 0xFF), int((ole >> 8) & 0xFF), int((ole >> 16) & 0xFF));
}

int Clamp(int v)
{
    return v < 0 ? 0 : (v > 255 ? 255 : v);
}

quint32 Shift(quint32 c, int amount, bool proportionalBlue)
{
    const int r = int(c & 0xFF) + amount;
    const int g = int((c >> 8) & 0xFF) + amount;
    int b = int((c >> 16) & 0xFF);
    b += proportionalBlue ? (b * amount) / 192 : amount;
    return quint32(Clamp(r)) | (quint32(Clamp(g)) << 8) | (quint32(Clamp(b)) << 16);
}

int RoundEven(double v)
{
    return int(std::nearbyint(v)); // default rounding mode: ties to even
}

constexpr quint32 Face = 0xC08040; // R 0x40, G 0x80, B 0xC0: no part clamps
constexpr quint32 Ink = 0x000000;
constexpr int W = 100;
constexpr int H = 30;

QFont TestFont()
{
    QFont f(QStringLiteral("DejaVu Sans"));
    f.setPixelSize(12);
    return f;
}

ZelButton *MakeButton(QWidget *parent, const QString &caption = QStringLiteral("OK"))
{
    auto *b = new ZelButton(parent);
    b->setButtonType(3);
    b->setColorScheme(2);
    b->setDesignColors(Face, Ink);
    b->setFont(TestFont());
    b->setText(caption);
    b->setGeometry(10, 10, W, H);
    return b;
}

// The button drawn over a magenta background, so pixels it leaves alone show.
QImage Render(ZelButton *b)
{
    QImage img(b->size(), QImage::Format_RGB32);
    img.fill(qRgb(255, 0, 255));
    b->render(&img, QPoint(), QRegion(), QWidget::RenderFlags());
    return img;
}

// The bounding box of pixels darker than the face's darkest shading: the
// caption's ink (the face and bevel stay above 0x30 in every part).
QRect InkBox(const QImage &img, int margin = 3)
{
    QRect box;
    for (int y = margin; y < img.height() - margin; ++y)
        for (int x = margin; x < img.width() - margin; ++x) {
            const QRgb p = img.pixel(x, y);
            if (qRed(p) < 0x18 && qGreen(p) < 0x30 && qBlue(p) < 0x60)
                box |= QRect(x, y, 1, 1);
        }
    return box;
}

// Antialiased text rarely covers a pixel fully: a pixel within tolerance.
bool HasPixelNear(const QImage &img, QRgb colour, const QRect &area, int tolerance)
{
    for (int y = area.top(); y <= area.bottom(); ++y)
        for (int x = area.left(); x <= area.right(); ++x) {
            const QRgb p = img.pixel(x, y);
            if (qAbs(qRed(p) - qRed(colour)) <= tolerance &&
                qAbs(qGreen(p) - qGreen(colour)) <= tolerance &&
                qAbs(qBlue(p) - qBlue(colour)) <= tolerance)
                return true;
        }
    return false;
}

// A shown window with one button in it.
struct Shown {
    QWidget window;
    ZelButton *b;
    explicit Shown(const QString &caption = QStringLiteral("OK"))
    {
        window.resize(200, 80);
        b = MakeButton(&window, caption);
        window.show();
    }
};

// Pixels expected in base shifted by an amount (blue proportionally), as
// triples x, y, amount.
void ExpectShades(const QImage &img, quint32 base, std::initializer_list<int> xyAmount)
{
    for (auto it = xyAmount.begin(); it != xyAmount.end(); it += 3)
        QVERIFY2(img.pixel(it[0], it[1]) == Rgb(Shift(base, it[2], true)),
                 qPrintable(QStringLiteral("%1,%2").arg(it[0]).arg(it[1])));
}

// A text box over a default button, another button and a cancel button.
struct Form {
    QLineEdit *edit;
    ZelButton *ok, *other, *cancel;
};
Form Populate(QWidget *w)
{
    auto *layout = new QVBoxLayout(w);
    Form f{new QLineEdit(w), new ZelButton(w), new ZelButton(w), new ZelButton(w)};
    f.ok->setText(QStringLiteral("&OK"));
    f.other->setText(QStringLiteral("&Other"));
    f.cancel->setText(QStringLiteral("&Cancel"));
    for (QWidget *c : {(QWidget *)f.edit, (QWidget *)f.ok, (QWidget *)f.other, (QWidget *)f.cancel})
        layout->addWidget(c);
    f.ok->setDefault(true);
    f.cancel->setCancel(true);
    return f;
}

// Takes the pointer away from the button, whatever an earlier test left.
void Unhover(ZelButton *b)
{
    QEvent leave(QEvent::Leave);
    QApplication::sendEvent(b, &leave);
    QVERIFY(!b->MouseIsOver());
}

} // namespace

class TestZelButton : public QObject
{
    Q_OBJECT
private slots:
    // No test starts with the pointer over its windows.
    void init() { QCursor::setPos(QPoint(3000, 3000)); }

    void normalLook()
    {
        Shown shown;
        ZelButton *b = shown.b;
        QCOMPARE(b->currentLook(), ZelButton::Look::Normal);
        const QImage img = Render(b);

        // Border 0x733C00 and the four dots just inside the corners 0x7B4D10.
        for (QPoint p : {QPoint(50, 0), QPoint(0, 15), QPoint(W - 1, 15), QPoint(50, H - 1)})
            QCOMPARE(img.pixel(p), qRgb(0x00, 0x3C, 0x73));
        for (QPoint p : {QPoint(1, 1), QPoint(1, H - 2), QPoint(W - 2, 1), QPoint(W - 2, H - 2)})
            QCOMPARE(img.pixel(p), qRgb(0x10, 0x4D, 0x7B));
        // The rounded outline: outer corner pixels are not part of the button.
        for (QPoint p :
             {QPoint(0, 0), QPoint(1, 0), QPoint(0, 1), QPoint(W - 1, 0), QPoint(W - 2, 0),
              QPoint(W - 1, 1), QPoint(0, H - 1), QPoint(1, H - 1), QPoint(0, H - 2),
              QPoint(W - 1, H - 1), QPoint(W - 2, H - 1), QPoint(W - 1, H - 2)}) {
            QVERIFY2(!b->mask().contains(p),
                     qPrintable(QStringLiteral("%1,%2").arg(p.x()).arg(p.y())));
            QCOMPARE(img.pixel(p), qRgb(255, 0, 255));
        }
        QVERIFY(b->mask().contains(QPoint(2, 0)));
        QVERIFY(b->mask().contains(QPoint(1, 1)));

        // Face: darkening downwards, row y shifted by -round(25 y / h).
        // Row 15 has an exact half: 12.5 rounds to 12.
        ExpectShades(
            img, Face,
            {5, 5, -RoundEven(25.0 * 5 / H), 5, 24, -RoundEven(25.0 * 24 / H), 5, 15, -12});
        // Bevel lines, in their drawing order (later ones win): the left line
        // over the top and bottom ones, the inner left from row 3 to h - 4, the
        // right line over the top one.
        ExpectShades(img, Face,
                     {50,    H - 2, -48, 50, H - 3, -32, W - 2, 15,    -36, W - 3, 15, -24,
                      50,    1,     16,  50, 2,     10,  1,     15,    -5,  2,     15, -10,
                      1,     2,     -5,  2,  2,     10,  W - 2, 2,     -36, W - 3, 2,  10,
                      W - 3, H - 3, -32, 1,  H - 3, -5,  2,     H - 3, -32});

        // Caption: measured in (4, 4, w - 8, h - 8), moved by ((w - r) / 2, (h - b) / 2).
        const QFontMetrics fm(TestFont());
        const QRect m = fm.boundingRect(QRect(4, 4, W - 12, H - 12),
                                        Qt::TextWordWrap | Qt::TextShowMnemonic, "OK");
        const QRect expected(4 + (W - (4 + m.width())) / 2, 4 + (H - (4 + m.height())) / 2,
                             m.width(), m.height());
        const QRect ink = InkBox(img);
        QVERIFY(!ink.isEmpty());
        QVERIFY(expected.adjusted(-1, -1, 1, 1).contains(ink));
        QVERIFY(HasPixelNear(img, Rgb(Ink), ink, 24));
    }

    void pressedAndDisabledLooks()
    {
        Shown shown(QStringLiteral("HI"));
        ZelButton *b = shown.b;
        const QRect normalInk = InkBox(Render(b));

        b->setDown(true);
        QCOMPARE(b->currentLook(), ZelButton::Look::Pressed);
        QImage img = Render(b);
        const quint32 p = Shift(Face, -32, true);
        // The gradient now darkens upwards: row h - i shifted by -round(25 i / h).
        QCOMPARE(img.pixel(5, 5), Rgb(Shift(p, -RoundEven(25.0 * (H - 5) / H), false)));
        QCOMPARE(img.pixel(5, 24), Rgb(Shift(p, -RoundEven(25.0 * (H - 24) / H), false)));
        ExpectShades(img, p, {50, H - 2, 16, 50, 1, -32, 1, 15, -32});
        // The caption moves one pixel right and down.
        QCOMPARE(InkBox(img), normalInk.translated(1, 1));
        b->setDown(false);

        b->setEnabled(false);
        QCOMPARE(b->currentLook(), ZelButton::Look::Disabled);
        img = Render(b);
        // Flat: one colour top and bottom, a lighter border, lighter dots.
        QCOMPARE(img.pixel(5, 5), Rgb(Shift(Face, -24, false)));
        QCOMPARE(img.pixel(5, 24), Rgb(Shift(Face, -24, false)));
        QCOMPARE(img.pixel(50, 0), Rgb(Shift(Face, -84, false)));
        QCOMPARE(img.pixel(1, 1), Rgb(Shift(Face, -72, false)));
        // The caption is embossed: the shadow shade (-64) over a lighter copy
        // one pixel right and down; no ink.
        const QRect around = normalInk.adjusted(-2, -2, 3, 3);
        QVERIFY(HasPixelNear(img, Rgb(Shift(Face, -64, true)), around, 16));
        const int fillGreen = qGreen(Rgb(Shift(Face, -24, false)));
        bool lighter = false;
        for (int y = around.top(); y <= around.bottom(); ++y)
            for (int x = around.left(); x <= around.right(); ++x)
                lighter = lighter || qGreen(img.pixel(x, y)) > fillGreen + 20;
        QVERIFY(lighter);
        QVERIFY(InkBox(img).isEmpty());
        // A disabled button does not click.
        QSignalSpy clicks(b, &QAbstractButton::clicked);
        QTest::mouseClick(b, Qt::LeftButton, {}, QPoint(20, 10));
        QCOMPARE(clicks.count(), 0);
    }

    void hoverLook()
    {
        Shown shown;
        ZelButton *b = shown.b;
        constexpr quint32 Over = 0x40C080; // R 0x80, G 0xC0, B 0x40
        b->setBackOver(Over);
        QSignalSpy in(b, &ZelButton::MouseIn);
        QSignalSpy over(b, &ZelButton::MouseOver);
        QSignalSpy out(b, &ZelButton::MouseOut);

        QEnterEvent enter(QPointF(20, 10), QPointF(30, 20), QPointF(30, 20));
        QApplication::sendEvent(b, &enter);
        QCOMPARE(in.count(), 1);
        QCOMPARE(over.count(), 1);
        QVERIFY(b->MouseIsOver());
        QCOMPARE(b->currentLook(), ZelButton::Look::Hover);
        // Moving about inside raises nothing more.
        QTest::mouseMove(b, QPoint(30, 12));
        QTest::mouseMove(b, QPoint(40, 14));
        QCOMPARE(in.count(), 1);
        QCOMPARE(over.count(), 1);

        // While hovered the shades come from BackOver.
        QImage img = Render(b);
        QCOMPARE(img.pixel(50, 1), Rgb(Shift(Over, 16, true)));

        QEvent leave(QEvent::Leave);
        QApplication::sendEvent(b, &leave);
        QCOMPARE(out.count(), 1);
        QApplication::sendEvent(b, &leave);
        QCOMPARE(out.count(), 1); // only once
        QVERIFY(!b->MouseIsOver());
        QCOMPARE(Render(b).pixel(50, 1), Rgb(Shift(Face, 16, true)));

        // Hiding a hovered button ends the hover.
        QApplication::sendEvent(b, &enter);
        QVERIFY(b->MouseIsOver());
        b->hide();
        QVERIFY(!b->MouseIsOver());
        QCOMPARE(out.count(), 2);
    }

    void propertyBag()
    {
        // Missing hover colours take the colours read.
        ZelButton saved;
        saved.ReadProperties({{"BCOL", 0x80FFFF}, {"FCOL", 0x800000}, {"BTYPE", 3}});
        QCOMPARE(saved.BackOver(), 0x80FFFFu);
        QCOMPARE(saved.ForeOver(), 0x800000u);
        saved.ReadProperties({{"BCOL", 0x80FFFF}, {"BCOLO", 0xFFFF80}});
        QCOMPARE(saved.BackOver(), 0xFFFF80u);
        QCOMPARE(saved.ButtonType(), 2);

        // Everything written reads back the same.
        ZelButton original;
        QPixmap pic(8, 8);
        pic.fill(Qt::blue);
        QFont f(QStringLiteral("DejaVu Sans"));
        f.setBold(true);
        f.setPointSizeF(9.75);
        original.ReadProperties(
            {{"BCOL", 0x80FFFF}, {"BCOLO", 0xFF80FF}, {"FCOL", 0x000080},  {"FCOLO", 0x008000},
             {"MCOL", 0x00FF00}, {"BTYPE", 3},        {"TX", "&Continue"}, {"ENAB", false},
             {"FONT", f},        {"COLTYPE", 2},      {"FOCUSR", false},   {"MPTR", 99},
             {"MICON", pic},     {"SOFT", true},      {"PICN", pic},       {"PICH", pic.toImage()},
             {"PICPOS", 4},      {"UMCOL", false},    {"NGREY", true},     {"FX", 1},
             {"CHECK", true},    {"VALUE", true}});
        QCOMPARE(original.text(), QStringLiteral("&Continue"));
        QVERIFY(!original.isEnabled());
        QVERIFY(original.FontBold());
        QCOMPARE(original.FontSize(), 9.75);
        QVERIFY(original.Value());
        QCOMPARE(original.PictureOver().size(), QSize(8, 8));
        ZelButton copy;
        copy.ReadProperties(original.WriteProperties());
        const QVariantMap a = original.WriteProperties();
        const QVariantMap c = copy.WriteProperties();
        for (auto it = a.constBegin(); it != a.constEnd(); ++it) {
            if (it.value().typeId() == QMetaType::QPixmap)
                QCOMPARE(c.value(it.key()).value<QPixmap>().toImage(),
                         it.value().value<QPixmap>().toImage());
            else
                QVERIFY2(c.value(it.key()) == it.value(), qPrintable(it.key()));
        }
    }

    void mouseButtons()
    {
        Shown shown;
        ZelButton *b = shown.b;
        QSignalSpy clicks(b, &QAbstractButton::clicked);
        QSignalSpy downs(b, &ZelButton::MouseDown);
        QSignalSpy ups(b, &ZelButton::MouseUp);
        QStringList order;
        connect(b, &ZelButton::MouseUp, b, [&] { order << "MouseUp"; });
        connect(b, &QAbstractButton::clicked, b, [&] { order << "Click"; });

        // A right press neither draws pressed nor clicks; MouseUp says which button.
        QTest::mousePress(b, Qt::RightButton, {}, QPoint(20, 10));
        QCOMPARE(b->currentLook(), ZelButton::Look::Normal);
        QCOMPARE(b->LastButton(), 2);
        QTest::mouseRelease(b, Qt::RightButton, {}, QPoint(20, 10));
        QCOMPARE(clicks.count(), 0);
        QCOMPARE(downs.count(), 1);
        QCOMPARE(downs.at(0).at(0).toInt(), 2);
        QCOMPARE(ups.count(), 1);
        QCOMPARE(ups.at(0).at(0).toInt(), 2);
        QCOMPARE(ups.at(0).at(2).toFloat(), 20.0f);
        QCOMPARE(ups.at(0).at(3).toFloat(), 10.0f);

        QTest::mouseClick(b, Qt::MiddleButton, {}, QPoint(20, 10));
        QCOMPARE(ups.last().at(0).toInt(), 4);
        QCOMPARE(clicks.count(), 0);

        // Left: pressed look while held, MouseUp then one Click; Shift reported.
        QTest::mousePress(b, Qt::LeftButton, Qt::ShiftModifier, QPoint(20, 10));
        QCOMPARE(b->currentLook(), ZelButton::Look::Pressed);
        QCOMPARE(downs.last().at(1).toInt(), 1);
        QTest::mouseRelease(b, Qt::LeftButton, {}, QPoint(20, 10));
        QCOMPARE(ups.last().at(0).toInt(), 1);
        QCOMPARE(clicks.count(), 1);
        QCOMPARE(order, QStringList({"MouseUp", "MouseUp", "MouseUp", "Click"}));
        QVERIFY(b->currentLook() != ZelButton::Look::Pressed);

        // Released outside: no click.
        QTest::mousePress(b, Qt::LeftButton, {}, QPoint(20, 10));
        QTest::mouseRelease(b, Qt::LeftButton, {}, QPoint(150, 60));
        QCOMPARE(clicks.count(), 1);

        // A double click is two clicks.
        QTest::mouseClick(b, Qt::LeftButton, {}, QPoint(20, 10));
        QTest::mouseDClick(b, Qt::LeftButton, {}, QPoint(20, 10));
        QTest::mouseRelease(b, Qt::LeftButton, {}, QPoint(20, 10));
        QCOMPARE(clicks.count(), 3);
    }

    void keyboard()
    {
        Shown shown(QStringLiteral("&Apply"));
        ZelButton *b = shown.b;
        QVERIFY(QTest::qWaitForWindowActive(&shown.window));
        b->setFocus();
        QSignalSpy clicks(b, &QAbstractButton::clicked);
        QSignalSpy downs(b, &ZelButton::KeyDown);
        QSignalSpy ups(b, &ZelButton::KeyUp);
        QSignalSpy presses(b, &ZelButton::KeyPress);

        // Space pressed draws pressed; released clicks once.
        QTest::keyPress(b, Qt::Key_Space);
        QCOMPARE(b->currentLook(), ZelButton::Look::Pressed);
        QCOMPARE(clicks.count(), 0);
        QTest::keyRelease(b, Qt::Key_Space);
        QCOMPARE(clicks.count(), 1);
        QCOMPARE(downs.at(0).at(0).toInt(), 32);
        QCOMPARE(ups.at(0).at(0).toInt(), 32);
        QCOMPARE(presses.at(0).at(0).toInt(), 32);
        QCOMPARE(b->LastButton(), 32);

        QTest::keyClick(b, Qt::Key_F2, Qt::ControlModifier);
        QCOMPARE(downs.last().at(0).toInt(), 113);
        QCOMPARE(downs.last().at(1).toInt(), 2);
        QCOMPARE(clicks.count(), 1);

        // The access key clicks.
        QTest::keyClick(&shown.window, Qt::Key_A, Qt::AltModifier);
        QTRY_COMPARE(clicks.count(), 2);
    }

    void checkBoxBehaviour()
    {
        Shown shown;
        ZelButton *b = shown.b;
        b->setCheckBoxBehaviour(true);
        QList<bool> valuesAtClick;
        connect(b, &QAbstractButton::clicked, b, [&] { valuesAtClick << b->Value(); });

        QTest::mouseClick(b, Qt::LeftButton, {}, QPoint(20, 10));
        QCOMPARE(valuesAtClick, QList<bool>({true})); // inverted before Click
        QCOMPARE(b->currentLook(), ZelButton::Look::Pressed);
        const QImage img = Render(b);
        QCOMPARE(img.pixel(50, 1), Rgb(Shift(Shift(Face, -32, true), -32, true)));

        // A right click changes nothing.
        QTest::mouseClick(b, Qt::RightButton, {}, QPoint(20, 10));
        QVERIFY(b->Value());

        QTest::mouseClick(b, Qt::LeftButton, {}, QPoint(20, 10));
        QCOMPARE(valuesAtClick, QList<bool>({true, false}));
        QVERIFY(!b->Value());
        QCOMPARE(b->currentLook(), ZelButton::Look::Normal);

        // Value set by the program draws pressed too, and survives
        // switching the behaviour off and on.
        b->setValue(true);
        QCOMPARE(b->currentLook(), ZelButton::Look::Pressed);
        b->setCheckBoxBehaviour(false);
        QCOMPARE(b->currentLook(), ZelButton::Look::Normal);
        QVERIFY(b->Value());
        QTest::mouseClick(b, Qt::LeftButton, {}, QPoint(20, 10));
        QVERIFY(b->Value()); // no toggling without the behaviour
        b->setCheckBoxBehaviour(true);
        QCOMPARE(b->currentLook(), ZelButton::Look::Pressed);
    }

    void defaultAndCancelInDialog()
    {
        QDialog dialog;
        const auto [edit, ok, other, cancel] = Populate(&dialog);
        QSignalSpy okClicks(ok, &QAbstractButton::clicked);
        QSignalSpy otherClicks(other, &QAbstractButton::clicked);
        QSignalSpy cancelClicks(cancel, &QAbstractButton::clicked);
        QSignalSpy rejected(&dialog, &QDialog::rejected);
        dialog.show();
        QVERIFY(QTest::qWaitForWindowActive(&dialog));
        edit->setFocus();

        // Enter in the text box presses the default button.
        QTest::keyClick(edit, Qt::Key_Return);
        QCOMPARE(okClicks.count(), 1);
        // Esc presses the cancel button instead of closing the dialog.
        QTest::keyClick(edit, Qt::Key_Escape);
        QCOMPARE(cancelClicks.count(), 1);
        QCOMPARE(rejected.count(), 0);
        QVERIFY(dialog.isVisible());
        // A focused button takes Enter itself (auto-default).
        other->setFocus();
        QTest::keyClick(other, Qt::Key_Return);
        QCOMPARE(otherClicks.count(), 1);
        QCOMPARE(okClicks.count(), 1);
        // A cancel button moved out of sight still answers Esc.
        cancel->move(-500, cancel->y());
        edit->setFocus();
        QTest::keyClick(edit, Qt::Key_Escape);
        QCOMPARE(cancelClicks.count(), 2);
        // Disabled default and cancel buttons do nothing.
        edit->setFocus();
        ok->setEnabled(false);
        cancel->setEnabled(false);
        QTest::keyClick(edit, Qt::Key_Return);
        QCOMPARE(okClicks.count(), 1);
        QTest::keyClick(edit, Qt::Key_Escape);
        QCOMPARE(cancelClicks.count(), 2);
        QCOMPARE(rejected.count(), 1); // no cancel button left: the dialog's own Esc
    }

    void defaultAndCancelInPlainWindow()
    {
        QWidget window;
        const auto [edit, ok, other, cancel] = Populate(&window);
        QSignalSpy okClicks(ok, &QAbstractButton::clicked);
        QSignalSpy cancelClicks(cancel, &QAbstractButton::clicked);
        window.show();
        QVERIFY(QTest::qWaitForWindowActive(&window));
        edit->setFocus();
        QTest::keyClick(edit, Qt::Key_Return);
        QCOMPARE(okClicks.count(), 1);
        QTest::keyClick(edit, Qt::Key_Enter, Qt::KeypadModifier);
        QCOMPARE(okClicks.count(), 2);
        QTest::keyClick(edit, Qt::Key_Escape);
        QCOMPARE(cancelClicks.count(), 1);
        // Hidden buttons are not pressed.
        ok->hide();
        QTest::keyClick(edit, Qt::Key_Return);
        QCOMPARE(okClicks.count(), 2);
    }

    void coloursChangeAtRunTime()
    {
        Shown shown;
        ZelButton *b = shown.b;
        // A window pulsing the colours: each tick is drawn with the new ones.
        for (int m : {248, 200, 120, 8}) {
            const quint32 back = quint32(m) << 8 | quint32(m) << 16; // RGB(0, m, m)
            b->setBackColor(back);
            b->setForeColor(quint32(255 - m) << 8);
            const QImage img = Render(b);
            QCOMPARE(img.pixel(50, 1), Rgb(Shift(back, 16, true)));
            QCOMPARE(img.pixel(5, 5), Rgb(Shift(back, -4, true)));
            QCOMPARE(b->BackOver(), Face); // the hover colour stays as designed
        }
    }
};

QTEST_MAIN(TestZelButton)
#include "tst_zelbutton.moc"
