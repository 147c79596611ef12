// AIHELPER (the global AIHelper): steering and targeting.
#include "Engine/AIHelper.h"
#include "Engine/ScriptAPI/ScriptTypes.h"

const ScriptTypeTable kAIHelperType{ScriptType::AIHELPER, "AIHELPER", {}, {}, {}, nullptr, nullptr};
