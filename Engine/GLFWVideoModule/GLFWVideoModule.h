// The video module on a GLFW window with a legacy (immediate-mode capable) OpenGL context.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "Engine/VideoModule.h"

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

    void requestScreenshot(const std::string& fileName) override { screenshotFileName_ = fileName; }
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

  private:
    void closeWindow();
    void setViewport();

    GLFWwindow* window_ = nullptr;
    std::string screenshotFileName_;
    std::function<void()> beforeSwap_;

    // The vertices of the open shape. Immediate mode costs a driver call per vertex, so a shape
    // is collected here and sent as one client-array draw at endShape; what is drawn is the same.
    bool shapeOpen_ = false;
    unsigned shapeMode_ = 0;
    std::vector<float> positions_;  // x, y, z per vertex
    std::vector<float> colours_;    // r, g, b, a per vertex
    std::vector<float> texCoords_;  // u, v per vertex
    bool colourVaries_ = false;
    bool textured_ = false;
    float colour_[4] = {1.0f, 1.0f, 1.0f, 1.0f};
    float shapeColour_[4] = {1.0f, 1.0f, 1.0f, 1.0f};
};
