// The window, the frame and drawing. The platform-independent part lives here: the window and
// drawing-area sizes, the camera, the frame-rate figure, the draw list and the frame's passes, the
// drawing operations every entity, particle and script uses, the colour lookups and the depth
// attribute stack. The module that owns a real window and GL context derives from it in its
// platform folder and overrides the primitives (the protected apply/begin/end operations, the
// views, and the matrix, colour and vertex operations).
#pragma once

#include <cstdint>
#include <deque>
#include <map>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "Engine/Camera.h"
#include "Engine/DrawingArea.h"
#include "Engine/EngineModule.h"
#include "Engine/Font.h"
#include "Engine/PrintInfo.h"
#include "Engine/Texture.h"

class Colour;
class Entity;
class FontFace;
class SimulationTimer;
struct RealPoint;

class VideoModule : public EngineModule {
  public:
    explicit VideoModule(GameSystem* gameSystem);
    ~VideoModule() override;

    // Opens the window (restartVideo), applies the attributes and starts the frame-rate clock;
    // false when the window could not be opened.
    bool init() override;

    // Releases the video resources before the module is deleted: the cached textures and every
    // font with its glyph textures. Platform modules call it while their device still exists.
    virtual void deinit();
    // Draws one frame.
    virtual void render() = 0;
    virtual void drawSystemPauseScreen() = 0;
    // Presents the frame.
    virtual void swapBuffers() {}
    // Sets the viewport on the drawing area and clears the colour buffer to black.
    virtual void clearScreen() = 0;
    // Saves the drawing area of the next finished frame to [fileName] as PNG (nothing without a
    // window). While it waits, the game loop draws the frame after the next tick even when it is
    // behind schedule.
    virtual void requestScreenshot(const std::string& /*fileName*/) {}
    // A requested screenshot waits for its frame.
    virtual bool isScreenshotPending() const { return false; }
    // Saves every [every]-th finished frame, the first included, as [folder]/frame-NNNNNN.png,
    // numbered from 0 (nothing without a window); [every] 0 stops.
    virtual void setFrameSequence(const std::string& /*folder*/, int /*every*/) {}
    // The first screenshot or sequence file that could not be written; empty while all were.
    virtual const std::string& getCaptureFailure() const;
    int getFPS() const { return framesPerSecond_; }
    float getFrameMS() const { return frameMS_; }

    // ---- Window ----
    // (Re)opens the window with the current fields; false when it cannot be opened. This base
    // has no window: it takes the device size as the window size.
    virtual bool restartVideo();
    // Store the values and reopen. A width or height of 0 or less is refused (false) and the
    // current window stays. With a fixed size, that size is taken instead of the one asked for.
    bool restartVideo(int width, int height, bool fullScreen);
    bool restartVideo(int width, int height, bool fullScreen, int antialiasing);
    // Every window from now on is [width] x [height] (both above 0), whatever size the game
    // asks for: the size a run was told to draw at.
    void setFixedDeviceSize(int width, int height);
    bool isWindowOpen() const { return windowOpen_; }
    // The window's title, "Tact" until a game sets one. False (the title kept) for a text longer
    // than kMaxWindowTitleBytes or holding a control character.
    bool setWindowTitle(const std::string& title);
    const std::string& getWindowTitle() const { return windowTitle_; }
    static constexpr std::size_t kMaxWindowTitleBytes = 256;
    bool isWindowActive() const { return windowActive_; }
    int getDeviceWidth() const { return deviceWidth_; }
    int getDeviceHeight() const { return deviceHeight_; }
    int getScreenWidth() const { return area_.screenWidth; }
    int getScreenHeight() const { return area_.screenHeight; }
    int getScreenBithDepth() const { return bitDepth_; }
    int getAntialiasing() const { return antialiasing_; }
    bool isFullScreen() const { return fullScreen_; }
    const DrawingArea& getDrawingArea() const { return area_; }
    int getViewportX() const { return area_.viewportX; }
    int getViewportY() const { return area_.viewportY; }
    // Moves the drawing area; the vertical shift follows from it and the aspect ratio.
    void setHorizontalShift(int pixels);
    int getHorizontalShift() const { return horizontalShift_; }
    int getVerticalShift() const { return verticalShift_; }

    // Width over height of the drawing area; values that are not positive and finite are ignored.
    void setAspectRatio(float aspectRatio);
    float getAspectRatio() const { return aspectRatio_; }
    bool isShowingFPS() const { return showingFPS_; }
    void setIsShowingFPS(bool showing) { showingFPS_ = showing; }
    // Y depth: entities lower on the board are drawn over those above, without the depth test.
    bool isYDepth() const { return yDepth_; }
    void setIsYDepth(bool yDepth) { yDepth_ = yDepth; }

    // ---- Views: each sets the projection, then resets the model-view matrix ----
    // Perspective through the camera; the drawing area must not be taller than wide.
    virtual void setupWorldView() {}
    // Orthographic over the game board.
    virtual void setupWorldOrthoView() {}
    // Orthographic (0, 1) x (0, 1).
    virtual void setupOrthoView() {}
    // Orthographic x from -aspect/2 to aspect/2, y from -0.5 to 0.5.
    virtual void setupAspectRatioOrthoView() {}

    Camera& getCamera() { return camera_; }
    float getCameraPosX() const { return camera_.getPosX(); }
    float getCameraPosY() const { return camera_.getPosY(); }
    float getCameraPosZ() const { return camera_.getPosZ(); }
    void setCameraPos(float x, float y, float z) { camera_.setPos(x, y, z); }

    // ---- Draw list ----
    // Entities in drawing order: appended when created, removed when deleted.
    void onEntityCreate(Entity* entity) override;
    void onEntityDelete(Entity* entity) override;
    void onLinkedObjectDeleted(LinkedObject* deleted) override;
    const std::vector<Entity*>& getDrawList() const { return drawList_; }

    // Replaces the clock that measures the time between frames (tests pass a fake one).
    void setFrameRateTimer(std::unique_ptr<SimulationTimer> timer);
    // The figure for a frame of [frameMS]: 1000 / frameMS truncated, 0 for a time of 0 or less.
    static int framesPerSecondFor(float frameMS);

    // ---- Drawing ----
    virtual void pushMatrix() {}
    virtual void popMatrix() {}
    virtual void translate(float /*x*/, float /*y*/, float /*z*/) {}
    virtual void rotateZ(float /*radians*/) {}
    virtual void rotateX(float /*radians*/) {}
    virtual void rotateY(float /*radians*/) {}
    virtual void scale(float /*x*/, float /*y*/, float /*z*/) {}
    // Lines are drawn without the depth test: the attributes are pushed here and restored by endShape.
    void beginShape(int shapeType);
    void endShape();
    // By id (black when out of range) or name, through the colour manager.
    void setColour(int colourId, float alpha);
    void setColour(const std::string& colourName, float alpha);
    void setColour(const Colour& colour, float alpha);
    virtual void setColour(float /*red*/, float /*green*/, float /*blue*/, float /*alpha*/) {}
    virtual void plotTexturedVertex(float /*x*/, float /*y*/, float /*z*/, float /*u*/, float /*v*/) {}
    void plotVertex(const RealPoint& point, float z);
    virtual void plotVertex(float /*x*/, float /*y*/, float /*z*/) {}
    virtual void clearDepthBuffer() {}
    // Covers the drawing area with one quad of the colour; an alpha below 1 lets the previous
    // frame show through (trails).
    void clear(float red, float green, float blue, float alpha);
    // [width] is in units of an 800-pixel-wide area, so lines keep their look at any size.
    void setLineWidth(float width);
    // Shapes in the current view, colour and line width, at depth 0. A rectangle has its lower
    // left corner at (x, y); filled it is a quad drawn with the depth test in force, its outline
    // and a circle's are line segments (drawn without the depth test, as every line). A circle
    // has as many sides as keep it round at its size on screen (12 to 360).
    void drawRect(float x, float y, float width, float height, bool filled = true);
    void drawCircle(float x, float y, float radius, bool filled = true);
    void drawLine(float x1, float y1, float x2, float y2);
    // The length on screen, in pixels, of a vertical segment [length] long from (x, y, z) in the
    // current view and transformation; 0 without a device.
    virtual float getPixelLength(float /*x*/, float /*y*/, float /*z*/, float /*length*/) const {
        return 0.0f;
    }

    // ---- Textures ----
    // Textures are loaded by file name on first use and kept, by that exact name, until the
    // window is replaced (restartVideo) or the module is deinitialised. The image reader is
    // chosen by the name's extension (TextureImageLoader.h). A failed load logs
    // "Error!  Could not load texture: " + name, caches nothing, and is tried again next time.

    // The cached texture of [name], loaded on a miss; null when it cannot be loaded.
    const Texture* loadTexture(const std::string& name);
    bool isTextureLoaded(const std::string& name) const { return textures_.count(name) != 0; }
    std::size_t getLoadedTextureCount() const { return textures_.size(); }
    // Deletes every cached texture; each is loaded again on its next use.
    void deleteLoadedTextures();
    // Binds the texture of [name] (loaded on a miss) for the shapes that follow, until
    // endTexture; when it cannot be loaded the shapes are drawn untextured.
    void beginTexture(const std::string& name);
    // Binds [texture] (null: none) for the shapes that follow.
    virtual void bindTexture(const Texture* /*texture*/) {}
    // Shapes that follow are untextured.
    virtual void endTexture() {}
    // A textured vertex whose [u] and [v] run from 0 to 1 across the image of the texture named
    // by the last beginTexture (u rightwards, v downwards: v = 0 is the image's top row).
    void plotImageVertex(float x, float y, float z, float u, float v);
    // How the texture of [name] is sampled from now on (TextureSampling); a loaded one is
    // loaded again on its next use. The setting outlives deleteLoadedTextures and new windows.
    void setTextureSampling(const std::string& name, TextureSampling sampling);
    TextureSampling getTextureSampling(const std::string& name) const;
    // One cell of a sprite sheet: the source rectangle [sx], [sy], [sw], [sh] in texels of the
    // image of texture [name] (from its top-left corner, y downwards) drawn on the rectangle
    // whose lower left corner is ([x], [y]) and size [w] x [h] in the current view, at depth 0,
    // tinted by the current colour. [flipX] mirrors it left to right, [flipY] top to bottom;
    // [angle] (radians, anticlockwise) turns it about the rectangle's centre. The cell never
    // shows its neighbours: a nearest-filtered texture samples the cell's own texels, and a
    // linear one takes its coordinates half a texel inside the cell's edges. Without the texture
    // the rectangle is drawn untextured. Batched with the other shapes.
    void drawSprite(const std::string& name, float sx, float sy, float sw, float sh, float x, float y,
                    float w, float h, bool flipX = false, bool flipY = false, float angle = 0.0f);
    void drawSprite(const Texture* texture, float sx, float sy, float sw, float sh, float x, float y, float w,
                    float h, bool flipX = false, bool flipY = false, float angle = 0.0f);
    // One quad over [corners] (x, y, z each; lower left, lower right, upper right, upper left)
    // showing the whole image of texture [name] upright, tinted by the current colour. Without
    // the texture the quad is drawn untextured. Scripts pass 8 numbers (z 0) or 12, then the
    // name; any other list is the script error
    // "\"drawTexture\" expecting parameters (8 REALs, string) or (12 REALs, string)".
    void drawTexture(const float corners[4][3], const std::string& name);
    void drawTexture(const float corners[4][3], const Texture* texture);
    // Uploads [image] as a new texture with power-of-two sides (the image in its top-left corner,
    // the rest clear, or its edges repeated when [sampling] clamps), sampled as [sampling]; null
    // when the image is empty or the device refuses it. The caller owns it and gives it back
    // through deleteTexture while the device still exists.
    std::unique_ptr<Texture> createTexture(const Image& image, TextureSampling sampling = {});
    void deleteTexture(std::unique_ptr<Texture> texture);

    // ---- Text ----
    // Text is laid out with the glyphs of TrueType fonts opened at 32 pixels, and drawn from
    // glyphs made near its size on screen (Font's size bands), so large text stays sharp;
    // lengths are in the units of the current view, and [height] is the text's line height in
    // those units. The first use of text without a setFont opens the default font,
    // kDefaultFontName from the game folder or, when the game has none, a bold sans-serif font
    // installed with the engine.
    static constexpr const char* kDefaultFontName = "grayscale-bold.ttf";

    // Makes the font of [fileName] current, opening it on first use. A font that cannot be
    // opened logs "Error!  Could not load font: " + name once and the current font stays; false
    // then.
    bool setFont(const std::string& fileName);
    // The current font (the default one opened if none was set yet); null when there is none.
    Font* getCurrentFont();
    // Width of [text] at [height]: the sum of the glyph advances, except that the first glyph
    // starts at its ink (advance - left bearing) and the last ends at its ink (left bearing +
    // width). 0 for an empty text or with no font.
    float getTextWidth(const std::string& text, float height);
    // Prints [text] with its first baseline at [y], at depth [z], [height] high, without the
    // depth test. Words (ended by spaces) wrap onto lines [height] lower once a line would reach
    // [right] - [left]; left == right never wraps. [alignment] (TEXTALIGN_) places each line
    // against [left], against [right], or centred between them. With [info], its bounds are set
    // to those of the glyph quads, and with info->shouldDraw false nothing is drawn. Returns the
    // height of the printed block: the number of lines times [height] (0 with no font).
    // Script forms: (left, right, y, z, text, height [, alignment [, info]]); (x, y, z, ...) with
    // left = right = x; (x, y, text, ...) with z 0; (text, height ...) at the origin.
    float print(float left, float right, float y, float z, const std::string& text, float height,
                int alignment = TEXTALIGN_LEFT, PrintInfo* info = nullptr);
    // Forgets every font's glyph textures (they are made again on next use).
    void releaseFontGlyphs();
    // Closes every font (glyph textures included); the default is opened again on next use.
    void deleteFonts();

    // ---- Depth attributes ----
    void setAttrDepthTest(bool enabled);
    void setAttrDepthWrite(bool enabled);
    bool isAttrDepthTest() const { return (attributes_ & kDepthTestBit) != 0; }
    bool isAttrDepthWrite() const { return (attributes_ & kDepthWriteBit) != 0; }
    void pushAttributes();
    // The stack must not be empty (reported, nothing popped).
    void popAttributes();
    void clearAttributes();
    void clearAttributesStack();
    std::size_t getAttributesStackSize() const { return attributesStack_.size(); }

  protected:
    // The frame: the processes' draw hooks around the entity and particle passes, the frame rate
    // and its overlay, then the buffer swap.
    void renderFrame();
    // The opaque pass then the translucent pass over the draw list, particles after entities in
    // each, players' translucent pass after everyone else's.
    void drawEntityPasses();
    // The per-tick window checks: a window closed by the user quits the game; losing focus runs
    // the game system's task switch; regaining it redraws the borders.
    void updateWindowState(bool closedByUser, bool focused);
    // Takes the real window size and places the drawing area in it.
    void setDeviceSize(int width, int height);
    void setWindowOpen(bool open) { windowOpen_ = open; }
    void setWindowActive(bool active) { windowActive_ = active; }
    // Fills the window outside the drawing area with black.
    virtual void drawBlackBorders() {}
    virtual void applyLineWidth(float /*pixels*/) {}
    // "FPS: n (ms)" in the lower-left corner, over a background rectangle.
    void drawFPSOverlay();
    // Deletes the cached textures and the fonts' glyph textures: the device they live on is about
    // to go (window replaced or closed). The fonts themselves stay open.
    void releaseDeviceTextures();

    // The device side of textures: [rgba] holds [width] x [height] pixels (powers of two), top
    // row first, sampled as [sampling]. Returns the device's name for the texture, 0 when refused. Without a
    // device the name is only counted.
    virtual uint32_t uploadTexture(const uint8_t* /*rgba*/, uint32_t /*width*/, uint32_t /*height*/,
                                   const TextureSampling& /*sampling*/) {
        return ++lastTextureId_;
    }
    virtual void releaseTexture(uint32_t /*id*/) {}
    // Opens the font file at [path] (already made relative to the working directory); null when
    // it cannot be opened. Without a rasteriser there are no fonts.
    virtual std::unique_ptr<FontFace> openFontFace(const std::string& /*path*/) { return nullptr; }
    // The path of the font used when the default one is not in the game folder; empty for none.
    virtual std::string getFallbackFontPath() const { return {}; }

    virtual void beginPrimitive(int /*shapeType*/) {}
    virtual void endPrimitive() {}
    virtual void applyDepthTest(bool /*enabled*/) {}
    virtual void applyDepthWrite(bool /*enabled*/) {}
    // The title changed: an open window shows it.
    virtual void applyWindowTitle() {}

  private:
    // Both attributes in one word, one byte each, so the stack is a stack of words.
    static constexpr uint16_t kDepthTestBit = 0x0001;
    static constexpr uint16_t kDepthWriteBit = 0x0100;

    void applyAttributes();
    void measureFrameRate();
    Font* openFont(const std::string& fileName);
    // Draws one laid-out line whose baseline is at [y] (see print).
    void printLine(Font& font, const std::string& line, float left, float right, float y, float z,
                   float height, int alignment, PrintInfo* info);

    std::string windowTitle_ = "Tact";
    int deviceWidth_ = 800;
    int deviceHeight_ = 600;
    int fixedWidth_ = 0;  // 0: the size the game asks for
    int fixedHeight_ = 0;
    DrawingArea area_;
    int bitDepth_ = 0;
    int antialiasing_ = 0;
    bool fullScreen_ = false;
    int horizontalShift_ = 0;
    int verticalShift_ = 0;
    bool showingFPS_ = false;
    bool yDepth_ = false;
    Camera camera_;
    std::unique_ptr<SimulationTimer> frameRateTimer_;
    float frameMS_ = 0.0f;
    int framesPerSecond_ = 0;
    bool windowOpen_ = false;
    bool windowActive_ = true;
    std::vector<Entity*> drawList_;

    float aspectRatio_ = 4.0f / 3.0f;
    uint16_t attributes_ = kDepthTestBit | kDepthWriteBit;
    std::deque<uint16_t> attributesStack_;
    bool lineShapeOpen_ = false;

    std::map<std::string, std::unique_ptr<Texture>> textures_;
    // Sampling set by name, for textures loaded now or later.
    std::map<std::string, TextureSampling> samplings_;
    // The image extents of the texture named by the last beginTexture (plotImageVertex).
    float imageExtent_[2] = {1.0f, 1.0f};
    // Textures that could not be loaded, each reported once on standard error.
    std::set<std::string> failedTextures_;
    uint32_t lastTextureId_ = 0;
    std::map<std::string, std::unique_ptr<Font>> fonts_;
    Font* currentFont_ = nullptr;
    // The default font is looked for once, on the first use of text with no font set.
    bool defaultFontTried_ = false;
    // Fonts that could not be opened: each is reported once.
    std::set<std::string> failedFonts_;
};
