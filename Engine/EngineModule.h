// Base of every module the game system owns and fans events out to.
#pragma once

#include "Engine/EventListener.h"
#include "Engine/LinkedObject.h"

class Entity;
class GameSystem;

class EngineModule : public LinkedObject, public EventListener {
  public:
    explicit EngineModule(GameSystem* gameSystem);
    ~EngineModule() override;

    void onLinkedObjectDeleted(LinkedObject*) override {}
    virtual bool init();
    virtual void update(float /*deltaMS*/) {}
    virtual void onEntityCollide(Entity* /*a*/, Entity* /*b*/) {}
    virtual void onEntityTouch(Entity* /*a*/, Entity* /*b*/) {}
    virtual void onEntityCollideWithGameBoard(Entity* /*entity*/, int /*sideFlags*/) {}

    bool isInited() const { return isInited_; }
    GameSystem* getGameSystem() const { return gameSystem_; }

  protected:
    GameSystem* gameSystem_;
    bool isInited_ = false;
};
