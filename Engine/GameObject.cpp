#include "Engine/GameObject.h"

#include "Engine/GameSystem.h"

GameObject::GameObject(GameSystem* gameSystem) : gameSystem_(gameSystem) {
    addTypeName("GameObject");
    if (gameSystem_ == nullptr)
        return;
    video_ = gameSystem_->getVideoModule();
    input_ = gameSystem_->getRealInputModule();
    audio_ = gameSystem_->getAudioModule();
    entityManager_ = gameSystem_->getEntityManager();
    mainSequencer_ = gameSystem_->getMainSequencer();
}

GameObject::~GameObject() = default;

Alarm* GameObject::addAlarm(int id, float intervalMS, bool startAlarming) {
    return alarms_.add(id, std::make_unique<Alarm>(intervalMS, startAlarming));
}

void GameObject::updateLFOs(float deltaMS) {
    lfos_.maintain();
    lfos_.forEachActive([deltaMS](int, LFO& lfo) { lfo.update(deltaMS); });
}

void GameObject::updateAlarms(float deltaMS) {
    alarms_.maintain();
    alarms_.forEachActive([this, deltaMS](int id, Alarm& alarm) {
        if (alarm.update(deltaMS))
            onAlarm(id);
    });
}
