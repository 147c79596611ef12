// ENTITYMANAGER (the global EntityManager) and ENTITY.
#include "Engine/Entity.h"
#include "Engine/EntityManager.h"
#include "Engine/EntityTypeRegistry.h"
#include "Engine/PhysicsData.h"
#include "Engine/ScriptAPI/GameObjectBinding.h"
#include "Engine/ScriptAPI/MemberBinding.h"
#include "Engine/ScriptAPI/RefContainer.h"
#include "Engine/ScriptAPI/ScriptTypes.h"
#include "Engine/ScriptHost/GmScriptEntity.h"

namespace {
gmValue entityValue(gmScriptThread* thread, Entity* entity) {
    return referenceTo(thread->getMachine(), ScriptType::ENTITY, entity);
}

// ---- ENTITYMANAGER ----

template <Entity* (EntityManager::*Plain)(), Entity* (EntityManager::*Named)(const std::string&), bool Player>
int createEntity(gmScriptThread* thread) {
    EntityManager* manager = selfAs<EntityManager>(thread);
    if (manager == nullptr)
        return kRunTimeError;
    if (thread->getNumParams() == 0) {
        thread->push(entityValue(thread, (manager->*Plain)()));
        return kDone;
    }
    if (thread->getNumParams() == 1 && thread->getParam(0).isString()) {
        thread->push(entityValue(thread, (manager->*Named)(thread->getParam(0).getString()->getText())));
        return kDone;
    }
    return usageError(thread);
}

int entitymanager_getEntity(gmScriptThread* thread) {
    EntityManager* manager = selfAs<EntityManager>(thread);
    int32_t id = 0;
    if (manager == nullptr || !gmCheckParamCount(thread, 1) || !gmIntParam(thread, 0, id))
        return kRunTimeError;
    thread->push(entityValue(thread, manager->getEntity(static_cast<uint32_t>(id))));
    return kDone;
}

int entitymanager_flush(gmScriptThread* thread) {
    EntityManager* manager = selfAs<EntityManager>(thread);
    if (manager == nullptr)
        return kRunTimeError;
    manager->flush();
    return kDone;
}

int entitymanager_deleteAllEntities(gmScriptThread* thread) {
    EntityManager* manager = selfAs<EntityManager>(thread);
    if (manager == nullptr)
        return kRunTimeError;
    manager->deleteAllEntities();
    return kDone;
}

int entitymanager_getAllEntities(gmScriptThread* thread) {
    EntityManager* manager = selfAs<EntityManager>(thread);
    if (manager == nullptr)
        return kRunTimeError;
    gmScriptMachine& machine = thread->getMachine();
    if (thread->getNumParams() == 0) {
        thread->push(newLiveEntityContainer(machine, manager, EntityListKind::kAll));
        return kDone;
    }
    const gmValue argument = thread->getParam(0);
    if (thread->getNumParams() == 1 && argument.isString()) {
        const int typeID =
            EntityTypeRegistry::getProcessRegistry().getEntityTypeID(argument.getString()->getText());
        thread->push(newLiveEntityContainer(machine, manager, EntityListKind::kType, typeID));
        return kDone;
    }
    if (thread->getNumParams() == 1 && argument.isInt()) {
        thread->push(newLiveEntityContainer(machine, manager, EntityListKind::kType, argument.getInt()));
        return kDone;
    }
    return usageError(thread);
}

int entitymanager_getAllPlayerEntities(gmScriptThread* thread) {
    EntityManager* manager = selfAs<EntityManager>(thread);
    if (manager == nullptr)
        return kRunTimeError;
    thread->push(newLiveEntityContainer(thread->getMachine(), manager, EntityListKind::kPlayers));
    return kDone;
}

int entitymanager_getNumEntities(gmScriptThread* thread) {
    EntityManager* manager = selfAs<EntityManager>(thread);
    if (manager == nullptr)
        return kRunTimeError;
    if (thread->getNumParams() == 0) {
        thread->pushInt(manager->getNumEntities());
        return kDone;
    }
    const gmValue argument = thread->getParam(0);
    if (thread->getNumParams() == 1 && argument.isInt()) {
        thread->pushInt(manager->getNumEntities(static_cast<int>(argument.getInt())));
        return kDone;
    }
    if (thread->getNumParams() == 1 && argument.isString()) {
        thread->pushInt(manager->getNumEntities(std::string(argument.getString()->getText())));
        return kDone;
    }
    return usageError(thread);
}

int entitymanager_getNumPlayers(gmScriptThread* thread) {
    EntityManager* manager = selfAs<EntityManager>(thread);
    if (manager == nullptr)
        return kRunTimeError;
    thread->pushInt(manager->getNumPlayers());
    return kDone;
}

template <int (EntityManager::*Query)(float, float, float, float, std::vector<Entity*>&)>
int findEntities(gmScriptThread* thread) {
    EntityManager* manager = selfAs<EntityManager>(thread);
    float a[4] = {};
    if (manager == nullptr || !gmCheckParamCount(thread, 4))
        return kRunTimeError;
    for (int32_t i = 0; i < 4; ++i)
        if (!gmFloatOrIntParam(thread, i, a[i]))
            return kRunTimeError;
    std::vector<Entity*> found;
    (manager->*Query)(a[0], a[1], a[2], a[3], found);
    thread->push(newEntitySnapshotContainer(thread->getMachine(), manager, found));
    return kDone;
}

int entitymanager_getRandomPlayer(gmScriptThread* thread) {
    EntityManager* manager = selfAs<EntityManager>(thread);
    if (manager == nullptr)
        return kRunTimeError;
    thread->push(entityValue(thread, manager->getRandomPlayer()));
    return kDone;
}

int entitymanager_getRandomEntity(gmScriptThread* thread) {
    EntityManager* manager = selfAs<EntityManager>(thread);
    if (manager == nullptr || !gmCheckParamCount(thread, 1))
        return kRunTimeError;
    const gmValue argument = thread->getParam(0);
    if (argument.isString()) {
        thread->push(
            entityValue(thread, manager->getRandomEntity(std::string(argument.getString()->getText()))));
        return kDone;
    }
    if (argument.isInt()) {
        thread->push(entityValue(thread, manager->getRandomEntity(static_cast<int>(argument.getInt()))));
        return kDone;
    }
    return usageError(thread);
}

constexpr ScriptMethod kEntityManagerMethods[] = {
    {"createEntity", createEntity<&EntityManager::createEntity, &EntityManager::createEntity, false>,
     "() or (s type name) -> ENTITY",
     "Makes an entity: () a plain one (type 0, drawn as its body in the test colour), (name) one of the "
     "script type NAME, whose type function and constructor run at once. It is returned now but joins the "
     "game (lists, counts, onEntityCreate) at the next flush.",
     "expecting parameters (void) or (string)"},
    {"createEntityAsPlayer",
     createEntity<&EntityManager::createEntityAsPlayer, &EntityManager::createEntityAsPlayer, true>,
     "() or (s type name) -> ENTITY",
     "As createEntity, for a player entity: in getAllPlayerEntities and getNumPlayers, and drawn after the "
     "others in the see-through pass.",
     "expecting parameters (void) or (string)"},
    {"deleteAllEntities", entitymanager_deleteAllEntities, "() -> nothing",
     "Tags every entity in the game for deletion; they go at the next flush. Entities made since the last "
     "flush stay."},
    {"getEntity", entitymanager_getEntity, "(i object id) -> ENTITY or null",
     "The entity in the game with that object id, or null."},
    {"getAllEntities", entitymanager_getAllEntities,
     "() or (s type name) or (i type id) -> ENTITYLISTREFCONTAINER on the live list",
     "A cursor over the entities in the game, all or of one type (name or id), in the order they joined. It "
     "follows the live list: entities joining or leaving later show in it.",
     "expecting (void) or (typename) or (typeID)"},
    {"getAllPlayerEntities", entitymanager_getAllPlayerEntities,
     "() -> ENTITYLISTREFCONTAINER on the live list of players",
     "A cursor over the player entities in the game, following the live list."},
    {"getNumEntities", entitymanager_getNumEntities, "() or (i type id) or (s type name) -> int",
     "The number of entities in the game, all or of one type (id or name); ones made since the last flush "
     "are not counted yet.",
     "expecting (void) or (ENTITYTYPE) or (entityName)"},
    {"getNumPlayers", entitymanager_getNumPlayers, "() -> int", "The number of player entities in the game."},
    {"getEntitiesRoughlyWithin", findEntities<&EntityManager::getEntitiesRoughlyWithin>,
     "(n minX, n minY, n maxX, n maxY) -> ENTITYLISTREFCONTAINER with its own list",
     "The entities whose bodies' bounding boxes overlap the rectangle from (minX, minY) to (maxX, maxY) in "
     "board units, at most 1024, entities made this tick included; a list of its own, which does not change "
     "later."},
    {"getEntitiesNear", findEntities<&EntityManager::getEntitiesNear>,
     "(n x, n y, n rangeX, n rangeY) -> ENTITYLISTREFCONTAINER with its own list",
     "The entities whose bodies' bounding boxes overlap the rectangle from x - rangeX to x + rangeX and y - "
     "rangeY to y + rangeY, in board units, at most 1024, entities made this tick included; a list of its "
     "own."},
    {"getRandomPlayer", entitymanager_getRandomPlayer, "() -> ENTITY or null",
     "A player entity picked at random, or null when there is none."},
    {"getRandomEntity", entitymanager_getRandomEntity, "(s type name) or (i type id) -> ENTITY or null",
     "An entity of the type (name or id) picked at random, or null when there is none.",
     "expecting (typename) or (typeID)"},
    {"flush", entitymanager_flush, "() -> nothing",
     "Runs the flush now instead of at the start of the next tick: new entities join (onEntityCreate), "
     "tagged and dead ones leave (onEntityDelete, destructor). Inside an entity walk it waits for the walk's "
     "end."},
};

// ---- ENTITY ----

Entity* entity(gmScriptThread* thread) {
    return selfAs<Entity>(thread);
}

// A name is turned into its type id (registered when new); any other argument is no type.
int entity_isType(gmScriptThread* thread) {
    Entity* self = entity(thread);
    if (self == nullptr || !gmCheckParamCount(thread, 1))
        return kRunTimeError;
    const gmValue argument = thread->getParam(0);
    bool result = false;
    if (argument.isInt()) {
        result = self->isType(static_cast<int>(argument.getInt()));
    } else if (argument.isString()) {
        result = self->isType(std::string(argument.getString()->getText()));
    }
    return pushBool(thread, result);
}

int entity_isSameType(gmScriptThread* thread) {
    Entity* self = entity(thread);
    Entity* other = nullptr;
    if (self == nullptr || !gmCheckParamCount(thread, 1) ||
        !objectParam(thread, 0, ScriptType::ENTITY, other))
        return kRunTimeError;
    return pushBool(thread, self->isSameType(*other));
}

int entity_setTestColour(gmScriptThread* thread) {
    Entity* self = entity(thread);
    if (self == nullptr)
        return kRunTimeError;
    const int32_t count = thread->getNumParams();
    if (count != 3 && count != 4)
        return usageError(thread);
    float c[4] = {0.0f, 0.0f, 0.0f, 1.0f};
    for (int32_t i = 0; i < count; ++i)
        if (!gmFloatOrIntParam(thread, i, c[i]))
            return kRunTimeError;
    self->setTestColour(c[0], c[1], c[2], c[3]);
    return kDone;
}

int entity_getObjectID(gmScriptThread* thread) {
    Entity* self = entity(thread);
    if (self == nullptr)
        return kRunTimeError;
    thread->pushInt(static_cast<int32_t>(self->getObjectID()));
    return kDone;
}

int entity_getType(gmScriptThread* thread) {
    Entity* self = entity(thread);
    if (self == nullptr)
        return kRunTimeError;
    thread->pushInt(self->getType());
    return kDone;
}

int entity_getPhysicsData(gmScriptThread* thread) {
    Entity* self = entity(thread);
    if (self == nullptr)
        return kRunTimeError;
    thread->push(referenceTo(thread->getMachine(), ScriptType::PHYSICSDATA, self->getPhysicsData()));
    return kDone;
}

int entity_getTable(gmScriptThread* thread) {
    Entity* self = entity(thread);
    if (self == nullptr)
        return kRunTimeError;
    auto* scripted = dynamic_cast<GmScriptEntity*>(self);
    if (scripted != nullptr && scripted->getTable() != nullptr)
        thread->pushTable(scripted->getTable());
    return kDone;
}

// Two values are the same entity when their object ids match; a value whose entity is gone equals
// only itself.
gmOperatorStatus entityEquals(gmScriptMachine&, gmScriptThread*, gmValue* operands) {
    const int32_t type = scriptTypeId(ScriptType::ENTITY);
    bool equal = false;
    if (operands[0].getType() == type && operands[1].getType() == type) {
        gmHostObject* a = operands[0].getHostObject();
        gmHostObject* b = operands[1].getHostObject();
        const auto* ea = static_cast<const Entity*>(a->getHostPointer());
        const auto* eb = static_cast<const Entity*>(b->getHostPointer());
        equal = a == b || (ea != nullptr && eb != nullptr && ea->getObjectID() == eb->getObjectID());
    }
    operands[0] = gmValue::makeInt(equal ? 1 : 0);
    return gmOperatorStatus::kOk;
}

constexpr ScriptMethod kEntityMethods[] = {
    {"getUniqueAlarmID", gameObjectGetUniqueAlarmID<Entity>, "() -> int",
     "An alarm id not used by this entity yet: one above its largest."},
    {"getUniqueLFOID", gameObjectGetUniqueLFOID<Entity>, "() -> int",
     "An oscillator id not used by this entity yet: one above its largest."},
    {"addAlarm", onGameObject<Entity, gameObjectAddAlarm>,
     "(i id, n interval) or (i id, n interval, b startAlarming) -> ALARM or null",
     "Gives the entity an alarm under the id, with the interval in ms; its onAlarm(id) is called every tick "
     "once the alarm is due, until the alarm is reset. An id in use is replaced.",
     "expecting parameters (int,REAL) or (int,REAL,bool)"},
    {"deleteAlarm", onGameObject<Entity, gameObjectDeleteAlarm>, "(n id) -> nothing",
     "Removes the entity's alarm of that id, at its next update; nothing for an unknown id."},
    {"deleteLFO", onGameObject<Entity, gameObjectDeleteLFO>, "(n id) -> nothing",
     "Removes the entity's oscillator of that id, at its next update; nothing for an unknown id."},
    {"getAlarm", onGameObject<Entity, gameObjectGetAlarm>, "(i id) -> ALARM or null",
     "The entity's alarm of that id, or null."},
    {"addLFO", onGameObject<Entity, gameObjectAddLFO>,
     "(i id, LFO) -> the same LFO, which now belongs to this object",
     "Gives the oscillator (made by SAWLFO, PULSELFO or TRIANGLELFO) to the entity under the id; the entity "
     "updates it every tick. One that belongs to an object already is refused with an error."},
    {"getLFO", onGameObject<Entity, gameObjectGetLFO>, "(i id) -> LFO or null",
     "The entity's oscillator of that id, or null."},
    {"isBeingBorn", bindMember<&Entity::isBeingBorn>, "() -> bool",
     "True while the entity is younger than its birth time, which is 0: so always false."},
    {"isDead", bindMember<&Entity::isDead>, "() -> bool",
     "True once it has exploded and its explosion time is over; it leaves the game at the next flush."},
    {"isExploding", bindMember<&Entity::isExploding>, "() -> bool",
     "True from explode() (or its HP reaching 0) on."},
    {"isBoundedToGameBoard", bindMember<&Entity::isBoundedToGameBoard>, "() -> bool",
     "Whether the body is put back inside when it crosses an edge of the board (true by default)."},
    {"isInGameBoard", bindMember<&Entity::isInGameBoard>, "() -> bool",
     "False when, at its last update, the body lay wholly outside the board (and before its first update)."},
    {"hasTraversedGameBoard", bindMember<&Entity::hasTraversedGameBoard>, "() -> bool",
     "True once the body has been on the board and then wholly outside it."},
    {"isPlayer", bindMember<&Entity::isPlayer>, "() -> bool",
     "True for an entity made by createEntityAsPlayer."},
    {"isInvisible", bindMember<&Entity::isInvisible>, "() -> bool",
     "Whether draw and drawAlpha are skipped (false by default)."},
    {"isAutoRemove", bindMember<&Entity::isAutoRemove>, "() -> bool",
     "Whether the entity is deleted when it leaves the board after having been on it (true by default; "
     "explode turns it off)."},
    {"getBirthTime", bindMember<&Entity::getBirthTime>, "() -> float",
     "The length of the birth phase in ms: 0."},
    {"getTimeAlive", bindMember<&Entity::getTimeAlive>, "() -> float",
     "The milliseconds of game time the entity has been updated."},
    {"getPercentageBorn", bindMember<&Entity::getPercentageBorn>, "() -> float",
     "How far through the birth phase it is, 0 to 1: 1, as there is none."},
    {"getHP", bindMember<&Entity::getHP>, "() -> float", "The hit points (default 1; -1 once exploding)."},
    {"getMaxHP", bindMember<&Entity::getMaxHP>, "() -> float", "The maximum hit points (default 1)."},
    {"getHPPercentage", bindMember<&Entity::getHPPercentage>, "() -> float",
     "HP over max HP, 0 to 1; 0 when the max is 0 or less."},
    {"getTimeTillDoneExploding", bindMember<&Entity::getTimeTillDoneExploding>, "() -> float",
     "Milliseconds left of the explosion: explosion time minus the time since explode, negative once over."},
    {"getPercentageExploded", bindMember<&Entity::getPercentageExploded>, "() -> float",
     "How far through the explosion it is (not clamped); with no explosion time 1 while exploding, else 0."},
    {"getMaxExplosionTime", bindMember<&Entity::getMaxExplosionTime>, "() -> float",
     "How long the explosion lasts in ms before the entity is dead (default 0)."},
    {"getMSSinceExplosion", bindMember<&Entity::getMSSinceExplosion>, "() -> float",
     "Milliseconds since explode (0 before)."},
    {"setHP", bindMember<&Entity::setHP>, "(n) -> nothing",
     "Sets the hit points (the script entity's setHP hears it first); at 0 or less the entity explodes. Not "
     "limited by the max HP."},
    {"addHP", bindMember<&Entity::addHP>, "(n) -> nothing",
     "Adds to the hit points (negative takes away), then lowers them to the max HP; at 0 or less the entity "
     "explodes."},
    {"setMaxHP", bindMember<&Entity::setMaxHP>, "(n) -> nothing",
     "Sets the maximum hit points; the current HP stay as they are."},
    {"setAllHP", bindMember<&Entity::setAllHP>, "(n) -> nothing",
     "Sets both the maximum and the current hit points."},
    {"setMaxExplosionTime", bindMember<&Entity::setMaxExplosionTime>, "(n) -> nothing",
     "Sets how long the explosion lasts in ms (0: the entity is dead as soon as it explodes)."},
    {"ensureSaneHPLevels", bindMember<&Entity::ensureSaneHPLevels>, "() -> nothing",
     "Lowers the hit points to the max HP when they are above it."},
    {"tagForDeletion", bindMember<&Entity::tagForDeletion>, "() -> nothing",
     "Marks the entity to leave the game at the next flush (onEntityDelete, then its destructor); it stays "
     "valid until then."},
    {"explode", bindMember<&Entity::explode>, "() -> nothing",
     "Starts the explosion: HP become -1, the script's explode and every onEntityExplode are called; after "
     "the explosion time the entity is dead and goes. Nothing when it explodes already."},
    {"setIsBoundedToGameBoard", bindMember<&Entity::setIsBoundedToGameBoard>, "(b) -> nothing",
     "True (default) puts the body back inside when it crosses an edge of the board; false lets it leave "
     "(onEntityCollideWithGameBoard is called every tick it is out)."},
    {"setIsInvisible", bindMember<&Entity::setIsInvisible>, "(b) -> nothing",
     "True skips the entity's draw and drawAlpha."},
    {"setIsAutoRemove", bindMember<&Entity::setIsAutoRemove>, "(b) -> nothing",
     "True (default) deletes the entity when it leaves the board after having been on it; matters for "
     "entities not bounded to the board."},
    {"getObjectID", entity_getObjectID, "() -> int",
     "The entity's id, unique for the whole run: ids are never reused."},
    {"getType", entity_getType, "() -> int",
     "The entity's type id (0 for a plain entity); ENTITY_GetTypeName gives its name."},
    {"isType", entity_isType, "(i type id) or (s type name) -> bool",
     "True when the entity is of the type (id, or name turned into its id); false for any other argument."},
    {"isSameType", entity_isSameType, "(ENTITY) -> bool", "True when both entities have the same type id."},
    {"getPhysicsData", entity_getPhysicsData, "() -> PHYSICSDATA",
     "The entity's body: position, speed, shape and collisions."},
    {"getTable", entity_getTable, "() -> the script entity's table, or null",
     "The table a script entity's type function returned, to read its members from another script; null for "
     "a plain entity."},
    {"callMethod", gameObjectCallMethod<Entity>,
     "(s name, any...) -> the method's result, or null when nothing handles it",
     "Calls the function of that name in the script entity's table with the other arguments and returns its "
     "result; null when it has none.",
     "expecting parameters (string,...)"},
    {"setTestColour", entity_setTestColour, "(n r, n g, n b) or (n r, n g, n b, n a) -> nothing",
     "Sets the colour (components 0 to 1, alpha 1 when left out) the engine draws the body in when the "
     "entity has no draw of its own (default grey 0.6).",
     "expecting (r,g,b) or (r,g,b,a)"},
};

constexpr ScriptOperator kEntityOperators[] = {
    {kGmOpEq, entityEquals},
};
}  // namespace

const ScriptTypeTable kEntityManagerType{.type = ScriptType::ENTITYMANAGER,
                                         .name = "ENTITYMANAGER",
                                         .methods = kEntityManagerMethods,
                                         .destruct = destructHandle<EntityManager>};
const ScriptTypeTable kEntityType{
    .type = ScriptType::ENTITY,
    .name = "ENTITY",
    .methods = kEntityMethods,
    .operators = kEntityOperators,
    .destruct = destructHandle<Entity>,
    .operatorForms = "a == b: 1 when both are ENTITY values of the same entity (same object id), else 0"};
