// The window, the frame and drawing. The platform-independent part lives here; the module that
// owns a real window and GL context derives from it in its platform folder.
#pragma once

#include "Engine/EngineModule.h"

class VideoModule : public EngineModule {
public:
    explicit VideoModule(GameSystem* gameSystem);

    // Releases the video resources before the module is deleted.
    virtual void deinit() {}
    // Draws one frame.
    virtual void render() = 0;
    virtual void drawSystemPauseScreen() = 0;
    virtual void clearScreen() = 0;

    // Width over height of the drawing area; values that are not positive and finite are ignored.
    void setAspectRatio(float aspectRatio);
    float getAspectRatio() const { return aspectRatio_; }

private:
    float aspectRatio_ = 4.0f / 3.0f;
};
