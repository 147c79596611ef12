// The events a script process and a script entity forward to their script table alike: the
// entity and key events, alarms and callMethod. [Base] is the engine class (Process or Entity).
#pragma once

#include <string>
#include <utility>
#include <vector>

#include "Engine/ScriptHost/GmScriptBaseObject.h"

class Entity;

template <class Base>
class GmScriptEventForwarder : public Base, public GmScriptBaseObject {
  public:
    // [arguments] construct the engine class; the script table is built by the derived class.
    template <class... BaseArguments>
    GmScriptEventForwarder(const std::string& typeName, ScriptType type, GmScriptModule* module,
                           BaseArguments&&... arguments)
        : Base(std::forward<BaseArguments>(arguments)...), GmScriptBaseObject(typeName, type, module) {}

    void onEntityDelete(Entity* entity) override {
        callScriptMethod("onEntityDelete", {Argument::of(entity)});
    }
    void onEntityCreate(Entity* entity) override {
        callScriptMethod("onEntityCreate", {Argument::of(entity)});
    }
    void onEntityExplode(Entity* entity) override {
        callScriptMethod("onEntityExplode", {Argument::of(entity)});
    }
    void onKeyPress(int keyCode) override {
        callScriptMethod("onKeyPress", {Argument::of(int32_t{keyCode})});
    }
    void onKeyRelease(int keyCode) override {
        callScriptMethod("onKeyRelease", {Argument::of(int32_t{keyCode})});
    }
    void onKeyType(int character) override {
        callScriptMethod("onKeyType", {Argument::of(int32_t{character})});
    }
    void onAlarm(int alarmId) override { callScriptMethod("onAlarm", {Argument::of(int32_t{alarmId})}); }

    bool callMethod(const std::string& name, const std::vector<MethodArgument>& arguments,
                    MethodArgument& result) override {
        return callScriptMethodWithArguments(name, arguments, &result);
    }
};
