// AIHELPER (the global AIHelper): steering and targeting.
#include "Engine/AIHelper.h"
#include "Engine/Entity.h"
#include "Engine/RealPoint.h"
#include "Engine/ScriptAPI/ScriptTypes.h"

namespace {
AIHelper* helper(gmScriptThread* thread) {
    return selfAs<AIHelper>(thread);
}

bool entityParam(gmScriptThread* thread, int32_t index, Entity*& out) {
    return objectParam(thread, index, ScriptType::ENTITY, out);
}

int aihelper_face(gmScriptThread* thread) {
    AIHelper* self = helper(thread);
    RealPoint dir;
    Entity* who = nullptr;
    if (self == nullptr || !gmCheckParamCount(thread, 2) || !pointParam(thread, 0, dir) ||
        !entityParam(thread, 1, who))
        return kRunTimeError;
    self->face(dir, who);
    return kDone;
}

int aihelper_faceTarget(gmScriptThread* thread) {
    AIHelper* self = helper(thread);
    Entity* target = nullptr;
    Entity* who = nullptr;
    if (self == nullptr || !gmCheckParamCount(thread, 2) || !entityParam(thread, 0, target) ||
        !entityParam(thread, 1, who))
        return kRunTimeError;
    self->faceTarget(target, who);
    return kDone;
}

int aihelper_leadTarget(gmScriptThread* thread) {
    AIHelper* self = helper(thread);
    Entity* who = nullptr;
    Entity* target = nullptr;
    float speed = 0.0f;
    if (self == nullptr || !gmCheckParamCount(thread, 3) || !entityParam(thread, 0, who) ||
        !entityParam(thread, 1, target) || !gmFloatOrIntParam(thread, 2, speed))
        return kRunTimeError;
    return pushPoint(thread, self->leadTarget(who, target, speed));
}

int aihelper_findClosestPlayer(gmScriptThread* thread) {
    AIHelper* self = helper(thread);
    Entity* who = nullptr;
    if (self == nullptr || !gmCheckParamCount(thread, 1) || !entityParam(thread, 0, who))
        return kRunTimeError;
    thread->push(referenceTo(thread->getMachine(), ScriptType::ENTITY, self->findClosestPlayer(who)));
    return kDone;
}

// (who) or (type id, who) or (type name, who).
int aihelper_findClosestEntity(gmScriptThread* thread) {
    AIHelper* self = helper(thread);
    if (self == nullptr)
        return kRunTimeError;
    Entity* who = nullptr;
    Entity* found = nullptr;
    const int32_t count = thread->getNumParams();
    if (count == 1) {
        if (!entityParam(thread, 0, who))
            return kRunTimeError;
        found = self->findClosestEntity(who);
    } else if (count == 2 && thread->getParam(0).isInt()) {
        if (!entityParam(thread, 1, who))
            return kRunTimeError;
        found = self->findClosestEntity(static_cast<int>(thread->getParam(0).getInt()), who);
    } else if (count == 2 && thread->getParam(0).isString()) {
        if (!entityParam(thread, 1, who))
            return kRunTimeError;
        found = self->findClosestEntity(std::string(thread->getParam(0).getString()->getText()), who);
    } else {
        return usageError(thread);
    }
    thread->push(referenceTo(thread->getMachine(), ScriptType::ENTITY, found));
    return kDone;
}

int aihelper_getWhichSide(gmScriptThread* thread) {
    AIHelper* self = helper(thread);
    Entity* who = nullptr;
    Entity* target = nullptr;
    if (self == nullptr || !gmCheckParamCount(thread, 2) || !entityParam(thread, 0, who) ||
        !entityParam(thread, 1, target))
        return kRunTimeError;
    thread->pushInt(self->getWhichSide(who, target));
    return kDone;
}

int aihelper_isInFront(gmScriptThread* thread) {
    AIHelper* self = helper(thread);
    Entity* who = nullptr;
    Entity* target = nullptr;
    float range = 0.0f;
    float width = 0.0f;
    if (self == nullptr || !gmCheckParamCount(thread, 4) || !entityParam(thread, 0, who) ||
        !entityParam(thread, 1, target) || !gmFloatOrIntParam(thread, 2, range) ||
        !gmFloatOrIntParam(thread, 3, width))
        return kRunTimeError;
    return pushBool(thread, self->isInFront(who, target, range, width));
}

constexpr ScriptMethod kMethods[] = {
    {"face", aihelper_face, "(REALPOINT dir, ENTITY who) -> nothing",
     "Turns who towards the direction: snaps to it when one tick's turn reaches it, otherwise asks for a "
     "turn that way within the body's rotate limits. Call it every tick."},
    {"faceTarget", aihelper_faceTarget, "(ENTITY target, ENTITY who) -> nothing",
     "Turns who towards the target's position, as face."},
    {"leadTarget", aihelper_leadTarget, "(ENTITY who, ENTITY target, n speed) -> new REALPOINT",
     "The direction (length 1) to aim at so that something leaving who at the speed (board units per ms) "
     "meets the moving target, and turns who that way; speed 0 or less aims at where the target is. (0, 0) "
     "when both stand on the same spot."},
    {"findClosestPlayer", aihelper_findClosestPlayer, "(ENTITY who) -> ENTITY or null",
     "The player entity nearest to who (who itself counts, at distance 0, when it is a player); null without "
     "players."},
    {"findClosestEntity", aihelper_findClosestEntity,
     "(ENTITY who) or (i type id, ENTITY who) or (s type name, ENTITY who) -> ENTITY or null",
     "The entity nearest to who, among all or those of a type (id or name). Who itself counts, at distance "
     "0: (who) alone gives who. Null when there is none.",
     "expecting (who) or (type,who) or (name,who)"},
    {"getWhichSide", aihelper_getWhichSide, "(ENTITY who, ENTITY target) -> int",
     "On which side of who's heading the target lies: 1 anticlockwise (left), -1 clockwise (right), 0 dead "
     "ahead."},
    {"isInFront", aihelper_isInFront, "(ENTITY who, ENTITY target, n range, n width) -> bool",
     "True when the target (with its radius) lies in the corridor ahead of who, width board units wide and "
     "reaching range units past the target's own radius."},
};
}  // namespace

const ScriptTypeTable kAIHelperType{.type = ScriptType::AIHELPER, .name = "AIHELPER", .methods = kMethods};
