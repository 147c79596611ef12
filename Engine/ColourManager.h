// The named colour table.
#pragma once

#include "Engine/EngineModule.h"

class ColourManager : public EngineModule {
public:
    explicit ColourManager(GameSystem* gameSystem) : EngineModule(gameSystem) { addTypeName("ColourManager"); }
};
