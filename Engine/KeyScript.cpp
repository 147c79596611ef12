#include "Engine/KeyScript.h"

#include <map>
#include <sstream>

#include "Engine/KeyCodes.h"
#include "Engine/ScriptAPI/ScriptRegistry.h"

namespace {
// The names scripts know the keys by (their constants), and the space bar, which has none.
const std::vector<std::string>& names() {
    static const std::vector<std::string> table = [] {
        std::vector<std::string> byCode(NUM_KEYCODES);
        for (const ScriptConstant& constant : scriptConstants()) {
            const std::string name = constant.name;
            const bool isKey = name.rfind("KEYBOARD_", 0) == 0 || name.rfind("JOYSTICK0_", 0) == 0 ||
                               name.rfind("MOUSE_", 0) == 0;
            if (isKey && !constant.isFloat && constant.intValue >= 0 && constant.intValue < NUM_KEYCODES)
                byCode[static_cast<std::size_t>(constant.intValue)] = name;
        }
        byCode[KEYBOARD_SPACE_BAR] = "KEYBOARD_SPACE_BAR";
        return byCode;
    }();
    return table;
}
}  // namespace

namespace KeyScript {

std::string keyCodeName(int keyCode) {
    return keyCode >= 0 && keyCode < NUM_KEYCODES ? names()[static_cast<std::size_t>(keyCode)]
                                                  : std::string();
}

int keyCodeFromName(const std::string& name) {
    static const std::map<std::string, int> codes = [] {
        std::map<std::string, int> map;
        for (int code = 0; code < NUM_KEYCODES; ++code) map[names()[static_cast<std::size_t>(code)]] = code;
        return map;
    }();
    auto found = codes.find(name);
    return found != codes.end() ? found->second : -1;
}

std::string formatEvent(const KeyEvent& event) {
    return std::to_string(event.tick) + " " + keyCodeName(event.keyCode) + (event.down ? " down" : " up");
}

std::optional<std::vector<KeyEvent>> parse(const std::string& text, std::string& error) {
    std::vector<KeyEvent> events;
    std::istringstream lines(text);
    std::string line;
    int lineNumber = 0;
    while (std::getline(lines, line)) {
        ++lineNumber;
        std::istringstream words(line);
        std::string tick;
        std::string key;
        std::string state;
        std::string extra;
        if (!(words >> tick) || tick[0] == '#')
            continue;
        const bool digits = tick.find_first_not_of("0123456789") == std::string::npos && tick.size() <= 9;
        if (!(words >> key >> state) || (words >> extra) || !digits || (state != "down" && state != "up")) {
            error = "line " + std::to_string(lineNumber) + ": expecting \"TICK KEY down|up\"";
            return std::nullopt;
        }
        const int code = keyCodeFromName(key);
        if (code < 0) {
            error = "line " + std::to_string(lineNumber) + ": unknown key \"" + key + "\"";
            return std::nullopt;
        }
        events.push_back({static_cast<uint32_t>(std::stoul(tick)), code, state == "down"});
    }
    return events;
}

}  // namespace KeyScript
