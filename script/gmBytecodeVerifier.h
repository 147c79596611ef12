// Load-time checks of one compiled function, so that code from an untrusted file can never make the
// machine read or write outside its code, its constant table, its frame or its stack.
#pragma once

#include "script/gmCompiledFunction.h"
#include "script/gmOpcodes.h"

#include <cstdint>
#include <string>

// What a function passes when it is accepted:
// - its counts are not negative and at most kMaxFrameValues each;
// - the code is not empty, every opcode is an instruction and has its operand word;
// - every object operand indexes a constant of its kind, every Function constant names an id below
//   the library's function count;
// - every jump target lies inside the code, on the first word of an instruction;
// - every local index (both halves of foreachnext) is below parameters + locals;
// - along every path from the entry the expression-stack depth is the same wherever paths meet,
//   never drops below the frame (an instruction finds all the values it reads, a call its this, its
//   function and its arguments), and never exceeds the declared maximum;
// - no path runs past the last instruction (every path ends in return or returnnull).
// Code that no path reaches is decoded and its operands checked, but it has no stack depth.
//
// The checks are static; what depends on values at run time (the foreachnext iterator, the types of
// operands) stays the machine's job.
class gmBytecodeVerifier {
  public:
    // Upper bound of parameters, locals and the declared stack maximum. Far above any stack the
    // machine grants (so no runnable function is refused), low enough that the machine's frame
    // arithmetic (top + maximum + locals + margin) cannot overflow an int.
    static constexpr int kMaxFrameValues = 1 << 20;

    // Values an instruction reads from the top of the stack; [operand] matters only for call.
    static int64_t getStackReads(gmOpcode op, uint32_t operand);

    // Checks [function] of a library with [numFunctions] functions. Returns true when it passes;
    // otherwise getError() says why.
    bool verify(const gmCompiledFunction& function, int numFunctions);

    const std::string& getError() const { return error_; }
    // The largest depth reached along any path by the last function verified (0 when none passed).
    int getComputedMaxStackDepth() const { return computedMaxDepth_; }

  private:
    bool fail(std::string reason);
    bool checkCountsAndConstants(const gmCompiledFunction& function, int numFunctions);
    bool decode(const gmCompiledFunction& function);
    bool checkOperands(const gmCompiledFunction& function);
    bool checkPaths(const gmCompiledFunction& function);

    std::string error_;
    int computedMaxDepth_ = 0;
    std::vector<bool> isInstructionStart_;  // per code word
};
