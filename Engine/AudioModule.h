// Sample playback as voices. The device-backed module lives in its platform folder.
#pragma once

#include "Engine/EngineModule.h"

class AudioModule : public EngineModule {
public:
    explicit AudioModule(GameSystem* gameSystem) : EngineModule(gameSystem) { addTypeName("AudioModule"); }
};
