#include "Engine/ProcessCommand.h"

#include "Engine/GameSystem.h"

void ProcessCommand::execute(GameSystem& gameSystem) const {
    switch (kind_) {
        case Kind::kStartNewList:
            gameSystem.executeStartNewList(processName_);
            break;
        case Kind::kRun:
            gameSystem.executeRun(processName_);
            break;
        case Kind::kTerminate:
            gameSystem.executeTerminate(processName_);
            break;
        case Kind::kSetPause:
            gameSystem.executeSetPause(processName_);
            break;
        case Kind::kClearPause:
            gameSystem.executeClearPause();
            break;
    }
}
