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
     "(s name, any...) -> the method's result, or null when nothing handles it",
     "Calls the function of that name in the script process's table with the other arguments and returns its "
     "result; null when it has none.",
     "expecting parameters (string,...)"},
    {"getUniqueAlarmID", gameObjectGetUniqueAlarmID<Process>, "() -> int",
     "An alarm id not used by this process yet: one above its largest."},
    {"addAlarm", onGameObject<Process, gameObjectAddAlarm>,
     "(i id, n interval) or (i id, n interval, b startAlarming) -> ALARM or null",
     "Gives the process an alarm under the id, with the interval in ms; its onAlarm(id) is called every tick "
     "once the alarm is due, until the alarm is reset. An id in use is replaced.",
     "expecting parameters (int,REAL) or (int,REAL,bool)"},
    {"deleteAlarm", onGameObject<Process, gameObjectDeleteAlarm>, "(n id) -> nothing",
     "Removes the process's alarm of that id, at its next update; nothing for an unknown id."},
    {"getAlarm", onGameObject<Process, gameObjectGetAlarm>, "(i id) -> ALARM or null",
     "The process's alarm of that id, or null."},
    {"getUniqueLFOID", gameObjectGetUniqueLFOID<Process>, "() -> int",
     "An oscillator id not used by this process yet: one above its largest."},
    {"addLFO", onGameObject<Process, gameObjectAddLFO>,
     "(i id, LFO) -> the same LFO, which now belongs to this object",
     "Gives the oscillator (made by SAWLFO, PULSELFO or TRIANGLELFO) to the process under the id; the "
     "process updates it every tick. One that belongs to an object already is refused with an error."},
    {"deleteLFO", onGameObject<Process, gameObjectDeleteLFO>, "(n id) -> nothing",
     "Removes the process's oscillator of that id, at its next update; nothing for an unknown id."},
    {"getLFO", onGameObject<Process, gameObjectGetLFO>, "(i id) -> LFO or null",
     "The process's oscillator of that id, or null."},
    {"setIsStealsInputFocus", bindMember<&Process::setIsStealsInputFocus>, "(b) -> nothing",
     "True takes the input focus: the processes before this one in the list hear no keys and their Input "
     "reads none as pressed (as the console does)."},
    {"setIsUpdatesEntities", bindMember<&Process::setIsUpdatesEntities>, "(b) -> nothing",
     "True makes the entities update right after this process in each tick (the first process of a list, "
     "Main, has it); the entities update once a tick whichever process has it."},
    {"terminate", process_terminate, "() -> nothing",
     "Ends the process at the start of the next tick (its destructor runs)."},
    {"isInited", process_isInited, "() -> bool",
     "True once the process is ready: its init() returned 1, or it has had its first update visit without "
     "one."},
};
}  // namespace

const ScriptTypeTable kProcessType{
    .type = ScriptType::PROCESS, .name = "PROCESS", .methods = kMethods, .destruct = destructHandle<Process>};
