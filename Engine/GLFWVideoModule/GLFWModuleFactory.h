// The modules of a desktop with GLFW: the window, drawing and input on GLFW and OpenGL, sound on
// OpenAL Soft, the script host, the real clock.
#pragma once

#include "Engine/ModuleFactory.h"

class GLFWModuleFactory : public ModuleFactory {
  public:
    // [compiledScripts]: the script host reads compiled libraries (NAME.gmc) instead of source.
    explicit GLFWModuleFactory(bool compiledScripts = true) : compiledScripts_(compiledScripts) {}

    std::unique_ptr<VideoModule> createVideoModule(GameSystem* gameSystem) override;
    std::unique_ptr<InputModule> createInputModule(GameSystem* gameSystem) override;
    std::unique_ptr<AudioModule> createAudioModule(GameSystem* gameSystem) override;
    std::unique_ptr<ScriptModule> createScriptModule(GameSystem* gameSystem) override;

    bool initWindowing() override;
    void terminateWindowing() override;
    void pollEvents() override;

  private:
    bool compiledScripts_;
    bool initialised_ = false;
};
