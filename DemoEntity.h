// A native entity for the demo: a circle or a box that moves, steers toward a wandering heading
// and bounces off the board's sides and other demo entities. It draws the default debug shape.
#pragma once

#include "Engine/Entity.h"
#include "Engine/RealPoint.h"

class DemoEntity : public Entity {
  public:
    struct Definition {
        RealPoint pos;
        RealPoint velocity;    // units per ms
        float radius = 40.0f;  // circles; 0 makes a box
        float halfWidth = 40.0f;
        float halfHeight = 25.0f;
        float red = 0.6f, green = 0.6f, blue = 0.6f;
        bool player = false;
    };

    DemoEntity(GameSystem* gameSystem, const Definition& definition);

    void update(float deltaMS) override;
    void draw() override;

    // Turns the heading toward [direction] by at most [maxRadians].
    void steerToward(const RealPoint& direction, float maxRadians);
    // Separates two overlapping entities and swaps their velocity along the line between them.
    static void collide(DemoEntity& a, DemoEntity& b);

    const RealPoint& getPos() const { return pos_; }
    float getSpeed() const { return velocity_.length(); }
    void setSpeed(float unitsPerMS);
    float getBoundingRadius() const;

  private:
    RealPoint pos_;
    RealPoint velocity_;
    float radius_;
    float halfWidth_;
    float halfHeight_;
    float colour_[3];
    float wanderRadians_ = 0.0f;
};
