// Code tree nodes and the constant folding done while parsing.
#include "script/gmCodeTree.h"

#include <cmath>
#include <cstdint>

void gmCodeTree::reset() {
    nodes_.clear();
    root_ = nullptr;
}

gmCodeTreeNode* gmCodeTree::createNode(gmNodeKind kind, int subType, int line) {
    gmCodeTreeNode& node = nodes_.emplace_back();
    node.kind = kind;
    node.subType = subType;
    node.line = line;
    return &node;
}

void gmCodeTree::setChild(gmCodeTreeNode* node, int index, gmCodeTreeNode* child) {
    node->children[index] = child;
    if (child) {
        child->parent = node;
    }
}

gmCodeTreeNode* gmCodeTree::appendToList(gmCodeTreeNode* list, gmCodeTreeNode* item) {
    if (!list) {
        return item;
    }
    if (!item) {
        return list;
    }
    // The first node remembers the last one so that long lists are built in linear time.
    gmCodeTreeNode* last = list->listTail ? list->listTail : list;
    while (last->next) {
        last = last->next;
    }
    last->next = item;
    while (last->next) {
        last = last->next;
    }
    list->listTail = last;
    return list;
}

gmCodeTreeNode* gmCodeTree::createIntConstant(int32_t value, int line) {
    gmCodeTreeNode* node = createNode(gmNodeKind::Expression, kExprConstant, line);
    node->data = kConstInt;
    node->intValue = value;
    return node;
}

gmCodeTreeNode* gmCodeTree::createFloatConstant(float value, int line) {
    gmCodeTreeNode* node = createNode(gmNodeKind::Expression, kExprConstant, line);
    node->data = kConstFloat;
    node->floatValue = value;
    return node;
}

gmCodeTreeNode* gmCodeTree::createStringConstant(std::string text, int line) {
    gmCodeTreeNode* node = createNode(gmNodeKind::Expression, kExprConstant, line);
    node->data = kConstString;
    node->text = std::move(text);
    return node;
}

gmCodeTreeNode* gmCodeTree::createNullConstant(int line) {
    gmCodeTreeNode* node = createNode(gmNodeKind::Expression, kExprConstant, line);
    node->data = kConstNull;
    return node;
}

gmCodeTreeNode* gmCodeTree::createIdentifier(std::string name, int line) {
    gmCodeTreeNode* node = createNode(gmNodeKind::Expression, kExprIdentifier, line);
    node->text = std::move(name);
    return node;
}

gmCodeTreeNode* gmCodeTree::createOperation(int code, gmCodeTreeNode* left, gmCodeTreeNode* right, int line) {
    if (left && left->isNumericConstant() && (!right || right->isNumericConstant())) {
        if (gmCodeTreeNode* folded = fold(code, left, right, line)) {
            return folded;
        }
    }
    gmCodeTreeNode* node = createNode(gmNodeKind::Expression, kExprOperation, line);
    node->data = code;
    setChild(node, 0, left);
    setChild(node, 1, right);
    return node;
}

namespace {

// Int arithmetic wraps at 32 bits, so it is done on unsigned values to stay defined.
int32_t wrap(uint32_t value) {
    return static_cast<int32_t>(value);
}

}  // namespace

// Returns the folded constant, or null when [code] does not fold for these operand types.
gmCodeTreeNode* gmCodeTree::fold(int code, const gmCodeTreeNode* left, const gmCodeTreeNode* right,
                                 int line) {
    const bool leftInt = left->data == kConstInt;
    if (!right) {
        switch (code) {
            case kOpUnaryPlus:
                return leftInt ? createIntConstant(left->intValue, line)
                               : createFloatConstant(left->floatValue, line);
            case kOpUnaryMinus:
                return leftInt ? createIntConstant(wrap(0u - static_cast<uint32_t>(left->intValue)), line)
                               : createFloatConstant(-left->floatValue, line);
            case kOpBitInvert:
                return leftInt ? createIntConstant(~left->intValue, line) : nullptr;
            case kOpNot:
                return leftInt ? createIntConstant(left->intValue == 0 ? 1 : 0, line) : nullptr;
            default:
                return nullptr;
        }
    }

    const bool bothInt = leftInt && right->data == kConstInt;
    if (bothInt) {
        const int32_t a = left->intValue;
        const int32_t b = right->intValue;
        const uint32_t ua = static_cast<uint32_t>(a);
        const uint32_t ub = static_cast<uint32_t>(b);
        switch (code) {
            case kOpTimes:
                return createIntConstant(wrap(ua * ub), line);
            case kOpDivide:
                // INT_MIN / -1 overflows; it wraps to INT_MIN like the other int arithmetic.
                if (b == 0) {
                    return createIntConstant(0, line);
                }
                return createIntConstant(b == -1 ? wrap(0u - ua) : a / b, line);
            case kOpRem:
                return createIntConstant((b == 0 || b == -1) ? 0 : a % b, line);
            case kOpAdd:
                return createIntConstant(wrap(ua + ub), line);
            case kOpMinus:
                return createIntConstant(wrap(ua - ub), line);
            case kOpBitOr:
                return createIntConstant(a | b, line);
            case kOpBitXor:
                return createIntConstant(a ^ b, line);
            case kOpBitAnd:
                return createIntConstant(a & b, line);
            case kOpShiftLeft:
                return createIntConstant(wrap(ua << (ub & 31u)), line);
            case kOpShiftRight:
                // Arithmetic shift, written so that it does not rely on signed right shift.
                return createIntConstant(a >= 0 ? wrap(ua >> (ub & 31u)) : ~wrap(~ua >> (ub & 31u)), line);
            default:
                return nullptr;
        }
    }

    // At least one float: the arithmetic operations fold as floats, the bitwise ones not at all.
    const float a = leftInt ? static_cast<float>(left->intValue) : left->floatValue;
    const float b = right->data == kConstInt ? static_cast<float>(right->intValue) : right->floatValue;
    switch (code) {
        case kOpTimes:
            return createFloatConstant(a * b, line);
        case kOpDivide:
            return createFloatConstant(b == 0.0f ? 0.0f : a / b, line);
        case kOpRem:
            return createFloatConstant(
                static_cast<float>(std::fmod(static_cast<double>(a), static_cast<double>(b))), line);
        case kOpAdd:
            return createFloatConstant(a + b, line);
        case kOpMinus:
            return createFloatConstant(a - b, line);
        default:
            return nullptr;
    }
}
