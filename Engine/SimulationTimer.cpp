#include "Engine/SimulationTimer.h"

SteadySimulationTimer::SteadySimulationTimer() {
    start();
    getElapsedMS();
}

bool SteadySimulationTimer::start() {
    last_ = std::chrono::steady_clock::now();
    return true;
}

float SteadySimulationTimer::getElapsedMS() {
    const auto now = std::chrono::steady_clock::now();
    const std::chrono::duration<float, std::milli> elapsed = now - last_;
    last_ = now;
    return elapsed.count();
}
