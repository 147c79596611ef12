// What a PRINTINFO value holds: whether print draws (or only measures) and the area the text took.
#pragma once

struct ScriptPrintInfo {
    bool shouldDraw = false;
    float left = 0.0f;
    float right = 0.0f;
    float top = 0.0f;
    float bottom = 0.0f;
};
