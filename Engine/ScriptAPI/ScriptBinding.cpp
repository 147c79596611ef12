#include "Engine/ScriptAPI/ScriptBinding.h"

#include <cstdarg>
#include <cstdio>
#include <memory>
#include <vector>

#include "Engine/Colour.h"
#include "Engine/RealPoint.h"

namespace {
const char* typeNameOf(gmScriptMachine& machine, const gmValue& value) {
    return machine.getTypeName(value.getType());
}

}  // namespace

int scriptError(gmScriptThread* thread, const char* format, ...) {
    char buffer[1024];
    va_list args;
    va_start(args, format);
    std::vsnprintf(buffer, sizeof buffer, format, args);
    va_end(args);
    thread->getMachine().getErrorLog().addEntry(buffer);
    return kRunTimeError;
}

const ScriptMethod* runningEntry(gmScriptThread* thread) {
    const gmValue function = thread->getFunctionValue();
    if (!function.isFunction() || !function.getFunction()->isNative())
        return nullptr;
    return static_cast<const ScriptMethod*>(function.getFunction()->getNativeUserData());
}

const char* runningName(gmScriptThread* thread) {
    const ScriptMethod* entry = runningEntry(thread);
    return entry != nullptr ? entry->name : "?";
}

int usageError(gmScriptThread* thread) {
    const ScriptMethod* entry = runningEntry(thread);
    const char* usage =
        entry != nullptr && entry->usage != nullptr ? entry->usage : "expecting other parameters";
    return scriptError(thread, "\"%s\" %s", runningName(thread), usage);
}

int methodError(gmScriptThread* thread, const char* format, ...) {
    char buffer[1024];
    va_list args;
    va_start(args, format);
    std::vsnprintf(buffer, sizeof buffer, format, args);
    va_end(args);
    return scriptError(thread, "\"%s\"%s", runningName(thread), buffer);
}

int refusedError(gmScriptThread* thread) {
    return methodError(thread, " refused the value (not finite or out of range)");
}

void* scriptSelf(gmScriptThread* thread) {
    const gmValue& self = thread->getThis();
    if (self.getType() >= kGmFirstUserType) {
        if (void* object = hostTarget(self.getHostObject()))
            return object;
    }
    scriptError(thread, "%s no longer exists", typeNameOf(thread->getMachine(), self));
    return nullptr;
}

void* scriptObjectParam(gmScriptThread* thread, int32_t index, ScriptType type) {
    gmHostObject* object = nullptr;
    if (!gmUserTypeParam(thread, index, scriptTypeId(type), object))
        return nullptr;
    if (void* target = hostTarget(object))
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

bool pointOrXYParams(gmScriptThread* thread, RealPoint& out, const char* numberForm) {
    const int32_t count = thread->getNumParams();
    if (count == 1 && thread->getParam(0).getType() == scriptTypeId(ScriptType::REALPOINT))
        return pointParam(thread, 0, out);
    if (count == 2)
        return gmFloatOrIntParam(thread, 0, out.x) && gmFloatOrIntParam(thread, 1, out.y);
    methodError(thread, " expecting parameters (REALPOINT) or (%s,%s)", numberForm, numberForm);
    return false;
}

bool traceOneUnit(gmScriptMachine&, gmHostObject*, gmGarbageCollector&, int32_t, int32_t& workDone) {
    workDone += 1;
    return true;
}

bool pointParam(gmScriptThread* thread, int32_t index, RealPoint& out) {
    gmHostObject* object = nullptr;
    if (!gmUserTypeParam(thread, index, scriptTypeId(ScriptType::REALPOINT), object))
        return false;
    return loadPoint(thread->getMachine(), object, out);
}

int pushText(gmScriptThread* thread, const char* text) {
    thread->pushString(thread->getMachine().internString(text));
    return kDone;
}
