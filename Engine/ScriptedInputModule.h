// Input from a list of key events by tick instead of a device: at the input update of tick T the
// keys of the events for T go down or up, so a headless run sees exactly the presses and releases
// of a recorded session, on the same ticks.
#pragma once

#include <vector>

#include "Engine/InputModule.h"
#include "Engine/KeyScript.h"

class ScriptedInputModule final : public InputModule {
  public:
    ScriptedInputModule(GameSystem* gameSystem, std::vector<KeyEvent> events);
    void update(float deltaMS) override;

  private:
    std::vector<KeyEvent> events_;  // sorted by tick, file order within a tick
    std::size_t next_ = 0;
};
