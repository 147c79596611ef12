#include "Engine/NullModuleFactory.h"

#include "Engine/NullAudioModule.h"
#include "Engine/NullInputModule.h"
#include "Engine/NullScriptModule.h"
#include "Engine/NullVideoModule.h"

class NullModuleFactory::SharedClockTimer final : public SimulationTimer {
public:
    explicit SharedClockTimer(std::shared_ptr<FakeSimulationTimer> clock) : clock_(std::move(clock)) {}
    bool start() override { return clock_->start(); }
    float getElapsedMS() override { return clock_->getElapsedMS(); }

private:
    std::shared_ptr<FakeSimulationTimer> clock_;
};

std::unique_ptr<VideoModule> NullModuleFactory::createVideoModule(GameSystem* gameSystem) {
    return std::make_unique<NullVideoModule>(gameSystem);
}

std::unique_ptr<InputModule> NullModuleFactory::createInputModule(GameSystem* gameSystem) {
    return std::make_unique<NullInputModule>(gameSystem);
}

std::unique_ptr<AudioModule> NullModuleFactory::createAudioModule(GameSystem* gameSystem) {
    return std::make_unique<NullAudioModule>(gameSystem);
}

std::unique_ptr<ScriptModule> NullModuleFactory::createScriptModule(GameSystem* gameSystem) {
    return std::make_unique<NullScriptModule>(gameSystem);
}

std::unique_ptr<SimulationTimer> NullModuleFactory::createTimer() {
    auto timer = std::make_unique<SharedClockTimer>(clock_);
    timer->start();
    return timer;
}

void NullModuleFactory::sleepMS(int ms) {
    sleeps_.push_back(ms);
    clock_->advance(ms);
}
