// Exercises the physics library directly, without the physics module: a Box2D world with gravity,
// a floor and a stack of boxes and balls that fall and settle, drawn in the ortho view. The
// bodies' count of those at rest is logged each second; Space drops another ball, Escape quits.
#pragma once

#include <memory>

#include "Engine/Process.h"

class b2World;
class b2Body;

class Box2DTestProcess : public Process {
  public:
    Box2DTestProcess(const std::string& name, GameSystem* gameSystem);
    ~Box2DTestProcess() override;

    bool init() override;
    void update(float deltaMS) override;
    void postDraw() override;
    void onKeyPress(int keyCode) override;

  private:
    b2Body* addBody(float x, float y, bool ball);

    std::unique_ptr<b2World> world_;
    float sinceReportMS_ = 0.0f;
};
