// Makes the game system's modules, its timer and its sleep. The program entry passes the factory of
// the real platform modules; tests pass one that makes null modules and a fake clock.
#pragma once

#include <memory>

class AudioModule;
class ColourManager;
class EntityManager;
class GameSystem;
class InputModule;
class ParticleManager;
class PhysicsModule;
class ScriptModule;
class SimulationTimer;
class VideoModule;

class ModuleFactory {
  public:
    virtual ~ModuleFactory();

    virtual std::unique_ptr<VideoModule> createVideoModule(GameSystem* gameSystem) = 0;
    virtual std::unique_ptr<InputModule> createInputModule(GameSystem* gameSystem) = 0;
    virtual std::unique_ptr<AudioModule> createAudioModule(GameSystem* gameSystem) = 0;
    virtual std::unique_ptr<EntityManager> createEntityManager(GameSystem* gameSystem);
    virtual std::unique_ptr<ParticleManager> createParticleManager(GameSystem* gameSystem);
    virtual std::unique_ptr<PhysicsModule> createPhysicsModule(GameSystem* gameSystem);
    virtual std::unique_ptr<ColourManager> createColourManager(GameSystem* gameSystem);
    virtual std::unique_ptr<ScriptModule> createScriptModule(GameSystem* gameSystem) = 0;

    // A started timer.
    virtual std::unique_ptr<SimulationTimer> createTimer();
    // Gives the processor away for [ms] milliseconds.
    virtual void sleepMS(int ms);

    // The windowing library around the loop; false when it cannot start.
    virtual bool initWindowing() { return true; }
    virtual void terminateWindowing() {}
    // Takes the window system's pending events; once per loop iteration, before the input update.
    virtual void pollEvents() {}
};
