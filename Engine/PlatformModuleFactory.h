// The modules of the machine the engine runs on, picked by the program entry.
#pragma once

#include <memory>

#include "Engine/ModuleFactory.h"

// [compiledScripts]: games run from compiled script libraries (NAME.gmc), or from source.
std::unique_ptr<ModuleFactory> createPlatformModuleFactory(bool compiledScripts = true);
