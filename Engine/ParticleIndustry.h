// Creates particles by name: native factories first, then the script-particle maker.
#pragma once

#include <functional>
#include <map>
#include <memory>
#include <string>

#include "Engine/ParticleFactory.h"

class ParticleIndustry {
  public:
    // Makes the script-backed particle of a type (installed by the script host).
    using ScriptParticleMaker = std::function<Particle*(const std::string& name, GameSystem* gameSystem)>;

    virtual ~ParticleIndustry() = default;

    void registerFactory(const std::string& name, std::unique_ptr<ParticleFactory> factory);
    bool hasFactory(const std::string& name) const { return factories_.count(name) != 0; }
    void setScriptParticleMaker(ScriptParticleMaker maker) { scriptParticleMaker_ = std::move(maker); }

    // A registered factory's particle; else, for the "gm" kind, the script particle; else (or
    // while no script host is installed) a plain particle. Never null.
    Particle* create(const std::string& name, const std::string& kind, GameSystem* gameSystem);

  private:
    std::map<std::string, std::unique_ptr<ParticleFactory>> factories_;
    ScriptParticleMaker scriptParticleMaker_;
};
