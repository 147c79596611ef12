// A clock that moves only when told to: the main loop's sleeps advance it instead of passing real
// time, so a run takes the same ticks in the same order on every machine, as fast as it can go.
#pragma once

#include <memory>

#include "Engine/SimulationTimer.h"

class VirtualClock {
  public:
    void advance(double ms) { nowMS_ += ms; }
    // Time that passes at every reading, as the work of a loop iteration would take; lets a loop
    // that only busy-waits for less than a millisecond still proceed.
    void setAutoAdvanceMS(double ms) { autoAdvanceMS_ = ms; }
    double getNowMS() const { return nowMS_; }

    // A timer reading this clock (the clock must outlive it).
    std::unique_ptr<SimulationTimer> createTimer();

  private:
    class Timer;
    double nowMS_ = 0.0;
    double autoAdvanceMS_ = 0.0;
};
