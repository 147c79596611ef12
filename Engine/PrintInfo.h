// Text alignment values of print and the PRINTINFO record it fills.
#pragma once

enum TextAlign : int {
    TEXTALIGN_LEFT = 0,
    TEXTALIGN_RIGHT = 1,
    TEXTALIGN_CENTER = 2,
};

// With [shouldDraw] false print only measures. The bounds are those the printed glyph quads
// reached; print sets them.
struct PrintInfo {
    bool shouldDraw = true;
    float left = 0.0f;
    float right = 0.0f;
    float top = 0.0f;
    float bottom = 0.0f;
};
