// Program entry: builds the game system on this machine's modules and runs it until quit.
#include <cstdlib>
#include <memory>

#include "Engine/GameSystem.h"
#include "Engine/PlatformModuleFactory.h"
#include "Engine/ProcessIndustry.h"
#include "Engine/VideoModule.h"
#include "NativeTestProcesses.h"

int main() {
    std::unique_ptr<ModuleFactory> factory = createPlatformModuleFactory();
    {
        GameSystem gameSystem(*factory);
        gameSystem.getVideoModule()->setAspectRatio(16.0f / 9.0f);
        gameSystem.setDebugKeysEnabled(true);
        registerNativeTestProcesses(*gameSystem.getProcessIndustry());
        // Development runs may start on a native process instead of the game's "Main" script.
        if (const char* first = std::getenv("TACT_MAIN_PROCESS"); first != nullptr && *first != '\0') {
            gameSystem.setMainProcessName(first);
        }
        gameSystem.run();
    }
    return 0;
}
