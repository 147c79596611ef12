// Makes native entities by type name; registered in the entity industry by the host program.
#pragma once

#include <string>

class Entity;
class GameSystem;

class EntityFactory {
  public:
    virtual ~EntityFactory() = default;
    // A new entity for [gameSystem], or null.
    virtual Entity* create(const std::string& name, bool isPlayer, GameSystem* gameSystem) = 0;
};

// A factory for an entity class constructed from (game system, type id, player flag); the type
// id is the registered id of the name the factory was asked for.
template <typename EntityType>
class NativeEntityFactory final : public EntityFactory {
  public:
    Entity* create(const std::string& name, bool isPlayer, GameSystem* gameSystem) override;
};
