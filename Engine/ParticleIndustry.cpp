#include "Engine/ParticleIndustry.h"

#include "Engine/Particle.h"

void ParticleIndustry::registerFactory(const std::string& name, std::unique_ptr<ParticleFactory> factory) {
    factories_[name] = std::move(factory);
}

Particle* ParticleIndustry::create(const std::string& name, const std::string& kind, GameSystem* gameSystem) {
    Particle* particle = nullptr;
    auto found = factories_.find(name);
    if (found != factories_.end()) {
        particle = found->second->create(name, gameSystem);
    } else if (kind == "gm" && scriptParticleMaker_) {
        particle = scriptParticleMaker_(name, gameSystem);
    }
    return particle != nullptr ? particle : new Particle(gameSystem);
}
