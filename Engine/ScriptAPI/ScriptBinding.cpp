#include "Engine/ScriptAPI/ScriptBinding.h"

#include <cstdarg>
#include <cstdio>
#include <memory>
#include <vector>

#include "Engine/Colour.h"
#include "Engine/RealPoint.h"

namespace {
int32_t gTypeIds[static_cast<int>(ScriptType::Count)] = {};

const char* typeNameOf(gmScriptMachine& machine, const gmValue& value) {
    return machine.getTypeName(value.getType());
}

// The machine frees values in any order and never while native code holds a raw pointer, so a
// dying object cutting off its value only has to clear the value's pointer.
void orphanHandle(void* handle) {
    static_cast<gmHostObject*>(handle)->setHostPointer(nullptr);
}
}  // namespace

int32_t scriptTypeId(ScriptType type) {
    return gTypeIds[static_cast<int>(type)];
}
void setScriptTypeId(ScriptType type, int32_t id) {
    gTypeIds[static_cast<int>(type)] = id;
}

void installScriptHandleHook() {
    ScriptHandleSlot::setOrphanHook(orphanHandle);
}

int scriptError(gmScriptThread* thread, const char* format, ...) {
    char buffer[1024];
    va_list args;
    va_start(args, format);
    std::vsnprintf(buffer, sizeof buffer, format, args);
    va_end(args);
    thread->getMachine().getErrorLog().addEntry(buffer);
    return kRunTimeError;
}

void* scriptSelf(gmScriptThread* thread) {
    const gmValue& self = thread->getThis();
    if (self.getType() >= kGmFirstUserType) {
        if (void* object = self.getHostObject()->getHostPointer())
            return object;
    }
    scriptError(thread, "%s no longer exists", typeNameOf(thread->getMachine(), self));
    return nullptr;
}

void* scriptObjectParam(gmScriptThread* thread, int32_t index, ScriptType type) {
    gmHostObject* object = nullptr;
    if (!gmUserTypeParam(thread, index, scriptTypeId(type), object))
        return nullptr;
    if (void* target = object->getHostPointer())
        return target;
    scriptError(thread, "param %d: %s no longer exists", index,
                thread->getMachine().getTypeName(scriptTypeId(type)));
    return nullptr;
}

bool numberValue(const gmValue& value, float& out) {
    if (value.isFloat()) {
        out = value.getFloat();
        return true;
    }
    if (value.isInt()) {
        out = static_cast<float>(value.getInt());
        return true;
    }
    return false;
}

bool pointOrXYParams(gmScriptThread* thread, RealPoint& out, const char* method, const char* numberForm) {
    const int32_t count = thread->getNumParams();
    if (count == 1 && thread->getParam(0).getType() == scriptTypeId(ScriptType::REALPOINT))
        return pointParam(thread, 0, out);
    if (count == 2)
        return gmFloatOrIntParam(thread, 0, out.x) && gmFloatOrIntParam(thread, 1, out.y);
    scriptError(thread, "\"%s\" expecting parameters (REALPOINT) or (%s,%s)", method, numberForm, numberForm);
    return false;
}

bool traceOneUnit(gmScriptMachine&, gmHostObject*, gmGarbageCollector&, int32_t, int32_t& workDone) {
    workDone += 1;
    return true;
}

bool pointParam(gmScriptThread* thread, int32_t index, RealPoint& out) {
    RealPoint* point = nullptr;
    if (!objectParam(thread, index, ScriptType::REALPOINT, point))
        return false;
    out = *point;
    return true;
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

int pushText(gmScriptThread* thread, const char* text) {
    thread->pushString(thread->getMachine().internString(text));
    return kDone;
}
