#include "Engine/ScriptHost/ScriptValues.h"

#include <memory>
#include <vector>

#include "Engine/Colour.h"
#include "Engine/Entity.h"
#include "Engine/Process.h"
#include "Engine/RealPoint.h"
#include "Engine/Sequencer.h"

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
    if ((object->getHostFlags() & kPointAliasFlag) != 0) {
        delete static_cast<PointAlias*>(object->getHostPointer());
        return;
    }
    if (auto* point = static_cast<RealPoint*>(object->getHostPointer()))
        pointPool().release(point);
}

bool tracePoint(gmScriptMachine&, gmHostObject* object, gmGarbageCollector& collector, int32_t,
                int32_t& workDone) {
    workDone += 1;
    if ((object->getHostFlags() & kPointAliasFlag) != 0)
        collector.markObject(static_cast<const PointAlias*>(object->getHostPointer())->owner);
    return true;
}

gmValue newPointAlias(gmScriptMachine& machine, gmHostObject* owner,
                      bool (*access)(gmHostObject* owner, const RealPoint* in, RealPoint& out)) {
    gmHostObject* alias =
        machine.newHostObject(new PointAlias{owner, access}, scriptTypeId(ScriptType::REALPOINT));
    alias->setHostFlags(kPointAliasFlag);
    return gmValue::makeHostObject(alias);
}

namespace {
bool accessPoint(gmScriptMachine& machine, const gmHostObject* object, const RealPoint* in, RealPoint& out) {
    if ((object->getHostFlags() & kPointAliasFlag) == 0) {
        auto* point = static_cast<RealPoint*>(object->getHostPointer());
        if (in != nullptr)
            *point = *in;
        out = *point;
        return true;
    }
    const auto* alias = static_cast<const PointAlias*>(object->getHostPointer());
    if (alias->access(alias->owner, in, out))
        return true;
    machine.getErrorLog().logf("%s no longer exists", machine.getTypeName(alias->owner->getTypeId()));
    return false;
}
}  // namespace

bool loadPoint(gmScriptMachine& machine, const gmHostObject* object, RealPoint& out) {
    return accessPoint(machine, object, nullptr, out);
}

bool storePoint(gmScriptMachine& machine, gmHostObject* object, const RealPoint& value) {
    RealPoint written;
    return accessPoint(machine, object, &value, written);
}

gmValue newPointValue(gmScriptMachine& machine, const RealPoint& point) {
    return gmValue::makeHostObject(
        machine.newHostObject(pointPool().allocate(point), scriptTypeId(ScriptType::REALPOINT)));
}

gmValue newColourValue(gmScriptMachine& machine, const Colour& colour) {
    return gmValue::makeHostObject(
        machine.newHostObject(new Colour(colour), scriptTypeId(ScriptType::COLOUR)));
}

gmValue scriptValueOf(gmScriptMachine& machine, const MethodArgument& argument) {
    switch (argument.kind) {
        case MethodArgument::kBool:
            return gmValue::makeInt(argument.intValue != 0 ? 1 : 0);
        case MethodArgument::kInt:
            return gmValue::makeInt(argument.intValue);
        case MethodArgument::kFloat:
            return gmValue::makeFloat(argument.floatValue);
        case MethodArgument::kEntity:
            return referenceTo(machine, ScriptType::ENTITY, argument.entity);
        case MethodArgument::kPoint:
            return newPointValue(machine, RealPoint(argument.point.x, argument.point.y));
        case MethodArgument::kProcess:
            return referenceTo(machine, ScriptType::PROCESS, argument.process);
        case MethodArgument::kSequencer:
            return referenceTo(machine, ScriptType::SEQUENCER, argument.sequencer);
        case MethodArgument::kText:
            return gmValue::makeString(machine.internString(argument.text.c_str()));
        case MethodArgument::kNone:
            break;
    }
    return gmValue();
}

MethodArgument methodArgumentOf(gmScriptMachine& machine, const gmValue& value) {
    if (value.isInt())
        return MethodArgument::fromInt(value.getInt());
    if (value.isFloat())
        return MethodArgument::fromFloat(value.getFloat());
    if (value.isString())
        return MethodArgument::fromText(value.getString()->getText());
    MethodArgument argument;
    const int32_t type = value.getType();
    void* object = type >= kGmFirstUserType ? value.getHostObject()->getHostPointer() : nullptr;
    if (object == nullptr)
        return argument;
    if (type == scriptTypeId(ScriptType::ENTITY)) {
        argument.kind = MethodArgument::kEntity;
        argument.entity = static_cast<Entity*>(object);
    } else if (type == scriptTypeId(ScriptType::REALPOINT)) {
        RealPoint point;
        if (!loadPoint(machine, value.getHostObject(), point))
            return argument;
        argument.kind = MethodArgument::kPoint;
        argument.point.x = point.x;
        argument.point.y = point.y;
    } else if (type == scriptTypeId(ScriptType::PROCESS)) {
        argument.kind = MethodArgument::kProcess;
        argument.process = static_cast<Process*>(object);
    } else if (type == scriptTypeId(ScriptType::SEQUENCER)) {
        argument.kind = MethodArgument::kSequencer;
        argument.sequencer = static_cast<Sequencer*>(object);
    }
    return argument;
}

gmValue newValueAlias(gmScriptMachine& machine, ScriptType type, gmHostObject* owner,
                      void* (*resolve)(gmHostObject* owner)) {
    gmHostObject* alias = machine.newHostObject(new ValueAlias{owner, resolve}, scriptTypeId(type));
    alias->setHostFlags(kValueAliasFlag);
    return gmValue::makeHostObject(alias);
}

bool isValueAlias(const gmHostObject* object) {
    return (object->getHostFlags() & kValueAliasFlag) != 0;
}

void* hostTarget(const gmHostObject* object) {
    if (!isValueAlias(object))
        return object->getHostPointer();
    const auto* alias = static_cast<const ValueAlias*>(object->getHostPointer());
    return alias->resolve(alias->owner);
}

bool traceValueAlias(gmScriptMachine&, gmHostObject* object, gmGarbageCollector& collector, int32_t,
                     int32_t& workDone) {
    workDone += 1;
    if (isValueAlias(object))
        collector.markObject(static_cast<const ValueAlias*>(object->getHostPointer())->owner);
    return true;
}
