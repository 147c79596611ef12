// A video module without a window: frames run their passes (scripts' draw hooks, entities,
// particles) and draw nothing. For runs of a game with no display.
#pragma once

#include "Engine/VideoModule.h"

class HeadlessVideoModule final : public VideoModule {
  public:
    explicit HeadlessVideoModule(GameSystem* gameSystem) : VideoModule(gameSystem) {
        addTypeName("HeadlessVideoModule");
    }

    void render() override { renderFrame(); }
    void drawSystemPauseScreen() override {}
    void clearScreen() override {}
};
