// REALPOINT: a 2D vector owned by the script, with x/y members, arithmetic operators and the
// vector methods of the engine's RealPoint.
#include <cstring>

#include "Engine/GameSystem.h"
#include "Engine/RandomGenerator.h"
#include "Engine/RealPoint.h"
#include "Engine/ScriptAPI/ScriptTypes.h"

namespace {
bool isPoint(const gmValue& value) {
    return value.getType() == scriptTypeId(ScriptType::REALPOINT);
}

// `this` as a point; false (logged) when `this` is not a point, or an alias whose owner is gone.
bool loadSelf(gmScriptThread* thread, RealPoint& out) {
    const gmValue& self = thread->getThis();
    if (!isPoint(self)) {
        scriptSelf(thread);  // logs "<type> no longer exists" as for any method
        return false;
    }
    return loadPoint(thread->getMachine(), self.getHostObject(), out);
}

// Reads `this`, lets [change] change it, and writes it back (to the aliased point for an alias).
template <class Change>
int changeSelf(gmScriptThread* thread, Change change) {
    RealPoint p;
    if (!loadSelf(thread, p))
        return kRunTimeError;
    const int status = change(p);
    if (status != kDone)
        return status;
    return storePoint(thread->getMachine(), thread->getThis().getHostObject(), p) ? kDone : kRunTimeError;
}

int constructPoint(gmScriptThread* thread) {
    const int32_t count = thread->getNumParams();
    if (count == 0)
        return pushPoint(thread, RealPoint());
    if (count == 1) {
        // A copy the script owns, also of an alias.
        RealPoint p;
        if (isPoint(thread->getParam(0)))
            return pointParam(thread, 0, p) ? pushPoint(thread, p) : kRunTimeError;
    } else if (count == 2) {
        float x = 0.0f;
        float y = 0.0f;
        if (!gmFloatOrIntParam(thread, 0, x) || !gmFloatOrIntParam(thread, 1, y))
            return kRunTimeError;
        return pushPoint(thread, RealPoint(x, y));
    }
    return usageError(thread);
}

int makeRandomDir(gmScriptThread* thread) {
    const float angle = RandomGenerator::getProcessGenerator().getRandomReal(0.0f, 2.0f * 3.1415927f);
    return pushPoint(thread, RealPoint(std::cos(angle), std::sin(angle)));
}

// ---- Operators ----

gmOperatorStatus getDot(gmScriptMachine& machine, gmScriptThread*, gmValue* operands) {
    RealPoint p;
    if (!loadPoint(machine, operands[0].getHostObject(), p))
        return gmOperatorStatus::kError;
    const char* member = operands[1].isString() ? operands[1].getString()->getText() : "";
    if (std::strcmp(member, "x") == 0) {
        operands[0] = gmValue::makeFloat(p.x);
    } else if (std::strcmp(member, "y") == 0) {
        operands[0] = gmValue::makeFloat(p.y);
    } else {
        operands[0] = gmValue();
    }
    return gmOperatorStatus::kOk;
}

gmOperatorStatus setDot(gmScriptMachine& machine, gmScriptThread*, gmValue* operands) {
    RealPoint p;
    if (!loadPoint(machine, operands[0].getHostObject(), p))
        return gmOperatorStatus::kError;
    const char* member = operands[2].isString() ? operands[2].getString()->getText() : "";
    float* field = std::strcmp(member, "x") == 0 ? &p.x : std::strcmp(member, "y") == 0 ? &p.y : nullptr;
    if (field == nullptr)
        return gmOperatorStatus::kOk;
    float value = 0.0f;
    if (!numberValue(operands[1], value))
        machine.getErrorLog().logf("\"REALPOINT.%s\" expecting float or int", member);
    *field = value;
    return storePoint(machine, operands[0].getHostObject(), p) ? gmOperatorStatus::kOk
                                                               : gmOperatorStatus::kError;
}

template <char Op>
gmOperatorStatus arithmetic(gmScriptMachine& machine, gmScriptThread*, gmValue* operands) {
    static constexpr char kSymbol[2] = {Op, '\0'};
    if (!isPoint(operands[0])) {
        operands[0] = gmValue();
        return gmOperatorStatus::kOk;
    }
    RealPoint leftPoint;
    if (!loadPoint(machine, operands[0].getHostObject(), leftPoint))
        return gmOperatorStatus::kError;
    const RealPoint* left = &leftPoint;
    RealPoint right;
    float scalar = 0.0f;
    if (numberValue(operands[1], scalar)) {
        right = RealPoint(scalar, scalar);
    } else if (isPoint(operands[1])) {
        if (!loadPoint(machine, operands[1].getHostObject(), right))
            return gmOperatorStatus::kError;
    } else {
        machine.getErrorLog().logf("\"REALPOINT %s\" expecting float, int, or REALPOINT", kSymbol);
        operands[0] = gmValue();
        return gmOperatorStatus::kOk;
    }
    RealPoint result;
    switch (Op) {
        case '+':
            result = RealPoint(left->x + right.x, left->y + right.y);
            break;
        case '-':
            result = RealPoint(left->x - right.x, left->y - right.y);
            break;
        case '*':
            result = RealPoint(left->x * right.x, left->y * right.y);
            break;
        default:
            if (!RealPoint::canDivideBy(right)) {
                machine.getErrorLog().addEntry("\"REALPOINT\" divided by zero");
                operands[0] = gmValue();
                return gmOperatorStatus::kOk;
            }
            result = RealPoint(left->x / right.x, left->y / right.y);
            break;
    }
    operands[0] = newPointValue(machine, result);
    return gmOperatorStatus::kOk;
}

// ---- Methods ----

// The four compound forms: a number applies to both components; a point only to + and -.
template <char Op>
int compound(gmScriptThread* thread) {
    static constexpr char kSymbol[3] = {Op, '=', '\0'};
    if (!gmCheckParamCount(thread, 1))
        return kRunTimeError;
    const gmValue argument = thread->getParam(0);
    float s = 0.0f;
    if (numberValue(argument, s)) {
        if (Op == '/' && !RealPoint::canDivideBy(s))
            return scriptError(thread, "\"REALPOINT\" divided by zero");
        return changeSelf(thread, [s](RealPoint& p) {
            switch (Op) {
                case '+':
                    p.plusEquals(s);
                    break;
                case '-':
                    p.minusEquals(s);
                    break;
                case '*':
                    p.timesEquals(s);
                    break;
                default:
                    p.divideEquals(RealPoint(s, s));
                    break;
            }
            return static_cast<int>(kDone);
        });
    }
    if (isPoint(argument) && (Op == '+' || Op == '-')) {
        RealPoint q;
        if (!pointParam(thread, 0, q))
            return kRunTimeError;
        return changeSelf(thread, [q](RealPoint& p) {
            if (Op == '+')
                p.plusEquals(q);
            if (Op == '-')
                p.minusEquals(q);
            return static_cast<int>(kDone);
        });
    }
    return scriptError(thread, "\"REALPOINT %s\" expecting float, int, or REALPOINT", kSymbol);
}

// A query of `this` that pushes what [query] gives.
template <class Query>
int withSelf(gmScriptThread* thread, Query query) {
    RealPoint p;
    return loadSelf(thread, p) ? query(p) : kRunTimeError;
}

int length(gmScriptThread* thread) {
    return withSelf(thread, [thread](const RealPoint& p) {
        thread->pushFloat(p.length());
        return static_cast<int>(kDone);
    });
}
int normalize(gmScriptThread* thread) {
    return changeSelf(thread, [](RealPoint& p) {
        p.normalize();
        return static_cast<int>(kDone);
    });
}
int isZeroVector(gmScriptThread* thread) {
    return withSelf(thread, [thread](const RealPoint& p) { return pushBool(thread, p.isZeroVector()); });
}
int getNormalized(gmScriptThread* thread) {
    return withSelf(thread, [thread](const RealPoint& p) { return pushPoint(thread, p.getNormalized()); });
}
int getRightNormal(gmScriptThread* thread) {
    return withSelf(thread, [thread](const RealPoint& p) { return pushPoint(thread, p.getRightNormal()); });
}
int getLeftNormal(gmScriptThread* thread) {
    return withSelf(thread, [thread](const RealPoint& p) { return pushPoint(thread, p.getLeftNormal()); });
}

template <float (RealPoint::*Operation)(const RealPoint&) const>
int withPointToFloat(gmScriptThread* thread) {
    RealPoint self;
    RealPoint other;
    if (!loadSelf(thread, self) || !gmCheckParamCount(thread, 1) || !pointParam(thread, 0, other))
        return kRunTimeError;
    thread->pushFloat((self.*Operation)(other));
    return kDone;
}

int vectorProjectOnto(gmScriptThread* thread) {
    RealPoint self;
    RealPoint other;
    if (!loadSelf(thread, self) || !gmCheckParamCount(thread, 1) || !pointParam(thread, 0, other))
        return kRunTimeError;
    return pushPoint(thread, self.vectorProjectOnto(other));
}

constexpr ScriptMethod kMethods[] = {
    {"plusEquals", compound<'+'>, "(n) or (REALPOINT) -> nothing (changes the point)",
     "Adds the number to both components, or the point component by component."},
    {"minusEquals", compound<'-'>, "(n) or (REALPOINT) -> nothing (changes the point)",
     "Subtracts the number from both components, or the point component by component."},
    {"timesEquals", compound<'*'>, "(n) -> nothing (changes the point)",
     "Multiplies both components by the number (a point is refused with \"expecting float, int, or "
     "REALPOINT\")."},
    {"divideEquals", compound<'/'>, "(n) -> nothing (changes the point)",
     "Divides both components by the number; 0 stops the thread with \"REALPOINT\" divided by zero "
     "and leaves the point as it was."},
    {"length", length, "() -> float", "The length sqrt(x² + y²)."},
    {"normalize", normalize, "() -> nothing (changes the point)",
     "Makes the point length 1 in the same direction; (0, 0) stays (0, 0)."},
    {"isZeroVector", isZeroVector, "() -> bool", "True when x and y are both exactly 0 (no tolerance)."},
    {"getNormalized", getNormalized, "() -> new REALPOINT",
     "A copy of length 1 in the same direction; (0, 0) for (0, 0)."},
    {"getRightNormal", getRightNormal, "() -> new REALPOINT",
     "The point turned a quarter turn clockwise: (y, -x), same length."},
    {"getLeftNormal", getLeftNormal, "() -> new REALPOINT",
     "The point turned a quarter turn anticlockwise: (-y, x), same length."},
    {"dot", withPointToFloat<&RealPoint::dot>, "(REALPOINT) -> float", "The dot product x * p.x + y * p.y."},
    {"distance", withPointToFloat<&RealPoint::distance>, "(REALPOINT) -> float",
     "The distance between the two points, in the points' units."},
    {"scalarProjectOnto", withPointToFloat<&RealPoint::scalarProjectOnto>, "(REALPOINT) -> float",
     "The length of this point along the argument's direction (negative when it points away); 0 when the "
     "argument is (0, 0)."},
    {"vectorProjectOnto", vectorProjectOnto, "(REALPOINT) -> new REALPOINT",
     "The part of this point along the argument's direction, as a point; (0, 0) when the argument is (0, "
     "0)."},
};

constexpr ScriptOperator kOperators[] = {
    {kGmOpGetDot, getDot},       {kGmOpSetDot, setDot},       {kGmOpAdd, arithmetic<'+'>},
    {kGmOpSub, arithmetic<'-'>}, {kGmOpMul, arithmetic<'*'>}, {kGmOpDiv, arithmetic<'/'>},
};

constexpr ScriptFunction kConstructors[] = {
    {"REALPOINT", constructPoint, "() or (REALPOINT) or (n x, n y) -> new REALPOINT",
     "A new point: (0, 0), a copy of the point given, or (x, y).",
     "expecting parameters (void) or (REALPOINT) or (float,float)"},
    {"REALPOINT_MakeRandomDir", makeRandomDir, "() -> new REALPOINT, a random unit vector",
     "A new point of length 1 at a random angle in [0, TWOPI), from the process-wide random generator."},
};

}  // namespace

const ScriptTypeTable kRealPointType{
    .type = ScriptType::REALPOINT,
    .name = "REALPOINT",
    .methods = kMethods,
    .operators = kOperators,
    .constructors = kConstructors,
    .trace = tracePoint,
    .destruct = destructPoint,
    .operatorForms =
        "members x, y: float, read and write (an int is converted); p + v, p - v, p * v, p / v with v an n "
        "or a "
        "REALPOINT (component by component) -> new REALPOINT, with the REALPOINT on the left"};
