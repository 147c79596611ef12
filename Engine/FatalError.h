// The engine's last resort: the text goes to standard error and the program ends with status -1.
#pragma once

[[noreturn]] void fatalError(const char* text);
