// The modules of the machine the engine runs on, picked by the program entry.
#pragma once

#include <memory>
#include <vector>

#include "Engine/KeyScript.h"
#include "Engine/ModuleFactory.h"

// A window on GLFW, sound on OpenAL Soft. [compiledScripts]: games run from compiled script
// libraries (NAME.gmc), or from source.
std::unique_ptr<ModuleFactory> createPlatformModuleFactory(bool compiledScripts = true);

// A run without window or sound card: the engine's headless modules on a virtual clock, the keys
// of [keyEvents] pressed and released on their ticks, sound rendered in memory each tick (voices
// start and end on the game's clock).
std::unique_ptr<ModuleFactory> createHeadlessPlatformModuleFactory(bool compiledScripts,
                                                                   std::vector<KeyEvent> keyEvents);
