// Where a tick's time goes: the game system times the phases of each tick into a profiler when it
// has one (tact --stats), and the profiler reports their medians.
#pragma once

#include <array>
#include <chrono>
#include <string>
#include <vector>

#include "Engine/AudioModule.h"

class TickProfiler {
  public:
    enum Phase {
        kScripts,    // process and entity updates (their script callbacks) and the script threads
        kPhysics,    // the body updates, the world step and the collision events
        kDrawing,    // a frame: draw hooks, entities, particles, overlay, swap
        kParticles,  // the particle manager's update (admission, expiry, motion)
        kAudio,      // the audio module's update (mixing the tick's output)
        kTick,       // the whole update
        kPhaseCount
    };

    void add(Phase phase, double ms) { samples_[phase].push_back(ms); }
    // The median of the phase's samples; 0 without any.
    double median(Phase phase) const;
    std::size_t count(Phase phase) const { return samples_[phase].size(); }
    // "median <tick> ms per tick (scripts <ms>, physics <ms>, drawing <ms>)"
    std::string summary() const;
    // "particles median <ms> ms per update", or empty when no particle was ever alive.
    std::string particleSummary() const;
    // Samples of kParticles count only while the manager holds particles.
    void addParticles(double ms, int particleCount);
    // The audio module's figures at the end of the run.
    void setAudioFigures(const AudioModule::OutputFigures& figures) { audio_ = figures; }
    // "audio median <ms> ms per tick, latency <ms> ms, <n> underruns, <n> late voices, <n> clipped
    // samples", or empty when the module rendered nothing.
    std::string audioSummary() const;

    // Times a scope into [phase] (nothing when [profiler] is null).
    class Scope {
      public:
        Scope(TickProfiler* profiler, Phase phase)
            : profiler_(profiler),
              phase_(phase),
              start_(profiler != nullptr ? std::chrono::steady_clock::now()
                                         : std::chrono::steady_clock::time_point()) {}
        ~Scope() {
            if (profiler_ != nullptr)
                profiler_->add(phase_, std::chrono::duration<double, std::milli>(
                                           std::chrono::steady_clock::now() - start_)
                                           .count());
        }
        Scope(const Scope&) = delete;
        Scope& operator=(const Scope&) = delete;

      private:
        TickProfiler* profiler_;
        Phase phase_;
        std::chrono::steady_clock::time_point start_;
    };

    // Adds the time of a scope to [totalMS] (for a phase made of several pieces).
    class Lap {
      public:
        Lap(const TickProfiler* profiler, double& totalMS)
            : totalMS_(profiler != nullptr ? &totalMS : nullptr),
              start_(profiler != nullptr ? std::chrono::steady_clock::now()
                                         : std::chrono::steady_clock::time_point()) {}
        ~Lap() {
            if (totalMS_ != nullptr)
                *totalMS_ +=
                    std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start_)
                        .count();
        }
        Lap(const Lap&) = delete;
        Lap& operator=(const Lap&) = delete;

      private:
        double* totalMS_;
        std::chrono::steady_clock::time_point start_;
    };

  private:
    std::array<std::vector<double>, kPhaseCount> samples_;
    int peakParticles_ = 0;
    AudioModule::OutputFigures audio_;
};
