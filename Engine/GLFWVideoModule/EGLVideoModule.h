// The video module of a headless run that draws: the same GL drawing as in a window, on an
// off-screen buffer of Mesa's EGL without a display (no X server involved). The finished frames
// are only read back (screenshots, frame sequences); nothing is shown.
#pragma once

#include <string>

#include "Engine/GLFWVideoModule/GLVideoModule.h"

class EGLVideoModule : public GLVideoModule {
  public:
    explicit EGLVideoModule(GameSystem* gameSystem);
    ~EGLVideoModule() override;

    // No EGL library, no driver that draws without a display, or no buffer of the size: fatal,
    // with the reason and the package that brings what is missing.
    bool init() override;
    // A new buffer and context of the device size; a refused one leaves the old in place.
    bool restartVideo() override;
    using VideoModule::restartVideo;

    // Why the last buffer could not be made; empty after a success.
    const std::string& getOpenError() const { return openError_; }

  protected:
    // Waits for the frame to be drawn, as a window's buffer swap does: the frame's drawing time
    // stays in its own frame, and the driver's queue never grows past one frame.
    void presentFrame() override;

  private:
    bool openDisplay();
    void closeBuffer();

    void* display_ = nullptr;
    void* context_ = nullptr;
    void* surface_ = nullptr;
    std::string openError_;
};
