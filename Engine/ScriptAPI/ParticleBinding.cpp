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
    {"createParticle", particlemanager_createParticle, "() or (s name) -> PARTICLE", nullptr,
     "expecting parameters (void) or (name)"},
    {"getAllParticles", particlemanager_getAllParticles,
     "() -> ENTITYLISTREFCONTAINER of PARTICLE values on the live list"},
    {"getNumParticles", particlemanager_getNumParticles, "() -> int"},
    {"flush", particlemanager_flush, "() -> nothing"},
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
    {"getLifePercentage", bindMember<&Particle::getLifePercentage>, "() -> float"},
    {"getTimeToLive", bindMember<&Particle::getTimeToLive>, "() -> float"},
    {"getMaxTimeToLive", bindMember<&Particle::getMaxTimeToLive>, "() -> float"},
    {"setTimeToLive", bindMember<&Particle::setTimeToLive>, "(n) -> nothing"},
    {"setMaxTimeToLive", bindMember<&Particle::setMaxTimeToLive>, "(n) -> nothing"},
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
