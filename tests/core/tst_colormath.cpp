// Colour numbers and the shading arithmetic of the owner-drawn button.
#include "core/common/ColorMath.h"

#include <QTest>

class TestColorMath : public QObject
{
    Q_OBJECT
private slots:
    void colourParts()
    {
        // Red in the low byte, blue in the high byte.
        QCOMPARE(OleRed(0x733C00), 0x00);
        QCOMPARE(OleGreen(0x733C00), 0x3C);
        QCOMPARE(OleBlue(0x733C00), 0x73);
        QCOMPARE(OleRgb(0x10, 0x4D, 0x7B), OleColor(0x7B4D10));
        // Parts outside 0..255 are clamped.
        QCOMPARE(OleRgb(300, -5, 256), OleColor(0xFF00FF));
        QVERIFY(IsSystemColor(0x8000000F));
        QVERIFY(!IsSystemColor(0xFFFFFF));
    }

    void shiftColor()
    {
        // R 0x20, G 0x40, B 0x80.
        const OleColor c = 0x804020;
        // Darker by 48: red 32-48 clamps to 0, green 16, blue 128-48 = 80.
        QCOMPARE(ShiftColor(c, -48), OleColor(0x501000));
        // Proportional blue: 128 + 128*(-48)/192 = 96.
        QCOMPARE(ShiftColor(c, -48, true), OleColor(0x601000));
        // Truncated, not floored: blue 100 + 100*(-25)/192 = 100 - 13 = 87.
        QCOMPARE(ShiftColor(0x646464, -25, true), OleColor(0x574B4B));
        // Soft bevel halves the amount towards zero: -25 -> -12.
        QCOMPARE(ShiftColor(c, -25, false, true), OleColor(0x743414));
        QCOMPARE(ShiftColor(c, -25, true, true), OleColor(0x783414));
        // Lighter: red and green clamp at 255; blue 96 + 96*31/192 = 96 + 15.
        QCOMPARE(ShiftColor(0x60F0F0, 31, true), OleColor(0x6FFFFF));
        QCOMPARE(ShiftColor(0x60F0F0, 31, false), OleColor(0x7FFFFF));
        // Amount 0 changes nothing.
        QCOMPARE(ShiftColor(0x123456, 0, true), OleColor(0x123456));
        // Darkest shades stop at black.
        QCOMPARE(ShiftColor(0x101010, -192, false), OleColor(0x000000));
    }

    void blendColor()
    {
        // Towards white: part * (255 - w) / 255 + w.
        QCOMPARE(BlendColor(0x000000, 64), OleColor(0x404040));
        QCOMPARE(BlendColor(0xFFFFFF, 64), OleColor(0xFFFFFF));
        // R 16: 16*191/255 + 64 = 75.98 -> 76; G 128: 95.87 + 64 -> 160; B 255.
        QCOMPARE(BlendColor(0xFF8010, 64), OleColor(0xFFA04C));
        QCOMPARE(BlendColor(0x123456, 0), OleColor(0x123456));
        QCOMPARE(BlendColor(0x123456, 255), OleColor(0xFFFFFF));
    }

    void roundHalfEven()
    {
        QCOMPARE(RoundHalfEven(12.5), 12);
        QCOMPARE(RoundHalfEven(13.5), 14);
        QCOMPARE(RoundHalfEven(0.5), 0);
        QCOMPARE(RoundHalfEven(4.1667), 4);
        QCOMPARE(RoundHalfEven(20.8333), 21);
        QCOMPARE(RoundHalfEven(-0.5), 0);
        QCOMPARE(RoundHalfEven(-1.5), -2);
        QCOMPARE(RoundHalfEven(-2.6), -3);
    }

    void customShades()
    {
        // Light yellow: R FF, G FF, B 80.
        const ZelShades s = ShadesFromFace(0x80FFFF, 0x000080, false);
        QCOMPARE(s.face, OleColor(0x80FFFF));
        QCOMPARE(s.text, OleColor(0x000080));
        // Shadow -64: 191, 191, 128 - 8192/192 (42) = 86.
        QCOMPARE(s.shadow, OleColor(0x56BFBF));
        // Light +31: blue 128 + 3968/192 (20) = 148.
        QCOMPARE(s.light, OleColor(0x94FFFF));
        // Highlight +47: blue 128 + 6016/192 (31) = 159.
        QCOMPARE(s.highlight, OleColor(0x9FFFFF));
        // Dark shadow -192: 63, 63, 128 - 128 = 0.
        QCOMPARE(s.darkShadow, OleColor(0x003F3F));
        // Soft bevel halves every shift: shadow -32 -> 223, 223, 128 - 21.
        QCOMPARE(ShadesFromFace(0x80FFFF, 0, true).shadow, OleColor(0x6BDFDF));

        const ZelShades g = GreyShades(0x0000FF);
        QCOMPARE(g.face, OleColor(0xC0C0C0));
        QCOMPARE(g.shadow, OleColor(0x808080));
        QCOMPARE(g.light, OleColor(0xDFDFDF));
        QCOMPARE(g.highlight, OleColor(0xFFFFFF));
        QCOMPARE(g.text, OleColor(0x0000FF));
    }
};

QTEST_APPLESS_MAIN(TestColorMath)
#include "tst_colormath.moc"
