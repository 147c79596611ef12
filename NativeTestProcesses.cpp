#include "NativeTestProcesses.h"

#include <cstdio>
#include <memory>

#include "Box2DPhysicsModuleTestProcess.h"
#include "Box2DTestProcess.h"
#include "Engine/GameSystem.h"
#include "Engine/ProcessFactory.h"
#include "Engine/ProcessIndustry.h"
#include "FreeType2TestProcess.h"
#include "LoopTestProcess.h"
#include "TestProcess.h"
#include "TestProcess2.h"
#include "TextureTestProcess.h"

namespace {
template <class T>
void add(ProcessIndustry& industry, const char* name) {
    industry.registerFactory(name, std::make_unique<NativeProcessFactory<T>>());
}
}  // namespace

void registerNativeTestProcesses(ProcessIndustry& industry) {
    add<TestProcess>(industry, "TestProcess");
    add<TestProcess2>(industry, "TestProcess2");
    add<Box2DTestProcess>(industry, "Box2DTestProcess");
    add<Box2DPhysicsModuleTestProcess>(industry, "Box2DPhysicsModuleTestProcess");
    add<FreeType2TestProcess>(industry, "FreeType2TestProcess");
    add<TextureTestProcess>(industry, "TextureTestProcess");
    add<LoopTestProcess>(industry, "LoopTestProcess");
}

void reportFromTestProcess(GameSystem* gameSystem, const std::string& text) {
    gameSystem->log(text);
    std::printf("%s\n", text.c_str());
    std::fflush(stdout);
}
