// The native demo: circles and boxes of the default shapes steering with thrust and rotation and
// colliding through the physics module on the board. The arrow keys steer the player (the yellow circle);
// holding the left mouse button pulls it toward the pointer; Escape quits. TACT_DEMO_ENTITIES sets the entity
// count (default 40), TACT_RUN_SECONDS the run time (0 runs until the window closes), and TACT_SCREENSHOT
// names a PNG file that receives the last frame.
#pragma once

#include <string>
#include <vector>

#include "Engine/Process.h"

class DemoEntity;

class Box2DPhysicsModuleTestProcess : public Process {
  public:
    Box2DPhysicsModuleTestProcess(const std::string& name, GameSystem* gameSystem);

    bool init() override;
    void update(float deltaMS) override;
    void preDraw() override;
    void postDraw() override;

  private:
    void steerPlayer();

    std::vector<DemoEntity*> entities_;
    DemoEntity* player_ = nullptr;
    int entityCount_;
    float runMS_;
    float elapsedMS_ = 0.0f;
    std::string screenshotFileName_;
    bool quitAfterFrame_ = false;
    int frames_ = 0;
};
