// The modules of the machine the engine runs on, picked by the program entry.
#pragma once

#include <memory>

#include "Engine/ModuleFactory.h"

std::unique_ptr<ModuleFactory> createPlatformModuleFactory();
