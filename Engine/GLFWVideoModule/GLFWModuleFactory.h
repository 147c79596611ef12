// The modules of a desktop with GLFW: the window, drawing and input on GLFW and OpenGL, sound on
// OpenAL Soft, the script host, the real clock.
#pragma once

#include <vector>

#include "Engine/KeyScript.h"
#include "Engine/ModuleFactory.h"

class GLFWModuleFactory : public ModuleFactory {
  public:
    // [compiledScripts]: the script host reads compiled libraries (NAME.gmc) instead of source.
    // [keyEvents]: keys the input module presses and releases on their ticks (a replay).
    explicit GLFWModuleFactory(bool compiledScripts = true, std::vector<KeyEvent> keyEvents = {})
        : compiledScripts_(compiledScripts), keyEvents_(std::move(keyEvents)) {}

    std::unique_ptr<VideoModule> createVideoModule(GameSystem* gameSystem) override;
    std::unique_ptr<InputModule> createInputModule(GameSystem* gameSystem) override;
    std::unique_ptr<AudioModule> createAudioModule(GameSystem* gameSystem) override;
    std::unique_ptr<ScriptModule> createScriptModule(GameSystem* gameSystem) override;

    bool initWindowing() override;
    void terminateWindowing() override;
    void pollEvents() override;

  private:
    bool compiledScripts_;
    std::vector<KeyEvent> keyEvents_;
    bool initialised_ = false;
};
