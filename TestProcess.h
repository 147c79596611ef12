// Exercises audio and the sequencer: plays "stereotest.ogg" on the space bar and "monotest.ogg"
// on every quarter note of the main sequencer, stepping up the scale. Keys: Space plays the stereo
// sound, R restarts this process list, T resets the simulation timer, Escape quits.
#pragma once

#include <memory>

#include "Engine/Process.h"

class SequencerAction;

class TestProcess : public Process {
  public:
    TestProcess(const std::string& name, GameSystem* gameSystem);
    ~TestProcess() override;

    bool init() override;
    void onKeyPress(int keyCode) override;

    // Called by the sequencer on each beat.
    void onBeat();
    int getBeatCount() const { return beats_; }

  private:
    std::unique_ptr<SequencerAction> beat_;
    int beats_ = 0;
};
