// AUDIO (the global Audio): sounds and voices.
#include "Engine/AudioModule.h"
#include "Engine/ScriptAPI/ScriptTypes.h"

const ScriptTypeTable kAudioType{ScriptType::AUDIO, "AUDIO", {}, {}, {}, nullptr, destructHandle<AudioModule>};
