// The one file the engine writes by itself: shutdown failures and audio errors are appended to
// "debug.log" in the working directory.
#pragma once

#include <string>

// Appends [message] and a newline. When the file cannot be opened the message goes to standard
// error instead; a log line is never worth stopping the engine for.
void appendToDebugLog(const std::string& message);
