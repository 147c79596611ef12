// A step sequencer firing actions on a musical grid.
#pragma once

#include "Engine/LinkedObject.h"

class Sequencer : public LinkedObject {
public:
    Sequencer();
    ~Sequencer() override;

    void start() { running_ = true; }
    bool isRunning() const { return running_; }

    // Advances every sequencer of the process by [deltaMS]; driven by the game system's clock.
    static void updateAll(float deltaMS);
    // Number of updateAll calls so far (the clock's beat count).
    static unsigned getUpdateAllCount();

private:
    bool running_ = false;
};
