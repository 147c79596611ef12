// The video module on a GLFW window with a legacy (immediate-mode capable) OpenGL context.
#pragma once

#include "Engine/GLFWVideoModule/GLVideoModule.h"

struct GLFWwindow;

class GLFWVideoModule : public GLVideoModule {
  public:
    explicit GLFWVideoModule(GameSystem* gameSystem);
    ~GLFWVideoModule() override;

    // A window that cannot be opened at start is fatal ("could not open window").
    bool init() override;
    void update(float deltaMS) override;
    // Opens the new window before closing the old one, so a refused window leaves the old in place.
    bool restartVideo() override;
    void applyWindowTitle() override;
    using VideoModule::restartVideo;

    GLFWwindow* getWindow() const { return window_; }

  protected:
    void presentFrame() override;

  private:
    void closeWindow();

    GLFWwindow* window_ = nullptr;
};
