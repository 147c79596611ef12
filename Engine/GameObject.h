// Base of processes and entities: direct access to the game system and its main modules.
// The object's alarms and oscillators live here too.
#pragma once

#include "Engine/EventListener.h"
#include "Engine/LinkedObject.h"

class AudioModule;
class EntityManager;
class GameSystem;
class InputModule;
class Sequencer;
class VideoModule;

class GameObject : public LinkedObject, public EventListener {
public:
    // [gameSystem] may be null for objects made outside a running engine (tests).
    explicit GameObject(GameSystem* gameSystem);
    ~GameObject() override;

    GameSystem* getGameSystem() const { return gameSystem_; }

protected:
    GameSystem* gameSystem_;
    VideoModule* video_ = nullptr;
    InputModule* input_ = nullptr;
    AudioModule* audio_ = nullptr;
    EntityManager* entityManager_ = nullptr;
    Sequencer* mainSequencer_ = nullptr;
};
