// The SAWLFO oscillator. Ramps from 0 to 1 once per period, then jumps back to 0.
#pragma once

#include "Engine/LFO.h"

class SawLFO final : public LFO {
  public:
    SawLFO();

    void update(float deltaMS) override;
    void setPhase(float phase) override;
};
