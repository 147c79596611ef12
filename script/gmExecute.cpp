// The execution loop: computed-goto dispatch over a function's fast code (gmFastCode.h), one
// handler per fast opcode, with the stack pointer, base and instruction pointer in locals; int and
// float fast paths before the type records' operators; calls and returns without any allocation
// once a thread's frame array has grown.

#include "script/gmBuiltinOperators.h"
#include "script/gmFastCode.h"
#include "script/gmOpcodes.h"
#include "script/gmScriptMachine.h"

#include <cstring>

// The loop's hottest variables, kept in callee-saved registers: left to itself, GCC keeps the stack
// pointer and the base in memory across this function's many calls, and every handler reloads them.
#if defined(__GNUC__) && !defined(__clang__) && defined(__x86_64__)
#define GM_LOOP_REGISTER register
#define GM_IN_REGISTER(name) __asm__(name)
#else
#define GM_LOOP_REGISTER
#define GM_IN_REGISTER(name)
#endif

namespace {
// How the inner loop stopped; the outer function applies it once the loop's locals are gone.
namespace Outcome {
enum : int32_t { kYielded, kSlept, kBlocked, kFinished, kDied, kKilled };
}

constexpr int32_t kCallMargin = gmScriptMachine::kCallMarginValues;
constexpr int32_t kHostTypeBoolThreshold = 6;  // types above this may have a bool operator

// The results of the fused operators, as the plain handlers compute them: [O] on ints or floats.
template <gmOpcode O, typename Number>
constexpr bool fusedCompare(Number x, Number y) {
    if constexpr (O == gmOpcode::Lt)
        return x < y;
    else if constexpr (O == gmOpcode::Gt)
        return x > y;
    else if constexpr (O == gmOpcode::Lte)
        return x <= y;
    else if constexpr (O == gmOpcode::Gte)
        return x >= y;
    else if constexpr (O == gmOpcode::Eq)
        return x == y;
    else {
        static_assert(O == gmOpcode::Neq, "not an operator that fuses");
        return x != y;
    }
}

template <gmOpcode O>
constexpr int32_t fusedIntResult(int32_t x, int32_t y) {
    const uint32_t ux = static_cast<uint32_t>(x);
    const uint32_t uy = static_cast<uint32_t>(y);
    if constexpr (O == gmOpcode::Add)
        return static_cast<int32_t>(ux + uy);
    else if constexpr (O == gmOpcode::Sub)
        return static_cast<int32_t>(ux - uy);
    else if constexpr (O == gmOpcode::Mul)
        return static_cast<int32_t>(ux * uy);
    else if constexpr (O == gmOpcode::Mod)
        return y == -1 ? 0 : x % y;  // as the plain handler: never by 0 (fusedIntOperands)
    else
        return fusedCompare<O>(x, y);
}

// Whether [O] has its int result for these operands in the fused handlers: all but a remainder by
// 0, whose error the plain handler raises.
template <gmOpcode O>
constexpr bool fusedIntOperands(int32_t y) {
    if constexpr (O == gmOpcode::Mod)
        return y != 0;
    else
        return true;
}

// Mod is never fused on floats (its float rules stay with the type records).
template <gmOpcode O>
constexpr bool fusedOnFloats = O != gmOpcode::Mod;

template <gmOpcode O>
inline gmValue fusedFloatResult(float x, float y) {
    if constexpr (O == gmOpcode::Mod)
        return gmValue();  // not reached: fusedOnFloats
    else if constexpr (O == gmOpcode::Add)
        return gmValue::makeFloat(x + y);
    else if constexpr (O == gmOpcode::Sub)
        return gmValue::makeFloat(x - y);
    else if constexpr (O == gmOpcode::Mul)
        return gmValue::makeFloat(x * y);
    else
        return gmValue::makeInt(fusedCompare<O>(x, y));
}

// The repetition of a store-loop run (fused_setind_loop): stores [constant] under the loop
// variable, steps it by [step] into [variable] and tests it against [bound], until the test fails
// (answers true, [variable] holding the value that failed it) or an inline store does not go
// (answers false, [variable] holding the key still to store).
template <gmOpcode Test>
bool repeatStoreLoop(gmTable* table, gmGarbageCollector& collector, gmValue& variable, int32_t step,
                     int32_t bound, const gmValue& constant) {
    int32_t i = variable.getInt();
    for (;;) {
        if (!table->trySetInline(collector, gmValue::makeInt(i), constant))
            return false;
        i = static_cast<int32_t>(static_cast<uint32_t>(i) + static_cast<uint32_t>(step));
        variable = gmValue::makeInt(i);
        if (!fusedCompare<Test>(i, bound))
            return true;
    }
}

// An int or float operand as a float.
inline float asFloat(const gmValue& value) {
    return value.isFloat() ? value.getFloat() : static_cast<float>(value.getInt());
}

// gmFunction::getConstant over the loop's copy of the function's constants.
inline gmValue constantAt(const gmValue* constants, uint32_t count, uint32_t index) {
    return index < count ? constants[index] : gmValue();
}

// The slot of a global look-up site, from its operand word in fast code (gmGlobalSlot).
inline uint32_t* globalSlot(const uint32_t* code, uint32_t operand) {
    // The slots are the only words of fast code that change once it is built.
    return const_cast<uint32_t*>(code) + operand;
}

// The function whose fast code is [code], at [base] - 1; null when no such function stands there.
inline const gmFunction* runningFunction(const gmValue* stack, const gmValue* base, const uint32_t* code) {
    if (base <= stack || !base[-1].isFunction())
        return nullptr;
    const gmFunction* function = base[-1].getFunction();
    return function->getFastCode() == code ? function : nullptr;
}

// [position] in [function]'s fast code [code], in its real code; null without a function.
inline const uint32_t* originalPosition(const gmFunction* function, const uint32_t* code,
                                        const uint32_t* position) {
    return function != nullptr ? function->getCode() + (position - code) : nullptr;
}

// The slot of a member look-up site (gmMemberSlot), from its operand word in fast code.
inline uint32_t* memberSlot(const uint32_t* code, uint32_t operand) {
    return const_cast<uint32_t*>(code) + operand;
}

// The name a member site's slot remembers (meaningful once its node is set).
inline gmValue memberSlotName(const uint32_t* slot) {
    gmValue name;
    std::memcpy(static_cast<void*>(&name), slot + gmMemberSlot::kName, sizeof(gmValue));
    return name;
}

// The node of [table] the member site's [slot] remembers, when that node holds the remembered
// name; null otherwise.
inline const gmTableNode* rememberedNode(const gmTable* table, const uint32_t* slot) {
    return table->nodeHolding(slot[gmMemberSlot::kNode], memberSlotName(slot));
}

// Remembers that [name] was found at [node].
inline void rememberMember(uint32_t* slot, int32_t node, const gmValue& name) {
    std::memcpy(slot + gmMemberSlot::kName, static_cast<const void*>(&name), sizeof(gmValue));
    slot[gmMemberSlot::kNode] = static_cast<uint32_t>(node);
}

// The member [name] of [table] without the table type's members; null when absent. The look-up
// of a site whose remembered node did not hold the name: it remembers the node found.
inline gmValue findMember(uint32_t* slot, const gmTable* table, const gmValue& name) {
    const int32_t node = table->findNode(name);
    if (node >= 0) {
        if (!name.isNull())
            rememberMember(slot, node, name);
        return table->getNodeValue(node);
    }
    return node == -2 ? table->get(name) : gmValue();
}

// Gives [function] its fast code; kept out of the loop, as it runs once per function.
[[gnu::noinline]] const uint32_t* buildFastCode(gmFunction* function, bool fuse) {
    function->setFastCode(
        gmBuildFastCode(function->getCode(), static_cast<std::size_t>(function->getCodeWordCount()), fuse));
    return function->getFastCode();
}

inline const uint32_t* fastCodeOf(gmFunction* function, bool fuse) {
    const uint32_t* fast = function->getFastCode();
    return fast != nullptr ? fast : buildFastCode(function, fuse);
}
}  // namespace

// ---------------------------------------------------------------------------------------------
// Entering calls from outside the loop
// ---------------------------------------------------------------------------------------------

// The frame of a call entered from outside the loop: the thread's own place, as the loop keeps it.
void gmScriptMachine::pushCallerFrame(gmScriptThread* thread) {
    const int32_t base = thread->base_;
    gmFunction* caller = !thread->frames_.empty() && base >= 1 && thread->stack_[base - 1].isFunction()
                             ? thread->stack_[base - 1].getFunction()
                             : nullptr;
    if (caller == nullptr || caller->isNative() || thread->resumeIp_ == nullptr) {
        thread->pushFrame(nullptr, nullptr, nullptr, 0, base, 0);
        return;
    }
    const uint32_t* code = fastCodeOf(caller, fusedRuns_);
    thread->pushFrame(code + (thread->resumeIp_ - caller->getCode()), code, caller->getConstants(),
                      static_cast<uint32_t>(caller->getConstantCount()), base, 0);
}

bool gmScriptMachine::ensureStack(gmScriptThread* thread, int32_t needed) {
    return needed <= thread->stackSize_ || thread->growStack(needed);
}

int32_t gmScriptMachine::enterCall(gmScriptThread* thread, int32_t argCount) {
    if (thread == nullptr || thread->state_ == gmScriptThread::kKilled)
        return kRunTimeError;
    for (;;) {
        const int32_t newBase = thread->top_ - argCount;
        if (argCount < 0 || newBase < 1 || !thread->stack_[newBase - 1].isFunction()) {
            errorLog_.addEntry("attempt to call non function type");
            raiseRuntimeError(thread, nullptr);
            return kRunTimeError;
        }
        gmFunction* function = thread->stack_[newBase - 1].getFunction();
        if (!function->isNative()) {
            const int32_t p = function->getNumParams();
            const int32_t t = function->getNumParamsLocals();
            if (!ensureStack(thread,
                             thread->top_ + function->getMaxStackSize() + (t - argCount) + kCallMargin)) {
                errorLog_.addEntry("stack overflow");
                raiseRuntimeError(thread, nullptr);
                return kRunTimeError;
            }
            gmValue* stack = thread->stack_;
            if (argCount > p) {
                for (int32_t i = newBase + p; i < newBase + t; ++i) stack[i] = gmValue();
            } else {
                for (int32_t i = thread->top_; i < newBase + t; ++i) stack[i] = gmValue();
            }
            pushCallerFrame(thread);
            thread->base_ = newBase;
            thread->top_ = newBase + t;
            thread->resumeIp_ = function->getCode();
            return kDone;
        }

        const int32_t callerBase = thread->base_;
        const int32_t id = thread->id_;
        thread->base_ = newBase;
        thread->argCount_ = argCount;
        thread->callerBase_ = callerBase;
        ++thread->nativeDepth_;
        int32_t status = function->getNativeFunction()(thread);
        --thread->nativeDepth_;
        if (findThread(id) != thread)
            return kKill;
        if (thread->stateRequested_ && !thread->killRequested_) {
            argCount =
                applyRequestedState(thread, callerBase >= 2 ? thread->stack_[callerBase - 2] : gmValue());
            status = kRedispatch;
        }
        if (thread->killRequested_) {
            killThread(thread);
            return kKill;
        }
        if (status == kRedispatch) {
            --argCount;
            continue;
        }
        const gmValue result =
            thread->top_ > newBase + argCount ? thread->stack_[thread->top_ - 1] : gmValue();
        thread->stack_[newBase - 2] = result;
        thread->top_ = newBase - 1;
        thread->base_ = callerBase;
        switch (status) {
            case kDone:
                if (thread->frames_.empty())
                    killThread(thread);
                return kDone;
            case kYield:
                return kYield;
            case kBlock:
                switchThreadState(thread, gmScriptThread::kBlocked);
                return kBlock;
            case kSleep:
                switchThreadState(thread, gmScriptThread::kSleeping);
                return kSleep;
            case kKill:
                killThread(thread);
                return kKill;
            default:
                raiseRuntimeError(thread, nullptr);
                return kRunTimeError;
        }
    }
}

// ---------------------------------------------------------------------------------------------
// The run loop
// ---------------------------------------------------------------------------------------------

int32_t gmScriptMachine::executeThread(gmScriptThread* thread, gmValue* returnValue) {
    if (thread == nullptr)
        return gmScriptThread::kKilled;
    if (thread->state_ != gmScriptThread::kRunning || thread->executing_)
        return thread->state_;
    if (thread->resumeIp_ == nullptr || thread->frames_.empty()) {
        killThread(thread);  // nothing left to run
        return gmScriptThread::kKilled;
    }
    if (runNesting_ >= kMaxRunNesting) {
        errorLog_.addEntry("stack overflow");
        raiseRuntimeError(thread, thread->resumeIp_);
        return gmScriptThread::kKilled;
    }
    ++runNesting_;
    thread->executing_ = true;
    const uint32_t* errorIp = nullptr;
    const int32_t outcome = runLoop(thread, returnValue, errorIp);
    thread->executing_ = false;
    --runNesting_;
    switch (outcome) {
        case Outcome::kYielded:
            thread->pendingSignals_.clear();
            return gmScriptThread::kRunning;
        case Outcome::kSlept:
            switchThreadState(thread, gmScriptThread::kSleeping);
            return gmScriptThread::kSleeping;
        case Outcome::kBlocked:
            switchThreadState(thread, gmScriptThread::kBlocked);
            return gmScriptThread::kBlocked;
        case Outcome::kDied:
            raiseRuntimeError(thread, errorIp);
            return gmScriptThread::kKilled;
        case Outcome::kFinished:
        case Outcome::kKilled:
            killThread(thread);
            return gmScriptThread::kKilled;
    }
    return gmScriptThread::kKilled;
}

// The loop proper. Invariants between instructions: [stack] is the thread's stack, [base] the
// current frame's base, [sp] one past the top value, [code] the first word of the current
// function's (base[-1]'s) fast code, which [ip] points into, and [constants] its constants. The thread's own
// top and base are stale while the loop runs: they are written back (SYNC) before anything that may allocate
// an object (a collection step scans the stack up to the thread's top), log an error, or call out. Positions
// that leave the loop (return positions in frames, the resume position, the error position) are translated to
// the function's real code (ORIGINAL), and back when they return; frames keep fast-code positions (gmFrame).
int32_t gmScriptMachine::runLoop(gmScriptThread* thread, gmValue* returnValue, const uint32_t*& errorIp) {
    gmValue* stack = thread->stack_;
    GM_LOOP_REGISTER gmValue* base GM_IN_REGISTER("r12") = stack + thread->base_;
    GM_LOOP_REGISTER gmValue* sp GM_IN_REGISTER("rbx") = stack + thread->top_;
    gmFunction* const entered = base[-1].getFunction();
    GM_LOOP_REGISTER const uint32_t* code GM_IN_REGISTER("r13") = fastCodeOf(entered, fusedRuns_);
    GM_LOOP_REGISTER const uint32_t* ip GM_IN_REGISTER("r14") =
        code + (thread->resumeIp_ - entered->getCode());
    // The current function's constants (see CONSTANT), changed with code.
    const gmValue* constants = entered->getConstants();
    uint32_t constantCount = static_cast<uint32_t>(entered->getConstantCount());
    gmTable* const globals = globals_;
    const bool watched = stepHook_ != nullptr;

    // Shared by the call instruction and the operator calls.
    int32_t callArgs = 0;
    const uint32_t* callReturnIp = nullptr;
    int32_t callDiscard = 0;
    // The operator of a slow-path operator instruction.
    int32_t opId = 0;
    const uint32_t* instructionStart = nullptr;

#define SYNC()                                              \
    do {                                                    \
        thread->top_ = static_cast<int32_t>(sp - stack);    \
        thread->base_ = static_cast<int32_t>(base - stack); \
    } while (0)
#define RELOAD()                      \
    do {                              \
        stack = thread->stack_;       \
        sp = stack + thread->top_;    \
        base = stack + thread->base_; \
    } while (0)
// No bounds check: ip only ever stands on an instruction start of fast code (the entry, a jump
// target, a return or resume position, or where a handler has stepped over its operands), and
// gmBuildFastCode leaves a fast opcode at every one of them. The check cost 3 to 14% of call- and
// member-heavy programs.
#define DISPATCH()           \
    do {                     \
        goto* labels[*ip++]; \
    } while (0)
// The current function (the loop keeps only its code and constants), null where there is none (a
// state change has just emptied the call chain).
#define FN() (runningFunction(stack, base, code))
// A position in the current function's fast code, in its real code; null without a function.
#define ORIGINAL(position) (originalPosition(FN(), code, position))
#define FAIL(start, message)         \
    do {                             \
        SYNC();                      \
        errorLog_.addEntry(message); \
        errorIp = ORIGINAL(start);   \
        return Outcome::kDied;       \
    } while (0)
// FAIL with the detail entries that [detail] (a call of a cold logging function) adds.
#define FAIL_DETAIL(start, message, detail) \
    do {                                    \
        SYNC();                             \
        errorLog_.addEntry(message);        \
        detail;                             \
        errorIp = ORIGINAL(start);          \
        return Outcome::kDied;              \
    } while (0)
// The operator handler has logged its own message.
#define FAIL_LOGGED(start)         \
    do {                           \
        SYNC();                    \
        errorIp = ORIGINAL(start); \
        return Outcome::kDied;     \
    } while (0)
// One step of the execution watch (setStepHook): the hook runs when the interval is used up.
#define COUNT_STEP(start)                                                 \
    do {                                                                  \
        if (watched && --stepsLeft_ <= 0) {                               \
            SYNC();                                                       \
            stepsLeft_ = stepInterval_;                                   \
            if (stepHook_ != nullptr && !stepHook_(*this, stepHookData_)) \
                FAIL(start, "execution stopped by the host");             \
        }                                                                 \
    } while (0)
// fn->getConstant(index), without going through fn: null for an index out of range.
#define CONSTANT(index) constantAt(constants, constantCount, index)
// A table store: the inline overwrite or insertion, else the full store. The full store may have
// given the table a bigger node array, memory that counts towards a long run's collection like a
// new object's (beforeAllocation); by then the table is reachable from the stack, a frame's this
// or the globals, and the key and value from the table.
#define STORE_IN_TABLE(table, key, value)                        \
    do {                                                         \
        gmTable* const storeTable = (table);                     \
        if (!storeTable->trySetInline(collector_, key, value)) { \
            storeTable->set(*this, key, value);                  \
            SYNC();                                              \
            beforeAllocation();                                  \
        }                                                        \
    } while (0)

// A member site's table store of [value] under the slot's name: an overwrite at the node the slot
// remembers or at the node a look-up finds (then remembered), else (a removal, a new key) the
// table store.
#define MEMBER_STORE(table, value)                                                                          \
    do {                                                                                                    \
        gmTable* const memberTable = (table);                                                               \
        const gmValue& memberValue = (value);                                                               \
        const gmValue memberName = CONSTANT(slot[gmMemberSlot::kConstant]);                                 \
        if (!memberValue.isNull()) {                                                                        \
            const uint32_t remembered = slot[gmMemberSlot::kNode];                                          \
            if (memberTable->nodeHolding(remembered, memberSlotName(slot)) != nullptr) {                    \
                memberTable->overwriteNodeValue(collector_, static_cast<int32_t>(remembered), memberValue); \
                break;                                                                                      \
            }                                                                                               \
            const int32_t memberNode = memberName.isNull() ? -1 : memberTable->findNode(memberName);        \
            if (memberNode >= 0) {                                                                          \
                rememberMember(slot, memberNode, memberName);                                               \
                memberTable->overwriteNodeValue(collector_, memberNode, memberValue);                       \
                break;                                                                                      \
            }                                                                                               \
        }                                                                                                   \
        STORE_IN_TABLE(memberTable, memberName, memberValue);                                               \
    } while (0)

    // One label per fast opcode, expanded from the same list as the fast opcodes themselves: a
    // plain instruction's handler is op_<Enumerator>, a fused run's fused_<...>, a loop's loop_<...>,
    // a special one's op_<Enumerator>. A list entry without its handler does not compile.
    static void* const kLabels[] = {
#define GM_LABEL_OP(e, name, number, operand, effect, comment) &&op_##e,
#define GM_LABEL_RUN(src, op, sink) &&fused_##src##_##op##_##sink,
#define GM_LABEL_LOOP(step, stepOp, test, testOp) &&loop_##step##_##stepOp##_##test##_##testOp,
#define GM_LABEL_SPECIAL(e, watched, name, comment) &&op_##e,
        GM_FAST_OPCODES(GM_LABEL_OP, GM_LABEL_RUN, GM_LABEL_LOOP, GM_LABEL_SPECIAL)
#undef GM_LABEL_RUN
#undef GM_LABEL_LOOP
#undef GM_LABEL_SPECIAL
    };
    static_assert(sizeof(kLabels) / sizeof(kLabels[0]) == kFastOpcodeCount);
    // The labels under the execution watch: a run that ends in a jump (and every loop run) goes
    // to the plain handler of its first instruction, whose operand word ip then stands on, so the
    // fused handlers never count steps (see GM_FAST_SPECIAL_OPCODES).
    static void* const kWatchedLabels[] = {
#define GM_WATCHED_FIRST_LL(op) &&op_GetLocal
#define GM_WATCHED_FIRST_LI(op) &&op_GetLocal
#define GM_WATCHED_FIRST_LF(op) &&op_GetLocal
#define GM_WATCHED_FIRST_L1(op) &&op_GetLocal
#define GM_WATCHED_FIRST_T(op) &&op_##op
#define GM_WATCHED_FIRST_TL(op) &&op_GetLocal
#define GM_WATCHED_FIRST_TI(op) &&op_PushInt
#define GM_WATCHED_FIRST_T1(op) &&op_PushTrue
#define GM_WATCHED_FIRST_T0(op) &&op_PushFalse
#define GM_WATCHED_SINK_P(src, op, sink) &&fused_##src##_##op##_##sink
#define GM_WATCHED_SINK_S(src, op, sink) &&fused_##src##_##op##_##sink
#define GM_WATCHED_SINK_SJ(src, op, sink) GM_WATCHED_FIRST_##src(op)
#define GM_WATCHED_SINK_J(src, op, sink) GM_WATCHED_FIRST_##src(op)
#define GM_WATCHED_RUN(src, op, sink) GM_WATCHED_SINK_##sink(src, op, sink),
#define GM_WATCHED_LOOP(step, stepOp, test, testOp) &&op_GetLocal,
#define GM_WATCHED_SPECIAL(e, watched, name, comment) &&op_##watched,
        GM_FAST_OPCODES(GM_LABEL_OP, GM_WATCHED_RUN, GM_WATCHED_LOOP, GM_WATCHED_SPECIAL)
#undef GM_WATCHED_FIRST_LL
#undef GM_WATCHED_FIRST_LI
#undef GM_WATCHED_FIRST_LF
#undef GM_WATCHED_FIRST_L1
#undef GM_WATCHED_FIRST_T
#undef GM_WATCHED_FIRST_TL
#undef GM_WATCHED_FIRST_TI
#undef GM_WATCHED_FIRST_T1
#undef GM_WATCHED_FIRST_T0
#undef GM_WATCHED_SINK_P
#undef GM_WATCHED_SINK_S
#undef GM_WATCHED_SINK_SJ
#undef GM_WATCHED_SINK_J
#undef GM_WATCHED_RUN
#undef GM_WATCHED_LOOP
#undef GM_WATCHED_SPECIAL
#undef GM_LABEL_OP
    };
    static_assert(sizeof(kWatchedLabels) / sizeof(kWatchedLabels[0]) == kFastOpcodeCount);
    void* const* const labels = watched ? kWatchedLabels : kLabels;

    DISPATCH();

    // -----------------------------------------------------------------------------------------
    // Members
    // -----------------------------------------------------------------------------------------
// The table cases try the node the site's slot remembers first (gmMemberSlot).
op_GetDot : {
    uint32_t* const slot = memberSlot(code, *ip++);
    gmValue& object = sp[-1];
    if (object.isTable()) {
        const gmTable* const table = object.getTable();
        if (const gmTableNode* node = rememberedNode(table, slot)) {
            object.assignFields(node->value);
            DISPATCH();
        }
        const gmValue name = CONSTANT(slot[gmMemberSlot::kConstant]);
        const gmValue found = findMember(slot, table, name);
        object = !found.isNull() ? found : types_[kGmTable].members->get(name);
        DISPATCH();
    }
    const gmValue name = CONSTANT(slot[gmMemberSlot::kConstant]);
    const int32_t type = object.getType();
    if (gmOperatorFunction getDot = types_[static_cast<std::size_t>(type)].nativeOperators[kGmOpGetDot]) {
        const gmValue saved = object;
        sp[0] = name;
        SYNC();
        thread->top_ += 1;
        const gmOperatorStatus status = getDot(*this, thread, sp - 1);
        if (status == gmOperatorStatus::kError)
            FAIL_LOGGED(ip - 2);
        if (status == gmOperatorStatus::kOk && !sp[-1].isNull())
            DISPATCH();
        sp[-1] = saved;
    }
    if (sp[-1].isNull())
        FAIL_DETAIL(ip - 2, "getdot failed.", logMemberFailure(sp[-1], name));
    sp[-1] = types_[static_cast<std::size_t>(type)].members->get(name);
    DISPATCH();
}
op_GetThisMember : {
    uint32_t* const slot = memberSlot(code, *ip++);
    const gmValue object = base[-2];
    if (object.isTable()) {
        const gmTable* const table = object.getTable();
        if (const gmTableNode* node = rememberedNode(table, slot)) {
            (sp++)->assignFields(node->value);
            DISPATCH();
        }
        const gmValue name = CONSTANT(slot[gmMemberSlot::kConstant]);
        const gmValue found = findMember(slot, table, name);
        *sp++ = !found.isNull() ? found : types_[kGmTable].members->get(name);
        DISPATCH();
    }
    const gmValue name = CONSTANT(slot[gmMemberSlot::kConstant]);
    const int32_t type = object.getType();
    if (gmOperatorFunction getDot = types_[static_cast<std::size_t>(type)].nativeOperators[kGmOpGetDot]) {
        sp[0] = object;
        sp[1] = name;
        SYNC();
        thread->top_ += 2;
        const gmOperatorStatus status = getDot(*this, thread, sp);
        if (status == gmOperatorStatus::kError)
            FAIL_LOGGED(ip - 2);
        if (status == gmOperatorStatus::kOk && !sp[0].isNull()) {
            ++sp;
            DISPATCH();
        }
    }
    if (object.isNull())
        FAIL(ip - 2, "getthis failed. this is null");
    *sp++ = types_[static_cast<std::size_t>(type)].members->get(name);
    DISPATCH();
}
op_SetDot : {
    uint32_t* const slot = memberSlot(code, *ip++);
    gmValue* operands = sp - 2;
    if (operands[0].isTable()) {
        MEMBER_STORE(operands[0].getTable(), operands[1]);
        sp -= 2;
        DISPATCH();
    }
    const gmValue name = CONSTANT(slot[gmMemberSlot::kConstant]);
    gmOperatorFunction setDot =
        types_[static_cast<std::size_t>(operands[0].getType())].nativeOperators[kGmOpSetDot];
    if (setDot == nullptr)
        FAIL_DETAIL(ip - 2, "setdot failed.", logMemberFailure(operands[0], name));
    sp[0] = name;
    SYNC();
    thread->top_ += 1;
    const gmOperatorStatus setStatus = setDot(*this, thread, operands);
    if (setStatus == gmOperatorStatus::kError)
        FAIL_LOGGED(ip - 2);
    if (setStatus != gmOperatorStatus::kOk)
        FAIL_DETAIL(ip - 2, "setdot failed.", logMemberFailure(operands[0], name));
    sp -= 2;
    DISPATCH();
}
op_SetThisMember : {
    uint32_t* const slot = memberSlot(code, *ip++);
    const gmValue object = base[-2];
    if (object.isTable()) {
        MEMBER_STORE(object.getTable(), sp[-1]);
        --sp;
        DISPATCH();
    }
    const gmValue name = CONSTANT(slot[gmMemberSlot::kConstant]);
    gmOperatorFunction setDot =
        types_[static_cast<std::size_t>(object.getType())].nativeOperators[kGmOpSetDot];
    if (setDot == nullptr)
        FAIL(ip - 2, "setthis failed.");
    sp[0] = object;
    sp[1] = sp[-1];
    sp[2] = name;
    SYNC();
    thread->top_ += 3;
    const gmOperatorStatus setStatus = setDot(*this, thread, sp);
    if (setStatus == gmOperatorStatus::kError)
        FAIL_LOGGED(ip - 2);
    if (setStatus != gmOperatorStatus::kOk)
        FAIL(ip - 2, "setthis failed.");
    --sp;
    DISPATCH();
}
op_GetInd : {
    const gmValue& object = sp[-2];
    const gmValue& key = sp[-1];
    if (object.isTable() && key.getType() <= kGmTable) {
        sp[-2] = object.getTable()->get(key);
        --sp;
        DISPATCH();
    }
    opId = kGmOpGetInd;
    instructionStart = ip - 1;
    callReturnIp = ip;
    goto binary_slow;
}
op_SetInd : {
    gmValue* operands = sp - 3;
    if (operands[0].isTable()) {
        STORE_IN_TABLE(operands[0].getTable(), operands[1], operands[2]);
        sp -= 3;
        DISPATCH();
    }
    const gmTypeRecord& record = types_[static_cast<std::size_t>(operands[0].getType())];
    if (record.nativeOperators[kGmOpSetInd] != nullptr) {
        SYNC();
        const gmOperatorStatus status = record.nativeOperators[kGmOpSetInd](*this, thread, operands);
        if (status == gmOperatorStatus::kError)
            FAIL_LOGGED(ip - 1);
        if (status != gmOperatorStatus::kOk)
            FAIL_DETAIL(ip - 1, "setind failed.", logKeyFailure(operands[0], operands[1]));
        sp -= 3;
        DISPATCH();
    }
    if (gmFunction* script = record.scriptOperators[kGmOpSetInd]) {
        // [object, key, value] -> [null, operator, object, key, value]; the result is dropped.
        sp[1] = operands[2];
        sp[0] = operands[1];
        sp[-1] = operands[0];
        operands[0] = gmValue();
        operands[1] = gmValue::makeFunction(script);
        sp += 2;
        callArgs = 3;
        callReturnIp = ip;
        callDiscard = 1;
        goto do_call;
    }
    FAIL_DETAIL(ip - 1, "setind failed.", logKeyFailure(operands[0], operands[1]));
}

// -----------------------------------------------------------------------------------------
// Operators
// -----------------------------------------------------------------------------------------
// Each arithmetic and comparison opcode has its own handler, so the processor predicts each
// site's branches separately: int op int, then float (or int mixed with float), then the type
// records. [X] and [Y] are the operands as ints or as floats.
#define NUMERIC_BINARY(label, opNumber, intResult, floatResult)                          \
    label : {                                                                            \
        gmValue& a = sp[-2];                                                             \
        const gmValue& b = sp[-1];                                                       \
        if (a.isInt() && b.isInt()) {                                                    \
            const int32_t X = a.getInt();                                                \
            const int32_t Y = b.getInt();                                                \
            a = gmValue::makeInt(intResult);                                             \
            --sp;                                                                        \
            DISPATCH();                                                                  \
        }                                                                                \
        if ((a.isFloat() && (b.isFloat() || b.isInt())) || (a.isInt() && b.isFloat())) { \
            const float X = a.isFloat() ? a.getFloat() : static_cast<float>(a.getInt()); \
            const float Y = b.isFloat() ? b.getFloat() : static_cast<float>(b.getInt()); \
            a = floatResult;                                                             \
            --sp;                                                                        \
            DISPATCH();                                                                  \
        }                                                                                \
        opId = opNumber;                                                                 \
        instructionStart = ip - 1;                                                       \
        callReturnIp = ip;                                                               \
        goto binary_slow;                                                                \
    }
#define U32(v) static_cast<uint32_t>(v)
    NUMERIC_BINARY(op_Add, kGmOpAdd, static_cast<int32_t>(U32(X) + U32(Y)), gmValue::makeFloat(X + Y))
    NUMERIC_BINARY(op_Sub, kGmOpSub, static_cast<int32_t>(U32(X) - U32(Y)), gmValue::makeFloat(X - Y))
    NUMERIC_BINARY(op_Mul, kGmOpMul, static_cast<int32_t>(U32(X) * U32(Y)), gmValue::makeFloat(X * Y))
    NUMERIC_BINARY(op_Lt, kGmOpLt, X < Y, gmValue::makeInt(X < Y))
    NUMERIC_BINARY(op_Gt, kGmOpGt, X > Y, gmValue::makeInt(X > Y))
    NUMERIC_BINARY(op_Lte, kGmOpLte, X <= Y, gmValue::makeInt(X <= Y))
    NUMERIC_BINARY(op_Gte, kGmOpGte, X >= Y, gmValue::makeInt(X >= Y))
    NUMERIC_BINARY(op_Eq, kGmOpEq, X == Y, gmValue::makeInt(X == Y))
    NUMERIC_BINARY(op_Neq, kGmOpNeq, X != Y, gmValue::makeInt(X != Y))
#undef NUMERIC_BINARY

// Int-only fast paths (div and mod check for zero; the float rules stay with the type records).
#define INT_BINARY(label, opNumber, intResult) \
    label : {                                  \
        gmValue& a = sp[-2];                   \
        const gmValue& b = sp[-1];             \
        if (a.isInt() && b.isInt()) {          \
            const int32_t X = a.getInt();      \
            const int32_t Y = b.getInt();      \
            a = gmValue::makeInt(intResult);   \
            --sp;                              \
            DISPATCH();                        \
        }                                      \
        opId = opNumber;                       \
        instructionStart = ip - 1;             \
        callReturnIp = ip;                     \
        goto binary_slow;                      \
    }
    INT_BINARY(op_BitOr, kGmOpBitOr, X | Y)
    INT_BINARY(op_BitXor, kGmOpBitXor, X ^ Y)
    INT_BINARY(op_BitAnd, kGmOpBitAnd, X & Y)
    INT_BINARY(op_ShiftLeft, kGmOpShiftLeft, static_cast<int32_t>(U32(X) << (U32(Y) & 31u)))
    INT_BINARY(op_ShiftRight, kGmOpShiftRight, X >> (U32(Y) & 31u))
#undef INT_BINARY
#undef U32
op_Div : {
    if (!sp[-2].isInt() || !sp[-1].isInt()) {
        opId = kGmOpDiv;
        instructionStart = ip - 1;
        callReturnIp = ip;
        goto binary_slow;
    }
    const int32_t x = sp[-2].getInt();
    const int32_t y = sp[-1].getInt();
    if (y == 0)
        FAIL(ip - 1, "integer divide by zero");
    sp[-2] = gmValue::makeInt(y == -1 ? static_cast<int32_t>(0u - static_cast<uint32_t>(x)) : x / y);
    --sp;
    DISPATCH();
}
op_Mod : {
    if (!sp[-2].isInt() || !sp[-1].isInt()) {
        opId = kGmOpMod;
        instructionStart = ip - 1;
        callReturnIp = ip;
        goto binary_slow;
    }
    const int32_t x = sp[-2].getInt();
    const int32_t y = sp[-1].getInt();
    if (y == 0)
        FAIL(ip - 1, "integer divide by zero");
    sp[-2] = gmValue::makeInt(y == -1 ? 0 : x % y);
    --sp;
    DISPATCH();
}

// Concatenation inside a chain: "e" + n + "." makes "e<n>" detached, and only the last add interns.
op_AddDetached : {
    const int32_t left = sp[-2].getType();
    const int32_t right = sp[-1].getType();
    if ((left == kGmString || right == kGmString) && left <= kGmString && right <= kGmString &&
        gmIsBuiltinStringAdd(types_[kGmString].nativeOperators[kGmOpAdd])) {
        SYNC();
        if (gmStringAddDetached(*this, sp - 2) != gmOperatorStatus::kOk)
            FAIL_LOGGED(ip - 1);
        --sp;
        DISPATCH();
    }
    goto op_Add;
}

binary_slow : {
    // The type with the higher id decides: its native operator, else its script operator.
    gmValue* operands = sp - 2;
    const int32_t type =
        operands[0].getType() > operands[1].getType() ? operands[0].getType() : operands[1].getType();
    const gmTypeRecord& record = types_[static_cast<std::size_t>(type)];
    gmOperatorFunction native = record.nativeOperators[opId];
    // Only the built-in string add reads a detached string (as text); anything else gets the
    // interned one.
    if (native == nullptr || !gmIsBuiltinStringAdd(native)) {
        for (gmValue* operand = operands; operand < sp; ++operand)
            if (operand->isString() && operand->getString()->isDetached())
                *operand = gmValue::makeString(attachString(operand->getString()));
    }
    if (native != nullptr) {
        SYNC();
        const gmOperatorStatus status = native(*this, thread, operands);
        if (status == gmOperatorStatus::kOk) {
            --sp;
            DISPATCH();
        }
        if (status == gmOperatorStatus::kIntDivideByZero)
            FAIL(instructionStart, "integer divide by zero");
        if (status == gmOperatorStatus::kError)
            FAIL_LOGGED(instructionStart);
    } else if (gmFunction* script = record.scriptOperators[opId]) {
        // [a, b] -> [null, operator, a, b]
        sp[1] = operands[1];
        sp[0] = operands[0];
        operands[0] = gmValue();
        operands[1] = gmValue::makeFunction(script);
        sp += 2;
        callArgs = 2;
        callDiscard = 0;
        goto do_call;
    }
    SYNC();
    errorLog_.logf("operator %s undefined for type %s and %s", gmOperatorName(opId),
                   getTypeName(operands[0].getType()), getTypeName(operands[1].getType()));
    if (opId == kGmOpGetInd)
        logKeyFailure(operands[0], operands[1]);
    errorIp = ORIGINAL(instructionStart);
    return Outcome::kDied;
}

// The unary operators share one handler; the operator is the plain opcode behind the fast one.
op_BitInv:
op_Neg:
op_Pos:
op_Not : {
    const uint32_t op = gmOpcodeOfFast(ip[-1]);
    gmValue& a = sp[-1];
    if (a.isInt()) {
        switch (op) {
            case kGmOpNeg:
                a = gmValue::makeInt(static_cast<int32_t>(0u - a.getPayload32()));
                DISPATCH();
            case kGmOpNot:
                a = gmValue::makeInt(a.getInt() == 0);
                DISPATCH();
            case kGmOpBitInv:
                a = gmValue::makeInt(~a.getInt());
                DISPATCH();
            case kGmOpPos:
                DISPATCH();
            default:
                break;
        }
    } else if (a.isFloat()) {
        switch (op) {
            case kGmOpNeg:
                a = gmValue::makeFloat(-a.getFloat());
                DISPATCH();
            case kGmOpNot:
                a = gmValue::makeInt(a.getFloat() == 0.0f);
                DISPATCH();
            case kGmOpPos:
                DISPATCH();
            default:
                break;
        }
    }
    const gmTypeRecord& record = types_[static_cast<std::size_t>(a.getType())];
    if (gmOperatorFunction native = record.nativeOperators[op]) {
        SYNC();
        const gmOperatorStatus status = native(*this, thread, sp - 1);
        if (status == gmOperatorStatus::kOk)
            DISPATCH();
        if (status == gmOperatorStatus::kIntDivideByZero)
            FAIL(ip - 1, "integer divide by zero");
        if (status == gmOperatorStatus::kError)
            FAIL_LOGGED(ip - 1);
    } else if (gmFunction* script = record.scriptOperators[op]) {
        // [a] -> [null, operator, a]
        sp[1] = a;
        a = gmValue();
        sp[0] = gmValue::makeFunction(script);
        sp += 2;
        callArgs = 1;
        callReturnIp = ip;
        callDiscard = 0;
        goto do_call;
    }
    SYNC();
    errorLog_.logf("unary operator %s undefined for type %s", gmOperatorName(static_cast<int32_t>(op)),
                   getTypeName(sp[-1].getType()));
    errorIp = ORIGINAL(ip - 1);
    return Outcome::kDied;
}

// -----------------------------------------------------------------------------------------
// Fused instructions (see gmFastCode.h)
// -----------------------------------------------------------------------------------------
// A run's handler finds its words from [run], the run's first word, and [operatorWord].
// Operand sources: set [fa] and [fb] to the operands.
#define FUSED_SOURCE_LL                               \
    const gmValue& fa = base[run[gmRun::kLeftLocal]]; \
    const gmValue& fb = base[run[gmRun::kRightOperand]];
#define FUSED_SOURCE_LI                               \
    const gmValue& fa = base[run[gmRun::kLeftLocal]]; \
    const gmValue fb = gmValue::makeInt(static_cast<int32_t>(run[gmRun::kRightOperand]));
#define FUSED_SOURCE_LF                               \
    const gmValue& fa = base[run[gmRun::kLeftLocal]]; \
    const gmValue fb = gmValue::makeRaw(kGmFloat, run[gmRun::kRightOperand]);
#define FUSED_SOURCE_L1                               \
    const gmValue& fa = base[run[gmRun::kLeftLocal]]; \
    const gmValue fb = gmValue::makeInt(1);
#define FUSED_SOURCE_T          \
    const gmValue& fa = sp[-2]; \
    const gmValue& fb = sp[-1];
#define FUSED_SOURCE_TL         \
    const gmValue& fa = sp[-1]; \
    const gmValue& fb = base[run[gmRun::kTopRightOperand]];
#define FUSED_SOURCE_TI         \
    const gmValue& fa = sp[-1]; \
    const gmValue fb = gmValue::makeInt(static_cast<int32_t>(run[gmRun::kTopRightOperand]));
#define FUSED_SOURCE_T1         \
    const gmValue& fa = sp[-1]; \
    const gmValue fb = gmValue::makeInt(1);
#define FUSED_SOURCE_T0         \
    const gmValue& fa = sp[-1]; \
    const gmValue fb = gmValue::makeInt(0);
// Operands that are not plain numbers: the run's first instruction runs unfused (ip is already
// past its opcode word); for the stack source that is the plain operator.
#define FUSED_FALLBACK_LL(op) goto op_GetLocal;
#define FUSED_FALLBACK_LI(op) goto op_GetLocal;
#define FUSED_FALLBACK_LF(op) goto op_GetLocal;
#define FUSED_FALLBACK_L1(op) goto op_GetLocal;
#define FUSED_FALLBACK_T(op) goto op_##op;
#define FUSED_FALLBACK_TL(op) goto op_GetLocal;
#define FUSED_FALLBACK_TI(op) goto op_PushInt;
#define FUSED_FALLBACK_T1(op) goto op_PushTrue;
#define FUSED_FALLBACK_T0(op) goto op_PushFalse;
// Sinks: what happens to [result], once the source's stack operands are dropped. Under the
// execution watch a run with a jump runs unfused (kWatchedLabels), so no handler of a fused jump
// counts a step or calls out.
#define FUSED_SINK_P              \
    (sp++)->assignFields(result); \
    ip = operatorWord + gmRun::kAfterPush;
#define FUSED_SINK_S                                             \
    base[operatorWord[gmRun::kStoreLocal]].assignFields(result); \
    ip = operatorWord + gmRun::kAfterStore;
#define FUSED_SINK_SJ                                            \
    base[operatorWord[gmRun::kStoreLocal]].assignFields(result); \
    ip = code + (operatorWord[gmRun::kStepTarget] >> 2);
#define FUSED_SINK_J \
    ip = result.isTrue() ? operatorWord + gmRun::kAfterTest : code + (operatorWord[gmRun::kTestTarget] >> 2);
#define GM_FUSED_HANDLER(src, op, sink)                                                                \
    fused_##src##_##op##_##sink : {                                                                    \
        const uint32_t* const run = ip - 1;                                                            \
        const uint32_t* const operatorWord = run + gmRun::operatorOffset(gmRun::k##src);               \
        FUSED_SOURCE_##src gmValue result;                                                             \
        if (fa.isInt() && fb.isInt() && fusedIntOperands<gmOpcode::op>(fb.getInt())) {                 \
            result = gmValue::makeInt(fusedIntResult<gmOpcode::op>(fa.getInt(), fb.getInt()));         \
        } else if (fusedOnFloats<gmOpcode::op> &&                                                      \
                   ((fa.isFloat() && (fb.isFloat() || fb.isInt())) || (fa.isInt() && fb.isFloat()))) { \
            result = fusedFloatResult<gmOpcode::op>(asFloat(fa), asFloat(fb));                         \
        } else {                                                                                       \
            FUSED_FALLBACK_##src(op)                                                                   \
        }                                                                                              \
        sp -= gmRun::stackValues(gmRun::k##src);                                                       \
        FUSED_SINK_##sink DISPATCH();                                                                  \
    }
    GM_FUSED_RUNS(GM_FUSED_HANDLER)
#undef GM_FUSED_HANDLER
// The test's second operand, from the test's first word.
#define LOOP_TEST_OPERAND_LL(test) base[(test)[gmRun::kRightOperand]]
#define LOOP_TEST_OPERAND_LI(test) gmValue::makeInt(static_cast<int32_t>((test)[gmRun::kRightOperand]))
// Both parts on ints only: a step that is not goes to the plain step-and-jump handler, a test
// that is not is dispatched as it stands. Under the execution watch the run goes unfused
// (kWatchedLabels).
#define GM_FUSED_LOOP_HANDLER(step, stepOp, test, testOp)                                               \
    loop_##step##_##stepOp##_##test##_##testOp : {                                                      \
        const uint32_t* const run = ip - 1;                                                             \
        const uint32_t* const operatorWord = run + gmRun::operatorOffset(gmRun::k##step);               \
        FUSED_SOURCE_##step if (!fa.isInt() || !fb.isInt()) goto fused_##step##_##stepOp##_SJ;          \
        base[operatorWord[gmRun::kStoreLocal]] =                                                        \
            gmValue::makeInt(fusedIntResult<gmOpcode::stepOp>(fa.getInt(), fb.getInt()));               \
        ip = code + (operatorWord[gmRun::kStepTarget] >> 2);                                            \
        const gmValue& ta = base[ip[gmRun::kLeftLocal]];                                                \
        const gmValue tb = LOOP_TEST_OPERAND_##test(ip);                                                \
        if (!ta.isInt() || !tb.isInt())                                                                 \
            DISPATCH();                                                                                 \
        const bool holds = fusedIntResult<gmOpcode::testOp>(ta.getInt(), tb.getInt());                  \
        const uint32_t* const testOperator = ip + gmRun::operatorOffset(gmRun::k##test);                \
        ip = holds ? testOperator + gmRun::kAfterTest : code + (testOperator[gmRun::kTestTarget] >> 2); \
        DISPATCH();                                                                                     \
    }
    GM_FUSED_LOOPS(GM_FUSED_LOOP_HANDLER)
#undef GM_FUSED_LOOP_HANDLER
#undef LOOP_TEST_OPERAND_LL
#undef LOOP_TEST_OPERAND_LI
#undef FUSED_SOURCE_LL
#undef FUSED_SOURCE_LI
#undef FUSED_SOURCE_LF
#undef FUSED_SOURCE_L1
#undef FUSED_SOURCE_T
#undef FUSED_SOURCE_TL
#undef FUSED_SOURCE_TI
#undef FUSED_SOURCE_T1
#undef FUSED_SOURCE_T0
#undef FUSED_FALLBACK_LL
#undef FUSED_FALLBACK_LI
#undef FUSED_FALLBACK_LF
#undef FUSED_FALLBACK_L1
#undef FUSED_FALLBACK_T
#undef FUSED_FALLBACK_TL
#undef FUSED_FALLBACK_TI
#undef FUSED_FALLBACK_T1
#undef FUSED_FALLBACK_T0
#undef FUSED_SINK_P
#undef FUSED_SINK_S
#undef FUSED_SINK_SJ
#undef FUSED_SINK_J
// getlocal T; getlocal K; getind -- a table indexed by a key of a built-in type.
op_FusedGetIndLL : {
    const uint32_t* const run = ip - 1;
    const gmValue& object = base[run[gmRun::kTableLocal]];
    const gmValue& key = base[run[gmRun::kKeyLocal]];
    if (!object.isTable() || key.getType() > kGmTable)
        goto op_GetLocal;
    const gmValue found = object.getTable()->get(key);
    (sp++)->assignFields(found);
    ip = run + gmRun::kAfterGetInd;
    DISPATCH();
}
// getlocal T; getlocal K; getind; a constant; eq or neq; jumpiffalse L -- a table's value tested
// against an int constant. Any other value is pushed and the test runs from the constant's
// instruction on; under the execution watch only the getind is fused (kWatchedLabels).
#define GETIND_COMPARE_HANDLER(label, constant, constantWords, holdsWhenEqual)                \
    op_##label : {                                                                            \
        const uint32_t* const run = ip - 1;                                                   \
        const gmValue& object = base[run[gmRun::kTableLocal]];                                \
        const gmValue& key = base[run[gmRun::kKeyLocal]];                                     \
        if (!object.isTable() || key.getType() > kGmTable)                                    \
            goto op_FusedGetIndLL;                                                            \
        const gmValue found = object.getTable()->get(key);                                    \
        if (!found.isInt()) {                                                                 \
            (sp++)->assignFields(found);                                                      \
            ip = run + gmRun::kAfterGetInd;                                                   \
            DISPATCH();                                                                       \
        }                                                                                     \
        const uint32_t* const compare = run + gmRun::kCompareConstant + (constantWords);      \
        const bool holds = (found.getInt() == (constant)) == (holdsWhenEqual);                \
        ip = holds ? compare + gmRun::kAfterTest : code + (compare[gmRun::kTestTarget] >> 2); \
        DISPATCH();                                                                           \
    }
#define GETIND_COMPARE_INT static_cast<int32_t>(run[gmRun::kCompareConstantOperand])
    GETIND_COMPARE_HANDLER(FusedGetIndLLEq1J, 1, 1, true)
    GETIND_COMPARE_HANDLER(FusedGetIndLLEq0J, 0, 1, true)
    GETIND_COMPARE_HANDLER(FusedGetIndLLEqIJ, GETIND_COMPARE_INT, 1 + gmRun::kOperand, true)
    GETIND_COMPARE_HANDLER(FusedGetIndLLNeq1J, 1, 1, false)
    GETIND_COMPARE_HANDLER(FusedGetIndLLNeq0J, 0, 1, false)
    GETIND_COMPARE_HANDLER(FusedGetIndLLNeqIJ, GETIND_COMPARE_INT, 1 + gmRun::kOperand, false)
#undef GETIND_COMPARE_INT
#undef GETIND_COMPARE_HANDLER
// getlocal T; getlocal K; pushtrue or pushfalse; setind -- a store of int 1 or 0 into a table.
// The constant's word is its plain fast opcode: followed by setind, it never starts a run.
op_FusedSetIndLLConstant : {
    const uint32_t* const run = ip - 1;
    const gmValue& object = base[run[gmRun::kTableLocal]];
    if (!object.isTable())
        goto op_GetLocal;
    const bool one = run[gmRun::kStoredConstant] == gmFastWord(gmFastOpcode::PushTrue);
    STORE_IN_TABLE(object.getTable(), base[run[gmRun::kKeyLocal]], gmValue::makeInt(one ? 1 : 0));
    ip = run + gmRun::kAfterSetInd;
    DISPATCH();
}

// getlocal A; getdot N and dup; getdot N: a member of a table found at the node the getdot's
// site remembers. Anything else (another node, no table, another type) runs the instructions
// one by one.
op_FusedGetLocalGetDot : {
    const uint32_t* const run = ip - 1;
    const gmValue& object = base[run[gmRun::kLeftLocal]];
    if (object.isTable()) {
        const uint32_t* const slot = memberSlot(code, run[gmRun::kLocalMemberSlot]);
        if (const gmTableNode* node = rememberedNode(object.getTable(), slot)) {
            (sp++)->assignFields(node->value);
            ip = run + gmRun::kAfterLocalMember;
            DISPATCH();
        }
    }
    goto op_GetLocal;
}
op_FusedDupGetDot : {
    const uint32_t* const run = ip - 1;
    const gmValue& object = sp[-1];
    if (object.isTable()) {
        const uint32_t* const slot = memberSlot(code, run[gmRun::kDupMemberSlot]);
        if (const gmTableNode* node = rememberedNode(object.getTable(), slot)) {
            (sp++)->assignFields(node->value);
            ip = run + gmRun::kAfterDupMember;
            DISPATCH();
        }
    }
    goto op_Dup;
}
// A constant store as the whole body of a loop on its key (gmFastCode.h): the loop run after it
// and the test it jumps to are read once, then store, step and test repeat here. Operands that
// are not ints, and a store the inline path does not take, go on through the separate handlers.
op_FusedSetIndLoop : {
    const uint32_t* const run = ip - 1;
    const gmValue& object = base[run[gmRun::kTableLocal]];
    gmValue& variable = base[run[gmRun::kKeyLocal]];
    const uint32_t* const loopRun = run + gmRun::kAfterSetInd;
    const uint32_t shape = loopRun[0] - gmFastWord(gmFastOpcode::Loop_LL_Add_LL_Lt);
    const uint32_t stepSource = shape / (2 * gmRun::kLoopsPerStep);  // LL, LI, L1
    const bool subtract = (shape / gmRun::kLoopsPerStep) % 2 != 0;
    const bool constantBound = (shape / gmRun::kLoopTests) % 2 != 0;
    const uint32_t* const stepOperator =
        loopRun + (stepSource == 2 ? gmRun::operatorOffset(gmRun::kL1) : gmRun::operatorOffset(gmRun::kLL));
    const gmValue stepValue =
        stepSource == 0
            ? base[loopRun[gmRun::kRightOperand]]
            : gmValue::makeInt(stepSource == 1 ? static_cast<int32_t>(loopRun[gmRun::kRightOperand]) : 1);
    const uint32_t* const test = code + (stepOperator[gmRun::kStepTarget] >> 2);
    const gmValue bound = constantBound ? gmValue::makeInt(static_cast<int32_t>(test[gmRun::kRightOperand]))
                                        : base[test[gmRun::kRightOperand]];
    if (!object.isTable() || !variable.isInt() || !stepValue.isInt() || !bound.isInt())
        goto op_FusedSetIndLLConstant;
    const uint32_t stepBits = stepValue.getPayload32();
    const int32_t step = static_cast<int32_t>(subtract ? 0u - stepBits : stepBits);
    const gmValue constant =
        gmValue::makeInt(run[gmRun::kStoredConstant] == gmFastWord(gmFastOpcode::PushTrue) ? 1 : 0);
    gmTable* const table = object.getTable();
    const int32_t limit = bound.getInt();
    bool finished = false;
    switch (shape % gmRun::kLoopTests) {
        case 0:
            finished = repeatStoreLoop<gmOpcode::Lt>(table, collector_, variable, step, limit, constant);
            break;
        case 1:
            finished = repeatStoreLoop<gmOpcode::Gt>(table, collector_, variable, step, limit, constant);
            break;
        case 2:
            finished = repeatStoreLoop<gmOpcode::Lte>(table, collector_, variable, step, limit, constant);
            break;
        case 3:
            finished = repeatStoreLoop<gmOpcode::Gte>(table, collector_, variable, step, limit, constant);
            break;
        case 4:
            finished = repeatStoreLoop<gmOpcode::Eq>(table, collector_, variable, step, limit, constant);
            break;
        default:
            finished = repeatStoreLoop<gmOpcode::Neq>(table, collector_, variable, step, limit, constant);
            break;
    }
    if (!finished)
        goto op_FusedSetIndLLConstant;  // this store through the table, then the loop run
    const uint32_t* const testOperator = test + gmRun::operatorOffset(gmRun::kLL);
    ip = code + (testOperator[gmRun::kTestTarget] >> 2);
    DISPATCH();
}

    // -----------------------------------------------------------------------------------------
    // Jumps
    // -----------------------------------------------------------------------------------------
op_Line:
op_Ignored:
    DISPATCH();
op_Jump:
    COUNT_STEP(ip - 1);
    ip = code + (*ip >> 2);
    DISPATCH();

// A host type's bool operator decides its truth: the native one converts the value in place; a
// script one is called with the value, and the jump runs again on its result.
truth_operator : {
    const gmTypeRecord& record = types_[static_cast<std::size_t>(sp[-1].getType())];
    if (gmOperatorFunction native = record.nativeOperators[kGmOpBool]) {
        SYNC();
        if (native(*this, thread, sp - 1) != gmOperatorStatus::kOk)
            FAIL_LOGGED(ip - 1);
        ip -= 1;
        if (sp[-1].getType() > kHostTypeBoolThreshold)
            sp[-1] = gmValue::makeInt(sp[-1].isTrue() ? 1 : 0);
        DISPATCH();
    }
    gmFunction* script = record.scriptOperators[kGmOpBool];
    sp[1] = sp[-1];
    sp[-1] = gmValue();
    sp[0] = gmValue::makeFunction(script);
    sp += 2;
    callArgs = 1;
    callReturnIp = ip - 1;
    callDiscard = 0;
    goto do_call;
}
#define TRUTH_OPERATOR_CHECK()                                                                   \
    if (sp[-1].getType() > kHostTypeBoolThreshold) {                                             \
        const gmTypeRecord& record_ = types_[static_cast<std::size_t>(sp[-1].getType())];        \
        if (record_.nativeOperators[kGmOpBool] != nullptr || record_.scriptOperators[kGmOpBool]) \
            goto truth_operator;                                                                 \
    }
op_JumpIfFalse:
    TRUTH_OPERATOR_CHECK();
    COUNT_STEP(ip - 1);
    --sp;
    ip = sp->isTrue() ? ip + 1 : code + (*ip >> 2);
    DISPATCH();
op_JumpIfTrue:
    TRUTH_OPERATOR_CHECK();
    COUNT_STEP(ip - 1);
    --sp;
    ip = sp->isTrue() ? code + (*ip >> 2) : ip + 1;
    DISPATCH();
op_JumpIfFalseKeep:
    TRUTH_OPERATOR_CHECK();
    COUNT_STEP(ip - 1);
    ip = sp[-1].isTrue() ? ip + 1 : code + (*ip >> 2);
    DISPATCH();
op_JumpIfTrueKeep:
    TRUTH_OPERATOR_CHECK();
    COUNT_STEP(ip - 1);
    ip = sp[-1].isTrue() ? code + (*ip >> 2) : ip + 1;
    DISPATCH();

    // -----------------------------------------------------------------------------------------
    // Calls and returns
    // -----------------------------------------------------------------------------------------
op_Call:
    callArgs = static_cast<int32_t>(*ip++);
    callReturnIp = ip;
    callDiscard = 0;
do_call : {
    COUNT_STEP(callReturnIp - 2);
    gmValue* callee = sp - callArgs - 1;
    if (!callee->isFunction())
        FAIL_DETAIL(callReturnIp - 2, "attempt to call non function type",
                    logCallFailure(FN(), ORIGINAL(callReturnIp - 2), *callee));
    gmFunction* function = callee->getFunction();
    if (!function->isNative()) {
        const int32_t p = function->getNumParams();
        const int32_t t = function->getNumParamsLocals();
        const int32_t needed =
            static_cast<int32_t>(sp - stack) + function->getMaxStackSize() + (t - callArgs) + kCallMargin;
        if (needed > thread->stackSize_) {
            SYNC();
            if (!thread->growStack(needed))
                FAIL(callReturnIp - 2, "stack overflow");
            RELOAD();
            callee = sp - callArgs - 1;
        }
        gmValue* newBase = callee + 1;
        if (callArgs > p) {
            for (gmValue* v = newBase + p; v < newBase + t; ++v) *v = gmValue();
        } else {
            for (gmValue* v = sp; v < newBase + t; ++v) *v = gmValue();
        }
        thread->pushFrame(callReturnIp, code, constants, constantCount, static_cast<int32_t>(base - stack),
                          callDiscard);
        base = newBase;
        sp = newBase + t;
        code = fastCodeOf(function, fusedRuns_);
        constants = function->getConstants();
        constantCount = static_cast<uint32_t>(function->getConstantCount());
        ip = code;
        DISPATCH();
    }

    // A native function: it sees the thread's top and base, and the argument count.
    const int32_t newBase = static_cast<int32_t>(callee + 1 - stack);
    const int32_t callerBase = static_cast<int32_t>(base - stack);
    thread->top_ = static_cast<int32_t>(sp - stack);
    thread->base_ = newBase;
    thread->argCount_ = callArgs;
    thread->callerBase_ = callerBase;
    ++thread->nativeDepth_;
    int32_t status = function->getNativeFunction()(thread);
    --thread->nativeDepth_;
    if (thread->stateRequested_ && !thread->killRequested_) {
        callArgs = applyRequestedState(thread, callerBase >= 2 ? thread->stack_[callerBase - 2] : gmValue());
        status = kRedispatch;
    }
    if (thread->killRequested_)
        return Outcome::kKilled;
    if (status == kRedispatch) {
        // The native arranged the stack so that another function stands in its place (a state
        // change also emptied the call chain: base is then the bottom of the stack).
        stack = thread->stack_;
        sp = stack + thread->top_;
        base = thread->frames_.empty() ? stack : stack + callerBase;
        --callArgs;
        if (callArgs < 0)
            FAIL(callReturnIp - 2, "attempt to call non function type");
        goto do_call;
    }
    stack = thread->stack_;
    const gmValue result = thread->top_ > newBase + callArgs ? stack[thread->top_ - 1] : gmValue();
    stack[newBase - 2] = result;
    sp = stack + newBase - 1 - callDiscard;
    base = stack + callerBase;
    thread->base_ = callerBase;
    ip = callReturnIp;
    if (status == kDone) {
        if (thread->frames_.empty()) {
            if (returnValue != nullptr)
                *returnValue = result;
            SYNC();
            return Outcome::kFinished;
        }
        DISPATCH();
    }
    SYNC();
    thread->resumeIp_ = ORIGINAL(ip);
    switch (status) {
        case kYield:
            return thread->frames_.empty() ? Outcome::kFinished : Outcome::kYielded;
        case kBlock:
            return Outcome::kBlocked;
        case kSleep:
            return Outcome::kSlept;
        case kKill:
            return Outcome::kFinished;
        default:
            errorIp = ORIGINAL(callReturnIp - 2);
            return Outcome::kDied;
    }
}

op_ReturnNull:
    sp[0] = gmValue();
    ++sp;
op_Return : {
    if (thread->frames_.empty())
        FAIL(ip - 1, "stack underflow");
    gmValue result;
    result.assignFields(sp[-1]);
    const gmFrame& frame = thread->frames_.back();
    if (&frame == thread->frames_.data()) {
        base[-2] = result;
        sp = base - 1;
        base = stack + frame.savedBase;
        thread->frames_.pop_back();
        if (returnValue != nullptr)
            *returnValue = result;
        SYNC();
        return Outcome::kFinished;
    }
    base[-2].assignFields(result);
    sp = base - 1 - frame.discardResult;
    base = stack + frame.savedBase;
    code = frame.code;
    constants = frame.constants;
    constantCount = frame.constantCount;
    ip = frame.returnIp;
    thread->frames_.pop_back();
    DISPATCH();
}

    // -----------------------------------------------------------------------------------------
    // foreach
    // -----------------------------------------------------------------------------------------
op_ForeachNext : {
    const uint32_t locals = *ip++;
    if (!sp[-2].isTable())
        FAIL(ip - 2, "foreach expression is not table type");
    // Compiled code always has an int here, but a loaded file may put anything in the slot;
    // nextEntry stays inside the nodes for every int.
    if (!sp[-1].isInt())
        FAIL(ip - 2, "foreach iterator is not int type");
    int32_t iterator = sp[-1].getInt();
    const gmTableNode* node = sp[-2].getTable()->nextEntry(iterator);
    sp[-1] = gmValue::makeInt(iterator);
    if (node != nullptr) {
        base[locals >> 16] = node->key;
        base[locals & 0xffffu] = node->value;
        *sp++ = gmValue::makeInt(1);
    } else {
        *sp++ = gmValue::makeInt(0);
    }
    DISPATCH();
}

    // -----------------------------------------------------------------------------------------
    // Stack
    // -----------------------------------------------------------------------------------------
op_Pop:
    --sp;
    DISPATCH();
op_Pop2:
    sp -= 2;
    DISPATCH();
op_Dup:
    sp[0].assignFields(sp[-1]);
    ++sp;
    DISPATCH();
op_Dup2:
    sp[0].assignFields(sp[-2]);
    sp[1].assignFields(sp[-1]);
    sp += 2;
    DISPATCH();
op_Swap : {
    gmValue top;
    top.assignFields(sp[-1]);
    sp[-1].assignFields(sp[-2]);
    sp[-2].assignFields(top);
    DISPATCH();
}
op_PushNull:
    *sp++ = gmValue();
    DISPATCH();
op_PushInt:
    *sp++ = gmValue::makeInt(static_cast<int32_t>(*ip++));
    DISPATCH();
op_PushFalse:
    *sp++ = gmValue::makeInt(0);
    DISPATCH();
op_PushTrue:
    *sp++ = gmValue::makeInt(1);
    DISPATCH();
op_PushFloat:
    *sp++ = gmValue::makeRaw(kGmFloat, *ip++);
    DISPATCH();
op_PushString:
op_PushFunction:
    *sp++ = CONSTANT(*ip++);
    DISPATCH();
op_NewTable : {
    SYNC();
    gmTable* table = createTable();
    *sp++ = gmValue::makeTable(table);
    DISPATCH();
}
op_PushThis:
    (sp++)->assignFields(base[-2]);
    DISPATCH();
op_GetLocal:
    (sp++)->assignFields(base[*ip++]);
    DISPATCH();
op_SetLocal:
    base[*ip++].assignFields(*--sp);
    DISPATCH();
// The site's slot (gmGlobalSlot) remembers where the name was found, while the globals keep their
// shape.
op_GetGlobal : {
    uint32_t* const slot = globalSlot(code, *ip++);
    if (slot[gmGlobalSlot::kVersion] == globals->getShapeVersion() + 1u) {
        const uint32_t node = slot[gmGlobalSlot::kNode];
        *sp++ = node != 0 ? globals->getNodeValue(static_cast<int32_t>(node - 1)) : gmValue();
        DISPATCH();
    }
    const gmValue name = CONSTANT(slot[gmGlobalSlot::kConstant]);
    const int32_t node = globals->findNode(name);
    if (node >= -1) {
        slot[gmGlobalSlot::kVersion] = globals->getShapeVersion() + 1u;
        slot[gmGlobalSlot::kNode] = static_cast<uint32_t>(node + 1);
    }
    *sp++ = globals->get(name);
    DISPATCH();
}
// pushnull; getglobal G: the null, and the getglobal as it stands.
op_FusedPushNullGetGlobal:
    *sp++ = gmValue();
    ++ip;
    goto op_GetGlobal;
// getlocal A; return.
op_FusedReturnLocal:
    (sp++)->assignFields(base[*ip]);
    ip += gmRun::kAfterReturnLocal - 1;
    goto op_Return;
op_SetGlobal : {
    const gmValue name = CONSTANT(*ip++);
    --sp;
    STORE_IN_TABLE(globals, name, *sp);
    DISPATCH();
}

#undef STORE_IN_TABLE
#undef MEMBER_STORE
#undef SYNC
#undef RELOAD
#undef DISPATCH
#undef FAIL
#undef FAIL_LOGGED
#undef FAIL_DETAIL
#undef CONSTANT
#undef COUNT_STEP
#undef TRUTH_OPERATOR_CHECK
#undef ORIGINAL
#undef FN
}
