// The engine's script names for the checker, read from the binding tables that also write
// docs/api.md, and the language's own library.
#pragma once

#include "tools/ScriptChecker.h"

ScriptEngineNames scriptEngineNames();
