// The bridge between an engine object and its script: the object forwards its virtual callbacks
// to the functions of a script table. Mixed into the script-backed process, entity, particle and
// sequencer action classes beside their engine base.
//
// A script type is a file (Enemies/Ship.gm) that defines a global function of the type's name
// (Enemies_Ship); the function gets the new engine object and returns the table whose function
// members are the callbacks and whose other members are the object's data. Inside a callback
// `this` is that table.
#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "Engine/MethodArgument.h"
#include "Engine/RealPoint.h"
#include "Engine/ScriptHost/ScriptValues.h"

class Entity;
class GmScriptModule;

class GmScriptBaseObject {
  public:
    // One argument of a script method call.
    struct Argument {
        enum Kind { kFloat, kInt, kEntity, kPoint } kind;
        float floatValue = 0.0f;
        int32_t intValue = 0;
        Entity* entity = nullptr;
        RealPoint point;  // passed as a new REALPOINT
        static Argument of(float f) { return {kFloat, f, 0, nullptr, {}}; }
        static Argument of(int32_t i) { return {kInt, 0.0f, i, nullptr, {}}; }
        static Argument of(Entity* e) { return {kEntity, 0.0f, 0, e, {}}; }
        static Argument of(const RealPoint& p) { return {kPoint, 0.0f, 0, nullptr, p}; }
    };

    // How a call went.
    struct CallResult {
        bool finished = false;  // ran to its end now (did not sleep, yield or block)
        gmValue value;          // its return value when it finished
    };

    // Derived constructors call buildScriptTable last, once their object is complete.
    GmScriptBaseObject(const std::string& typeName, ScriptType type, GmScriptModule* module);
    // A sequencer action: no file, no type function.
    GmScriptBaseObject(ScriptType type, GmScriptModule* module);
    virtual ~GmScriptBaseObject();

    GmScriptBaseObject(const GmScriptBaseObject&) = delete;
    GmScriptBaseObject& operator=(const GmScriptBaseObject&) = delete;

    // Loads the script (when needed), calls the type function and keeps its table; on a rebuild
    // (reload) the functions of the new table replace the old ones and the data stays. Then
    // re-enables every method and calls `constructor`.
    void buildScriptTable();
    // Loads the file again ([force]) and rebuilds.
    void reloadScript(bool force);

    // Calls the table's function [name] (a string literal: its interned name is kept by address)
    // with `this` = the table. False when the object has no
    // table, no such function, or the method is disabled after an error; true when it was called,
    // whatever its outcome. A call that ends with script errors reports them and disables the
    // method for this object.
    bool callScriptMethod(const char* name, std::initializer_list<Argument> arguments = {},
                          CallResult* result = nullptr);
    // Class::callMethod for script-backed objects.
    bool callScriptMethodWithArguments(const std::string& name, const std::vector<MethodArgument>& arguments,
                                       MethodArgument* result);

    // False only when calling [name] (the literal given to callScriptMethod) is known to do
    // nothing: the table was seen to lack it and has not changed shape since. Looks nothing up.
    bool mayHaveScriptMethod(const char* name) const { return table_ != nullptr && !isKnownAbsent(name); }

    gmTable* getTable() const { return table_; }
    const std::string& getScriptFileName() const { return fileName_; }
    bool isMethodDisabled(const std::string& name) const { return failedMethods_.count(name) != 0; }

  protected:
    // The script value of the engine object (called with the machine ready to allocate).
    virtual gmValue makeOwnerValue() = 0;
    GmScriptModule* module_;

  private:
    // Finds the table's function [name] for a call. [key]: the interned [name], or null to look it
    // up by text.
    bool beginCall(const char* name, gmString* key, gmValue& function);
    // True when the callback literal [name] was found absent from the table and the table has kept
    // its shape since, so the look-up would miss again.
    bool isKnownAbsent(const char* name) const;
    void noteAbsent(const char* name);
    void finishCall(const char* name, gmScriptThread* thread, int32_t argCount, int32_t firstEntry,
                    CallResult* result);

    std::string fileName_;
    ScriptType type_;
    gmTable* table_ = nullptr;
    std::set<std::string, std::less<>> failedMethods_;
    // Callback literals (by address) absent from the table at its shape version absentVersion_:
    // most objects lack most callbacks, and every contact or key event asks each of them. A key
    // added or removed changes the version and empties the list.
    static constexpr int kAbsentSlots = 8;
    std::array<const char*, kAbsentSlots> absent_{};
    uint32_t absentVersion_ = 0;
    uint8_t absentCount_ = 0;
    uint8_t absentNext_ = 0;  // the slot a full list overwrites next
    // Cleared by the destructor: a call that outlives its object (a script that deleted it) must
    // not touch it afterwards.
    std::shared_ptr<bool> alive_ = std::make_shared<bool>(true);
};
