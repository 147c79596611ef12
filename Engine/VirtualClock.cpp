#include "Engine/VirtualClock.h"

class VirtualClock::Timer final : public SimulationTimer {
  public:
    explicit Timer(VirtualClock& clock) : clock_(clock) {}
    bool start() override {
        lastMS_ = clock_.nowMS_;
        return true;
    }
    float getElapsedMS() override {
        clock_.nowMS_ += clock_.autoAdvanceMS_;
        const double elapsed = clock_.nowMS_ - lastMS_;
        lastMS_ = clock_.nowMS_;
        return static_cast<float>(elapsed);
    }

  private:
    VirtualClock& clock_;
    double lastMS_ = 0.0;
};

std::unique_ptr<SimulationTimer> VirtualClock::createTimer() {
    auto timer = std::make_unique<Timer>(*this);
    timer->start();
    return timer;
}
