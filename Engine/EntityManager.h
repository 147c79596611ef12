// Owns every live entity; new entities become visible, and dead ones go, only at flush.
#pragma once

#include <vector>

#include "Engine/EngineModule.h"

class Entity;

class EntityManager : public EngineModule {
public:
    explicit EntityManager(GameSystem* gameSystem);
    ~EntityManager() override;

    void update(float deltaMS) override;

    // Queues [entity] (owned from now on) for admission at the next flush.
    void addEntity(Entity* entity);
    // Admits the pending entities and tells everyone about them.
    void flush();
    const std::vector<Entity*>& getAllEntities() const { return entities_; }

private:
    std::vector<Entity*> entities_;
    std::vector<Entity*> pending_;
};
