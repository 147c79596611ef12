#include "Engine/ModuleFactory.h"

#include <chrono>
#include <thread>

#include "Engine/AudioModule.h"
#include "Engine/Box2DPhysicsModule.h"
#include "Engine/ColourManager.h"
#include "Engine/EntityManager.h"
#include "Engine/InputModule.h"
#include "Engine/ParticleManager.h"
#include "Engine/PhysicsModule.h"
#include "Engine/ScriptModule.h"
#include "Engine/SimulationTimer.h"
#include "Engine/VideoModule.h"

ModuleFactory::~ModuleFactory() = default;

std::unique_ptr<EntityManager> ModuleFactory::createEntityManager(GameSystem* gameSystem) {
    return std::make_unique<EntityManager>(gameSystem);
}

std::unique_ptr<ParticleManager> ModuleFactory::createParticleManager(GameSystem* gameSystem) {
    return std::make_unique<ParticleManager>(gameSystem);
}

std::unique_ptr<PhysicsModule> ModuleFactory::createPhysicsModule(GameSystem* gameSystem) {
    return std::make_unique<Box2DPhysicsModule>(gameSystem);
}

std::unique_ptr<ColourManager> ModuleFactory::createColourManager(GameSystem* gameSystem) {
    return std::make_unique<ColourManager>(gameSystem);
}

std::unique_ptr<SimulationTimer> ModuleFactory::createTimer() {
    return std::make_unique<SteadySimulationTimer>();
}

void ModuleFactory::sleepMS(int ms) {
    std::this_thread::sleep_for(std::chrono::milliseconds(ms));
}
