// The pulse of a button that asks to be pressed (the title, main, search
// and administrative windows): a brightness and its mirror move four steps
// a tick in opposite directions, turning at the dark and the bright end.
// Each window colours its button from the two in its own way.
#pragma once

struct ButtonPulse {
    int level = 0;  // FlashLevel
    int mirror = 0; // FlashMirror
    int step = 0;   // FlashStep: +4 or -4 once running
    // Where the mirror starts again when the level turns at the bright end.
    int turnMirror = 8;

    // One tick: below 8 the level turns up (the mirror starts again at
    // 248), above 248 it turns down (the mirror starts again at
    // turnMirror); then both move by the step.
    void tick();
};
