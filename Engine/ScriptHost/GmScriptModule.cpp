#include "Engine/ScriptHost/GmScriptModule.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <string_view>

#include "Engine/Entity.h"
#include "Engine/EntityIndustry.h"
#include "Engine/EntityManager.h"
#include "Engine/FilePath.h"
#include "Engine/GameFiles.h"
#include "Engine/GameSystem.h"
#include "Engine/InputModule.h"
#include "Engine/Logger.h"
#include "Engine/ParticleIndustry.h"
#include "Engine/Process.h"
#include "Engine/ProcessIndustry.h"
#include "Engine/ScriptAPI/ScriptRegistry.h"
#include "Engine/ScriptHost/GmScriptEntity.h"
#include "Engine/ScriptHost/GmScriptParticle.h"
#include "Engine/ScriptHost/GmScriptProcess.h"
#include "script/gmLibraryWriter.h"

namespace {
// The engine's file functions format paths into a buffer of this size.
constexpr std::size_t kPathBufferBytes = 512;
}  // namespace

GmScriptModule::GmScriptModule(GameSystem* gameSystem, bool compiledMode)
    : ScriptModule(gameSystem), compiledMode_(compiledMode) {
    addTypeName("GmScriptModule");
    machine_.setHostData(this);
    installScriptHandleHook();

    Logger* logger = gameSystem_->getLogger();
    logger->logText(
        "WARNING:  GmScriptModule machine::Execute takes uint instead of REAL.  Truncation may cause "
        "errors!");
    logger->logText("TODO:  try compiling the script machine without GM_COMPILE_DEBUG");
    logger->logText("TODO:  disable GMDEBUG_SUPPORT?");
    logger->logText("TODO:  PS3 doesn't work?  check gmEndian in gmConfig (?)");

    machine_.setDesiredMemoryUsageHard(kGameMemoryHard);
    machine_.setDesiredMemoryUsageSoft(kGameMemorySoft);
    machine_.setDesiredMemoryUsageAuto(true);
    logger->logText("Script memory: incremental collection from " + std::to_string(kGameMemorySoft / 1024) +
                    " KiB, full collection from " + std::to_string(kGameMemoryHard / 1024) +
                    " KiB, adjusted to the game's use");

    registerScriptAPI(*this);
    installScriptMakers();
}

GmScriptModule::~GmScriptModule() {
    destructing_ = true;
    scripts_.clear();
    // The machine (a member) goes next, freeing every script value; script-backed objects were
    // deleted earlier in the game system's shutdown.
}

void GmScriptModule::installScriptMakers() {
    gameSystem_->getProcessIndustry()->setScriptProcessMaker(
        [this](const std::string& name, GameSystem* gameSystem) -> Process* {
            return new GmScriptProcess(name, gameSystem, this);
        });
    gameSystem_->getEntityIndustry()->setScriptEntityMaker(
        [this](const std::string& name, int typeID, bool isPlayer, GameSystem* gameSystem) -> Entity* {
            return new GmScriptEntity(name, typeID, isPlayer, gameSystem, this);
        });
    gameSystem_->getParticleIndustry()->setScriptParticleMaker(
        [this](const std::string& name, GameSystem* gameSystem) -> Particle* {
            return new GmScriptParticle(name, gameSystem, this);
        });
}

gmString* GmScriptModule::internCallbackName(const char* literal) {
    auto [entry, added] = callbackNames_.try_emplace(literal, nullptr);
    if (added)
        entry->second = machine_.internPermanentString(literal);
    return entry->second;
}

// ---- Update ----------------------------------------------------------------------------------

void GmScriptModule::update(float elapsedMS) {
    const int32_t firstEntry = machine_.getErrorLog().getEntryCount();
    const float wholeMS = std::trunc(elapsedMS);
    machine_.Execute(wholeMS > 0.0f ? static_cast<uint32_t>(wholeMS) : 0u);
    reportErrorsSince(firstEntry, "In script thread:");
}

// ---- Files -----------------------------------------------------------------------------------

std::string GmScriptModule::fileNameFromTypeName(const std::string& typeName) {
    std::string fileName = typeName;
    for (char& c : fileName) {
        if (c == '_')
            c = '/';
    }
    return fileName + ".gm";
}

std::string GmScriptModule::functionNameFromFileName(const std::string& fileName) {
    std::string name = fileName.substr(0, fileName.rfind('.'));
    for (char& c : name) {
        if (c == '/')
            c = '_';
    }
    return name;
}

namespace {
using FileRead = GameFiles::Read;

// The whole file at [path] followed by a NUL; an empty file is a failure.
FileRead readWholeFile(const std::string& path, std::vector<char>& bytes) {
    std::vector<uint8_t> read;
    FileRead result = readGameFile(path, read);
    if (result == FileRead::kRead && read.empty())
        result = FileRead::kFailed;
    bytes.clear();
    if (result == FileRead::kRead) {
        bytes.assign(read.begin(), read.end());
        bytes.push_back('\0');
    }
    return result;
}
}  // namespace

bool GmScriptModule::readScriptFile(const std::string& fileName, std::vector<char>& bytes, bool& isLibrary) {
    const std::string name = compiledMode_ ? fileName + "c" : fileName;
    const std::optional<std::string> path = makeFilePath(name, kPathBufferBytes);
    FileRead result = path ? readWholeFile(*path, bytes) : FileRead::kMissing;
    isLibrary = compiledMode_;
    // The game's own script wins; the engine's defaults (always compiled) stand in for the ones
    // it lacks, so a game without a console still gets one.
    if (result == FileRead::kMissing && !defaultScriptFolder_.empty()) {
        const std::string fallback = defaultScriptFolder_ + "/" + fileName + "c";
        if (fallback.size() < kPathBufferBytes) {
            result = readWholeFile(fallback, bytes);
            isLibrary = true;
        }
    }
    if (result != FileRead::kRead) {
        // The log stays as it always was; standard error tells the game maker which file and mode,
        // once for each file.
        if (reportedMissing_.insert(name).second) {
            const std::string mode = compiledMode_ ? "compiled" : "source";
            gameSystem_->reportError(
                result == FileRead::kMissing
                    ? "Script file not found: " + name + " (" + mode + " mode" +
                          (compiledMode_ ? "; run with --source to read the .gm files" : "") + ")"
                    : "Script file could not be read (empty, damaged, or not a file): " + name);
        }
        return false;
    }
    reportedMissing_.erase(name);
    return true;
}

bool GmScriptModule::hasScript(const std::string& typeName) {
    const std::string fileName = fileNameFromTypeName(typeName);
    if (findScript(fileName) != nullptr)
        return true;
    std::vector<char> bytes;
    bool isLibrary = false;
    return readScriptFile(fileName, bytes, isLibrary);
}

int32_t GmScriptModule::runScriptBytes(const std::vector<char>& bytes, bool isLibrary,
                                       const std::string& fileName) {
    if (isLibrary) {
        // The terminating NUL is the reader's, not the library's.
        gmByteStream stream(bytes.data(), bytes.size() - 1);
        return machine_.runLibrary(stream, nullptr, true, fileName.c_str()) ? 0 : 1;
    }
    return machine_.runText(bytes.data(), nullptr, true, fileName.c_str());
}

GmScriptModule::ScriptRecord* GmScriptModule::findScript(const std::string& fileName) {
    auto found = scripts_.find(fileName);
    return found != scripts_.end() ? found->second.get() : nullptr;
}

bool GmScriptModule::loadScript(const std::string& fileName, bool force) {
    ScriptRecord* record = findScript(fileName);
    if (!force && record != nullptr && !record->alwaysReload)
        return true;

    std::vector<char> bytes;
    bool isLibrary = false;
    if (!readScriptFile(fileName, bytes, isLibrary))
        return false;
    const int32_t firstEntry = machine_.getErrorLog().getEntryCount();
    const int32_t errors = runScriptBytes(bytes, isLibrary, fileName);
    if (errors > 0) {
        reportErrorsSince(firstEntry, "In " + fileName + ":", fileName);
        revertScript(fileName);
        return false;
    }
    // A run-time error of the top level is not a failed load; it is reported as the thread's.
    reportErrorsSince(firstEntry, "In script thread:");
    if (record == nullptr) {
        auto created = std::make_unique<ScriptRecord>();
        created->current = std::move(bytes);
        created->currentIsLibrary = isLibrary;
        scripts_[fileName] = std::move(created);
        gameSystem_->log("Loaded new script " + fileName);
        return true;
    }
    record->previous = std::move(record->current);
    record->previousIsLibrary = record->currentIsLibrary;
    record->current = std::move(bytes);
    record->currentIsLibrary = isLibrary;
    gameSystem_->log("Refreshed script " + fileName);
    return true;
}

bool GmScriptModule::revertScript(const std::string& fileName) {
    ScriptRecord* record = findScript(fileName);
    if (record == nullptr || record->previous.empty())
        return false;
    const int32_t firstEntry = machine_.getErrorLog().getEntryCount();
    const int32_t errors = runScriptBytes(record->previous, record->previousIsLibrary, fileName);
    record->current = std::move(record->previous);
    record->currentIsLibrary = record->previousIsLibrary;
    record->previous.clear();
    gameSystem_->log("Reverted script " + fileName);
    reportErrorsSince(firstEntry, "In " + fileName + ":", fileName);
    return errors == 0;
}

GmScriptModule::ScriptRecord* GmScriptModule::setAlwaysReloadScript(const std::string& fileName,
                                                                    bool alwaysReload) {
    ScriptRecord* record = findScript(fileName);
    if (record != nullptr)
        record->alwaysReload = alwaysReload;
    return record;
}

// ---- Developer operations --------------------------------------------------------------------

void GmScriptModule::reloadAllScripts() {
    std::vector<std::string> names;
    for (const auto& entry : scripts_) names.push_back(entry.first);
    for (const std::string& name : names) loadScript(name, true);

    for (Entity* entity : gameSystem_->getEntityManager()->getAllEntities()) {
        if (auto* scripted = dynamic_cast<GmScriptEntity*>(entity))
            scripted->reloadScript(false);
    }
    // A rebuild may start or end processes; walk a copy.
    const std::vector<Process*> processes = gameSystem_->getProcessList();
    for (Process* process : processes) {
        if (auto* scripted = dynamic_cast<GmScriptProcess*>(process))
            scripted->reloadScript(false);
    }
}

void GmScriptModule::forgetAllScripts() {
    scripts_.clear();
}

void GmScriptModule::saveCompiledScripts() {
    // A game read from an archive has its scripts compiled already, and nowhere of its own to write.
    if (!getGameFiles().isWritable())
        return;
    for (const auto& [fileName, record] : scripts_) {
        // A default script has no source here, and it is the engine's, not the game's to ship.
        if (record->currentIsLibrary)
            continue;
        gmByteStream stream;
        gmErrorLog ignored;
        gmLibraryOptions options;
        // Line tables keep the lines of run-time errors, so a shipped game reports what the
        // source did.
        options.lineTables = true;
        if (compileToLibrary(record->current.data(), stream, ignored, options) != 0)
            continue;
        const std::optional<std::string> path = makeFilePath(fileName + "c", kPathBufferBytes);
        std::FILE* file = path ? std::fopen(path->c_str(), "wb") : nullptr;
        if (file == nullptr)
            continue;
        const std::vector<uint8_t>& bytes = stream.getBytes();
        std::fwrite(bytes.data(), 1, bytes.size(), file);
        std::fclose(file);
    }
}

// Every event dispatch sets it (twice), so the global's name is interned once and a global that
// already holds the value is left alone.
void GmScriptModule::setInputGlobal(InputModule* input) {
    const gmValue value = scriptReference(machine_, ScriptType::INPUT, input, input->getScriptHandleSlot());
    const gmValue key = gmValue::makeString(getCallbackName("Input"));
    gmTable* globals = machine_.getGlobals();
    if (!(globals->get(key) == value))
        globals->set(machine_, key, value);
}

void GmScriptModule::registerGlobalObject(const char* name, ScriptType type, void* object,
                                          ScriptHandleSlot& slot) {
    const gmValue value = scriptReference(machine_, type, object, slot);
    machine_.getGlobals()->setField(machine_, name, value);
}

// ---- Errors ----------------------------------------------------------------------------------

void GmScriptModule::logEntries(const char* header, int indent, int32_t firstEntry,
                                const std::string& compiledFile) {
    // The header at [indent], the entries one deeper. Standard error gets exactly the lines the log
    // got, so errors show even when the game has no console.
    gmErrorLog& log = machine_.getErrorLog();
    Logger* logger = gameSystem_->getLogger();
    const std::size_t first = logger->getOutput().size();
    if (header != nullptr)
        logger->logText(header, indent);
    for (int32_t i = firstEntry; i < log.getEntryCount(); ++i)
        logger->logText(gmCompileErrorWithFile(log.getEntry(i), compiledFile), indent + 1);
    const std::vector<std::string>& output = logger->getOutput();
    for (std::size_t i = first; i < output.size(); ++i) std::fprintf(stderr, "%s\n", output[i].c_str());
    std::fflush(stderr);
}

void GmScriptModule::logMachineErrors(const char* header, int indent, bool keep) {
    gmErrorLog& log = machine_.getErrorLog();
    if (log.getEntryCount() == 0)
        return;
    logEntries(header, indent, 0);
    if (!keep)
        log.clear();
}

bool GmScriptModule::reportErrorsSince(int32_t firstEntry, const std::string& header,
                                       const std::string& compiledFile) {
    gmErrorLog& log = machine_.getErrorLog();
    // A log that hit its size limit was cleared meanwhile: everything in it is new.
    if (firstEntry > log.getEntryCount())
        firstEntry = 0;
    if (log.getEntryCount() == firstEntry)
        return false;
    // Each run-time error ends in its call stack; each compile error is an "error (LINE) message"
    // entry (a file reports every syntax error it has; the "too many errors" that ends a long list
    // is none of them).
    int errors = 0;
    for (int32_t i = firstEntry; i < log.getEntryCount(); ++i) {
        const std::string_view entry = log.getEntry(i);
        if (entry == "\ncallstack.." ||
            (entry.starts_with("error (") && !entry.ends_with(") too many errors")))
            ++errors;
    }
    logEntries(header.c_str(), 0, firstEntry, compiledFile);
    log.truncate(firstEntry);
    for (int i = 0; i < std::max(errors, 1); ++i) gameSystem_->countReportedError();
    gameSystem_->openConsole();
    return true;
}
