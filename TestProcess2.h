// Exercises entities: creates player entities of type "Player" at random places on the board,
// one at start and one more each second up to a dozen (Space adds one at once).
#pragma once

#include "Engine/Process.h"

class TestProcess2 : public Process {
  public:
    TestProcess2(const std::string& name, GameSystem* gameSystem);

    bool init() override;
    void update(float deltaMS) override;
    void onKeyPress(int keyCode) override;

  private:
    void createPlayer();

    int created_ = 0;
    float sinceLastMS_ = 0.0f;
};
