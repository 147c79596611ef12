#include "script/gmHostObject.h"

#include "script/gmScriptMachine.h"

void gmHostObject::destroyObject(gmScriptMachine& machine) {
    if (destructPending_ != 0) {
        destructPending_ = 0;
        const gmTypeRecord* record = machine.findTypeRecord(typeId_);
        if (record != nullptr && record->destruct != nullptr)
            record->destruct(machine, this);
    }
    machine.recycleObject(this);
}

bool gmHostObject::traceReferences(gmScriptMachine& machine, gmGarbageCollector& collector, int32_t workLeft,
                                   int32_t& workDone) {
    const gmTypeRecord* record = machine.findTypeRecord(typeId_);
    if (record == nullptr || record->trace == nullptr) {
        workDone += 1;
        return true;
    }
    return record->trace(machine, this, collector, workLeft, workDone);
}
