// Creates entities by type name: native factories first, then the script-entity maker.
#pragma once

#include <functional>
#include <map>
#include <memory>
#include <string>

#include "Engine/EntityFactory.h"
#include "Engine/EntityTypeRegistry.h"

class EntityIndustry {
  public:
    // Makes the script-backed entity of a type (installed by the script host).
    using ScriptEntityMaker =
        std::function<Entity*(const std::string& name, int typeID, bool isPlayer, GameSystem* gameSystem)>;

    virtual ~EntityIndustry() = default;

    void registerFactory(const std::string& name, std::unique_ptr<EntityFactory> factory);
    bool hasFactory(const std::string& name) const { return factories_.count(name) != 0; }
    void setScriptEntityMaker(ScriptEntityMaker maker) { scriptEntityMaker_ = std::move(maker); }

    // A registered factory's entity; else, for any kind but "gm", a plain entity of type 0; else
    // the script entity of the name's type id, or a plain entity of that type while no script
    // host is installed. The caller queues the result with the entity manager.
    Entity* create(const std::string& name, const std::string& kind, bool isPlayer, GameSystem* gameSystem);

  private:
    std::map<std::string, std::unique_ptr<EntityFactory>> factories_;
    ScriptEntityMaker scriptEntityMaker_;
};

template <typename EntityType>
Entity* NativeEntityFactory<EntityType>::create(const std::string& name, bool isPlayer,
                                                GameSystem* gameSystem) {
    return new EntityType(gameSystem, EntityTypeRegistry::getProcessRegistry().getEntityTypeID(name),
                          isPlayer);
}
