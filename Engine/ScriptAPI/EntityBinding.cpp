// ENTITYMANAGER (the global EntityManager) and ENTITY.
#include "Engine/Entity.h"
#include "Engine/EntityManager.h"
#include "Engine/GmScriptEntity.h"
#include "Engine/PhysicsData.h"
#include "Engine/ScriptAPI/GameObjectBinding.h"
#include "Engine/ScriptAPI/ScriptTypes.h"

namespace {
gmValue entityValue(gmScriptThread* thread, Entity* entity) {
    return referenceTo(thread->getMachine(), ScriptType::ENTITY, entity);
}

// ---- ENTITYMANAGER ----

template <Entity* (EntityManager::*Plain)(), Entity* (EntityManager::*Named)(const std::string&), bool Player>
int createEntity(gmScriptThread* thread) {
    EntityManager* manager = selfAs<EntityManager>(thread);
    if (manager == nullptr) return kRunTimeError;
    if (thread->getNumParams() == 0) {
        thread->push(entityValue(thread, (manager->*Plain)()));
        return kDone;
    }
    if (thread->getNumParams() == 1 && thread->getParam(0).isString()) {
        thread->push(entityValue(thread, (manager->*Named)(thread->getParam(0).getString()->getText())));
        return kDone;
    }
    return scriptError(thread, "\"%s\" expecting parameters (void) or (string)",
                       Player ? "createEntityAsPlayer" : "createEntity");
}

int entitymanager_getEntity(gmScriptThread* thread) {
    EntityManager* manager = selfAs<EntityManager>(thread);
    int32_t id = 0;
    if (manager == nullptr || !gmCheckParamCount(thread, 1) || !gmIntParam(thread, 0, id)) return kRunTimeError;
    thread->push(entityValue(thread, manager->getEntity(static_cast<uint32_t>(id))));
    return kDone;
}

int entitymanager_flush(gmScriptThread* thread) {
    EntityManager* manager = selfAs<EntityManager>(thread);
    if (manager == nullptr) return kRunTimeError;
    manager->flush();
    return kDone;
}

int entitymanager_deleteAllEntities(gmScriptThread* thread) {
    EntityManager* manager = selfAs<EntityManager>(thread);
    if (manager == nullptr) return kRunTimeError;
    manager->deleteAllEntities();
    return kDone;
}

constexpr ScriptMethod kEntityManagerMethods[] = {
    {"createEntity", createEntity<&EntityManager::createEntity, &EntityManager::createEntity, false>},
    {"createEntityAsPlayer", createEntity<&EntityManager::createEntityAsPlayer, &EntityManager::createEntityAsPlayer, true>},
    {"deleteAllEntities", entitymanager_deleteAllEntities},
    {"getEntity", entitymanager_getEntity},
    {"flush", entitymanager_flush},
};

// ---- ENTITY ----

Entity* entity(gmScriptThread* thread) { return selfAs<Entity>(thread); }

template <float (Entity::*Getter)() const>
int getFloat(gmScriptThread* thread) {
    Entity* self = entity(thread);
    if (self == nullptr) return kRunTimeError;
    thread->pushFloat((self->*Getter)());
    return kDone;
}

template <void (Entity::*Setter)(float)>
int setFloat(gmScriptThread* thread) {
    Entity* self = entity(thread);
    float value = 0.0f;
    if (self == nullptr || !gmCheckParamCount(thread, 1) || !gmFloatOrIntParam(thread, 0, value)) return kRunTimeError;
    (self->*Setter)(value);
    return kDone;
}

template <void (Entity::*Operation)()>
int noArguments(gmScriptThread* thread) {
    Entity* self = entity(thread);
    if (self == nullptr) return kRunTimeError;
    (self->*Operation)();
    return kDone;
}

int entity_getObjectID(gmScriptThread* thread) {
    Entity* self = entity(thread);
    if (self == nullptr) return kRunTimeError;
    thread->pushInt(static_cast<int32_t>(self->getObjectID()));
    return kDone;
}

int entity_getType(gmScriptThread* thread) {
    Entity* self = entity(thread);
    if (self == nullptr) return kRunTimeError;
    thread->pushInt(self->getType());
    return kDone;
}

int entity_getPhysicsData(gmScriptThread* thread) {
    Entity* self = entity(thread);
    if (self == nullptr) return kRunTimeError;
    thread->push(referenceTo(thread->getMachine(), ScriptType::PHYSICSDATA, self->getPhysicsData()));
    return kDone;
}

int entity_getTable(gmScriptThread* thread) {
    Entity* self = entity(thread);
    if (self == nullptr) return kRunTimeError;
    auto* scripted = dynamic_cast<GmScriptEntity*>(self);
    if (scripted != nullptr && scripted->getTable() != nullptr) thread->pushTable(scripted->getTable());
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
    {"getUniqueAlarmID", gameObjectGetUniqueAlarmID<Entity>},
    {"getUniqueLFOID", gameObjectGetUniqueLFOID<Entity>},
    {"addAlarm", onGameObject<Entity, gameObjectAddAlarm>},
    {"deleteAlarm", onGameObject<Entity, gameObjectDeleteAlarm>},
    {"getAlarm", onGameObject<Entity, gameObjectGetAlarm>},
    {"addLFO", onGameObject<Entity, gameObjectAddLFO>},
    {"deleteLFO", onGameObject<Entity, gameObjectDeleteLFO>},
    {"getLFO", onGameObject<Entity, gameObjectGetLFO>},
    {"getHP", getFloat<&Entity::getHP>},
    {"setHP", setFloat<&Entity::setHP>},
    {"explode", noArguments<&Entity::explode>},
    {"tagForDeletion", noArguments<&Entity::tagForDeletion>},
    {"getObjectID", entity_getObjectID},
    {"getType", entity_getType},
    {"getPhysicsData", entity_getPhysicsData},
    {"getTable", entity_getTable},
    {"callMethod", gameObjectCallMethod<Entity>},
};

constexpr ScriptOperator kEntityOperators[] = {
    {kGmOpEq, entityEquals},
};
}  // namespace

const ScriptTypeTable kEntityManagerType{ScriptType::ENTITYMANAGER, "ENTITYMANAGER", kEntityManagerMethods, {}, {},
                                         nullptr, destructHandle<EntityManager>};
const ScriptTypeTable kEntityType{ScriptType::ENTITY, "ENTITY", kEntityMethods, kEntityOperators, {}, nullptr,
                                  destructHandle<Entity>};
