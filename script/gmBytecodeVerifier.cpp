// The load-time verifier: a decode of the code words, operand checks, and a walk over every path
// that tracks the expression-stack depth. Instruction facts come from the opcode list.
#include "script/gmBytecodeVerifier.h"

#include <cstdio>
#include <vector>

namespace {

std::string formatted(const char* format, auto... arguments) {
    char buffer[160];
    std::snprintf(buffer, sizeof(buffer), format, arguments...);
    return buffer;
}

bool constantHasKind(const gmCompiledFunction& function, uint32_t index, gmCompiledConstant::Kind kind) {
    return index < function.constants.size() && function.constants[index].kind == kind;
}

bool isConditionalJump(gmOpcode op) {
    return op == gmOpcode::JumpIfFalse || op == gmOpcode::JumpIfTrue || op == gmOpcode::JumpIfFalseKeep ||
           op == gmOpcode::JumpIfTrueKeep;
}

}  // namespace

// The opcode list gives each instruction's net effect on the depth; what it reads first is the net
// effect plus the values it leaves, listed here for the instructions that leave any.
int64_t gmBytecodeVerifier::getStackReads(gmOpcode op, uint32_t operand) {
    switch (op) {
        case gmOpcode::Call:
            return static_cast<int64_t>(operand) + 2;  // this, the function, the arguments
        case gmOpcode::GetDot:
        case gmOpcode::BitInv:
        case gmOpcode::Neg:
        case gmOpcode::Pos:
        case gmOpcode::Not:
        case gmOpcode::JumpIfFalseKeep:
        case gmOpcode::JumpIfTrueKeep:
        case gmOpcode::Return:
        case gmOpcode::Dup:
            return 1;
        case gmOpcode::GetInd:
        case gmOpcode::Add:
        case gmOpcode::Sub:
        case gmOpcode::Mul:
        case gmOpcode::Div:
        case gmOpcode::Mod:
        case gmOpcode::BitOr:
        case gmOpcode::BitXor:
        case gmOpcode::BitAnd:
        case gmOpcode::ShiftLeft:
        case gmOpcode::ShiftRight:
        case gmOpcode::Lt:
        case gmOpcode::Gt:
        case gmOpcode::Lte:
        case gmOpcode::Gte:
        case gmOpcode::Eq:
        case gmOpcode::Neq:
        case gmOpcode::ForeachNext:  // the table and the iterator
        case gmOpcode::Dup2:
        case gmOpcode::Swap:
            return 2;
        default: {
            // Instructions that leave nothing read exactly what they remove.
            const int effect = gmGetOpcodeInfo(static_cast<uint32_t>(op)).stackEffect;
            return effect < 0 ? -effect : 0;
        }
    }
}

bool gmBytecodeVerifier::fail(std::string reason) {
    error_ = std::move(reason);
    return false;
}

bool gmBytecodeVerifier::verify(const gmCompiledFunction& function, int numFunctions) {
    error_.clear();
    computedMaxDepth_ = 0;
    return checkCountsAndConstants(function, numFunctions) && decode(function) && checkOperands(function) &&
           checkPaths(function);
}

bool gmBytecodeVerifier::checkCountsAndConstants(const gmCompiledFunction& function, int numFunctions) {
    const auto inRange = [](int count) { return count >= 0 && count <= kMaxFrameValues; };
    if (!inRange(function.numParams) || !inRange(function.numLocals) || !inRange(function.maxStackDepth)) {
        return fail(formatted("counts out of range (params %d, locals %d, stack %d)", function.numParams,
                              function.numLocals, function.maxStackDepth));
    }
    for (const gmCompiledConstant& constant : function.constants) {
        if (constant.kind == gmCompiledConstant::Kind::Function &&
            (constant.functionId < 0 || constant.functionId >= numFunctions)) {
            return fail(formatted("function id %d out of range", constant.functionId));
        }
    }
    return true;
}

// Marks the first word of every instruction; every word must belong to a known instruction.
bool gmBytecodeVerifier::decode(const gmCompiledFunction& function) {
    const std::vector<uint32_t>& code = function.code;
    if (code.empty()) {
        return fail("empty code");
    }
    isInstructionStart_.assign(code.size(), false);
    for (size_t i = 0; i < code.size(); ++i) {
        const gmOpcodeInfo info = gmGetOpcodeInfo(code[i]);
        if (!info.name) {
            return fail(formatted("unknown opcode %u at %zu", code[i], i * 4));
        }
        isInstructionStart_[i] = true;
        if (info.operand != gmOperandKind::None) {
            if (i + 1 >= code.size()) {
                return fail(formatted("%s at %zu has no operand", info.name, i * 4));
            }
            ++i;
        }
    }
    return true;
}

bool gmBytecodeVerifier::checkOperands(const gmCompiledFunction& function) {
    const std::vector<uint32_t>& code = function.code;
    const uint32_t numSlots = static_cast<uint32_t>(function.getNumParamsLocals());
    for (size_t i = 0; i < code.size(); ++i) {
        const gmOpcodeInfo info = gmGetOpcodeInfo(code[i]);
        if (info.operand == gmOperandKind::None) {
            continue;
        }
        const uint32_t operand = code[++i];
        const size_t at = (i - 1) * 4;
        bool valid = true;
        switch (info.operand) {
            case gmOperandKind::Name:
                valid = constantHasKind(function, operand, gmCompiledConstant::Kind::Name);
                break;
            case gmOperandKind::String:
                valid = constantHasKind(function, operand, gmCompiledConstant::Kind::String);
                break;
            case gmOperandKind::Function:
                valid = constantHasKind(function, operand, gmCompiledConstant::Kind::Function);
                break;
            case gmOperandKind::Jump:
                valid = operand % 4 == 0 && operand / 4 < code.size() && isInstructionStart_[operand / 4];
                break;
            case gmOperandKind::Local:
                valid = operand < numSlots;
                break;
            case gmOperandKind::Foreach:
                valid = (operand >> 16) < numSlots && (operand & 0xffffu) < numSlots;
                break;
            case gmOperandKind::ArgCount:  // checked against the depth along the paths
            case gmOperandKind::Int:
            case gmOperandKind::Float:
            case gmOperandKind::None:
                break;
        }
        if (!valid) {
            return fail(formatted("%s at %zu has a bad operand %u", info.name, at, operand));
        }
    }
    return true;
}

// Walks every path from the entry with the depth each instruction finds. A depth is recorded per
// instruction the first time a path reaches it; a later path must arrive with the same depth, so a
// loop cannot grow the stack and the recorded depths bound every path.
bool gmBytecodeVerifier::checkPaths(const gmCompiledFunction& function) {
    const std::vector<uint32_t>& code = function.code;
    std::vector<int> depthAt(code.size(), -1);
    std::vector<size_t> pending{0};
    depthAt[0] = 0;
    int maxDepth = 0;

    const auto reach = [&](size_t index, int depth, size_t from) {
        if (index >= code.size()) {
            return fail(formatted("the path through %zu runs past the end of the code", from * 4));
        }
        if (depthAt[index] < 0) {
            depthAt[index] = depth;
            pending.push_back(index);
        } else if (depthAt[index] != depth) {
            return fail(
                formatted("paths meet at %zu with depths %d and %d", index * 4, depthAt[index], depth));
        }
        return true;
    };

    while (!pending.empty()) {
        const size_t index = pending.back();
        pending.pop_back();
        const gmOpcode op = static_cast<gmOpcode>(code[index]);
        const gmOpcodeInfo info = gmGetOpcodeInfo(code[index]);
        const bool hasOperand = info.operand != gmOperandKind::None;
        const uint32_t operand = hasOperand ? code[index + 1] : 0;
        const int depth = depthAt[index];

        const int64_t reads = getStackReads(op, operand);
        if (depth < reads) {
            return fail(formatted("%s at %zu reads %lld values with only %d on the stack", info.name,
                                  index * 4, static_cast<long long>(reads), depth));
        }
        const int64_t effect = op == gmOpcode::Call ? -static_cast<int64_t>(operand) - 1 : info.stackEffect;
        const int next = static_cast<int>(depth + effect);  // 0 <= next <= depth + 2
        if (next > function.maxStackDepth) {
            return fail(formatted("stack depth %d at %zu exceeds the declared maximum %d", next, index * 4,
                                  function.maxStackDepth));
        }
        if (next > maxDepth) {
            maxDepth = next;
        }

        if (op == gmOpcode::Return || op == gmOpcode::ReturnNull) {
            continue;
        }
        if (op == gmOpcode::Jump || isConditionalJump(op)) {
            if (!reach(operand / 4, next, index)) {
                return false;
            }
            if (op == gmOpcode::Jump) {
                continue;
            }
        }
        if (!reach(index + (hasOperand ? 2 : 1), next, index)) {
            return false;
        }
    }
    computedMaxDepth_ = maxDepth;
    return true;
}
