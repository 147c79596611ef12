// Base of processes and entities: direct access to the game system and its main modules.
// The object's alarms and oscillators live here too.
#pragma once

#include <memory>

#include "Engine/Alarm.h"
#include "Engine/EventListener.h"
#include "Engine/IdCollection.h"
#include "Engine/LFO.h"
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

    // Alarms and oscillators, keyed by script-chosen ids. Additions and deletions take effect at
    // the owner's next maintenance; the getters see pending additions too.
    Alarm* addAlarm(int id, float intervalMS, bool startAlarming = false);
    void deleteAlarm(int id) { alarms_.remove(id); }
    Alarm* getAlarm(int id) const { return alarms_.get(id); }
    int getUniqueAlarmID() const { return alarms_.getUniqueID(); }
    // The object takes ownership of [lfo].
    LFO* addLFO(int id, std::unique_ptr<LFO> lfo) { return lfos_.add(id, std::move(lfo)); }
    void deleteLFO(int id) { lfos_.remove(id); }
    LFO* getLFO(int id) const { return lfos_.get(id); }
    int getUniqueLFOID() const { return lfos_.getUniqueID(); }

    // The owner's per-tick maintenance, LFOs before alarms. Every alarm that reports alarming
    // calls onAlarm(id), and keeps doing so each tick until it is reset.
    void updateLFOs(float deltaMS);
    void updateAlarms(float deltaMS);

  protected:
    GameSystem* gameSystem_;
    VideoModule* video_ = nullptr;
    InputModule* input_ = nullptr;
    AudioModule* audio_ = nullptr;
    EntityManager* entityManager_ = nullptr;
    Sequencer* mainSequencer_ = nullptr;

  private:
    IdCollection<Alarm> alarms_;
    IdCollection<LFO> lfos_;
};
