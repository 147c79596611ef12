// A finished function as the compiler hands it to its host: code words, counts, line table and
// the constant table that the object operands of the code index. Plain data, no machine objects.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

// One entry of a function's constant table. The operands of getdot, setdot, getglobal, setglobal,
// getthismember and setthismember index Name entries, pushstring indexes String entries and
// pushfunction indexes Function entries. Each distinct (kind, text or id) appears once.
struct gmCompiledConstant {
    enum class Kind : uint8_t {
        Name,      // a member or global name; the machine interns it as a permanent string
        String,    // a string constant; an ordinary interned string kept alive by the function
        Function,  // a nested function, named by the id the hooks allocated for it
    };
    Kind kind = Kind::String;
    std::string text;     // Name and String: the text (it contains no NUL byte)
    int functionId = -1;  // Function: the id

    bool operator==(const gmCompiledConstant&) const = default;
};

// (code offset in bytes, source line); the table is sorted by offset and no two consecutive
// entries have the same line.
struct gmLineEntry {
    uint32_t codeOffset = 0;
    int line = 0;

    bool operator==(const gmLineEntry&) const = default;
};

struct gmCompiledFunction {
    int id = -1;          // from gmCompileHooks::allocFunctionId
    bool isRoot = false;  // the top-level function of the compiled text
    std::vector<uint32_t> code;
    int maxStackDepth = 0;  // never below the real expression-stack depth
    int numParams = 0;
    int numLocals = 0;  // locals beyond the parameters
    std::vector<gmLineEntry> lineTable;
    std::string debugName;                // only with debug information; empty otherwise
    std::vector<std::string> localNames;  // only with debug information: parameters first, then locals
    std::vector<gmCompiledConstant> constants;

    int getNumParamsLocals() const { return numParams + numLocals; }
    // Line of the code at byte offset [codeOffset]: the last entry at or before it, else the first
    // entry; 0 when the table is empty.
    int getLineAt(uint32_t codeOffset) const;
};
