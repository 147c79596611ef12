// Instruction listings expanded from the opcode list.
#include "script/gmDisassembler.h"

#include "script/gmFastCode.h"
#include "script/gmOpcodes.h"

#include <bit>
#include <cstdio>
#include <set>
#include <string>

namespace {

std::string formatted(const char* format, auto... arguments) {
    char buffer[64];
    std::snprintf(buffer, sizeof(buffer), format, arguments...);
    return buffer;
}

std::string describeConstant(const gmCompiledFunction& function, uint32_t index,
                             gmCompiledConstant::Kind expected) {
    if (index >= function.constants.size()) {
        return formatted("#%u (no such constant)", index);
    }
    const gmCompiledConstant& constant = function.constants[index];
    if (constant.kind != expected) {
        return formatted("#%u (wrong constant kind)", index);
    }
    if (constant.kind == gmCompiledConstant::Kind::Function) {
        return formatted("function %d", constant.functionId);
    }
    return "\"" + constant.text + "\"";
}

std::string describeOperand(const gmCompiledFunction& function, gmOperandKind kind, uint32_t operand) {
    switch (kind) {
        case gmOperandKind::Name:
            return describeConstant(function, operand, gmCompiledConstant::Kind::Name);
        case gmOperandKind::String:
            return describeConstant(function, operand, gmCompiledConstant::Kind::String);
        case gmOperandKind::Function:
            return describeConstant(function, operand, gmCompiledConstant::Kind::Function);
        case gmOperandKind::Int:
            return formatted("%d", static_cast<int32_t>(operand));
        case gmOperandKind::Float:
            return formatted("%g", static_cast<double>(std::bit_cast<float>(operand)));
        case gmOperandKind::Foreach:
            return formatted("key %u, value %u", operand >> 16, operand & 0xffffu);
        case gmOperandKind::Jump:
        case gmOperandKind::ArgCount:
        case gmOperandKind::Local:
        case gmOperandKind::None:
            return formatted("%u", operand);
    }
    return {};
}

void listFunction(const gmCompiledFunction& function, gmListing listing, std::string& out) {
    out += formatted("function %d", function.id);
    if (function.isRoot) {
        out += " root";
    }
    if (!function.debugName.empty()) {
        out += " \"" + function.debugName + "\"";
    }
    out += formatted(" (params %d, locals %d, stack %d)\n", function.numParams, function.numLocals,
                     function.maxStackDepth);
    const std::vector<uint32_t>& code = function.code;
    std::vector<uint32_t> fast;
    if (listing == gmListing::FastCode) {
        fast = gmBuildFastCode(code.data(), code.size(), true);
    }
    for (size_t i = 0; i < code.size(); ++i) {
        out += formatted("%4zu  ", i * sizeof(uint32_t));
        const gmOpcodeInfo info = gmGetOpcodeInfo(code[i]);
        if (!fast.empty() && info.name && fast[i] != gmFastWord(gmFastOpcodeOf(code[i]))) {
            out += gmFastOpcodeName(fast[i]);
            out += ": ";
        }
        if (!info.name) {
            out += formatted("??? %u\n", code[i]);
            continue;
        }
        out += info.name;
        if (info.operand != gmOperandKind::None) {
            if (i + 1 >= code.size()) {
                out += " <missing operand>\n";
                continue;
            }
            out += " " + describeOperand(function, info.operand, code[++i]);
        }
        out += "\n";
    }
}

const gmCompiledFunction* findFunction(const std::vector<gmCompiledFunction>& functions, int id) {
    for (const gmCompiledFunction& function : functions) {
        if (function.id == id) {
            return &function;
        }
    }
    return nullptr;
}

void listTree(const std::vector<gmCompiledFunction>& functions, int id, gmListing listing,
              std::set<int>& listed, std::string& out) {
    const gmCompiledFunction* function = findFunction(functions, id);
    if (!function || !listed.insert(id).second) {
        return;
    }
    if (!out.empty()) {
        out += "\n";
    }
    listFunction(*function, listing, out);
    for (const gmCompiledConstant& constant : function->constants) {
        if (constant.kind == gmCompiledConstant::Kind::Function) {
            listTree(functions, constant.functionId, listing, listed, out);
        }
    }
}

}  // namespace

std::string gmDisassemble(const gmCompiledFunction& function, gmListing listing) {
    std::string out;
    listFunction(function, listing, out);
    return out;
}

std::string gmDisassembleAll(const std::vector<gmCompiledFunction>& functions, int rootId,
                             gmListing listing) {
    std::string out;
    std::set<int> listed;
    listTree(functions, rootId, listing, listed, out);
    return out;
}
