// Makes native particles by name; registered in the particle industry by the host program.
#pragma once

#include <string>

class GameSystem;
class Particle;

class ParticleFactory {
  public:
    virtual ~ParticleFactory() = default;
    // A new particle for [gameSystem], or null.
    virtual Particle* create(const std::string& name, GameSystem* gameSystem) = 0;
};

// A factory for a particle class constructed from the game system.
template <typename ParticleType>
class NativeParticleFactory final : public ParticleFactory {
  public:
    Particle* create(const std::string&, GameSystem* gameSystem) override {
        return new ParticleType(gameSystem);
    }
};
