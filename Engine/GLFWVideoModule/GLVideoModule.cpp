#include "Engine/GLFWVideoModule/GLVideoModule.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <filesystem>

#include "Engine/Assertion.h"
#include "Engine/FatalError.h"
#include "Engine/GLFWVideoModule/FreeTypeFontFace.h"
#include "Engine/GLFWVideoModule/Screenshot.h"
#include "Engine/GameBoard.h"
#include "Engine/GameFiles.h"
#include "Engine/GameSystem.h"
#include "Engine/ShapeType.h"

#include <GL/gl.h>
#include <GL/glu.h>
#include <fontconfig/fontconfig.h>
#include <ft2build.h>
#include FT_FREETYPE_H

namespace {

// The rotation operations take radians; GL wants degrees.
constexpr float kDegreesPerRadian = 180.0f / 3.1415927f;
// Vertical field of view of the world view: a 1600-unit-deep camera sees 800 units either way.
const double kWorldFieldOfViewDegrees = 2.0 * std::atan2(800.0, 1600.0) * 180.0 / 3.14159265358979;
constexpr double kWorldNear = 1.0;
constexpr double kWorldFar = 1000000.0;
// The line width every new window starts with, in units of an 800-pixel-wide area.
constexpr float kDefaultLineWidth = 2.0f;
// The bold sans-serif font that stands in for a game's missing default font: where Debian's
// fonts-dejavu-core puts it, or else what fontconfig offers for this pattern.
constexpr const char* kFallbackFontPath = "/usr/share/fonts/truetype/dejavu/DejaVuSans-Bold.ttf";
constexpr const char* kFallbackFontPattern = "DejaVu Sans:bold";

std::string findFontWithFontconfig(const char* patternText) {
    FcConfig* config = FcInitLoadConfigAndFonts();
    if (config == nullptr)
        return {};
    std::string path;
    FcPattern* pattern = FcNameParse(reinterpret_cast<const FcChar8*>(patternText));
    if (pattern != nullptr) {
        FcConfigSubstitute(config, pattern, FcMatchPattern);
        FcDefaultSubstitute(pattern);
        FcResult result = FcResultNoMatch;
        FcPattern* match = FcFontMatch(config, pattern, &result);
        FcChar8* file = nullptr;
        if (match != nullptr && FcPatternGetString(match, FC_FILE, 0, &file) == FcResultMatch &&
            file != nullptr)
            path = reinterpret_cast<const char*>(file);
        if (match != nullptr)
            FcPatternDestroy(match);
        FcPatternDestroy(pattern);
    }
    FcConfigDestroy(config);
    return path;
}

GLenum primitiveFor(int shapeType) {
    switch (shapeType) {
        case SHAPETYPE_QUADS:
            return GL_QUADS;
        case SHAPETYPE_TRIANGLES:
            return GL_TRIANGLES;
        case SHAPETYPE_TRIANGLEFAN:
            return GL_TRIANGLE_FAN;
        case SHAPETYPE_TRIANGLESTRIP:
            return GL_TRIANGLE_STRIP;
        case SHAPETYPE_LINES:
            return GL_LINES;
        case SHAPETYPE_LINESTRIP:
            return GL_LINE_STRIP;
        case SHAPETYPE_LINELOOP:
            return GL_LINE_LOOP;
        // beginShape has reported it; GL refuses an unknown mode without drawing.
        default:
            return static_cast<GLenum>(shapeType);
    }
}

}  // namespace

GLVideoModule::GLVideoModule(GameSystem* gameSystem) : VideoModule(gameSystem) {
    addTypeName("GLVideoModule");
}

GLVideoModule::~GLVideoModule() {
    if (freeType_ != nullptr)
        FT_Done_FreeType(freeType_);
}

void GLVideoModule::releaseContextObjects() {
    // Textures go while their context is current; faces before the library that made them.
    deleteLoadedTextures();
    deleteFonts();
}

void GLVideoModule::endContext() {
    if (!contextOpen_)
        return;
    // Pending shapes belong to this context, which is still current.
    batch_.flush();
    ShapeBatch::setCurrent(nullptr);
    contextOpen_ = false;
    setWindowOpen(false);
}

void GLVideoModule::beginContext(int width, int height) {
    contextOpen_ = true;
    boundTexture_ = 0;
    ShapeBatch::setCurrent(&batch_);
    setDeviceSize(width, height);
    clearScreen();

    glEnable(GL_LINE_SMOOTH);
    glHint(GL_LINE_SMOOTH_HINT, GL_NICEST);
    lineWidthApplied_ = 1.0f;  // a new context's line width
    batch_.setLineWidth(1.0f);
    setLineWidth(kDefaultLineWidth);
    glEnable(GL_BLEND);
    glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
    glEnable(GL_DEPTH_TEST);
    // Painter's order: what is drawn at the depth of something already drawn lands on top of it.
    glDepthFunc(GL_LEQUAL);
    glClearColor(0.0f, 0.0f, 0.0f, 0.0f);
    glClearDepth(1.0);
    // A reopened window has a fresh context: give it the attributes in force.
    depthTestApplied_ = true;
    batch_.resetDepthTestApplied(true);
    batch_.setDepthTest(true);
    depthWriteApplied_ = true;
    applyDepthTest(isAttrDepthTest());
    applyDepthWrite(isAttrDepthWrite());
    setWindowOpen(true);
    setWindowActive(true);
}

// ---- Frame ---------------------------------------------------------------------------------

void GLVideoModule::drawSystemPauseScreen() {
    clearDepthBuffer();
    clear(0.6f, 0.0f, 0.0f, 1.0f);
    setupOrthoView();
    setColour(1.0f, 1.0f, 1.0f, 1.0f);
    beginShape(SHAPETYPE_LINES);
    plotVertex(0.0f, 0.0f, 0.0f);
    plotVertex(1.0f, 1.0f, 0.0f);
    plotVertex(1.0f, 0.0f, 0.0f);
    plotVertex(0.0f, 1.0f, 0.0f);
    endShape();
    swapBuffers();
}

void GLVideoModule::swapBuffers() {
    if (!contextOpen_)
        return;
    batch_.flush();
    if (beforeSwap_)
        beforeSwap_();
    saveRequestedPictures();
    presentFrame();
}

void GLVideoModule::setFrameSequence(const std::string& folder, int every) {
    frameFolder_ = folder;
    frameEvery_ = every > 0 ? every : 0;
    framesFinished_ = 0;
    framesSaved_ = 0;
}

void GLVideoModule::saveRequestedPictures() {
    const bool frameDue = frameEvery_ > 0 && framesFinished_ % static_cast<uint64_t>(frameEvery_) == 0;
    ++framesFinished_;
    if (screenshotFileName_.empty() && !frameDue)
        return;
    const Screenshot shot =
        Screenshot::capture(getViewportX(), getViewportY(), getScreenWidth(), getScreenHeight());
    auto save = [&](const std::string& fileName) {
        if (!shot.savePNG(fileName) && captureFailure_.empty()) {
            captureFailure_ = fileName;
            if (gameSystem_ != nullptr)
                gameSystem_->log("Error!  Could not write picture: " + fileName);
        }
    };
    if (!screenshotFileName_.empty()) {
        save(screenshotFileName_);
        screenshotFileName_.clear();
    }
    if (frameDue) {
        char name[32];
        std::snprintf(name, sizeof(name), "frame-%06llu.png", static_cast<unsigned long long>(framesSaved_));
        ++framesSaved_;
        save(frameFolder_ + "/" + name);
    }
}

void GLVideoModule::setViewport() {
    batch_.flush();
    glViewport(getViewportX(), getViewportY(), getDeviceWidth() - 2 * getViewportX(),
               getDeviceHeight() - 2 * getViewportY());
    updateBatchView();
}

void GLVideoModule::updateBatchView() {
    float projection[16];
    glGetFloatv(GL_PROJECTION_MATRIX, projection);
    GLint viewport[4];
    glGetIntegerv(GL_VIEWPORT, viewport);
    batch_.setView(projection, viewport[2], viewport[3]);
    std::copy(projection, projection + 16, projection_);
    viewportSize_[0] = viewport[2];
    viewportSize_[1] = viewport[3];
}

float GLVideoModule::getPixelLength(float x, float y, float z, float length) const {
    if (!contextOpen_)
        return 0.0f;
    // Both ends to window pixels: eye coordinates, clip coordinates, then the viewport.
    float ends[2][2] = {};
    for (int end = 0; end < 2; ++end) {
        float e[3];
        modelView_.transform(x, end == 0 ? y : y + length, z, e);
        const float* m = projection_;
        const float w = m[3] * e[0] + m[7] * e[1] + m[11] * e[2] + m[15];
        if (!(w > 1e-6f))
            return 0.0f;
        ends[end][0] = (m[0] * e[0] + m[4] * e[1] + m[8] * e[2] + m[12]) / w * 0.5f *
                       static_cast<float>(viewportSize_[0]);
        ends[end][1] = (m[1] * e[0] + m[5] * e[1] + m[9] * e[2] + m[13]) / w * 0.5f *
                       static_cast<float>(viewportSize_[1]);
    }
    return std::hypot(ends[1][0] - ends[0][0], ends[1][1] - ends[0][1]);
}

void GLVideoModule::clearScreen() {
    if (!contextOpen_)
        return;
    setViewport();
    glClearColor(0.0f, 0.0f, 0.0f, 0.0f);
    glClear(GL_COLOR_BUFFER_BIT);
}

void GLVideoModule::drawBlackBorders() {
    if (!contextOpen_)
        return;
    const float width = static_cast<float>(getDeviceWidth());
    const float height = static_cast<float>(getDeviceHeight());
    const float left = static_cast<float>(getViewportX());
    const float bottom = static_cast<float>(getViewportY());
    const float right = left + static_cast<float>(getScreenWidth());
    const float top = bottom + static_cast<float>(getScreenHeight());
    batch_.flush();
    glViewport(0, 0, getDeviceWidth(), getDeviceHeight());
    updateBatchView();
    loadProjection([&] { glOrtho(0.0, width, 0.0, height, -1.0, 1.0); });
    pushAttributes();
    setAttrDepthTest(false);
    setColour(0.0f, 0.0f, 0.0f, 1.0f);
    // Everything left, right, below and above the area; empty strips draw nothing.
    const float strips[4][4] = {{0.0f, 0.0f, left, height},
                                {right, 0.0f, width, height},
                                {0.0f, 0.0f, width, bottom},
                                {0.0f, top, width, height}};
    for (const auto& s : strips) {
        beginShape(SHAPETYPE_QUADS);
        plotVertex(s[0], s[1], 0.0f);
        plotVertex(s[2], s[1], 0.0f);
        plotVertex(s[2], s[3], 0.0f);
        plotVertex(s[0], s[3], 0.0f);
        endShape();
    }
    popAttributes();
    setViewport();
}

// ---- Views ---------------------------------------------------------------------------------

void GLVideoModule::loadProjection(auto&& project) {
    batch_.flush();
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    project();
    glMatrixMode(GL_MODELVIEW);
    modelView_.loadIdentity();
    updateBatchView();
}

void GLVideoModule::setupWorldView() {
    if (getScreenHeight() <= 0)
        return;
    const double aspect = static_cast<double>(getScreenWidth()) / static_cast<double>(getScreenHeight());
    TACT_ASSERT(aspect >= 1.0, "aspect>=1.0");
    loadProjection([&] { gluPerspective(kWorldFieldOfViewDegrees, aspect, kWorldNear, kWorldFar); });
    const float tilt = getCamera().getTiltDegrees();
    modelView_.rotate(tilt, 1.0f, 0.0f, 0.0f);
    // Tilting swings the camera about the board point it looks at, so y moves with the tilt.
    const float t = (tilt - 90.0f) / kDegreesPerRadian;
    float s = std::sin(t);
    if (s == 0.0f)
        s = 0.001f;
    const float c = std::cos(t);
    const float z = getCameraPosZ();
    modelView_.translate(-getCameraPosX(), c * std::fabs(z) / s - getCameraPosY(), -z);
}

void GLVideoModule::setupWorldOrthoView() {
    // A module without a game system shows a board of the default extent.
    static const GameBoard kDefaultBoard;
    const GameBoard* board = gameSystem_ != nullptr ? gameSystem_->getGameBoard() : nullptr;
    if (board == nullptr)
        board = &kDefaultBoard;
    const RealPoint min = board->getMinPos();
    const RealPoint max = board->getMaxPos();
    loadProjection([min, max] { glOrtho(min.x, max.x, min.y, max.y, -1.0, 1.0); });
}

void GLVideoModule::setupOrthoView() {
    loadProjection([] { glOrtho(0.0, 1.0, 0.0, 1.0, -1.0, 1.0); });
}

void GLVideoModule::setupAspectRatioOrthoView() {
    const double half = getAspectRatio() / 2.0;
    loadProjection([half] { glOrtho(-half, half, -0.5, 0.5, -1.0, 1.0); });
}

// ---- Drawing -------------------------------------------------------------------------------

void GLVideoModule::pushMatrix() {
    modelView_.push();
}
void GLVideoModule::popMatrix() {
    modelView_.pop();
}
void GLVideoModule::translate(float x, float y, float z) {
    modelView_.translate(x, y, z);
}
void GLVideoModule::rotateZ(float radians) {
    modelView_.rotate(radians * kDegreesPerRadian, 0.0f, 0.0f, 1.0f);
}
void GLVideoModule::rotateX(float radians) {
    modelView_.rotate(radians * kDegreesPerRadian, 1.0f, 0.0f, 0.0f);
}
void GLVideoModule::rotateY(float radians) {
    modelView_.rotate(radians * kDegreesPerRadian, 0.0f, 1.0f, 0.0f);
}
void GLVideoModule::scale(float x, float y, float z) {
    modelView_.scale(x, y, z);
}

void GLVideoModule::setColour(float red, float green, float blue, float alpha) {
    colour_[0] = red;
    colour_[1] = green;
    colour_[2] = blue;
    colour_[3] = alpha;
}

void GLVideoModule::plotTexturedVertex(float x, float y, float z, float u, float v) {
    float eye[3];
    modelView_.transform(x, y, z, eye);
    batch_.addTexturedVertex(eye, colour_, u, v);
}

void GLVideoModule::plotVertex(float x, float y, float z) {
    // Outside a shape a vertex means nothing (GL ignores it too); the batch drops it.
    float eye[3];
    modelView_.transform(x, y, z, eye);
    batch_.addVertex(eye, colour_);
}

void GLVideoModule::beginPrimitive(int shapeType) {
    batch_.beginShape(primitiveFor(shapeType), boundTexture_);
}

void GLVideoModule::endPrimitive() {
    if (!contextOpen_) {
        batch_.discard();
        return;
    }
    batch_.endShape();
}

void GLVideoModule::clearDepthBuffer() {
    if (!contextOpen_)
        return;
    batch_.flush();
    glClear(GL_DEPTH_BUFFER_BIT);
}

void GLVideoModule::applyDepthTest(bool enabled) {
    // The batch carries the depth test with each shape and switches GL's as it draws.
    if (!contextOpen_ || enabled == depthTestApplied_)
        return;
    depthTestApplied_ = enabled;
    batch_.setDepthTest(enabled);
}

void GLVideoModule::applyDepthWrite(bool enabled) {
    if (!contextOpen_ || enabled == depthWriteApplied_)
        return;
    batch_.flush();
    depthWriteApplied_ = enabled;
    glDepthMask(enabled ? GL_TRUE : GL_FALSE);
}

void GLVideoModule::applyLineWidth(float pixels) {
    if (!contextOpen_ || pixels == lineWidthApplied_)
        return;
    batch_.flush();
    lineWidthApplied_ = pixels;
    glLineWidth(pixels);
    batch_.setLineWidth(pixels);
}

// ---- Textures and fonts --------------------------------------------------------------------

void GLVideoModule::bindTexture(const Texture* texture) {
    boundTexture_ = texture != nullptr ? texture->getId() : 0;
}

void GLVideoModule::endTexture() {
    boundTexture_ = 0;
}

uint32_t GLVideoModule::uploadTexture(const uint8_t* rgba, uint32_t width, uint32_t height,
                                      const TextureSampling& sampling) {
    if (!contextOpen_)
        return 0;
    // Errors left by earlier calls must not be taken for this upload's.
    while (glGetError() != GL_NO_ERROR) {
    }
    GLuint id = 0;
    glGenTextures(1, &id);
    glBindTexture(GL_TEXTURE_2D, id);
    const GLint filter = sampling.nearest ? GL_NEAREST : GL_LINEAR;
    const GLint wrap = sampling.clamp ? GL_CLAMP_TO_EDGE : GL_REPEAT;
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, filter);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, filter);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, wrap);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, wrap);
    glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
    glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA8, static_cast<GLsizei>(width), static_cast<GLsizei>(height), 0,
                 GL_RGBA, GL_UNSIGNED_BYTE, rgba);
    glBindTexture(GL_TEXTURE_2D, 0);
    // A texture larger than the driver takes, or no memory for it: refused like a bad file.
    if (glGetError() != GL_NO_ERROR) {
        glDeleteTextures(1, &id);
        return 0;
    }
    return id;
}

void GLVideoModule::releaseTexture(uint32_t id) {
    if (!contextOpen_)
        return;
    // Pending shapes may still be drawn with it; GL may hand its name out again.
    batch_.flush();
    if (boundTexture_ == id)
        boundTexture_ = 0;
    const GLuint name = id;
    glDeleteTextures(1, &name);
}

std::unique_ptr<FontFace> GLVideoModule::openFontFace(const std::string& path) {
    if (freeType_ == nullptr && FT_Init_FreeType(&freeType_) != 0) {
        freeType_ = nullptr;
        return nullptr;
    }
    std::vector<uint8_t> bytes;
    if (readGameFile(path, bytes) != GameFiles::Read::kRead)
        return nullptr;
    return FreeTypeFontFace::openBytes(freeType_, std::move(bytes));
}

std::string GLVideoModule::getFallbackFontPath() const {
    std::error_code error;
    if (std::filesystem::exists(kFallbackFontPath, error))
        return kFallbackFontPath;
    return findFontWithFontconfig(kFallbackFontPattern);
}
