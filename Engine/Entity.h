// A thing that lives in the play area, owned by the entity manager.
#pragma once

#include "Engine/GameObject.h"

class Entity : public GameObject {
public:
    explicit Entity(GameSystem* gameSystem);
    ~Entity() override;

    virtual void update(float /*deltaMS*/) {}
    virtual void draw() {}
    virtual void drawAlpha() {}
    virtual void onEntityCollide(Entity* /*other*/) {}
    virtual void onEntityTouch(Entity* /*other*/) {}
    virtual void onEntityCollideWithGameBoard(int /*sides*/) {}
};
