#include "script/gmArgs.h"

#include "script/gmScriptMachine.h"

namespace {
bool fail(gmScriptThread* thread, const char* kind, int32_t index) {
    thread->getMachine().getErrorLog().logf("expecting param %d as %s", index, kind);
    return false;
}
}  // namespace

bool gmCheckParamCount(gmScriptThread* thread, int32_t count) {
    if (thread->getNumParams() >= count)
        return true;
    thread->getMachine().getErrorLog().logf("expecting %d param(s)", count);
    return false;
}

bool gmIntParam(gmScriptThread* thread, int32_t index, int32_t& out) {
    const gmValue value = thread->getParam(index);
    if (!value.isInt())
        return fail(thread, "int", index);
    out = value.getInt();
    return true;
}

bool gmBoolParam(gmScriptThread* thread, int32_t index, bool& out) {
    const gmValue value = thread->getParam(index);
    if (!value.isInt())
        return fail(thread, "bool", index);
    out = value.getInt() != 0;
    return true;
}

bool gmFloatParam(gmScriptThread* thread, int32_t index, float& out) {
    const gmValue value = thread->getParam(index);
    if (!value.isFloat())
        return fail(thread, "float", index);
    out = value.getFloat();
    return true;
}

bool gmFloatOrIntParam(gmScriptThread* thread, int32_t index, float& out) {
    const gmValue value = thread->getParam(index);
    if (value.isFloat()) {
        out = value.getFloat();
        return true;
    }
    if (value.isInt()) {
        out = static_cast<float>(value.getInt());
        return true;
    }
    return fail(thread, "float or int", index);
}

bool gmStringParam(gmScriptThread* thread, int32_t index, const char*& out) {
    const gmValue value = thread->getParam(index);
    if (!value.isString())
        return fail(thread, "string", index);
    out = value.getString()->getText();
    return true;
}

bool gmTableParam(gmScriptThread* thread, int32_t index, gmTable*& out) {
    const gmValue value = thread->getParam(index);
    if (!value.isTable())
        return fail(thread, "table", index);
    out = value.getTable();
    return true;
}

bool gmFunctionParam(gmScriptThread* thread, int32_t index, gmFunction*& out) {
    const gmValue value = thread->getParam(index);
    if (!value.isFunction())
        return fail(thread, "function", index);
    out = value.getFunction();
    return true;
}

bool gmUserTypeParam(gmScriptThread* thread, int32_t index, int32_t typeId, gmHostObject*& out) {
    const gmValue value = thread->getParam(index);
    if (value.getType() != typeId || typeId < kGmFirstUserType) {
        thread->getMachine().getErrorLog().logf("expecting param %d as user type %d", index, typeId);
        return false;
    }
    out = value.getHostObject();
    return true;
}
