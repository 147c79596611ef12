// The modules of a run without window or sound card: a video module that draws nothing, input
// with no device (keys come from whoever sets them), audio without a device, the script host,
// and a virtual clock that the loop's sleeps advance, so the run is the same on every machine.
#pragma once

#include "Engine/ModuleFactory.h"
#include "Engine/VirtualClock.h"

class HeadlessModuleFactory : public ModuleFactory {
  public:
    // [compiledScripts]: the script host reads compiled libraries (NAME.gmc) instead of source.
    explicit HeadlessModuleFactory(bool compiledScripts = true) : compiledScripts_(compiledScripts) {
        // The loop sleeps whole milliseconds; with less than one left it would spin forever on a
        // clock that only sleeps move, so each reading of the clock takes a little time too.
        clock_.setAutoAdvanceMS(0.25);
    }

    std::unique_ptr<VideoModule> createVideoModule(GameSystem* gameSystem) override;
    std::unique_ptr<InputModule> createInputModule(GameSystem* gameSystem) override;
    std::unique_ptr<AudioModule> createAudioModule(GameSystem* gameSystem) override;
    std::unique_ptr<ScriptModule> createScriptModule(GameSystem* gameSystem) override;

    std::unique_ptr<SimulationTimer> createTimer() override { return clock_.createTimer(); }
    void sleepMS(int ms) override { clock_.advance(ms); }
    VirtualClock& getClock() { return clock_; }

  private:
    bool compiledScripts_;
    VirtualClock clock_;
};
