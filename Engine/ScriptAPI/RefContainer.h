// The cursor behind ENTITYLISTREFCONTAINER, PROCESSLISTREFCONTAINER and
// SEQUENCERTRIGGERLISTREFCONTAINER values. A container never keeps a raw pointer to something that
// may die before it: live lists are fetched from their owner on every call (the entity and
// particle managers live as long as the engine), answers built for one call keep object ids, and a
// sequencer is reached through its script value, which goes null when the sequencer dies.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "Engine/ScriptAPI/ScriptBinding.h"

class EntityManager;
class ParticleManager;

class RefContainer {
  public:
    virtual ~RefContainer() = default;

    // Slots of the list; an empty slot (a hole a removal left in a live list) is skipped.
    virtual int32_t slotCount() const = 0;
    virtual bool isHole(int32_t slot) const = 0;
    // The element of [slot] as a script value; null when its object is gone.
    virtual gmValue valueAt(gmScriptMachine& machine, int32_t slot) const = 0;
    // Script values the container keeps alive.
    virtual void trace(gmGarbageCollector&, int32_t& /*workDone*/) {}

    int32_t position = 0;
};

enum class EntityListKind { kAll, kPlayers, kType };

// A container over one of the entity manager's live lists (all, players, or one type).
gmValue newLiveEntityContainer(gmScriptMachine& machine, EntityManager* manager, EntityListKind kind,
                               int typeID = 0);
// A container owning its own answer: the entities stay listed after they are removed (their
// elements then read null).
gmValue newEntitySnapshotContainer(gmScriptMachine& machine, EntityManager* manager,
                                   const std::vector<class Entity*>& entities);
// An ENTITYLISTREFCONTAINER whose elements are the particle manager's live particles.
gmValue newParticleContainer(gmScriptMachine& machine, ParticleManager* manager);
// A container over the live trigger list of the sequencer behind [sequencerValue].
gmValue newTriggerContainer(gmScriptMachine& machine, gmHostObject* sequencerValue);
