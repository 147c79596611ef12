#include "Engine/Assertion.h"

#include <cstdio>

namespace {

AssertionHandler& installedHandler() {
    static AssertionHandler handler;
    return handler;
}

}  // namespace

void reportAssertion(const char* expression, const char* file, int line) {
    AssertionReport report{expression, file, line};
    if (installedHandler()) {
        installedHandler()(report);
        return;
    }
    std::fprintf(stderr, "Assertion failed: %s, file %s, line %d\n", expression, file, line);
    std::fflush(stderr);
}

AssertionHandler setAssertionHandler(AssertionHandler handler) {
    AssertionHandler previous = std::move(installedHandler());
    installedHandler() = std::move(handler);
    return previous;
}
