#include "Engine/VideoModule.h"

#include <algorithm>
#include <cmath>
#include <sstream>

#include "Engine/Assertion.h"
#include "Engine/Colour.h"
#include "Engine/ColourManager.h"
#include "Engine/Entity.h"
#include "Engine/GameSystem.h"
#include "Engine/ParticleManager.h"
#include "Engine/RealPoint.h"
#include "Engine/ShapeType.h"
#include "Engine/SimulationTimer.h"

namespace {

// The reference width the line width is given in.
constexpr float kLineWidthReferencePixels = 800.0f;

// The board position that orders entities in Y-depth mode.
// TODO: the body position's y once entities carry their physics body; until then every entity
// has the same depth and Y depth only switches the depth test off.
float drawDepthOf(const Entity*) {
    return 0.0f;
}

// Corners of the full-area quad that clear draws in the (0, 1) x (0, 1) view.
constexpr float kUnitQuad[4][2] = {{0.0f, 0.0f}, {1.0f, 0.0f}, {1.0f, 1.0f}, {0.0f, 1.0f}};

// The overlay's text height and the margin of its background around the text, in units of the
// drawing area's height.
constexpr float kFPSTextHeight = 0.03f;
constexpr float kFPSMargin = 0.007f;
// Until text can be measured, an average glyph is taken as 0.6 of the text height wide.
constexpr float kFPSGlyphWidth = 0.6f * kFPSTextHeight;

}  // namespace

VideoModule::VideoModule(GameSystem* gameSystem)
    : EngineModule(gameSystem), frameRateTimer_(std::make_unique<SteadySimulationTimer>()) {
    addTypeName("VideoModule");
}

VideoModule::~VideoModule() = default;

bool VideoModule::init() {
    const bool opened = restartVideo();
    applyAttributes();
    frameRateTimer_->start();
    EngineModule::init();
    return opened;
}

bool VideoModule::restartVideo() {
    setDeviceSize(deviceWidth_, deviceHeight_);
    clearScreen();
    windowOpen_ = true;
    return true;
}

bool VideoModule::restartVideo(int width, int height, bool fullScreen) {
    return restartVideo(width, height, fullScreen, antialiasing_);
}

bool VideoModule::restartVideo(int width, int height, bool fullScreen, int antialiasing) {
    if (width <= 0 || height <= 0)
        return false;
    const int oldWidth = deviceWidth_;
    const int oldHeight = deviceHeight_;
    const bool oldFullScreen = fullScreen_;
    const int oldAntialiasing = antialiasing_;
    deviceWidth_ = width;
    deviceHeight_ = height;
    fullScreen_ = fullScreen;
    antialiasing_ = antialiasing;
    if (restartVideo())
        return true;
    // The platform keeps its old window when a new one is refused, so the fields follow it back.
    deviceWidth_ = oldWidth;
    deviceHeight_ = oldHeight;
    fullScreen_ = oldFullScreen;
    antialiasing_ = oldAntialiasing;
    setDeviceSize(oldWidth, oldHeight);
    return false;
}

void VideoModule::setDeviceSize(int width, int height) {
    deviceWidth_ = width;
    deviceHeight_ = height;
    area_ = DrawingArea::compute(width, height, aspectRatio_, horizontalShift_, verticalShift_);
}

void VideoModule::setHorizontalShift(int pixels) {
    horizontalShift_ = pixels;
    clearScreen();
    verticalShift_ = DrawingArea::verticalShiftFor(pixels, aspectRatio_);
    setDeviceSize(deviceWidth_, deviceHeight_);
}

// ---- Frame ---------------------------------------------------------------------------------

void VideoModule::renderFrame() {
    pushAttributes();
    clearDepthBuffer();
    if (gameSystem_ != nullptr)
        gameSystem_->callPreDrawHooks();
    drawEntityPasses();
    if (gameSystem_ != nullptr)
        gameSystem_->callPostDrawHooks();
    measureFrameRate();
    if (showingFPS_)
        drawFPSOverlay();
    popAttributes();
    swapBuffers();
}

void VideoModule::drawEntityPasses() {
    if (yDepth_) {
        std::sort(drawList_.begin(), drawList_.end(),
                  [](const Entity* a, const Entity* b) { return drawDepthOf(a) > drawDepthOf(b); });
        setAttrDepthTest(false);
    }
    setupWorldView();
    ParticleManager* particles = gameSystem_ != nullptr ? gameSystem_->getParticleManager() : nullptr;

    // Indexes, not iterators: a draw call must not be able to invalidate the walk.
    for (std::size_t i = 0; i < drawList_.size(); ++i) {
        if (!drawList_[i]->isInvisible())
            drawList_[i]->draw();
    }
    if (particles != nullptr)
        particles->drawParticles();

    pushAttributes();
    setAttrDepthWrite(false);
    for (std::size_t i = 0; i < drawList_.size(); ++i) {
        if (!drawList_[i]->isInvisible() && !drawList_[i]->isPlayer())
            drawList_[i]->drawAlpha();
    }
    for (std::size_t i = 0; i < drawList_.size(); ++i) {
        if (!drawList_[i]->isInvisible() && drawList_[i]->isPlayer())
            drawList_[i]->drawAlpha();
    }
    popAttributes();
    pushAttributes();
    setAttrDepthWrite(false);
    if (particles != nullptr)
        particles->drawParticlesAlpha();
    popAttributes();
}

void VideoModule::setFrameRateTimer(std::unique_ptr<SimulationTimer> timer) {
    if (timer)
        frameRateTimer_ = std::move(timer);
}

int VideoModule::framesPerSecondFor(float frameMS) {
    if (!(frameMS > 0.0f) || !std::isfinite(frameMS))
        return 0;
    const float fps = 1000.0f / frameMS;
    // A frame shorter than a microsecond would overflow the int; such a figure means nothing anyway.
    return fps >= 1.0e9f ? 1000000000 : static_cast<int>(fps);
}

void VideoModule::measureFrameRate() {
    frameMS_ = frameRateTimer_->getElapsedMS();
    framesPerSecond_ = framesPerSecondFor(frameMS_);
}

void VideoModule::drawFPSOverlay() {
    std::ostringstream text;
    text.precision(3);
    text << "FPS: " << framesPerSecond_ << " (" << frameMS_ << "ms)";
    const float textWidth = kFPSGlyphWidth * static_cast<float>(text.str().size());
    setupAspectRatioOrthoView();
    pushAttributes();
    setAttrDepthTest(false);
    const float left = -aspectRatio_ / 2.0f;
    const float bottom = -0.5f;
    const float right = left + textWidth + 2.0f * kFPSMargin;
    const float top = bottom + kFPSTextHeight + 2.0f * kFPSMargin;
    setColour("fpsColourBG", 1.0f);
    beginShape(SHAPETYPE_QUADS);
    plotVertex(left, bottom, 0.0f);
    plotVertex(right, bottom, 0.0f);
    plotVertex(right, top, 0.0f);
    plotVertex(left, top, 0.0f);
    endShape();
    // TODO: print the text in "fpsColour" at kFPSTextHeight once fonts exist.
    popAttributes();
}

void VideoModule::updateWindowState(bool closedByUser, bool focused) {
    if (closedByUser && gameSystem_ != nullptr)
        gameSystem_->quit();
    if (windowActive_ && !focused) {
        windowActive_ = false;
        if (gameSystem_ != nullptr)
            gameSystem_->onTaskSwitch();
    } else if (!windowActive_ && focused) {
        windowActive_ = true;
        drawBlackBorders();
    }
}

// ---- Draw list -----------------------------------------------------------------------------

void VideoModule::onEntityCreate(Entity* entity) {
    if (entity == nullptr)
        return;
    drawList_.push_back(entity);
    // An entity destroyed without a flush (by native code) never announces its deletion; the link
    // makes sure the draw list hears of it anyway.
    link(entity);
}

void VideoModule::onEntityDelete(Entity* entity) {
    std::erase(drawList_, entity);
}

void VideoModule::onLinkedObjectDeleted(LinkedObject* deleted) {
    std::erase_if(drawList_, [deleted](const Entity* e) { return static_cast<const LinkedObject*>(e) == deleted; });
}

void VideoModule::setAspectRatio(float aspectRatio) {
    if (!(aspectRatio > 0.0f) || !std::isfinite(aspectRatio))
        return;
    aspectRatio_ = aspectRatio;
}

void VideoModule::beginShape(int shapeType) {
    if (shapeType < SHAPETYPE_QUADS || shapeType > SHAPETYPE_LINELOOP)
        TACT_ASSERT(false, "false");
    if (isLineShapeType(shapeType)) {
        lineShapeOpen_ = true;
        pushAttributes();
        setAttrDepthTest(false);
    }
    beginPrimitive(shapeType);
}

void VideoModule::endShape() {
    endPrimitive();
    if (lineShapeOpen_) {
        popAttributes();
        lineShapeOpen_ = false;
    }
}

void VideoModule::setColour(int colourId, float alpha) {
    ColourManager* colours = gameSystem_ != nullptr ? gameSystem_->getColourManager() : nullptr;
    setColour(colours != nullptr ? colours->getColour(colourId) : Colour(), alpha);
}

void VideoModule::setColour(const std::string& colourName, float alpha) {
    ColourManager* colours = gameSystem_ != nullptr ? gameSystem_->getColourManager() : nullptr;
    setColour(colours != nullptr ? colours->getColour(colourName) : Colour(), alpha);
}

void VideoModule::setColour(const Colour& colour, float alpha) {
    setColour(colour.getRed(), colour.getGreen(), colour.getBlue(), alpha);
}

void VideoModule::plotVertex(const RealPoint& point, float z) {
    plotVertex(point.x, point.y, z);
}

void VideoModule::clear(float red, float green, float blue, float alpha) {
    pushAttributes();
    setAttrDepthTest(false);
    setAttrDepthWrite(false);
    setupOrthoView();
    setColour(red, green, blue, alpha);
    beginShape(SHAPETYPE_QUADS);
    for (const auto& corner : kUnitQuad) plotVertex(corner[0], corner[1], 0.0f);
    endShape();
    popAttributes();
}

void VideoModule::setLineWidth(float width) {
    applyLineWidth(static_cast<float>(area_.screenWidth) / kLineWidthReferencePixels * width);
}

void VideoModule::setAttrDepthTest(bool enabled) {
    attributes_ = enabled ? (attributes_ | kDepthTestBit) : (attributes_ & ~kDepthTestBit);
    applyDepthTest(enabled);
}

void VideoModule::setAttrDepthWrite(bool enabled) {
    attributes_ = enabled ? (attributes_ | kDepthWriteBit) : (attributes_ & ~kDepthWriteBit);
    applyDepthWrite(enabled);
}

void VideoModule::pushAttributes() {
    attributesStack_.push_back(attributes_);
}

void VideoModule::popAttributes() {
    if (!TACT_ASSERT(!attributesStack_.empty(), "attributesStack.size()>0"))
        return;
    attributes_ = attributesStack_.back();
    attributesStack_.pop_back();
    applyAttributes();
}

void VideoModule::clearAttributes() {
    attributes_ = kDepthTestBit | kDepthWriteBit;
    applyAttributes();
}

void VideoModule::clearAttributesStack() {
    attributesStack_.clear();
    clearAttributes();
}

void VideoModule::applyAttributes() {
    applyDepthTest(isAttrDepthTest());
    applyDepthWrite(isAttrDepthWrite());
}
