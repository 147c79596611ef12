#include "Engine/EntityIndustry.h"

#include "Engine/Entity.h"

void EntityIndustry::registerFactory(const std::string& name, std::unique_ptr<EntityFactory> factory) {
    factories_[name] = std::move(factory);
}

Entity* EntityIndustry::create(const std::string& name, const std::string& kind, bool isPlayer,
                               GameSystem* gameSystem) {
    auto found = factories_.find(name);
    if (found != factories_.end())
        return found->second->create(name, isPlayer, gameSystem);
    if (kind != "gm")
        return new Entity(gameSystem, 0, isPlayer);
    const int typeID = EntityTypeRegistry::getProcessRegistry().getEntityTypeID(name);
    if (scriptEntityMaker_) {
        if (Entity* entity = scriptEntityMaker_(name, typeID, isPlayer, gameSystem))
            return entity;
    }
    return new Entity(gameSystem, typeID, isPlayer);
}
