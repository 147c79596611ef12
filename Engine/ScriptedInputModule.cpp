#include "Engine/ScriptedInputModule.h"

#include <algorithm>

#include "Engine/GameSystem.h"

ScriptedInputModule::ScriptedInputModule(GameSystem* gameSystem, std::vector<KeyEvent> events)
    : InputModule(gameSystem), events_(std::move(events)) {
    addTypeName("ScriptedInputModule");
    std::stable_sort(events_.begin(), events_.end(),
                     [](const KeyEvent& a, const KeyEvent& b) { return a.tick < b.tick; });
}

void ScriptedInputModule::update(float deltaMS) {
    const uint32_t tick = gameSystem_ != nullptr ? gameSystem_->getCurrentTick() : 0;
    // Events for ticks already gone (a file that starts at tick 0) apply at the first update.
    while (next_ < events_.size() && events_[next_].tick <= tick) {
        setKeyState(events_[next_].keyCode, events_[next_].down);
        ++next_;
    }
    InputModule::update(deltaMS);
}
