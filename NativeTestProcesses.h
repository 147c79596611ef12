// Native processes that exercise subsystems during development, registered by name.
#pragma once

#include <string>

class GameSystem;
class ProcessIndustry;

void registerNativeTestProcesses(ProcessIndustry& industry);

// What a test process found: to the log and to standard output, where a run without a log file
// (and a test) can see it.
void reportFromTestProcess(GameSystem* gameSystem, const std::string& text);
