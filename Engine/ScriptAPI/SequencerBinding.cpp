// SEQUENCER, SEQUENCERACTION and SEQUENCERTRIGGER: step sequencers (MainSequencer and those a
// script makes), the actions their triggers fire, and the triggers.
#include "Engine/GmScriptModule.h"
#include "Engine/GmScriptSequencerAction.h"
#include "Engine/ScriptAPI/ScriptTypes.h"
#include "Engine/Sequencer.h"
#include "Engine/SequencerAction.h"

namespace {
GmScriptSequencerAction* scriptActionOf(const gmValue& value) {
    auto* action = static_cast<SequencerAction*>(value.getHostObject()->getHostPointer());
    return action != nullptr ? dynamic_cast<GmScriptSequencerAction*>(action) : nullptr;
}

void greyValue(gmScriptMachine& machine, gmGarbageCollector& collector, gmHeapObject* object) {
    (void)machine;
    collector.markObject(object);
}

// A reachable sequencer keeps the script actions of its triggers alive.
bool traceSequencer(gmScriptMachine& machine, gmHostObject* object, gmGarbageCollector& collector, int32_t,
                    int32_t& workDone) {
    workDone += 1;
    auto* sequencer = static_cast<Sequencer*>(object->getHostPointer());
    if (sequencer == nullptr) return true;
    for (const SequencerTrigger& trigger : sequencer->getAllTriggers()) {
        auto* action = trigger.getAction() != nullptr ? dynamic_cast<GmScriptSequencerAction*>(trigger.getAction())
                                                      : nullptr;
        if (action == nullptr || action->getHostObject() == nullptr) continue;
        workDone += 1;
        greyValue(machine, collector, action->getHostObject());
    }
    return true;
}

bool traceAction(gmScriptMachine& machine, gmHostObject* object, gmGarbageCollector& collector, int32_t,
                 int32_t& workDone) {
    GmScriptSequencerAction* action = scriptActionOf(gmValue::makeHostObject(object));
    if (action == nullptr) {
        workDone += 1;
        return true;
    }
    workDone += 2;
    greyValue(machine, collector, action->getActionTable());
    return true;
}

// `this.name` inside execute reads and writes the action table.
gmOperatorStatus actionGetDot(gmScriptMachine& machine, gmScriptThread*, gmValue* operands) {
    GmScriptSequencerAction* action = scriptActionOf(operands[0]);
    operands[0] = action != nullptr ? action->getActionTable()->get(operands[1]) : gmValue();
    (void)machine;
    return gmOperatorStatus::kOk;
}

gmOperatorStatus actionSetDot(gmScriptMachine& machine, gmScriptThread*, gmValue* operands) {
    if (GmScriptSequencerAction* action = scriptActionOf(operands[0]))
        action->getActionTable()->set(machine, operands[2], operands[1]);
    return gmOperatorStatus::kOk;
}

// SEQUENCERACTION() or SEQUENCERACTION(table): a new script action, owned by the script.
int constructAction(gmScriptThread* thread) {
    gmTable* table = nullptr;
    if (thread->getNumParams() >= 1 && !gmTableParam(thread, 0, table)) return kRunTimeError;
    auto* action = new GmScriptSequencerAction(GmScriptModule::getInstance(), table);
    thread->push(gmValue::makeHostObject(action->getHostObject()));
    return kDone;
}

constexpr ScriptOperator kActionOperators[] = {
    {kGmOpGetDot, actionGetDot},
    {kGmOpSetDot, actionSetDot},
};

constexpr gmLibraryEntry kActionConstructors[] = {
    {"SEQUENCERACTION", constructAction, nullptr},
};

}  // namespace

const ScriptTypeTable kSequencerType{ScriptType::SEQUENCER, "SEQUENCER", {}, {}, {},
                                     traceSequencer, destructHandle<Sequencer>};
const ScriptTypeTable kSequencerActionType{ScriptType::SEQUENCERACTION, "SEQUENCERACTION",
                                           {}, kActionOperators, kActionConstructors,
                                           traceAction, destructHandle<SequencerAction>};
const ScriptTypeTable kSequencerTriggerType{ScriptType::SEQUENCERTRIGGER, "SEQUENCERTRIGGER",
                                            {}, {}, {}, nullptr,
                                            destructHandle<SequencerTrigger>};
