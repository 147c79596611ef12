// Native processes that exercise subsystems during development, registered by name.
#pragma once

class ProcessIndustry;

void registerNativeTestProcesses(ProcessIndustry& industry);
