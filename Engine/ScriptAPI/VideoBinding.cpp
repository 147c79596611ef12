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
    {"getDeviceWidth", bindMember<&VideoModule::getDeviceWidth>, "() -> int"},
    {"getDeviceHeight", bindMember<&VideoModule::getDeviceHeight>, "() -> int"},
    {"getScreenWidth", bindMember<&VideoModule::getScreenWidth>, "() -> int"},
    {"getScreenHeight", bindMember<&VideoModule::getScreenHeight>, "() -> int"},
    {"getScreenBithDepth", bindMember<&VideoModule::getScreenBithDepth>, "() -> int"},
    {"isFullScreen", bindMember<&VideoModule::isFullScreen>, "() -> bool"},
    {"isShowingFPS", bindMember<&VideoModule::isShowingFPS>, "() -> bool"},
    {"isYDepth", bindMember<&VideoModule::isYDepth>, "() -> bool"},
    {"getAspectRatio", bindMember<&VideoModule::getAspectRatio>, "() -> float"},
    {"setAspectRatio", video_setAspectRatio, "(n ratio, positive) -> nothing"},
    {"setupWorldView", bindMember<&VideoModule::setupWorldView>, "() -> nothing"},
    {"setupWorldOrthoView", bindMember<&VideoModule::setupWorldOrthoView>, "() -> nothing"},
    {"setupOrthoView", bindMember<&VideoModule::setupOrthoView>, "() -> nothing"},
    {"setupAspectRatioOrthoView", bindMember<&VideoModule::setupAspectRatioOrthoView>, "() -> nothing"},
    {"getCameraPosX", bindMember<&VideoModule::getCameraPosX>, "() -> float"},
    {"getCameraPosY", bindMember<&VideoModule::getCameraPosY>, "() -> float"},
    {"getCameraPosZ", bindMember<&VideoModule::getCameraPosZ>, "() -> float"},
    {"setCameraPos", video_setCameraPos, "(n x, n y, n z) -> nothing"},
    {"clear", video_clear,
     "() or (COLOUR, n alpha) or (s colour name, n alpha) or (n r, n g, n b) or (n r, n g, n b, n a) -> "
     "nothing; () clears to black",
     nullptr, "expecting parameters (void) or (COLOUR,alpha) or (colourName,alpha) or (r,g,b) or (r,g,b,a)"},
    {"pushMatrix", bindMember<&VideoModule::pushMatrix>, "() -> nothing"},
    {"popMatrix", bindMember<&VideoModule::popMatrix>, "() -> nothing"},
    {"translate", video_translate, "(n x, n y) or (n x, n y, n z) -> nothing"},
    {"scale", video_scale, "(n x, n y) or (n x, n y, n z) -> nothing"},
    {"rotateX", bindMember<&VideoModule::rotateX>, "(n radians) -> nothing"},
    {"rotateY", bindMember<&VideoModule::rotateY>, "(n radians) -> nothing"},
    {"rotateZ", bindMember<&VideoModule::rotateZ>, "(n radians) -> nothing"},
    {"beginShape", video_beginShape, "(n shape type, a SHAPETYPE_ constant) -> nothing"},
    {"endShape", video_endShape, "() -> nothing"},
    {"setColour", video_setColour,
     "(c) or (c, n alpha) or (n r, n g, n b) or (n r, n g, n b, n a) -> nothing; c is an int colour id, a "
     "colour name or a COLOUR",
     nullptr, "expecting parameteres ([id|name|COLOUR]) or ([id|name|COLOUR],alpha) or (r,g,b) or (r,g,b,a)"},
    {"plotVertex", video_plotVertex, "(n x, n y) or (n x, n y, n z) -> nothing", nullptr,
     "expecting parameters (float,float) or (float,float,float)"},
    {"beginTexture", withName<beginTexture>, "(s texture name) -> nothing"},
    {"endTexture", video_endTexture, "() -> nothing"},
    {"clearDepthBuffer", bindMember<&VideoModule::clearDepthBuffer>, "() -> nothing"},
    {"pushAttributes", bindMember<&VideoModule::pushAttributes>, "() -> nothing"},
    {"popAttributes", bindMember<&VideoModule::popAttributes>, "() -> nothing"},
    {"clearAttributes", bindMember<&VideoModule::clearAttributes>, "() -> nothing"},
    {"clearAttributesStack", bindMember<&VideoModule::clearAttributesStack>, "() -> nothing"},
    {"setAttrDepthTest", bindMember<&VideoModule::setAttrDepthTest>, "(b) -> nothing"},
    {"setAttrDepthWrite", bindMember<&VideoModule::setAttrDepthWrite>, "(b) -> nothing"},
    {"setFont", withName<setFont>, "(s font name) -> nothing"},
    {"getTextWidth", video_getTextWidth, "(s text, n height) -> float"},
    {"print", video_print,
     "(s text, n height) or (s text, n height, i alignment) or (s text, n height, i alignment, PRINTINFO) -> "
     "float, the height of the printed lines; each form may start with (n x, n y), (n x, n y, n z) or (n "
     "left, n right, n y, n z); alignment is a TEXTALIGN_ constant (left when left out); the PRINTINFO gets "
     "the text's area, and with its shouldDraw false the text is only measured"},
    {"setIsShowingFPS", bindMember<&VideoModule::setIsShowingFPS>, "(b) -> nothing"},
    {"setIsYDepth", bindMember<&VideoModule::setIsYDepth>, "(b) -> nothing"},
    {"getFPS", bindMember<&VideoModule::getFPS>, "() -> int"},
    {"setLineWidth", video_setLineWidth, "() or (n width) -> nothing; () sets the width 2", nullptr,
     "expecting parameters (void) or (REAL)"},
    {"loadTexture", withName<loadTexture>, "(s file name) -> nothing"},
    {"deleteLoadedTextures", bindMember<&VideoModule::deleteLoadedTextures>, "() -> nothing"},
    {"drawTexture", video_drawTexture,
     "(n x1, n y1, ... n x4, n y4, s texture name) or (n x1, n y1, n z1, ... n x4, n y4, n z4, s texture "
     "name) -> nothing; corners 1 to 4 are lower left, lower right, upper right, upper left; z 0 in the "
     "first form",
     nullptr, "expecting parameters (8 REALs, string) or (12 REALs, string)"},
    {"restartVideo", video_restartVideo,
     "() or (i width, i height, b full screen) or (i width, i height, b full screen, i antialiasing) -> "
     "nothing; width and height positive",
     nullptr, "expecting parameters (void) or (int,int,bool) or (w,h,fs,aa)"},
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
