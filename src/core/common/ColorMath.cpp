#include "core/common/ColorMath.h"

#include <cmath>

namespace
{

int Clamp255(int v)
{
    return v < 0 ? 0 : (v > 255 ? 255 : v);
}

} // namespace

OleColor OleRgb(int red, int green, int blue)
{
    return OleColor(Clamp255(red)) | (OleColor(Clamp255(green)) << 8) |
           (OleColor(Clamp255(blue)) << 16);
}

OleColor ShiftColor(OleColor colour, int amount, bool proportionalBlue, bool softBevel)
{
    if (softBevel)
        amount /= 2; // truncates towards zero
    int red = OleRed(colour) + amount;
    int green = OleGreen(colour) + amount;
    int blue = OleBlue(colour);
    blue += proportionalBlue ? (blue * amount) / 192 : amount;
    // Amount 0 leaves every part in range; positive amounts can only
    // overflow, negative ones only underflow.
    return OleRgb(red, green, blue);
}

OleColor BlendColor(OleColor colour, int weight)
{
    // The quotient is not whole in general; it is rounded, not cut.
    auto part = [weight](int p) {
        return Clamp255(RoundHalfEven(double(p) * (255 - weight) / 255.0 + weight));
    };
    return OleRgb(part(OleRed(colour)), part(OleGreen(colour)), part(OleBlue(colour)));
}

int RoundHalfEven(double value)
{
    const double fl = std::floor(value);
    const double diff = value - fl;
    if (diff > 0.5)
        return int(fl) + 1;
    if (diff < 0.5)
        return int(fl);
    return (std::fmod(fl, 2.0) == 0.0) ? int(fl) : int(fl) + 1;
}

ZelShades ShadesFromFace(OleColor face, OleColor text, bool softBevel)
{
    ZelShades s;
    s.face = face;
    s.shadow = ShiftColor(face, -64, true, softBevel);
    s.light = ShiftColor(face, 31, true, softBevel);
    s.highlight = ShiftColor(face, 47, true, softBevel);
    s.darkShadow = ShiftColor(face, -192, true, softBevel);
    s.text = text;
    return s;
}

ZelShades GreyShades(OleColor text)
{
    ZelShades s;
    s.face = 0xC0C0C0;
    s.shadow = 0x808080;
    s.light = 0xDFDFDF;
    s.highlight = 0xFFFFFF;
    s.darkShadow = 0x000000;
    s.text = text;
    return s;
}
