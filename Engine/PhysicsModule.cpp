#include "Engine/PhysicsModule.h"

#include "Engine/PhysicsData.h"

std::unique_ptr<PhysicsData> PhysicsModule::createPhysicsData(Entity*) {
    return std::make_unique<PhysicsData>();
}

int PhysicsModule::getEntitiesRoughlyWithin(float, float, float, float, std::vector<Entity*>&) {
    return 0;
}
