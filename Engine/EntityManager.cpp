#include "Engine/EntityManager.h"

#include "Engine/Entity.h"
#include "Engine/GameSystem.h"

EntityManager::EntityManager(GameSystem* gameSystem) : EngineModule(gameSystem) {
    addTypeName("EntityManager");
}

EntityManager::~EntityManager() {
    for (Entity* entity : pending_) delete entity;
    for (Entity* entity : entities_) delete entity;
}

void EntityManager::update(float) { flush(); }

void EntityManager::addEntity(Entity* entity) {
    if (entity != nullptr) pending_.push_back(entity);
}

void EntityManager::flush() {
    std::vector<Entity*> admitted;
    admitted.swap(pending_);
    for (Entity* entity : admitted) {
        entities_.push_back(entity);
        if (gameSystem_ != nullptr) gameSystem_->onEntityCreate(entity);
    }
}
