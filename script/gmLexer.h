// The scanner: turns a NUL-terminated text into tokens (gmTokens.h). Longest match wins; on equal
// length a keyword wins over an identifier. Comments and white space are skipped; any other
// character is kTokenError. Literal values are not computed here (see gmLiterals.h).
#pragma once

#include "script/gmTokens.h"

class gmLexer {
  public:
    // Scans a private copy of [text]; the line counter starts at 1.
    explicit gmLexer(const char* text);
    ~gmLexer();
    gmLexer(const gmLexer&) = delete;
    gmLexer& operator=(const gmLexer&) = delete;

    // Returns the next token, kTokenEnd at the end of the text.
    int next();
    // The text of the token last returned; valid until the next call of next().
    const char* getText() const;
    // The current line: 1 plus every newline in the text matched so far, block comments included.
    int getLine() const;

  private:
    void* scanner_ = nullptr;
};
