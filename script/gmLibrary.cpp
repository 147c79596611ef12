// The standard library: type queries, memory and collector control, running text, threads,
// sleeping, blocking and signals, state machines, tables, print and format.
#include "script/gmLibrary.h"

#include <cmath>
#include <cstdio>
#include <string>
#include <vector>

#include "script/gmArgs.h"
#include "script/gmIntText.h"
#include "script/gmScriptMachine.h"

namespace {

// A thread's state-machine record: the previous, current and exit state functions (each may be
// null). Lives in the block heap, owned by its gmState host object at stack index 0 of the thread.
struct gmStateRecord {
    gmFunction* last;
    gmFunction* current;
    gmFunction* exit;
};

gmScriptMachine& machineOf(gmScriptThread* thread) {
    return thread->getMachine();
}

gmStateRecord* stateRecordOf(gmScriptThread* thread) {
    if (thread == nullptr || thread->getTop() < 1)
        return nullptr;
    const gmValue bottom = thread->getValue(0);
    if (bottom.getType() != machineOf(thread).getStateTypeId())
        return nullptr;
    return static_cast<gmStateRecord*>(bottom.getHostObject()->getHostPointer());
}

bool traceState(gmScriptMachine&, gmHostObject* object, gmGarbageCollector& collector, int32_t,
                int32_t& workDone) {
    if (auto* record = static_cast<gmStateRecord*>(object->getHostPointer())) {
        collector.markObject(record->last);
        collector.markObject(record->current);
        collector.markObject(record->exit);
    }
    workDone += 4;
    return true;
}

void destructState(gmScriptMachine& machine, gmHostObject* object) {
    machine.getBlockHeap().free(object->getHostPointer());
    object->setHostPointer(nullptr);
}

// ---------------------------------------------------------------------------------------------
// Types and versions
// ---------------------------------------------------------------------------------------------

int gmVersion(gmScriptThread* thread) {
    thread->pushString(machineOf(thread).internString("1.24"));
    return kDone;
}

int typeId(gmScriptThread* thread) {
    if (thread->getNumParams() > 0)
        thread->pushInt(thread->getParam(0).getType());
    return kDone;
}

int typeName(gmScriptThread* thread) {
    gmScriptMachine& machine = machineOf(thread);
    thread->pushString(machine.internString(machine.getTypeName(thread->getParam(0).getType())));
    return kDone;
}

int typeRegisterOperator(gmScriptThread* thread) {
    int32_t type = 0;
    const char* name = nullptr;
    gmFunction* function = nullptr;
    if (!gmCheckParamCount(thread, 3) || !gmIntParam(thread, 0, type) || !gmStringParam(thread, 1, name) ||
        !gmFunctionParam(thread, 2, function))
        return kRunTimeError;
    gmScriptMachine& machine = machineOf(thread);
    const int32_t op = gmOperatorIdFromName(name);
    // A type that does not exist gets nothing: the type table is never written out of range.
    if (op == kGmOpUndefined || !machine.isValidType(type)) {
        thread->pushInt(0);
        return kDone;
    }
    thread->pushInt(machine.setTypeOperator(type, op, function, nullptr) ? 1 : 0);
    return kDone;
}

int typeRegisterVariable(gmScriptThread* thread) {
    int32_t type = 0;
    const char* name = nullptr;
    if (!gmCheckParamCount(thread, 3) || !gmIntParam(thread, 0, type))
        return kRunTimeError;
    gmScriptMachine& machine = machineOf(thread);
    if (!machine.isValidType(type)) {
        machine.getErrorLog().logf("expecting param %d as int", 0);
        return kRunTimeError;
    }
    if (!gmStringParam(thread, 1, name))
        return kRunTimeError;
    machine.setTypeMember(type, name, thread->getParam(2));
    return kDone;
}

// ---------------------------------------------------------------------------------------------
// Memory and collection
// ---------------------------------------------------------------------------------------------

int sysCollectGarbage(gmScriptThread* thread) {
    int32_t force = 0;
    if (thread->getNumParams() >= 1) {
        if (!thread->getParam(0).isInt())
            return kRunTimeError;
        force = thread->getParam(0).getInt();
    }
    thread->pushInt(machineOf(thread).collectGarbage(force != 0) ? 1 : 0);
    return kDone;
}

int sysGetMemoryUsage(gmScriptThread* thread) {
    thread->pushInt(machineOf(thread).getMemoryUsage());
    return kDone;
}

int sysSetDesiredMemoryUsageHard(gmScriptThread* thread) {
    int32_t bytes = 0;
    if (!gmCheckParamCount(thread, 1) || !gmIntParam(thread, 0, bytes))
        return kRunTimeError;
    machineOf(thread).setDesiredMemoryUsageHard(bytes);
    return kDone;
}

int sysSetDesiredMemoryUsageSoft(gmScriptThread* thread) {
    int32_t bytes = 0;
    if (!gmCheckParamCount(thread, 1) || !gmIntParam(thread, 0, bytes))
        return kRunTimeError;
    machineOf(thread).setDesiredMemoryUsageSoft(bytes);
    return kDone;
}

int sysGetDesiredMemoryUsageHard(gmScriptThread* thread) {
    thread->pushInt(machineOf(thread).getDesiredMemoryUsageHard());
    return kDone;
}

int sysGetDesiredMemoryUsageSoft(gmScriptThread* thread) {
    thread->pushInt(machineOf(thread).getDesiredMemoryUsageSoft());
    return kDone;
}

int sysSetDesiredMemoryUsageAuto(gmScriptThread* thread) {
    int32_t on = 0;
    if (!gmCheckParamCount(thread, 1) || !gmIntParam(thread, 0, on))
        return kRunTimeError;
    machineOf(thread).setDesiredMemoryUsageAuto(on != 0);
    return kDone;
}

int sysGetStatsGCNumFullCollects(gmScriptThread* thread) {
    thread->pushInt(machineOf(thread).getFullCollectCount());
    return kDone;
}

int sysGetStatsGCNumIncCollects(gmScriptThread* thread) {
    thread->pushInt(machineOf(thread).getIncrementalCollectCount());
    return kDone;
}

int sysGetStatsGCNumWarnings(gmScriptThread* thread) {
    thread->pushInt(machineOf(thread).getWarningCount());
    return kDone;
}

int sysIsGCRunning(gmScriptThread* thread) {
    thread->pushInt(machineOf(thread).isCollectionRunning() ? 1 : 0);
    return kDone;
}

int sysTime(gmScriptThread* thread) {
    thread->pushInt(static_cast<int32_t>(machineOf(thread).getTime()));
    return kDone;
}

// ---------------------------------------------------------------------------------------------
// Running text, globals
// ---------------------------------------------------------------------------------------------

int doString(gmScriptThread* thread) {
    const char* text = nullptr;
    if (!gmCheckParamCount(thread, 1) || !gmStringParam(thread, 0, text))
        return kRunTimeError;
    int32_t now = 1;
    if (thread->getNumParams() >= 2) {
        if (!thread->getParam(1).isInt())
            return kRunTimeError;
        now = thread->getParam(1).getInt();
    }
    const gmValue thisValue = thread->getParam(2);
    if (machineOf(thread).refuseNewScriptThread())
        return kRunTimeError;
    int32_t id = 0;
    // The text stays on this thread's stack (argument 0) while it compiles and runs.
    if (machineOf(thread).runText(text, &id, now != 0, nullptr, &thisValue) != 0)
        return kRunTimeError;
    thread->pushInt(id);
    return kDone;
}

int globals(gmScriptThread* thread) {
    thread->pushTable(machineOf(thread).getGlobals());
    return kDone;
}

// ---------------------------------------------------------------------------------------------
// Threads
// ---------------------------------------------------------------------------------------------

int threadTime(gmScriptThread* thread) {
    thread->pushInt(static_cast<int32_t>(machineOf(thread).getTime() - thread->getStartTime()));
    return kDone;
}

int threadId(gmScriptThread* thread) {
    thread->pushInt(thread->getId());
    return kDone;
}

int threadAllIds(gmScriptThread* thread) {
    gmScriptMachine& machine = machineOf(thread);
    gmTable* table = machine.createTable();
    thread->pushTable(table);  // rooted before anything else is made
    int32_t index = 0;
    machine.forEachThread([&](gmScriptThread* each) {
        table->set(machine, gmValue::makeInt(index++), gmValue::makeInt(each->getId()));
    });
    return kDone;
}

int threadKill(gmScriptThread* thread) {
    int32_t id = 0;
    if (thread->getNumParams() >= 1) {
        if (!thread->getParam(0).isInt())
            return kRunTimeError;
        id = thread->getParam(0).getInt();
    }
    if (id == 0 || id == thread->getId())
        return kKill;
    gmScriptMachine& machine = machineOf(thread);
    machine.killThread(machine.findThread(id));
    return kDone;
}

int threadKillAll(gmScriptThread* thread) {
    int32_t alsoSelf = 0;
    if (thread->getNumParams() >= 1) {
        if (!thread->getParam(0).isInt())
            return kRunTimeError;
        alsoSelf = thread->getParam(0).getInt();
    }
    gmScriptMachine& machine = machineOf(thread);
    // Ids first: killing changes the lists being walked.
    std::vector<int32_t> ids;
    machine.forEachThread([&](gmScriptThread* each) {
        const int32_t state = each->getState();
        if (each != thread && state != gmScriptThread::kException)
            ids.push_back(each->getId());
    });
    for (int32_t id : ids) machine.killThread(machine.findThread(id));
    return alsoSelf != 0 ? kKill : kDone;
}

int threadFunction(gmScriptThread* thread) {
    gmFunction* function = nullptr;
    if (!gmCheckParamCount(thread, 1) || !gmFunctionParam(thread, 0, function))
        return kRunTimeError;
    gmScriptMachine& machine = machineOf(thread);
    if (machine.refuseNewScriptThread())
        return kRunTimeError;
    const int32_t count = thread->getNumParams();
    int32_t id = 0;
    gmScriptThread* created = machine.newThread(&id);
    if (!created->touch(count + 1)) {
        machine.killThread(created);
        return kRunTimeError;
    }
    created->push(thread->getCallerThis());
    for (int32_t i = 0; i < count; ++i) created->push(thread->getParam(i));
    machine.enterCall(created, count - 1);
    thread->pushInt(id);
    return kDone;
}

int yieldFunction(gmScriptThread*) {
    return kYield;
}

int exitFunction(gmScriptThread*) {
    return kKill;
}

int assertFunction(gmScriptThread* thread) {
    if (thread->getParam(0).isTrue())
        return kDone;
    const char* message = "assert failed";
    if (thread->getNumParams() >= 2) {
        if (!thread->getParam(1).isString())
            return kRunTimeError;
        message = thread->getParam(1).getString()->getText();
    }
    machineOf(thread).getErrorLog().logf("%s", message);
    return kRunTimeError;
}

int sleepFunction(gmScriptThread* thread) {
    const gmValue seconds = thread->getParam(0);
    double ms = 0.0;
    if (seconds.isInt())
        ms = static_cast<double>(seconds.getInt()) * 1000.0;
    else if (seconds.isFloat())
        ms = std::floor(static_cast<double>(seconds.getFloat()) * 1000.0);
    // A negative time sleeps 0 ms; a huge (or NaN) one is held at the longest representable wait.
    if (!(ms >= 0.0))
        ms = 0.0;
    if (ms > 2147483647.0)
        ms = 2147483647.0;
    gmScriptMachine& machine = machineOf(thread);
    thread->setWakeTime(machine.getTime() + static_cast<uint32_t>(ms));
    return kSleep;
}

int signalFunction(gmScriptThread* thread) {
    if (!gmCheckParamCount(thread, 1))
        return kRunTimeError;
    int32_t id = 0;
    if (thread->getNumParams() >= 2) {
        if (!thread->getParam(1).isInt())
            return kRunTimeError;
        id = thread->getParam(1).getInt();
    }
    machineOf(thread).signalValue(thread->getParam(0), id, thread->getId());
    return kDone;
}

int blockFunction(gmScriptThread* thread) {
    if (!gmCheckParamCount(thread, 1))
        return kRunTimeError;
    const gmValue* values = thread->getStackBottom() + thread->getBaseIndex();
    const int32_t index = machineOf(thread).blockThread(thread, values, thread->getNumParams());
    if (index >= 0) {
        thread->push(values[index]);
        return kDone;
    }
    return kBlock;
}

// ---------------------------------------------------------------------------------------------
// State machines
// ---------------------------------------------------------------------------------------------

int stateSet(gmScriptThread* thread) {
    gmFunction* function = nullptr;
    if (!gmCheckParamCount(thread, 1) || !gmFunctionParam(thread, 0, function))
        return kRunTimeError;
    gmScriptMachine& machine = machineOf(thread);
    const gmValue* arguments = thread->getStackBottom() + thread->getBaseIndex();
    if (!machine.changeState(thread, arguments, thread->getNumParams(), thread->getCallerThis())) {
        if (thread->getState() != gmScriptThread::kKilled)
            machine.getErrorLog().addEntry("stack overflow");
        return kRunTimeError;
    }
    return kRedispatch;
}

int stateSetOnThread(gmScriptThread* thread) {
    int32_t id = 0;
    gmFunction* function = nullptr;
    if (!gmCheckParamCount(thread, 2) || !gmIntParam(thread, 0, id) || !gmFunctionParam(thread, 1, function))
        return kRunTimeError;
    gmScriptMachine& machine = machineOf(thread);
    if (id == thread->getId()) {
        machine.getErrorLog().addEntry("use setstate() on own thread");
        return kRunTimeError;
    }
    gmScriptThread* target = machine.findThread(id);
    if (target == nullptr)
        return kDone;
    const int32_t count = thread->getNumParams() - 1;
    const gmValue* functionAndArgs = thread->getStackBottom() + thread->getBaseIndex() + 1;
    machine.setStateOnThread(target, functionAndArgs, count);
    return kDone;
}

gmScriptThread* threadFromParam(gmScriptThread* thread, bool& ok) {
    ok = true;
    if (thread->getNumParams() < 1)
        return thread;
    if (!thread->getParam(0).isInt()) {
        ok = false;
        return nullptr;
    }
    return machineOf(thread).findThread(thread->getParam(0).getInt());
}

int stateGet(gmScriptThread* thread) {
    bool ok = true;
    gmStateRecord* record = stateRecordOf(threadFromParam(thread, ok));
    if (!ok)
        return kRunTimeError;
    if (record != nullptr && record->current != nullptr)
        thread->pushFunction(record->current);
    return kDone;
}

int stateGetLast(gmScriptThread* thread) {
    bool ok = true;
    gmStateRecord* record = stateRecordOf(threadFromParam(thread, ok));
    if (!ok)
        return kRunTimeError;
    if (record != nullptr && record->last != nullptr)
        thread->pushFunction(record->last);
    return kDone;
}

int stateSetExitFunction(gmScriptThread* thread) {
    gmFunction* function = nullptr;
    if (!gmCheckParamCount(thread, 1) || !gmFunctionParam(thread, 0, function))
        return kRunTimeError;
    if (gmStateRecord* record = stateRecordOf(thread)) {
        machineOf(thread).writeBarrier(gmValue::makeObject(record->exit));
        record->exit = function;
    }
    return kDone;
}

// ---------------------------------------------------------------------------------------------
// Tables, print, format
// ---------------------------------------------------------------------------------------------

int tableCount(gmScriptThread* thread) {
    gmTable* table = nullptr;
    if (!gmTableParam(thread, 0, table))
        return kRunTimeError;
    thread->pushInt(table->getCount());
    return kDone;
}

int tableDuplicate(gmScriptThread* thread) {
    gmTable* table = nullptr;
    if (!gmTableParam(thread, 0, table))
        return kRunTimeError;
    thread->pushTable(table->duplicate(machineOf(thread)));
    return kDone;
}

int printFunction(gmScriptThread* thread) {
    gmScriptMachine& machine = machineOf(thread);
    std::string line;
    for (int32_t i = 0; i < thread->getNumParams(); ++i) {
        machine.appendValueText(thread->getParam(i), line);
        line += ' ';
    }
    machine.print(line.c_str());
    return kDone;
}

// format: '%' and the next character form a specifier (letters in either case); each specifier
// with an argument takes the next one (0 or "" once they are used up); a wrong argument type fails
// without a message. "%s" pieces are appended whole; numbers are printed into a buffer that holds
// any float in "%f".
int formatFunction(gmScriptThread* thread) {
    const char* format = nullptr;
    if (!gmStringParam(thread, 0, format))
        return kRunTimeError;
    if (format[0] == '\0')
        return kDone;
    std::string out;
    int32_t next = 1;
    const int32_t count = thread->getNumParams();
    char buffer[384];
    for (const char* c = format; *c != '\0'; ++c) {
        if (*c != '%') {
            out += *c;
            continue;
        }
        ++c;
        if (*c == '\0')
            break;
        const char spec = static_cast<char>(*c >= 'A' && *c <= 'Z' ? *c - 'A' + 'a' : *c);
        if (spec == '%') {
            out += '%';
            continue;
        }
        const bool takesArgument = spec == 'b' || spec == 'c' || spec == 'd' || spec == 'u' || spec == 'x' ||
                                   spec == 'f' || spec == 'e' || spec == 's';
        if (!takesArgument)
            continue;
        const gmValue argument = next < count ? thread->getParam(next) : gmValue();
        const bool present = next < count;
        ++next;
        if (spec == 's') {
            if (!present)
                continue;
            if (!argument.isString())
                return kRunTimeError;
            out.append(argument.getString()->getText(),
                       static_cast<std::size_t>(argument.getString()->getLength()));
            continue;
        }
        if (spec == 'f' || spec == 'e') {
            if (present && !argument.isFloat())
                return kRunTimeError;
            const double value = present ? static_cast<double>(argument.getFloat()) : 0.0;
            std::snprintf(buffer, sizeof(buffer), spec == 'f' ? "%f" : "%e", value);
            out += buffer;
            continue;
        }
        if (present && !argument.isInt())
            return kRunTimeError;
        const int32_t value = present ? argument.getInt() : 0;
        switch (spec) {
            case 'b': {
                uint32_t bits = static_cast<uint32_t>(value);
                std::string digits;
                do {
                    digits.insert(digits.begin(), static_cast<char>('0' + (bits & 1u)));
                    bits >>= 1;
                } while (bits != 0);
                out += digits;
                break;
            }
            case 'c':
                out += static_cast<char>(value);
                break;
            case 'd':
                gmFormatInt(value, buffer);
                out += buffer;
                break;
            case 'u':
                std::snprintf(buffer, sizeof(buffer), "%u", static_cast<unsigned>(value));
                out += buffer;
                break;
            default:  // 'x'
                std::snprintf(buffer, sizeof(buffer), "%x", static_cast<unsigned>(value));
                out += buffer;
                break;
        }
    }
    gmScriptMachine& machine = machineOf(thread);
    if (out.size() > static_cast<std::size_t>(machine.getMaxStringLength())) {
        machine.getErrorLog().addEntry("string too long");
        return kRunTimeError;
    }
    thread->pushString(machine.internString(out.data(), static_cast<int32_t>(out.size())));
    return kDone;
}

// Registration order is part of the library's contract.
constexpr gmLibraryEntry kLibrary[] = {
    {"gmVersion", gmVersion, nullptr},
    {"typeId", typeId, nullptr},
    {"typeName", typeName, nullptr},
    {"typeRegisterOperator", typeRegisterOperator, nullptr},
    {"typeRegisterVariable", typeRegisterVariable, nullptr},
    {"sysCollectGarbage", sysCollectGarbage, nullptr},
    {"sysGetMemoryUsage", sysGetMemoryUsage, nullptr},
    {"sysSetDesiredMemoryUsageHard", sysSetDesiredMemoryUsageHard, nullptr},
    {"sysSetDesiredMemoryUsageSoft", sysSetDesiredMemoryUsageSoft, nullptr},
    {"sysGetDesiredMemoryUsageHard", sysGetDesiredMemoryUsageHard, nullptr},
    {"sysGetDesiredMemoryUsageSoft", sysGetDesiredMemoryUsageSoft, nullptr},
    {"sysSetDesiredMemoryUsageAuto", sysSetDesiredMemoryUsageAuto, nullptr},
    {"sysGetStatsGCNumFullCollects", sysGetStatsGCNumFullCollects, nullptr},
    {"sysGetStatsGCNumIncCollects", sysGetStatsGCNumIncCollects, nullptr},
    {"sysGetStatsGCNumWarnings", sysGetStatsGCNumWarnings, nullptr},
    {"sysIsGCRunning", sysIsGCRunning, nullptr},
    {"sysTime", sysTime, nullptr},
    {"doString", doString, nullptr},
    {"globals", globals, nullptr},
    {"threadTime", threadTime, nullptr},
    {"threadId", threadId, nullptr},
    {"threadAllIds", threadAllIds, nullptr},
    {"threadKill", threadKill, nullptr},
    {"threadKillAll", threadKillAll, nullptr},
    {"thread", threadFunction, nullptr},
    {"yield", yieldFunction, nullptr},
    {"exit", exitFunction, nullptr},
    {"assert", assertFunction, nullptr},
    {"sleep", sleepFunction, nullptr},
    {"signal", signalFunction, nullptr},
    {"block", blockFunction, nullptr},
    {"stateSet", stateSet, nullptr},
    {"stateSetOnThread", stateSetOnThread, nullptr},
    {"stateGet", stateGet, nullptr},
    {"stateGetLast", stateGetLast, nullptr},
    {"stateSetExitFunction", stateSetExitFunction, nullptr},
    {"tableCount", tableCount, nullptr},
    {"tableDuplicate", tableDuplicate, nullptr},
    {"print", printFunction, nullptr},
    {"format", formatFunction, nullptr},
};
constexpr int32_t kLibraryCount = static_cast<int32_t>(sizeof(kLibrary) / sizeof(kLibrary[0]));
static_assert(kLibraryCount == 40);

}  // namespace

void gmRegisterStandardLibrary(gmScriptMachine& machine) {
    gmCollectionPause pause(machine);
    const int32_t stateType = machine.createUserType("gmState");
    machine.setTypeCallbacks(stateType, traceState, destructState, nullptr);
    machine.setStateTypeId(stateType);
    machine.registerGlobalFunctions(kLibrary, kLibraryCount, nullptr);
}

int32_t gmStandardLibraryCount() {
    return kLibraryCount;
}

const char* gmStandardLibraryName(int32_t index) {
    return index >= 0 && index < kLibraryCount ? kLibrary[index].name : nullptr;
}

// ---------------------------------------------------------------------------------------------
// State changes (machine side)
// ---------------------------------------------------------------------------------------------

bool gmScriptMachine::changeState(gmScriptThread* thread, const gmValue* functionAndArgs, int32_t count,
                                  gmValue thisValue) {
    // Copied first: they may live on the stack that is about to be emptied. They stay rooted
    // there (or in the thread's recorded request) until the stack is rebuilt below.
    std::vector<gmValue> copy(functionAndArgs, functionAndArgs + count);
    const int32_t id = thread->id_;
    gmStateRecord* record = stateRecordOf(thread);
    gmHostObject* stateObject = nullptr;
    if (record == nullptr) {
        record = static_cast<gmStateRecord*>(blockHeap_.allocate(sizeof(gmStateRecord)));
        *record = {nullptr, copy[0].getFunction(), nullptr};
        stateObject = newHostObject(record, stateTypeId_);
    } else {
        stateObject = thread->stack_[0].getHostObject();
        if (record->exit != nullptr) {
            int32_t exitId = 0;
            gmScriptThread* exitThread =
                callFunction(thisValue, gmValue::makeFunction(record->exit), &exitId);
            if (exitThread != nullptr)
                executeThread(exitThread);
            if (findThread(id) != thread)
                return false;  // the exit function ended this thread
            record = stateRecordOf(thread);
            if (record == nullptr)
                return false;
            stateObject = thread->stack_[0].getHostObject();
        }
        writeBarrier(gmValue::makeObject(record->last));
        writeBarrier(gmValue::makeObject(record->exit));
        record->last = record->current;
        record->exit = nullptr;
        record->current = copy[0].getFunction();
    }
    resetThread(thread);
    thread->startTime_ = time_;
    if (!thread->touch(count + 2 + kCallMarginValues))
        return false;
    thread->push(gmValue::makeHostObject(stateObject));
    thread->push(thisValue);
    for (const gmValue& value : copy) thread->push(value);
    return true;
}

void gmScriptMachine::setStateOnThread(gmScriptThread* target, const gmValue* functionAndArgs,
                                       int32_t count) {
    if (target->nativeDepth_ > 0) {
        // Its native call is still on the C++ stack: the run loop applies this when it returns.
        target->requestedState_.assign(functionAndArgs, functionAndArgs + count);
        target->stateRequested_ = true;
        return;
    }
    const int32_t id = target->id_;
    const gmValue thisValue =
        target->base_ >= 2 && target->base_ <= target->top_ ? target->stack_[target->base_ - 2] : gmValue();
    if (!changeState(target, functionAndArgs, count, thisValue))
        return;
    enterCall(target, count - 1);
    if (findThread(id) == target)
        switchThreadState(target, gmScriptThread::kRunning);
}

int32_t gmScriptMachine::applyRequestedState(gmScriptThread* thread, gmValue thisValue) {
    thread->stateRequested_ = false;
    const int32_t count = static_cast<int32_t>(thread->requestedState_.size());
    // Counted as inside its native still: the exit function may not free this thread under us.
    ++thread->nativeDepth_;
    const bool changed = changeState(thread, thread->requestedState_.data(), count, thisValue);
    --thread->nativeDepth_;
    thread->requestedState_.clear();
    return changed ? count : 0;
}
