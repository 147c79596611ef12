// An audio module without a device: it counts its updates.
#pragma once

#include "Engine/AudioModule.h"

class NullAudioModule : public AudioModule {
public:
    explicit NullAudioModule(GameSystem* gameSystem) : AudioModule(gameSystem) {
        addTypeName("NullAudioModule");
    }
    void update(float) override { ++updateCount_; }
    int getUpdateCount() const { return updateCount_; }

private:
    int updateCount_ = 0;
};
