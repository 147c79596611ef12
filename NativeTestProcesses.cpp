#include "NativeTestProcesses.h"

#include <memory>

#include "Box2DPhysicsModuleTestProcess.h"
#include "Engine/ProcessFactory.h"
#include "Engine/ProcessIndustry.h"
#include "LoopTestProcess.h"

void registerNativeTestProcesses(ProcessIndustry& industry) {
    industry.registerFactory("LoopTestProcess", std::make_unique<NativeProcessFactory<LoopTestProcess>>());
    industry.registerFactory("Box2DPhysicsModuleTestProcess",
                             std::make_unique<NativeProcessFactory<Box2DPhysicsModuleTestProcess>>());
}
