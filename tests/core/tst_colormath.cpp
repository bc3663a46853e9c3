// Colour numbers and the shading arithmetic of the owner-drawn button.
#include "core/common/ColorMath.h"

#include <QTest>

class TestColorMath : public QObject
{
    Q_OBJECT
private slots:
    void colourPartsAndRounding()
    {
        // Red in the low byte, blue in the high byte; parts clamped.
        QVERIFY(OleRed(0x733C00) == 0x00 && OleGreen(0x733C00) == 0x3C &&
                OleBlue(0x733C00) == 0x73);
        QCOMPARE(OleRgb(0x10, 0x4D, 0x7B), OleColor(0x7B4D10));
        QCOMPARE(OleRgb(300, -5, 256), OleColor(0xFF00FF));
        QVERIFY(IsSystemColor(0x8000000F) && !IsSystemColor(0xFFFFFF));
        // Halves to even.
        const double values[] = {12.5, 13.5, 0.5, 4.1667, 20.8333, -0.5, -1.5, -2.6};
        const int rounded[] = {12, 14, 0, 4, 21, 0, -2, -3};
        for (int i = 0; i < 8; ++i)
            QCOMPARE(RoundHalfEven(values[i]), rounded[i]);
    }

    void shiftAndBlend()
    {
        // colour, amount, proportional blue, soft bevel -> result
        const struct {
            OleColor colour;
            int amount;
            bool proportional, soft;
            OleColor result;
        } shifts[] = {
            {0x804020, -48, false, false, 0x501000}, // red clamps at 0
            {0x804020, -48, true, false, 0x601000},  // blue 128 + 128 * -48 / 192
            {0x646464, -25, true, false, 0x574B4B},  // truncated, not floored: 100 - 13
            {0x804020, -25, false, true, 0x743414},  // soft halves towards zero: -12
            {0x804020, -25, true, true, 0x783414},
            {0x60F0F0, 31, true, false, 0x6FFFFF}, // clamps at 255; blue 96 + 15
            {0x60F0F0, 31, false, false, 0x7FFFFF},
            {0x123456, 0, true, false, 0x123456},
            {0x101010, -192, false, false, 0x000000},
        };
        for (const auto &s : shifts)
            QCOMPARE(ShiftColor(s.colour, s.amount, s.proportional, s.soft), s.result);
        // Towards white: part * (255 - w) / 255 + w, rounded.
        QCOMPARE(BlendColor(0x000000, 64), OleColor(0x404040));
        QCOMPARE(BlendColor(0xFF8010, 64), OleColor(0xFFA04C)); // 75.98 -> 76, 95.87 + 64 -> 160
        QCOMPARE(BlendColor(0x123456, 0), OleColor(0x123456));
        QCOMPARE(BlendColor(0x123456, 255), OleColor(0xFFFFFF));
    }

    void shadesOfAFace()
    {
        // Light yellow: R FF, G FF, B 80. Shadow -64, light +31, highlight
        // +47, dark shadow -192, blue proportionally.
        const ZelShades s = ShadesFromFace(0x80FFFF, 0x000080, false);
        QVERIFY(s.face == 0x80FFFF && s.text == 0x000080);
        QCOMPARE(s.shadow, OleColor(0x56BFBF));
        QCOMPARE(s.light, OleColor(0x94FFFF));
        QCOMPARE(s.highlight, OleColor(0x9FFFFF));
        QCOMPARE(s.darkShadow, OleColor(0x003F3F));
        // Soft bevel halves every shift: shadow -32.
        QCOMPARE(ShadesFromFace(0x80FFFF, 0, true).shadow, OleColor(0x6BDFDF));
        const ZelShades g = GreyShades(0x0000FF);
        QVERIFY(g.face == 0xC0C0C0 && g.shadow == 0x808080 && g.light == 0xDFDFDF);
        QVERIFY(g.highlight == 0xFFFFFF && g.text == 0x0000FF);
    }
};

QTEST_APPLESS_MAIN(TestColorMath)
#include "tst_colormath.moc"
