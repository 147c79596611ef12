// The TRIANGLELFO oscillator. Rises for half a period and falls for the other half.
#pragma once

#include "Engine/LFO.h"

class TriangleLFO final : public LFO {
  public:
    TriangleLFO();

    void update(float deltaMS) override;
    void setPhase(float phase) override;

  private:
    // +1 while rising, -1 while falling.
    float direction_ = 1.0f;
};
