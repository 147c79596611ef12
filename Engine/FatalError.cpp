#include "Engine/FatalError.h"

#include <cstdio>
#include <cstdlib>

void fatalError(const char* text) {
    std::fprintf(stderr, "ERROR! %s\n", text);
    std::fflush(stderr);
    std::exit(-1);
}
