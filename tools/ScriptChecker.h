// The checker behind `tact-script check`: compiles every script of a game folder and reports the
// mistakes the engine would only show at run time (or never): syntax errors, globals nobody
// defines, engine methods that do not exist or get the wrong argument count, misspelt callbacks,
// and type or file names whose file is missing. It depends on the script library only; the
// engine's names come in as data (ScriptCheckerNames.cpp fills them from the binding tables), so
// an editor's language server can run it on the files it holds.
#pragma once

#include <filesystem>
#include <map>
#include <set>
#include <string>
#include <vector>

struct ScriptDiagnostic {
    enum class Severity { Error, Warning };
    std::string file;  // as given in ScriptSource::name
    int line = 0;      // from 1; 0 when the compiler gave none
    Severity severity = Severity::Error;
    std::string message;
};

struct ScriptSource {
    std::string name;  // the path inside the game folder, '/'-separated: "Ship.gm", "enemies/Rock.gm"
    std::string text;  // the file's bytes; checked as the compiler reads them (up to a NUL)
};

struct ScriptFolder {
    std::vector<ScriptSource> scripts;
    // Every file of the folder tree (scripts, compiled libraries, sounds, images), as in
    // ScriptSource::name: what a literal file or type name is looked up in.
    std::set<std::string> files;
};

// What the engine defines, as the checker sees it. A forms text is the binding tables' ("() or
// (s type name) -> ENTITY"); an empty one accepts any argument count.
struct ScriptEngineNames {
    // Global names that are not called through these tables: constants, the language's library.
    std::set<std::string> names;
    // Global functions and type constructors, by name, with their forms.
    std::map<std::string, std::string> functions;
    // Global objects (Video, GameSystem...), by name: their methods with their forms.
    std::map<std::string, std::map<std::string, std::string>> objects;
    // Scripts the engine brings itself when the game has none of that name ("ConsoleProcess.gm").
    std::set<std::string> defaultScripts;
};

// The argument counts a forms text allows: [counts] exactly, or any count from [variadicFrom]
// (-1: none), or any count at all when [any] (a form the parser does not understand).
struct ScriptArgumentCounts {
    std::set<int> counts;
    int variadicFrom = -1;
    bool any = false;
    std::string shown;  // the forms without their results: "() or (s type name)"
    bool allows(int count) const;
};
ScriptArgumentCounts scriptArgumentCounts(const std::string& forms);

// Checks every script of [folder]; the diagnostics come sorted by file and line. Every syntax
// error of a file is reported (up to 20, then one "too many errors"); a file that does not compile
// is not checked further.
std::vector<ScriptDiagnostic> checkScripts(const ScriptFolder& folder, const ScriptEngineNames& engine);

// The functions the engine calls on a type function's table ("update"), with the arguments it
// passes to a process, an entity, a particle and a sequencer action (-1: not called on that kind).
struct ScriptCallback {
    std::string name;
    int processArgs, entityArgs, particleArgs, actionArgs;
};
std::vector<ScriptCallback> scriptCallbacks();

// Reads the whole file at [path] into [text], bytes as they are; false when it cannot be opened or
// read. How the checker's callers (the command and the language server) read a folder's scripts.
bool readScriptFile(const std::filesystem::path& path, std::string& text);

// "Ship.gm:12: error: message", the form editors read.
std::string formatDiagnostic(const ScriptDiagnostic& diagnostic);
// The diagnostics as a JSON array of {"file", "line", "severity", "message"} objects.
std::string diagnosticsJson(const std::vector<ScriptDiagnostic>& diagnostics);
