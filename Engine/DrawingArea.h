// Where the fixed-aspect drawing area sits inside the window, and how window pixels map onto it.
#pragma once

struct DrawingArea {
    // Size of the area in pixels.
    int screenWidth = 800;
    int screenHeight = 600;
    // Lower-left corner of the area in the window, in pixels (GL viewport convention).
    int viewportX = 0;
    int viewportY = 0;

    // The largest area of [aspectRatio] (width over height) that fits a [deviceWidth] x
    // [deviceHeight] window, centred and then moved by the shifts. Sizes are truncated, and the
    // centring offset uses integer division, so the area never exceeds the window before shifting.
    static DrawingArea compute(int deviceWidth, int deviceHeight, float aspectRatio, int horizontalShift = 0,
                               int verticalShift = 0);
    // The vertical shift that goes with [horizontalShift]: the same movement scaled by the aspect.
    static int verticalShiftFor(int horizontalShift, float aspectRatio);

    // Mouse position in window pixels (y counted down from the window's top) as a fraction of the
    // area, each clamped to [0, 1]: (0, 0) is the area's top-left corner. The borders of a window
    // whose aspect differs from the area's are outside it on either axis.
    float mouseXToArea(float windowX, int deviceWidth) const;
    float mouseYToArea(float windowY, int deviceHeight) const;
};
