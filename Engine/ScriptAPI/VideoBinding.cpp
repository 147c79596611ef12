// VIDEO (the global Video): the window, views, drawing state and primitives, textures and text.
#include <cmath>
#include <string>

#include "Engine/Colour.h"
#include "Engine/ColourManager.h"
#include "Engine/GameSystem.h"
#include "Engine/MathUtil.h"
#include "Engine/PrintInfo.h"
#include "Engine/ScriptAPI/MemberBinding.h"
#include "Engine/ScriptAPI/PrintInfoValue.h"
#include "Engine/ScriptAPI/ScriptArgs.h"
#include "Engine/ScriptAPI/ScriptTypes.h"
#include "Engine/ShapeType.h"
#include "Engine/VideoModule.h"

namespace {
VideoModule* video(gmScriptThread* thread) {
    return selfAs<VideoModule>(thread);
}

bool isNumber(const gmValue& value) {
    return value.isInt() || value.isFloat();
}

bool isOfType(const gmValue& value, ScriptType type) {
    return value.getType() == scriptTypeId(type);
}

// Arguments [first] .. [first + count) as floats (ints converted), checked in order.
bool numberParams(gmScriptThread* thread, int32_t first, int32_t count, float* out) {
    for (int32_t i = 0; i < count; ++i) {
        if (!gmFloatOrIntParam(thread, first + i, out[i]))
            return false;
    }
    return true;
}

// A COLOUR argument's colour; null when it is no longer there.
const Colour* colourParam(gmScriptThread* thread, int32_t index) {
    const Colour* colour = nullptr;
    return objectParam(thread, index, ScriptType::COLOUR, colour) ? colour : nullptr;
}

// The named colour, through the game's colour table (black without one).
Colour namedColour(VideoModule& module, const char* name) {
    ColourManager* colours =
        module.getGameSystem() != nullptr ? module.getGameSystem()->getColourManager() : nullptr;
    return colours != nullptr ? colours->getColour(std::string(name)) : Colour();
}

// ---- Simple forms ----

// ---- Window and views ----

int video_setAspectRatio(gmScriptThread* thread) {
    VideoModule* self = video(thread);
    float ratio = 0.0f;
    if (self == nullptr || !gmCheckParamCount(thread, 1) || !gmFloatOrIntParam(thread, 0, ratio))
        return kRunTimeError;
    // The module would ignore it; a script is told, and the old ratio stays.
    if (!(ratio > 0.0f) || !std::isfinite(ratio))
        return methodError(thread, ": aspect ratio %g is not a positive number", static_cast<double>(ratio));
    self->setAspectRatio(ratio);
    return kDone;
}

int video_setCameraPos(gmScriptThread* thread) {
    VideoModule* self = video(thread);
    float c[3] = {};
    if (self == nullptr || !gmCheckParamCount(thread, 3) || !numberParams(thread, 0, 3, c))
        return kRunTimeError;
    self->setCameraPos(c[0], c[1], c[2]);
    return kDone;
}

// () or (w, h, full screen) or (w, h, full screen, antialiasing).
int video_restartVideo(gmScriptThread* thread) {
    VideoModule* self = video(thread);
    if (self == nullptr)
        return kRunTimeError;
    const int32_t count = thread->getNumParams();
    if (count == 0) {
        self->restartVideo();
        return kDone;
    }
    if (count != 3 && count != 4)
        return usageError(thread);
    int32_t width = 0;
    int32_t height = 0;
    bool fullScreen = false;
    int32_t antialiasing = self->getAntialiasing();
    if (!gmIntParam(thread, 0, width) || !gmIntParam(thread, 1, height) ||
        !gmBoolParam(thread, 2, fullScreen))
        return kRunTimeError;
    if (count == 4 && !gmIntParam(thread, 3, antialiasing))
        return kRunTimeError;
    // The module refuses these and keeps its window; a script is told.
    if (width <= 0 || height <= 0)
        return methodError(thread, ": window size %d x %d is not positive", width, height);
    self->restartVideo(width, height, fullScreen, antialiasing);
    return kDone;
}

// ---- Drawing state ----

// () or (COLOUR, alpha) or (colour name, alpha) or (r, g, b) or (r, g, b, a).
int video_clear(gmScriptThread* thread) {
    VideoModule* self = video(thread);
    if (self == nullptr)
        return kRunTimeError;
    const int32_t count = thread->getNumParams();
    float c[4] = {0.0f, 0.0f, 0.0f, 1.0f};
    if (count == 0) {
    } else if (count == 2 &&
               (isOfType(thread->getParam(0), ScriptType::COLOUR) || thread->getParam(0).isString())) {
        Colour colour;
        if (thread->getParam(0).isString()) {
            colour = namedColour(*self, thread->getParam(0).getString()->getText());
        } else if (const Colour* given = colourParam(thread, 0)) {
            colour = *given;
        } else {
            return kRunTimeError;
        }
        if (!gmFloatOrIntParam(thread, 1, c[3]))
            return kRunTimeError;
        c[0] = colour.getRed();
        c[1] = colour.getGreen();
        c[2] = colour.getBlue();
    } else if (count == 3 || count == 4) {
        if (!numberParams(thread, 0, count, c))
            return kRunTimeError;
    } else {
        return usageError(thread);
    }
    self->clear(c[0], c[1], c[2], c[3]);
    return kDone;
}

// (c) or (c, alpha) with c a colour id, name or COLOUR; or (r, g, b) or (r, g, b, a).
int video_setColour(gmScriptThread* thread) {
    VideoModule* self = video(thread);
    if (self == nullptr)
        return kRunTimeError;
    const int32_t count = thread->getNumParams();
    if (count == 1 || count == 2) {
        const gmValue first = thread->getParam(0);
        float alpha = 1.0f;
        const Colour* colour = nullptr;
        if (!first.isInt() && !first.isString() && (colour = colourParam(thread, 0)) == nullptr)
            return kRunTimeError;
        if (count == 2 && !gmFloatOrIntParam(thread, 1, alpha))
            return kRunTimeError;
        if (first.isInt()) {
            self->setColour(static_cast<int>(first.getInt()), alpha);
        } else if (first.isString()) {
            self->setColour(std::string(first.getString()->getText()), alpha);
        } else {
            self->setColour(*colour, alpha);
        }
        return kDone;
    }
    if (count != 3 && count != 4)
        return usageError(thread);
    float c[4] = {0.0f, 0.0f, 0.0f, 1.0f};
    if (!numberParams(thread, 0, count, c))
        return kRunTimeError;
    self->setColour(c[0], c[1], c[2], c[3]);
    return kDone;
}

int video_setLineWidth(gmScriptThread* thread) {
    VideoModule* self = video(thread);
    if (self == nullptr)
        return kRunTimeError;
    const int32_t count = thread->getNumParams();
    float width = 2.0f;
    if (count > 1)
        return usageError(thread);
    if (count == 1 && !gmFloatOrIntParam(thread, 0, width))
        return kRunTimeError;
    self->setLineWidth(width);
    return kDone;
}

// ---- Matrix ----

// (x, y) or (x, y, z); [missing] stands in for z.
int transformation(gmScriptThread* thread, const char* message, float missing,
                   void (VideoModule::*operation)(float, float, float)) {
    VideoModule* self = video(thread);
    if (self == nullptr)
        return kRunTimeError;
    const int32_t count = thread->getNumParams();
    if (count != 2 && count != 3)
        return scriptError(thread, "%s", message);
    float c[3] = {0.0f, 0.0f, missing};
    if (!numberParams(thread, 0, count, c))
        return kRunTimeError;
    (self->*operation)(c[0], c[1], c[2]);
    return kDone;
}

int video_translate(gmScriptThread* thread) {
    return transformation(thread, "\"translate\" expecting parameters (float, float) or (float,float,float)",
                          0.0f, &VideoModule::translate);
}

int video_scale(gmScriptThread* thread) {
    return transformation(thread, "\"scale\" expecting parameters (x,y) or (x,y,z)", 1.0f,
                          &VideoModule::scale);
}

// ---- Primitives ----

int video_beginShape(gmScriptThread* thread) {
    VideoModule* self = video(thread);
    float type = 0.0f;
    if (self == nullptr || !gmCheckParamCount(thread, 1) || !gmFloatOrIntParam(thread, 0, type))
        return kRunTimeError;
    const int32_t shapeType = MathUtil::truncateToInt(type);
    if (shapeType < SHAPETYPE_QUADS || shapeType > SHAPETYPE_LINELOOP)
        return methodError(thread, ": shape type %d is not a SHAPETYPE_ constant", shapeType);
    self->beginShape(shapeType);
    return kDone;
}

int video_plotVertex(gmScriptThread* thread) {
    VideoModule* self = video(thread);
    if (self == nullptr)
        return kRunTimeError;
    const int32_t count = thread->getNumParams();
    if (count != 2 && count != 3)
        return usageError(thread);
    float c[3] = {};
    if (!numberParams(thread, 0, count, c))
        return kRunTimeError;
    self->plotVertex(c[0], c[1], c[2]);
    return kDone;
}

int video_endShape(gmScriptThread* thread) {
    VideoModule* self = video(thread);
    if (self == nullptr)
        return kRunTimeError;
    self->endShape();
    return kDone;
}

// ---- Textures ----

// One string argument handed to [operation].
template <void (*Operation)(VideoModule&, const std::string&)>
int withName(gmScriptThread* thread) {
    VideoModule* self = video(thread);
    const char* name = nullptr;
    if (self == nullptr || !gmCheckParamCount(thread, 1) || !gmStringParam(thread, 0, name))
        return kRunTimeError;
    Operation(*self, name);
    return kDone;
}

void beginTexture(VideoModule& module, const std::string& name) {
    module.beginTexture(name);
}
void loadTexture(VideoModule& module, const std::string& name) {
    module.loadTexture(name);
}
void setFont(VideoModule& module, const std::string& name) {
    module.setFont(name);
}

int video_endTexture(gmScriptThread* thread) {
    VideoModule* self = video(thread);
    if (self == nullptr)
        return kRunTimeError;
    self->endTexture();
    return kDone;
}

// (8 numbers, name): four corners at z 0; (12 numbers, name): four corners with their z.
int video_drawTexture(gmScriptThread* thread) {
    VideoModule* self = video(thread);
    if (self == nullptr)
        return kRunTimeError;
    const int32_t count = thread->getNumParams();
    if (count != 9 && count != 13)
        return usageError(thread);
    const int32_t perCorner = count == 9 ? 2 : 3;
    float corners[4][3] = {};
    for (int32_t corner = 0; corner < 4; ++corner) {
        if (!numberParams(thread, corner * perCorner, perCorner, corners[corner]))
            return kRunTimeError;
    }
    const char* name = nullptr;
    if (!gmStringParam(thread, count - 1, name))
        return kRunTimeError;
    self->drawTexture(corners, std::string(name));
    return kDone;
}

// (x, y, u, v) or (x, y, z, u, v): u and v across the image of the last beginTexture.
int video_plotTexturedVertex(gmScriptThread* thread) {
    ScriptArgs args(thread);
    VideoModule* self = args.self<VideoModule>();
    if (self == nullptr)
        return kRunTimeError;
    const int32_t count = args.size();
    if (count != 4 && count != 5)
        return usageError(thread);
    float c[5] = {};
    for (int32_t i = 0; i < count; ++i) c[i] = args.number(i);
    if (!args)
        return kRunTimeError;
    if (count == 4)
        self->plotImageVertex(c[0], c[1], 0.0f, c[2], c[3]);
    else
        self->plotImageVertex(c[0], c[1], c[2], c[3], c[4]);
    return kDone;
}

// (name, sx, sy, sw, sh, x, y, w, h [, flipX [, flipY [, angle]]]).
int video_drawSprite(gmScriptThread* thread) {
    ScriptArgs args(thread);
    VideoModule* self = args.self<VideoModule>();
    if (self == nullptr)
        return kRunTimeError;
    const int32_t count = args.size();
    if (count < 9 || count > 12)
        return usageError(thread);
    const std::string name = args.text(0);
    float c[8] = {};
    for (int32_t i = 0; i < 8; ++i) c[i] = args.number(i + 1);
    const bool flipX = count > 9 && args.boolean(9);
    const bool flipY = count > 10 && args.boolean(10);
    const float angle = count > 11 ? args.number(11) : 0.0f;
    if (!args)
        return kRunTimeError;
    for (const float value : c) {
        if (!std::isfinite(value))
            return methodError(thread, ": a rectangle's coordinate is not finite");
    }
    if (!std::isfinite(angle))
        return methodError(thread, ": angle is not finite");
    self->drawSprite(name, c[0], c[1], c[2], c[3], c[4], c[5], c[6], c[7], flipX, flipY, angle);
    return kDone;
}

// (name, constant): [Filter] picks the field the constant sets, the filter or the edge mode.
template <bool Filter>
int textureSampling(gmScriptThread* thread) {
    ScriptArgs args(thread);
    VideoModule* self = args.self<VideoModule>();
    args.count(2);
    const std::string name = args.text(0);
    const int32_t mode = args.integer(1);
    if (!args)
        return kRunTimeError;
    if (mode != 0 && mode != 1 && Filter)
        return methodError(thread, ": filter %d is not a TEXTUREFILTER_ constant", mode);
    if (mode != 0 && mode != 1)
        return methodError(thread, ": edge mode %d is not a TEXTUREEDGE_ constant", mode);
    TextureSampling sampling = self->getTextureSampling(name);
    (Filter ? sampling.nearest : sampling.clamp) = mode == 1;
    self->setTextureSampling(name, sampling);
    return kDone;
}

// ---- Shape helpers ----

int video_drawRect(gmScriptThread* thread) {
    ScriptArgs args(thread);
    VideoModule* self = args.self<VideoModule>();
    if (self == nullptr)
        return kRunTimeError;
    const int32_t count = args.size();
    if (count != 4 && count != 5)
        return usageError(thread);
    float c[4] = {};
    for (int32_t i = 0; i < 4; ++i) c[i] = args.number(i);
    const bool filled = count == 4 || args.boolean(4);
    if (!args)
        return kRunTimeError;
    self->drawRect(c[0], c[1], c[2], c[3], filled);
    return kDone;
}

int video_drawCircle(gmScriptThread* thread) {
    ScriptArgs args(thread);
    VideoModule* self = args.self<VideoModule>();
    if (self == nullptr)
        return kRunTimeError;
    const int32_t count = args.size();
    if (count != 3 && count != 4)
        return usageError(thread);
    const float x = args.number(0);
    const float y = args.number(1);
    const float radius = args.number(2);
    const bool filled = count == 3 || args.boolean(3);
    if (!args)
        return kRunTimeError;
    self->drawCircle(x, y, radius, filled);
    return kDone;
}

int video_drawLine(gmScriptThread* thread) {
    ScriptArgs args(thread);
    VideoModule* self = args.self<VideoModule>();
    args.count(4);
    float c[4] = {};
    for (int32_t i = 0; i < 4; ++i) c[i] = args.number(i);
    if (!args)
        return kRunTimeError;
    self->drawLine(c[0], c[1], c[2], c[3]);
    return kDone;
}

// ---- Text ----

int video_getTextWidth(gmScriptThread* thread) {
    VideoModule* self = video(thread);
    const char* text = nullptr;
    float height = 0.0f;
    if (self == nullptr || !gmCheckParamCount(thread, 2) || !gmStringParam(thread, 0, text) ||
        !gmFloatOrIntParam(thread, 1, height))
        return kRunTimeError;
    thread->pushFloat(self->getTextWidth(text, height));
    return kDone;
}

// The forms are told apart by their signature, one letter per argument: n number, s string,
// p PRINTINFO, ? anything else.
int video_print(gmScriptThread* thread) {
    VideoModule* self = video(thread);
    if (self == nullptr)
        return kRunTimeError;
    const int32_t count = thread->getNumParams();
    std::string signature;
    for (int32_t i = 0; i < count; ++i) {
        const gmValue value = thread->getParam(i);
        signature += isNumber(value)                          ? 'n'
                     : value.isString()                       ? 's'
                     : isOfType(value, ScriptType::PRINTINFO) ? 'p'
                                                              : '?';
    }
    static constexpr const char* kSignatures[] = {"sn",      "snn",    "snnp",    "nnsn",
                                                  "nnsnn",   "nnsnnp", "nnnsn",   "nnnsnn",
                                                  "nnnsnnp", "nnnnsn", "nnnnsnn", "nnnnsnnp"};
    bool known = false;
    for (const char* accepted : kSignatures) known = known || signature == accepted;
    if (!known)
        return methodError(thread, " couldn't find matching method signature (%s)", signature.c_str());

    const int32_t textIndex = static_cast<int32_t>(signature.find('s'));
    float position[4] = {};
    if (!numberParams(thread, 0, textIndex, position))
        return kRunTimeError;
    float left = 0.0f;
    float right = 0.0f;
    float y = 0.0f;
    float z = 0.0f;
    switch (textIndex) {
        case 2:
            left = right = position[0];
            y = position[1];
            break;
        case 3:
            left = right = position[0];
            y = position[1];
            z = position[2];
            break;
        case 4:
            left = position[0];
            right = position[1];
            y = position[2];
            z = position[3];
            break;
        default:
            break;
    }
    const char* text = thread->getParam(textIndex).getString()->getText();
    float height = 0.0f;
    int32_t alignment = TEXTALIGN_LEFT;
    if (!gmFloatOrIntParam(thread, textIndex + 1, height))
        return kRunTimeError;
    if (count > textIndex + 2 && !gmIntParam(thread, textIndex + 2, alignment))
        return kRunTimeError;
    if (alignment != TEXTALIGN_LEFT && alignment != TEXTALIGN_RIGHT && alignment != TEXTALIGN_CENTER)
        return methodError(thread, ": alignment %d is not a TEXTALIGN_ constant", alignment);

    ScriptPrintInfo* record = nullptr;
    if (count > textIndex + 3)
        record =
            static_cast<ScriptPrintInfo*>(thread->getParam(textIndex + 3).getHostObject()->getHostPointer());
    PrintInfo info;
    if (record != nullptr)
        info.shouldDraw = record->shouldDraw;
    const float result =
        self->print(left, right, y, z, text, height, alignment, record != nullptr ? &info : nullptr);
    if (record != nullptr) {
        record->left = info.left;
        record->right = info.right;
        record->top = info.top;
        record->bottom = info.bottom;
    }
    thread->pushFloat(result);
    return kDone;
}

constexpr ScriptMethod kVideoMethods[] = {
    {"getDeviceWidth", bindMember<&VideoModule::getDeviceWidth>, "() -> int",
     "The width of the window (or the full screen) in pixels."},
    {"getDeviceHeight", bindMember<&VideoModule::getDeviceHeight>, "() -> int",
     "The height of the window (or the full screen) in pixels."},
    {"getScreenWidth", bindMember<&VideoModule::getScreenWidth>, "() -> int",
     "The width in pixels of the drawing area: the part of the window at the aspect ratio, with black "
     "borders around it."},
    {"getScreenHeight", bindMember<&VideoModule::getScreenHeight>, "() -> int",
     "The height in pixels of the drawing area."},
    {"getScreenBithDepth", bindMember<&VideoModule::getScreenBithDepth>, "() -> int",
     "The colour depth in bits the window was asked for; 0 as the engine asks for none."},
    {"isFullScreen", bindMember<&VideoModule::isFullScreen>, "() -> bool",
     "True when the window covers the screen."},
    {"isShowingFPS", bindMember<&VideoModule::isShowingFPS>, "() -> bool",
     "Whether the frame rate is shown in the lower-left corner (false by default)."},
    {"isYDepth", bindMember<&VideoModule::isYDepth>, "() -> bool",
     "Whether y depth is on (false by default): see setIsYDepth."},
    {"getAspectRatio", bindMember<&VideoModule::getAspectRatio>, "() -> float",
     "The drawing area's width over its height (16/9 in the engine)."},
    {"setAspectRatio", video_setAspectRatio, "(n ratio, positive) -> nothing",
     "Sets the drawing area's width over height; what is left of the window becomes black borders. 0, a "
     "negative or an endless ratio is refused with an error and the old one stays."},
    {"setupWorldView", bindMember<&VideoModule::setupWorldView>, "() -> nothing",
     "Draws from here in board units, in perspective through the camera (see the models above); resets the "
     "transformation."},
    {"setupWorldOrthoView", bindMember<&VideoModule::setupWorldOrthoView>, "() -> nothing",
     "Draws from here in board units over the whole board, from its min to its max, flat, without the "
     "camera; resets the transformation."},
    {"setupOrthoView", bindMember<&VideoModule::setupOrthoView>, "() -> nothing",
     "Draws from here over the drawing area from (0, 0) at the bottom left to (1, 1) at the top right; "
     "resets the transformation."},
    {"setupAspectRatioOrthoView", bindMember<&VideoModule::setupAspectRatioOrthoView>, "() -> nothing",
     "Draws from here with x from -aspect/2 to aspect/2 and y from -0.5 to 0.5, (0, 0) in the middle, so a "
     "unit is as wide as it is high; resets the transformation."},
    {"getCameraPosX", bindMember<&VideoModule::getCameraPosX>, "() -> float",
     "The camera's x in board units (default 0)."},
    {"getCameraPosY", bindMember<&VideoModule::getCameraPosY>, "() -> float",
     "The camera's y in board units (default 0)."},
    {"getCameraPosZ", bindMember<&VideoModule::getCameraPosZ>, "() -> float",
     "The camera's height above the board in board units (default 2688): the world view shows a region that "
     "many units high."},
    {"setCameraPos", video_setCameraPos, "(n x, n y, n z) -> nothing",
     "Moves the camera to (x, y) at height z, in board units; the world view shows a region z high, so a "
     "smaller z zooms in. Takes effect at the next setupWorldView."},
    {"clear", video_clear,
     "() or (COLOUR, n alpha) or (s colour name, n alpha) or (n r, n g, n b) or (n r, n g, n b, n a) -> "
     "nothing; () clears to black",
     "Covers the drawing area with the colour (components 0 to 1; a colour name is looked up in the colour "
     "table); an alpha below 1 lets the last frame show through, for trails. Changes the view to "
     "setupOrthoView.",
     "expecting parameters (void) or (COLOUR,alpha) or (colourName,alpha) or (r,g,b) or (r,g,b,a)"},
    {"pushMatrix", bindMember<&VideoModule::pushMatrix>, "() -> nothing",
     "Saves the current transformation, for popMatrix to bring back."},
    {"popMatrix", bindMember<&VideoModule::popMatrix>, "() -> nothing",
     "Brings back the transformation saved by the last pushMatrix."},
    {"translate", video_translate, "(n x, n y) or (n x, n y, n z) -> nothing",
     "Moves what is drawn after it by (x, y, z) in the current view's units (z 0 when left out)."},
    {"scale", video_scale, "(n x, n y) or (n x, n y, n z) -> nothing",
     "Scales what is drawn after it by x, y and z (z 1 when left out); negative mirrors."},
    {"rotateX", bindMember<&VideoModule::rotateX>, "(n radians) -> nothing",
     "Turns what is drawn after it about the x axis, in radians."},
    {"rotateY", bindMember<&VideoModule::rotateY>, "(n radians) -> nothing",
     "Turns what is drawn after it about the y axis, in radians."},
    {"rotateZ", bindMember<&VideoModule::rotateZ>, "(n radians) -> nothing",
     "Turns what is drawn after it about the z axis, in radians, anticlockwise: the usual rotation on the "
     "board."},
    {"beginShape", video_beginShape, "(n shape type, a SHAPETYPE_ constant) -> nothing",
     "Starts a shape of that type: the plotVertex calls up to endShape are its vertices. Line types are "
     "drawn without the depth test. A number that is not a SHAPETYPE_ constant is an error."},
    {"endShape", video_endShape, "() -> nothing", "Ends the shape begun by beginShape and draws it."},
    {"setColour", video_setColour,
     "(c) or (c, n alpha) or (n r, n g, n b) or (n r, n g, n b, n a) -> nothing; c is an int colour id, a "
     "colour name or a COLOUR",
     "Sets the colour of what is drawn after it: components 0 to 1, alpha 1 opaque (default) to 0 clear. An "
     "id or name is looked up in the colour table (black for an id it lacks).",
     "expecting parameteres ([id|name|COLOUR]) or ([id|name|COLOUR],alpha) or (r,g,b) or (r,g,b,a)"},
    {"plotVertex", video_plotVertex, "(n x, n y) or (n x, n y, n z) -> nothing",
     "Adds a vertex at (x, y, z) in the current view's units (z 0 when left out) to the shape begun by "
     "beginShape.",
     "expecting parameters (float,float) or (float,float,float)"},
    {"beginTexture", withName<beginTexture>, "(s texture name) -> nothing",
     "Puts the texture (an image file in the game folder, loaded on first use) on the shapes drawn until "
     "endTexture; one that cannot be loaded leaves them plain."},
    {"endTexture", video_endTexture, "() -> nothing", "Shapes drawn after it have no texture."},
    {"clearDepthBuffer", bindMember<&VideoModule::clearDepthBuffer>, "() -> nothing",
     "Forgets the depth of everything drawn so far, so what follows is drawn over it."},
    {"pushAttributes", bindMember<&VideoModule::pushAttributes>, "() -> nothing",
     "Saves the depth test and depth write settings, for popAttributes to bring back."},
    {"popAttributes", bindMember<&VideoModule::popAttributes>, "() -> nothing",
     "Brings back the settings saved by the last pushAttributes; with none saved it is reported and nothing "
     "changes."},
    {"clearAttributes", bindMember<&VideoModule::clearAttributes>, "() -> nothing",
     "Turns the depth test and depth write back on (the defaults)."},
    {"clearAttributesStack", bindMember<&VideoModule::clearAttributesStack>, "() -> nothing",
     "Forgets every saved setting and turns the depth test and depth write back on."},
    {"setAttrDepthTest", bindMember<&VideoModule::setAttrDepthTest>, "(b) -> nothing",
     "True (default) hides what is drawn behind what was drawn nearer; false draws everything over what is "
     "there."},
    {"setAttrDepthWrite", bindMember<&VideoModule::setAttrDepthWrite>, "(b) -> nothing",
     "True (default) records the depth of what is drawn; false draws without hiding later things."},
    {"setFont", withName<setFont>, "(s font name) -> nothing",
     "Makes the TrueType font file (in the game folder) the font of print and getTextWidth; one that cannot "
     "be opened is logged once and the font stays."},
    {"getTextWidth", video_getTextWidth, "(s text, n height) -> float",
     "The width of the text at that height, in the same units as the height; 0 for \"\" or without a font."},
    {"print", video_print,
     "(s text, n height) or (s text, n height, i alignment) or (s text, n height, i alignment, PRINTINFO) -> "
     "float, the height of the printed lines; each form may start with (n x, n y), (n x, n y, n z) or (n "
     "left, n right, n y, n z); alignment is a TEXTALIGN_ constant (left when left out); the PRINTINFO gets "
     "the text's area, and with its shouldDraw false the text is only measured",
     "Prints the text with its first baseline at y, height units high in the current view's units, without "
     "the depth test; words wrap between left and right (never when they are equal). Default position (0, 0, "
     "0)."},
    {"setIsShowingFPS", bindMember<&VideoModule::setIsShowingFPS>, "(b) -> nothing",
     "True shows the frame rate and frame time in the lower-left corner."},
    {"setIsYDepth", bindMember<&VideoModule::setIsYDepth>, "(b) -> nothing",
     "True draws entities lower on the board over those above them, without the depth test, for a top-down "
     "look."},
    {"getFPS", bindMember<&VideoModule::getFPS>, "() -> int",
     "The frame rate of the last frame, in frames a second."},
    {"setLineWidth", video_setLineWidth, "() or (n width) -> nothing; () sets the width 2",
     "Sets the width of lines, in pixels of an 800-pixel-wide drawing area, so lines look the same at any "
     "window size.",
     "expecting parameters (void) or (REAL)"},
    {"loadTexture", withName<loadTexture>, "(s file name) -> nothing",
     "Loads the image file (in the game folder) as a texture now, rather than at first use; a failure is "
     "logged."},
    {"deleteLoadedTextures", bindMember<&VideoModule::deleteLoadedTextures>, "() -> nothing",
     "Frees every loaded texture; each is loaded again at its next use."},
    {"drawTexture", video_drawTexture,
     "(n x1, n y1, ... n x4, n y4, s texture name) or (n x1, n y1, n z1, ... n x4, n y4, n z4, s texture "
     "name) -> nothing; corners 1 to 4 are lower left, lower right, upper right, upper left; z 0 in the "
     "first form",
     "Draws the whole image of the texture upright on a four-cornered quad, in the current view's units, "
     "tinted by the current colour; plain when it cannot be loaded.",
     "expecting parameters (8 REALs, string) or (12 REALs, string)"},
    {"restartVideo", video_restartVideo,
     "() or (i width, i height, b full screen) or (i width, i height, b full screen, i antialiasing) -> "
     "nothing; width and height positive",
     "Opens the window again: () with the current settings, or at width x height pixels, full screen or not, "
     "with the antialiasing samples given (0 none). Textures are loaded again. A size of 0 or less is "
     "refused with an error.",
     "expecting parameters (void) or (int,int,bool) or (w,h,fs,aa)"},
    {"plotTexturedVertex", video_plotTexturedVertex,
     "(n x, n y, n u, n v) or (n x, n y, n z, n u, n v) -> nothing",
     "A vertex of the shape being drawn with the texture of the last beginTexture: u runs 0 to 1 from the "
     "image's left edge to its right, v 0 to 1 from its top row down to its bottom row; z 0 in the first "
     "form.",
     "expecting parameters (x,y,u,v) or (x,y,z,u,v)"},
    {"drawSprite", video_drawSprite,
     "(s texture name, n sx, n sy, n sw, n sh, n x, n y, n w, n h) or (..., b flipX) or (..., b flipX, b "
     "flipY) or (..., b flipX, b flipY, n angle) -> nothing",
     "Draws the sw x sh texel cell at (sx, sy) of the image (texels from its top-left corner, y down) on the "
     "w x h rectangle whose lower left corner is (x, y), at depth 0 in the current view and colour; flips "
     "mirror it, angle (radians) turns it about its centre. Cells never bleed into each other: nearest "
     "textures sample the cell exactly, linear ones half a texel inside its edges.",
     "expecting parameters (name,sx,sy,sw,sh,x,y,w,h) or (name,sx,sy,sw,sh,x,y,w,h,flipX[,flipY[,angle]])"},
    {"setTextureFilter", textureSampling<true>, "(s texture name, i filter) -> nothing",
     "TEXTUREFILTER_NEAREST draws the texture with hard-edged texels (pixel art), TEXTUREFILTER_LINEAR "
     "(the default) blends them; the texture is loaded again with it on its next use."},
    {"setTextureEdge", textureSampling<false>, "(s texture name, i edge mode) -> nothing",
     "TEXTUREEDGE_REPEAT (the default) repeats the texture beyond its edges, TEXTUREEDGE_CLAMP stretches "
     "its edge texels; the texture is loaded again with it on its next use."},
    {"drawRect", video_drawRect, "(n x, n y, n w, n h) or (n x, n y, n w, n h, b filled) -> nothing",
     "A w x h rectangle with its lower left corner at (x, y) in the current view, colour and depth test, at "
     "depth 0; filled unless filled is 0, when its outline is drawn in the line width.",
     "expecting parameters (x,y,w,h) or (x,y,w,h,filled)"},
    {"drawCircle", video_drawCircle, "(n x, n y, n radius) or (n x, n y, n radius, b filled) -> nothing",
     "A circle about (x, y) in the current view and colour, at depth 0, smooth at its size on screen; filled "
     "unless filled is 0, when its outline is drawn in the line width.",
     "expecting parameters (x,y,radius) or (x,y,radius,filled)"},
    {"drawLine", video_drawLine, "(n x1, n y1, n x2, n y2) -> nothing",
     "A line from (x1, y1) to (x2, y2) in the current view, colour and line width, without the depth test."},
    {"setWindowTitle", bindRefusable<&VideoModule::setWindowTitle>, "(s title) -> nothing",
     "Sets the window's title (\"Tact\" until then), kept when the window is reopened; a title of more "
     "than 256 bytes or with a control character is refused."},
    {"getWindowTitle", bindMember<&VideoModule::getWindowTitle>, "() -> string", "The window's title."},
};
}  // namespace

const ScriptTypeTable kVideoType{.type = ScriptType::VIDEO,
                                 .name = "VIDEO",
                                 .methods = kVideoMethods,
                                 .destruct = destructHandle<VideoModule>};
