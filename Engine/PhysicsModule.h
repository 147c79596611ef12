// The physics world: body movement, the world step and collision reports.
#pragma once

#include "Engine/EngineModule.h"

class PhysicsModule : public EngineModule {
public:
    explicit PhysicsModule(GameSystem* gameSystem) : EngineModule(gameSystem) { addTypeName("PhysicsModule"); }
};
