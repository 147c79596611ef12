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

RealPoint* memberOf(Particle& particle, const gmValue& name) {
    const char* member = name.isString() ? name.getString()->getText() : "";
    if (std::strcmp(member, "pos") == 0)
        return &particle.pos;
    if (std::strcmp(member, "vel") == 0)
        return &particle.vel;
    if (std::strcmp(member, "acc") == 0)
        return &particle.acc;
    return nullptr;
}

// pos, vel and acc read as copies: a point aliasing the particle's field could outlive the
// particle. Change them by assigning a point (`p.pos = q`), not through `p.pos.x`.
gmOperatorStatus particleGetDot(gmScriptMachine& machine, gmScriptThread*, gmValue* operands) {
    auto* particle = static_cast<Particle*>(operands[0].getHostObject()->getHostPointer());
    RealPoint* field = particle != nullptr ? memberOf(*particle, operands[1]) : nullptr;
    operands[0] = field != nullptr ? newPointValue(machine, *field) : gmValue();
    return gmOperatorStatus::kOk;
}

gmOperatorStatus particleSetDot(gmScriptMachine& machine, gmScriptThread*, gmValue* operands) {
    auto* particle = static_cast<Particle*>(operands[0].getHostObject()->getHostPointer());
    // A write to a particle that has died would otherwise vanish without a word.
    if (particle == nullptr) {
        machine.getErrorLog().logf("PARTICLE no longer exists");
        return gmOperatorStatus::kOk;
    }
    RealPoint* field = memberOf(*particle, operands[2]);
    if (field == nullptr)
        return gmOperatorStatus::kOk;
    const gmValue& value = operands[1];
    if (value.getType() == scriptTypeId(ScriptType::REALPOINT) &&
        value.getHostObject()->getHostPointer() != nullptr) {
        *field = *static_cast<RealPoint*>(value.getHostObject()->getHostPointer());
    } else {
        machine.getErrorLog().logf("\"PARTICLE.%s\" expecting REALPOINT", operands[2].getString()->getText());
    }
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
