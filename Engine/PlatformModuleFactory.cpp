#include "Engine/PlatformModuleFactory.h"

#include "Engine/GLFWVideoModule/GLFWModuleFactory.h"

std::unique_ptr<ModuleFactory> createPlatformModuleFactory(bool compiledScripts) {
    return std::make_unique<GLFWModuleFactory>(compiledScripts);
}
