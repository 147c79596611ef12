// A light, short-lived visual object: a point with velocity and acceleration that counts down its
// time to live. No body, no collisions. Script-backed particles derive from it.
#pragma once

#include <cstdint>

#include "Engine/GameObject.h"
#include "Engine/RealPoint.h"

class Particle : public GameObject {
  public:
    explicit Particle(GameSystem* gameSystem);
    ~Particle() override;

    // The motion step: velocity from acceleration, then position from the new velocity; the time
    // to live counts down and stops at 0.
    virtual void update(float deltaMS);
    virtual void draw() {}
    // A translucent square that fades out over the particle's life.
    virtual void drawAlpha();

    // Time to live over max time to live, in [0, 1]; 0 when the max is 0.
    float getLifePercentage() const;
    // Time to live only.
    void setTimeToLive(float ms) {
        timeToLive_ = ms;
        ++timeToLiveWrites_;
    }
    // Both the maximum and the time to live.
    void setMaxTimeToLive(float ms) {
        maxTimeToLive_ = timeToLive_ = ms;
        ++timeToLiveWrites_;
    }
    // Counts the times to live set from outside update: the particle manager notes expiries as it
    // moves the particles and looks at every particle again only when one was set meanwhile.
    static uint64_t getTimeToLiveWrites() { return timeToLiveWrites_; }
    float getTimeToLive() const { return timeToLive_; }
    float getMaxTimeToLive() const { return maxTimeToLive_; }

    // Script members with no invariant between them, so they are plain public values. With the
    // times to live they fill 32 bytes: aligned so, they share one cache line, the one line a
    // crowd's update walk reads of each particle.
    alignas(32) RealPoint pos;
    RealPoint vel;  // units/ms
    RealPoint acc;  // units/ms²

  private:
    static inline uint64_t timeToLiveWrites_ = 0;

    float maxTimeToLive_ = 1000.0f;  // ms
    float timeToLive_ = 1000.0f;     // ms
};
