// VIDEO (the global Video): the window, views, drawing state and primitives, textures and text.
#include "Engine/ScriptAPI/ScriptTypes.h"
#include "Engine/VideoModule.h"

const ScriptTypeTable kVideoType{ScriptType::VIDEO, "VIDEO", {}, {}, {}, nullptr, destructHandle<VideoModule>};
