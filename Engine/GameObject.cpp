#include "Engine/GameObject.h"

#include "Engine/GameSystem.h"

GameObject::GameObject(GameSystem* gameSystem) : gameSystem_(gameSystem) {
    addTypeName("GameObject");
    if (gameSystem_ == nullptr) return;
    video_ = gameSystem_->getVideoModule();
    input_ = gameSystem_->getRealInputModule();
    audio_ = gameSystem_->getAudioModule();
    entityManager_ = gameSystem_->getEntityManager();
    mainSequencer_ = gameSystem_->getMainSequencer();
}

GameObject::~GameObject() = default;
