// The code tree the parser builds and the code generator walks. Nodes live in the tree's arena
// and are released together when the tree is reset or destroyed.
#pragma once

#include <cstdint>
#include <deque>
#include <string>

enum class gmNodeKind : uint8_t { None = 0, Declaration = 1, Statement = 2, Expression = 3 };

enum gmDeclarationType : int { kDeclParameter = 0, kDeclVariable = 1 };

// Variable scopes, the data of a kDeclVariable node.
enum gmVariableScope : int { kScopeLocal = 0, kScopeGlobal = 1, kScopeMember = 2 };

enum gmStatementType : int {
    kStmtReturn = 1,  // child 0: value or none
    kStmtBreak = 2,
    kStmtContinue = 3,
    kStmtFor = 4,       // children: initialiser, condition, increment, body (any may be none)
    kStmtForeach = 5,   // children: table expression, value name, key name or none, body
    kStmtWhile = 6,     // children: condition, body
    kStmtDoWhile = 7,   // children: condition, body
    kStmtIf = 8,        // children: condition, then-body, else part or none
    kStmtCompound = 9,  // child 0: statement list or none
};

enum gmExpressionType : int {
    kExprOperation = 1,   // data: operation code; children: operands
    kExprConstant = 2,    // data: constant type
    kExprIdentifier = 3,  // text: the name
    kExprThis = 4,
    kExprCall = 5,      // children: callee, argument list, explicit this (a:f(...))
    kExprFunction = 6,  // children: parameter list, body
    kExprTable = 7,     // child 0: field list
};

// Operation codes, the data of a kExprOperation node.
enum gmOperationCode : int {
    kOpDot = 1,
    kOpUnaryPlus = 2,
    kOpUnaryMinus = 3,
    kOpBitInvert = 4,
    kOpNot = 5,
    kOpIndex = 6,
    kOpTimes = 7,
    kOpDivide = 8,
    kOpRem = 9,
    kOpAdd = 10,
    kOpMinus = 11,
    kOpLt = 12,
    kOpGt = 13,
    kOpLte = 14,
    kOpGte = 15,
    kOpEq = 16,
    kOpNeq = 17,
    kOpAnd = 18,
    kOpOr = 19,
    kOpBitOr = 20,
    kOpBitXor = 21,
    kOpBitAnd = 22,
    kOpShiftLeft = 23,
    kOpShiftRight = 24,
    kOpAssign = 25,
    kOpAssignField = 26,  // name = value inside a table constructor
};

// Constant types, the data of a kExprConstant node.
enum gmConstantType : int { kConstInt = 1, kConstFloat = 2, kConstString = 3, kConstNull = 4 };

constexpr unsigned kNodeFlagDiscard = 1u << 0;  // expression used as a statement: drop its value
constexpr unsigned kNodeFlagDot = 1u << 1;      // identifier written with a leading '.': member of this

struct gmCodeTreeNode {
    static constexpr int kMaxChildren = 4;

    gmNodeKind kind = gmNodeKind::None;
    int subType = 0;
    int data = 0;
    unsigned flags = 0;
    gmCodeTreeNode* children[kMaxChildren] = {};
    gmCodeTreeNode* next = nullptr;      // next sibling in statement, argument, field and parameter lists
    gmCodeTreeNode* parent = nullptr;    // set for children, not for list siblings after the first
    gmCodeTreeNode* listTail = nullptr;  // on a list's first node while the parser builds the list
    int line = 0;
    // Constant payload: int, float or string text; identifiers keep their name in [text].
    int32_t intValue = 0;
    float floatValue = 0.0f;
    std::string text;

    bool isExpression(int type) const { return kind == gmNodeKind::Expression && subType == type; }
    bool isStatement(int type) const { return kind == gmNodeKind::Statement && subType == type; }
    bool isOperation(int code) const { return isExpression(kExprOperation) && data == code; }
    bool isNumericConstant() const {
        return isExpression(kExprConstant) && (data == kConstInt || data == kConstFloat);
    }
};

// Owns the nodes of one parse. The factory functions stamp every node with [line]; the operation
// factories fold constant operands at once (see createOperation).
class gmCodeTree {
  public:
    gmCodeTree() = default;
    gmCodeTree(const gmCodeTree&) = delete;
    gmCodeTree& operator=(const gmCodeTree&) = delete;

    void reset();
    // The statement list of the program, or null for an empty or failed parse.
    gmCodeTreeNode* getRoot() const { return root_; }
    void setRoot(gmCodeTreeNode* root) { root_ = root; }
    size_t getNodeCount() const { return nodes_.size(); }

    gmCodeTreeNode* createNode(gmNodeKind kind, int subType, int line);
    // Makes [child] the child [index] of [node] (ignored when [child] is null).
    static void setChild(gmCodeTreeNode* node, int index, gmCodeTreeNode* child);
    // Appends [item] to the list that starts at [list]; returns the list's first node.
    static gmCodeTreeNode* appendToList(gmCodeTreeNode* list, gmCodeTreeNode* item);

    gmCodeTreeNode* createIntConstant(int32_t value, int line);
    gmCodeTreeNode* createFloatConstant(float value, int line);
    gmCodeTreeNode* createStringConstant(std::string text, int line);
    gmCodeTreeNode* createNullConstant(int line);
    gmCodeTreeNode* createIdentifier(std::string name, int line);

    // Builds the operation [code] on [left] and optional [right]. When the operands are int or float
    // constants and the operation folds (unary + - on numbers, ~ ! on ints; * / % + - on numbers with
    // ints wrapping at 32 bits and mixed operands computed as floats; | ^ & << >> on ints with shift
    // counts modulo 32), the result is one constant node instead. Int division or remainder by a
    // constant 0 and float division by 0.0 fold to 0. Comparisons, and, or are never folded.
    gmCodeTreeNode* createOperation(int code, gmCodeTreeNode* left, gmCodeTreeNode* right, int line);

  private:
    gmCodeTreeNode* fold(int code, const gmCodeTreeNode* left, const gmCodeTreeNode* right, int line);

    std::deque<gmCodeTreeNode> nodes_;  // a deque keeps node addresses stable as it grows
    gmCodeTreeNode* root_ = nullptr;
};
