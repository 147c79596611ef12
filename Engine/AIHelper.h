// Ready-made steering and targeting for entities: turn towards a direction or another entity
// within the body's rotation limits, aim ahead of a moving target, find the nearest player or
// entity, tell on which side something lies, and test whether something is in a corridor ahead.
// Angles are radians measured with atan2 of direction vectors.
#pragma once

#include <string>
#include <vector>

#include "Engine/RealPoint.h"

class Entity;
class GameSystem;

class AIHelper {
  public:
    // [gameSystem] gives the entity lists for the closest-entity searches; may be null.
    explicit AIHelper(GameSystem* gameSystem = nullptr) : gameSystem_(gameSystem) {}
    virtual ~AIHelper() = default;

    // Snaps [who] to [dir] when one tick's turn reaches it, else requests a rotation towards it.
    void face(const RealPoint& dir, Entity* who);
    void faceTarget(Entity* target, Entity* who);
    // Faces where [target] will be when something leaving [who] at [speed] reaches it, and returns
    // that direction. A speed <= 0 aims at the target's current position.
    RealPoint leadTarget(Entity* who, Entity* target, float speed);

    Entity* findClosestPlayer(Entity* who) const;
    Entity* findClosestEntity(Entity* who) const;
    Entity* findClosestEntity(int typeID, Entity* who) const;
    Entity* findClosestEntity(const std::string& typeName, Entity* who) const;

    // 1 when [target] lies counter-clockwise of [who]'s heading, -1 clockwise, 0 dead ahead.
    int getWhichSide(Entity* who, Entity* target) const;
    // True when [target] (by its radius) lies in the corridor of [width] ahead of [who], up to
    // [range] beyond the target's own radius.
    bool isInFront(Entity* who, Entity* target, float range, float width) const;

    // The signed angle that turns [from] onto [to], in [-pi, pi].
    static float getAngleDifference(const RealPoint& from, const RealPoint& to);

  private:
    static Entity* findClosest(const std::vector<Entity*>& list, Entity* who);

    GameSystem* gameSystem_;
};
