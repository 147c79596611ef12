// Exercises textures: loads "pngTest.png" and draws it as a turning quad and as a row of tiles,
// logging its size once. Escape quits.
#pragma once

#include "Engine/Process.h"

class TextureTestProcess : public Process {
  public:
    TextureTestProcess(const std::string& name, GameSystem* gameSystem);

    bool init() override;
    void update(float deltaMS) override { angle_ += deltaMS * 0.001f; }
    void postDraw() override;
    void onKeyPress(int keyCode) override;

  private:
    float angle_ = 0.0f;
};
