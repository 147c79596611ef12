// The window, the frame and drawing. The platform-independent part lives here: the window and
// drawing-area sizes, the camera, the frame-rate figure, the draw list and the frame's passes, the
// drawing operations every entity, particle and script uses, the colour lookups and the depth
// attribute stack. The module that owns a real window and GL context derives from it in its
// platform folder and overrides the primitives (the protected apply/begin/end operations, the
// views, and the matrix, colour and vertex operations).
#pragma once

#include <cstdint>
#include <deque>
#include <memory>
#include <string>
#include <vector>

#include "Engine/Camera.h"
#include "Engine/DrawingArea.h"
#include "Engine/EngineModule.h"

class Colour;
class Entity;
class SimulationTimer;
struct RealPoint;

class VideoModule : public EngineModule {
  public:
    explicit VideoModule(GameSystem* gameSystem);
    ~VideoModule() override;

    // Opens the window (restartVideo), applies the attributes and starts the frame-rate clock;
    // false when the window could not be opened.
    bool init() override;

    // Releases the video resources before the module is deleted.
    virtual void deinit() {}
    // Draws one frame.
    virtual void render() = 0;
    virtual void drawSystemPauseScreen() = 0;
    // Presents the frame.
    virtual void swapBuffers() {}
    // Sets the viewport on the drawing area and clears the colour buffer to black.
    virtual void clearScreen() = 0;
    // Saves the drawing area of the next finished frame to [fileName] as PNG (nothing without a
    // window).
    virtual void requestScreenshot(const std::string& /*fileName*/) {}
    int getFPS() const { return framesPerSecond_; }
    float getFrameMS() const { return frameMS_; }

    // ---- Window ----
    // (Re)opens the window with the current fields; false when it cannot be opened. This base
    // has no window: it takes the device size as the window size.
    virtual bool restartVideo();
    // Store the values and reopen. A width or height of 0 or less is refused (false) and the
    // current window stays.
    bool restartVideo(int width, int height, bool fullScreen);
    bool restartVideo(int width, int height, bool fullScreen, int antialiasing);
    bool isWindowOpen() const { return windowOpen_; }
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
    // Textures arrive with the texture loader; until then these bind nothing.
    virtual void beginTexture(const std::string& /*name*/) {}
    virtual void endTexture() {}

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
    // The overlay's background rectangle; the text is printed over it once fonts exist.
    void drawFPSOverlay();

    virtual void beginPrimitive(int /*shapeType*/) {}
    virtual void endPrimitive() {}
    virtual void applyDepthTest(bool /*enabled*/) {}
    virtual void applyDepthWrite(bool /*enabled*/) {}

  private:
    // Both attributes in one word, one byte each, so the stack is a stack of words.
    static constexpr uint16_t kDepthTestBit = 0x0001;
    static constexpr uint16_t kDepthWriteBit = 0x0100;

    void applyAttributes();
    void measureFrameRate();

    int deviceWidth_ = 800;
    int deviceHeight_ = 600;
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
};
