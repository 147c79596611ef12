// The standard library every machine registers at creation: 40 global functions and the gmState
// type that carries a thread's state-machine record.
#pragma once

#include <cstdint>

class gmScriptMachine;

// Creates the gmState type (it must be the first type after the built-ins, id 6) and registers
// the library's functions as globals, in their fixed order. Collection is suspended meanwhile.
void gmRegisterStandardLibrary(gmScriptMachine& machine);
// The number of library functions (for registry tests).
int32_t gmStandardLibraryCount();
// The name of library function [index] in registration order, or null.
const char* gmStandardLibraryName(int32_t index);
