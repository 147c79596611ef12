// The modules of a desktop with GLFW: the window, drawing and input on GLFW and OpenGL, the real
// clock, sound on OpenAL Soft. Scripts stay null until their module exists.
#pragma once

#include "Engine/NullModuleFactory.h"

class GLFWModuleFactory : public NullModuleFactory {
  public:
    std::unique_ptr<VideoModule> createVideoModule(GameSystem* gameSystem) override;
    std::unique_ptr<InputModule> createInputModule(GameSystem* gameSystem) override;
    std::unique_ptr<AudioModule> createAudioModule(GameSystem* gameSystem) override;
    std::unique_ptr<SimulationTimer> createTimer() override { return ModuleFactory::createTimer(); }
    void sleepMS(int ms) override { ModuleFactory::sleepMS(ms); }

    bool initWindowing() override;
    void terminateWindowing() override;
    void pollEvents() override;

  private:
    bool initialised_ = false;
};
