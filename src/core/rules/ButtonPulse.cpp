#include "core/rules/ButtonPulse.h"

void ButtonPulse::tick()
{
    if (level < 8) {
        mirror = 248;
        step = 4;
    } else if (level > 248) {
        mirror = turnMirror;
        step = -4;
    }
    level += step;
    mirror -= step;
}
