// PROCESS: script processes and the processes GameSystem.getProcess finds.
#include "Engine/Process.h"
#include "Engine/ScriptAPI/GameObjectBinding.h"
#include "Engine/ScriptAPI/ScriptTypes.h"

namespace {
template <void (Process::*Setter)(bool)>
int setFlag(gmScriptThread* thread) {
    Process* process = selfAs<Process>(thread);
    bool flag = false;
    if (process == nullptr || !gmCheckParamCount(thread, 1) || !gmBoolParam(thread, 0, flag)) return kRunTimeError;
    (process->*Setter)(flag);
    return kDone;
}

int process_terminate(gmScriptThread* thread) {
    Process* process = selfAs<Process>(thread);
    if (process == nullptr) return kRunTimeError;
    process->terminate();
    return kDone;
}

int process_isInited(gmScriptThread* thread) {
    Process* process = selfAs<Process>(thread);
    if (process == nullptr) return kRunTimeError;
    return pushBool(thread, process->isInited());
}

constexpr ScriptMethod kMethods[] = {
    {"callMethod", gameObjectCallMethod<Process>},
    {"getUniqueAlarmID", gameObjectGetUniqueAlarmID<Process>},
    {"addAlarm", onGameObject<Process, gameObjectAddAlarm>},
    {"deleteAlarm", onGameObject<Process, gameObjectDeleteAlarm>},
    {"getAlarm", onGameObject<Process, gameObjectGetAlarm>},
    {"getUniqueLFOID", gameObjectGetUniqueLFOID<Process>},
    {"addLFO", onGameObject<Process, gameObjectAddLFO>},
    {"deleteLFO", onGameObject<Process, gameObjectDeleteLFO>},
    {"getLFO", onGameObject<Process, gameObjectGetLFO>},
    {"setIsStealsInputFocus", setFlag<&Process::setIsStealsInputFocus>},
    {"setIsUpdatesEntities", setFlag<&Process::setIsUpdatesEntities>},
    {"terminate", process_terminate},
    {"isInited", process_isInited},
};
}  // namespace

const ScriptTypeTable kProcessType{ScriptType::PROCESS, "PROCESS", kMethods, {}, {}, nullptr, destructHandle<Process>};
