#include "Engine/Process.h"

Process::Process(const std::string& name, GameSystem* gameSystem) : GameObject(gameSystem), name_(name) {
    addTypeName("Process");
}

Process::~Process() = default;

void Process::tick(float deltaMS) {
    if (!isInited_) {
        isInited_ = init();
        return;
    }
    updateLFOs(deltaMS);
    updateAlarms(deltaMS);
    update(deltaMS);
}
