// The execution loop: computed-goto dispatch over the instruction words, with the stack pointer,
// base and instruction pointer in locals; int and float fast paths before the type records'
// operators; calls and returns without any allocation once a thread's frame array has grown.
#include <cstring>
#include <vector>

#include "script/gmBuiltinOperators.h"
#include "script/gmBytecodeVerifier.h"
#include "script/gmOpcodes.h"
#include "script/gmScriptMachine.h"

namespace {
// How the inner loop stopped; the outer function applies it once the loop's locals are gone.
namespace Outcome {
enum : int32_t { kYielded, kSlept, kBlocked, kFinished, kDied, kKilled };
}

constexpr int32_t kCallMargin = gmScriptMachine::kCallMarginValues;
constexpr int32_t kHostTypeBoolThreshold = 6;  // types above this may have a bool operator

// ---------------------------------------------------------------------------------------------
// Fused instructions
// ---------------------------------------------------------------------------------------------
// The loop runs a function's fast code (gmFunction::getFastCode): a copy of its code in which the
// opcode word of a common run of instructions is replaced by an internal opcode that does the whole
// run in one dispatch. Every other word stays as it was, so offsets (jump targets, return
// positions, error positions) are the same in both copies, a jump into the middle of a run finds
// the run's remaining instructions intact, and a fused instruction whose operands are not plain
// numbers simply runs the run's first instruction unfused and lets the others follow one by one.
//
// Operand sources: LL = getlocal A; getlocal B.  LI = getlocal A; pushint K.  LF = getlocal A;
// pushfloat K.  L1 = getlocal A; pushtrue (the compiler's int 1).  T = the two values on top of
// the stack.  TL, TI, T1, T0 = the value on top of the stack and getlocal B, pushint K, pushtrue
// or pushfalse. Each is followed by the operator and then by a sink: P = push the result; S =
// setlocal C; SJ = setlocal C; jump L (a loop's step); J = jumpiffalse L. Besides these, table
// indexing by two locals: getlocal T; getlocal K; getind, and getlocal T; getlocal K; pushtrue or
// pushfalse; setind.
// clang-format off
#define GM_FUSED_ARITH(X, src, sink) X(src, add, sink) X(src, sub, sink) X(src, mul, sink)
#define GM_FUSED_COMPARE(X, src, sink) \
    X(src, lt, sink) X(src, gt, sink) X(src, lte, sink) X(src, gte, sink) X(src, eq, sink) X(src, neq, sink)
#define GM_FUSED_EVERY_SINK(X, src)                                                            \
    GM_FUSED_ARITH(X, src, P) GM_FUSED_ARITH(X, src, S) GM_FUSED_ARITH(X, src, SJ)             \
    GM_FUSED_COMPARE(X, src, P) GM_FUSED_COMPARE(X, src, J)
// T with the push sink would be the plain operator.
#define GM_FUSED_OPS(X)                                                                         \
    GM_FUSED_EVERY_SINK(X, LL) GM_FUSED_EVERY_SINK(X, LI) GM_FUSED_EVERY_SINK(X, LF)            \
    GM_FUSED_EVERY_SINK(X, L1) GM_FUSED_ARITH(X, T, S) GM_FUSED_ARITH(X, T, SJ)                 \
    GM_FUSED_COMPARE(X, T, J) GM_FUSED_EVERY_SINK(X, TL) GM_FUSED_EVERY_SINK(X, TI)             \
    GM_FUSED_EVERY_SINK(X, T1) GM_FUSED_EVERY_SINK(X, T0)
// A loop's step and test: an LL, LI or L1 add or sub with the SJ sink whose jump lands on an LL or
// LI comparison with the J sink runs the step, the jump and the test in one dispatch.
#define GM_FUSED_LOOP_TESTS(X, step, stepOp, test) \
    X(step, stepOp, test, lt) X(step, stepOp, test, gt) X(step, stepOp, test, lte) \
    X(step, stepOp, test, gte) X(step, stepOp, test, eq) X(step, stepOp, test, neq)
#define GM_FUSED_LOOP_STEP(X, step, stepOp) \
    GM_FUSED_LOOP_TESTS(X, step, stepOp, LL) GM_FUSED_LOOP_TESTS(X, step, stepOp, LI)
#define GM_FUSED_LOOPS(X) \
    GM_FUSED_LOOP_STEP(X, LL, add) GM_FUSED_LOOP_STEP(X, LL, sub) GM_FUSED_LOOP_STEP(X, LI, add) \
    GM_FUSED_LOOP_STEP(X, LI, sub) GM_FUSED_LOOP_STEP(X, L1, add) GM_FUSED_LOOP_STEP(X, L1, sub)
// clang-format on

// Internal opcodes follow the real ones; kLabelCount bounds the dispatch table.
constexpr uint32_t kFirstFused = kMaxOpcode + 1;
enum FusedOpcode : uint32_t {
    kFusedBefore = kFirstFused - 1,
#define GM_FUSED_ENUM(src, op, sink) kFused_##src##_##op##_##sink,
    GM_FUSED_OPS(GM_FUSED_ENUM)
#undef GM_FUSED_ENUM
#define GM_FUSED_LOOP_ENUM(step, stepOp, test, testOp) kLoop_##step##_##stepOp##_##test##_##testOp,
        GM_FUSED_LOOPS(GM_FUSED_LOOP_ENUM)
#undef GM_FUSED_LOOP_ENUM
            kFusedGetIndLL,
    kFusedSetIndLLConstant,
    kAddDetached,  // an add whose result is only the left operand of a later add (see feedsNextAdd)
    kFusedEnd
};
constexpr uint32_t kLabelCount = kFusedEnd;

constexpr uint32_t op(gmOpcode o) {
    return static_cast<uint32_t>(o);
}

enum FusedSource : int32_t {
    kSrc_LL,
    kSrc_LI,
    kSrc_LF,
    kSrc_L1,
    kSrc_T,
    kSrc_TL,
    kSrc_TI,
    kSrc_T1,
    kSrc_T0,
    kSourceCount
};
enum FusedOperator : int32_t {
    kOp_add,
    kOp_sub,
    kOp_mul,
    kOp_lt,
    kOp_gt,
    kOp_lte,
    kOp_gte,
    kOp_eq,
    kOp_neq,
    kOperatorCount
};
enum FusedSink : int32_t { kSink_P, kSink_S, kSink_SJ, kSink_J, kSinkCount };

// The internal opcode of every (source, operator, sink) there is; 0 for the others.
struct FusedTable {
    uint32_t opcode[kSourceCount][kOperatorCount][kSinkCount] = {};
    constexpr FusedTable() {
#define GM_FUSED_ENTRY(src, op, sink) \
    opcode[kSrc_##src][kOp_##op][kSink_##sink] = kFused_##src##_##op##_##sink;
        GM_FUSED_OPS(GM_FUSED_ENTRY)
#undef GM_FUSED_ENTRY
    }
};
constexpr FusedTable kFusedTable;

// The loop opcode of every (step source, step operator, test source, test operator) there is.
struct FusedLoopTable {
    uint32_t opcode[kSourceCount][kOperatorCount][kSourceCount][kOperatorCount] = {};
    constexpr FusedLoopTable() {
#define GM_FUSED_LOOP_ENTRY(step, stepOp, test, testOp)            \
    opcode[kSrc_##step][kOp_##stepOp][kSrc_##test][kOp_##testOp] = \
        kLoop_##step##_##stepOp##_##test##_##testOp;
        GM_FUSED_LOOPS(GM_FUSED_LOOP_ENTRY)
#undef GM_FUSED_LOOP_ENTRY
    }
};
constexpr FusedLoopTable kFusedLoopTable;

// [binary] as a FusedOperator; -1 for other opcodes.
int32_t fusableOperator(uint32_t binary) {
    switch (binary) {
        case op(gmOpcode::Add):
            return kOp_add;
        case op(gmOpcode::Sub):
            return kOp_sub;
        case op(gmOpcode::Mul):
            return kOp_mul;
        case op(gmOpcode::Lt):
            return kOp_lt;
        case op(gmOpcode::Gt):
            return kOp_gt;
        case op(gmOpcode::Lte):
            return kOp_lte;
        case op(gmOpcode::Gte):
            return kOp_gte;
        case op(gmOpcode::Eq):
            return kOp_eq;
        case op(gmOpcode::Neq):
            return kOp_neq;
        default:
            return -1;
    }
}

// Builds [function]'s fast code (see above). The code is walked instruction by instruction from
// the start (the compiler and the library verifier guarantee that every jump lands on such an
// instruction start); an opcode the machine ignores becomes 24 there so the loop's table lookup
// always finds a label (the dispatch does not check). Without [fuse] the code is only cleaned that way: every
// instruction then runs on its own (the plain mode, checked against the fused one by the golden scripts).
const uint32_t* buildFastCode(gmFunction* function, bool fuse) {
    const uint32_t* code = function->getCode();
    const std::size_t size = static_cast<std::size_t>(function->getCodeWordCount());
    std::vector<uint32_t> fast(code, code + size);
    const auto at = [&](std::size_t i) -> uint32_t { return i < size ? code[i] : 0xffffffffu; };
    // The loop opcode for a step ([source], [operatorIndex]) whose jump lands on word [test]: an
    // LL or LI comparison followed by jumpiffalse; 0 otherwise.
    const auto loopAt = [&](int32_t source, int32_t operatorIndex, std::size_t test) -> uint32_t {
        if (at(test) != op(gmOpcode::GetLocal) || at(test + 5) != op(gmOpcode::JumpIfFalse))
            return 0;
        const int32_t testSource = at(test + 2) == op(gmOpcode::GetLocal)  ? kSrc_LL
                                   : at(test + 2) == op(gmOpcode::PushInt) ? kSrc_LI
                                                                           : -1;
        const int32_t testOperator = fusableOperator(at(test + 4));
        if (testSource < 0 || testOperator < kOp_lt)
            return 0;
        return kFusedLoopTable.opcode[source][operatorIndex][testSource][testOperator];
    };
    // The fused opcode for [source] with its operator at [operatorAt]: the richest sink that the
    // following instructions allow; 0 when there is none.
    const auto fusedAt = [&](int32_t source, std::size_t operatorAt) -> uint32_t {
        const int32_t operatorIndex = fusableOperator(at(operatorAt));
        if (operatorIndex < 0)
            return 0;
        const uint32_t* sinks = kFusedTable.opcode[source][operatorIndex];
        const uint32_t next = at(operatorAt + 1);
        if (next == op(gmOpcode::SetLocal) && at(operatorAt + 3) == op(gmOpcode::Jump) && sinks[kSink_SJ]) {
            if (const uint32_t loop = loopAt(source, operatorIndex, at(operatorAt + 4) >> 2))
                return loop;
            return sinks[kSink_SJ];
        }
        if (next == op(gmOpcode::SetLocal) && sinks[kSink_S])
            return sinks[kSink_S];
        if (next == op(gmOpcode::JumpIfFalse) && sinks[kSink_J])
            return sinks[kSink_J];
        return sinks[kSink_P];
    };
    // Words where a jump lands.
    std::vector<bool> jumpTarget(size, false);
    for (std::size_t i = 0; i < size;) {
        const gmOpcodeInfo info = gmGetOpcodeInfo(code[i]);
        if (info.operand == gmOperandKind::Jump && (at(i + 1) >> 2) < size)
            jumpTarget[at(i + 1) >> 2] = true;
        i += info.operand == gmOperandKind::None ? 1 : 2;
    }
    // True when the value the add at [add] leaves is next read as the left operand of another add,
    // in the straight run of code that follows (no jump leaves it or lands in it): a string made
    // there can stay out of the intern table until that add reads it as text. The instructions in
    // between may do anything with the values above it; the walk gives up at any it cannot follow.
    const auto feedsNextAdd = [&](std::size_t add) -> bool {
        int64_t depth = 0;  // values above the add's result
        std::size_t j = add + 1;
        for (int32_t steps = 0; steps < 64 && j < size; ++steps) {
            if (jumpTarget[j])
                return false;
            const uint32_t w = code[j];
            const gmOpcodeInfo info = gmGetOpcodeInfo(w);
            if (w == op(gmOpcode::Add) && depth == 1)
                return true;
            // Jumps, returns, foreachnext (which ends a loop) and unknown words end the walk.
            if (info.name == nullptr || info.operand == gmOperandKind::Jump || w == op(gmOpcode::Return) ||
                w == op(gmOpcode::ReturnNull) || w == op(gmOpcode::ForeachNext))
                return false;
            const int64_t reads = gmBytecodeVerifier::getStackReads(static_cast<gmOpcode>(w), at(j + 1));
            const int64_t effect = w == op(gmOpcode::Call) ? 1 - reads : info.stackEffect;
            if (reads > depth)
                return false;
            depth += effect;
            j += info.operand == gmOperandKind::None ? 1 : 2;
        }
        return false;
    };
    for (std::size_t i = 0; i < size;) {
        const uint32_t word = code[i];
        const gmOpcodeInfo info = gmGetOpcodeInfo(word);
        if (info.name == nullptr) {
            fast[i] = 24;
            ++i;
            continue;
        }
        uint32_t fused = 0;
        if (!fuse) {
            // plain mode: nothing fused
        } else if (word == op(gmOpcode::GetLocal)) {
            switch (at(i + 2)) {
                case op(gmOpcode::GetLocal):
                    fused = fusedAt(kSrc_LL, i + 4);
                    if (fused == 0 && at(i + 4) == op(gmOpcode::GetInd))
                        fused = kFusedGetIndLL;
                    if (fused == 0 &&
                        (at(i + 4) == op(gmOpcode::PushTrue) || at(i + 4) == op(gmOpcode::PushFalse)) &&
                        at(i + 5) == op(gmOpcode::SetInd))
                        fused = kFusedSetIndLLConstant;
                    break;
                case op(gmOpcode::PushInt):
                    fused = fusedAt(kSrc_LI, i + 4);
                    break;
                case op(gmOpcode::PushFloat):
                    fused = fusedAt(kSrc_LF, i + 4);
                    break;
                case op(gmOpcode::PushTrue):
                    fused = fusedAt(kSrc_L1, i + 3);
                    break;
                default:
                    fused = fusedAt(kSrc_TL, i + 2);
                    break;
            }
        } else if (word == op(gmOpcode::PushInt)) {
            fused = fusedAt(kSrc_TI, i + 2);
        } else if (word == op(gmOpcode::PushTrue)) {
            fused = fusedAt(kSrc_T1, i + 1);
        } else if (word == op(gmOpcode::PushFalse)) {
            fused = fusedAt(kSrc_T0, i + 1);
        } else if (word == op(gmOpcode::Add) && feedsNextAdd(i)) {
            fused = kAddDetached;
        } else if (fusableOperator(word) >= 0) {
            fused = fusedAt(kSrc_T, i);
        }
        if (fused != 0)
            fast[i] = fused;
        i += info.operand == gmOperandKind::None ? 1 : 2;
    }
    function->setFastCode(std::move(fast));
    return function->getFastCode();
}

// gmFunction::getConstant over the loop's copy of the function's constants.
inline gmValue constantAt(const gmValue* constants, uint32_t count, uint32_t index) {
    return index < count ? constants[index] : gmValue();
}

inline const uint32_t* fastCodeOf(gmFunction* function, bool fuse) {
    const uint32_t* fast = function->getFastCode();
    return fast != nullptr ? fast : buildFastCode(function, fuse);
}
}  // namespace

// ---------------------------------------------------------------------------------------------
// Entering calls from outside the loop
// ---------------------------------------------------------------------------------------------

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
            thread->pushFrame(thread->resumeIp_, thread->base_, 0);
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
// current frame's base, [sp] one past the top value, [fn] the current function (base[-1]) and
// [code] the first word of its fast code, which [ip] points into. The thread's own top and base
// are stale while the loop runs: they are written back (SYNC) before anything that may allocate an
// object (a collection step scans the stack up to the thread's top), log an error, or call out.
// Positions that leave the loop (return positions in frames, the resume position, the error
// position) are translated to the function's real code (ORIGINAL), and back when they return.
int32_t gmScriptMachine::runLoop(gmScriptThread* thread, gmValue* returnValue, const uint32_t*& errorIp) {
    gmValue* stack = thread->stack_;
    gmValue* base = stack + thread->base_;
    gmValue* sp = stack + thread->top_;
    gmFunction* fn = base[-1].getFunction();
    const uint32_t* code = fastCodeOf(fn, fusedRuns_);
    const uint32_t* ip = code + (thread->resumeIp_ - fn->getCode());
    // The current function's constants (see CONSTANT), reloaded wherever fn changes.
    const gmValue* constants = fn->getConstants();
    uint32_t constantCount = static_cast<uint32_t>(fn->getConstantCount());
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
// buildFastCode leaves a label index at every one of them. The check cost 3 to 14% of call- and
// member-heavy programs.
#define DISPATCH()            \
    do {                      \
        goto* kLabels[*ip++]; \
    } while (0)
// A position in the current function's fast code, in its real code.
#define ORIGINAL(position) (fn->getCode() + ((position)-code))
#define FAIL(start, message)         \
    do {                             \
        SYNC();                      \
        errorLog_.addEntry(message); \
        errorIp = ORIGINAL(start);   \
        return Outcome::kDied;       \
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
#define STORE_IN_TABLE(table, key, value)                                \
    do {                                                                 \
        gmTable* const storeTable = (table);                             \
        if (!storeTable->trySetAtMainPosition(collector_, key, value)) { \
            storeTable->set(*this, key, value);                          \
            SYNC();                                                      \
            beforeAllocation();                                          \
        }                                                                \
    } while (0)

    static void* const kLabels[] = {
        &&op_getdot,
        &&op_setdot,
        &&op_getind,
        &&op_setind,
        &&bin_add,
        &&bin_sub,
        &&bin_mul,
        &&bin_div,
        &&bin_mod,
        &&bin_or,
        &&bin_xor,
        &&bin_and,
        &&bin_shl,
        &&bin_shr,
        &&op_unary,
        &&bin_lt,
        &&bin_gt,
        &&bin_lte,
        &&bin_gte,
        &&bin_eq,
        &&bin_neq,
        &&op_unary,
        &&op_unary,
        &&op_unary,
        &&op_nop,
        &&op_nop,
        &&op_jump,
        &&op_jumpiffalse,
        &&op_jumpiftrue,
        &&op_jumpiffalsekeep,
        &&op_jumpiftruekeep,
        &&op_call,
        &&op_returnnull,
        &&op_return,
        &&op_foreachnext,
        &&op_pop,
        &&op_pop2,
        &&op_dup,
        &&op_dup2,
        &&op_swap,
        &&op_pushnull,
        &&op_pushint,
        &&op_pushfalse,
        &&op_pushtrue,
        &&op_pushfloat,
        &&op_pushstring,
        &&op_newtable,
        &&op_pushfunction,
        &&op_pushthis,
        &&op_getlocal,
        &&op_setlocal,
        &&op_getglobal,
        &&op_setglobal,
        &&op_getthismember,
        &&op_setthismember,
#define GM_FUSED_LABEL(src, op, sink) &&fused_##src##_##op##_##sink,
        GM_FUSED_OPS(GM_FUSED_LABEL)
#undef GM_FUSED_LABEL
#define GM_FUSED_LOOP_LABEL(step, stepOp, test, testOp) &&loop_##step##_##stepOp##_##test##_##testOp,
                GM_FUSED_LOOPS(GM_FUSED_LOOP_LABEL)
#undef GM_FUSED_LOOP_LABEL
            && fused_getind_LL,
        &&fused_setind_LL_constant,
        &&add_detached,
    };
    // One label per opcode, real and internal, in opcode order: a missing or extra entry would
    // send every later opcode to the wrong handler.
    static_assert(sizeof(kLabels) / sizeof(kLabels[0]) == kLabelCount);
    static_assert(kMaxOpcode == 54,
                  "the first 55 labels are the real opcodes in order: update them with the opcodes");

    DISPATCH();

    // -----------------------------------------------------------------------------------------
    // Members
    // -----------------------------------------------------------------------------------------
op_getdot : {
    const gmValue name = CONSTANT(*ip++);
    gmValue& object = sp[-1];
    if (object.isTable()) {
        const gmValue found = object.getTable()->get(name);
        object = !found.isNull() ? found : types_[kGmTable].members->get(name);
        DISPATCH();
    }
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
        FAIL(ip - 2, "getdot failed.");
    sp[-1] = types_[static_cast<std::size_t>(type)].members->get(name);
    DISPATCH();
}
op_getthismember : {
    const gmValue name = CONSTANT(*ip++);
    const gmValue object = base[-2];
    if (object.isTable()) {
        const gmValue found = object.getTable()->get(name);
        *sp++ = !found.isNull() ? found : types_[kGmTable].members->get(name);
        DISPATCH();
    }
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
op_setdot : {
    const gmValue name = CONSTANT(*ip++);
    gmValue* operands = sp - 2;
    if (operands[0].isTable()) {
        STORE_IN_TABLE(operands[0].getTable(), name, operands[1]);
        sp -= 2;
        DISPATCH();
    }
    gmOperatorFunction setDot =
        types_[static_cast<std::size_t>(operands[0].getType())].nativeOperators[kGmOpSetDot];
    if (setDot == nullptr)
        FAIL(ip - 2, "setdot failed.");
    sp[0] = name;
    SYNC();
    thread->top_ += 1;
    const gmOperatorStatus setStatus = setDot(*this, thread, operands);
    if (setStatus == gmOperatorStatus::kError)
        FAIL_LOGGED(ip - 2);
    if (setStatus != gmOperatorStatus::kOk)
        FAIL(ip - 2, "setdot failed.");
    sp -= 2;
    DISPATCH();
}
op_setthismember : {
    const gmValue name = CONSTANT(*ip++);
    const gmValue object = base[-2];
    if (object.isTable()) {
        STORE_IN_TABLE(object.getTable(), name, sp[-1]);
        --sp;
        DISPATCH();
    }
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
op_getind : {
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
op_setind : {
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
            FAIL(ip - 1, "setind failed.");
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
    FAIL(ip - 1, "setind failed.");
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
    NUMERIC_BINARY(bin_add, kGmOpAdd, static_cast<int32_t>(U32(X) + U32(Y)), gmValue::makeFloat(X + Y))
    NUMERIC_BINARY(bin_sub, kGmOpSub, static_cast<int32_t>(U32(X) - U32(Y)), gmValue::makeFloat(X - Y))
    NUMERIC_BINARY(bin_mul, kGmOpMul, static_cast<int32_t>(U32(X) * U32(Y)), gmValue::makeFloat(X * Y))
    NUMERIC_BINARY(bin_lt, kGmOpLt, X < Y, gmValue::makeInt(X < Y))
    NUMERIC_BINARY(bin_gt, kGmOpGt, X > Y, gmValue::makeInt(X > Y))
    NUMERIC_BINARY(bin_lte, kGmOpLte, X <= Y, gmValue::makeInt(X <= Y))
    NUMERIC_BINARY(bin_gte, kGmOpGte, X >= Y, gmValue::makeInt(X >= Y))
    NUMERIC_BINARY(bin_eq, kGmOpEq, X == Y, gmValue::makeInt(X == Y))
    NUMERIC_BINARY(bin_neq, kGmOpNeq, X != Y, gmValue::makeInt(X != Y))
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
    INT_BINARY(bin_or, kGmOpBitOr, X | Y)
    INT_BINARY(bin_xor, kGmOpBitXor, X ^ Y)
    INT_BINARY(bin_and, kGmOpBitAnd, X & Y)
    INT_BINARY(bin_shl, kGmOpShiftLeft, static_cast<int32_t>(U32(X) << (U32(Y) & 31u)))
    INT_BINARY(bin_shr, kGmOpShiftRight, X >> (U32(Y) & 31u))
#undef INT_BINARY
#undef U32
bin_div : {
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
bin_mod : {
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
add_detached : {
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
    goto bin_add;
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
    errorIp = ORIGINAL(instructionStart);
    return Outcome::kDied;
}

op_unary : {
    const uint32_t op = ip[-1];
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
// Fused instructions (see GM_FUSED_OPS)
// -----------------------------------------------------------------------------------------
// Operand sources: set [fa] and [fb] to the operands and [next] to the word after the operator.
#define FUSED_SOURCE_LL              \
    const gmValue& fa = base[ip[0]]; \
    const gmValue& fb = base[ip[2]]; \
    const uint32_t* next = ip + 4;
#define FUSED_SOURCE_LI                                               \
    const gmValue& fa = base[ip[0]];                                  \
    const gmValue fb = gmValue::makeInt(static_cast<int32_t>(ip[2])); \
    const uint32_t* next = ip + 4;
#define FUSED_SOURCE_LF                                   \
    const gmValue& fa = base[ip[0]];                      \
    const gmValue fb = gmValue::makeRaw(kGmFloat, ip[2]); \
    const uint32_t* next = ip + 4;
#define FUSED_SOURCE_L1                     \
    const gmValue& fa = base[ip[0]];        \
    const gmValue fb = gmValue::makeInt(1); \
    const uint32_t* next = ip + 3;
#define FUSED_SOURCE_T          \
    const gmValue& fa = sp[-2]; \
    const gmValue& fb = sp[-1]; \
    const uint32_t* next = ip;
#define FUSED_SOURCE_TL              \
    const gmValue& fa = sp[-1];      \
    const gmValue& fb = base[ip[0]]; \
    const uint32_t* next = ip + 2;
#define FUSED_SOURCE_TI                                               \
    const gmValue& fa = sp[-1];                                       \
    const gmValue fb = gmValue::makeInt(static_cast<int32_t>(ip[0])); \
    const uint32_t* next = ip + 2;
#define FUSED_SOURCE_T1                     \
    const gmValue& fa = sp[-1];             \
    const gmValue fb = gmValue::makeInt(1); \
    const uint32_t* next = ip + 1;
#define FUSED_SOURCE_T0                     \
    const gmValue& fa = sp[-1];             \
    const gmValue fb = gmValue::makeInt(0); \
    const uint32_t* next = ip + 1;
// Operands that are not plain numbers: the run's first instruction runs unfused (ip is already
// past its opcode word); for the stack source that is the plain operator.
#define FUSED_FALLBACK_LL(op) goto op_getlocal;
#define FUSED_FALLBACK_LI(op) goto op_getlocal;
#define FUSED_FALLBACK_LF(op) goto op_getlocal;
#define FUSED_FALLBACK_L1(op) goto op_getlocal;
#define FUSED_FALLBACK_T(op) goto bin_##op;
#define FUSED_FALLBACK_TL(op) goto op_getlocal;
#define FUSED_FALLBACK_TI(op) goto op_pushint;
#define FUSED_FALLBACK_T1(op) goto op_pushtrue;
#define FUSED_FALLBACK_T0(op) goto op_pushfalse;
// The results, as the plain handlers compute them.
#define U32(v) static_cast<uint32_t>(v)
#define FUSED_INT_add static_cast<int32_t>(U32(X) + U32(Y))
#define FUSED_INT_sub static_cast<int32_t>(U32(X) - U32(Y))
#define FUSED_INT_mul static_cast<int32_t>(U32(X) * U32(Y))
#define FUSED_INT_lt (X < Y)
#define FUSED_INT_gt (X > Y)
#define FUSED_INT_lte (X <= Y)
#define FUSED_INT_gte (X >= Y)
#define FUSED_INT_eq (X == Y)
#define FUSED_INT_neq (X != Y)
#define FUSED_FLOAT_add gmValue::makeFloat(X + Y)
#define FUSED_FLOAT_sub gmValue::makeFloat(X - Y)
#define FUSED_FLOAT_mul gmValue::makeFloat(X* Y)
#define FUSED_FLOAT_lt gmValue::makeInt(X < Y)
#define FUSED_FLOAT_gt gmValue::makeInt(X > Y)
#define FUSED_FLOAT_lte gmValue::makeInt(X <= Y)
#define FUSED_FLOAT_gte gmValue::makeInt(X >= Y)
#define FUSED_FLOAT_eq gmValue::makeInt(X == Y)
#define FUSED_FLOAT_neq gmValue::makeInt(X != Y)
// Sinks: what happens to [result]; a source on the stack first drops its operands there.
#define FUSED_POP_LL
#define FUSED_POP_LI
#define FUSED_POP_LF
#define FUSED_POP_L1
#define FUSED_POP_T sp -= 2;
#define FUSED_POP_TL --sp;
#define FUSED_POP_TI --sp;
#define FUSED_POP_T1 --sp;
#define FUSED_POP_T0 --sp;
#define FUSED_SINK_P(src)                        \
    FUSED_POP_##src(sp++)->assignFields(result); \
    ip = next;
#define FUSED_SINK_S(src)                               \
    FUSED_POP_##src base[next[1]].assignFields(result); \
    ip = next + 2;
// The jumps count as steps of the execution watch like unfused ones.
#define FUSED_SINK_SJ(src)                              \
    FUSED_POP_##src base[next[1]].assignFields(result); \
    COUNT_STEP(next + 2);                               \
    ip = code + (next[3] >> 2);
#define FUSED_SINK_J(src)             \
    FUSED_POP_##src COUNT_STEP(next); \
    ip = result.isTrue() ? next + 2 : code + (next[1] >> 2);
#define GM_FUSED_HANDLER(src, op, sink)                                                              \
    fused_##src##_##op##_##sink : {                                                                  \
        FUSED_SOURCE_##src gmValue result;                                                           \
        if (fa.isInt() && fb.isInt()) {                                                              \
            const int32_t X = fa.getInt();                                                           \
            const int32_t Y = fb.getInt();                                                           \
            result = gmValue::makeInt(FUSED_INT_##op);                                               \
        } else if ((fa.isFloat() && (fb.isFloat() || fb.isInt())) || (fa.isInt() && fb.isFloat())) { \
            const float X = fa.isFloat() ? fa.getFloat() : static_cast<float>(fa.getInt());          \
            const float Y = fb.isFloat() ? fb.getFloat() : static_cast<float>(fb.getInt());          \
            result = FUSED_FLOAT_##op;                                                               \
        } else {                                                                                     \
            FUSED_FALLBACK_##src(op)                                                                 \
        }                                                                                            \
        FUSED_SINK_##sink(src) DISPATCH();                                                           \
    }
    GM_FUSED_OPS(GM_FUSED_HANDLER)
#undef GM_FUSED_HANDLER
// The test's second operand at [test] (the word of its first getlocal).
#define LOOP_TEST_OPERAND_LL(test) base[(test)[3]]
#define LOOP_TEST_OPERAND_LI(test) gmValue::makeInt(static_cast<int32_t>((test)[3]))
// Both parts on ints only: a step that is not goes to the plain step-and-jump handler, a test
// that is not is dispatched as it stands. Both jumps count as steps of the execution watch.
#define GM_FUSED_LOOP_HANDLER(step, stepOp, test, testOp)                                      \
    loop_##step##_##stepOp##_##test##_##testOp : {                                             \
        FUSED_SOURCE_##step if (!fa.isInt() || !fb.isInt()) goto fused_##step##_##stepOp##_SJ; \
        {                                                                                      \
            const int32_t X = fa.getInt();                                                     \
            const int32_t Y = fb.getInt();                                                     \
            base[next[1]] = gmValue::makeInt(FUSED_INT_##stepOp);                              \
        }                                                                                      \
        COUNT_STEP(next + 2);                                                                  \
        ip = code + (next[3] >> 2);                                                            \
        const gmValue& ta = base[ip[1]];                                                       \
        const gmValue tb = LOOP_TEST_OPERAND_##test(ip);                                       \
        if (!ta.isInt() || !tb.isInt())                                                        \
            DISPATCH();                                                                        \
        const int32_t X = ta.getInt();                                                         \
        const int32_t Y = tb.getInt();                                                         \
        COUNT_STEP(ip + 5);                                                                    \
        ip = (FUSED_INT_##testOp) ? ip + 7 : code + (ip[6] >> 2);                              \
        DISPATCH();                                                                            \
    }
    GM_FUSED_LOOPS(GM_FUSED_LOOP_HANDLER)
#undef GM_FUSED_LOOP_HANDLER
#undef LOOP_TEST_OPERAND_LL
#undef LOOP_TEST_OPERAND_LI
// getlocal T; getlocal K; getind -- a table indexed by a key of a built-in type.
fused_getind_LL : {
    const gmValue& object = base[ip[0]];
    const gmValue& key = base[ip[2]];
    if (!object.isTable() || key.getType() > kGmTable)
        goto op_getlocal;
    const gmValue found = object.getTable()->get(key);
    (sp++)->assignFields(found);
    ip += 4;
    DISPATCH();
}
// getlocal T; getlocal K; pushtrue or pushfalse; setind -- a store of int 1 or 0 into a table.
fused_setind_LL_constant : {
    const gmValue& object = base[ip[0]];
    if (!object.isTable())
        goto op_getlocal;
    const gmValue value = gmValue::makeInt(ip[3] == static_cast<uint32_t>(gmOpcode::PushTrue) ? 1 : 0);
    STORE_IN_TABLE(object.getTable(), base[ip[2]], value);
    ip += 5;
    DISPATCH();
}
#undef U32
#undef FUSED_FALLBACK_LF
#undef FUSED_FALLBACK_LI
#undef FUSED_FALLBACK_LL
#undef FUSED_FALLBACK_T
#undef FUSED_FLOAT_add
#undef FUSED_FLOAT_eq
#undef FUSED_FLOAT_gt
#undef FUSED_FLOAT_gte
#undef FUSED_FLOAT_lt
#undef FUSED_FLOAT_lte
#undef FUSED_FLOAT_mul
#undef FUSED_FLOAT_neq
#undef FUSED_FLOAT_sub
#undef FUSED_INT_add
#undef FUSED_INT_eq
#undef FUSED_INT_gt
#undef FUSED_INT_gte
#undef FUSED_INT_lt
#undef FUSED_INT_lte
#undef FUSED_INT_mul
#undef FUSED_INT_neq
#undef FUSED_INT_sub
#undef FUSED_POP_LF
#undef FUSED_POP_LI
#undef FUSED_POP_LL
#undef FUSED_POP_T
#undef FUSED_SINK_J
#undef FUSED_SINK_P
#undef FUSED_SINK_S
#undef FUSED_SOURCE_LF
#undef FUSED_SOURCE_L1
#undef FUSED_FALLBACK_L1
#undef FUSED_POP_L1
#undef FUSED_SOURCE_LI
#undef FUSED_SOURCE_LL
#undef FUSED_SOURCE_T
#undef FUSED_SOURCE_TL
#undef FUSED_SOURCE_TI
#undef FUSED_SOURCE_T1
#undef FUSED_SOURCE_T0
#undef FUSED_FALLBACK_TL
#undef FUSED_FALLBACK_TI
#undef FUSED_FALLBACK_T1
#undef FUSED_FALLBACK_T0
#undef FUSED_POP_TL
#undef FUSED_POP_TI
#undef FUSED_POP_T1
#undef FUSED_POP_T0
#undef FUSED_SINK_SJ

    // -----------------------------------------------------------------------------------------
    // Jumps
    // -----------------------------------------------------------------------------------------
op_nop:
    DISPATCH();
op_jump:
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
op_jumpiffalse:
    TRUTH_OPERATOR_CHECK();
    COUNT_STEP(ip - 1);
    --sp;
    ip = sp->isTrue() ? ip + 1 : code + (*ip >> 2);
    DISPATCH();
op_jumpiftrue:
    TRUTH_OPERATOR_CHECK();
    COUNT_STEP(ip - 1);
    --sp;
    ip = sp->isTrue() ? code + (*ip >> 2) : ip + 1;
    DISPATCH();
op_jumpiffalsekeep:
    TRUTH_OPERATOR_CHECK();
    COUNT_STEP(ip - 1);
    ip = sp[-1].isTrue() ? ip + 1 : code + (*ip >> 2);
    DISPATCH();
op_jumpiftruekeep:
    TRUTH_OPERATOR_CHECK();
    COUNT_STEP(ip - 1);
    ip = sp[-1].isTrue() ? code + (*ip >> 2) : ip + 1;
    DISPATCH();

    // -----------------------------------------------------------------------------------------
    // Calls and returns
    // -----------------------------------------------------------------------------------------
op_call:
    callArgs = static_cast<int32_t>(*ip++);
    callReturnIp = ip;
    callDiscard = 0;
do_call : {
    COUNT_STEP(callReturnIp - 2);
    gmValue* callee = sp - callArgs - 1;
    if (!callee->isFunction())
        FAIL(callReturnIp - 2, "attempt to call non function type");
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
        thread->pushFrame(ORIGINAL(callReturnIp), static_cast<int32_t>(base - stack), callDiscard);
        base = newBase;
        sp = newBase + t;
        fn = function;
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

op_returnnull:
    sp[0] = gmValue();
    ++sp;
op_return : {
    if (thread->frames_.empty())
        FAIL(ip - 1, "stack underflow");
    gmValue result;
    result.assignFields(sp[-1]);
    const gmFrame frame = thread->frames_.back();
    thread->frames_.pop_back();
    if (thread->frames_.empty()) {
        base[-2] = result;
        sp = base - 1;
        base = stack + frame.savedBase;
        if (returnValue != nullptr)
            *returnValue = result;
        SYNC();
        return Outcome::kFinished;
    }
    base[-2].assignFields(result);
    sp = base - 1 - frame.discardResult;
    base = stack + frame.savedBase;
    fn = base[-1].getFunction();
    code = fastCodeOf(fn, fusedRuns_);
    constants = fn->getConstants();
    constantCount = static_cast<uint32_t>(fn->getConstantCount());
    ip = code + (frame.returnIp - fn->getCode());
    DISPATCH();
}

    // -----------------------------------------------------------------------------------------
    // foreach
    // -----------------------------------------------------------------------------------------
op_foreachnext : {
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
op_pop:
    --sp;
    DISPATCH();
op_pop2:
    sp -= 2;
    DISPATCH();
op_dup:
    sp[0].assignFields(sp[-1]);
    ++sp;
    DISPATCH();
op_dup2:
    sp[0].assignFields(sp[-2]);
    sp[1].assignFields(sp[-1]);
    sp += 2;
    DISPATCH();
op_swap : {
    gmValue top;
    top.assignFields(sp[-1]);
    sp[-1].assignFields(sp[-2]);
    sp[-2].assignFields(top);
    DISPATCH();
}
op_pushnull:
    *sp++ = gmValue();
    DISPATCH();
op_pushint:
    *sp++ = gmValue::makeInt(static_cast<int32_t>(*ip++));
    DISPATCH();
op_pushfalse:
    *sp++ = gmValue::makeInt(0);
    DISPATCH();
op_pushtrue:
    *sp++ = gmValue::makeInt(1);
    DISPATCH();
op_pushfloat:
    *sp++ = gmValue::makeRaw(kGmFloat, *ip++);
    DISPATCH();
op_pushstring:
op_pushfunction:
    *sp++ = CONSTANT(*ip++);
    DISPATCH();
op_newtable : {
    SYNC();
    gmTable* table = createTable();
    *sp++ = gmValue::makeTable(table);
    DISPATCH();
}
op_pushthis:
    (sp++)->assignFields(base[-2]);
    DISPATCH();
op_getlocal:
    (sp++)->assignFields(base[*ip++]);
    DISPATCH();
op_setlocal:
    base[*ip++].assignFields(*--sp);
    DISPATCH();
op_getglobal:
    *sp++ = globals->get(CONSTANT(*ip++));
    DISPATCH();
op_setglobal : {
    const gmValue name = CONSTANT(*ip++);
    --sp;
    STORE_IN_TABLE(globals, name, *sp);
    DISPATCH();
}

#undef STORE_IN_TABLE
#undef SYNC
#undef RELOAD
#undef DISPATCH
#undef FAIL
#undef FAIL_LOGGED
#undef CONSTANT
#undef COUNT_STEP
#undef TRUTH_OPERATOR_CHECK
#undef ORIGINAL
}
