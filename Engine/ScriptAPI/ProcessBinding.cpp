// PROCESS: script processes and the processes GameSystem.getProcess finds.
#include "Engine/Process.h"
#include "Engine/ScriptAPI/GameObjectBinding.h"
#include "Engine/ScriptAPI/MemberBinding.h"
#include "Engine/ScriptAPI/ScriptTypes.h"

namespace {
int process_terminate(gmScriptThread* thread) {
    Process* process = selfAs<Process>(thread);
    if (process == nullptr)
        return kRunTimeError;
    process->terminate();
    return kDone;
}

int process_isInited(gmScriptThread* thread) {
    Process* process = selfAs<Process>(thread);
    if (process == nullptr)
        return kRunTimeError;
    return pushBool(thread, process->isInited());
}

constexpr ScriptMethod kMethods[] = {
    {"callMethod", gameObjectCallMethod<Process>,
     "(s name, any...) -> the method's result, or null when nothing handles it", nullptr,
     "expecting parameters (string,...)"},
    {"getUniqueAlarmID", gameObjectGetUniqueAlarmID<Process>, "() -> int"},
    {"addAlarm", onGameObject<Process, gameObjectAddAlarm>,
     "(i id, n interval) or (i id, n interval, b startAlarming) -> ALARM or null", nullptr,
     "expecting parameters (int,REAL) or (int,REAL,bool)"},
    {"deleteAlarm", onGameObject<Process, gameObjectDeleteAlarm>, "(n id) -> nothing"},
    {"getAlarm", onGameObject<Process, gameObjectGetAlarm>, "(i id) -> ALARM or null"},
    {"getUniqueLFOID", gameObjectGetUniqueLFOID<Process>, "() -> int"},
    {"addLFO", onGameObject<Process, gameObjectAddLFO>,
     "(i id, LFO) -> the same LFO, which now belongs to this object"},
    {"deleteLFO", onGameObject<Process, gameObjectDeleteLFO>, "(n id) -> nothing"},
    {"getLFO", onGameObject<Process, gameObjectGetLFO>, "(i id) -> LFO or null"},
    {"setIsStealsInputFocus", bindMember<&Process::setIsStealsInputFocus>, "(b) -> nothing"},
    {"setIsUpdatesEntities", bindMember<&Process::setIsUpdatesEntities>, "(b) -> nothing"},
    {"terminate", process_terminate, "() -> nothing"},
    {"isInited", process_isInited, "() -> bool"},
};
}  // namespace

const ScriptTypeTable kProcessType{
    .type = ScriptType::PROCESS, .name = "PROCESS", .methods = kMethods, .destruct = destructHandle<Process>};
