// The fast code builder: which instruction runs fuse (see gmFastCode.h).
#include "script/gmFastCode.h"

#include "script/gmBytecodeVerifier.h"

namespace {

using namespace gmRun;

constexpr uint32_t op(gmOpcode o) {
    return static_cast<uint32_t>(o);
}

// The fast opcode of every (source, operator, sink) there is; 0 (a plain opcode, never a fused one)
// for the others, as in every "0 when none" below.
struct RunTable {
    uint32_t opcode[kSourceCount][kOperatorCount][kSinkCount] = {};
    constexpr RunTable() {
#define GM_RUN_ENTRY(src, op, sink) \
    opcode[k##src][k##op][k##sink] = gmFastWord(gmFastOpcode::Fused_##src##_##op##_##sink);
        GM_FUSED_RUNS(GM_RUN_ENTRY)
#undef GM_RUN_ENTRY
    }
};
constexpr RunTable kRunTable;

// The fast opcode of every (step source, step operator, test source, test operator) there is.
struct LoopTable {
    uint32_t opcode[kSourceCount][kOperatorCount][kSourceCount][kOperatorCount] = {};
    constexpr LoopTable() {
#define GM_LOOP_ENTRY(step, stepOp, test, testOp)    \
    opcode[k##step][k##stepOp][k##test][k##testOp] = \
        gmFastWord(gmFastOpcode::Loop_##step##_##stepOp##_##test##_##testOp);
        GM_FUSED_LOOPS(GM_LOOP_ENTRY)
#undef GM_LOOP_ENTRY
    }
};
constexpr LoopTable kLoopTable;

// [binary] as a gmRun::Operator; -1 for other opcodes.
int32_t fusableOperator(uint32_t binary) {
    switch (binary) {
#define GM_FUSABLE(o)     \
    case op(gmOpcode::o): \
        return k##o;
        GM_FUSED_OPERATORS(GM_FUSABLE)
#undef GM_FUSABLE
        default:
            return -1;
    }
}

bool isComparison(int32_t operatorIndex) {
    return operatorIndex >= kLt;
}

std::size_t instructionWords(const gmOpcodeInfo& info) {
    return info.operand == gmOperandKind::None ? 1 : 1 + kOperand;
}

// The walk over one function's code.
class Builder {
  public:
    Builder(const uint32_t* code, std::size_t size) : code_(code), size_(size), jumpTarget_(size, false) {
        for (std::size_t i = 0; i < size_;) {
            const gmOpcodeInfo info = gmGetOpcodeInfo(code_[i]);
            const uint32_t target = at(i + kOperand) >> 2;
            if (info.operand == gmOperandKind::Jump && target < size_)
                jumpTarget_[target] = true;
            i += instructionWords(info);
        }
    }

    std::vector<uint32_t> build(bool fuse) const {
        std::vector<uint32_t> fast(code_, code_ + size_);
        for (std::size_t i = 0; i < size_;) {
            const gmOpcodeInfo info = gmGetOpcodeInfo(code_[i]);
            if (info.name == nullptr) {
                fast[i] = gmFastWord(gmFastOpcode::Ignored);
                ++i;
                continue;
            }
            const uint32_t fused = fuse ? fusedAt(i) : 0;
            fast[i] = fused != 0 ? fused : gmFastWord(gmFastOpcodeOf(code_[i]));
            if (code_[i] == op(gmOpcode::GetGlobal) && i + kOperand < size_) {
                const uint32_t slot = static_cast<uint32_t>(fast.size());
                fast.insert(fast.end(), gmGlobalSlot::kWords, 0);
                fast[slot + gmGlobalSlot::kConstant] = code_[i + kOperand];
                fast[i + kOperand] = slot;
            } else if (isMemberSite(code_[i]) && i + kOperand < size_) {
                const uint32_t slot = static_cast<uint32_t>(fast.size());
                fast.insert(fast.end(), gmMemberSlot::kWords, 0);
                fast[slot + gmMemberSlot::kNode] = gmMemberSlot::kNoNode;
                fast[slot + gmMemberSlot::kConstant] = code_[i + kOperand];
                fast[i + kOperand] = slot;
            }
            i += instructionWords(info);
        }
        return fast;
    }

  private:
    static bool isMemberSite(uint32_t word) {
        return word == op(gmOpcode::GetDot) || word == op(gmOpcode::SetDot) ||
               word == op(gmOpcode::GetThisMember) || word == op(gmOpcode::SetThisMember);
    }
    uint32_t at(std::size_t i) const { return i < size_ ? code_[i] : 0xffffffffu; }

    // The fused opcode of the run that starts at [start]; 0 when none does.
    uint32_t fusedAt(std::size_t start) const {
        const uint32_t word = code_[start];
        if (word == op(gmOpcode::GetLocal)) {
            const uint32_t right = at(start + kRightInstruction);
            switch (right) {
                case op(gmOpcode::GetLocal): {
                    if (const uint32_t fused = runAt(kLL, start))
                        return fused;
                    const uint32_t operation = at(start + kTableOperation);
                    if (operation == op(gmOpcode::GetInd)) {
                        if (const uint32_t compare = getIndCompareAt(start))
                            return compare;
                        return gmFastWord(gmFastOpcode::FusedGetIndLL);
                    }
                    if ((operation == op(gmOpcode::PushTrue) || operation == op(gmOpcode::PushFalse)) &&
                        at(start + kSetInd) == op(gmOpcode::SetInd))
                        return storeLoopAt(start) ? gmFastWord(gmFastOpcode::FusedSetIndLoop)
                                                  : gmFastWord(gmFastOpcode::FusedSetIndLLConstant);
                    return 0;
                }
                case op(gmOpcode::PushInt):
                    return runAt(kLI, start);
                case op(gmOpcode::PushFloat):
                    return runAt(kLF, start);
                case op(gmOpcode::PushTrue):
                    return runAt(kL1, start);
                case op(gmOpcode::Return):
                    return gmFastWord(gmFastOpcode::FusedReturnLocal);
                case op(gmOpcode::GetDot):
                    return start + kLocalMemberSlot < size_ ? gmFastWord(gmFastOpcode::FusedGetLocalGetDot)
                                                            : 0;
                default:
                    return runAt(kTL, start);
            }
        }
        switch (word) {
            case op(gmOpcode::PushNull):
                return at(start + 1) == op(gmOpcode::GetGlobal) && start + kCalleeGlobal < size_
                           ? gmFastWord(gmFastOpcode::FusedPushNullGetGlobal)
                           : 0;
            case op(gmOpcode::Dup):
                return at(start + 1) == op(gmOpcode::GetDot) && start + kDupMemberSlot < size_
                           ? gmFastWord(gmFastOpcode::FusedDupGetDot)
                           : 0;
            case op(gmOpcode::PushInt):
                return runAt(kTI, start);
            case op(gmOpcode::PushTrue):
                return runAt(kT1, start);
            case op(gmOpcode::PushFalse):
                return runAt(kT0, start);
            case op(gmOpcode::Add):
                if (feedsNextAdd(start))
                    return gmFastWord(gmFastOpcode::AddDetached);
                return runAt(kT, start);
            default:
                return fusableOperator(word) >= 0 ? runAt(kT, start) : 0;
        }
    }

    // The fused getind-and-test for the getind run at [start] followed by pushtrue, pushfalse or
    // pushint K, then eq or neq, then jumpiffalse; 0 otherwise.
    uint32_t getIndCompareAt(std::size_t start) const {
        const std::size_t constant = start + kCompareConstant;
        const uint32_t word = at(constant);
        const std::size_t compare = constant + (word == op(gmOpcode::PushInt) ? 1 + kOperand : 1);
        const uint32_t test = at(compare);
        if (at(compare + kSink) != op(gmOpcode::JumpIfFalse) || compare + kTestTarget >= size_)
            return 0;
        const bool eq = test == op(gmOpcode::Eq);
        if (!eq && test != op(gmOpcode::Neq))
            return 0;
        switch (word) {
            case op(gmOpcode::PushTrue):
                return gmFastWord(eq ? gmFastOpcode::FusedGetIndLLEq1J : gmFastOpcode::FusedGetIndLLNeq1J);
            case op(gmOpcode::PushFalse):
                return gmFastWord(eq ? gmFastOpcode::FusedGetIndLLEq0J : gmFastOpcode::FusedGetIndLLNeq0J);
            case op(gmOpcode::PushInt):
                return gmFastWord(eq ? gmFastOpcode::FusedGetIndLLEqIJ : gmFastOpcode::FusedGetIndLLNeqIJ);
            default:
                return 0;
        }
    }

    // True when the constant store run at [start] (getlocal T; getlocal V; a constant; setind) is
    // the whole body of a loop on V: a loop run follows it that steps V (by 1, an int or a local
    // other than V) into V, and jumps to a test of V (against an int or a local other than V)
    // that continues at [start] when it holds. The table local is not V.
    bool storeLoopAt(std::size_t start) const {
        const std::size_t loop = start + kAfterSetInd;
        const uint32_t variable = at(start + kKeyLocal);
        if (at(loop) != op(gmOpcode::GetLocal) || at(loop + kLeftLocal) != variable ||
            at(start + kTableLocal) == variable)
            return false;
        const uint32_t right = at(loop + kRightInstruction);
        const Source source = right == op(gmOpcode::GetLocal)   ? kLL
                              : right == op(gmOpcode::PushInt)  ? kLI
                              : right == op(gmOpcode::PushTrue) ? kL1
                                                                : kSourceCount;
        if (source == kSourceCount || (source == kLL && at(loop + kRightOperand) == variable))
            return false;
        const uint32_t fused = runAt(source, loop);
        const uint32_t firstLoop = gmFastWord(gmFastOpcode::Loop_LL_Add_LL_Lt);
        if (fused < firstLoop || fused >= firstLoop + 6 * kLoopsPerStep)
            return false;
        const std::size_t stepOperator = loop + operatorOffset(source);
        const std::size_t test = at(stepOperator + kStepTarget) >> 2;
        if (at(stepOperator + kStoreLocal) != variable || at(test + kLeftLocal) != variable ||
            (at(test + kRightInstruction) == op(gmOpcode::GetLocal) && at(test + kRightOperand) == variable))
            return false;
        return test + operatorOffset(kLL) + kAfterTest == start;
    }

    // The fused opcode for [source] at [start]: the richest sink that the instructions after its
    // operator allow; 0 when its operator does not fuse.
    uint32_t runAt(Source source, std::size_t start) const {
        const std::size_t operatorAt = start + operatorOffset(source);
        const int32_t operatorIndex = fusableOperator(at(operatorAt));
        if (operatorIndex < 0)
            return 0;
        const uint32_t* sinks = kRunTable.opcode[source][operatorIndex];
        const uint32_t sink = at(operatorAt + kSink);
        if (sink == op(gmOpcode::SetLocal) && at(operatorAt + kStepJump) == op(gmOpcode::Jump) &&
            sinks[kSJ]) {
            if (const uint32_t loop = loopAt(source, operatorIndex, at(operatorAt + kStepTarget) >> 2))
                return loop;
            return sinks[kSJ];
        }
        if (sink == op(gmOpcode::SetLocal) && sinks[kS])
            return sinks[kS];
        if (sink == op(gmOpcode::JumpIfFalse) && sinks[kJ])
            return sinks[kJ];
        return sinks[kP];
    }

    // The loop opcode for a step ([source], [operatorIndex]) whose jump lands on word [test]: an
    // LL or LI comparison followed by jumpiffalse; 0 otherwise.
    uint32_t loopAt(Source source, int32_t operatorIndex, std::size_t test) const {
        static_assert(operatorOffset(kLL) == operatorOffset(kLI), "the loop handlers read both tests alike");
        const std::size_t testOperator = test + operatorOffset(kLL);
        if (at(test) != op(gmOpcode::GetLocal) || at(testOperator + kSink) != op(gmOpcode::JumpIfFalse))
            return 0;
        const uint32_t right = at(test + kRightInstruction);
        const int32_t testSource = right == op(gmOpcode::GetLocal)  ? kLL
                                   : right == op(gmOpcode::PushInt) ? kLI
                                                                    : -1;
        const int32_t testOperatorIndex = fusableOperator(at(testOperator));
        if (testSource < 0 || testOperatorIndex < 0 || !isComparison(testOperatorIndex))
            return 0;
        return kLoopTable.opcode[source][operatorIndex][testSource][testOperatorIndex];
    }

    // True when the value the add at [add] leaves is next read as the left operand of another add,
    // in the straight run of code that follows (no jump leaves it or lands in it): a string made
    // there can stay out of the intern table until that add reads it as text. The instructions in
    // between may do anything with the values above it; the walk gives up at any it cannot follow.
    bool feedsNextAdd(std::size_t add) const {
        // How far the walk looks: the chains of a concatenation are short, and the walk runs once
        // per add when a function is first entered.
        constexpr int32_t kMaxSteps = 64;
        int64_t depth = 0;  // values above the add's result
        std::size_t j = add + 1;
        for (int32_t steps = 0; steps < kMaxSteps && j < size_; ++steps) {
            if (jumpTarget_[j])
                return false;
            const uint32_t w = code_[j];
            const gmOpcodeInfo info = gmGetOpcodeInfo(w);
            if (w == op(gmOpcode::Add) && depth == 1)
                return true;
            // Jumps, returns, foreachnext (which ends a loop) and unknown words end the walk.
            if (info.name == nullptr || info.operand == gmOperandKind::Jump || w == op(gmOpcode::Return) ||
                w == op(gmOpcode::ReturnNull) || w == op(gmOpcode::ForeachNext))
                return false;
            const int64_t reads =
                gmBytecodeVerifier::getStackReads(static_cast<gmOpcode>(w), at(j + kOperand));
            const int64_t effect = w == op(gmOpcode::Call) ? 1 - reads : info.stackEffect;
            if (reads > depth)
                return false;
            depth += effect;
            j += instructionWords(info);
        }
        return false;
    }

    const uint32_t* code_;
    std::size_t size_;
    std::vector<bool> jumpTarget_;  // words where a jump lands
};

constexpr const char* kFastOpcodeNames[] = {
#define GM_FAST_NAME_OP(e, name, number, operand, effect, comment) name,
#define GM_FAST_NAME_RUN(src, op, sink) "fused_" #src "_" #op "_" #sink,
#define GM_FAST_NAME_LOOP(step, stepOp, test, testOp) "loop_" #step "_" #stepOp "_" #test "_" #testOp,
#define GM_FAST_NAME_SPECIAL(e, watched, name, comment) name,
    GM_FAST_OPCODES(GM_FAST_NAME_OP, GM_FAST_NAME_RUN, GM_FAST_NAME_LOOP, GM_FAST_NAME_SPECIAL)
#undef GM_FAST_NAME_OP
#undef GM_FAST_NAME_RUN
#undef GM_FAST_NAME_LOOP
#undef GM_FAST_NAME_SPECIAL
};
static_assert(sizeof(kFastOpcodeNames) / sizeof(kFastOpcodeNames[0]) == kFastOpcodeCount);

// The store-loop handler reads a loop run's shape from its opcode (gmRun::kLoopsPerStep).
constexpr uint32_t loopWord(gmFastOpcode fast) {
    return gmFastWord(fast) - gmFastWord(gmFastOpcode::Loop_LL_Add_LL_Lt);
}
static_assert(loopWord(gmFastOpcode::Loop_LL_Sub_LL_Lt) == kLoopsPerStep);
static_assert(loopWord(gmFastOpcode::Loop_LI_Add_LL_Lt) == 2 * kLoopsPerStep);
static_assert(loopWord(gmFastOpcode::Loop_L1_Add_LL_Lt) == 4 * kLoopsPerStep);
static_assert(loopWord(gmFastOpcode::Loop_L1_Sub_LI_Neq) == 6 * kLoopsPerStep - 1);
static_assert(loopWord(gmFastOpcode::Loop_LL_Add_LI_Lt) == kLoopTests);
static_assert(loopWord(gmFastOpcode::Loop_LL_Add_LL_Gt) == 1 &&
              loopWord(gmFastOpcode::Loop_LL_Add_LL_Lte) == 2 &&
              loopWord(gmFastOpcode::Loop_LL_Add_LL_Gte) == 3 &&
              loopWord(gmFastOpcode::Loop_LL_Add_LL_Eq) == 4 &&
              loopWord(gmFastOpcode::Loop_LL_Add_LL_Neq) == 5);

// The unary handler finds its operator through gmOpcodeOfFast.
constexpr bool plainOpcodesRoundTrip() {
    for (uint32_t number = 0; number <= kMaxOpcode; ++number) {
        if (gmGetOpcodeInfo(number).name != nullptr &&
            gmOpcodeOfFast(gmFastWord(gmFastOpcodeOf(number))) != number)
            return false;
    }
    return true;
}
static_assert(plainOpcodesRoundTrip());

}  // namespace

const char* gmFastOpcodeName(uint32_t fast) {
    return fast < kFastOpcodeCount ? kFastOpcodeNames[fast] : nullptr;
}

std::vector<uint32_t> gmBuildFastCode(const uint32_t* code, std::size_t wordCount, bool fuse) {
    return Builder(code, wordCount).build(fuse);
}
