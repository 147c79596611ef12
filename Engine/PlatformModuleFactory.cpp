#include "Engine/PlatformModuleFactory.h"

#include "Engine/NullModuleFactory.h"

namespace {

// Until the window and sound modules exist the engine runs headless, on the real clock.
class HeadlessModuleFactory final : public NullModuleFactory {
public:
    std::unique_ptr<SimulationTimer> createTimer() override { return ModuleFactory::createTimer(); }
    void sleepMS(int ms) override { ModuleFactory::sleepMS(ms); }
};

}  // namespace

std::unique_ptr<ModuleFactory> createPlatformModuleFactory() { return std::make_unique<HeadlessModuleFactory>(); }
