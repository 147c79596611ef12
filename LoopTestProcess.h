// Exercises the main loop: reports ticks and frames once a second and quits after a while.
#pragma once

#include "Engine/Process.h"

class LoopTestProcess : public Process {
  public:
    LoopTestProcess(const std::string& name, GameSystem* gameSystem);

    void update(float deltaMS) override;
    void postDraw() override { ++frames_; }

  private:
    float runMS_;
    float elapsedMS_ = 0.0f;
    float nextReportMS_ = 1000.0f;
    int frames_ = 0;
};
