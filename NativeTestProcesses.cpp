#include "NativeTestProcesses.h"

#include <memory>

#include "Engine/ProcessFactory.h"
#include "Engine/ProcessIndustry.h"
#include "LoopTestProcess.h"

void registerNativeTestProcesses(ProcessIndustry& industry) {
    industry.registerFactory("LoopTestProcess", std::make_unique<NativeProcessFactory<LoopTestProcess>>());
}
