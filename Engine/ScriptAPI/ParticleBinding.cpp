// PARTICLEMANAGER (the global ParticleManager) and PARTICLE.
#include "Engine/Particle.h"
#include "Engine/ParticleManager.h"
#include "Engine/ScriptAPI/ScriptTypes.h"

const ScriptTypeTable kParticleManagerType{ScriptType::PARTICLEMANAGER, "PARTICLEMANAGER", {}, {}, {}, nullptr, destructHandle<ParticleManager>};
const ScriptTypeTable kParticleType{ScriptType::PARTICLE, "PARTICLE", {}, {}, {}, nullptr, destructHandle<Particle>};
