#include "tools/ScriptCheckerNames.h"

#include "Engine/ScriptAPI/ScriptRegistry.h"
#include "script/gmLibrary.h"

namespace {
// Entries that share a name are forms of one function: their counts add up.
void addForms(std::map<std::string, std::string>& functions, const ScriptMethod& entry) {
    const std::string forms = entry.forms != nullptr ? entry.forms : "";
    auto [found, added] = functions.try_emplace(entry.name, forms);
    if (!added)
        found->second = found->second.empty() || forms.empty() ? "" : found->second + " or " + forms;
}
}  // namespace

ScriptEngineNames scriptEngineNames() {
    ScriptEngineNames names;
    for (int32_t i = 0; i < gmStandardLibraryCount(); ++i) names.names.insert(gmStandardLibraryName(i));
    for (const ScriptConstant& constant : scriptConstants()) names.names.insert(constant.name);
    for (const ScriptFunction& function : scriptGlobalFunctions()) addForms(names.functions, function);
    for (const ScriptTypeTable* table : scriptTypeTables()) {
        for (const ScriptFunction& constructor : table->constructors) addForms(names.functions, constructor);
    }
    for (const ScriptGlobalObject& object : scriptGlobalObjects()) {
        auto& methods = names.objects[object.name];
        for (const ScriptMethod& method : scriptTypeTables()[static_cast<size_t>(object.type)]->methods)
            addForms(methods, method);
    }
    // The engine's own processes (defaults/), used when a game has no script of that name.
    names.defaultScripts = {"ConsoleProcess.gm", "PauseProcess.gm", "ColourEditorProcess.gm"};
    return names;
}
