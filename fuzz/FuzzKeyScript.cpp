// Fuzz target: bytes as a recorded key-event file (the input a headless run replays). A refused
// file names its line; an accepted one holds only known keys, and its events written out again
// read back the same.
#include "FuzzSupport.h"

#include "Engine/KeyScript.h"

#include <cstddef>
#include <cstdint>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string text(reinterpret_cast<const char*>(data), size);
    std::string error;
    const std::optional<std::vector<KeyEvent>> events = KeyScript::parse(text, error);
    if (!events) {
        fuzzCheck(error.rfind("line ", 0) == 0, "a refused file did not say which line");
        return 0;
    }
    std::string written;
    for (const KeyEvent& event : *events) {
        fuzzCheck(!KeyScript::keyCodeName(event.keyCode).empty(), "an accepted event has an unnamed key");
        written += KeyScript::formatEvent(event) + "\n";
    }
    std::string again;
    const std::optional<std::vector<KeyEvent>> reread = KeyScript::parse(written, again);
    fuzzCheck(reread.has_value() && *reread == *events, "written events read back differently");
    return 0;
}
