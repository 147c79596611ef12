// PARTICLEMANAGER (the global ParticleManager) and PARTICLE.
#include <cstring>

#include "Engine/Particle.h"
#include "Engine/ParticleManager.h"
#include "Engine/RealPoint.h"
#include "Engine/ScriptAPI/MemberBinding.h"
#include "Engine/ScriptAPI/RefContainer.h"
#include "Engine/ScriptAPI/ScriptTypes.h"

namespace {
// ---- PARTICLEMANAGER ----

ParticleManager* manager(gmScriptThread* thread) {
    return selfAs<ParticleManager>(thread);
}

int particlemanager_createParticle(gmScriptThread* thread) {
    ParticleManager* self = manager(thread);
    if (self == nullptr)
        return kRunTimeError;
    Particle* particle = nullptr;
    if (thread->getNumParams() == 0) {
        particle = self->createParticle();
    } else if (thread->getNumParams() == 1 && thread->getParam(0).isString()) {
        particle = self->createParticle(std::string(thread->getParam(0).getString()->getText()));
    } else {
        return usageError(thread);
    }
    thread->push(referenceTo(thread->getMachine(), ScriptType::PARTICLE, particle));
    return kDone;
}

int particlemanager_getAllParticles(gmScriptThread* thread) {
    ParticleManager* self = manager(thread);
    if (self == nullptr)
        return kRunTimeError;
    thread->push(newParticleContainer(thread->getMachine(), self));
    return kDone;
}

int particlemanager_getNumParticles(gmScriptThread* thread) {
    ParticleManager* self = manager(thread);
    if (self == nullptr)
        return kRunTimeError;
    thread->pushInt(self->getNumParticles());
    return kDone;
}

int particlemanager_flush(gmScriptThread* thread) {
    ParticleManager* self = manager(thread);
    if (self == nullptr)
        return kRunTimeError;
    self->flush();
    return kDone;
}

constexpr ScriptMethod kManagerMethods[] = {
    {"createParticle", particlemanager_createParticle, "() or (s name) -> PARTICLE",
     "Makes a particle: () a plain one, drawn as a small square fading out over its life; (name) one of the "
     "script type NAME, whose type function and constructor run at once. It joins at the next particle "
     "update (or flush). Lives 1000 ms unless set.",
     "expecting parameters (void) or (name)"},
    {"getAllParticles", particlemanager_getAllParticles,
     "() -> ENTITYLISTREFCONTAINER of PARTICLE values on the live list",
     "A cursor over the live particles, following the live list: particles added or removed later show in "
     "it."},
    {"getNumParticles", particlemanager_getNumParticles, "() -> int",
     "The number of live particles; ones made since the last particle update are not counted yet."},
    {"flush", particlemanager_flush, "() -> nothing",
     "Now rather than at the next particle update: new particles join and those whose time to live is over "
     "go (their destructor runs)."},
};

// ---- PARTICLE ----

// The particle's pos, vel or acc, through its value, for the aliases these members read as.
template <RealPoint Particle::*Member>
bool accessParticlePoint(gmHostObject* particleValue, const RealPoint* in, RealPoint& out) {
    auto* particle = static_cast<Particle*>(particleValue->getHostPointer());
    if (particle == nullptr)
        return false;
    if (in != nullptr)
        particle->*Member = *in;
    out = particle->*Member;
    return true;
}

using PointAccess = bool (*)(gmHostObject*, const RealPoint*, RealPoint&);

PointAccess accessOf(const gmValue& name) {
    const char* member = name.isString() ? name.getString()->getText() : "";
    if (std::strcmp(member, "pos") == 0)
        return accessParticlePoint<&Particle::pos>;
    if (std::strcmp(member, "vel") == 0)
        return accessParticlePoint<&Particle::vel>;
    if (std::strcmp(member, "acc") == 0)
        return accessParticlePoint<&Particle::acc>;
    return nullptr;
}

// pos, vel and acc read as REALPOINT aliases of the particle's own points: `p.vel.x = 0` stops it.
// An alias kept past the particle's end is the error "PARTICLE no longer exists" when used.
gmOperatorStatus particleGetDot(gmScriptMachine& machine, gmScriptThread*, gmValue* operands) {
    const PointAccess access = accessOf(operands[1]);
    const bool alive = operands[0].getHostObject()->getHostPointer() != nullptr;
    operands[0] =
        access != nullptr && alive ? newPointAlias(machine, operands[0].getHostObject(), access) : gmValue();
    return gmOperatorStatus::kOk;
}

gmOperatorStatus particleSetDot(gmScriptMachine& machine, gmScriptThread*, gmValue* operands) {
    auto* particle = static_cast<Particle*>(operands[0].getHostObject()->getHostPointer());
    // A write to a particle that has died would otherwise vanish without a word.
    if (particle == nullptr) {
        machine.getErrorLog().logf("PARTICLE no longer exists");
        return gmOperatorStatus::kOk;
    }
    const PointAccess access = accessOf(operands[2]);
    if (access == nullptr)
        return gmOperatorStatus::kOk;
    const gmValue& value = operands[1];
    RealPoint point;
    if (value.getType() != scriptTypeId(ScriptType::REALPOINT)) {
        machine.getErrorLog().logf("\"PARTICLE.%s\" expecting REALPOINT", operands[2].getString()->getText());
        return gmOperatorStatus::kOk;
    }
    if (!loadPoint(machine, value.getHostObject(), point))
        return gmOperatorStatus::kError;
    RealPoint written;
    access(operands[0].getHostObject(), &point, written);
    return gmOperatorStatus::kOk;
}

constexpr ScriptMethod kParticleMethods[] = {
    {"getLifePercentage", bindMember<&Particle::getLifePercentage>, "() -> float",
     "Time to live over the maximum, from 1 when new to 0 at the end; 0 when the maximum is 0."},
    {"getTimeToLive", bindMember<&Particle::getTimeToLive>, "() -> float",
     "Milliseconds left to live; it counts down to 0, and the particle goes at the flush after."},
    {"getMaxTimeToLive", bindMember<&Particle::getMaxTimeToLive>, "() -> float",
     "The life the particle started with, in ms (default 1000)."},
    {"setTimeToLive", bindMember<&Particle::setTimeToLive>, "(n) -> nothing",
     "Sets the milliseconds left to live, keeping the maximum; 0 or less removes it at the next flush."},
    {"setMaxTimeToLive", bindMember<&Particle::setMaxTimeToLive>, "(n) -> nothing",
     "Sets both the maximum and the time left to live, in ms."},
};

constexpr ScriptOperator kParticleOperators[] = {
    {kGmOpGetDot, particleGetDot},
    {kGmOpSetDot, particleSetDot},
};
}  // namespace

const ScriptTypeTable kParticleManagerType{.type = ScriptType::PARTICLEMANAGER,
                                           .name = "PARTICLEMANAGER",
                                           .methods = kManagerMethods,
                                           .destruct = destructHandle<ParticleManager>};
const ScriptTypeTable kParticleType{
    .type = ScriptType::PARTICLE,
    .name = "PARTICLE",
    .methods = kParticleMethods,
    .operators = kParticleOperators,
    .destruct = destructHandle<Particle>,
    .operatorForms =
        "members pos, vel, acc: REALPOINT referring to the particle's position, "
        "velocity and acceleration; assigning a REALPOINT copies it in"};
