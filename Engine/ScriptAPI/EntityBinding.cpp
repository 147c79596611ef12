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
     "() or (s type name) -> ENTITY", nullptr, "expecting parameters (void) or (string)"},
    {"createEntityAsPlayer",
     createEntity<&EntityManager::createEntityAsPlayer, &EntityManager::createEntityAsPlayer, true>,
     "() or (s type name) -> ENTITY", nullptr, "expecting parameters (void) or (string)"},
    {"deleteAllEntities", entitymanager_deleteAllEntities, "() -> nothing"},
    {"getEntity", entitymanager_getEntity, "(i object id) -> ENTITY or null"},
    {"getAllEntities", entitymanager_getAllEntities,
     "() or (s type name) or (i type id) -> ENTITYLISTREFCONTAINER on the live list", nullptr,
     "expecting (void) or (typename) or (typeID)"},
    {"getAllPlayerEntities", entitymanager_getAllPlayerEntities,
     "() -> ENTITYLISTREFCONTAINER on the live list of players"},
    {"getNumEntities", entitymanager_getNumEntities, "() or (i type id) or (s type name) -> int", nullptr,
     "expecting (void) or (ENTITYTYPE) or (entityName)"},
    {"getNumPlayers", entitymanager_getNumPlayers, "() -> int"},
    {"getEntitiesRoughlyWithin", findEntities<&EntityManager::getEntitiesRoughlyWithin>,
     "(n minX, n minY, n maxX, n maxY) -> ENTITYLISTREFCONTAINER with its own list"},
    {"getEntitiesNear", findEntities<&EntityManager::getEntitiesNear>,
     "(n x, n y, n rangeX, n rangeY) -> ENTITYLISTREFCONTAINER with its own list"},
    {"getRandomPlayer", entitymanager_getRandomPlayer, "() -> ENTITY or null"},
    {"getRandomEntity", entitymanager_getRandomEntity, "(s type name) or (i type id) -> ENTITY or null",
     nullptr, "expecting (typename) or (typeID)"},
    {"flush", entitymanager_flush, "() -> nothing"},
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
    {"getUniqueAlarmID", gameObjectGetUniqueAlarmID<Entity>, "() -> int"},
    {"getUniqueLFOID", gameObjectGetUniqueLFOID<Entity>, "() -> int"},
    {"addAlarm", onGameObject<Entity, gameObjectAddAlarm>,
     "(i id, n interval) or (i id, n interval, b startAlarming) -> ALARM or null", nullptr,
     "expecting parameters (int,REAL) or (int,REAL,bool)"},
    {"deleteAlarm", onGameObject<Entity, gameObjectDeleteAlarm>, "(n id) -> nothing"},
    {"deleteLFO", onGameObject<Entity, gameObjectDeleteLFO>, "(n id) -> nothing"},
    {"getAlarm", onGameObject<Entity, gameObjectGetAlarm>, "(i id) -> ALARM or null"},
    {"addLFO", onGameObject<Entity, gameObjectAddLFO>,
     "(i id, LFO) -> the same LFO, which now belongs to this object"},
    {"getLFO", onGameObject<Entity, gameObjectGetLFO>, "(i id) -> LFO or null"},
    {"isBeingBorn", bindMember<&Entity::isBeingBorn>, "() -> bool"},
    {"isDead", bindMember<&Entity::isDead>, "() -> bool"},
    {"isExploding", bindMember<&Entity::isExploding>, "() -> bool"},
    {"isBoundedToGameBoard", bindMember<&Entity::isBoundedToGameBoard>, "() -> bool"},
    {"isInGameBoard", bindMember<&Entity::isInGameBoard>, "() -> bool"},
    {"hasTraversedGameBoard", bindMember<&Entity::hasTraversedGameBoard>, "() -> bool"},
    {"isPlayer", bindMember<&Entity::isPlayer>, "() -> bool"},
    {"isInvisible", bindMember<&Entity::isInvisible>, "() -> bool"},
    {"isAutoRemove", bindMember<&Entity::isAutoRemove>, "() -> bool"},
    {"getBirthTime", bindMember<&Entity::getBirthTime>, "() -> float"},
    {"getTimeAlive", bindMember<&Entity::getTimeAlive>, "() -> float"},
    {"getPercentageBorn", bindMember<&Entity::getPercentageBorn>, "() -> float"},
    {"getHP", bindMember<&Entity::getHP>, "() -> float"},
    {"getMaxHP", bindMember<&Entity::getMaxHP>, "() -> float"},
    {"getHPPercentage", bindMember<&Entity::getHPPercentage>, "() -> float"},
    {"getTimeTillDoneExploding", bindMember<&Entity::getTimeTillDoneExploding>, "() -> float"},
    {"getPercentageExploded", bindMember<&Entity::getPercentageExploded>, "() -> float"},
    {"getMaxExplosionTime", bindMember<&Entity::getMaxExplosionTime>, "() -> float"},
    {"getMSSinceExplosion", bindMember<&Entity::getMSSinceExplosion>, "() -> float"},
    {"setHP", bindMember<&Entity::setHP>, "(n) -> nothing"},
    {"addHP", bindMember<&Entity::addHP>, "(n) -> nothing"},
    {"setMaxHP", bindMember<&Entity::setMaxHP>, "(n) -> nothing"},
    {"setAllHP", bindMember<&Entity::setAllHP>, "(n) -> nothing"},
    {"setMaxExplosionTime", bindMember<&Entity::setMaxExplosionTime>, "(n) -> nothing"},
    {"ensureSaneHPLevels", bindMember<&Entity::ensureSaneHPLevels>, "() -> nothing"},
    {"tagForDeletion", bindMember<&Entity::tagForDeletion>, "() -> nothing"},
    {"explode", bindMember<&Entity::explode>, "() -> nothing"},
    {"setIsBoundedToGameBoard", bindMember<&Entity::setIsBoundedToGameBoard>, "(b) -> nothing"},
    {"setIsInvisible", bindMember<&Entity::setIsInvisible>, "(b) -> nothing"},
    {"setIsAutoRemove", bindMember<&Entity::setIsAutoRemove>, "(b) -> nothing"},
    {"getObjectID", entity_getObjectID, "() -> int"},
    {"getType", entity_getType, "() -> int"},
    {"isType", entity_isType, "(i type id) or (s type name) -> bool"},
    {"isSameType", entity_isSameType, "(ENTITY) -> bool"},
    {"getPhysicsData", entity_getPhysicsData, "() -> PHYSICSDATA"},
    {"getTable", entity_getTable, "() -> the script entity's table, or null"},
    {"callMethod", gameObjectCallMethod<Entity>,
     "(s name, any...) -> the method's result, or null when nothing handles it", nullptr,
     "expecting parameters (string,...)"},
    {"setTestColour", entity_setTestColour, "(n r, n g, n b) or (n r, n g, n b, n a) -> nothing", nullptr,
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
