// The execution loop's instruction set and the building of a function's fast code. The loop runs
// a copy of each function's code (gmFunction::getFastCode) in which every opcode word is a fast
// opcode: a plain instruction renumbered to its handler, or a fused opcode that does a common run
// of instructions in one dispatch. Fast opcodes, their names and the loop's label table all expand
// from GM_FAST_OPCODES, so they cannot fall out of step.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "script/gmOpcodes.h"

// ---------------------------------------------------------------------------------------------
// Fused runs
// ---------------------------------------------------------------------------------------------
// Only the opcode word of a run's first instruction changes: every other word stays as it was, so
// offsets (jump targets, return positions, error positions) are the same in both copies, a jump
// into the middle of a run finds the run's remaining instructions intact, and a fused instruction
// whose operands are not plain numbers simply runs the run's first instruction unfused and lets
// the others follow one by one.
//
// A run is a source, an operator and a sink.
// X(Source, words before the operator, values it takes from the stack)
//   LL = getlocal A; getlocal B.  LI = getlocal A; pushint K.  LF = getlocal A; pushfloat K.
//   L1 = getlocal A; pushtrue (the compiler's int 1).  T = the two values on top of the stack.
//   TL, TI, T1, T0 = the value on top of the stack and getlocal B, pushint K, pushtrue or pushfalse.
#define GM_FUSED_SOURCES(X) \
    X(LL, 4, 0) X(LI, 4, 0) X(LF, 4, 0) X(L1, 3, 0) X(T, 0, 2) X(TL, 2, 1) X(TI, 2, 1) X(T1, 1, 1) X(T0, 1, 1)
// X(Operator): the gmOpcode enumerators of the operators that fuse.
// Mod fuses on ints only (by a divisor other than 0): any other operands take the plain handler.
#define GM_FUSED_OPERATORS(X) X(Add) X(Sub) X(Mul) X(Mod) X(Lt) X(Gt) X(Lte) X(Gte) X(Eq) X(Neq)
// X(Sink): P = push the result; S = setlocal C; SJ = setlocal C; jump L (a loop's step);
// J = jumpiffalse L.
#define GM_FUSED_SINKS(X) X(P) X(S) X(SJ) X(J)

// X(Source, Operator, Sink): every run that fuses. T with the push sink would be the plain operator.
// clang-format off
#define GM_FUSED_ARITH(X, src, sink) X(src, Add, sink) X(src, Sub, sink) X(src, Mul, sink) X(src, Mod, sink)
#define GM_FUSED_COMPARE(X, src, sink) \
    X(src, Lt, sink) X(src, Gt, sink) X(src, Lte, sink) X(src, Gte, sink) X(src, Eq, sink) X(src, Neq, sink)
#define GM_FUSED_EVERY_SINK(X, src)                                                            \
    GM_FUSED_ARITH(X, src, P) GM_FUSED_ARITH(X, src, S) GM_FUSED_ARITH(X, src, SJ)             \
    GM_FUSED_COMPARE(X, src, P) GM_FUSED_COMPARE(X, src, J)
#define GM_FUSED_RUNS(X)                                                                        \
    GM_FUSED_EVERY_SINK(X, LL) GM_FUSED_EVERY_SINK(X, LI) GM_FUSED_EVERY_SINK(X, LF)            \
    GM_FUSED_EVERY_SINK(X, L1) GM_FUSED_ARITH(X, T, S) GM_FUSED_ARITH(X, T, SJ)                 \
    GM_FUSED_COMPARE(X, T, J) GM_FUSED_EVERY_SINK(X, TL) GM_FUSED_EVERY_SINK(X, TI)             \
    GM_FUSED_EVERY_SINK(X, T1) GM_FUSED_EVERY_SINK(X, T0)

// X(Step source, Step operator, Test source, Test operator): a loop's step and test. An LL, LI or
// L1 add or sub with the SJ sink whose jump lands on an LL or LI comparison with the J sink runs
// the step, the jump and the test in one dispatch.
#define GM_FUSED_LOOP_TESTS(X, step, stepOp, test) \
    X(step, stepOp, test, Lt) X(step, stepOp, test, Gt) X(step, stepOp, test, Lte) \
    X(step, stepOp, test, Gte) X(step, stepOp, test, Eq) X(step, stepOp, test, Neq)
#define GM_FUSED_LOOP_STEP(X, step, stepOp) \
    GM_FUSED_LOOP_TESTS(X, step, stepOp, LL) GM_FUSED_LOOP_TESTS(X, step, stepOp, LI)
#define GM_FUSED_LOOPS(X) \
    GM_FUSED_LOOP_STEP(X, LL, Add) GM_FUSED_LOOP_STEP(X, LL, Sub) GM_FUSED_LOOP_STEP(X, LI, Add) \
    GM_FUSED_LOOP_STEP(X, LI, Sub) GM_FUSED_LOOP_STEP(X, L1, Add) GM_FUSED_LOOP_STEP(X, L1, Sub)
// clang-format on

// X(Enumerator, Watched, "name", comment): the fast opcodes that are neither a plain instruction
// nor one of the runs above. Watched is the fast opcode whose handler runs the word under the
// execution watch (the loop's step hook): a run that ends in a jump runs its first instruction
// unfused there, so that every jump counts its step where the plain code counts it.
#define GM_FAST_SPECIAL_OPCODES(X)                                                                   \
    X(Ignored, Ignored, "ignored", "a word that is no instruction: does nothing")                    \
    X(FusedGetIndLL, FusedGetIndLL, "fused_getind_LL", "getlocal T; getlocal K; getind")             \
    X(FusedGetIndLLEq1J, FusedGetIndLL, "fused_getind_LL_eq_1_J",                                    \
      "getlocal T; getlocal K; getind; pushtrue; eq; jumpiffalse L")                                 \
    X(FusedGetIndLLEq0J, FusedGetIndLL, "fused_getind_LL_eq_0_J",                                    \
      "getlocal T; getlocal K; getind; pushfalse; eq; jumpiffalse L")                                \
    X(FusedGetIndLLEqIJ, FusedGetIndLL, "fused_getind_LL_eq_I_J",                                    \
      "getlocal T; getlocal K; getind; pushint K; eq; jumpiffalse L")                                \
    X(FusedGetIndLLNeq1J, FusedGetIndLL, "fused_getind_LL_neq_1_J",                                  \
      "getlocal T; getlocal K; getind; pushtrue; neq; jumpiffalse L")                                \
    X(FusedGetIndLLNeq0J, FusedGetIndLL, "fused_getind_LL_neq_0_J",                                  \
      "getlocal T; getlocal K; getind; pushfalse; neq; jumpiffalse L")                               \
    X(FusedGetIndLLNeqIJ, FusedGetIndLL, "fused_getind_LL_neq_I_J",                                  \
      "getlocal T; getlocal K; getind; pushint K; neq; jumpiffalse L")                               \
    X(FusedSetIndLLConstant, FusedSetIndLLConstant, "fused_setind_LL_constant",                      \
      "getlocal T; getlocal K; pushtrue or pushfalse; setind")                                       \
    X(FusedSetIndLoop, FusedSetIndLLConstant, "fused_setind_loop",                                   \
      "getlocal T; getlocal V; pushtrue or pushfalse; setind as the whole body of a loop on V: the " \
      "store, the loop run after it (V stepped by another local or a constant) and its test of V, "  \
      "repeated in one dispatch")                                                                    \
    X(AddDetached, AddDetached, "add_detached",                                                      \
      "an add whose result is only the left operand of a later add: a string it makes stays out "    \
      "of the intern table, and is freed as soon as that add has read it")                           \
    X(FusedPushNullGetGlobal, FusedPushNullGetGlobal, "fused_pushnull_getglobal",                    \
      "pushnull; getglobal G (a call's callee)")                                                     \
    X(FusedGetLocalGetDot, FusedGetLocalGetDot, "fused_getlocal_getdot", "getlocal A; getdot N")     \
    X(FusedDupGetDot, FusedDupGetDot, "fused_dup_getdot", "dup; getdot N (a method call's callee)")  \
    X(FusedReturnLocal, FusedReturnLocal, "fused_return_local", "getlocal A; return")

// The whole fast instruction set, in fast opcode order: the plain instructions (OP, with the
// arguments of GM_OPCODES), then RUN (Source, Operator, Sink), LOOP (Step source, Step operator,
// Test source, Test operator) and SPECIAL (Enumerator, Watched, "name", comment).
#define GM_FAST_OPCODES(OP, RUN, LOOP, SPECIAL) \
    GM_OPCODES(OP) GM_FUSED_RUNS(RUN) GM_FUSED_LOOPS(LOOP) GM_FAST_SPECIAL_OPCODES(SPECIAL)

enum class gmFastOpcode : uint32_t {
#define GM_FAST_ENUM_OP(e, name, number, operand, effect, comment) e,
#define GM_FAST_ENUM_RUN(src, op, sink) Fused_##src##_##op##_##sink,
#define GM_FAST_ENUM_LOOP(step, stepOp, test, testOp) Loop_##step##_##stepOp##_##test##_##testOp,
#define GM_FAST_ENUM_SPECIAL(e, watched, name, comment) e,
    GM_FAST_OPCODES(GM_FAST_ENUM_OP, GM_FAST_ENUM_RUN, GM_FAST_ENUM_LOOP, GM_FAST_ENUM_SPECIAL)
#undef GM_FAST_ENUM_OP
#undef GM_FAST_ENUM_RUN
#undef GM_FAST_ENUM_LOOP
#undef GM_FAST_ENUM_SPECIAL
        Count
};
constexpr uint32_t kFastOpcodeCount = static_cast<uint32_t>(gmFastOpcode::Count);

constexpr uint32_t gmFastWord(gmFastOpcode fast) {
    return static_cast<uint32_t>(fast);
}

// The fast opcode of the plain instruction [opcode]; Ignored for a number that is no instruction.
constexpr gmFastOpcode gmFastOpcodeOf(uint32_t opcode) {
    switch (opcode) {
#define GM_FAST_OF(e, name, number, operand, effect, comment) \
    case number:                                              \
        return gmFastOpcode::e;
        GM_OPCODES(GM_FAST_OF)
#undef GM_FAST_OF
        default:
            return gmFastOpcode::Ignored;
    }
}

// The plain opcode behind [fast] when it is a plain instruction; gmOpcode::Line (which does
// nothing) for the others.
constexpr uint32_t gmOpcodeOfFast(uint32_t fast) {
    switch (fast) {
#define GM_OPCODE_OF(e, name, number, operand, effect, comment) \
    case gmFastWord(gmFastOpcode::e):                           \
        return number;
        GM_OPCODES(GM_OPCODE_OF)
#undef GM_OPCODE_OF
        default:
            return static_cast<uint32_t>(gmOpcode::Line);
    }
}

// The name of [fast] in listings: a plain instruction's own name, "fused_<source>_<operator>_<sink>"
// or "loop_<step source>_<step operator>_<test source>_<test operator>" for a run, the special
// ones' names; null for a number that is no fast opcode.
const char* gmFastOpcodeName(uint32_t fast);

// ---------------------------------------------------------------------------------------------
// The words of a run
// ---------------------------------------------------------------------------------------------
// Word offsets inside a run. Every instruction is its opcode word, then its operand word if it has
// one. Source offsets count from the run's first word, sink offsets from the operator word.
namespace gmRun {
enum Source : int32_t {
#define GM_RUN_SOURCE(src, operatorAt, stackValues) k##src,
    GM_FUSED_SOURCES(GM_RUN_SOURCE)
#undef GM_RUN_SOURCE
        kSourceCount
};
enum Operator : int32_t {
#define GM_RUN_OPERATOR(op) k##op,
    GM_FUSED_OPERATORS(GM_RUN_OPERATOR)
#undef GM_RUN_OPERATOR
        kOperatorCount
};
enum Sink : int32_t {
#define GM_RUN_SINK(sink) k##sink,
    GM_FUSED_SINKS(GM_RUN_SINK)
#undef GM_RUN_SINK
        kSinkCount
};

constexpr std::size_t kOperand = 1;  // an instruction's operand word, from its opcode word

// A source that starts with getlocal A (LL, LI, LF, L1).
constexpr std::size_t kLeftLocal = kOperand;                         // A
constexpr std::size_t kRightInstruction = 2;                         // getlocal B, pushint K, ...
constexpr std::size_t kRightOperand = kRightInstruction + kOperand;  // B or K
// A source with its left value on the stack and an operand of its own (TL, TI): B or K.
constexpr std::size_t kTopRightOperand = kOperand;

// Where [source]'s operator word is.
constexpr std::size_t operatorOffset(Source source) {
    switch (source) {
#define GM_RUN_OPERATOR_AT(src, operatorAt, stackValues) \
    case k##src:                                         \
        return operatorAt;
        GM_FUSED_SOURCES(GM_RUN_OPERATOR_AT)
#undef GM_RUN_OPERATOR_AT
        default:
            return 0;
    }
}
// How many values [source] takes from the stack.
constexpr int32_t stackValues(Source source) {
    switch (source) {
#define GM_RUN_STACK_VALUES(src, operatorAt, stackValues) \
    case k##src:                                          \
        return stackValues;
        GM_FUSED_SOURCES(GM_RUN_STACK_VALUES)
#undef GM_RUN_STACK_VALUES
        default:
            return 0;
    }
}

// Sinks, from the operator word.
constexpr std::size_t kSink = 1;                           // the word after the operator
constexpr std::size_t kStoreLocal = kSink + kOperand;      // C of setlocal C (S, SJ)
constexpr std::size_t kStepJump = kStoreLocal + 1;         // the jump after setlocal C (SJ)
constexpr std::size_t kStepTarget = kStepJump + kOperand;  // L of that jump
constexpr std::size_t kTestTarget = kSink + kOperand;      // L of jumpiffalse L (J)
constexpr std::size_t kAfterPush = kSink;                  // the next instruction after P
constexpr std::size_t kAfterStore = kStoreLocal + 1;       // ... after S
constexpr std::size_t kAfterTest = kTestTarget + 1;        // ... after J, when the test holds

// Table runs: getlocal T; getlocal K; getind, and getlocal T; getlocal K; pushtrue or pushfalse;
// setind.
constexpr std::size_t kTableLocal = kLeftLocal;             // T
constexpr std::size_t kKeyLocal = kRightOperand;            // K
constexpr std::size_t kTableOperation = kRightOperand + 1;  // getind, or the constant
constexpr std::size_t kStoredConstant = kTableOperation;    // pushtrue or pushfalse
constexpr std::size_t kSetInd = kStoredConstant + 1;        // setind after the constant
constexpr std::size_t kAfterGetInd = kTableOperation + 1;   // the next instruction
constexpr std::size_t kAfterSetInd = kSetInd + 1;           // the next instruction
// The loop opcodes in GM_FUSED_LOOPS order: kLoopsPerStep per (step source, step operator), the
// test sources LL and LI in turn, each with the comparisons from Lt to Neq.
constexpr uint32_t kLoopTests = 6;
constexpr uint32_t kLoopsPerStep = 2 * kLoopTests;
// getlocal T; getlocal K; getind, then a test of the value against an int constant: the constant's
// instruction (pushtrue, pushfalse: one word; pushint K: two), eq or neq, jumpiffalse L.
constexpr std::size_t kCompareConstant = kAfterGetInd;                        // the constant's instruction
constexpr std::size_t kCompareConstantOperand = kCompareConstant + kOperand;  // K of pushint K
// From the eq or neq on, the words are those of the J sink (kTestTarget, kAfterTest).

// getlocal A; getdot N and dup; getdot N: the getdot's operand word, and the next instruction.
constexpr std::size_t kLocalMemberSlot = kRightInstruction + kOperand;
constexpr std::size_t kAfterLocalMember = kLocalMemberSlot + 1;
constexpr std::size_t kDupMemberSlot = 1 + kOperand;
constexpr std::size_t kAfterDupMember = kDupMemberSlot + 1;
// pushnull; getglobal G: the getglobal's operand word, and the next instruction.
constexpr std::size_t kCalleeGlobal = 1 + kOperand;
constexpr std::size_t kAfterCalleeGlobal = kCalleeGlobal + 1;
// getlocal A; return: the word after the return.
constexpr std::size_t kAfterReturnLocal = kRightInstruction + 1;
}  // namespace gmRun

// ---------------------------------------------------------------------------------------------
// Global look-up sites
// ---------------------------------------------------------------------------------------------
// In fast code a getglobal's operand word is not the name's constant index but the offset (from
// the code's first word) of the site's slot: words appended after the code, where the loop keeps
// the node that the name was last found at in the globals table, valid while the table's shape
// version is the one recorded. A jump into fast code never lands in the slots (no instruction
// starts there).
namespace gmGlobalSlot {
constexpr std::size_t kVersion = 0;   // the globals' shape version + 1 when filled; 0: empty
constexpr std::size_t kNode = 1;      // the name's node index + 1; 0: the name is absent
constexpr std::size_t kConstant = 2;  // the name's constant index (the plain operand)
constexpr std::size_t kWords = 3;
}  // namespace gmGlobalSlot

// ---------------------------------------------------------------------------------------------
// Member look-up sites
// ---------------------------------------------------------------------------------------------
// Likewise the operand word of a getdot, setdot, getthismember or setthismember is the offset of
// its slot, where the loop keeps the node index at which the name was last found, in whatever
// table. It is only a guess: a look-up takes it when that node of the table at hand holds the name
// (which also serves the many tables of one layout that a site sees), so no change of a table can
// make it wrong.
namespace gmMemberSlot {
constexpr std::size_t kNode = 0;      // the node index last found; kNoNode until then
constexpr std::size_t kConstant = 1;  // the name's constant index (the plain operand)
constexpr std::size_t kName = 2;      // the name (a gmValue, 4 words) once kNode is set
constexpr std::size_t kWords = 6;
constexpr uint32_t kNoNode = 0xffffffffu;  // above every node index
}  // namespace gmMemberSlot

// Builds the fast code of the [wordCount] words of [code]. The code is walked instruction by
// instruction from the start (the compiler and the library verifier guarantee that every jump
// lands on such an instruction start), and every instruction start gets a fast opcode, Ignored for
// a word that is no instruction: the loop's table lookup then always finds a label (its dispatch
// does not check). Without [fuse] no run fuses: every instruction then runs on its own (the plain
// mode, checked against the fused one by the golden scripts). Either way the global and member
// look-up sites get their slots after the code (gmGlobalSlot, gmMemberSlot).
std::vector<uint32_t> gmBuildFastCode(const uint32_t* code, std::size_t wordCount, bool fuse);
