#include "Engine/ParticleManager.h"

#include <algorithm>
#include <typeinfo>

#include "Engine/Assertion.h"
#include "Engine/GameSystem.h"
#include "Engine/Particle.h"
#include "Engine/ParticleIndustry.h"

namespace {

// How many slots ahead a walk asks for a particle's memory: particles are separate objects, and
// a walk over a crowd of them waits on memory more than it computes.
constexpr std::size_t kPrefetchAhead = 32;

void prefetchSlot(const std::vector<Particle*>& particles, std::size_t slot) {
    if (slot < particles.size() && particles[slot] != nullptr)
        __builtin_prefetch(&particles[slot]->pos);
}

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
    const uint64_t writesBefore = Particle::getTimeToLiveWrites();
    expiredSlots_.clear();
    beginWalk();
    for (std::size_t i = 0; i < particles_.size(); ++i) {
        prefetchSlot(particles_, i + kPrefetchAhead);
        Particle* particle = particles_[i];
        if (particle == nullptr)
            continue;
        if (plain_[i] != 0)
            particle->Particle::update(deltaMS);
        else
            particle->update(deltaMS);
        // A script particle's update may have removed it.
        if (particles_[i] != nullptr && particle->getTimeToLive() <= 0.0f)
            expiredSlots_.push_back(i);
    }
    // A time set during the walk may belong to a particle already passed.
    writesAtWalk_ = Particle::getTimeToLiveWrites();
    expiryKnown_ = writesAtWalk_ == writesBefore;
    endWalk();
}

template <typename Removed>
void ParticleManager::eraseSlots(Removed removed) {
    std::size_t kept = 0;
    for (std::size_t i = 0; i < particles_.size(); ++i) {
        if (removed(i))
            continue;
        particles_[kept] = particles_[i];
        plain_[kept] = plain_[i];
        ++kept;
    }
    if (kept == particles_.size())
        return;
    particles_.resize(kept);
    plain_.resize(kept);
    // Slots moved: what the last update noted no longer lines up.
    expiryKnown_ = false;
}

void ParticleManager::endWalk() {
    if (!TACT_ASSERT(walkDepth_ > 0, "walkDepth_>0"))
        return;
    if (--walkDepth_ > 0)
        return;
    if (holes_ > 0) {
        eraseSlots([this](std::size_t slot) { return particles_[slot] == nullptr; });
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
    const std::size_t firstAdmitted = particles_.size();
    for (Particle* particle : admitted) {
        link(particle);
        particles_.push_back(particle);
        plain_.push_back(typeid(*particle) == typeid(Particle) ? 1 : 0);
    }
    std::vector<Particle*> expired;
    collectExpired(firstAdmitted, expired);
    expiredSlots_.clear();
    expiryKnown_ = false;
    if (expired.empty())
        return;
    std::size_t next = 0;  // expired is in slot order
    eraseSlots([this, &expired, &next](std::size_t slot) {
        if (next < expired.size() && particles_[slot] == expired[next]) {
            ++next;
            return true;
        }
        return false;
    });
    for (Particle* particle : expired) {
        deletingParticle_ = particle;
        delete particle;
        deletingParticle_ = nullptr;
    }
}

void ParticleManager::collectExpired(std::size_t firstAdmitted, std::vector<Particle*>& expired) {
    auto isExpired = [](const Particle* p) { return p != nullptr && p->getTimeToLive() <= 0.0f; };
    if (!expiryKnown_ || Particle::getTimeToLiveWrites() != writesAtWalk_) {
        for (Particle* particle : particles_) {
            if (isExpired(particle))
                expired.push_back(particle);
        }
        return;
    }
    for (std::size_t slot : expiredSlots_) {
        if (slot < firstAdmitted && isExpired(particles_[slot]))
            expired.push_back(particles_[slot]);
    }
    for (std::size_t slot = firstAdmitted; slot < particles_.size(); ++slot) {
        if (isExpired(particles_[slot]))
            expired.push_back(particles_[slot]);
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
        eraseSlots([this, &isObject](std::size_t slot) { return isObject(particles_[slot]); });
    }
}

void ParticleManager::drawParticles() {
    beginWalk();
    for (std::size_t i = 0; i < particles_.size(); ++i) {
        // A plain particle draws nothing in the opaque pass.
        if (particles_[i] != nullptr && plain_[i] == 0)
            particles_[i]->draw();
    }
    endWalk();
}

void ParticleManager::drawParticlesAlpha() {
    beginWalk();
    for (std::size_t i = 0; i < particles_.size(); ++i) {
        prefetchSlot(particles_, i + kPrefetchAhead);
        Particle* particle = particles_[i];
        if (particle == nullptr)
            continue;
        if (plain_[i] != 0)
            particle->Particle::drawAlpha();
        else
            particle->drawAlpha();
    }
    endWalk();
}
