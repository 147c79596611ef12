// The line that trace and logText write: every argument's text, in order, without separators.
#pragma once

#include <string>

#include "script/gmScriptThread.h"

std::string scriptTraceText(gmScriptThread* thread);
