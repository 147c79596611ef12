#include "Engine/Entity.h"

Entity::Entity(GameSystem* gameSystem, bool isPlayer) : GameObject(gameSystem), isPlayer_(isPlayer) {
    addTypeName("Entity");
}

Entity::~Entity() = default;
