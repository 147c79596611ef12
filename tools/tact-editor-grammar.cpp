// Writes the TextMate grammar of .gm files (editors/vscode/syntaxes/gm.tmLanguage.json) with the
// engine's global objects, functions and constants taken from the binding tables, so editors
// colour the names the engine has now. Usage: tact-editor-grammar [OUTPUT] (stdout without one).
#include <algorithm>
#include <cstdio>
#include <fstream>
#include <iostream>
#include <set>
#include <string>

#include <nlohmann/json.hpp>

#include "Engine/ScriptAPI/ScriptRegistry.h"
#include "script/gmLibrary.h"

using json = nlohmann::ordered_json;

namespace {

// \b(?:A|B|...)\b over [names], longest first so that no name stops at another's prefix.
std::string wordsPattern(const std::set<std::string>& names) {
    std::vector<std::string> sorted(names.begin(), names.end());
    std::stable_sort(sorted.begin(), sorted.end(),
                     [](const std::string& a, const std::string& b) { return a.size() > b.size(); });
    std::string pattern = "\\b(?:";
    for (size_t i = 0; i < sorted.size(); ++i) pattern += (i == 0 ? "" : "|") + sorted[i];
    return pattern + ")\\b";
}

json match(const char* scope, const std::string& pattern) {
    return {{"name", scope}, {"match", pattern}};
}

}  // namespace

int main(int argc, char** argv) {
    std::set<std::string> objects, functions, constants, library;
    for (const ScriptGlobalObject& object : scriptGlobalObjects()) objects.insert(object.name);
    for (const ScriptFunction& function : scriptGlobalFunctions()) functions.insert(function.name);
    for (const ScriptTypeTable* table : scriptTypeTables()) {
        for (const ScriptFunction& constructor : table->constructors) functions.insert(constructor.name);
    }
    for (const ScriptConstant& constant : scriptConstants()) constants.insert(constant.name);
    for (int32_t i = 0; i < gmStandardLibraryCount(); ++i) {
        const std::string name = gmStandardLibraryName(i);
        if (!objects.contains(name) && !functions.contains(name) && !constants.contains(name))
            library.insert(name);
    }

    const std::string name = "[A-Za-z_][A-Za-z0-9_]*";
    json grammar = {
        {"name", "GM script"},
        {"scopeName", "source.gm"},
        {"fileTypes", {"gm"}},
        {"patterns",
         {{{"include", "#comments"}},
          {{"include", "#strings"}},
          {{"include", "#numbers"}},
          {{"include", "#definitions"}},
          {{"include", "#keywords"}},
          {{"include", "#engine"}},
          {{"include", "#operators"}}}},
        {"repository",
         {{"comments",
           {{"patterns",
             {match("comment.line.double-slash.gm", "//.*$"),
              {{"name", "comment.block.gm"}, {"begin", "/\\*"}, {"end", "\\*/"}}}}}},
          {"strings",
           {{"patterns",
             {{{"name", "string.quoted.double.gm"},
               {"begin", "\""},
               {"end", "\""},
               {"patterns", {match("constant.character.escape.gm", "\\\\.")}}},
              // A backquoted string holds a backquote as two.
              {{"name", "string.quoted.other.gm"},
               {"begin", "`"},
               {"end", "`(?!`)"},
               {"patterns", {match("constant.character.escape.gm", "``")}}},
              match("constant.character.gm", "'(?:\\\\.|[^\\\\'])+'")}}}},
          {"numbers",
           {{"patterns",
             {match("constant.numeric.gm", "\\b0[xX][0-9A-Fa-f]+\\b|\\b0[bB][01]+\\b"),
              match("constant.numeric.gm",
                    "(?:\\b[0-9]+\\.[0-9]*|\\.[0-9]+)(?:[eE][+-]?[0-9]+)?[fF]?|\\b[0-9]+(?:[eE][+-]?[0-9]+)?["
                    "fF]?\\b")}}}},
          {"definitions",
           {{"patterns",
             {{{"match", "\\b(global|local|member)\\s+(" + name + ")\\s*(=)\\s*(function)\\b"},
               {"captures",
                {{"1", {{"name", "storage.modifier.gm"}}},
                 {"2", {{"name", "entity.name.function.gm"}}},
                 {"3", {{"name", "keyword.operator.assignment.gm"}}},
                 {"4", {{"name", "storage.type.function.gm"}}}}}},
              {{"match", "\\b(" + name + ")\\s*(=)\\s*(function)\\b"},
               {"captures",
                {{"1", {{"name", "entity.name.function.gm"}}},
                 {"2", {{"name", "keyword.operator.assignment.gm"}}},
                 {"3", {{"name", "storage.type.function.gm"}}}}}}}}}},
          {"keywords",
           {{"patterns",
             {match("keyword.control.gm",
                    "\\b(?:if|else|while|dowhile|for|foreach|in|break|continue|return)\\b"),
              match("keyword.operator.logical.gm", "\\b(?:and|or)\\b"),
              match("storage.modifier.gm", "\\b(?:global|local|member)\\b"),
              match("storage.type.function.gm", "\\bfunction\\b"),
              match("storage.type.table.gm", "\\btable\\b"), match("variable.language.this.gm", "\\bthis\\b"),
              match("constant.language.gm", "\\b(?:null|true|false)\\b")}}}},
          {"engine",
           {{"patterns",
             {match("support.class.engine.gm", wordsPattern(objects)),
              match("support.constant.engine.gm", wordsPattern(constants)),
              match("support.function.engine.gm", wordsPattern(functions)),
              match("support.function.builtin.gm", wordsPattern(library))}}}},
          {"operators",
           {{"patterns",
             {match("keyword.operator.gm", "&&|\\|\\||==|!=|<=|>=|<<=?|>>=?|[-+*/%&|^]=?|[=<>!~]")}}}}}}};

    const std::string text = grammar.dump(2) + "\n";
    if (argc < 2) {
        std::cout << text;
        return 0;
    }
    std::ofstream out(argv[1], std::ios::binary | std::ios::trunc);
    out << text;
    out.close();
    if (!out) {
        std::fprintf(stderr, "tact-editor-grammar: cannot write \"%s\"\n", argv[1]);
        return 1;
    }
    return 0;
}
