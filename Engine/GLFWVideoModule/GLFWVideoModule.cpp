#include "Engine/GLFWVideoModule/GLFWVideoModule.h"

#include <cmath>
#include <filesystem>

#include "Engine/Assertion.h"
#include "Engine/FatalError.h"
#include "Engine/GLFWVideoModule/FreeTypeFontFace.h"
#include "Engine/GLFWVideoModule/Screenshot.h"
#include "Engine/GameBoard.h"
#include "Engine/GameSystem.h"
#include "Engine/ShapeType.h"

#define GLFW_INCLUDE_GLU
#include <GLFW/glfw3.h>
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

GLFWVideoModule::GLFWVideoModule(GameSystem* gameSystem) : VideoModule(gameSystem) {
    addTypeName("GLFWVideoModule");
}

GLFWVideoModule::~GLFWVideoModule() {
    // Textures go while their context is current; faces before the library that made them.
    deleteLoadedTextures();
    deleteFonts();
    closeWindow();
    if (freeType_ != nullptr)
        FT_Done_FreeType(freeType_);
}

bool GLFWVideoModule::init() {
    if (!VideoModule::init())
        fatalError("could not open window");
    return true;
}

void GLFWVideoModule::closeWindow() {
    if (window_ == nullptr)
        return;
    // Pending shapes belong to this window's context, which is still current.
    batch_.flush();
    ShapeBatch::setCurrent(nullptr);
    glfwDestroyWindow(window_);
    window_ = nullptr;
    setWindowOpen(false);
}

void GLFWVideoModule::applyWindowTitle() {
    if (window_ != nullptr)
        glfwSetWindowTitle(window_, getWindowTitle().c_str());
}

bool GLFWVideoModule::restartVideo() {
    glfwDefaultWindowHints();
    // A legacy context: a 3.2+ request without a profile gives a core profile, where immediate
    // mode and the fixed-function matrices fail silently.
    glfwWindowHint(GLFW_CONTEXT_VERSION_MAJOR, 2);
    glfwWindowHint(GLFW_CONTEXT_VERSION_MINOR, 1);
    glfwWindowHint(GLFW_SAMPLES, getAntialiasing() >= 1 ? getAntialiasing() : 0);
    glfwWindowHint(GLFW_RESIZABLE, GLFW_FALSE);
    glfwWindowHint(GLFW_DEPTH_BITS, 24);
    glfwWindowHint(GLFW_STENCIL_BITS, 0);
    GLFWmonitor* monitor = nullptr;
    if (isFullScreen()) {
        if (gameSystem_ != nullptr)
            gameSystem_->log("WARNING: forcing refresh rate to 60hz");
        glfwWindowHint(GLFW_REFRESH_RATE, 60);
        monitor = glfwGetPrimaryMonitor();
    }
    GLFWwindow* window =
        glfwCreateWindow(getDeviceWidth(), getDeviceHeight(), getWindowTitle().c_str(), monitor, nullptr);
    if (window == nullptr)
        return false;
    // The old context is still current: its textures are deleted there, and loaded again into
    // the new one on their next use.
    if (window_ != nullptr)
        releaseDeviceTextures();
    closeWindow();
    boundTexture_ = 0;
    window_ = window;
    glfwMakeContextCurrent(window_);
    ShapeBatch::setCurrent(&batch_);
    // The main loop paces itself; a blocking swap would only add to its sleep.
    glfwSwapInterval(0);
    // Hidden rather than disabled: a disabled cursor reports unbounded positions.
    glfwSetInputMode(window_, GLFW_CURSOR, GLFW_CURSOR_HIDDEN);

    int width = 0;
    int height = 0;
    glfwGetFramebufferSize(window_, &width, &height);
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
    return true;
}

void GLFWVideoModule::update(float deltaMS) {
    VideoModule::update(deltaMS);
    if (window_ == nullptr)
        return;
    updateWindowState(glfwWindowShouldClose(window_) != 0, glfwGetWindowAttrib(window_, GLFW_FOCUSED) != 0);
}

void GLFWVideoModule::deinit() {
    VideoModule::deinit();
}

// ---- Frame ---------------------------------------------------------------------------------

void GLFWVideoModule::drawSystemPauseScreen() {
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

void GLFWVideoModule::swapBuffers() {
    if (window_ == nullptr)
        return;
    batch_.flush();
    if (beforeSwap_)
        beforeSwap_();
    if (!screenshotFileName_.empty()) {
        Screenshot::capture(getViewportX(), getViewportY(), getScreenWidth(), getScreenHeight())
            .savePNG(screenshotFileName_);
        screenshotFileName_.clear();
    }
    glfwSwapBuffers(window_);
}

void GLFWVideoModule::setViewport() {
    batch_.flush();
    glViewport(getViewportX(), getViewportY(), getDeviceWidth() - 2 * getViewportX(),
               getDeviceHeight() - 2 * getViewportY());
    updateBatchView();
}

void GLFWVideoModule::updateBatchView() {
    float projection[16];
    glGetFloatv(GL_PROJECTION_MATRIX, projection);
    GLint viewport[4];
    glGetIntegerv(GL_VIEWPORT, viewport);
    batch_.setView(projection, viewport[2], viewport[3]);
}

void GLFWVideoModule::clearScreen() {
    if (window_ == nullptr)
        return;
    setViewport();
    glClearColor(0.0f, 0.0f, 0.0f, 0.0f);
    glClear(GL_COLOR_BUFFER_BIT);
}

void GLFWVideoModule::drawBlackBorders() {
    if (window_ == nullptr)
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

void GLFWVideoModule::loadProjection(auto&& project) {
    batch_.flush();
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    project();
    glMatrixMode(GL_MODELVIEW);
    modelView_.loadIdentity();
    updateBatchView();
}

void GLFWVideoModule::setupWorldView() {
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

void GLFWVideoModule::setupWorldOrthoView() {
    // A module without a game system shows a board of the default extent.
    static const GameBoard kDefaultBoard;
    const GameBoard* board = gameSystem_ != nullptr ? gameSystem_->getGameBoard() : nullptr;
    if (board == nullptr)
        board = &kDefaultBoard;
    const RealPoint min = board->getMinPos();
    const RealPoint max = board->getMaxPos();
    loadProjection([min, max] { glOrtho(min.x, max.x, min.y, max.y, -1.0, 1.0); });
}

void GLFWVideoModule::setupOrthoView() {
    loadProjection([] { glOrtho(0.0, 1.0, 0.0, 1.0, -1.0, 1.0); });
}

void GLFWVideoModule::setupAspectRatioOrthoView() {
    const double half = getAspectRatio() / 2.0;
    loadProjection([half] { glOrtho(-half, half, -0.5, 0.5, -1.0, 1.0); });
}

// ---- Drawing -------------------------------------------------------------------------------

void GLFWVideoModule::pushMatrix() {
    modelView_.push();
}
void GLFWVideoModule::popMatrix() {
    modelView_.pop();
}
void GLFWVideoModule::translate(float x, float y, float z) {
    modelView_.translate(x, y, z);
}
void GLFWVideoModule::rotateZ(float radians) {
    modelView_.rotate(radians * kDegreesPerRadian, 0.0f, 0.0f, 1.0f);
}
void GLFWVideoModule::rotateX(float radians) {
    modelView_.rotate(radians * kDegreesPerRadian, 1.0f, 0.0f, 0.0f);
}
void GLFWVideoModule::rotateY(float radians) {
    modelView_.rotate(radians * kDegreesPerRadian, 0.0f, 1.0f, 0.0f);
}
void GLFWVideoModule::scale(float x, float y, float z) {
    modelView_.scale(x, y, z);
}

void GLFWVideoModule::setColour(float red, float green, float blue, float alpha) {
    colour_[0] = red;
    colour_[1] = green;
    colour_[2] = blue;
    colour_[3] = alpha;
}

void GLFWVideoModule::plotTexturedVertex(float x, float y, float z, float u, float v) {
    float eye[3];
    modelView_.transform(x, y, z, eye);
    batch_.addTexturedVertex(eye, colour_, u, v);
}

void GLFWVideoModule::plotVertex(float x, float y, float z) {
    // Outside a shape a vertex means nothing (GL ignores it too); the batch drops it.
    float eye[3];
    modelView_.transform(x, y, z, eye);
    batch_.addVertex(eye, colour_);
}

void GLFWVideoModule::beginPrimitive(int shapeType) {
    batch_.beginShape(primitiveFor(shapeType), boundTexture_);
}

void GLFWVideoModule::endPrimitive() {
    if (window_ == nullptr) {
        batch_.discard();
        return;
    }
    batch_.endShape();
}

void GLFWVideoModule::clearDepthBuffer() {
    if (window_ == nullptr)
        return;
    batch_.flush();
    glClear(GL_DEPTH_BUFFER_BIT);
}

void GLFWVideoModule::applyDepthTest(bool enabled) {
    // The batch carries the depth test with each shape and switches GL's as it draws.
    if (window_ == nullptr || enabled == depthTestApplied_)
        return;
    depthTestApplied_ = enabled;
    batch_.setDepthTest(enabled);
}

void GLFWVideoModule::applyDepthWrite(bool enabled) {
    if (window_ == nullptr || enabled == depthWriteApplied_)
        return;
    batch_.flush();
    depthWriteApplied_ = enabled;
    glDepthMask(enabled ? GL_TRUE : GL_FALSE);
}

void GLFWVideoModule::applyLineWidth(float pixels) {
    if (window_ == nullptr || pixels == lineWidthApplied_)
        return;
    batch_.flush();
    lineWidthApplied_ = pixels;
    glLineWidth(pixels);
    batch_.setLineWidth(pixels);
}

// ---- Textures and fonts --------------------------------------------------------------------

void GLFWVideoModule::bindTexture(const Texture* texture) {
    boundTexture_ = texture != nullptr ? texture->getId() : 0;
}

void GLFWVideoModule::endTexture() {
    boundTexture_ = 0;
}

uint32_t GLFWVideoModule::uploadTexture(const uint8_t* rgba, uint32_t width, uint32_t height) {
    if (window_ == nullptr)
        return 0;
    // Errors left by earlier calls must not be taken for this upload's.
    while (glGetError() != GL_NO_ERROR) {
    }
    GLuint id = 0;
    glGenTextures(1, &id);
    glBindTexture(GL_TEXTURE_2D, id);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
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

void GLFWVideoModule::releaseTexture(uint32_t id) {
    if (window_ == nullptr)
        return;
    // Pending shapes may still be drawn with it; GL may hand its name out again.
    batch_.flush();
    if (boundTexture_ == id)
        boundTexture_ = 0;
    const GLuint name = id;
    glDeleteTextures(1, &name);
}

std::unique_ptr<FontFace> GLFWVideoModule::openFontFace(const std::string& path) {
    if (freeType_ == nullptr && FT_Init_FreeType(&freeType_) != 0) {
        freeType_ = nullptr;
        return nullptr;
    }
    return FreeTypeFontFace::open(freeType_, path);
}

std::string GLFWVideoModule::getFallbackFontPath() const {
    std::error_code error;
    if (std::filesystem::exists(kFallbackFontPath, error))
        return kFallbackFontPath;
    return findFontWithFontconfig(kFallbackFontPattern);
}
