// The physics world: body movement, the world step and collision reports. This base is the world
// without physics (bodies that never move or collide), used where a test needs none; the game's
// world is Box2DPhysicsModule.
#pragma once

#include <memory>
#include <vector>

#include "Engine/EngineModule.h"
#include "Engine/RealPoint.h"

class Entity;
class PhysicsData;

class PhysicsModule : public EngineModule {
  public:
    explicit PhysicsModule(GameSystem* gameSystem) : EngineModule(gameSystem) {
        addTypeName("PhysicsModule");
    }

    // A new body for [entity], which will own it.
    virtual std::unique_ptr<PhysicsData> createPhysicsData(Entity* entity);

    // Appends to [out] each entity whose body's broad-phase box overlaps the rectangle (at most
    // kMaxQueryBodies of them) and returns how many were found.
    virtual int getEntitiesRoughlyWithin(float minX, float minY, float maxX, float maxY,
                                         std::vector<Entity*>& out);

    // World gravity in units/ms², added each tick to the velocity of every dynamic body (times
    // its gravity scale) like a thrust; (0, 0) by default. Refuses values that are not finite.
    bool setGravity(float x, float y);
    RealPoint getGravity() const { return gravity_; }

    // A query reports this many bodies at most, so one call's cost stays bounded.
    static constexpr int kMaxQueryBodies = 1024;

  private:
    RealPoint gravity_;
};
