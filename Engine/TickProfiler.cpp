#include "Engine/TickProfiler.h"

#include <algorithm>
#include <cstdio>

double TickProfiler::median(Phase phase) const {
    std::vector<double> sorted = samples_[phase];
    if (sorted.empty())
        return 0.0;
    std::nth_element(sorted.begin(), sorted.begin() + static_cast<std::ptrdiff_t>(sorted.size() / 2),
                     sorted.end());
    return sorted[sorted.size() / 2];
}

std::string TickProfiler::summary() const {
    char text[160];
    std::snprintf(text, sizeof text, "median %.3f ms per tick (scripts %.3f, physics %.3f, drawing %.3f)",
                  median(kTick), median(kScripts), median(kPhysics), median(kDrawing));
    return text;
}

void TickProfiler::addParticles(double ms, int particleCount) {
    if (particleCount <= 0)
        return;
    add(kParticles, ms);
    peakParticles_ = std::max(peakParticles_, particleCount);
}

std::string TickProfiler::particleSummary() const {
    if (count(kParticles) == 0)
        return {};
    char text[120];
    std::snprintf(text, sizeof text, "particles median %.3f ms per update (up to %d particles)",
                  median(kParticles), peakParticles_);
    return text;
}

std::string TickProfiler::audioSummary() const {
    if (!audio_.rendered)
        return {};
    char text[200];
    std::snprintf(text, sizeof text,
                  "audio median %.3f ms per tick, latency %.1f ms, %d underruns, %d late voices, %lld "
                  "clipped samples",
                  median(kAudio), audio_.latencyMS, audio_.underruns, audio_.lateVoices,
                  static_cast<long long>(audio_.clippedSamples));
    return text;
}
