// Entry point of the parser: text in, code tree out, syntax errors into the log.
#pragma once

#include "script/gmCodeTree.h"
#include "script/gmCompileLog.h"

// Parses the NUL-terminated [text] into [tree] (reset first; the line counter starts at 1). Each
// syntax error is logged as "error (line) message"; the parse resumes after it at the next `;` or
// block, so independent mistakes are each logged once, up to 20, then "too many errors" ends the
// parse. Returns 0 on success, leaving the program's statement list as the tree's root, and 1 when
// there was any error, leaving no root. One parse runs at a time: a request made while another
// parse is in progress logs one error and returns 1.
int gmParse(const char* text, gmCodeTree& tree, gmCompileLog& log);
