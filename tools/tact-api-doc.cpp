// Writes the script API reference (docs/api.md) from the binding tables, so the reference game
// makers read is the list the engine registers. Usage: tact-api-doc [OUTPUT] (stdout without one).
#include <cctype>
#include <charconv>
#include <cstdio>
#include <fstream>
#include <iostream>
#include <span>
#include <sstream>
#include <string>

#include "Engine/ScriptAPI/ScriptRegistry.h"
#include "script/gmScriptMachine.h"

namespace {
constexpr const char* kIntroduction = R"(# Tact script API

Everything a game's scripts can reach in the engine: the script types with their methods, the
global objects, the global functions and the constants. This file is written by
`tools/tact-api-doc` from the engine's binding tables (`Engine/ScriptAPI/`), so do not edit it by
hand: after changing a table, run `cmake --build build --target api-doc`. A test fails while this
file and the tables disagree.

## Scripts and the engine

A game is a set of GM scripts beside the program. The engine starts the process "Main" from
`Main.gm`; a script process or entity is a function of that name returning a table whose
functions the engine calls (`constructor`, `init`, `update`, `onKeyPress`...):

```
global Main = function(process) {
    return table(
        ship = null,
        constructor = function() {
            .ship = EntityManager.createEntity("Ship");     // global object . method (Ship.gm)
            .ship.getPhysicsData().setPos(REALPOINT(0, 0)); // ENTITY, then PHYSICSDATA methods
        },
        update = function(dt) {
            if (Input.isKeyPressed(KEYBOARD_LEFT)) { .ship.getPhysicsData().rotateLeft(); }
            GameSystem.trace("speed ", .ship.getPhysicsData().getSpeed());
        }
    );
};
```

- **Script types** have upper-case names (`REALPOINT`, `ENTITY`, `SEQUENCER`). A method is called
  on a value with a dot: `p.length()`. Some types also have members read and written with a dot
  (`p.x = 3`) or operators (`p + q`); each type lists them.
- **Constructors** are global functions named after their type (`REALPOINT(1, 2)`, `ALARM(500)`).
  What they make belongs to the script and is freed when no script value holds it ("new" below).
  Every other object value is a reference to an object the engine keeps: an `ENTITY` from
  `createEntity` stays the engine's, and calls on it after the entity is gone are errors.
- **Global objects** are the engine's modules, always there under fixed names (`Video`,
  `EntityManager`, `GameBoard`, `Input`...).
- **Global functions** (`MATH_SQRT(2)`) and **constants** (`KEYBOARD_A`, `QUARTER_NOTE`, `PI`)
  need no object.

**Errors.** A call whose arguments fit none of its forms, or whose object no longer exists, stops
the script thread with a message such as `"setPos" expecting parameters (REALPOINT) or
(float,float)`. The message goes to the engine's log and to standard error under a header naming
the script file and function, the console opens, and the method that failed is switched off for
that object until the scripts are reloaded (F7); the game goes on. A member written with a value
of the wrong type logs its message without stopping the thread. Scripts read the log with
`Logger.getOutput()` and write it to a file with `Logger.outputToFile(name)`.

**Reading the forms.** Each entry lists its argument forms and its result:
`(n x, n y) or (REALPOINT) -> nothing` takes two numbers or one point and returns nothing
(null). `n` is an int or a float (a float where the engine needs a whole number is truncated
toward zero), `i` an int, `b` a bool (an int, non-zero is true), `s` a string; upper-case names
are values of that script type; `any...` is any number of values of any type. `bool` results are
the ints 0 and 1.
)";

// A table cell: pipes would end the cell.
std::string cell(const char* text) {
    std::string out;
    for (const char* c = text; *c != '\0'; ++c) {
        if (*c == '|')
            out += '\\';
        out += *c;
    }
    return out;
}

std::string formsOf(const ScriptMethod& entry) {
    return entry.forms != nullptr ? cell(entry.forms) : "(not documented yet)";
}

std::string anchor(const char* typeName) {
    std::string out;
    for (const char* c = typeName; *c != '\0'; ++c) out += static_cast<char>(std::tolower(*c));
    return out;
}

// The shortest text that reads back as the same float.
std::string floatText(float value) {
    char buffer[32];
    const auto result = std::to_chars(buffer, buffer + sizeof(buffer), value);
    return std::string(buffer, result.ptr);
}

void writeFunctionTable(std::ostream& out, const char* heading, std::span<const ScriptMethod> entries) {
    out << "| " << heading << " | arguments -> result |\n|---|---|\n";
    for (const ScriptMethod& entry : entries)
        out << "| `" << entry.name << "` | " << formsOf(entry) << " |\n";
}

void writeTypes(std::ostream& out) {
    out << "\n## Script types\n\nIn the order the engine registers them; a type's id is what "
           "argument errors name (\"expecting param 0 as user type 7\" asks for a REALPOINT).\n\n";
    out << "| type | id | methods | constructors |\n|---|---|---|---|\n";
    for (const ScriptTypeTable* table : scriptTypeTables()) {
        out << "| [" << table->name << "](#" << anchor(table->name) << ") | " << scriptTypeId(table->type)
            << " | " << table->methods.size() << " | ";
        const char* separator = "";
        for (const ScriptFunction& constructor : table->constructors) {
            out << separator << '`' << constructor.name << '`';
            separator = ", ";
        }
        out << " |\n";
    }
    for (const ScriptTypeTable* table : scriptTypeTables()) {
        out << "\n### " << table->name << "\n\nType id " << scriptTypeId(table->type) << ".\n";
        if (!table->constructors.empty()) {
            out << '\n';
            writeFunctionTable(out, "constructor", table->constructors);
        }
        if (!table->operators.empty()) {
            out << "\nOperators (";
            const char* separator = "";
            for (const ScriptOperator& op : table->operators) {
                out << separator << gmOperatorName(op.operatorId);
                separator = ", ";
            }
            out << "): "
                << (table->operatorForms != nullptr ? cell(table->operatorForms) : "(not documented yet)")
                << ".\n";
        }
        if (table->methods.empty()) {
            out << "\nNo methods.\n";
        } else {
            out << "\n"
                << table->methods.size() << (table->methods.size() == 1 ? " method" : " methods") << ":\n\n";
            writeFunctionTable(out, "method", table->methods);
        }
    }
}

void writeGlobalObjects(std::ostream& out) {
    out << "\n## Global objects\n\n| global | type |\n|---|---|\n";
    for (const ScriptGlobalObject& object : scriptGlobalObjects()) {
        const char* typeName = scriptTypeTables()[static_cast<std::size_t>(object.type)]->name;
        out << "| `" << object.name << "` | [" << typeName << "](#" << anchor(typeName) << ") |\n";
    }
    out << "\n`Input` is the input module, or the unfocused one while a process without input focus "
           "runs.\n";
}

void writeGlobalFunctions(std::ostream& out) {
    out << "\n## Global functions\n\n"
        << scriptGlobalFunctions().size() << " functions, besides the constructors.\n\n";
    writeFunctionTable(out, "function", scriptGlobalFunctions());
}

void writeConstants(std::ostream& out) {
    out << "\n## Constants\n\n"
        << scriptConstants().size()
        << " constants, all ints but `PI`, `TWOPI` and `PIBYTWO`. Key code 64 (the space bar) has "
           "no constant.\n\n| constant | value |\n|---|---|\n";
    for (const ScriptConstant& constant : scriptConstants()) {
        out << "| `" << constant.name << "` | "
            << (constant.isFloat ? floatText(constant.floatValue) + " (float)"
                                 : std::to_string(constant.intValue))
            << " |\n";
    }
}
}  // namespace

int main(int argc, char** argv) {
    if (argc > 2) {
        std::cerr << "usage: tact-api-doc [OUTPUT]\n";
        return 2;
    }
    // The types get their ids from a machine, as in the engine.
    gmScriptMachine machine;
    registerScriptFunctionsAndTypes(machine);

    std::ostringstream text;
    text << kIntroduction;
    writeTypes(text);
    writeGlobalObjects(text);
    writeGlobalFunctions(text);
    writeConstants(text);

    if (argc < 2) {
        std::cout << text.str();
        return 0;
    }
    std::ofstream file(argv[1], std::ios::binary);
    file << text.str();
    if (!file.flush()) {
        std::cerr << "tact-api-doc: could not write " << argv[1] << "\n";
        return 1;
    }
    return 0;
}
