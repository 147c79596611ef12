#include "Engine/ScriptHost/GmScriptEntity.h"

#include "Engine/GameBoard.h"
#include "Engine/GameSystem.h"
#include "Engine/ScriptHost/GmScriptModule.h"

GmScriptEntity::GmScriptEntity(const std::string& typeName, int typeID, bool isPlayer, GameSystem* gameSystem,
                               GmScriptModule* module)
    : GmScriptEventForwarder(typeName, ScriptType::ENTITY, module, gameSystem, typeID, isPlayer) {
    addTypeName("GmScriptBaseObject");
    addTypeName("GmScriptEntity");
    buildScriptTable();
}

GmScriptEntity::~GmScriptEntity() {
    callScriptMethod("destructor");
}

gmValue GmScriptEntity::makeOwnerValue() {
    return referenceTo(module_->getMachine(), ScriptType::ENTITY, static_cast<Entity*>(this));
}

void GmScriptEntity::update(float deltaMS) {
    Entity::update(deltaMS);
    callScriptMethod("update", {Argument::of(deltaMS)});
}

void GmScriptEntity::draw() {
    if (!callScriptMethod("draw"))
        Entity::draw();
}

void GmScriptEntity::drawAlpha() {
    callScriptMethod("drawAlpha");
}

void GmScriptEntity::setHP(float hp) {
    callScriptMethod("setHP", {Argument::of(hp)});
    Entity::setHP(hp);
}

void GmScriptEntity::explode() {
    if (isExploding())
        return;
    callScriptMethod("explode");
    Entity::explode();
}

namespace {
// One array, so the name asked about is the name called (absent names are kept by address).
constexpr char kOnEntityTouch[] = "onEntityTouch";

Contact contactOf(const GameSystem* gameSystem) {
    return gameSystem != nullptr ? gameSystem->getContact() : Contact{};
}
}  // namespace

// The contact's normal (from this entity toward [other]) and point follow the other entity; a
// script function with fewer parameters drops them.
void GmScriptEntity::onEntityCollide(Entity* other) {
    const Contact contact = contactOf(getGameSystem());
    callScriptMethod("onEntityCollide",
                     {Argument::of(other), Argument::of(contact.normal), Argument::of(contact.point)});
}
void GmScriptEntity::onEntityTouch(Entity* other) {
    const Contact contact = contactOf(getGameSystem());
    callScriptMethod(kOnEntityTouch,
                     {Argument::of(other), Argument::of(contact.normal), Argument::of(contact.point)});
}
bool GmScriptEntity::hearsEntityTouch() const {
    return mayHaveScriptMethod(kOnEntityTouch);
}
void GmScriptEntity::onEntityCollideWithGameBoard(int sides) {
    callScriptMethod("onEntityCollideWithGameBoard", {Argument::of(static_cast<int32_t>(sides)),
                                                      Argument::of(getGameBoardSideNormal(sides))});
}
