// The engine module that hosts the script language: it owns the one script machine, registers
// every script type, global object, function and constant, loads script files (keeping their
// texts for reload and revert), reports script errors to the log, standard error and the console,
// and runs the script threads once per tick.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <map>
#include <memory>
#include <set>
#include <string>
#include <unordered_map>
#include <vector>

#include "Engine/ScriptHost/ScriptValues.h"
#include "Engine/ScriptModule.h"
#include "script/gmScriptMachine.h"

class GmScriptModule : public ScriptModule {
  public:
    // One loaded script file: its bytes as last loaded successfully (source text or a compiled
    // library, always followed by a NUL) and those of the load before, for revert. A script read
    // from the default folder is a compiled library even in source mode.
    struct ScriptRecord {
        std::vector<char> current;
        std::vector<char> previous;  // empty: nothing to revert to
        bool currentIsLibrary = false;
        bool previousIsLibrary = false;
        bool alwaysReload = false;
    };

    // [compiledMode]: scripts are read as compiled libraries (NAME.gmc) instead of source text.
    explicit GmScriptModule(GameSystem* gameSystem, bool compiledMode = true);
    ~GmScriptModule() override;

    // The module whose machine runs [thread] (natives reach their module this way).
    static GmScriptModule* of(gmScriptThread* thread) {
        return static_cast<GmScriptModule*>(thread->getMachine().getHostData());
    }
    // True from the start of the destructor on.
    bool isDestructing() const { return destructing_; }

    // Runs the script threads for the tick's whole milliseconds.
    void update(float elapsedMS) override;

    // Loads or reloads one script file (its .gm name); true when it was read and ran without a
    // compile error, or when nothing had to be done.
    bool loadScript(const std::string& fileName, bool force);
    // Runs the text before the current one again.
    bool revertScript(const std::string& fileName);
    ScriptRecord* findScript(const std::string& fileName);
    ScriptRecord* setAlwaysReloadScript(const std::string& fileName, bool alwaysReload);
    void reloadAllScripts() override;
    void forgetAllScripts() override;
    void saveCompiledScripts() override;
    bool isCompiledMode() const override { return compiledMode_; }
    void setInputGlobal(InputModule* input) override;
    void setDefaultScriptFolder(const std::string& folder) override { defaultScriptFolder_ = folder; }
    const std::string& getDefaultScriptFolder() const { return defaultScriptFolder_; }
    bool hasScript(const std::string& typeName) override;

    bool hasErrors() { return machine_.getErrorLog().getEntryCount() > 0; }
    // Copies the whole error log to the engine log under [header] (may be null); clears it
    // unless [keep].
    void logMachineErrors(const char* header, int indent, bool keep);
    // Reports the error-log entries from [firstEntry] on under [header] and drops them (earlier
    // entries belong to whoever is still running); opens the console. False when there were none.
    // Compile errors of [compiledFile] (when given) read "FILE:LINE: message".
    bool reportErrorsSince(int32_t firstEntry, const std::string& header,
                           const std::string& compiledFile = {});

    // Stores an engine object the script never destroys in the global [name].
    void registerGlobalObject(const char* name, ScriptType type, void* object, ScriptHandleSlot& slot);

    gmScriptMachine& getMachine() { return machine_; }
    // The permanent interned string of an engine callback's name ([literal] must be a string
    // literal: names are kept by address, so a callback costs no hashing of its name).
    gmString* getCallbackName(const char* literal) {
        CallbackName& slot =
            recentCallbackNames_[(reinterpret_cast<uintptr_t>(literal) >> 3) % kRecentCallbackNames];
        if (slot.literal != literal)
            slot = {literal, internCallbackName(literal)};
        return slot.name;
    }

    // Script file names: Enemies_Ship -> Enemies/Ship.gm -> Enemies_Ship.
    static std::string fileNameFromTypeName(const std::string& typeName);
    static std::string functionNameFromFileName(const std::string& fileName);

    // Collector limits suited to games: a game makes short-lived tables every tick, and a full
    // collection each time it passed a small limit would cost more than the memory it saves.
    static constexpr int32_t kGameMemoryHard = 4 * 1024 * 1024;
    static constexpr int32_t kGameMemorySoft = kGameMemoryHard / 10 * 9;

  private:
    // Reads the script [fileName] (its .gm name) from the game folder, or else from the default
    // folder; [isLibrary] tells whether the bytes are a compiled library.
    bool readScriptFile(const std::string& fileName, std::vector<char>& bytes, bool& isLibrary);
    // Runs [bytes] (source text or a compiled library) at once; the number of compile errors.
    int32_t runScriptBytes(const std::vector<char>& bytes, bool isLibrary, const std::string& fileName);
    // Logs [header] (may be null) at [indent] and the error-log entries from [firstEntry] on one
    // level deeper, to the engine log and standard error.
    void logEntries(const char* header, int indent, int32_t firstEntry, const std::string& compiledFile = {});
    void installScriptMakers();

    // Declared before the machine: script-backed objects that the machine's values own read it
    // while the machine is destroyed.
    bool destructing_ = false;
    gmScriptMachine machine_;
    std::map<std::string, std::unique_ptr<ScriptRecord>> scripts_;
    bool compiledMode_;
    std::string defaultScriptFolder_;
    // Missing script files already reported on standard error (each is reported once).
    std::set<std::string> reportedMissing_;
    gmString* internCallbackName(const char* literal);
    std::unordered_map<const char*, gmString*> callbackNames_;
    // A direct-mapped cache before callbackNames_: callbacks are asked for tens of thousands of
    // times a tick.
    struct CallbackName {
        const char* literal = nullptr;
        gmString* name = nullptr;
    };
    static constexpr std::size_t kRecentCallbackNames = 64;
    std::array<CallbackName, kRecentCallbackNames> recentCallbackNames_{};
};
