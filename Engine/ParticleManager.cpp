#include "Engine/ParticleManager.h"

#include <algorithm>

#include "Engine/Assertion.h"
#include "Engine/GameSystem.h"
#include "Engine/Particle.h"
#include "Engine/ParticleIndustry.h"

namespace {

// Flushes asked for during a flush run right after it, up to this many in a row, so a particle
// that flushes from every update cannot hold the game.
constexpr int kMaxChainedFlushes = 64;

}  // namespace

ParticleManager::ParticleManager(GameSystem* gameSystem) : EngineModule(gameSystem) {
    addTypeName("ParticleManager");
}

ParticleManager::~ParticleManager() {
    destroying_ = true;
    std::vector<Particle*> live;
    live.swap(particles_);
    std::vector<Particle*> pending;
    pending.swap(pending_);
    for (Particle* particle : pending) delete particle;
    for (Particle* particle : live) delete particle;
}

// New particles asked for by dying ones while the manager is destroyed are refused: nothing would
// ever delete them.
Particle* ParticleManager::createParticle() {
    if (destroying_)
        return nullptr;
    auto* particle = new Particle(gameSystem_);
    addParticle(particle);
    return particle;
}

Particle* ParticleManager::createParticle(const std::string& name) {
    if (destroying_)
        return nullptr;
    ParticleIndustry* industry = gameSystem_ != nullptr ? gameSystem_->getParticleIndustry() : nullptr;
    Particle* particle =
        industry != nullptr ? industry->create(name, "gm", gameSystem_) : new Particle(gameSystem_);
    TACT_ASSERT(particle != nullptr, "lpp!=NULL");
    addParticle(particle);
    return particle;
}

void ParticleManager::addParticle(Particle* particle) {
    if (particle != nullptr)
        pending_.push_back(particle);
}

void ParticleManager::update(float deltaMS) {
    flush();
    beginWalk();
    for (std::size_t i = 0; i < particles_.size(); ++i) {
        if (particles_[i] != nullptr)
            particles_[i]->update(deltaMS);
    }
    endWalk();
}

void ParticleManager::endWalk() {
    if (!TACT_ASSERT(walkDepth_ > 0, "walkDepth_>0"))
        return;
    if (--walkDepth_ > 0)
        return;
    if (holes_ > 0) {
        particles_.erase(std::remove(particles_.begin(), particles_.end(), nullptr), particles_.end());
        holes_ = 0;
    }
    if (flushRequested_)
        flush();
}

void ParticleManager::flush() {
    if (walkDepth_ > 0) {
        flushRequested_ = true;
        return;
    }
    for (int round = 0; round < kMaxChainedFlushes; ++round) {
        flushRequested_ = false;
        beginWalk();
        flushOnce();
        // endWalk would start the chained flush itself; the loop here bounds the chain.
        const bool again = flushRequested_;
        flushRequested_ = false;
        endWalk();
        if (!again)
            return;
        flushRequested_ = true;
    }
}

void ParticleManager::flushOnce() {
    std::vector<Particle*> admitted;
    admitted.swap(pending_);
    for (Particle* particle : admitted) {
        link(particle);
        particles_.push_back(particle);
    }
    std::vector<Particle*> expired;
    auto isExpired = [](const Particle* p) { return p != nullptr && p->getTimeToLive() <= 0.0f; };
    for (Particle* particle : particles_) {
        if (isExpired(particle))
            expired.push_back(particle);
    }
    if (expired.empty())
        return;
    particles_.erase(std::remove_if(particles_.begin(), particles_.end(), isExpired), particles_.end());
    for (Particle* particle : expired) {
        deletingParticle_ = particle;
        delete particle;
        deletingParticle_ = nullptr;
    }
}

void ParticleManager::removeParticle(LinkedObject* object) {
    if (object == nullptr || object == deletingParticle_ || destroying_)
        return;
    auto isObject = [object](Particle* p) { return p != nullptr && static_cast<LinkedObject*>(p) == object; };
    pending_.erase(std::remove_if(pending_.begin(), pending_.end(), isObject), pending_.end());
    if (walkDepth_ > 0) {
        for (Particle*& slot : particles_) {
            if (isObject(slot)) {
                slot = nullptr;
                ++holes_;
            }
        }
    } else {
        particles_.erase(std::remove_if(particles_.begin(), particles_.end(), isObject), particles_.end());
    }
}

void ParticleManager::drawParticles() {
    beginWalk();
    for (std::size_t i = 0; i < particles_.size(); ++i) {
        if (particles_[i] != nullptr)
            particles_[i]->draw();
    }
    endWalk();
}

void ParticleManager::drawParticlesAlpha() {
    beginWalk();
    for (std::size_t i = 0; i < particles_.size(); ++i) {
        if (particles_[i] != nullptr)
            particles_[i]->drawAlpha();
    }
    endWalk();
}
