// LOGGER (the global Logger): the engine log as scripts see it.
#include "Engine/Logger.h"
#include "Engine/ScriptAPI/ScriptText.h"
#include "Engine/ScriptAPI/ScriptTypes.h"

namespace {
Logger* logger(gmScriptThread* thread) {
    return selfAs<Logger>(thread);
}

int logger_logText(gmScriptThread* thread) {
    logger(thread)->logText(scriptTraceText(thread));
    return kDone;
}

int logger_reset(gmScriptThread* thread) {
    logger(thread)->reset();
    return kDone;
}

int logger_getOutput(gmScriptThread* thread) {
    gmScriptMachine& machine = thread->getMachine();
    gmTable* table = machine.createTable();
    // On the stack first, so the strings made below cannot collect it.
    thread->pushTable(table);
    const std::vector<std::string>& lines = logger(thread)->getOutput();
    for (std::size_t i = 0; i < lines.size(); ++i) {
        table->set(machine, gmValue::makeInt(static_cast<int32_t>(i)),
                   gmValue::makeString(
                       machine.internString(lines[i].c_str(), static_cast<int32_t>(lines[i].size()))));
    }
    table->setField(machine, "size", gmValue::makeInt(static_cast<int32_t>(lines.size())));
    return kDone;
}

int logger_outputToFile(gmScriptThread* thread) {
    const char* fileName = nullptr;
    if (!gmCheckParamCount(thread, 1) || !gmStringParam(thread, 0, fileName))
        return kRunTimeError;
    logger(thread)->outputToFile(fileName);
    return kDone;
}

int logger_getChangeID(gmScriptThread* thread) {
    thread->pushInt(logger(thread)->getChangeID());
    return kDone;
}

constexpr ScriptMethod kMethods[] = {
    {"logText", logger_logText, "(any...) -> nothing; logs the arguments as one line",
     "Writes the arguments to the log as one line, as GameSystem.trace does."},
    {"reset", logger_reset, "() -> nothing", "Empties the log."},
    {"getOutput", logger_getOutput, "() -> new table: the lines at 0, 1, ..., and \"size\"",
     "The log's lines so far, oldest first."},
    {"outputToFile", logger_outputToFile, "(s file name) -> nothing",
     "Logs \"Writing output to NAME\", then writes every line of the log to the file NAME in the game "
     "folder, replacing it."},
    {"getChangeID", logger_getChangeID, "() -> int",
     "A number that changes whenever the log does: compare it with the last one read to see whether there "
     "are new lines."},
};
}  // namespace

const ScriptTypeTable kLoggerType{.type = ScriptType::LOGGER, .name = "LOGGER", .methods = kMethods};
