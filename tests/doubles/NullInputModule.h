// An input module whose devices are a table a test sets; update reports the changes like a real one.
#pragma once

#include <array>

#include "Engine/InputModule.h"

class NullInputModule : public InputModule {
  public:
    explicit NullInputModule(GameSystem* gameSystem);

    // The state the "device" reports at the next update.
    void setDeviceKey(int keyCode, bool down);
    void update(float deltaMS) override;
    int getUpdateCount() const { return updateCount_; }

  private:
    std::array<bool, NUM_KEYCODES> deviceKeys_{};
    int updateCount_ = 0;
};
