// Code generation from the code tree. One FunctionState per function being compiled, stacked for
// nested function constructors. The first error throws CompileError, caught once in gmCompile.
#include "script/gmCodeGen.h"

#include "script/gmOpcodes.h"
#include "script/gmParser.h"

#include <algorithm>
#include <bit>
#include <cstdint>
#include <cstdio>
#include <map>
#include <memory>
#include <string>
#include <unordered_map>
#include <utility>
#include <vector>

namespace {

// Code tree nesting beyond this is refused, so that a long chain such as a.b.b.b... or x+x+x+...
// (which the parser builds without deepening its own stack) cannot exhaust the native stack while
// the generator recurses. Real scripts stay far below it.
constexpr int kMaxNestingDepth = 4000;

// The iterator value foreachnext starts from: before the first node.
constexpr int32_t kForeachStart = -2;

// Name of the local that receives the keys of a foreach without a key name.
constexpr const char* kHiddenKeyLocal = "__t1";
// Local slots (parameters included) a function may have: foreachnext keeps each slot in 16 bits.
constexpr int kMaxLocals = 65535;

struct CompileError {};

constexpr uint32_t byteSwapped(uint32_t word) {
    return (word >> 24) | ((word >> 8) & 0xff00u) | ((word << 8) & 0xff0000u) | (word << 24);
}

struct Variable {
    int slot = -1;  // local slot, or -1 when the name never was a local
    int scope = kScopeLocal;
};

struct Loop {
    std::vector<size_t> breaks;     // operand word indexes of jumps to the loop's end
    std::vector<size_t> continues;  // operand word indexes of jumps to the continue point
};

struct FunctionState {
    gmCompiledFunction record;
    int depth = 0;
    int maxDepth = 0;
    std::unordered_map<std::string, Variable> variables;
    std::vector<std::string> slotNames;  // names of the local slots, parameters first
    int numParams = 0;
    std::vector<Loop> loops;
    std::vector<gmLineEntry> lines;
    std::map<std::pair<int, std::string>, uint32_t> constantIndex;  // (kind, text or id) -> index
    std::string debugName;  // the name the function takes in call stacks; empty: none

    int nextSlot() const { return static_cast<int>(slotNames.size()); }
};

class CodeGenerator {
  public:
    CodeGenerator(gmCompileHooks& hooks, gmCompileLog& log, const gmCompileOptions& options)
        : hooks_(hooks), log_(log), options_(options) {}

    void compileRoot(const gmCodeTreeNode* statements);
    std::vector<gmCompiledFunction>& getFinished() { return finished_; }

  private:
    [[noreturn]] void fail(const gmCodeTreeNode* node, const char* message);
    [[noreturn]] void failf(const gmCodeTreeNode* node, const char* format, const std::string& argument);

    // ---- emission ----
    FunctionState& current() { return *functions_.back(); }
    uint32_t getOffset() { return static_cast<uint32_t>(current().record.code.size() * sizeof(uint32_t)); }
    void emitWord(uint32_t word);
    void adjustDepth(int effect);
    void emit(gmOpcode op);
    void emit(gmOpcode op, uint32_t operand);
    size_t emitJumpSlot(gmOpcode op);
    void patchJump(size_t operandIndex, uint32_t target);
    uint32_t addConstant(gmCompiledConstant::Kind kind, const std::string& text, int functionId = -1);
    void emitName(gmOpcode op, const std::string& name) {
        emit(op, addConstant(gmCompiledConstant::Kind::Name, name));
    }
    void addLine(int line);

    // ---- variables ----
    Variable* findVariable(const std::string& name);
    void declareVariable(const std::string& name, int scope, const gmCodeTreeNode* where);
    int declareLocal(const std::string& name, const gmCodeTreeNode* where);

    // ---- statements ----
    void genStatementList(const gmCodeTreeNode* list);
    void genStatement(const gmCodeTreeNode* node);
    void genDeclaration(const gmCodeTreeNode* node);
    void genIf(const gmCodeTreeNode* node);
    void genWhile(const gmCodeTreeNode* node);
    void genDoWhile(const gmCodeTreeNode* node);
    void genFor(const gmCodeTreeNode* node);
    void genForeach(const gmCodeTreeNode* node);
    void genJumpOut(const gmCodeTreeNode* node, bool isBreak);
    void closeLoop(uint32_t breakTarget, uint32_t continueTarget);

    // ---- expressions ----
    // Generates [node]; returns true when it left one value on the stack (assignments leave none).
    bool genExpression(const gmCodeTreeNode* node);
    void genValue(const gmCodeTreeNode* node);
    // A loop or if condition (or foreach table): its line goes into the line table, then its value.
    void genCondition(const gmCodeTreeNode* node);
    void genOperation(const gmCodeTreeNode* node);
    void genArithmetic(const gmCodeTreeNode* node);
    void genComparison(const gmCodeTreeNode* node);
    void genBitwise(const gmCodeTreeNode* node);
    void genShift(const gmCodeTreeNode* node);
    void genLogical(const gmCodeTreeNode* node);
    void genConstant(const gmCodeTreeNode* node);
    void genIdentifierRead(const gmCodeTreeNode* node);
    void genIdentifierWrite(const gmCodeTreeNode* node);
    void genAssignment(const gmCodeTreeNode* node);
    void genCall(const gmCodeTreeNode* node);
    void genTable(const gmCodeTreeNode* node);
    void genFunction(const gmCodeTreeNode* node);
    const std::string& dotName(const gmCodeTreeNode* dot);
    bool isMemberIdentifier(const gmCodeTreeNode* node);

    // ---- functions ----
    void beginFunction();
    void endFunction(int id, bool isRoot, std::string debugName);
    std::string assignedName(const gmCodeTreeNode* node) const;

    gmCompileHooks& hooks_;
    gmCompileLog& log_;
    const gmCompileOptions& options_;
    std::vector<std::unique_ptr<FunctionState>> functions_;
    std::vector<gmCompiledFunction> finished_;
    // While a table field's value is generated: the value and the name a function there takes.
    std::string fieldName_;
    const gmCodeTreeNode* fieldValue_ = nullptr;
    int nesting_ = 0;
};

// Counts the generator's recursion into the tree and refuses trees nested too deeply.
class NestingGuard {
  public:
    NestingGuard(int& nesting, bool& tooDeep) : nesting_(nesting) { tooDeep = ++nesting_ > kMaxNestingDepth; }
    ~NestingGuard() { --nesting_; }
    NestingGuard(const NestingGuard&) = delete;
    NestingGuard& operator=(const NestingGuard&) = delete;

  private:
    int& nesting_;
};

// ============================================================================================
// Errors and emission
// ============================================================================================

void CodeGenerator::fail(const gmCodeTreeNode* node, const char* message) {
    log_.logf("error (%d) %s", node ? node->line : 0, message);
    throw CompileError{};
}

void CodeGenerator::failf(const gmCodeTreeNode* node, const char* format, const std::string& argument) {
    char message[256];
    std::snprintf(message, sizeof(message), format, argument.c_str());
    fail(node, message);
}

void CodeGenerator::emitWord(uint32_t word) {
    current().record.code.push_back(options_.byteSwap ? byteSwapped(word) : word);
}

void CodeGenerator::adjustDepth(int effect) {
    FunctionState& state = current();
    state.depth += effect;
    state.maxDepth = std::max(state.maxDepth, state.depth);
}

void CodeGenerator::emit(gmOpcode op) {
    emitWord(static_cast<uint32_t>(op));
    adjustDepth(gmGetOpcodeInfo(static_cast<uint32_t>(op)).stackEffect);
}

void CodeGenerator::emit(gmOpcode op, uint32_t operand) {
    emitWord(static_cast<uint32_t>(op));
    emitWord(operand);
    if (op == gmOpcode::Call) {
        // this, the function and the arguments become the one result.
        adjustDepth(-static_cast<int>(operand) - 1);
    } else {
        adjustDepth(gmGetOpcodeInfo(static_cast<uint32_t>(op)).stackEffect);
    }
}

// Emits [op] with a placeholder target; returns the operand's word index for patchJump.
size_t CodeGenerator::emitJumpSlot(gmOpcode op) {
    emit(op, 0);
    return current().record.code.size() - 1;
}

void CodeGenerator::patchJump(size_t operandIndex, uint32_t target) {
    current().record.code[operandIndex] = options_.byteSwap ? byteSwapped(target) : target;
}

uint32_t CodeGenerator::addConstant(gmCompiledConstant::Kind kind, const std::string& text, int functionId) {
    FunctionState& state = current();
    const std::string& keyText =
        kind == gmCompiledConstant::Kind::Function ? std::to_string(functionId) : text;
    auto key = std::make_pair(static_cast<int>(kind), keyText);
    auto found = state.constantIndex.find(key);
    if (found != state.constantIndex.end()) {
        return found->second;
    }
    const uint32_t index = static_cast<uint32_t>(state.record.constants.size());
    gmCompiledConstant constant;
    constant.kind = kind;
    constant.functionId = functionId;
    if (kind != gmCompiledConstant::Kind::Function) {
        constant.text = text;
    }
    state.record.constants.push_back(std::move(constant));
    state.constantIndex.emplace(std::move(key), index);
    return index;
}

// Records that the code from here on belongs to [line]. An entry at the same offset as the last one
// replaces it (the earlier statement produced no code); an entry with the same line is not repeated.
void CodeGenerator::addLine(int line) {
    std::vector<gmLineEntry>& lines = current().lines;
    const uint32_t offset = getOffset();
    if (!lines.empty() && lines.back().line == line) {
        return;
    }
    if (options_.debug) {
        emit(gmOpcode::Line);
    }
    if (!lines.empty() && lines.back().codeOffset == offset) {
        lines.back().line = line;
        if (lines.size() >= 2 && lines[lines.size() - 2].line == line) {
            lines.pop_back();
        }
        return;
    }
    lines.push_back(gmLineEntry{offset, line});
}

// ============================================================================================
// Variables
// ============================================================================================

Variable* CodeGenerator::findVariable(const std::string& name) {
    auto found = current().variables.find(name);
    return found == current().variables.end() ? nullptr : &found->second;
}

// A later declaration of a name changes its scope; declaring it local gives it a slot if it had none.
// foreachnext packs two local slots into 16 bits each: a function has at most kMaxLocals slots.
void CodeGenerator::declareVariable(const std::string& name, int scope, const gmCodeTreeNode* where) {
    Variable& variable = current().variables[name];
    variable.scope = scope;
    if (scope == kScopeLocal && variable.slot < 0) {
        if (current().nextSlot() >= kMaxLocals) {
            char message[64];
            std::snprintf(message, sizeof(message), "too many local variables (more than %d)", kMaxLocals);
            fail(where, message);
        }
        variable.slot = current().nextSlot();
        current().slotNames.push_back(name);
    }
}

int CodeGenerator::declareLocal(const std::string& name, const gmCodeTreeNode* where) {
    declareVariable(name, kScopeLocal, where);
    return findVariable(name)->slot;
}

// ============================================================================================
// Functions
// ============================================================================================

void CodeGenerator::beginFunction() {
    functions_.push_back(std::make_unique<FunctionState>());
}

// Closes the current function with returnnull and queues its record for the hooks.
void CodeGenerator::endFunction(int id, bool isRoot, std::string debugName) {
    emit(gmOpcode::ReturnNull);
    FunctionState& state = current();
    gmCompiledFunction& record = state.record;
    record.id = id;
    record.isRoot = isRoot;
    record.maxStackDepth = state.maxDepth;
    record.numParams = state.numParams;
    record.numLocals = state.nextSlot() - state.numParams;
    // Entries are added in code order; this keeps the documented invariant however they came.
    std::stable_sort(state.lines.begin(), state.lines.end(),
                     [](const gmLineEntry& a, const gmLineEntry& b) { return a.codeOffset < b.codeOffset; });
    for (const gmLineEntry& entry : state.lines) {
        if (record.lineTable.empty() || record.lineTable.back().line != entry.line) {
            record.lineTable.push_back(entry);
        }
    }
    if (options_.debug || options_.names) {
        record.debugName = std::move(debugName);
        record.localNames = state.slotNames;
    }
    finished_.push_back(std::move(record));
    functions_.pop_back();
}

void CodeGenerator::compileRoot(const gmCodeTreeNode* statements) {
    beginFunction();
    genStatementList(statements);
    endFunction(hooks_.allocFunctionId(), true, "__main");
}

// functionConstructor -> "function" "(" parameters ")" block: a nested function whose parameters
// are its first locals; defaults are accepted and not evaluated (a missing argument is null).
void CodeGenerator::genFunction(const gmCodeTreeNode* node) {
    const int id = hooks_.allocFunctionId();
    // A table field's function is named after the table (fieldName_, set by genTable).
    std::string debugName = assignedName(node);
    if (!fieldName_.empty() && node == fieldValue_)
        debugName = fieldName_;

    beginFunction();
    current().debugName = debugName;
    for (const gmCodeTreeNode* parameter = node->children[0]; parameter; parameter = parameter->next) {
        const gmCodeTreeNode* name = parameter->children[0];
        if (!name || !name->isExpression(kExprIdentifier)) {
            fail(parameter, "internal error");
        }
        if (findVariable(name->text)) {
            failf(parameter, "parameter %s already declared", name->text);
        }
        declareLocal(name->text, parameter);
        ++current().numParams;
    }
    if (node->children[1]) {
        genStatement(node->children[1]);
    }
    endFunction(id, false, std::move(debugName));
    emit(gmOpcode::PushFunction, addConstant(gmCompiledConstant::Kind::Function, {}, id));
}

// The name that the assignment [node] is the value of gives it: `Main = ...` -> "Main",
// `Ship.update = ...` -> "Ship.update", `a.b.c = ...` -> "c"; empty when it is no such value.
std::string CodeGenerator::assignedName(const gmCodeTreeNode* node) const {
    const gmCodeTreeNode* parent = node->parent;
    if (!parent || !parent->isOperation(kOpAssign) || parent->children[1] != node || !parent->children[0])
        return {};
    const gmCodeTreeNode* target = parent->children[0];
    if (target->isExpression(kExprIdentifier))
        return target->text;
    if (!target->isOperation(kOpDot) || !target->children[1])
        return {};
    const gmCodeTreeNode* object = target->children[0];
    if (object && object->isExpression(kExprIdentifier))
        return std::string(object->text) + "." + target->children[1]->text;
    return target->children[1]->text;
}

// ============================================================================================
// Statements
// ============================================================================================

void CodeGenerator::genStatementList(const gmCodeTreeNode* list) {
    for (const gmCodeTreeNode* node = list; node; node = node->next) {
        genStatement(node);
    }
}

void CodeGenerator::genStatement(const gmCodeTreeNode* node) {
    bool tooDeep = false;
    NestingGuard guard(nesting_, tooDeep);
    if (tooDeep) {
        fail(node, "statement nested too deeply");
    }
    if (node->kind == gmNodeKind::Declaration) {
        genDeclaration(node);
        return;
    }
    if (node->kind == gmNodeKind::Expression) {
        addLine(node->line);
        if (genExpression(node)) {
            emit(gmOpcode::Pop);
        }
        return;
    }
    if (node->kind != gmNodeKind::Statement) {
        fail(node, "internal error");
    }
    // Control statements are created when their last block is complete, so their own line is that
    // of its end; they record the lines of their conditions instead, and blocks those of their
    // statements.
    const bool isControl = node->subType >= kStmtFor && node->subType <= kStmtCompound;
    if (!isControl) {
        addLine(node->line);
    }
    switch (node->subType) {
        case kStmtReturn:
            if (node->children[0]) {
                genValue(node->children[0]);
                emit(gmOpcode::Return);
            } else {
                emit(gmOpcode::ReturnNull);
            }
            break;
        case kStmtBreak:
            genJumpOut(node, true);
            break;
        case kStmtContinue:
            genJumpOut(node, false);
            break;
        case kStmtFor:
            genFor(node);
            break;
        case kStmtForeach:
            genForeach(node);
            break;
        case kStmtWhile:
            genWhile(node);
            break;
        case kStmtDoWhile:
            genDoWhile(node);
            break;
        case kStmtIf:
            genIf(node);
            break;
        case kStmtCompound:
            genStatementList(node->children[0]);
            break;
        default:
            fail(node, "internal error");
    }
}

// varStatement -> ("local" | "global" | "member") identifier: enters the name, emits nothing.
void CodeGenerator::genDeclaration(const gmCodeTreeNode* node) {
    const gmCodeTreeNode* name = node->children[0];
    if (node->subType != kDeclVariable || !name || !name->isExpression(kExprIdentifier)) {
        fail(node, "internal error");
    }
    declareVariable(name->text, node->data, node);
}

// if (c) {A} [else B]: c; jumpiffalse Lelse; A; [jump Lend; Lelse: B;] Lend.
void CodeGenerator::genIf(const gmCodeTreeNode* node) {
    genCondition(node->children[0]);
    const size_t toElse = emitJumpSlot(gmOpcode::JumpIfFalse);
    genStatement(node->children[1]);
    if (node->children[2]) {
        const size_t toEnd = emitJumpSlot(gmOpcode::Jump);
        patchJump(toElse, getOffset());
        genStatement(node->children[2]);
        patchJump(toEnd, getOffset());
    } else {
        patchJump(toElse, getOffset());
    }
}

// while (c) {A}: Ltop: c; jumpiffalse Lend; A; jump Ltop; Lend. continue -> Ltop, break -> Lend.
void CodeGenerator::genWhile(const gmCodeTreeNode* node) {
    const uint32_t top = getOffset();
    genCondition(node->children[0]);
    const size_t toEnd = emitJumpSlot(gmOpcode::JumpIfFalse);
    current().loops.emplace_back();
    genStatement(node->children[1]);
    emit(gmOpcode::Jump, top);
    patchJump(toEnd, getOffset());
    closeLoop(getOffset(), top);
}

// dowhile (c) {A}: Ltop: A; Lcont: c; jumpiftrue Ltop; Lend. continue -> Lcont, break -> Lend.
void CodeGenerator::genDoWhile(const gmCodeTreeNode* node) {
    const uint32_t top = getOffset();
    current().loops.emplace_back();
    genStatement(node->children[1]);
    const uint32_t continuePoint = getOffset();
    // The loop context stays open over the condition so that its jumps are patched, but the
    // condition can hold no break or continue (it is an expression).
    genCondition(node->children[0]);
    emit(gmOpcode::JumpIfTrue, top);
    closeLoop(getOffset(), continuePoint);
}

// for (init; c; inc) {A}: init; Ltop: [c; jumpiffalse Lend;] A; Lcont: inc; jump Ltop; Lend.
void CodeGenerator::genFor(const gmCodeTreeNode* node) {
    if (node->children[0]) {
        genStatement(node->children[0]);
    }
    const uint32_t top = getOffset();
    size_t toEnd = 0;
    const bool hasCondition = node->children[1] != nullptr;
    if (hasCondition) {
        genCondition(node->children[1]);
        toEnd = emitJumpSlot(gmOpcode::JumpIfFalse);
    }
    current().loops.emplace_back();
    genStatement(node->children[3]);
    const uint32_t continuePoint = getOffset();
    if (node->children[2]) {
        addLine(node->children[2]->line);
        if (genExpression(node->children[2])) {
            emit(gmOpcode::Pop);
        }
    }
    emit(gmOpcode::Jump, top);
    if (hasCondition) {
        patchJump(toEnd, getOffset());
    }
    closeLoop(getOffset(), continuePoint);
}

// foreach ([k and] v in t) {A}: t; pushint -2; Ltop: foreachnext k<<16|v; jumpiffalse Lend; A;
// jump Ltop; Lend: pop2. Both names become locals; without a key name the key goes to a hidden local.
void CodeGenerator::genForeach(const gmCodeTreeNode* node) {
    genCondition(node->children[0]);
    emit(gmOpcode::PushInt, static_cast<uint32_t>(kForeachStart));
    const gmCodeTreeNode* valueName = node->children[1];
    const gmCodeTreeNode* keyName = node->children[2];
    if (!valueName || !valueName->isExpression(kExprIdentifier)) {
        fail(node, "internal error");
    }
    const int keySlot = declareLocal(keyName ? keyName->text : kHiddenKeyLocal, node);
    const int valueSlot = declareLocal(valueName->text, node);
    const uint32_t top = getOffset();
    emit(gmOpcode::ForeachNext,
         (static_cast<uint32_t>(keySlot) << 16) | (static_cast<uint32_t>(valueSlot) & 0xffffu));
    const size_t toEnd = emitJumpSlot(gmOpcode::JumpIfFalse);
    current().loops.emplace_back();
    genStatement(node->children[3]);
    emit(gmOpcode::Jump, top);
    const uint32_t end = getOffset();
    patchJump(toEnd, end);
    emit(gmOpcode::Pop2);
    closeLoop(end, top);
}

void CodeGenerator::genJumpOut(const gmCodeTreeNode* node, bool isBreak) {
    if (current().loops.empty()) {
        fail(node, isBreak ? "illegal break statement" : "illegal continue statement");
    }
    const size_t slot = emitJumpSlot(gmOpcode::Jump);
    Loop& loop = current().loops.back();
    (isBreak ? loop.breaks : loop.continues).push_back(slot);
}

void CodeGenerator::closeLoop(uint32_t breakTarget, uint32_t continueTarget) {
    Loop loop = std::move(current().loops.back());
    current().loops.pop_back();
    for (size_t slot : loop.breaks) {
        patchJump(slot, breakTarget);
    }
    for (size_t slot : loop.continues) {
        patchJump(slot, continueTarget);
    }
}

// ============================================================================================
// Expressions
// ============================================================================================

void CodeGenerator::genCondition(const gmCodeTreeNode* node) {
    if (!node) {
        fail(node, "internal error");
    }
    addLine(node->line);
    genValue(node);
}

void CodeGenerator::genValue(const gmCodeTreeNode* node) {
    if (!genExpression(node)) {
        fail(node, "internal error");
    }
}

bool CodeGenerator::genExpression(const gmCodeTreeNode* node) {
    if (!node || node->kind != gmNodeKind::Expression) {
        fail(node, "internal error");
    }
    bool tooDeep = false;
    NestingGuard guard(nesting_, tooDeep);
    if (tooDeep) {
        fail(node, "expression nested too deeply");
    }
    switch (node->subType) {
        case kExprOperation:
            if (node->data == kOpAssign) {
                genAssignment(node);
                return false;
            }
            genOperation(node);
            return true;
        case kExprConstant:
            genConstant(node);
            return true;
        case kExprIdentifier:
            genIdentifierRead(node);
            return true;
        case kExprThis:
            emit(gmOpcode::PushThis);
            return true;
        case kExprCall:
            genCall(node);
            return true;
        case kExprFunction:
            genFunction(node);
            return true;
        case kExprTable:
            genTable(node);
            return true;
        default:
            fail(node, "internal error");
    }
}

const std::string& CodeGenerator::dotName(const gmCodeTreeNode* dot) {
    const gmCodeTreeNode* name = dot->children[1];
    if (!name || !name->isExpression(kExprIdentifier)) {
        fail(dot, "illegal dot operator");
    }
    return name->text;
}

void CodeGenerator::genOperation(const gmCodeTreeNode* node) {
    switch (node->data) {
        case kOpDot:
            genValue(node->children[0]);
            emitName(gmOpcode::GetDot, dotName(node));
            return;
        case kOpUnaryPlus:
        case kOpUnaryMinus:
        case kOpBitInvert:
        case kOpNot: {
            genValue(node->children[0]);
            const gmOpcode ops[] = {gmOpcode::Pos, gmOpcode::Neg, gmOpcode::BitInv, gmOpcode::Not};
            emit(ops[node->data - kOpUnaryPlus]);
            return;
        }
        case kOpIndex:
            genValue(node->children[0]);
            genValue(node->children[1]);
            emit(gmOpcode::GetInd);
            return;
        case kOpTimes:
        case kOpDivide:
        case kOpRem:
        case kOpAdd:
        case kOpMinus:
            genArithmetic(node);
            return;
        case kOpLt:
        case kOpGt:
        case kOpLte:
        case kOpGte:
        case kOpEq:
        case kOpNeq:
            genComparison(node);
            return;
        case kOpAnd:
        case kOpOr:
            genLogical(node);
            return;
        case kOpBitOr:
        case kOpBitXor:
        case kOpBitAnd:
            genBitwise(node);
            return;
        case kOpShiftLeft:
        case kOpShiftRight:
            genShift(node);
            return;
        default:
            fail(node, "unkown operator");
    }
}

void CodeGenerator::genArithmetic(const gmCodeTreeNode* node) {
    gmOpcode op = gmOpcode::Add;
    switch (node->data) {
        case kOpTimes:
            op = gmOpcode::Mul;
            break;
        case kOpDivide:
            op = gmOpcode::Div;
            break;
        case kOpRem:
            op = gmOpcode::Mod;
            break;
        case kOpAdd:
            op = gmOpcode::Add;
            break;
        case kOpMinus:
            op = gmOpcode::Sub;
            break;
        default:
            fail(node, "unkown arithmatic operator");
    }
    genValue(node->children[0]);
    genValue(node->children[1]);
    emit(op);
}

void CodeGenerator::genComparison(const gmCodeTreeNode* node) {
    if (node->data < kOpLt || node->data > kOpNeq) {
        fail(node, "unkown comparison operator");
    }
    const gmOpcode ops[] = {gmOpcode::Lt,  gmOpcode::Gt, gmOpcode::Lte,
                            gmOpcode::Gte, gmOpcode::Eq, gmOpcode::Neq};
    genValue(node->children[0]);
    genValue(node->children[1]);
    emit(ops[node->data - kOpLt]);
}

void CodeGenerator::genBitwise(const gmCodeTreeNode* node) {
    if (node->data < kOpBitOr || node->data > kOpBitAnd) {
        fail(node, "unkown bitwise operator");
    }
    const gmOpcode ops[] = {gmOpcode::BitOr, gmOpcode::BitXor, gmOpcode::BitAnd};
    genValue(node->children[0]);
    genValue(node->children[1]);
    emit(ops[node->data - kOpBitOr]);
}

void CodeGenerator::genShift(const gmCodeTreeNode* node) {
    if (node->data != kOpShiftLeft && node->data != kOpShiftRight) {
        fail(node, "unkown shift operator");
    }
    genValue(node->children[0]);
    genValue(node->children[1]);
    emit(node->data == kOpShiftLeft ? gmOpcode::ShiftLeft : gmOpcode::ShiftRight);
}

// a and b: a; jumpiffalsekeep L; pop; b; L. a or b: a; jumpiftruekeep L; pop; b; L. The result is
// the operand that decided, not a 0/1.
void CodeGenerator::genLogical(const gmCodeTreeNode* node) {
    genValue(node->children[0]);
    const size_t toEnd =
        emitJumpSlot(node->data == kOpAnd ? gmOpcode::JumpIfFalseKeep : gmOpcode::JumpIfTrueKeep);
    emit(gmOpcode::Pop);
    genValue(node->children[1]);
    patchJump(toEnd, getOffset());
}

void CodeGenerator::genConstant(const gmCodeTreeNode* node) {
    switch (node->data) {
        case kConstInt:
            if (node->intValue == 0) {
                emit(gmOpcode::PushFalse);
            } else if (node->intValue == 1) {
                emit(gmOpcode::PushTrue);
            } else {
                emit(gmOpcode::PushInt, static_cast<uint32_t>(node->intValue));
            }
            return;
        case kConstFloat:
            emit(gmOpcode::PushFloat, std::bit_cast<uint32_t>(node->floatValue));
            return;
        case kConstString:
            emit(gmOpcode::PushString, addConstant(gmCompiledConstant::Kind::String, node->text));
            return;
        case kConstNull:
            emit(gmOpcode::PushNull);
            return;
        default:
            fail(node, "unkown constant type");
    }
}

bool CodeGenerator::isMemberIdentifier(const gmCodeTreeNode* node) {
    if (node->flags & kNodeFlagDot) {
        return true;
    }
    const Variable* variable = findVariable(node->text);
    return variable && variable->scope == kScopeMember;
}

// Reading: '.'-prefixed or member -> getthismember; local -> getlocal; global or undeclared -> getglobal.
void CodeGenerator::genIdentifierRead(const gmCodeTreeNode* node) {
    if (isMemberIdentifier(node)) {
        emitName(gmOpcode::GetThisMember, node->text);
        return;
    }
    const Variable* variable = findVariable(node->text);
    if (variable && variable->scope == kScopeLocal) {
        emit(gmOpcode::GetLocal, static_cast<uint32_t>(variable->slot));
    } else {
        emitName(gmOpcode::GetGlobal, node->text);
    }
}

// Storing the top value: '.'-prefixed or member -> setthismember; local -> setlocal; global ->
// setglobal; undeclared -> the name becomes a new local of this function.
void CodeGenerator::genIdentifierWrite(const gmCodeTreeNode* node) {
    if (isMemberIdentifier(node)) {
        emitName(gmOpcode::SetThisMember, node->text);
        return;
    }
    const Variable* variable = findVariable(node->text);
    if (variable && variable->scope == kScopeGlobal) {
        emitName(gmOpcode::SetGlobal, node->text);
        return;
    }
    const int slot = variable ? variable->slot : declareLocal(node->text, node);
    emit(gmOpcode::SetLocal, static_cast<uint32_t>(slot));
}

// a.b = v: a; v; setdot b. a[i] = v: a; i; v; setind. name = v: v; store. Leaves nothing.
void CodeGenerator::genAssignment(const gmCodeTreeNode* node) {
    const gmCodeTreeNode* target = node->children[0];
    const gmCodeTreeNode* value = node->children[1];
    if (!target || !value) {
        fail(node, "internal error");
    }
    if (target->isOperation(kOpDot)) {
        const std::string& name = dotName(target);
        genValue(target->children[0]);
        genValue(value);
        emitName(gmOpcode::SetDot, name);
    } else if (target->isOperation(kOpIndex)) {
        genValue(target->children[0]);
        genValue(target->children[1]);
        genValue(value);
        emit(gmOpcode::SetInd);
    } else if (target->isExpression(kExprIdentifier)) {
        genValue(value);
        genIdentifierWrite(target);
    } else {
        fail(node, "illegal l-value for '=' operator");
    }
}

// f(args): this, the function, the arguments, call n. The this slot: a for a.f(...); the explicit
// object for a:f(...) (f itself resolved as a plain identifier); this for '.'-prefixed or member
// callees; null otherwise.
void CodeGenerator::genCall(const gmCodeTreeNode* node) {
    const gmCodeTreeNode* callee = node->children[0];
    const gmCodeTreeNode* explicitThis = node->children[2];
    if (!callee) {
        fail(node, "internal error");
    }
    if (explicitThis) {
        genValue(explicitThis);
        genValue(callee);
    } else if (callee->isOperation(kOpDot)) {
        const std::string& name = dotName(callee);
        genValue(callee->children[0]);
        emit(gmOpcode::Dup);
        emitName(gmOpcode::GetDot, name);
    } else {
        const bool isMember = callee->isExpression(kExprIdentifier) && isMemberIdentifier(callee);
        emit(isMember ? gmOpcode::PushThis : gmOpcode::PushNull);
        genValue(callee);
    }
    uint32_t count = 0;
    for (const gmCodeTreeNode* argument = node->children[1]; argument; argument = argument->next) {
        genValue(argument);
        ++count;
    }
    emit(gmOpcode::Call, count);
}

// newtable, then per field: dup; positional: pushint index, value, setind (indexes count the
// positional fields only); named: value, setdot name.
void CodeGenerator::genTable(const gmCodeTreeNode* node) {
    emit(gmOpcode::NewTable);
    int32_t index = 0;
    // The table's own name: what it is assigned to, or, returned from a named function (a type
    // function such as Ship), that function's name.
    std::string tableName = assignedName(node);
    if (tableName.empty() && node->parent && node->parent->isStatement(kStmtReturn))
        tableName = current().debugName;
    for (const gmCodeTreeNode* field = node->children[0]; field; field = field->next) {
        emit(gmOpcode::Dup);
        if (field->isOperation(kOpAssignField)) {
            const gmCodeTreeNode* name = field->children[0];
            if (!name || !name->isExpression(kExprIdentifier)) {
                fail(field, "internal error");
            }
            const std::string savedName = std::move(fieldName_);
            const gmCodeTreeNode* savedValue = fieldValue_;
            fieldName_ = tableName.empty() ? std::string(name->text) : tableName + "." + name->text;
            fieldValue_ = field->children[1];
            genValue(field->children[1]);
            fieldName_ = savedName;
            fieldValue_ = savedValue;
            emitName(gmOpcode::SetDot, name->text);
        } else {
            emit(gmOpcode::PushInt, static_cast<uint32_t>(index++));
            genValue(field);
            emit(gmOpcode::SetInd);
        }
    }
}

}  // namespace

int gmCompile(const gmCodeTree& tree, gmCompileHooks& hooks, gmCompileLog& log,
              const gmCompileOptions& options) {
    const bool collectionWasEnabled = hooks.setCollectionEnabled(false);
    int errors = 0;
    {
        CodeGenerator generator(hooks, log, options);
        try {
            generator.compileRoot(tree.getRoot());
            for (gmCompiledFunction& function : generator.getFinished()) {
                hooks.addFunction(std::move(function));
            }
        } catch (const CompileError&) {
            errors = 1;
        }
    }
    hooks.setCollectionEnabled(collectionWasEnabled);
    return errors;
}

int gmCompileText(const char* text, gmCompileHooks& hooks, gmCompileLog& log,
                  const gmCompileOptions& options) {
    gmCodeTree tree;
    if (gmParse(text, tree, log) != 0) {
        return 1;
    }
    return gmCompile(tree, hooks, log, options);
}
