// Colour numbers as the program stores them (0xBBGGRR: red in the low byte,
// blue in the high byte) and the shading arithmetic of the owner-drawn
// button. No widgets here: the button translates system colours first and
// hands plain RGB numbers to these functions.
#pragma once

#include <QtGlobal>

using OleColor = quint32;

// A colour number with the top bit set names a system colour (its low byte
// is the system colour index), e.g. 0x8000000F the button face.
constexpr OleColor SystemColorFlag = 0x80000000u;
constexpr OleColor SysButtonFace = 0x8000000Fu;
constexpr OleColor SysButtonText = 0x80000012u;

inline bool IsSystemColor(OleColor c)
{
    return (c & SystemColorFlag) != 0;
}
inline int OleRed(OleColor c)
{
    return int(c & 0xFF);
}
inline int OleGreen(OleColor c)
{
    return int((c >> 8) & 0xFF);
}
inline int OleBlue(OleColor c)
{
    return int((c >> 16) & 0xFF);
}

// RGB(r, g, b) with each part clamped to 0..255.
OleColor OleRgb(int red, int green, int blue);

// Shifts a colour by amount: red and green by amount, blue by amount or, with
// proportionalBlue, by blue * amount / 192 (truncated). softBevel halves the
// amount first. Parts are clamped to 255 for positive and to 0 for negative
// amounts.
OleColor ShiftColor(OleColor colour, int amount, bool proportionalBlue = false,
                    bool softBevel = false);

// Moves a colour towards white: each part becomes
// part * (255 - weight) / 255 + weight, rounded and clamped to 0..255.
OleColor BlendColor(OleColor colour, int weight);

// Nearest whole number, ties to even (as the program's rounding does).
int RoundHalfEven(double value);

// The shades a button draws with. Every shade is a plain RGB number.
struct ZelShades {
    OleColor face = 0;
    OleColor shadow = 0;
    OleColor light = 0;
    OleColor highlight = 0;
    OleColor darkShadow = 0;
    OleColor text = 0;
};

// The custom scheme: every shade computed from one face colour.
ZelShades ShadesFromFace(OleColor face, OleColor text, bool softBevel);

// The fixed grey palette.
ZelShades GreyShades(OleColor text);
