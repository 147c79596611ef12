// GAMEBOARD (the global GameBoard): the play area.
#include "Engine/GameBoard.h"
#include "Engine/ScriptAPI/ScriptTypes.h"

const ScriptTypeTable kGameBoardType{ScriptType::GAMEBOARD, "GAMEBOARD", {}, {}, {}, nullptr, nullptr};
