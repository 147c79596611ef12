// ENTITYLISTREFCONTAINER, PROCESSLISTREFCONTAINER, SEQUENCERTRIGGERLISTREFCONTAINER: cursors over
// lists of engine objects.
#include <iterator>

#include "Engine/Entity.h"
#include "Engine/EntityManager.h"
#include "Engine/Particle.h"
#include "Engine/ParticleManager.h"
#include "Engine/ScriptAPI/RefContainer.h"
#include "Engine/ScriptAPI/ScriptTypes.h"
#include "Engine/Sequencer.h"

namespace {
class LiveEntityList final : public RefContainer {
  public:
    LiveEntityList(EntityManager* manager, EntityListKind kind, int typeID)
        : manager_(manager), kind_(kind), typeID_(typeID) {}
    int32_t slotCount() const override { return static_cast<int32_t>(list().size()); }
    bool isHole(int32_t slot) const override { return list()[slot] == nullptr; }
    gmValue valueAt(gmScriptMachine& machine, int32_t slot) const override {
        return referenceTo(machine, ScriptType::ENTITY, list()[slot]);
    }

  private:
    // Fetched each time: a per-type list may be dropped and rebuilt by the manager.
    const std::vector<Entity*>& list() const {
        switch (kind_) {
            case EntityListKind::kPlayers:
                return manager_->getAllPlayerEntities();
            case EntityListKind::kType:
                return manager_->getAllEntities(typeID_);
            case EntityListKind::kAll:
                break;
        }
        return manager_->getAllEntities();
    }
    EntityManager* manager_;
    EntityListKind kind_;
    int typeID_;
};

class EntitySnapshot final : public RefContainer {
  public:
    EntitySnapshot(EntityManager* manager, const std::vector<Entity*>& entities) : manager_(manager) {
        ids_.reserve(entities.size());
        for (const Entity* entity : entities)
            if (entity != nullptr)
                ids_.push_back(entity->getObjectID());
    }
    int32_t slotCount() const override { return static_cast<int32_t>(ids_.size()); }
    bool isHole(int32_t) const override { return false; }
    gmValue valueAt(gmScriptMachine& machine, int32_t slot) const override {
        // The query found the entity through its body, which is in the world from its creation on.
        return referenceTo(machine, ScriptType::ENTITY, manager_->getEntityOrPending(ids_[slot]));
    }

  private:
    EntityManager* manager_;
    std::vector<uint32_t> ids_;
};

class LiveParticleList final : public RefContainer {
  public:
    explicit LiveParticleList(ParticleManager* manager) : manager_(manager) {}
    int32_t slotCount() const override { return static_cast<int32_t>(manager_->getAllParticles().size()); }
    bool isHole(int32_t slot) const override { return manager_->getAllParticles()[slot] == nullptr; }
    gmValue valueAt(gmScriptMachine& machine, int32_t slot) const override {
        return referenceTo(machine, ScriptType::PARTICLE, manager_->getAllParticles()[slot]);
    }

  private:
    ParticleManager* manager_;
};

// Keeps the sequencer's script value alive; the value's pointer goes null when the sequencer
// dies, and the container is then empty.
class TriggerList final : public RefContainer {
  public:
    explicit TriggerList(gmHostObject* sequencerValue) : sequencerValue_(sequencerValue) {}
    int32_t slotCount() const override {
        const Sequencer* sequencer = this->sequencer();
        return sequencer != nullptr ? static_cast<int32_t>(sequencer->getAllTriggers().size()) : 0;
    }
    bool isHole(int32_t) const override { return false; }
    gmValue valueAt(gmScriptMachine& machine, int32_t slot) const override {
        const auto& triggers = sequencer()->getAllTriggers();
        auto& trigger = const_cast<SequencerTrigger&>(*std::next(triggers.begin(), slot));
        return referenceTo(machine, ScriptType::SEQUENCERTRIGGER, &trigger);
    }
    void trace(gmGarbageCollector& collector, int32_t& workDone) override {
        workDone += 1;
        collector.markObject(sequencerValue_);
    }

  private:
    Sequencer* sequencer() const { return static_cast<Sequencer*>(sequencerValue_->getHostPointer()); }
    gmHostObject* sequencerValue_;
};

gmValue newContainer(gmScriptMachine& machine, ScriptType type, RefContainer* container) {
    return gmValue::makeHostObject(machine.newHostObject(container, scriptTypeId(type)));
}

RefContainer& self(gmScriptThread* thread) {
    return *static_cast<RefContainer*>(thread->getThis().getHostObject()->getHostPointer());
}

// Moves the cursor past holes; true when it is on an element.
bool settle(RefContainer& container) {
    const int32_t count = container.slotCount();
    if (container.position > count)
        container.position = count;
    while (container.position < count && container.isHole(container.position)) ++container.position;
    return container.position < count;
}

int container_get(gmScriptThread* thread) {
    RefContainer& container = self(thread);
    if (settle(container))
        thread->push(container.valueAt(thread->getMachine(), container.position));
    return kDone;
}

int container_isValid(gmScriptThread* thread) {
    return pushBool(thread, settle(self(thread)));
}

int container_goToNext(gmScriptThread* thread) {
    RefContainer& container = self(thread);
    if (settle(container))
        ++container.position;
    return kDone;
}

int container_reset(gmScriptThread* thread) {
    self(thread).position = 0;
    return kDone;
}

int container_size(gmScriptThread* thread) {
    const RefContainer& container = self(thread);
    int32_t size = 0;
    for (int32_t slot = 0, count = container.slotCount(); slot < count; ++slot)
        if (!container.isHole(slot))
            ++size;
    thread->pushInt(size);
    return kDone;
}

bool traceContainer(gmScriptMachine&, gmHostObject* object, gmGarbageCollector& collector, int32_t,
                    int32_t& workDone) {
    workDone += 1;
    if (auto* container = static_cast<RefContainer*>(object->getHostPointer()))
        container->trace(collector, workDone);
    return true;
}

void destructContainer(gmScriptMachine&, gmHostObject* object) {
    delete static_cast<RefContainer*>(object->getHostPointer());
}

constexpr ScriptMethod kContainerMethods[] = {
    {"get", container_get, "() -> the current element, or null at the end",
     "The element at the cursor (an ENTITY, PARTICLE, PROCESS or SEQUENCERTRIGGER), or null past the last "
     "one; the cursor stays."},
    {"isValid", container_isValid, "() -> bool, false at the end",
     "True while the cursor is on an element: loop while isValid(), use get(), then goToNext()."},
    {"goToNext", container_goToNext, "() -> nothing",
     "Moves the cursor to the next element; nothing past the last one."},
    {"reset", container_reset, "() -> nothing (back to the first element)",
     "Moves the cursor back to the first element."},
    {"size", container_size, "() -> int", "The number of elements in the list now."},
};
}  // namespace

gmValue newLiveEntityContainer(gmScriptMachine& machine, EntityManager* manager, EntityListKind kind,
                               int typeID) {
    return newContainer(machine, ScriptType::ENTITYLISTREFCONTAINER,
                        new LiveEntityList(manager, kind, typeID));
}

gmValue newEntitySnapshotContainer(gmScriptMachine& machine, EntityManager* manager,
                                   const std::vector<Entity*>& entities) {
    return newContainer(machine, ScriptType::ENTITYLISTREFCONTAINER, new EntitySnapshot(manager, entities));
}

gmValue newParticleContainer(gmScriptMachine& machine, ParticleManager* manager) {
    return newContainer(machine, ScriptType::ENTITYLISTREFCONTAINER, new LiveParticleList(manager));
}

gmValue newTriggerContainer(gmScriptMachine& machine, gmHostObject* sequencerValue) {
    return newContainer(machine, ScriptType::SEQUENCERTRIGGERLISTREFCONTAINER,
                        new TriggerList(sequencerValue));
}

const ScriptTypeTable kEntityListContainerType{.type = ScriptType::ENTITYLISTREFCONTAINER,
                                               .name = "ENTITYLISTREFCONTAINER",
                                               .methods = kContainerMethods,
                                               .trace = traceContainer,
                                               .destruct = destructContainer};
const ScriptTypeTable kProcessListContainerType{.type = ScriptType::PROCESSLISTREFCONTAINER,
                                                .name = "PROCESSLISTREFCONTAINER",
                                                .methods = kContainerMethods,
                                                .trace = traceContainer,
                                                .destruct = destructContainer};
const ScriptTypeTable kSequencerTriggerListContainerType{.type = ScriptType::SEQUENCERTRIGGERLISTREFCONTAINER,
                                                         .name = "SEQUENCERTRIGGERLISTREFCONTAINER",
                                                         .methods = kContainerMethods,
                                                         .trace = traceContainer,
                                                         .destruct = destructContainer};
