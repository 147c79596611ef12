#include "script/gmString.h"

#include "script/gmScriptMachine.h"

void gmString::destroyObject(gmScriptMachine& machine) {
    machine.recycleObject(this);
}

bool gmString::traceReferences(gmScriptMachine&, gmGarbageCollector&, int32_t, int32_t& workDone) {
    workDone += 1;
    return true;
}
