#include "Engine/ScriptHost/GmScriptSequencerAction.h"

#include "Engine/ScriptHost/GmScriptModule.h"

GmScriptSequencerAction::GmScriptSequencerAction(GmScriptModule* module, gmTable* table)
    : module_(module), table_(table) {
    addTypeName("GmScriptBaseObject");
    addTypeName("GmScriptSequencerAction");
    gmScriptMachine& machine = module->getMachine();
    // Nothing may collect between making the table and the value that traces it.
    gmCollectionPause pause(machine);
    if (table_ == nullptr)
        table_ = machine.createTable();
    const gmValue value =
        ownedValue(machine, ScriptType::SEQUENCERACTION, static_cast<SequencerAction*>(this));
    hostObject_ = value.getHostObject();
}

GmScriptSequencerAction::~GmScriptSequencerAction() = default;

void GmScriptSequencerAction::setActionTable(gmTable* table) {
    if (table == nullptr)
        return;
    // The old table may already have been traced this cycle; the new one must not be missed.
    module_->getMachine().writeBarrier(gmValue::makeTable(table_));
    module_->getMachine().writeBarrier(gmValue::makeTable(table));
    table_ = table;
}

void GmScriptSequencerAction::execute(GameSystem*) {
    // The script owns this action: once the call has dropped the last value of it, a collection
    // may delete it before the call returns here, so nothing after the call reads a member.
    GmScriptModule* module = module_;
    gmScriptMachine& machine = module->getMachine();
    const gmValue function = table_->getField(machine, "execute");
    if (!function.isFunction() || hostObject_ == nullptr)
        return;
    const int32_t firstEntry = machine.getErrorLog().getEntryCount();
    gmScriptThread* thread = machine.newThread();
    thread->push(gmValue::makeHostObject(hostObject_));
    thread->push(function);
    if (machine.enterCall(thread, 0) == kDone && !function.getFunction()->isNative())
        machine.executeThread(thread);
    module->reportErrorsSince(firstEntry, "In sequencer action:");
}
