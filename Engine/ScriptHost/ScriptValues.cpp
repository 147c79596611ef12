#include "Engine/ScriptHost/ScriptValues.h"

#include <memory>
#include <vector>

#include "Engine/Colour.h"
#include "Engine/RealPoint.h"

namespace {
// The machine frees values in any order and never while native code holds a raw pointer, so a
// dying object cutting off its value only has to clear the value's pointer.
void orphanHandle(void* handle) {
    static_cast<gmHostObject*>(handle)->setHostPointer(nullptr);
}
}  // namespace

void installScriptHandleHook() {
    ScriptHandleSlot::setOrphanHook(orphanHandle);
}

gmValue scriptReference(gmScriptMachine& machine, ScriptType type, void* object, ScriptHandleSlot& slot) {
    if (auto* existing = static_cast<gmHostObject*>(slot.get())) {
        // A value the collector found unreachable in the cycle now running must survive it: it is
        // about to be reachable again.
        machine.getCollector().revive(existing);
        return gmValue::makeHostObject(existing);
    }
    gmHostObject* handle = machine.newHostObject(object, scriptTypeId(type));
    slot.set(handle);
    return gmValue::makeHostObject(handle);
}

gmValue scriptOwned(gmScriptMachine& machine, ScriptType type, void* object, ScriptHandleSlot* slot) {
    gmHostObject* handle = machine.newHostObject(object, scriptTypeId(type));
    handle->setHostFlags(kScriptOwnedFlag);
    if (slot != nullptr)
        slot->set(handle);
    return gmValue::makeHostObject(handle);
}

void releaseOwnership(gmHostObject* object) {
    object->setHostFlags(static_cast<uint8_t>(object->getHostFlags() & ~kScriptOwnedFlag));
}

bool isScriptOwned(const gmHostObject* object) {
    return (object->getHostFlags() & kScriptOwnedFlag) != 0;
}

// ---- REALPOINT storage ----------------------------------------------------------------------

namespace {
// Points are made by the thousand (every getPos, every operator result): they come from a free
// list of fixed blocks, carved from chunks that live as long as the program.
class PointPool {
  public:
    RealPoint* allocate(const RealPoint& value) {
        if (free_.empty())
            grow();
        RealPoint* point = free_.back();
        free_.pop_back();
        *point = value;
        return point;
    }
    void release(RealPoint* point) { free_.push_back(point); }

  private:
    static constexpr int kPointsPerChunk = 1024;
    void grow() {
        chunks_.emplace_back(new RealPoint[kPointsPerChunk]);
        RealPoint* chunk = chunks_.back().get();
        for (int i = kPointsPerChunk - 1; i >= 0; --i) free_.push_back(chunk + i);
    }
    std::vector<std::unique_ptr<RealPoint[]>> chunks_;
    std::vector<RealPoint*> free_;
};

PointPool& pointPool() {
    static PointPool pool;
    return pool;
}
}  // namespace

void destructPoint(gmScriptMachine&, gmHostObject* object) {
    if (auto* point = static_cast<RealPoint*>(object->getHostPointer()))
        pointPool().release(point);
}

gmValue newPointValue(gmScriptMachine& machine, const RealPoint& point) {
    return gmValue::makeHostObject(
        machine.newHostObject(pointPool().allocate(point), scriptTypeId(ScriptType::REALPOINT)));
}

gmValue newColourValue(gmScriptMachine& machine, const Colour& colour) {
    return gmValue::makeHostObject(
        machine.newHostObject(new Colour(colour), scriptTypeId(ScriptType::COLOUR)));
}
