// PRINTINFO: a record a script hands to Video.print, which fills in the area the text takes.
#include <cstring>

#include "Engine/ScriptAPI/PrintInfoValue.h"
#include "Engine/ScriptAPI/ScriptTypes.h"

namespace {
int constructPrintInfo(gmScriptThread* thread) {
    thread->push(gmValue::makeHostObject(
        thread->getMachine().newHostObject(new ScriptPrintInfo(), scriptTypeId(ScriptType::PRINTINFO))));
    return kDone;
}

ScriptPrintInfo& infoOf(const gmValue& value) {
    return *static_cast<ScriptPrintInfo*>(value.getHostObject()->getHostPointer());
}

float* fieldOf(ScriptPrintInfo& info, const char* member) {
    if (std::strcmp(member, "left") == 0)
        return &info.left;
    if (std::strcmp(member, "right") == 0)
        return &info.right;
    if (std::strcmp(member, "top") == 0)
        return &info.top;
    if (std::strcmp(member, "bottom") == 0)
        return &info.bottom;
    return nullptr;
}

gmOperatorStatus getDot(gmScriptMachine&, gmScriptThread*, gmValue* operands) {
    ScriptPrintInfo& info = infoOf(operands[0]);
    const char* member = operands[1].isString() ? operands[1].getString()->getText() : "";
    if (std::strcmp(member, "shouldDraw") == 0) {
        operands[0] = gmValue::makeInt(info.shouldDraw ? 1 : 0);
    } else if (float* field = fieldOf(info, member)) {
        operands[0] = gmValue::makeFloat(*field);
    } else {
        operands[0] = gmValue();
    }
    return gmOperatorStatus::kOk;
}

gmOperatorStatus setDot(gmScriptMachine& machine, gmScriptThread*, gmValue* operands) {
    ScriptPrintInfo& info = infoOf(operands[0]);
    const char* member = operands[2].isString() ? operands[2].getString()->getText() : "";
    const bool isDraw = std::strcmp(member, "shouldDraw") == 0;
    float* field = fieldOf(info, member);
    if (!isDraw && field == nullptr)
        return gmOperatorStatus::kOk;
    float value = 0.0f;
    if (operands[1].isFloat()) {
        value = operands[1].getFloat();
    } else if (operands[1].isInt()) {
        value = static_cast<float>(operands[1].getInt());
    } else {
        machine.getErrorLog().logf("\"PRINTINFO.%s\" expecting float or int", member);
    }
    if (isDraw) {
        info.shouldDraw = value != 0.0f;
    } else {
        *field = value;
    }
    return gmOperatorStatus::kOk;
}

void destructPrintInfo(gmScriptMachine&, gmHostObject* object) {
    delete static_cast<ScriptPrintInfo*>(object->getHostPointer());
}

constexpr ScriptOperator kOperators[] = {
    {kGmOpGetDot, getDot},
    {kGmOpSetDot, setDot},
};

constexpr ScriptFunction kConstructors[] = {
    {"PRINTINFO", constructPrintInfo,
     "() -> new PRINTINFO with shouldDraw 0 (print only measures) and the area 0",
     "A new record to pass to Video.print, which fills left, right, top and bottom with the printed text's "
     "area; set shouldDraw to 1 to draw as well as measure."},
};
}  // namespace

const ScriptTypeTable kPrintInfoType{
    .type = ScriptType::PRINTINFO,
    .name = "PRINTINFO",
    .operators = kOperators,
    .constructors = kConstructors,
    .trace = traceOneUnit,
    .destruct = destructPrintInfo,
    .operatorForms =
        "members shouldDraw (bool; 0: Video.print only measures), left, right, top, bottom (float), read and "
        "write; Video.print fills them with the area of the printed text"};
