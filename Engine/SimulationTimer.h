// Elapsed-time source of the main loop: each getElapsedMS call measures the time since the last.
#pragma once

#include <chrono>

class SimulationTimer {
  public:
    virtual ~SimulationTimer() = default;
    // Remembers the current time; false when the clock cannot be read.
    virtual bool start() = 0;
    // Milliseconds since the previous call (or start); 0 when the clock cannot be read.
    virtual float getElapsedMS() = 0;
};

// The real timer, on the monotonic clock.
class SteadySimulationTimer final : public SimulationTimer {
  public:
    SteadySimulationTimer();
    bool start() override;
    float getElapsedMS() override;

  private:
    std::chrono::steady_clock::time_point last_;
};
