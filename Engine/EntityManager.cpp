#include "Engine/EntityManager.h"

#include <algorithm>
#include <unordered_set>

#include "Engine/Assertion.h"
#include "Engine/Entity.h"
#include "Engine/EntityIndustry.h"
#include "Engine/EntityTypeRegistry.h"
#include "Engine/GameSystem.h"
#include "Engine/PhysicsModule.h"

namespace {

// Flushes asked for by the handlers of a flush run right after it, up to this many in a row; a
// handler that asks again every time (creating and flushing in onEntityCreate) then waits for
// the next tick instead of holding the game forever.
constexpr int kMaxChainedFlushes = 64;

const std::vector<Entity*>& emptyList() {
    static const std::vector<Entity*> empty;
    return empty;
}

void eraseValue(std::vector<Entity*>& list, const LinkedObject* object) {
    list.erase(std::remove_if(list.begin(), list.end(),
                              [object](Entity* e) { return static_cast<LinkedObject*>(e) == object; }),
               list.end());
}

}  // namespace

EntityManager::EntityManager(GameSystem* gameSystem) : EngineModule(gameSystem) {
    addTypeName("EntityManager");
}

EntityManager::~EntityManager() {
    destroying_ = true;
    std::vector<Entity*> live;
    live.swap(entities_);
    std::vector<Entity*> pending;
    pending.swap(pending_);
    players_.clear();
    byID_.clear();
    byType_.clear();
    for (Entity* entity : pending) delete entity;
    for (Entity* entity : live) delete entity;
}

void EntityManager::update(float) {
    flush();
}

// ---- Creation -------------------------------------------------------------------------------

// While the manager is destroyed, the destructors of its entities may ask for new ones (a script
// destructor at shutdown): those are refused, as nothing would ever delete them.
Entity* EntityManager::createEntity() {
    if (destroying_)
        return nullptr;
    auto* entity = new Entity(gameSystem_, 0, false);
    addEntity(entity);
    return entity;
}

Entity* EntityManager::createEntityAsPlayer() {
    if (destroying_)
        return nullptr;
    auto* entity = new Entity(gameSystem_, 0, true);
    addEntity(entity);
    return entity;
}

Entity* EntityManager::createEntity(const std::string& typeName) {
    if (destroying_)
        return nullptr;
    EntityIndustry* industry = gameSystem_ != nullptr ? gameSystem_->getEntityIndustry() : nullptr;
    Entity* entity = industry != nullptr ? industry->create(typeName, "gm", false, gameSystem_) : nullptr;
    addEntity(entity);
    return entity;
}

Entity* EntityManager::createEntityAsPlayer(const std::string& typeName) {
    if (destroying_)
        return nullptr;
    EntityIndustry* industry = gameSystem_ != nullptr ? gameSystem_->getEntityIndustry() : nullptr;
    Entity* entity = industry != nullptr ? industry->create(typeName, "gm", true, gameSystem_) : nullptr;
    addEntity(entity);
    return entity;
}

void EntityManager::addEntity(Entity* entity) {
    if (entity != nullptr)
        pending_.push_back(entity);
}

// ---- Queries --------------------------------------------------------------------------------

Entity* EntityManager::getEntity(uint32_t objectID) const {
    auto found = byID_.find(objectID);
    return found != byID_.end() ? found->second : nullptr;
}

Entity* EntityManager::getEntityOrPending(uint32_t objectID) const {
    if (Entity* admitted = getEntity(objectID))
        return admitted;
    for (Entity* entity : pending_)
        if (entity != nullptr && entity->getObjectID() == objectID)
            return entity;
    return nullptr;
}

const std::vector<Entity*>& EntityManager::getAllEntities(int typeID) const {
    auto found = byType_.find(typeID);
    return found != byType_.end() ? found->second : emptyList();
}

const std::vector<Entity*>& EntityManager::getAllEntities(const std::string& typeName) const {
    return getAllEntities(EntityTypeRegistry::getProcessRegistry().getEntityTypeID(typeName));
}

int EntityManager::getNumEntities(const std::string& typeName) const {
    return static_cast<int>(getAllEntities(typeName).size());
}

Entity* EntityManager::getRandomEntity(const std::string& typeName) {
    return pickRandomEntity(getAllEntities(typeName));
}

Entity* EntityManager::pickRandomEntity(const std::vector<Entity*>& list) {
    if (list.empty())
        return nullptr;
    const int32_t last = static_cast<int32_t>(list.size()) - 1;
    const int32_t index = gameSystem_ != nullptr
                              ? gameSystem_->getRandomInteger(0, last)
                              : RandomGenerator::getProcessGenerator().getRandomInteger(0, last);
    Entity* picked = list[static_cast<std::size_t>(index)];
    TACT_ASSERT(picked != nullptr, "retval!=NULL");
    return picked;
}

int EntityManager::getEntitiesRoughlyWithin(float minX, float minY, float maxX, float maxY,
                                            std::vector<Entity*>& out) {
    PhysicsModule* physics = gameSystem_ != nullptr ? gameSystem_->getPhysicsModule() : nullptr;
    return physics != nullptr ? physics->getEntitiesRoughlyWithin(minX, minY, maxX, maxY, out) : 0;
}

int EntityManager::getEntitiesNear(float x, float y, float rangeX, float rangeY, std::vector<Entity*>& out) {
    return getEntitiesRoughlyWithin(x - rangeX, y - rangeY, x + rangeX, y + rangeY, out);
}

void EntityManager::deleteAllEntities() {
    WalkScope walk(*this);
    for (std::size_t i = 0; i < entities_.size(); ++i) {
        if (entities_[i] != nullptr)
            entities_[i]->tagForDeletion();
    }
}

// ---- Walks and flush ------------------------------------------------------------------------

void EntityManager::endWalk() {
    if (!TACT_ASSERT(walkDepth_ > 0, "walkDepth_>0"))
        return;
    if (--walkDepth_ > 0)
        return;
    compact();
    if (flushRequested_)
        flush();
}

void EntityManager::compact() {
    if (holes_ == 0)
        return;
    entities_.erase(std::remove(entities_.begin(), entities_.end(), nullptr), entities_.end());
    holes_ = 0;
}

void EntityManager::flush() {
    if (walkDepth_ > 0) {
        flushRequested_ = true;
        return;
    }
    for (int round = 0; round < kMaxChainedFlushes; ++round) {
        flushRequested_ = false;
        ++walkDepth_;
        flushOnce();
        --walkDepth_;
        compact();
        if (!flushRequested_)
            return;
    }
}

void EntityManager::flushOnce() {
    // Entities queued by the onEntityCreate handlers wait for the next flush.
    std::vector<Entity*> admitted;
    admitted.swap(pending_);
    for (std::size_t i = 0; i < admitted.size(); ++i) admit(admitted[i]);

    std::vector<Entity*> collected;
    for (std::size_t i = 0; i < entities_.size(); ++i) {
        Entity* entity = entities_[i];
        if (entity != nullptr && (entity->isTaggedForDeletion() || entity->isDead()))
            collected.push_back(entity);
    }
    if (!collected.empty())
        removeCollected(collected);
}

void EntityManager::admit(Entity* entity) {
    link(entity);
    byID_[entity->getObjectID()] = entity;
    entities_.push_back(entity);
    byType_[entity->getType()].push_back(entity);
    if (entity->isPlayer())
        players_.push_back(entity);
    if (gameSystem_ != nullptr)
        gameSystem_->onEntityCreate(entity);
}

// All of this flush's dead leave the lists in one pass (a per-entity erase would cost a list
// walk each), then each is announced and deleted in list order.
void EntityManager::removeCollected(const std::vector<Entity*>& collected) {
    const std::unordered_set<const Entity*> dying(collected.begin(), collected.end());
    auto isDying = [&dying](const Entity* e) { return dying.count(e) != 0; };
    entities_.erase(std::remove_if(entities_.begin(), entities_.end(), isDying), entities_.end());
    players_.erase(std::remove_if(players_.begin(), players_.end(), isDying), players_.end());
    for (Entity* entity : collected) {
        byID_.erase(entity->getObjectID());
        auto typeList = byType_.find(entity->getType());
        if (typeList != byType_.end()) {
            std::vector<Entity*>& list = typeList->second;
            list.erase(std::remove(list.begin(), list.end(), entity), list.end());
        }
    }
    for (Entity* entity : collected) {
        if (gameSystem_ != nullptr)
            gameSystem_->onEntityDelete(entity);
        deletingEntity_ = entity;
        delete entity;
        deletingEntity_ = nullptr;
    }
}

void EntityManager::removeEntity(LinkedObject* object) {
    if (object == nullptr || object == deletingEntity_ || destroying_)
        return;
    eraseValue(players_, object);
    eraseValue(pending_, object);
    for (auto& [type, list] : byType_) eraseValue(list, object);
    // The object may be half destroyed: find it by address, never through its members.
    for (auto it = byID_.begin(); it != byID_.end(); ++it) {
        if (static_cast<LinkedObject*>(it->second) == object) {
            byID_.erase(it);
            break;
        }
    }
    if (walkDepth_ > 0) {
        for (Entity*& slot : entities_) {
            if (slot != nullptr && static_cast<LinkedObject*>(slot) == object) {
                slot = nullptr;
                ++holes_;
            }
        }
    } else {
        eraseValue(entities_, object);
    }
}

// ---- Drawing --------------------------------------------------------------------------------

void EntityManager::drawEntities() {
    WalkScope walk(*this);
    for (std::size_t i = 0; i < entities_.size(); ++i) {
        Entity* entity = entities_[i];
        if (entity != nullptr && !entity->isInvisible())
            entity->draw();
    }
}

void EntityManager::drawEntitiesAlpha() {
    WalkScope walk(*this);
    for (std::size_t i = 0; i < entities_.size(); ++i) {
        Entity* entity = entities_[i];
        if (entity != nullptr && !entity->isInvisible())
            entity->drawAlpha();
    }
}
