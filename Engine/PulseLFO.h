// The PULSELFO oscillator. 0 for half a period, 1 for the other half.
#pragma once

#include "Engine/LFO.h"

class PulseLFO final : public LFO {
  public:
    PulseLFO();

    void update(float deltaMS) override;
    void setPhase(float phase) override;

  private:
    // Progress through the current half-cycle, 0..1.
    float position_ = 0.0f;
};
