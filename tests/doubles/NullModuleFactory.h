// Test doubles for running the engine without devices: modules that record what they were asked
// and a virtual clock that tests move by hand. Sleeping advances the clock instead of real time, so
// the loop's timing rules run at full speed in tests.
#pragma once

#include <vector>

#include "Engine/ModuleFactory.h"
#include "Engine/VirtualClock.h"

class NullModuleFactory : public ModuleFactory {
  public:
    std::unique_ptr<VideoModule> createVideoModule(GameSystem* gameSystem) override;
    std::unique_ptr<InputModule> createInputModule(GameSystem* gameSystem) override;
    std::unique_ptr<AudioModule> createAudioModule(GameSystem* gameSystem) override;
    std::unique_ptr<ScriptModule> createScriptModule(GameSystem* gameSystem) override;

    // The game system's timer reads this clock.
    std::unique_ptr<SimulationTimer> createTimer() override { return clock_.createTimer(); }
    void sleepMS(int ms) override;

    VirtualClock& getClock() { return clock_; }
    const std::vector<int>& getSleeps() const { return sleeps_; }

  private:
    VirtualClock clock_;
    std::vector<int> sleeps_;
};
