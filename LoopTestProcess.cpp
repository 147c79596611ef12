#include "LoopTestProcess.h"

#include <cstdio>
#include <cstdlib>

#include "Engine/GameSystem.h"

namespace {
// How long the process runs, from TACT_RUN_SECONDS (default 3 s).
float runTimeMS() {
    const char* seconds = std::getenv("TACT_RUN_SECONDS");
    const float value = seconds != nullptr ? static_cast<float>(std::atof(seconds)) : 3.0f;
    return value > 0.0f ? value * 1000.0f : 3000.0f;
}
}  // namespace

LoopTestProcess::LoopTestProcess(const std::string& name, GameSystem* gameSystem)
    : Process(name, gameSystem), runMS_(runTimeMS()) {
    addTypeName("LoopTestProcess");
}

void LoopTestProcess::update(float deltaMS) {
    elapsedMS_ += deltaMS;
    if (elapsedMS_ >= nextReportMS_) {
        std::printf("LoopTestProcess: %.0f ms of game time, tick %u, %d frames\n", elapsedMS_,
                    gameSystem_->getCurrentTick(), frames_);
        std::fflush(stdout);
        nextReportMS_ += 1000.0f;
    }
    if (elapsedMS_ >= runMS_)
        gameSystem_->quit();
}
