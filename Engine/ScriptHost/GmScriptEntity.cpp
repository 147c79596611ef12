#include "Engine/ScriptHost/GmScriptEntity.h"

#include "Engine/ScriptHost/GmScriptModule.h"

GmScriptEntity::GmScriptEntity(const std::string& typeName, int typeID, bool isPlayer, GameSystem* gameSystem,
                               GmScriptModule* module)
    : Entity(gameSystem, typeID, isPlayer), GmScriptBaseObject(typeName, ScriptType::ENTITY, module) {
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

void GmScriptEntity::onEntityCollide(Entity* other) {
    callScriptMethod("onEntityCollide", {Argument::of(other)});
}
void GmScriptEntity::onEntityTouch(Entity* other) {
    callScriptMethod("onEntityTouch", {Argument::of(other)});
}
void GmScriptEntity::onEntityCollideWithGameBoard(int sides) {
    callScriptMethod("onEntityCollideWithGameBoard", {Argument::of(static_cast<int32_t>(sides))});
}

void GmScriptEntity::onEntityDelete(Entity* entity) {
    callScriptMethod("onEntityDelete", {Argument::of(entity)});
}
void GmScriptEntity::onEntityCreate(Entity* entity) {
    callScriptMethod("onEntityCreate", {Argument::of(entity)});
}
void GmScriptEntity::onEntityExplode(Entity* entity) {
    callScriptMethod("onEntityExplode", {Argument::of(entity)});
}
void GmScriptEntity::onKeyPress(int keyCode) {
    callScriptMethod("onKeyPress", {Argument::of(int32_t{keyCode})});
}
void GmScriptEntity::onKeyRelease(int keyCode) {
    callScriptMethod("onKeyRelease", {Argument::of(int32_t{keyCode})});
}
void GmScriptEntity::onKeyType(int character) {
    callScriptMethod("onKeyType", {Argument::of(int32_t{character})});
}
void GmScriptEntity::onAlarm(int alarmId) {
    callScriptMethod("onAlarm", {Argument::of(int32_t{alarmId})});
}

bool GmScriptEntity::callMethod(const std::string& name, const std::vector<MethodArgument>& arguments,
                                MethodArgument& result) {
    return callScriptMethodWithArguments(name, arguments, &result);
}
