// Owns every live entity and keeps them in lists by admission order, type and player flag. New
// entities become visible, and dead ones go, only at flush.
//
// Walks: code that walks the live list and may call out (the entity pass, the contact events,
// the draw passes) holds a WalkScope. A flush asked for during a walk, or during a flush, runs
// when the outermost one ends, so nothing is freed while a list is being walked. An entity
// destroyed directly during a walk leaves a null slot in the all list until the walk ends;
// walkers skip null entries.
#pragma once

#include <cstdint>
#include <string>
#include <unordered_map>
#include <vector>

#include "Engine/EngineModule.h"

class Entity;

class EntityManager : public EngineModule {
  public:
    class WalkScope {
      public:
        explicit WalkScope(EntityManager& manager) : manager_(manager) { manager_.beginWalk(); }
        ~WalkScope() { manager_.endWalk(); }
        WalkScope(const WalkScope&) = delete;
        WalkScope& operator=(const WalkScope&) = delete;

      private:
        EntityManager& manager_;
    };

    explicit EntityManager(GameSystem* gameSystem);
    ~EntityManager() override;

    // The per-tick module update is a flush; the elapsed time is not used.
    void update(float deltaMS) override;
    // An entity destroyed by anyone else leaves every list.
    void onLinkedObjectDeleted(LinkedObject* deleted) override { removeEntity(deleted); }

    // New entities, returned at once but invisible to every query until the next flush. A name
    // goes through the entity industry as a script type.
    Entity* createEntity();
    Entity* createEntityAsPlayer();
    Entity* createEntity(const std::string& typeName);
    Entity* createEntityAsPlayer(const std::string& typeName);
    // Queues [entity] (owned from now on) for admission at the next flush; null is ignored.
    void addEntity(Entity* entity);

    Entity* getEntity(uint32_t objectID) const;
    // Like getEntity, but also finds an entity still waiting for its admission (an area query
    // sees it at once, since its body is in the world from its creation).
    Entity* getEntityOrPending(uint32_t objectID) const;
    const std::vector<Entity*>& getAllEntities() const { return entities_; }
    // An empty list for a type without live entities.
    const std::vector<Entity*>& getAllEntities(int typeID) const;
    const std::vector<Entity*>& getAllEntities(const std::string& typeName) const;
    const std::vector<Entity*>& getAllPlayerEntities() const { return players_; }
    int getNumEntities() const { return static_cast<int>(entities_.size()) - holes_; }
    int getNumEntities(int typeID) const { return static_cast<int>(getAllEntities(typeID).size()); }
    int getNumEntities(const std::string& typeName) const;
    int getNumPlayers() const { return static_cast<int>(players_.size()); }
    int getNumPendingEntities() const { return static_cast<int>(pending_.size()); }
    Entity* getRandomPlayer() { return pickRandomEntity(players_); }
    Entity* getRandomEntity(int typeID) { return pickRandomEntity(getAllEntities(typeID)); }
    Entity* getRandomEntity(const std::string& typeName);

    // Appends the entities whose bodies' broad-phase boxes overlap the rectangle (at most 1024),
    // as the physics module reports them; returns how many were found.
    int getEntitiesRoughlyWithin(float minX, float minY, float maxX, float maxY, std::vector<Entity*>& out);
    int getEntitiesNear(float x, float y, float rangeX, float rangeY, std::vector<Entity*>& out);

    // Tags every live entity; they go at the next flush. Pending entities are not touched.
    void deleteAllEntities();
    // Admits the pending entities (onEntityCreate each), then removes every tagged or dead one
    // (onEntityDelete each, then deletion). Deferred while a walk or flush is in progress.
    void flush();
    // Takes [object] out of every list (it is no longer owned).
    void removeEntity(LinkedObject* object);

    // The video module's entity passes: every visible live entity in list order.
    void drawEntities();
    void drawEntitiesAlpha();

    void beginWalk() { ++walkDepth_; }
    void endWalk();
    bool isWalking() const { return walkDepth_ > 0; }

  private:
    void flushOnce();
    void admit(Entity* entity);
    void removeCollected(const std::vector<Entity*>& collected);
    void compact();
    Entity* pickRandomEntity(const std::vector<Entity*>& list);

    std::vector<Entity*> entities_;
    std::vector<Entity*> players_;
    std::unordered_map<uint32_t, Entity*> byID_;
    std::unordered_map<int, std::vector<Entity*>> byType_;
    std::vector<Entity*> pending_;

    int walkDepth_ = 0;
    bool flushRequested_ = false;
    int holes_ = 0;  // null slots in entities_, left by removals during a walk
    // The entity flush is deleting right now, already out of every list.
    const LinkedObject* deletingEntity_ = nullptr;
    bool destroying_ = false;
};
