#include "Engine/ScriptHost/GmScriptProcess.h"

#include "Engine/GameBoard.h"
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
// After the two entities come the contact's normal (from a toward b) and point; a script function
// with fewer parameters drops them.
void GmScriptProcess::onEntityCollide(Entity* a, Entity* b) {
    const Contact contact = getGameSystem() != nullptr ? getGameSystem()->getContact() : Contact{};
    callScriptMethod("onEntityCollide", {Argument::of(a), Argument::of(b), Argument::of(contact.normal),
                                         Argument::of(contact.point)});
}
namespace {
// One array, so the name asked about is the name called (absent names are kept by address).
constexpr char kOnEntityTouch[] = "onEntityTouch";
}  // namespace

void GmScriptProcess::onEntityTouch(Entity* a, Entity* b) {
    const Contact contact = getGameSystem() != nullptr ? getGameSystem()->getContact() : Contact{};
    callScriptMethod(kOnEntityTouch, {Argument::of(a), Argument::of(b), Argument::of(contact.normal),
                                      Argument::of(contact.point)});
}
bool GmScriptProcess::hearsEntityTouch() const {
    return mayHaveScriptMethod(kOnEntityTouch);
}
// A process hears which entity hit the board and the sides' normal, not the side flags.
void GmScriptProcess::onEntityCollideWithGameBoard(Entity* entity, int sideFlags) {
    callScriptMethod("onEntityCollideWithGameBoard",
                     {Argument::of(entity), Argument::of(getGameBoardSideNormal(sideFlags))});
}
