// ALARM and LFO (SAWLFO, PULSELFO, TRIANGLELFO): an object's timers, or free ones a script made.
#include "Engine/Alarm.h"
#include "Engine/LFO.h"
#include "Engine/ScriptAPI/ScriptTypes.h"

namespace {
bool traceOneUnit(gmScriptMachine&, gmHostObject*, gmGarbageCollector&, int32_t, int32_t& workDone) {
    workDone += 1;
    return true;
}

}  // namespace

const ScriptTypeTable kAlarmType{ScriptType::ALARM, "ALARM", {}, {}, {}, traceOneUnit,
                                 destructHandle<Alarm>};
const ScriptTypeTable kLFOType{ScriptType::LFO, "LFO", {}, {}, {}, traceOneUnit,
                               destructHandle<LFO>};
