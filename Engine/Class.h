// Innermost base of every engine object: the chain of type names and named-method calls.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "Engine/MethodArgument.h"
#include "Engine/ScriptHandleSlot.h"

class Class {
  public:
    Class();
    virtual ~Class();

    Class(const Class&) = delete;
    Class& operator=(const Class&) = delete;

    // True when [name] is one of the type names appended by the constructors of this object's classes.
    bool isType(std::string_view name) const;
    const std::vector<const char*>& getTypeNames() const { return typeNames_; }

    // Calls the named method; false means "not handled". Script-backed objects override this.
    virtual bool callMethod(const std::string& name, const std::vector<MethodArgument>& arguments,
                            MethodArgument& result);

    // The script value standing for this object; cleared when the object is destroyed, after the
    // destructors of the derived classes have run (a script entity is still reachable from its
    // own destructor method).
    ScriptHandleSlot& getScriptHandleSlot() { return scriptHandle_; }

  protected:
    // Each class appends its own name in its constructor; names must be string literals.
    void addTypeName(const char* name) { typeNames_.push_back(name); }

  private:
    std::vector<const char*> typeNames_;
    ScriptHandleSlot scriptHandle_;
};
