#include "Engine/PlatformModuleFactory.h"

#include "Engine/GLFWVideoModule/EGLVideoModule.h"
#include "Engine/GLFWVideoModule/GLFWModuleFactory.h"
#include "Engine/HeadlessModuleFactory.h"
#include "Engine/OpenALAudioModule/OpenALAudioModule.h"
#include "Engine/ScriptedInputModule.h"

namespace {
class HeadlessPlatformModuleFactory final : public HeadlessModuleFactory {
  public:
    HeadlessPlatformModuleFactory(bool compiledScripts, std::vector<KeyEvent> keyEvents, bool drawing)
        : HeadlessModuleFactory(compiledScripts), keyEvents_(std::move(keyEvents)), drawing_(drawing) {}

    std::unique_ptr<VideoModule> createVideoModule(GameSystem* gameSystem) override {
        if (!drawing_)
            return HeadlessModuleFactory::createVideoModule(gameSystem);
        return std::make_unique<EGLVideoModule>(gameSystem);
    }

    std::unique_ptr<InputModule> createInputModule(GameSystem* gameSystem) override {
        return std::make_unique<ScriptedInputModule>(gameSystem, keyEvents_);
    }
    std::unique_ptr<AudioModule> createAudioModule(GameSystem* gameSystem) override {
        OpenALAudioSettings settings;
        settings.device = OpenALAudioSettings::Device::Loopback;
        return std::make_unique<OpenALAudioModule>(gameSystem, settings);
    }

  private:
    std::vector<KeyEvent> keyEvents_;
    bool drawing_;
};
}  // namespace

std::unique_ptr<ModuleFactory> createPlatformModuleFactory(bool compiledScripts,
                                                           std::vector<KeyEvent> keyEvents) {
    return std::make_unique<GLFWModuleFactory>(compiledScripts, std::move(keyEvents));
}

std::unique_ptr<ModuleFactory> createHeadlessPlatformModuleFactory(bool compiledScripts,
                                                                   std::vector<KeyEvent> keyEvents,
                                                                   bool drawing) {
    return std::make_unique<HeadlessPlatformModuleFactory>(compiledScripts, std::move(keyEvents), drawing);
}
