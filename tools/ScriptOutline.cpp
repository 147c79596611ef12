#include "tools/ScriptOutline.h"

#include <algorithm>
#include <cstring>
#include <set>

namespace {

bool isIdentifierStart(char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || c == '_';
}
bool isIdentifierChar(char c) {
    return isIdentifierStart(c) || (c >= '0' && c <= '9');
}

bool isKeyword(const std::string& word) {
    static const std::set<std::string> kKeywords = {
        "local",   "global", "member",   "and",   "or",    "if",       "else",
        "while",   "for",    "foreach",  "in",    "break", "continue", "null",
        "dowhile", "return", "function", "table", "this",  "true",     "false"};
    return kKeywords.contains(word);
}

// The operators of more than one character, longest first, so that "==" is never read as "=".
constexpr const char* kOperators[] = {">>=", "<<=", "+=", "-=", "*=", "/=", "%=", "&=", "|=",
                                      "^=",  ">>",  "<<", "<=", ">=", "==", "!=", "&&", "||"};

bool isPunctuation(const ScriptToken& token, const char* text) {
    return token.kind == ScriptToken::Kind::Punctuation && token.text == text;
}
bool isKeywordToken(const ScriptToken& token, const char* text) {
    return token.kind == ScriptToken::Kind::Keyword && token.text == text;
}

}  // namespace

ScriptTokens scriptTokens(const std::string& text, size_t length) {
    ScriptTokens out;
    const size_t n = std::min(length, text.size());
    size_t at = 0;
    int line = 0;
    auto advanceTo = [&](size_t to) {
        for (size_t i = at; i < to; ++i) line += text[i] == '\n';
        at = to;
    };
    while (at < n) {
        const char c = text[at];
        if (c == '\n' || c == ' ' || c == '\t' || c == '\r' || c == '\v' || c == '\f') {
            advanceTo(at + 1);
            continue;
        }
        if (c == '/' && at + 1 < n && text[at + 1] == '/') {
            size_t end = text.find('\n', at);
            if (end == std::string::npos || end >= n) {
                out.endsInComment = true;
                end = n;
            }
            advanceTo(end);
            continue;
        }
        if (c == '/' && at + 1 < n && text[at + 1] == '*') {
            size_t end = text.find("*/", at + 2);
            if (end == std::string::npos || end + 2 > n) {
                out.endsInComment = true;
                end = n;
            } else {
                end += 2;
            }
            advanceTo(end);
            continue;
        }
        ScriptToken token;
        token.offset = at;
        token.line = line;
        size_t end = at + 1;
        if (c == '"' || c == '\'' || c == '`') {
            // '"' and '\'' take backslash escapes; '`' strings double a backquote to hold one.
            bool closed = false;
            while (end < n) {
                if (c != '`' && text[end] == '\\') {
                    end += 2;
                    continue;
                }
                if (text[end] == c) {
                    if (c == '`' && end + 1 < n && text[end + 1] == '`') {
                        end += 2;
                        continue;
                    }
                    closed = true;
                    break;
                }
                ++end;
            }
            end = std::min(end, n);
            token.kind = c == '\'' ? ScriptToken::Kind::Number : ScriptToken::Kind::String;
            token.text = text.substr(at + 1, end - at - 1);
            if (closed)
                ++end;
            else
                out.endsInString = true;
        } else if (isIdentifierStart(c)) {
            while (end < n && isIdentifierChar(text[end])) ++end;
            token.text = text.substr(at, end - at);
            token.kind = isKeyword(token.text) ? ScriptToken::Kind::Keyword : ScriptToken::Kind::Identifier;
        } else if ((c >= '0' && c <= '9') ||
                   (c == '.' && at + 1 < n && text[at + 1] >= '0' && text[at + 1] <= '9')) {
            while (end < n && (isIdentifierChar(text[end]) || text[end] == '.')) ++end;
            token.kind = ScriptToken::Kind::Number;
            token.text = text.substr(at, end - at);
        } else {
            for (const char* op : kOperators) {
                const size_t length = std::strlen(op);
                if (at + length <= n && text.compare(at, length, op) == 0) {
                    end = at + length;
                    break;
                }
            }
            token.text = text.substr(at, end - at);
        }
        token.end = end;
        out.tokens.push_back(std::move(token));
        advanceTo(end);
    }
    return out;
}

std::vector<size_t> scriptLineStarts(const std::string& text) {
    std::vector<size_t> starts = {0};
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\n')
            starts.push_back(i + 1);
    }
    return starts;
}

std::vector<ScriptSymbol> scriptSymbols(const std::string& text) {
    const std::vector<ScriptToken> tokens = scriptTokens(text).tokens;
    const size_t count = tokens.size();
    // The matching bracket of each opening one (count when it is never closed).
    std::vector<size_t> match(count, count);
    std::vector<size_t> open;
    for (size_t i = 0; i < count; ++i) {
        const ScriptToken& t = tokens[i];
        if (t.kind != ScriptToken::Kind::Punctuation)
            continue;
        if (t.text == "(" || t.text == "{" || t.text == "[") {
            open.push_back(i);
        } else if (t.text == ")" || t.text == "}" || t.text == "]") {
            const char opener = t.text == ")" ? '(' : t.text == "}" ? '{' : '[';
            // A stray closer is skipped; one that closes an outer bracket closes the inner ones too.
            auto found = std::find_if(open.rbegin(), open.rend(),
                                      [&](size_t o) { return tokens[o].text[0] == opener; });
            if (found == open.rend())
                continue;
            match[*found] = i;
            open.erase(std::next(found).base(), open.end());
        }
    }
    auto endOf = [&](size_t bracket) {
        return match[bracket] < count ? tokens[match[bracket]].end : text.size();
    };

    std::vector<ScriptSymbol> flat;
    for (size_t i = 0; i + 2 < count; ++i) {
        if (tokens[i].kind != ScriptToken::Kind::Identifier || !isPunctuation(tokens[i + 1], "="))
            continue;
        if (i > 0 && isPunctuation(tokens[i - 1], "."))
            continue;  // a.b = ...: a field of another object
        ScriptSymbol symbol;
        symbol.name = tokens[i].text;
        symbol.nameOffset = tokens[i].offset;
        symbol.nameEnd = tokens[i].end;
        symbol.line = tokens[i].line;
        symbol.offset = tokens[i].offset;
        const bool declared =
            i > 0 && (isKeywordToken(tokens[i - 1], "global") || isKeywordToken(tokens[i - 1], "local") ||
                      isKeywordToken(tokens[i - 1], "member"));
        if (declared) {
            symbol.offset = tokens[i - 1].offset;
            symbol.isGlobal = tokens[i - 1].text == "global";
        }
        const ScriptToken& value = tokens[i + 2];
        if (isKeywordToken(value, "function") && i + 3 < count && isPunctuation(tokens[i + 3], "(")) {
            symbol.kind = ScriptSymbol::Kind::Function;
            const size_t close = match[i + 3];
            if (close + 1 < count && isPunctuation(tokens[close + 1], "{")) {
                const size_t body = close + 1;
                symbol.end = endOf(body);
                for (size_t j = body + 1; j + 2 < std::min(match[body], count); ++j) {
                    if (isKeywordToken(tokens[j], "return") && isKeywordToken(tokens[j + 1], "table") &&
                        isPunctuation(tokens[j + 2], "("))
                        symbol.returnsTable = true;
                }
            } else {
                symbol.end = endOf(i + 3);
            }
        } else if (isKeywordToken(value, "table") && i + 3 < count && isPunctuation(tokens[i + 3], "(")) {
            symbol.kind = ScriptSymbol::Kind::Table;
            symbol.end = endOf(i + 3);
        } else if (isPunctuation(value, "{")) {
            symbol.kind = ScriptSymbol::Kind::Table;
            symbol.end = endOf(i + 2);
        } else if (symbol.isGlobal) {
            symbol.kind = ScriptSymbol::Kind::Variable;
            symbol.end = value.end;
        } else {
            continue;
        }
        flat.push_back(std::move(symbol));
    }

    // Nest by ranges: a symbol starting inside an earlier one's range is its child.
    std::vector<ScriptSymbol> roots;
    std::vector<ScriptSymbol*> stack;
    for (ScriptSymbol& symbol : flat) {
        while (!stack.empty() && stack.back()->end <= symbol.offset) stack.pop_back();
        std::vector<ScriptSymbol>& siblings = stack.empty() ? roots : stack.back()->children;
        siblings.push_back(std::move(symbol));
        // The vectors above the new symbol in the stack do not move: only the innermost grows.
        stack.push_back(&siblings.back());
    }
    return roots;
}

ScriptCursor scriptCursor(const std::string& text, size_t offset) {
    ScriptCursor cursor;
    offset = std::min(offset, text.size());
    const ScriptTokens scanned = scriptTokens(text, offset);
    if (scanned.endsInComment || scanned.endsInString) {
        cursor.inCommentOrString = true;
        return cursor;
    }
    std::vector<ScriptToken> tokens = scanned.tokens;
    // The identifier being typed ends at the cursor.
    if (!tokens.empty() && tokens.back().end == offset &&
        (tokens.back().kind == ScriptToken::Kind::Identifier ||
         tokens.back().kind == ScriptToken::Kind::Keyword)) {
        cursor.prefix = tokens.back().text;
        cursor.prefixOffset = tokens.back().offset;
        tokens.pop_back();
    } else {
        cursor.prefixOffset = offset;
        if (!tokens.empty() && tokens.back().end == offset && tokens.back().kind == ScriptToken::Kind::Number)
            cursor.inCommentOrString = true;  // a number being typed: nothing to complete
    }
    if (!tokens.empty() && isPunctuation(tokens.back(), ".")) {
        cursor.afterDot = true;
        if (tokens.size() >= 2 && tokens[tokens.size() - 2].kind == ScriptToken::Kind::Identifier &&
            !(tokens.size() >= 3 && isPunctuation(tokens[tokens.size() - 3], ".")))
            cursor.object = tokens[tokens.size() - 2].text;
        return cursor;
    }
    // A field name stands after "(" or "," directly inside "return table(".
    if (tokens.empty() || !(isPunctuation(tokens.back(), "(") || isPunctuation(tokens.back(), ",")))
        return cursor;
    int depth = 0;
    for (size_t i = tokens.size(); i-- > 0;) {
        const ScriptToken& t = tokens[i];
        if (t.kind != ScriptToken::Kind::Punctuation)
            continue;
        if (t.text == ")" || t.text == "}" || t.text == "]") {
            ++depth;
        } else if (t.text == "(" || t.text == "{" || t.text == "[") {
            if (depth > 0) {
                --depth;
                continue;
            }
            cursor.atCallbackField = t.text == "(" && i >= 2 && isKeywordToken(tokens[i - 1], "table") &&
                                     isKeywordToken(tokens[i - 2], "return");
            break;
        }
    }
    return cursor;
}

bool scriptWordAt(const std::string& text, size_t offset, size_t& start, size_t& end) {
    offset = std::min(offset, text.size());
    start = offset;
    while (start > 0 && isIdentifierChar(text[start - 1])) --start;
    end = offset;
    while (end < text.size() && isIdentifierChar(text[end])) ++end;
    if (start == end || !isIdentifierStart(text[start]))
        return false;
    return true;
}
