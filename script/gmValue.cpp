#include "script/gmValue.h"

#include <cstring>

namespace {
// By operator id; also the names typeRegisterOperator accepts.
constexpr const char* kOperatorNames[kGmOpCount] = {
    "getdot", "setdot", "getind", "setind",    "add",        "sub",    "mul", "div", "mod",
    "bitor",  "bitxor", "bitand", "shiftleft", "shiftright", "bitinv", "lt",  "gt",  "lte",
    "gte",    "eq",     "neq",    "neg",       "pos",        "not",    "bool"};
}  // namespace

const char* gmOperatorName(int32_t operatorId) {
    return operatorId >= 0 && operatorId < kGmOpCount ? kOperatorNames[operatorId] : "undefined";
}

int32_t gmOperatorIdFromName(const char* name) {
    if (name == nullptr)
        return kGmOpUndefined;
    for (int32_t id = 0; id < kGmOpCount; ++id) {
        if (std::strcmp(kOperatorNames[id], name) == 0)
            return id;
    }
    return kGmOpUndefined;
}
