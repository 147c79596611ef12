// State shared by the grammar's actions during one parse. Internal to the parser.
#pragma once

#include "script/gmCodeTree.h"
#include "script/gmCompileLog.h"
#include "script/gmLexer.h"

#include <deque>
#include <string>

struct gmParseContext {
    gmLexer* lexer = nullptr;
    gmCodeTree* tree = nullptr;
    gmCompileLog* log = nullptr;
    std::deque<std::string> tokenTexts;  // texts of value tokens until their constants are reduced
    int errors = 0;                      // syntax errors met so far, logged or not
    int loggedErrors = 0;                // of them, those logged (a follow-on of one is not)
    int lastErrorLine = 0;               // the line of the last logged error
    int lastToken = 0;                   // the last token read: the lookahead when an error is met
    int braceDepth = 0;                  // `{` read less `}` read, the lookahead included
    bool stopped = false;                // too many errors: the scanner reports the end of the text
};

// Runs the grammar over [context]'s lexer; 0 on success. Defined by the generated parser.
int gmRunGrammar(gmParseContext* context);
