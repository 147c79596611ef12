// The video module on a GLFW window with a legacy (immediate-mode capable) OpenGL context.
#pragma once

#include <functional>
#include <string>

#include "Engine/GLFWVideoModule/ModelViewStack.h"
#include "Engine/GLFWVideoModule/ShapeBatch.h"
#include "Engine/VideoModule.h"

struct FT_LibraryRec_;
struct GLFWwindow;

class GLFWVideoModule : public VideoModule {
  public:
    explicit GLFWVideoModule(GameSystem* gameSystem);
    ~GLFWVideoModule() override;

    // A window that cannot be opened at start is fatal ("could not open window").
    bool init() override;
    void update(float deltaMS) override;
    void deinit() override;
    void render() override { renderFrame(); }
    void drawSystemPauseScreen() override;
    void swapBuffers() override;
    void clearScreen() override;
    // Opens the new window before closing the old one, so a refused window leaves the old in place.
    bool restartVideo() override;
    void applyWindowTitle() override;
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
    // Runs just before each buffer swap, while the back buffer holds the finished frame; tests
    // read pixels there.
    void setBeforeSwapHook(std::function<void()> hook) { beforeSwap_ = std::move(hook); }
    GLFWwindow* getWindow() const { return window_; }

  protected:
    void beginPrimitive(int shapeType) override;
    void endPrimitive() override;
    void applyDepthTest(bool enabled) override;
    void applyDepthWrite(bool enabled) override;
    void applyLineWidth(float pixels) override;
    void drawBlackBorders() override;
    uint32_t uploadTexture(const uint8_t* rgba, uint32_t width, uint32_t height) override;
    void releaseTexture(uint32_t id) override;
    std::unique_ptr<FontFace> openFontFace(const std::string& path) override;
    // DejaVu Sans Bold where Debian's fonts-dejavu-core puts it, else fontconfig's match for it.
    std::string getFallbackFontPath() const override;

  private:
    void closeWindow();
    void setViewport();
    // Sets the projection [project] builds and resets the model-view matrix.
    void loadProjection(auto&& project);
    // Tells the shape batch the projection and viewport now in force.
    void updateBatchView();

    GLFWwindow* window_ = nullptr;
    std::string screenshotFileName_;
    std::function<void()> beforeSwap_;

    // The model-view matrices live here, not in GL (whose model-view stays the identity), so the
    // batch can merge shapes drawn under different matrices.
    ModelViewStack modelView_;
    ShapeBatch batch_;
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
