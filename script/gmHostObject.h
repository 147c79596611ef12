// Script objects of host types: an opaque host pointer with a type id and per-type callbacks.
#pragma once

#include <cstdint>

#include "script/gmHeapObject.h"
#include "script/gmValue.h"

// Made by gmScriptMachine::newHostObject. Tracing and freeing go through the callbacks of the type's
// record (gmTypeRecord.h). The destruct callback runs only while the destruct-pending flag is set
// (it is set at creation; a host that tears its object down itself clears it). Charged kChargeBytes.
class gmHostObject final : public gmHeapObject {
  public:
    static constexpr int32_t kChargeBytes = 28;

    void* getHostPointer() const { return hostPointer_; }
    void setHostPointer(void* pointer) { hostPointer_ = pointer; }
    bool isDestructPending() const { return destructPending_ != 0; }
    void setDestructPending(bool pending) { destructPending_ = pending ? 1 : 0; }
    // Bits the host keeps with the value (the machine never reads them); 0 at creation.
    uint8_t getHostFlags() const { return hostFlags_; }
    void setHostFlags(uint8_t flags) { hostFlags_ = flags; }

    // Calls the type's destruct callback (when present and pending), then recycles the object.
    void destroyObject(gmScriptMachine& machine) override;
    // The type's trace callback, or 1 unit of work and finished when it has none.
    bool traceReferences(gmScriptMachine& machine, gmGarbageCollector& collector, int32_t workLeft,
                         int32_t& workDone) override;
    int32_t getTypeId() const override { return typeId_; }

  private:
    friend class gmScriptMachine;

    gmHostObject(void* hostPointer, int32_t typeId) : typeId_(typeId), hostPointer_(hostPointer) {}
    ~gmHostObject() = default;

    int32_t typeId_;
    void* hostPointer_;
    uint8_t destructPending_ = 1;
    uint8_t hostFlags_ = 0;
};

inline gmValue gmValue::makeHostObject(const gmHostObject* object) {
    return makeReference(object->getTypeId(), object);
}
inline gmHostObject* gmValue::getHostObject() const {
    return static_cast<gmHostObject*>(getObject());
}
