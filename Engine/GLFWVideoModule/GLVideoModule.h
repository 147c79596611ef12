// The drawing half of the video modules on a legacy (immediate-mode capable) OpenGL context:
// views, matrices, the shape batch, textures, fonts, screenshots and frame sequences. Where the
// context lives (a window, an off-screen buffer) is the business of the module derived from it,
// which opens the context in restartVideo and presents finished frames.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

#include "Engine/GLFWVideoModule/ModelViewStack.h"
#include "Engine/GLFWVideoModule/ShapeBatch.h"
#include "Engine/VideoModule.h"

struct FT_LibraryRec_;

class GLVideoModule : public VideoModule {
  public:
    explicit GLVideoModule(GameSystem* gameSystem);
    // The derived module releases the GL objects (releaseContextObjects) and closes its context.
    ~GLVideoModule() override;

    void render() override { renderFrame(); }
    void drawSystemPauseScreen() override;
    // Saves what was asked of this frame (screenshot, sequence frame), then presents it.
    void swapBuffers() override;
    void clearScreen() override;
    using VideoModule::restartVideo;

    void setupWorldView() override;
    void setupWorldOrthoView() override;
    void setupOrthoView() override;
    void setupAspectRatioOrthoView() override;

    using VideoModule::plotVertex;
    using VideoModule::setColour;
    void pushMatrix() override;
    void popMatrix() override;
    void translate(float x, float y, float z) override;
    void rotateZ(float radians) override;
    void rotateX(float radians) override;
    void rotateY(float radians) override;
    void scale(float x, float y, float z) override;
    void setColour(float red, float green, float blue, float alpha) override;
    void plotTexturedVertex(float x, float y, float z, float u, float v) override;
    void plotVertex(float x, float y, float z) override;
    void clearDepthBuffer() override;
    void bindTexture(const Texture* texture) override;
    void endTexture() override;

    void requestScreenshot(const std::string& fileName) override { screenshotFileName_ = fileName; }
    bool isScreenshotPending() const override { return !screenshotFileName_.empty(); }
    void setFrameSequence(const std::string& folder, int every) override;
    const std::string& getCaptureFailure() const override { return captureFailure_; }
    // Runs just before each buffer swap, while the back buffer holds the finished frame; tests
    // read pixels there.
    void setBeforeSwapHook(std::function<void()> hook) { beforeSwap_ = std::move(hook); }
    bool hasContext() const { return contextOpen_; }
    float getPixelLength(float x, float y, float z, float length) const override;

  protected:
    // Called by the derived module once its new context is current and [width] x [height] pixels
    // big: sets the GL state every frame relies on and marks the window open.
    void beginContext(int width, int height);
    // Called while the context is still current, before the derived module destroys it.
    void endContext();
    // Deletes the textures and fonts while the context is current (the derived destructor).
    void releaseContextObjects();
    // Shows the finished frame (a window's buffer swap).
    virtual void presentFrame() {}
    void beginPrimitive(int shapeType) override;
    void endPrimitive() override;
    void applyDepthTest(bool enabled) override;
    void applyDepthWrite(bool enabled) override;
    void applyLineWidth(float pixels) override;
    void drawBlackBorders() override;
    uint32_t uploadTexture(const uint8_t* rgba, uint32_t width, uint32_t height,
                           const TextureSampling& sampling) override;
    void releaseTexture(uint32_t id) override;
    std::unique_ptr<FontFace> openFontFace(const std::string& path) override;
    // DejaVu Sans Bold where Debian's fonts-dejavu-core puts it, else fontconfig's match for it.
    std::string getFallbackFontPath() const override;

  private:
    void setViewport();
    // The screenshot and the sequence frame this frame owes, saved from the back buffer.
    void saveRequestedPictures();
    // Sets the projection [project] builds and resets the model-view matrix.
    void loadProjection(auto&& project);
    // Tells the shape batch the projection and viewport now in force.
    void updateBatchView();

    bool contextOpen_ = false;
    std::string screenshotFileName_;
    std::string frameFolder_;
    int frameEvery_ = 0;  // 0: no frame sequence
    uint64_t framesFinished_ = 0;
    uint64_t framesSaved_ = 0;
    std::string captureFailure_;
    std::function<void()> beforeSwap_;

    // The model-view matrices live here, not in GL (whose model-view stays the identity), so the
    // batch can merge shapes drawn under different matrices.
    ModelViewStack modelView_;
    ShapeBatch batch_;
    // The projection (column-major) and viewport size in force, for getPixelLength.
    float projection_[16] = {1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1};
    int viewportSize_[2] = {1, 1};
    // The depth state GL has now, so that only real changes cut the batch.
    bool depthTestApplied_ = true;
    bool depthWriteApplied_ = true;
    float lineWidthApplied_ = 0.0f;
    float colour_[4] = {1.0f, 1.0f, 1.0f, 1.0f};
    // The texture shapes are drawn with from now on (0: none); the batch binds it when it draws.
    unsigned boundTexture_ = 0;
    // FreeType, started when the first font is opened; the fonts' faces close before it ends.
    FT_LibraryRec_* freeType_ = nullptr;
};
