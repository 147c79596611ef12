// Owns the particles; they move after the processes and entities, and not while paused.
#pragma once

#include "Engine/EngineModule.h"

class ParticleManager : public EngineModule {
public:
    explicit ParticleManager(GameSystem* gameSystem) : EngineModule(gameSystem) {
        addTypeName("ParticleManager");
    }

    // The video module's opaque and translucent passes: every live particle's draw or drawAlpha,
    // in admission order.
    virtual void drawParticles() {}
    virtual void drawParticlesAlpha() {}
};
