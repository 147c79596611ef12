#include "Engine/ScriptHost/GmScriptBaseObject.h"

#include "Engine/Entity.h"
#include "Engine/Process.h"
#include "Engine/RealPoint.h"
#include "Engine/ScriptHost/GmScriptModule.h"
#include "Engine/Sequencer.h"

GmScriptBaseObject::GmScriptBaseObject(const std::string& typeName, ScriptType type, GmScriptModule* module)
    : module_(module), fileName_(GmScriptModule::fileNameFromTypeName(typeName)), type_(type) {}

GmScriptBaseObject::GmScriptBaseObject(ScriptType type, GmScriptModule* module)
    : module_(module), type_(type) {}

GmScriptBaseObject::~GmScriptBaseObject() {
    *alive_ = false;
    if (table_ != nullptr && !module_->isDestructing())
        module_->getMachine().removeHostRoot(table_);
}

void GmScriptBaseObject::reloadScript(bool force) {
    module_->loadScript(fileName_, force);
    buildScriptTable();
}

void GmScriptBaseObject::buildScriptTable() {
    if (!module_->loadScript(fileName_, false))
        return;
    gmScriptMachine& machine = module_->getMachine();
    const std::string functionName = GmScriptModule::functionNameFromFileName(fileName_);
    const gmValue function = machine.getGlobals()->getField(machine, functionName.c_str());
    if (!function.isFunction())
        return;

    const std::shared_ptr<bool> alive = alive_;
    const int32_t firstEntry = machine.getErrorLog().getEntryCount();
    gmScriptThread* thread = machine.newThread();
    thread->pushNull();
    thread->push(function);
    thread->push(makeOwnerValue());
    gmValue returned;
    bool finished = false;
    if (function.getFunction()->isNative()) {
        finished = machine.enterCall(thread, 1) == kDone;
    } else if (machine.enterCall(thread, 1) == kDone) {
        finished = machine.executeThread(thread, &returned) == gmScriptThread::kKilled;
    }
    // A type function that stops on an error leaves the object without a table, and so without a
    // constructor call that would report it: its errors are reported here, under its own name.
    if (machine.getErrorLog().getEntryCount() != firstEntry)
        module_->reportErrorsSince(firstEntry,
                                   "In file " + fileName_ + ", in function " + functionName + ":");
    if (!*alive || !finished || !returned.isTable())
        return;

    gmTable* built = returned.getTable();
    if (table_ == nullptr) {
        table_ = built;
        machine.addHostRoot(table_);
    } else {
        // A reload: new functions, old data. The built table is held by nothing the collector
        // sees, so nothing may collect while it is copied.
        gmCollectionPause pause(machine);
        int32_t iterator = -2;
        while (const gmTableNode* node = built->nextEntry(iterator)) {
            if (node->value.isFunction())
                table_->set(machine, node->key, node->value);
        }
    }
    failedMethods_.clear();
    callScriptMethod("constructor");
}

bool GmScriptBaseObject::beginCall(const char* name, gmString* key, gmValue& function) {
    if (table_ == nullptr)
        return false;
    if (!failedMethods_.empty() && failedMethods_.count(std::string_view(name)) != 0)
        return false;
    function = key != nullptr ? table_->get(gmValue::makeString(key))
                              : table_->getField(module_->getMachine(), name);
    return function.isFunction();
}

bool GmScriptBaseObject::isKnownAbsent(const char* name) const {
    if (table_->getShapeVersion() != absentVersion_)
        return false;
    for (int i = 0; i < absentCount_; ++i) {
        if (absent_[i] == name)
            return true;
    }
    return false;
}

void GmScriptBaseObject::noteAbsent(const char* name) {
    const uint32_t version = table_->getShapeVersion();
    if (version != absentVersion_) {
        absentVersion_ = version;
        absentCount_ = 0;
        absentNext_ = 0;
    }
    if (absentCount_ < kAbsentSlots) {
        absent_[absentCount_++] = name;
    } else {
        absent_[absentNext_] = name;
        absentNext_ = static_cast<uint8_t>((absentNext_ + 1) % kAbsentSlots);
    }
}

bool GmScriptBaseObject::callScriptMethod(const char* name, std::initializer_list<Argument> arguments,
                                          CallResult* result) {
    if (table_ == nullptr || isKnownAbsent(name))
        return false;
    gmValue function;
    if (!beginCall(name, module_->getCallbackName(name), function)) {
        // Only a missing key is remembered: a key holding a non-function may become a function
        // without the table changing shape.
        if (function.isNull() &&
            (failedMethods_.empty() || failedMethods_.count(std::string_view(name)) == 0))
            noteAbsent(name);
        return false;
    }
    gmScriptMachine& machine = module_->getMachine();
    const int32_t firstEntry = machine.getErrorLog().getEntryCount();
    gmScriptThread* thread = machine.newThread();
    thread->push(gmValue::makeTable(table_));
    thread->push(function);
    for (const Argument& argument : arguments) {
        switch (argument.kind) {
            case Argument::kFloat:
                thread->pushFloat(argument.floatValue);
                break;
            case Argument::kInt:
                thread->pushInt(argument.intValue);
                break;
            case Argument::kEntity:
                thread->push(referenceTo(machine, ScriptType::ENTITY, argument.entity));
                break;
            case Argument::kPoint:
                thread->push(newPointValue(machine, argument.point));
                break;
        }
    }
    finishCall(name, thread, static_cast<int32_t>(arguments.size()), firstEntry, result);
    return true;
}

void GmScriptBaseObject::finishCall(const char* name, gmScriptThread* thread, int32_t argCount,
                                    int32_t firstEntry, CallResult* result) {
    gmScriptMachine& machine = module_->getMachine();
    const std::shared_ptr<bool> alive = alive_;
    const bool native = thread->getValue(thread->getTop() - argCount - 1).getFunction()->isNative();
    CallResult outcome;
    if (machine.enterCall(thread, argCount) == kDone) {
        if (native) {
            outcome.finished = true;
        } else {
            outcome.finished = machine.executeThread(thread, &outcome.value) == gmScriptThread::kKilled;
        }
    }
    // [name] belongs to the caller and outlives the call, even when the method deleted this object.
    const bool failed =
        machine.getErrorLog().getEntryCount() != firstEntry &&
        module_->reportErrorsSince(firstEntry, "In file " + fileName_ + ", in function " + name + ":");
    if (!*alive)
        return;
    if (failed) {
        outcome.finished = false;
        failedMethods_.insert(name);
    }
    if (result != nullptr)
        *result = outcome;
}

bool GmScriptBaseObject::callScriptMethodWithArguments(const std::string& name,
                                                       const std::vector<MethodArgument>& arguments,
                                                       MethodArgument* result) {
    gmValue function;
    if (!beginCall(name.c_str(), nullptr, function))
        return false;
    gmScriptMachine& machine = module_->getMachine();
    const int32_t firstEntry = machine.getErrorLog().getEntryCount();
    gmScriptThread* thread = machine.newThread();
    thread->push(gmValue::makeTable(table_));
    thread->push(function);
    int32_t argCount = 0;
    for (const MethodArgument& argument : arguments) {
        if (argument.kind == MethodArgument::kNone)
            continue;
        thread->push(scriptValueOf(machine, argument));
        ++argCount;
    }
    CallResult outcome;
    finishCall(name.c_str(), thread, argCount, firstEntry, &outcome);
    if (result == nullptr)
        return true;
    *result = outcome.finished ? methodArgumentOf(machine, outcome.value) : MethodArgument();
    return true;
}
