// SHAPE and SHAPEVERTEX: vertex lists a script builds and draws.
#include "Engine/ScriptAPI/ScriptTypes.h"

const ScriptTypeTable kShapeType{ScriptType::SHAPE, "SHAPE", {}, {}, {}, nullptr, nullptr};
const ScriptTypeTable kShapeVertexType{ScriptType::SHAPEVERTEX, "SHAPEVERTEX", {}, {}, {}, nullptr, nullptr};
