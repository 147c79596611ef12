// The bytecode instruction set: one X-macro list from which the opcode enum, the disassembler and
// the verifier expand. Code is a sequence of 32-bit words: the opcode word, then one operand word
// for the instructions whose operand kind is not None. Jump operands are byte offsets from the
// start of the function's code. Opcodes 0 to 23 coincide with the operator ids of the type records.
#pragma once

#include <cstdint>

// What an instruction's operand word holds.
enum class gmOperandKind : uint8_t {
    None,      // no operand word
    Name,      // index into the function's constant table: a member or global name
    String,    // index into the function's constant table: a string constant
    Function,  // index into the function's constant table: a nested function
    Jump,      // byte offset of the target from the start of the code
    ArgCount,  // number of call arguments
    Int,       // a 32-bit signed int
    Float,     // the bits of a 32-bit float
    Local,     // a local slot index
    Foreach,   // key local << 16 | value local
};

// X(Enumerator, "name", number, operand kind, stack effect, comment)
// The stack effect is what the depth estimate adds for the instruction. `call` is the exception: its
// real effect depends on its operand (this, function and n arguments become one result) and the
// emitter computes it from there; the 0 here is only its entry in the table.
#define GM_OPCODES(X)                                                                         \
    X(GetDot, "getdot", 0, Name, 0, "[object] -> [object.name]")                              \
    X(SetDot, "setdot", 1, Name, -2, "[object, value] -> []: object.name = value")            \
    X(GetInd, "getind", 2, None, -1, "[object, key] -> [object[key]]")                        \
    X(SetInd, "setind", 3, None, -3, "[object, key, value] -> []: object[key] = value")       \
    X(Add, "add", 4, None, -1, "[a, b] -> [a + b]")                                           \
    X(Sub, "sub", 5, None, -1, "[a, b] -> [a - b]")                                           \
    X(Mul, "mul", 6, None, -1, "[a, b] -> [a * b]")                                           \
    X(Div, "div", 7, None, -1, "[a, b] -> [a / b]")                                           \
    X(Mod, "mod", 8, None, -1, "[a, b] -> [a % b]")                                           \
    X(BitOr, "bitor", 9, None, -1, "[a, b] -> [a | b]")                                       \
    X(BitXor, "bitxor", 10, None, -1, "[a, b] -> [a ^ b]")                                    \
    X(BitAnd, "bitand", 11, None, -1, "[a, b] -> [a & b]")                                    \
    X(ShiftLeft, "shiftleft", 12, None, -1, "[a, b] -> [a << b]")                             \
    X(ShiftRight, "shiftright", 13, None, -1, "[a, b] -> [a >> b], arithmetic")               \
    X(BitInv, "bitinv", 14, None, 0, "[a] -> [~a]")                                           \
    X(Lt, "lt", 15, None, -1, "[a, b] -> [int a < b]")                                        \
    X(Gt, "gt", 16, None, -1, "[a, b] -> [int a > b]")                                        \
    X(Lte, "lte", 17, None, -1, "[a, b] -> [int a <= b]")                                     \
    X(Gte, "gte", 18, None, -1, "[a, b] -> [int a >= b]")                                     \
    X(Eq, "eq", 19, None, -1, "[a, b] -> [int a == b]")                                       \
    X(Neq, "neq", 20, None, -1, "[a, b] -> [int a != b]")                                     \
    X(Neg, "neg", 21, None, 0, "[a] -> [-a]")                                                 \
    X(Pos, "pos", 22, None, 0, "[a] -> [+a]")                                                 \
    X(Not, "not", 23, None, 0, "[a] -> [int !a]")                                             \
    X(Line, "line", 25, None, 0, "debugger hook, no effect")                                  \
    X(Jump, "jump", 26, Jump, 0, "continue at the offset")                                    \
    X(JumpIfFalse, "jumpiffalse", 27, Jump, -1, "pop; jump when false")                       \
    X(JumpIfTrue, "jumpiftrue", 28, Jump, -1, "pop; jump when true")                          \
    X(JumpIfFalseKeep, "jumpiffalsekeep", 29, Jump, 0, "jump when the top is false, keep it") \
    X(JumpIfTrueKeep, "jumpiftruekeep", 30, Jump, 0, "jump when the top is true, keep it")    \
    X(Call, "call", 31, ArgCount, 0, "[this, function, args...] -> [result]")                 \
    X(ReturnNull, "returnnull", 32, None, 0, "return null")                                   \
    X(Return, "return", 33, None, 0, "return the top value")                                  \
    X(ForeachNext, "foreachnext", 34, Foreach, 1, "[table, iter] -> [table, iter, int more]") \
    X(Pop, "pop", 35, None, -1, "drop the top value")                                         \
    X(Pop2, "pop2", 36, None, -2, "drop the top two values")                                  \
    X(Dup, "dup", 37, None, 1, "[a] -> [a, a]")                                               \
    X(Dup2, "dup2", 38, None, 2, "[a, b] -> [a, b, a, b]")                                    \
    X(Swap, "swap", 39, None, 0, "[a, b] -> [b, a]")                                          \
    X(PushNull, "pushnull", 40, None, 1, "push null")                                         \
    X(PushInt, "pushint", 41, Int, 1, "push the int operand")                                 \
    X(PushFalse, "pushfalse", 42, None, 1, "push int 0")                                      \
    X(PushTrue, "pushtrue", 43, None, 1, "push int 1")                                        \
    X(PushFloat, "pushfloat", 44, Float, 1, "push the float operand")                         \
    X(PushString, "pushstring", 45, String, 1, "push the string constant")                    \
    X(NewTable, "newtable", 46, None, 1, "push a new empty table")                            \
    X(PushFunction, "pushfunction", 47, Function, 1, "push the nested function")              \
    X(PushThis, "pushthis", 48, None, 1, "push the frame's this")                             \
    X(GetLocal, "getlocal", 49, Local, 1, "push local[operand]")                              \
    X(SetLocal, "setlocal", 50, Local, -1, "pop into local[operand]")                         \
    X(GetGlobal, "getglobal", 51, Name, 1, "push globals[name]")                              \
    X(SetGlobal, "setglobal", 52, Name, -1, "pop into globals[name]")                         \
    X(GetThisMember, "getthismember", 53, Name, 1, "push this.name")                          \
    X(SetThisMember, "setthismember", 54, Name, -1, "[value] -> []: this.name = value")

enum class gmOpcode : uint32_t {
#define GM_OPCODE_ENUM(e, name, number, operand, effect, comment) e = number,
    GM_OPCODES(GM_OPCODE_ENUM)
#undef GM_OPCODE_ENUM
};

// The highest opcode number; every opcode above it (and 24) is ignored by the machine.
constexpr uint32_t kMaxOpcode = 54;

// Facts about one opcode number, from the list above.
struct gmOpcodeInfo {
    const char* name;  // null for numbers that are not instructions
    gmOperandKind operand;
    int stackEffect;
};

// Returns the facts for [opcode]; a number that is no instruction yields a null name, no operand
// and no effect.
constexpr gmOpcodeInfo gmGetOpcodeInfo(uint32_t opcode) {
    switch (opcode) {
#define GM_OPCODE_INFO(e, name, number, operand, effect, comment) \
    case number:                                                  \
        return gmOpcodeInfo{name, gmOperandKind::operand, effect};
        GM_OPCODES(GM_OPCODE_INFO)
#undef GM_OPCODE_INFO
        default:
            return gmOpcodeInfo{nullptr, gmOperandKind::None, 0};
    }
}

constexpr bool gmHasOperand(gmOpcode op) {
    return gmGetOpcodeInfo(static_cast<uint32_t>(op)).operand != gmOperandKind::None;
}
