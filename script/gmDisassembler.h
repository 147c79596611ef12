// Instruction listings of compiled functions, one instruction per line, for tests and tools.
#pragma once

#include "script/gmCompiledFunction.h"

#include <string>
#include <vector>

// What a listing shows: the code as compiled, or the fast code the machine runs (gmFastCode.h, with
// runs fused), where the first instruction of each fused run is preceded by the name of its fused
// opcode and a colon. The other words of a run stay listed as they are: a jump may land on them.
enum class gmListing { Code, FastCode };

// Lists [function]: a header line "function <id>[ root][ "<debug name>"] (params p, locals l,
// stack m)", then per instruction the byte offset right-aligned in four columns, two spaces, the
// name and its operand: constants by their text ("name" for names and strings, function <id>),
// jumps as byte offsets, foreachnext as "key k, value v", floats with %g. Any record is accepted:
// unknown opcodes, missing operand words and constant indexes out of range are shown as such.
std::string gmDisassemble(const gmCompiledFunction& function, gmListing listing = gmListing::Code);

// Lists the function with [rootId] and, after it, every function it refers to through Function
// constants, depth-first in constant order, each once, separated by an empty line.
std::string gmDisassembleAll(const std::vector<gmCompiledFunction>& functions, int rootId,
                             gmListing listing = gmListing::Code);
