// Fuzz target: the checker behind `tact-script check` over a game folder of untrusted scripts. The
// input is split at '\x01' bytes into up to four scripts (Main.gm, Ship.gm, enemies/Rock.gm,
// Extra.gm); its first line is also read as a binding table's forms text. The engine's names are a
// small fixed set with the kinds of forms the tables use.
#include "FuzzSupport.h"

#include "tools/ScriptChecker.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <string>

namespace {
const ScriptEngineNames& engineNames() {
    static const ScriptEngineNames names = [] {
        ScriptEngineNames n;
        n.names = {"KEYBOARD_A", "KEYBOARD_ESCAPE", "PI", "print", "globals", "thread", "typeName"};
        n.functions = {
            {"MATH_SQRT", "(n) -> float"},
            {"RANDOM_GetRandomReal", "() -> float in [0, 1) or (n low, n high) -> float in the range"},
            {"SEQUENCERACTION", "(table) -> SEQUENCERACTION"},
            {"REALPOINT", "() or (n x, n y) or (REALPOINT) -> REALPOINT"},
            {"trace", "(any...) -> nothing"}};
        n.objects["Video"] = {
            {"setColour", "(c) or (c, n alpha) or (n r, n g, n b) or (n r, n g, n b, n a) -> nothing"},
            {"translate", "(n x, n y) or (n x, n y, n z) -> nothing"},
            {"print", "(s text, n height) -> float; each form may start with (n x, n y)"},
            {"drawTexture", "(n x1, n y1, ... n x4, n y4, s texture name) -> nothing"},
            {"loadTexture", "(s file name) -> nothing"},
            {"setAlpha", "(n, clamped to 0..1) -> nothing"}};
        n.objects["EntityManager"] = {{"createEntity", "() or (s type name) -> ENTITY"}};
        n.objects["GameSystem"] = {{"runProcess", "(s name) -> nothing"},
                                   {"callMethod", "(s name, any...) -> any"}};
        n.defaultScripts = {"ConsoleProcess.gm"};
        return n;
    }();
    return names;
}
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string input(reinterpret_cast<const char*>(data), size);
    static const char* const kNames[] = {"Main.gm", "Ship.gm", "enemies/Rock.gm", "Extra.gm"};
    ScriptFolder folder;
    size_t start = 0;
    for (const char* name : kNames) {
        if (start > input.size())
            break;
        const size_t end = std::min(input.find('\x01', start), input.size());
        folder.scripts.push_back({name, input.substr(start, end - start)});
        folder.files.insert(name);
        start = end + 1;
    }
    folder.files.insert("shoot.wav");

    const std::vector<ScriptDiagnostic> diagnostics = checkScripts(folder, engineNames());
    for (const ScriptDiagnostic& diagnostic : diagnostics) {
        fuzzCheck(folder.files.contains(diagnostic.file), "a diagnostic names a file that was not checked");
        fuzzCheck(diagnostic.line >= 0 && !diagnostic.message.empty(),
                  "a diagnostic without a line or message");
        fuzzCheck(!formatDiagnostic(diagnostic).empty(), "an empty formatted diagnostic");
    }
    fuzzCheck(diagnosticsJson(diagnostics).front() == '[', "the JSON report is not an array");

    const ScriptArgumentCounts counts = scriptArgumentCounts(input.substr(0, input.find('\n')));
    fuzzCheck(counts.any || !counts.shown.empty(), "parsed forms that show nothing");
    return 0;
}
