#include "Engine/ScriptAPI/GameObjectBinding.h"

#include "Engine/Entity.h"
#include "Engine/Process.h"
#include "Engine/RealPoint.h"
#include "Engine/Sequencer.h"

int scriptCallMethod(gmScriptThread* thread, Class* target) {
    if (thread->getNumParams() < 1 || !thread->getParam(0).isString())
        return usageError(thread);
    const std::string name = thread->getParam(0).getString()->getText();
    std::vector<MethodArgument> arguments;
    gmScriptMachine& machine = thread->getMachine();
    for (int32_t i = 1; i < thread->getNumParams(); ++i) {
        const gmValue value = thread->getParam(i);
        // An engine object that is gone is an argument error, as for any method: dropping it would
        // move the later arguments one place forward.
        if (value.getType() >= kGmFirstUserType && value.getHostObject()->getHostPointer() == nullptr &&
            (value.getType() == scriptTypeId(ScriptType::ENTITY) ||
             value.getType() == scriptTypeId(ScriptType::PROCESS) ||
             value.getType() == scriptTypeId(ScriptType::SEQUENCER)))
            return scriptError(thread, "param %d: %s no longer exists", i,
                               machine.getTypeName(value.getType()));
        arguments.push_back(methodArgumentOf(machine, value));
    }
    MethodArgument result;
    if (!target->callMethod(name, arguments, result))
        return kDone;
    if (result.kind != MethodArgument::kNone)
        thread->push(scriptValueOf(machine, result));
    return kDone;
}

int gameObjectAddAlarm(gmScriptThread* thread, GameObject* object) {
    const int32_t count = thread->getNumParams();
    if (count != 2 && count != 3)
        return usageError(thread);
    int32_t id = 0;
    float interval = 0.0f;
    bool startAlarming = false;
    if (!gmIntParam(thread, 0, id) || !gmFloatOrIntParam(thread, 1, interval) ||
        (count == 3 && !gmBoolParam(thread, 2, startAlarming)))
        return kRunTimeError;
    thread->push(
        referenceTo(thread->getMachine(), ScriptType::ALARM, object->addAlarm(id, interval, startAlarming)));
    return kDone;
}

int gameObjectGetAlarm(gmScriptThread* thread, GameObject* object) {
    int32_t id = 0;
    if (!gmCheckParamCount(thread, 1) || !gmIntParam(thread, 0, id))
        return kRunTimeError;
    thread->push(referenceTo(thread->getMachine(), ScriptType::ALARM, object->getAlarm(id)));
    return kDone;
}

int gameObjectDeleteAlarm(gmScriptThread* thread, GameObject* object) {
    float id = 0.0f;
    if (!gmCheckParamCount(thread, 1) || !gmFloatOrIntParam(thread, 0, id))
        return kRunTimeError;
    object->deleteAlarm(static_cast<int>(id));
    return kDone;
}

// The object takes the oscillator from the script; one that already belongs to an object would be
// deleted twice, so it is refused.
int gameObjectAddLFO(gmScriptThread* thread, GameObject* object) {
    int32_t id = 0;
    LFO* lfo = nullptr;
    if (!gmCheckParamCount(thread, 2) || !gmIntParam(thread, 0, id) ||
        !objectParam(thread, 1, ScriptType::LFO, lfo))
        return kRunTimeError;
    gmHostObject* value = thread->getParam(1).getHostObject();
    if (!isScriptOwned(value))
        return methodError(thread, ": this LFO already belongs to an object");
    releaseOwnership(value);
    object->addLFO(id, std::unique_ptr<LFO>(lfo));
    thread->push(thread->getParam(1));
    return kDone;
}

int gameObjectGetLFO(gmScriptThread* thread, GameObject* object) {
    int32_t id = 0;
    if (!gmCheckParamCount(thread, 1) || !gmIntParam(thread, 0, id))
        return kRunTimeError;
    thread->push(referenceTo(thread->getMachine(), ScriptType::LFO, object->getLFO(id)));
    return kDone;
}

int gameObjectDeleteLFO(gmScriptThread* thread, GameObject* object) {
    float id = 0.0f;
    if (!gmCheckParamCount(thread, 1) || !gmFloatOrIntParam(thread, 0, id))
        return kRunTimeError;
    object->deleteLFO(static_cast<int>(id));
    return kDone;
}
