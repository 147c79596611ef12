// PHYSICSDATA: an entity's body.
#include "Engine/PhysicsData.h"
#include "Engine/ScriptAPI/ScriptTypes.h"

const ScriptTypeTable kPhysicsDataType{ScriptType::PHYSICSDATA, "PHYSICSDATA", {}, {}, {}, nullptr, destructHandle<PhysicsData>};
