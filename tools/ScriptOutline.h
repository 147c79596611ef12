// What an editor needs to know about a script's text without compiling it: its tokens, its
// functions and tables (with the globals among them), and what surrounds a cursor. It works on
// text that does not compile (the file being typed), reading as far as it can.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

struct ScriptToken {
    enum class Kind { Identifier, Keyword, String, Number, Punctuation };
    Kind kind = Kind::Punctuation;
    std::string text;   // a string's text without its quotes (escapes kept as written)
    size_t offset = 0;  // byte offset of the first byte
    size_t end = 0;     // byte offset past the last byte
    int line = 0;       // from 0
};

struct ScriptTokens {
    std::vector<ScriptToken> tokens;
    // The text ends inside a comment or an unfinished string (what the cursor is in, when the
    // text is cut at the cursor).
    bool endsInComment = false;
    bool endsInString = false;
};

// The tokens of [text] (up to [length] bytes, all of it by default); comments are dropped.
ScriptTokens scriptTokens(const std::string& text, size_t length = std::string::npos);

struct ScriptSymbol {
    enum class Kind { Function, Table, Variable };
    std::string name;
    Kind kind = Kind::Variable;
    bool isGlobal = false;      // declared with "global"
    bool returnsTable = false;  // a function that returns table(...): a type function
    size_t nameOffset = 0, nameEnd = 0;
    size_t offset = 0, end = 0;          // the whole definition, from "global"/"local" to its last bracket
    int line = 0;                        // the name's line, from 0
    std::vector<ScriptSymbol> children;  // what is defined inside (a type function's callbacks)
};

// The functions and tables [text] defines as "NAME = function(...) {...}", "NAME = table(...)"
// or "NAME = {...}", nested as they are in the text, and every "global NAME = ...".
std::vector<ScriptSymbol> scriptSymbols(const std::string& text);

// The byte offsets of each line's first byte ([0] is 0).
std::vector<size_t> scriptLineStarts(const std::string& text);

// What precedes the cursor at byte [offset]: the identifier being typed ([prefix], from
// [prefixOffset]), the name before a dot in front of it ([object]; [afterDot] is true for any
// dot, even after a call or an index), and whether the cursor stands where a field of a type
// function's "return table(...)" is named.
struct ScriptCursor {
    bool inCommentOrString = false;
    std::string prefix;
    size_t prefixOffset = 0;
    bool afterDot = false;
    std::string object;
    bool atCallbackField = false;
};
ScriptCursor scriptCursor(const std::string& text, size_t offset);

// The identifier around byte [offset] ([start], [end]), or false when there is none.
bool scriptWordAt(const std::string& text, size_t offset, size_t& start, size_t& end);
