// A native entity for the demo: a circle or a box with a physics body that wanders by steering
// (thrust and rotation requests) and collides through the physics module. It draws the default
// debug shape in its own colour.
#pragma once

#include "Engine/Entity.h"
#include "Engine/RealPoint.h"

class DemoEntity : public Entity {
  public:
    struct Definition {
        RealPoint pos;
        RealPoint velocity;    // units per ms; its direction is the starting heading
        float radius = 40.0f;  // circles; 0 makes a box
        float halfWidth = 40.0f;
        float halfHeight = 25.0f;
        float red = 0.6f, green = 0.6f, blue = 0.6f;
        bool player = false;
    };

    DemoEntity(GameSystem* gameSystem, const Definition& definition);

    // Non-players wander: a slowly drifting wish direction, turned toward and thrust along.
    void update(float deltaMS) override;
    // Turns the wish direction away from the side that was hit, so wanderers leave the edges.
    void onEntityCollideWithGameBoard(int sides) override;

    // Turns toward [direction] and thrusts; a zero direction only lets the body coast.
    void steerToward(const RealPoint& direction);
    RealPoint getPos() const;

  private:
    float wanderRadians_ = 0.0f;
};
