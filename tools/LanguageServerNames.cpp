// The language server's engine names, from the binding tables that also write docs/api.md, and
// the `tact-script lsp` command.
#include <unistd.h>

#include <algorithm>
#include <cstdio>

#include "Engine/ScriptAPI/ScriptRegistry.h"
#include "script/gmLibrary.h"
#include "tools/LanguageServer.h"
#include "tools/ScriptCheckerNames.h"

namespace {

// Entries of one name are forms of one function: shown as one name with its forms joined.
void addEntry(std::vector<EngineName>& names, const ScriptMethod& entry, EngineName::Kind kind) {
    const std::string forms = entry.forms != nullptr ? entry.forms : "";
    const std::string description = entry.description != nullptr ? entry.description : "";
    for (EngineName& name : names) {
        if (name.name == entry.name) {
            name.forms += (name.forms.empty() || forms.empty() ? "" : " or ") + forms;
            if (name.description.empty())
                name.description = description;
            return;
        }
    }
    names.push_back({entry.name, kind, forms, description});
}

std::string constantValue(const ScriptConstant& constant) {
    char text[32];
    if (constant.isFloat)
        std::snprintf(text, sizeof(text), "%g", static_cast<double>(constant.floatValue));
    else
        std::snprintf(text, sizeof(text), "%d", constant.intValue);
    return text;
}

std::string callbackDescription(const ScriptCallback& callback) {
    std::string text;
    const std::pair<const char*, int> kinds[] = {{"a process", callback.processArgs},
                                                 {"an entity", callback.entityArgs},
                                                 {"a particle", callback.particleArgs},
                                                 {"a sequencer action", callback.actionArgs}};
    for (const auto& [kind, arguments] : kinds) {
        if (arguments < 0)
            continue;
        text += (text.empty() ? "Called by the engine on " : "; on ") + std::string(kind) + " with " +
                std::to_string(arguments) + (arguments == 1 ? " argument" : " arguments");
    }
    return text + " (docs/callbacks.md).";
}

}  // namespace

LanguageServerNames languageServerNames() {
    LanguageServerNames names;
    names.check = scriptEngineNames();
    for (const ScriptGlobalObject& object : scriptGlobalObjects()) {
        const ScriptTypeTable& table = *scriptTypeTables()[static_cast<size_t>(object.type)];
        names.globals.push_back({object.name, EngineName::Kind::Object, table.name,
                                 object.description != nullptr ? object.description : ""});
        std::vector<EngineName>& methods = names.objectMethods[object.name];
        for (const ScriptMethod& method : table.methods) addEntry(methods, method, EngineName::Kind::Method);
    }
    for (const ScriptFunction& function : scriptGlobalFunctions())
        addEntry(names.globals, function, EngineName::Kind::Function);
    for (const ScriptTypeTable* table : scriptTypeTables()) {
        for (const ScriptFunction& constructor : table->constructors)
            addEntry(names.globals, constructor, EngineName::Kind::Constructor);
        std::vector<EngineName>& methods = names.typeMethods[table->name];
        for (const ScriptMethod& method : table->methods) addEntry(methods, method, EngineName::Kind::Method);
    }
    for (const ScriptConstant& constant : scriptConstants()) {
        names.globals.push_back({constant.name, EngineName::Kind::Constant, constantValue(constant),
                                 constant.description != nullptr ? constant.description : ""});
    }
    for (int32_t i = 0; i < gmStandardLibraryCount(); ++i) {
        const std::string name = gmStandardLibraryName(i);
        const bool known = std::any_of(names.globals.begin(), names.globals.end(),
                                       [&](const EngineName& n) { return n.name == name; });
        if (!known)
            names.globals.push_back(
                {name, EngineName::Kind::Library, "", "the script language's library (docs/language.md)"});
    }
    std::sort(names.globals.begin(), names.globals.end(),
              [](const EngineName& a, const EngineName& b) { return a.name < b.name; });
    for (const ScriptCallback& callback : scriptCallbacks())
        names.callbacks.push_back(
            {callback.name, EngineName::Kind::Method, "", callbackDescription(callback)});
    return names;
}

// `tact-script lsp [--stdio]`: the server on standard input and output (editors' clients may
// pass --stdio; it is the only transport).
int languageServerCommand(int, char**) {
    static const LanguageServerNames names = languageServerNames();
    return runLanguageServer(names, STDIN_FILENO, STDOUT_FILENO);
}
