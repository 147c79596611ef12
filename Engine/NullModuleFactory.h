// Null modules and a fake clock for running the engine without devices. Sleeping advances the
// fake clock instead of the real one, so the loop's timing rules run at full speed in tests.
#pragma once

#include <vector>

#include "Engine/ModuleFactory.h"
#include "Engine/SimulationTimer.h"

// A clock the test moves by hand.
class FakeSimulationTimer final : public SimulationTimer {
public:
    bool start() override {
        lastMS_ = nowMS_;
        return true;
    }
    float getElapsedMS() override {
        nowMS_ += autoAdvanceMS_;
        const double elapsed = nowMS_ - lastMS_;
        lastMS_ = nowMS_;
        return static_cast<float>(elapsed);
    }
    void advance(double ms) { nowMS_ += ms; }
    // Time that passes at every reading, as the work of a real loop iteration would take; lets a
    // whole run() proceed when the loop only busy-waits for less than a millisecond.
    void setAutoAdvanceMS(double ms) { autoAdvanceMS_ = ms; }
    double getNowMS() const { return nowMS_; }

private:
    double nowMS_ = 0.0;
    double lastMS_ = 0.0;
    double autoAdvanceMS_ = 0.0;
};

class NullModuleFactory : public ModuleFactory {
public:
    std::unique_ptr<VideoModule> createVideoModule(GameSystem* gameSystem) override;
    std::unique_ptr<InputModule> createInputModule(GameSystem* gameSystem) override;
    std::unique_ptr<AudioModule> createAudioModule(GameSystem* gameSystem) override;
    std::unique_ptr<ScriptModule> createScriptModule(GameSystem* gameSystem) override;

    // The game system's timer reads this clock; the factory keeps a view of it.
    std::unique_ptr<SimulationTimer> createTimer() override;
    void sleepMS(int ms) override;

    FakeSimulationTimer& getClock() { return *clock_; }
    const std::vector<int>& getSleeps() const { return sleeps_; }

private:
    // Shared between the factory and the timer it hands out.
    class SharedClockTimer;
    std::shared_ptr<FakeSimulationTimer> clock_ = std::make_shared<FakeSimulationTimer>();
    std::vector<int> sleeps_;
};
