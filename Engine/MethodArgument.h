// The argument and result record of Class::callMethod.
#pragma once

#include <cstdint>
#include <string>

class Entity;
class Process;
class Sequencer;

struct MethodArgument {
    enum Kind : int {
        kBool = 0,
        kInt = 1,
        kFloat = 2,
        kEntity = 3,
        kPoint = 4,
        kProcess = 5,
        kSequencer = 6,
        kText = 7,
        kNone = 8,
    };

    Kind kind = kNone;
    union {
        int32_t intValue;  // kBool (0 or 1) and kInt
        float floatValue;
        Entity* entity;
        Process* process;
        Sequencer* sequencer;
    };
    struct {
        float x = 0.0f;
        float y = 0.0f;
    } point;
    std::string text;

    MethodArgument() : entity(nullptr) {}

    static MethodArgument fromBool(bool b) {
        MethodArgument a;
        a.kind = kBool;
        a.entity = nullptr;
        a.intValue = b ? 1 : 0;
        return a;
    }
    static MethodArgument fromInt(int32_t i) {
        MethodArgument a;
        a.kind = kInt;
        a.entity = nullptr;
        a.intValue = i;
        return a;
    }
    static MethodArgument fromFloat(float f) {
        MethodArgument a;
        a.kind = kFloat;
        a.entity = nullptr;
        a.floatValue = f;
        return a;
    }
    static MethodArgument fromText(std::string s) {
        MethodArgument a;
        a.kind = kText;
        a.text = std::move(s);
        return a;
    }
};
