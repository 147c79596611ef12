#include "Engine/VideoModule.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <limits>
#include <optional>
#include <sstream>

#include "Engine/Assertion.h"
#include "Engine/Colour.h"
#include "Engine/ColourManager.h"
#include "Engine/Entity.h"
#include "Engine/FilePath.h"
#include "Engine/FontFace.h"
#include "Engine/GameSystem.h"
#include "Engine/ParticleManager.h"
#include "Engine/PhysicsData.h"
#include "Engine/RealPoint.h"
#include "Engine/ShapeType.h"
#include "Engine/SimulationTimer.h"
#include "Engine/TextureImageLoader.h"

namespace {

// The reference width the line width is given in.
constexpr float kLineWidthReferencePixels = 800.0f;

// The board position that orders entities in Y-depth mode: the body's y. A NaN y counts as the
// top of the board, so the sort always sees a strict order.
float drawDepthOf(const Entity* entity) {
    const PhysicsData* body = entity->getPhysicsData();
    const float y = body != nullptr ? body->getPos().y : 0.0f;
    return std::isnan(y) ? std::numeric_limits<float>::infinity() : y;
}

// Corners of the full-area quad that clear draws in the (0, 1) x (0, 1) view.
constexpr float kUnitQuad[4][2] = {{0.0f, 0.0f}, {1.0f, 0.0f}, {1.0f, 1.0f}, {0.0f, 1.0f}};

// The overlay's text height and the margin of its background around the text, in units of the
// drawing area's height.
constexpr float kFPSTextHeight = 0.03f;
constexpr float kFPSMargin = 0.007f;
// Without a font the background is sized for glyphs 0.6 of the text height wide.
constexpr float kFPSGlyphWidth = 0.6f * kFPSTextHeight;

// Paths longer than this are treated as a failed open, like any other unusable name.
constexpr std::size_t kPathBufferSize = 1024;

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
    if (windowOpen_)
        releaseDeviceTextures();
    setDeviceSize(deviceWidth_, deviceHeight_);
    clearScreen();
    windowOpen_ = true;
    return true;
}

bool VideoModule::restartVideo(int width, int height, bool fullScreen) {
    return restartVideo(width, height, fullScreen, antialiasing_);
}

const std::string& VideoModule::getCaptureFailure() const {
    static const std::string kNone;
    return kNone;
}

void VideoModule::setFixedDeviceSize(int width, int height) {
    if (width <= 0 || height <= 0)
        return;
    fixedWidth_ = width;
    fixedHeight_ = height;
    deviceWidth_ = width;
    deviceHeight_ = height;
}

bool VideoModule::restartVideo(int width, int height, bool fullScreen, int antialiasing) {
    if (width <= 0 || height <= 0)
        return false;
    if (fixedWidth_ > 0) {
        width = fixedWidth_;
        height = fixedHeight_;
    }
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
    std::ostringstream stream;
    stream.precision(3);
    stream << "FPS: " << framesPerSecond_ << " (" << frameMS_ << "ms)";
    const std::string text = stream.str();
    setupAspectRatioOrthoView();
    pushAttributes();
    setAttrDepthTest(false);
    const float corner = -aspectRatio_ / 2.0f;
    const float bottom = -0.5f;
    // Measured first at a baseline of 0, then lifted so the lowest glyph clears the margin.
    PrintInfo bounds;
    bounds.shouldDraw = false;
    float textLeft = corner + kFPSMargin;
    float textRight = textLeft + kFPSGlyphWidth * static_cast<float>(text.size());
    float textBottom = 0.0f;
    float textTop = kFPSTextHeight;
    const bool hasFont = getCurrentFont() != nullptr;
    if (hasFont) {
        print(textLeft, textLeft, 0.0f, 0.0f, text, kFPSTextHeight, TEXTALIGN_LEFT, &bounds);
        textRight = bounds.right;
        textBottom = bounds.bottom;
        textTop = bounds.top;
    }
    const float baseline = bottom + kFPSMargin - textBottom;
    setColour("fpsColourBG", 1.0f);
    beginShape(SHAPETYPE_QUADS);
    plotVertex(corner, bottom, 0.0f);
    plotVertex(textRight + kFPSMargin, bottom, 0.0f);
    plotVertex(textRight + kFPSMargin, baseline + textTop + kFPSMargin, 0.0f);
    plotVertex(corner, baseline + textTop + kFPSMargin, 0.0f);
    endShape();
    if (hasFont) {
        setColour("fpsColour", 1.0f);
        print(textLeft, textLeft, baseline, 0.0f, text, kFPSTextHeight);
    }
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
    std::erase_if(drawList_,
                  [deleted](const Entity* e) { return static_cast<const LinkedObject*>(e) == deleted; });
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

void VideoModule::drawRect(float x, float y, float width, float height, bool filled) {
    const float corners[4][2] = {{x, y}, {x + width, y}, {x + width, y + height}, {x, y + height}};
    beginShape(filled ? SHAPETYPE_QUADS : SHAPETYPE_LINES);
    for (int i = 0; i < 4; ++i) {
        plotVertex(corners[i][0], corners[i][1], 0.0f);
        // An outline is four segments, so that it joins the batch's line list.
        if (!filled)
            plotVertex(corners[(i + 1) % 4][0], corners[(i + 1) % 4][1], 0.0f);
    }
    endShape();
}

void VideoModule::drawCircle(float x, float y, float radius, bool filled) {
    // Sides short enough that the middle of each lies within a quarter pixel of the true circle.
    constexpr int kFewestSides = 12;
    constexpr int kMostSides = 360;
    constexpr float kTwoPi = 6.2831853f;
    const float pixels = std::fabs(getPixelLength(x, y, 0.0f, radius));
    int sides = kFewestSides;
    if (pixels > 0.25f && std::isfinite(pixels)) {
        const float step = 2.0f * std::acos(1.0f - 0.25f / pixels);
        sides = static_cast<int>(std::clamp(std::ceil(kTwoPi / step), static_cast<float>(kFewestSides),
                                            static_cast<float>(kMostSides)));
    }
    auto at = [&](int side, float& px, float& py) {
        const float a = kTwoPi * static_cast<float>(side % sides) / static_cast<float>(sides);
        px = x + radius * std::cos(a);
        py = y + radius * std::sin(a);
    };
    float px = 0.0f, py = 0.0f;
    if (filled) {
        beginShape(SHAPETYPE_TRIANGLEFAN);
        plotVertex(x, y, 0.0f);
        for (int side = 0; side <= sides; ++side) {
            at(side, px, py);
            plotVertex(px, py, 0.0f);
        }
    } else {
        beginShape(SHAPETYPE_LINES);
        for (int side = 0; side < sides; ++side) {
            at(side, px, py);
            plotVertex(px, py, 0.0f);
            at(side + 1, px, py);
            plotVertex(px, py, 0.0f);
        }
    }
    endShape();
}

void VideoModule::drawLine(float x1, float y1, float x2, float y2) {
    beginShape(SHAPETYPE_LINES);
    plotVertex(x1, y1, 0.0f);
    plotVertex(x2, y2, 0.0f);
    endShape();
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

// ---- Textures ------------------------------------------------------------------------------

const Texture* VideoModule::loadTexture(const std::string& name) {
    const auto found = textures_.find(name);
    if (found != textures_.end())
        return found->second.get();
    Image image;
    std::unique_ptr<Texture> texture;
    if (TextureImageLoader::load(name, image))
        texture = createTexture(image, getTextureSampling(name));
    if (texture == nullptr) {
        if (gameSystem_ != nullptr) {
            const std::string message = "Error!  Could not load texture: " + name;
            gameSystem_->log(message);
            // A texture is looked up on every draw: standard error hears of it once.
            if (failedTextures_.insert(name).second)
                gameSystem_->reportError(message);
        }
        return nullptr;
    }
    return textures_.emplace(name, std::move(texture)).first->second.get();
}

void VideoModule::deleteLoadedTextures() {
    for (auto& [name, texture] : textures_) releaseTexture(texture->getId());
    textures_.clear();
}

void VideoModule::beginTexture(const std::string& name) {
    const Texture* texture = loadTexture(name);
    imageExtent_[0] = texture != nullptr ? texture->getUExtent() : 1.0f;
    imageExtent_[1] = texture != nullptr ? texture->getVExtent() : 1.0f;
    bindTexture(texture);
}

void VideoModule::plotImageVertex(float x, float y, float z, float u, float v) {
    plotTexturedVertex(x, y, z, u * imageExtent_[0], v * imageExtent_[1]);
}

void VideoModule::setTextureSampling(const std::string& name, TextureSampling sampling) {
    if (getTextureSampling(name) == sampling)
        return;
    samplings_[name] = sampling;
    const auto found = textures_.find(name);
    if (found != textures_.end()) {
        releaseTexture(found->second->getId());
        textures_.erase(found);
    }
}

TextureSampling VideoModule::getTextureSampling(const std::string& name) const {
    const auto found = samplings_.find(name);
    return found != samplings_.end() ? found->second : TextureSampling{};
}

void VideoModule::drawSprite(const std::string& name, float sx, float sy, float sw, float sh, float x,
                             float y, float w, float h, bool flipX, bool flipY, float angle) {
    drawSprite(loadTexture(name), sx, sy, sw, sh, x, y, w, h, flipX, flipY, angle);
}

void VideoModule::drawSprite(const Texture* texture, float sx, float sy, float sw, float sh, float x, float y,
                             float w, float h, bool flipX, bool flipY, float angle) {
    float left = 0.0f, top = 0.0f, right = 0.0f, bottom = 0.0f;
    if (texture != nullptr) {
        // Linear filtering blends the texels around a sample; half a texel in from the cell's
        // edges it reaches none outside. Nearest sampling never leaves the cell.
        const float inset = texture->getSampling().nearest ? 0.0f : 0.5f;
        const float insetX = std::min(inset, std::fabs(sw) / 2.0f) * (sw < 0.0f ? -1.0f : 1.0f);
        const float insetY = std::min(inset, std::fabs(sh) / 2.0f) * (sh < 0.0f ? -1.0f : 1.0f);
        const auto texelsWide = static_cast<float>(texture->getTextureWidth());
        const auto texelsHigh = static_cast<float>(texture->getTextureHeight());
        left = (sx + insetX) / texelsWide;
        right = (sx + sw - insetX) / texelsWide;
        top = (sy + insetY) / texelsHigh;
        bottom = (sy + sh - insetY) / texelsHigh;
    }
    if (flipX)
        std::swap(left, right);
    if (flipY)
        std::swap(top, bottom);
    // Corners about the centre, turned by the angle: lower left, lower right, upper right, upper left.
    const float cx = x + w / 2.0f;
    const float cy = y + h / 2.0f;
    const float c = std::cos(angle);
    const float s = std::sin(angle);
    const float corners[4][2] = {
        {-w / 2.0f, -h / 2.0f}, {w / 2.0f, -h / 2.0f}, {w / 2.0f, h / 2.0f}, {-w / 2.0f, h / 2.0f}};
    const float texCoords[4][2] = {{left, bottom}, {right, bottom}, {right, top}, {left, top}};
    bindTexture(texture);
    beginShape(SHAPETYPE_QUADS);
    for (int i = 0; i < 4; ++i) {
        const float px = corners[i][0];
        const float py = corners[i][1];
        plotTexturedVertex(cx + c * px - s * py, cy + s * px + c * py, 0.0f, texCoords[i][0],
                           texCoords[i][1]);
    }
    endShape();
    endTexture();
}

void VideoModule::drawTexture(const float corners[4][3], const std::string& name) {
    drawTexture(corners, loadTexture(name));
}

void VideoModule::drawTexture(const float corners[4][3], const Texture* texture) {
    const float u = texture != nullptr ? texture->getUExtent() : 0.0f;
    const float v = texture != nullptr ? texture->getVExtent() : 0.0f;
    // Image rows are stored top first, so v grows downwards: the lower corners take v.
    const float texCoords[4][2] = {{0.0f, v}, {u, v}, {u, 0.0f}, {0.0f, 0.0f}};
    bindTexture(texture);
    beginShape(SHAPETYPE_QUADS);
    for (int i = 0; i < 4; ++i)
        plotTexturedVertex(corners[i][0], corners[i][1], corners[i][2], texCoords[i][0], texCoords[i][1]);
    endShape();
    endTexture();
}

std::unique_ptr<Texture> VideoModule::createTexture(const Image& image, TextureSampling sampling) {
    if (image.width == 0 || image.height == 0 ||
        image.pixels.size() < static_cast<std::size_t>(image.width) * image.height * 4)
        return nullptr;
    const std::vector<uint8_t> padded = Texture::padToTextureSize(image, sampling.clamp);
    const uint32_t id = uploadTexture(padded.data(), Texture::powerOfTwoAtLeast(image.width),
                                      Texture::powerOfTwoAtLeast(image.height), sampling);
    if (id == 0)
        return nullptr;
    return std::make_unique<Texture>(id, image.width, image.height, sampling);
}

void VideoModule::deleteTexture(std::unique_ptr<Texture> texture) {
    if (texture != nullptr)
        releaseTexture(texture->getId());
}

void VideoModule::releaseDeviceTextures() {
    deleteLoadedTextures();
    releaseFontGlyphs();
}

// ---- Text ----------------------------------------------------------------------------------

Font* VideoModule::openFont(const std::string& fileName) {
    const auto found = fonts_.find(fileName);
    if (found != fonts_.end())
        return found->second.get();
    std::unique_ptr<FontFace> face;
    if (const std::optional<std::string> path = makeFilePath(fileName, kPathBufferSize))
        face = openFontFace(*path);
    // A game without its own default font still gets readable text and frame-rate figures.
    if (face == nullptr && fileName == kDefaultFontName) {
        const std::string fallback = getFallbackFontPath();
        if (!fallback.empty())
            face = openFontFace(fallback);
    }
    if (face == nullptr) {
        if (failedFonts_.insert(fileName).second && gameSystem_ != nullptr) {
            const std::string message = "Error!  Could not load font: " + fileName;
            gameSystem_->log(message);
            // The default font is the engine's choice, not the game's, unless it has the file.
            if (fileName != kDefaultFontName)
                gameSystem_->reportError(message);
        }
        return nullptr;
    }
    return fonts_.emplace(fileName, std::make_unique<Font>(fileName, std::move(face))).first->second.get();
}

bool VideoModule::setFont(const std::string& fileName) {
    Font* font = openFont(fileName);
    if (font == nullptr)
        return false;
    currentFont_ = font;
    return true;
}

Font* VideoModule::getCurrentFont() {
    if (currentFont_ == nullptr && !defaultFontTried_) {
        defaultFontTried_ = true;
        currentFont_ = openFont(kDefaultFontName);
    }
    return currentFont_;
}

float VideoModule::getTextWidth(const std::string& text, float height) {
    Font* font = getCurrentFont();
    if (font == nullptr || text.empty())
        return 0.0f;
    float width = 0.0f;
    for (std::size_t i = 0; i < text.size(); ++i) {
        const Glyph& glyph = font->getGlyph(static_cast<unsigned char>(text[i]));
        if (i == 0)
            width += height * (glyph.advance - glyph.leftBearing);
        else if (i + 1 == text.size())
            width += height * (glyph.leftBearing + glyph.width);
        else
            width += height * glyph.advance;
    }
    return width;
}

float VideoModule::print(float left, float right, float y, float z, const std::string& text, float height,
                         int alignment, PrintInfo* info) {
    if (info != nullptr) {
        // Inverted, so that the first glyph sets them.
        info->left = right;
        info->right = left;
        info->top = y;
        info->bottom = y;
    }
    Font* font = getCurrentFont();
    if (font == nullptr)
        return 0.0f;
    const float wrapWidth = right - left;
    std::string line;
    float lineWidth = 0.0f;
    bool lineHasWord = false;
    std::string word;
    float wordWidth = 0.0f;
    float baseline = y;
    int lines = 1;
    for (std::size_t i = 0; i <= text.size(); ++i) {
        const bool atEnd = i == text.size();
        if (!atEnd && text[i] != ' ') {
            word += text[i];
            wordWidth += height * font->getGlyph(static_cast<unsigned char>(text[i])).advance;
            continue;
        }
        if (wrapWidth != 0.0f && lineHasWord && !word.empty() && !(lineWidth + wordWidth < wrapWidth)) {
            printLine(*font, line, left, right, baseline, z, height, alignment, info);
            baseline -= height;
            ++lines;
            line.clear();
            lineWidth = 0.0f;
            lineHasWord = false;
        }
        line += word;
        lineWidth += wordWidth;
        lineHasWord = lineHasWord || !word.empty();
        if (!atEnd) {
            line += ' ';
            lineWidth += height * font->getGlyph(' ').advance;
        }
        word.clear();
        wordWidth = 0.0f;
    }
    printLine(*font, line, left, right, baseline, z, height, alignment, info);
    return static_cast<float>(lines) * height;
}

void VideoModule::printLine(Font& font, const std::string& line, float left, float right, float y, float z,
                            float height, int alignment, PrintInfo* info) {
    const float lineWidth = getTextWidth(line, height);
    float x = left;
    switch (alignment) {
        case TEXTALIGN_LEFT:
            break;
        case TEXTALIGN_RIGHT:
            x = right - lineWidth;
            break;
        case TEXTALIGN_CENTER:
            x = left + (right - left) / 2.0f - lineWidth / 2.0f;
            break;
        default:
            TACT_ASSERT(false, "false");
            break;
    }
    const bool draw = info == nullptr || info->shouldDraw;
    const Texture* texture = nullptr;
    // The layout is band 0's; the glyphs are drawn from the band of the text's size on screen.
    int band = 0;
    if (draw) {
        band = Font::bandForPixels(getPixelLength(x, y, z, height));
        if (band != 0) {
            for (const char c : line) font.getGlyph(static_cast<unsigned char>(c), band);
        }
        // Every glyph of the line is in the band's atlas by now, so one texture serves the whole
        // line. The depth test is off for the line rather than per glyph: the same picture,
        // without a state change between quads.
        texture = font.prepareTexture(*this, band);
        pushAttributes();
        setAttrDepthTest(false);
        bindTexture(texture);
    }
    for (std::size_t i = 0; i < line.size(); ++i) {
        const Glyph& glyph = font.getGlyph(static_cast<unsigned char>(line[i]));
        if (i > 0)
            x += height * glyph.leftBearing;
        const float bottom = y - height * glyph.descent;
        const float top = bottom + height * glyph.height;
        const float glyphRight = x + height * glyph.width;
        if (info != nullptr) {
            if (i == 0)
                info->left = std::min(info->left, x);
            info->right = std::max(info->right, glyphRight);
            info->top = std::max(info->top, top);
            info->bottom = std::min(info->bottom, bottom);
        }
        const Glyph& drawn = band == 0 ? glyph : font.getGlyph(static_cast<unsigned char>(line[i]), band);
        if (draw && texture != nullptr && !drawn.isEmpty()) {
            const std::array<float, 4> uv = font.getTexCoords(drawn, band);
            // A larger band's glyph sits at the same pen position, with its own (finer) box.
            const float quadLeft = band == 0 ? x : x + height * (drawn.leftBearing - glyph.leftBearing);
            const float quadBottom = band == 0 ? bottom : y - height * drawn.descent;
            const float quadTop = band == 0 ? top : quadBottom + height * drawn.height;
            const float quadRight = band == 0 ? glyphRight : quadLeft + height * drawn.width;
            beginShape(SHAPETYPE_QUADS);
            plotTexturedVertex(quadLeft, quadBottom, z, uv[0], uv[3]);
            plotTexturedVertex(quadRight, quadBottom, z, uv[2], uv[3]);
            plotTexturedVertex(quadRight, quadTop, z, uv[2], uv[1]);
            plotTexturedVertex(quadLeft, quadTop, z, uv[0], uv[1]);
            endShape();
        }
        x += height * glyph.advance - height * glyph.leftBearing;
    }
    if (draw) {
        endTexture();
        popAttributes();
    }
}

void VideoModule::releaseFontGlyphs() {
    for (auto& [name, font] : fonts_) font->releaseGlyphs(*this);
}

void VideoModule::deleteFonts() {
    releaseFontGlyphs();
    fonts_.clear();
    currentFont_ = nullptr;
    defaultFontTried_ = false;
    failedFonts_.clear();
}

void VideoModule::deinit() {
    deleteLoadedTextures();
    deleteFonts();
}

bool VideoModule::setWindowTitle(const std::string& title) {
    if (title.size() > kMaxWindowTitleBytes)
        return false;
    for (const char c : title) {
        if (static_cast<unsigned char>(c) < 0x20 || c == 0x7f)
            return false;
    }
    windowTitle_ = title;
    applyWindowTitle();
    return true;
}
