#include "Engine/GLFWVideoModule/GLFWModuleFactory.h"

#include "Engine/GLFWVideoModule/GLFWInputModule.h"
#include "Engine/GLFWVideoModule/GLFWVideoModule.h"
#include "Engine/OpenALAudioModule/OpenALAudioModule.h"
#include "Engine/ScriptHost/GmScriptModule.h"

#include <GLFW/glfw3.h>

#include <cstdio>

namespace {
// GLFW's own reason, so a window that cannot be opened says why on standard error.
void reportGLFWError(int code, const char* description) {
    std::fprintf(stderr, "GLFW error 0x%x: %s\n", code, description != nullptr ? description : "");
}
}  // namespace

std::unique_ptr<VideoModule> GLFWModuleFactory::createVideoModule(GameSystem* gameSystem) {
    return std::make_unique<GLFWVideoModule>(gameSystem);
}

std::unique_ptr<InputModule> GLFWModuleFactory::createInputModule(GameSystem* gameSystem) {
    auto input = std::make_unique<GLFWInputModule>(gameSystem);
    input->setKeyEvents(keyEvents_);
    return input;
}

std::unique_ptr<AudioModule> GLFWModuleFactory::createAudioModule(GameSystem* gameSystem) {
    return std::make_unique<OpenALAudioModule>(gameSystem);
}

std::unique_ptr<ScriptModule> GLFWModuleFactory::createScriptModule(GameSystem* gameSystem) {
    return std::make_unique<GmScriptModule>(gameSystem, compiledScripts_);
}

// Without a display this fails; the video module's init then finds it cannot open its window.
bool GLFWModuleFactory::initWindowing() {
    glfwSetErrorCallback(reportGLFWError);
    initialised_ = glfwInit() == GLFW_TRUE;
    return initialised_;
}

void GLFWModuleFactory::terminateWindowing() {
    if (initialised_)
        glfwTerminate();
    initialised_ = false;
}

void GLFWModuleFactory::pollEvents() {
    if (initialised_)
        glfwPollEvents();
}
