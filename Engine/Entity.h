// A thing that lives in the play area, owned by the entity manager.
#pragma once

#include "Engine/GameObject.h"

class Entity : public GameObject {
public:
    explicit Entity(GameSystem* gameSystem, bool isPlayer = false);
    ~Entity() override;

    // The video module's passes skip invisible entities; players get their translucent pass last.
    bool isInvisible() const { return isInvisible_; }
    void setIsInvisible(bool invisible) { isInvisible_ = invisible; }
    bool isPlayer() const { return isPlayer_; }

    virtual void update(float /*deltaMS*/) {}
    virtual void draw() {}
    virtual void drawAlpha() {}
    virtual void onEntityCollide(Entity* /*other*/) {}
    virtual void onEntityTouch(Entity* /*other*/) {}
    virtual void onEntityCollideWithGameBoard(int /*sides*/) {}

private:
    bool isInvisible_ = false;
    bool isPlayer_;
};
