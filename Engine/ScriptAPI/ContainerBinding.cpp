// ENTITYLISTREFCONTAINER, PROCESSLISTREFCONTAINER, SEQUENCERTRIGGERLISTREFCONTAINER: cursors over
// lists of engine objects.
#include "Engine/ScriptAPI/ScriptTypes.h"

const ScriptTypeTable kEntityListContainerType{ScriptType::ENTITYLISTREFCONTAINER, "ENTITYLISTREFCONTAINER", {}, {}, {}, nullptr, nullptr};
const ScriptTypeTable kProcessListContainerType{ScriptType::PROCESSLISTREFCONTAINER, "PROCESSLISTREFCONTAINER", {}, {}, {}, nullptr, nullptr};
const ScriptTypeTable kSequencerTriggerListContainerType{ScriptType::SEQUENCERTRIGGERLISTREFCONTAINER, "SEQUENCERTRIGGERLISTREFCONTAINER", {}, {}, {}, nullptr, nullptr};
