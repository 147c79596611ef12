#include "Engine/PhysicsModule.h"

#include <cmath>

#include "Engine/PhysicsData.h"

std::unique_ptr<PhysicsData> PhysicsModule::createPhysicsData(Entity*) {
    return std::make_unique<PhysicsData>();
}

int PhysicsModule::getEntitiesRoughlyWithin(float, float, float, float, std::vector<Entity*>&) {
    return 0;
}

bool PhysicsModule::setGravity(float x, float y) {
    if (!std::isfinite(x) || !std::isfinite(y))
        return false;
    gravity_ = {x, y};
    return true;
}
