// A named unit of game logic (title screen, level, console) in the game system's process list.
#pragma once

#include <string>

#include "Engine/GameObject.h"

class Entity;

class Process : public GameObject {
  public:
    Process(const std::string& name, GameSystem* gameSystem);
    ~Process() override;

    void onLinkedObjectDeleted(LinkedObject* deleted) override { GameObject::onLinkedObjectDeleted(deleted); }
    // Called each tick until it returns true; only then does the process update.
    virtual bool init() { return true; }
    virtual void update(float /*deltaMS*/) {}
    virtual void preDraw() {}
    virtual void postDraw() {}
    virtual void onEntityCollide(Entity* /*a*/, Entity* /*b*/) {}
    virtual void onEntityTouch(Entity* /*a*/, Entity* /*b*/) {}
    virtual void onEntityCollideWithGameBoard(Entity* /*entity*/, int /*sideFlags*/) {}
    // False only when onEntityTouch is known to do nothing now (see Entity::hearsEntityTouch).
    virtual bool hearsEntityTouch() const { return true; }

    // The update visit: init until it succeeds, then the object's timers and update.
    void tick(float deltaMS);

    // Asks the game system to delete this process at the start of the next tick.
    void terminate() { terminateRequested_ = true; }
    bool isTerminated() const { return terminateRequested_; }
    bool isInited() const { return isInited_; }
    const std::string& getName() const { return name_; }

    void setIsStealsInputFocus(bool steals) { stealsInputFocus_ = steals; }
    bool isStealsInputFocus() const { return stealsInputFocus_; }
    void setIsUpdatesEntities(bool updates) { updatesEntities_ = updates; }
    bool isUpdatesEntities() const { return updatesEntities_; }

  private:
    bool stealsInputFocus_ = false;
    bool updatesEntities_ = false;
    std::string name_;
    bool isInited_ = false;
    bool terminateRequested_ = false;
};
