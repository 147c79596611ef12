#include "Engine/ScriptHost/GmScriptProcess.h"

#include "Engine/GameSystem.h"
#include "Engine/Logger.h"
#include "Engine/ScriptHost/GmScriptModule.h"

GmScriptProcess::GmScriptProcess(const std::string& name, GameSystem* gameSystem, GmScriptModule* module)
    : GmScriptEventForwarder(name, ScriptType::PROCESS, module, name, gameSystem) {
    addTypeName("GmScriptBaseObject");
    addTypeName("GmScriptProcess");
    buildScriptTable();
}

GmScriptProcess::~GmScriptProcess() {
    callScriptMethod("destructor");
}

gmValue GmScriptProcess::makeOwnerValue() {
    return referenceTo(module_->getMachine(), ScriptType::PROCESS, static_cast<Process*>(this));
}

// 1 means initialised; any other int means "call again next tick". Anything else is a mistake
// that is reported and taken as done, so a process never hangs in init.
bool GmScriptProcess::init() {
    CallResult result;
    if (!callScriptMethod("init", {}, &result))
        return true;
    if (result.finished && result.value.isInt())
        return result.value.getInt() == 1;
    getGameSystem()->getLogger()->logText(getName() +
                                          ": expecting 'init()' to return a boolean.  Assuming true.");
    return true;
}

void GmScriptProcess::update(float deltaMS) {
    callScriptMethod("update", {Argument::of(deltaMS)});
}
void GmScriptProcess::preDraw() {
    callScriptMethod("preDraw");
}
void GmScriptProcess::postDraw() {
    callScriptMethod("postDraw");
}
void GmScriptProcess::onEntityCollide(Entity* a, Entity* b) {
    callScriptMethod("onEntityCollide", {Argument::of(a), Argument::of(b)});
}
void GmScriptProcess::onEntityTouch(Entity* a, Entity* b) {
    callScriptMethod("onEntityTouch", {Argument::of(a), Argument::of(b)});
}
// A process hears which entity hit the board, not which sides.
void GmScriptProcess::onEntityCollideWithGameBoard(Entity* entity, int) {
    callScriptMethod("onEntityCollideWithGameBoard", {Argument::of(entity)});
}
