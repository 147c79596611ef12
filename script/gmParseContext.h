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
};

// Runs the grammar over [context]'s lexer; 0 on success. Defined by the generated parser.
int gmRunGrammar(gmParseContext* context);
