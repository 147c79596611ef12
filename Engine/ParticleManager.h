// Owns the particles. Each update admits the new ones and removes the expired ones (flush), then
// moves them all; the game system runs it after the processes and entities, and not while paused.
//
// As with entities, a flush asked for while the particles are being walked or flushed runs when
// the outermost walk ends, and nothing is freed during a walk.
//
// Crowds of a hundred thousand are the common case, so a tick touches each particle as little as
// it can: plain particles (of class Particle itself) are moved and drawn without a virtual call
// and skipped in the opaque pass, where they draw nothing; the update notes which particles ran
// out of time as it moves them, so the next flush need not look at every particle again.
#pragma once

#include <cstdint>
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
    // Removes the slots for which [removed](slot) holds, keeping the others' order.
    template <typename Removed>
    void eraseSlots(Removed removed);
    // Appends the live particles whose time is over to [expired]: those the last update noted when
    // nothing changed since, else every one.
    void collectExpired(std::size_t firstAdmitted, std::vector<Particle*>& expired);

    std::vector<Particle*> particles_;
    std::vector<uint8_t> plain_;  // per slot of particles_: of class Particle itself
    std::vector<Particle*> pending_;
    // Slots whose particle ran out of time in the last update walk, in order. They cover every
    // expired particle while expiryKnown_ holds and no time to live was set since writesAtWalk_.
    std::vector<std::size_t> expiredSlots_;
    bool expiryKnown_ = false;
    uint64_t writesAtWalk_ = 0;
    int walkDepth_ = 0;
    bool flushRequested_ = false;
    int holes_ = 0;  // null slots in particles_, left by removals during a walk
    const LinkedObject* deletingParticle_ = nullptr;
    bool destroying_ = false;
};
