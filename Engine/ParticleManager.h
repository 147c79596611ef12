// Owns the particles. Each update admits the new ones and removes the expired ones (flush), then
// moves them all; the game system runs it after the processes and entities, and not while paused.
//
// As with entities, a flush asked for while the particles are being walked or flushed runs when
// the outermost walk ends, and nothing is freed during a walk.
#pragma once

#include <string>
#include <vector>

#include "Engine/EngineModule.h"

class Particle;

class ParticleManager : public EngineModule {
  public:
    explicit ParticleManager(GameSystem* gameSystem);
    ~ParticleManager() override;

    // flush, then every live particle's update in list order.
    void update(float deltaMS) override;
    void onLinkedObjectDeleted(LinkedObject* deleted) override { removeParticle(deleted); }

    // A plain particle, or one of the named type through the particle industry; pending until
    // the next update.
    Particle* createParticle();
    Particle* createParticle(const std::string& name);
    // Queues [particle] (owned from now on); null is ignored.
    void addParticle(Particle* particle);

    const std::vector<Particle*>& getAllParticles() const { return particles_; }
    // Live particles only; pending ones are not counted.
    int getNumParticles() const { return static_cast<int>(particles_.size()) - holes_; }
    // Admits the pending particles, then deletes every particle whose time to live is over.
    void flush();
    void removeParticle(LinkedObject* object);

    // The video module's particle passes, after the entities.
    void drawParticles();
    void drawParticlesAlpha();

  private:
    void flushOnce();
    void beginWalk() { ++walkDepth_; }
    void endWalk();

    std::vector<Particle*> particles_;
    std::vector<Particle*> pending_;
    int walkDepth_ = 0;
    bool flushRequested_ = false;
    int holes_ = 0;  // null slots in particles_, left by removals during a walk
    const LinkedObject* deletingParticle_ = nullptr;
    bool destroying_ = false;
};
