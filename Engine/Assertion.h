// Engine assertions: a failed precondition is reported with its expression text, source file and
// line, and the engine goes on with the fallback the caller names. Nothing ends the program.
#pragma once

#include <functional>
#include <string>

struct AssertionReport {
    std::string expression;
    std::string file;
    int line = 0;
};

using AssertionHandler = std::function<void(const AssertionReport&)>;

// Reports a failed assertion through the installed handler (standard error by default).
void reportAssertion(const char* expression, const char* file, int line);

// Installs [handler] (an empty one restores the default) and returns the previous one.
AssertionHandler setAssertionHandler(AssertionHandler handler);

// Evaluates to the condition's truth; reports when it is false. Use as
// `if (!TACT_ASSERT(x >= 0, "x>=0")) return fallback;`.
#define TACT_ASSERT(condition, text) \
    (static_cast<bool>(condition) ? true : (reportAssertion((text), __FILE__, __LINE__), false))
