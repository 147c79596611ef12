#include "Engine/Entity.h"

Entity::Entity(GameSystem* gameSystem) : GameObject(gameSystem) { addTypeName("Entity"); }

Entity::~Entity() = default;
