// The checker walks each file's code tree as the code generator resolves it (gmCodeGen.cpp): a
// name is a local of its function from the first assignment or declaration the generator meets,
// in the generator's order, and every other plain name is read as a global. The first pass over
// all files collects what the folder defines; the checks need the whole folder.
#include "tools/ScriptChecker.h"

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <memory>
#include <sstream>
#include <string_view>
#include <type_traits>
#include <unordered_map>

#include "script/gmCodeGen.h"
#include "script/gmParser.h"

namespace {

using Severity = ScriptDiagnostic::Severity;

// Deeper trees than the compiler's own limit (4000 statements or expressions) never compile; this
// bounds the walk for trees the compiler accepted anyway.
constexpr int kMaxWalkDepth = 10000;

// ---- Callbacks --------------------------------------------------------------------------------

enum class ObjectKind { Unknown, Process, Entity, Particle, Action };

struct Callback {
    const char* name;
    int processArgs, entityArgs, particleArgs, actionArgs;  // -1: not called on that kind
};

// The functions the engine calls on a type function's table, with the arguments it passes to each
// kind (docs/callbacks.md).
constexpr Callback kCallbacks[] = {
    {"constructor", 0, 0, 0, -1},
    {"init", 0, -1, -1, -1},
    {"update", 1, 1, 1, -1},
    {"onAlarm", 1, 1, -1, -1},
    {"preDraw", 0, -1, -1, -1},
    {"postDraw", 0, -1, -1, -1},
    {"draw", -1, 0, 0, -1},
    {"drawAlpha", -1, 0, 0, -1},
    {"onKeyPress", 1, 1, -1, -1},
    {"onKeyRelease", 1, 1, -1, -1},
    {"onKeyType", 1, 1, -1, -1},
    {"onEntityCreate", 1, 1, -1, -1},
    {"onEntityDelete", 1, 1, -1, -1},
    {"onEntityExplode", 1, 1, -1, -1},
    // Processes get both entities, entities the other one; then the contact's normal and point.
    {"onEntityCollide", 4, 3, -1, -1},
    {"onEntityTouch", 4, 3, -1, -1},
    // The entity (to a process) or the side flags (to the entity), then the sides' normal.
    {"onEntityCollideWithGameBoard", 2, 2, -1, -1},
    {"setHP", -1, 1, -1, -1},
    {"explode", -1, 0, -1, -1},
    {"destructor", 0, 0, 0, -1},
    {"execute", -1, -1, -1, 0},
};

// The arguments the engine passes to [callback] on [kind]; for an unknown kind, the most any kind
// gets. -1 when no kind of that object gets the call.
int callbackArgs(const Callback& callback, ObjectKind kind) {
    switch (kind) {
        case ObjectKind::Process:
            return callback.processArgs;
        case ObjectKind::Entity:
            return callback.entityArgs;
        case ObjectKind::Particle:
            return callback.particleArgs;
        case ObjectKind::Action:
            return callback.actionArgs;
        case ObjectKind::Unknown:
            break;
    }
    return std::max({callback.processArgs, callback.entityArgs, callback.particleArgs, callback.actionArgs});
}

const Callback* findCallback(const std::string& name) {
    for (const Callback& callback : kCallbacks) {
        if (name == callback.name)
            return &callback;
    }
    return nullptr;
}

// ---- Names ------------------------------------------------------------------------------------

// Edits (insertions, deletions, substitutions, swaps of neighbours) from [a] to [b], stopping
// early above [limit].
int editDistance(const std::string& a, const std::string& b, int limit) {
    const int n = static_cast<int>(a.size()), m = static_cast<int>(b.size());
    if (std::abs(n - m) > limit)
        return limit + 1;
    std::vector<std::vector<int>> d(n + 1, std::vector<int>(m + 1));
    for (int i = 0; i <= n; ++i) d[i][0] = i;
    for (int j = 0; j <= m; ++j) d[0][j] = j;
    for (int i = 1; i <= n; ++i) {
        int rowBest = limit + 1;
        for (int j = 1; j <= m; ++j) {
            const int cost = a[i - 1] == b[j - 1] ? 0 : 1;
            d[i][j] = std::min({d[i - 1][j] + 1, d[i][j - 1] + 1, d[i - 1][j - 1] + cost});
            if (i > 1 && j > 1 && a[i - 1] == b[j - 2] && a[i - 2] == b[j - 1])
                d[i][j] = std::min(d[i][j], d[i - 2][j - 2] + 1);
            rowBest = std::min(rowBest, d[i][j]);
        }
        if (rowBest > limit)
            return limit + 1;
    }
    return d[n][m];
}

// The edits a name may be away from [intended] and still be taken for a misspelling of it: one
// for short names, where two edits reach too many other words, two from eight letters on.
int misspellingLimit(const std::string& intended) {
    return intended.size() >= 8 ? 2 : 1;
}

// The candidate closest to [name] within its misspelling limit, or "" (ties: the first).
template <class Names>
std::string closestName(const std::string& name, const Names& candidates) {
    std::string best;
    int bestDistance = 3;
    for (const auto& entry : candidates) {
        const std::string& candidate = [&]() -> const std::string& {
            if constexpr (std::is_same_v<std::decay_t<decltype(entry)>, std::string>)
                return entry;
            else
                return entry.first;
        }();
        if (candidate == name)
            continue;
        const int limit = std::min(misspellingLimit(candidate), bestDistance - 1);
        const int distance = editDistance(name, candidate, limit);
        if (distance <= limit) {
            best = candidate;
            bestDistance = distance;
        }
    }
    return best;
}

std::string didYouMean(const std::string& suggestion) {
    return suggestion.empty() ? "" : "; did you mean " + suggestion + "?";
}

// "Ship" names Ship.gm, "enemies_Rock" enemies/Rock.gm (GmScriptModule::fileNameFromTypeName).
std::string fileOfTypeName(const std::string& typeName) {
    std::string file = typeName;
    std::replace(file.begin(), file.end(), '_', '/');
    return file + ".gm";
}

// ---- The walk ---------------------------------------------------------------------------------

struct GlobalRead {
    std::string name;
    int line;
};

struct CallCheck {
    enum class Kind { GlobalFunction, ObjectMethod } kind;
    std::string object;  // for methods
    std::string name;
    int arguments;
    int line;
};

struct FileCheck {
    std::string method;
    std::string argument;
    int line;
};

// A table returned by a type function, or given to SEQUENCERACTION.
struct CallbackTable {
    const gmCodeTreeNode* table;
    std::string typeName;  // "" for a sequencer action
};

// What one file holds, for the checks that need the whole folder.
struct FileFacts {
    std::string file;
    std::string text;
    gmCodeTree tree;
    std::vector<GlobalRead> reads;
    std::vector<CallCheck> calls;
    std::vector<FileCheck> files;
    std::vector<CallbackTable> tables;
};

class Walker {
  public:
    Walker(FileFacts& facts, std::set<std::string>& definedGlobals, std::map<std::string, ObjectKind>& kinds)
        : facts_(facts), defined_(definedGlobals), kinds_(kinds) {}

    void walkRoot(const gmCodeTreeNode* statements) {
        functions_.push_back({});
        statementList(statements, 0);
        functions_.pop_back();
    }

  private:
    struct Function {
        std::unordered_map<std::string, int> scopes;  // kScopeLocal, kScopeGlobal, kScopeMember
        std::string typeName;                         // the global this function was assigned to
    };

    // kScopeGlobal for a name the current function never declared or assigned.
    int scopeOf(const std::string& name) const {
        const auto found = functions_.back().scopes.find(name);
        return found == functions_.back().scopes.end() ? kScopeGlobal : found->second;
    }
    bool isUndeclared(const std::string& name) const { return !functions_.back().scopes.contains(name); }
    bool readsGlobal(const gmCodeTreeNode* identifier) const {
        return identifier->isExpression(kExprIdentifier) && !(identifier->flags & kNodeFlagDot) &&
               scopeOf(identifier->text) == kScopeGlobal;
    }

    void statementList(const gmCodeTreeNode* list, int depth) {
        for (const gmCodeTreeNode* node = list; node; node = node->next) statement(node, depth);
    }

    void statement(const gmCodeTreeNode* node, int depth) {
        if (node == nullptr || ++depth > kMaxWalkDepth)
            return;
        if (node->kind == gmNodeKind::Declaration) {
            const gmCodeTreeNode* name = node->children[0];
            if (node->subType == kDeclVariable && name && name->isExpression(kExprIdentifier)) {
                functions_.back().scopes[name->text] = node->data;
                if (node->data == kScopeGlobal)
                    defined_.insert(name->text);
            }
            return;
        }
        if (node->kind == gmNodeKind::Expression) {
            expression(node, depth);
            return;
        }
        switch (node->subType) {
            case kStmtReturn:
                if (const gmCodeTreeNode* value = node->children[0]) {
                    if (value->isExpression(kExprTable) && !functions_.back().typeName.empty())
                        facts_.tables.push_back({value, functions_.back().typeName});
                    expression(value, depth);
                }
                return;
            case kStmtFor:
                statement(node->children[0], depth);
                expression(node->children[1], depth);
                statement(node->children[3], depth);
                expression(node->children[2], depth);
                return;
            case kStmtForeach:
                expression(node->children[0], depth);
                for (const gmCodeTreeNode* name : {node->children[2], node->children[1]}) {
                    if (name && name->isExpression(kExprIdentifier))
                        functions_.back().scopes[name->text] = kScopeLocal;
                }
                statement(node->children[3], depth);
                return;
            case kStmtWhile:
            case kStmtDoWhile:
                expression(node->children[0], depth);
                statement(node->children[1], depth);
                return;
            case kStmtIf:
                expression(node->children[0], depth);
                statement(node->children[1], depth);
                statement(node->children[2], depth);
                return;
            case kStmtCompound:
                statementList(node->children[0], depth);
                return;
            default:
                return;
        }
    }

    void expression(const gmCodeTreeNode* node, int depth) {
        if (node == nullptr || ++depth > kMaxWalkDepth)
            return;
        if (node->kind == gmNodeKind::Statement || node->kind == gmNodeKind::Declaration) {
            statement(node, depth);
            return;
        }
        switch (node->subType) {
            case kExprOperation:
                operation(node, depth);
                return;
            case kExprIdentifier:
                if (readsGlobal(node))
                    facts_.reads.push_back({node->text, node->line});
                return;
            case kExprCall:
                call(node, depth);
                return;
            case kExprFunction:
                function(node, "", depth);
                return;
            case kExprTable:
                for (const gmCodeTreeNode* field = node->children[0]; field; field = field->next) {
                    expression(field->isOperation(kOpAssignField) ? field->children[1] : field, depth);
                }
                return;
            default:
                return;
        }
    }

    void operation(const gmCodeTreeNode* node, int depth) {
        if (node->data == kOpDot) {
            expression(node->children[0], depth);
            return;
        }
        if (node->data == kOpAssign) {
            assignment(node, depth);
            return;
        }
        for (const gmCodeTreeNode* child : node->children) expression(child, depth);
    }

    // The generator's order: a.b = v reads a, then v; name = v reads v, then stores name.
    void assignment(const gmCodeTreeNode* node, int depth) {
        const gmCodeTreeNode* target = node->children[0];
        const gmCodeTreeNode* value = node->children[1];
        if (target == nullptr || !target->isExpression(kExprIdentifier)) {
            if (target && target->isOperation(kOpDot)) {
                expression(target->children[0], depth);
                globalsTableWrite(target);
            } else if (target) {
                expression(target, depth);
            }
            expression(value, depth);
            return;
        }
        const std::string& name = target->text;
        const bool member = (target->flags & kNodeFlagDot) || scopeOf(name) == kScopeMember;
        const bool global = !member && !isUndeclared(name) && scopeOf(name) == kScopeGlobal;
        if (value && value->isExpression(kExprFunction))
            function(value, global ? name : "", depth);
        else
            expression(value, depth);
        if (global)
            defined_.insert(name);
        else if (!member && isUndeclared(name))
            functions_.back().scopes[name] = kScopeLocal;
    }

    // globals().name = v defines a global as `global name = v` does.
    void globalsTableWrite(const gmCodeTreeNode* dot) {
        const gmCodeTreeNode* object = dot->children[0];
        const gmCodeTreeNode* name = dot->children[1];
        if (object && object->isExpression(kExprCall) && object->children[1] == nullptr && name &&
            object->children[0] && readsGlobal(object->children[0]) &&
            object->children[0]->text == "globals") {
            defined_.insert(name->text);
        }
    }

    void function(const gmCodeTreeNode* node, const std::string& typeName, int depth) {
        functions_.push_back({});
        functions_.back().typeName = typeName;
        for (const gmCodeTreeNode* parameter = node->children[0]; parameter; parameter = parameter->next) {
            const gmCodeTreeNode* name = parameter->children[0];
            if (name && name->isExpression(kExprIdentifier))
                functions_.back().scopes[name->text] = kScopeLocal;
        }
        statement(node->children[1], depth);
        functions_.pop_back();
    }

    void call(const gmCodeTreeNode* node, int depth) {
        const gmCodeTreeNode* callee = node->children[0];
        const gmCodeTreeNode* arguments = node->children[1];
        int count = 0;
        for (const gmCodeTreeNode* argument = arguments; argument; argument = argument->next) ++count;

        // The call's line is its name's: the call node has that of its closing parenthesis.
        std::string calledName;
        int line = node->line;
        if (callee && !node->children[2]) {
            if (readsGlobal(callee)) {
                calledName = callee->text;
                line = callee->line;
                facts_.calls.push_back({CallCheck::Kind::GlobalFunction, "", calledName, count, line});
            } else if (callee->isOperation(kOpDot) && callee->children[1]) {
                calledName = callee->children[1]->text;
                line = callee->children[1]->line;
                const gmCodeTreeNode* object = callee->children[0];
                if (object && readsGlobal(object)) {
                    facts_.calls.push_back(
                        {CallCheck::Kind::ObjectMethod, object->text, calledName, count, line});
                }
            }
        }
        if (arguments && arguments->isExpression(kExprConstant) && arguments->data == kConstString)
            literalArgument(calledName, arguments->text, line);
        if (calledName == "SEQUENCERACTION" && arguments && arguments->isExpression(kExprTable))
            facts_.tables.push_back({arguments, ""});

        expression(node->children[2], depth);
        expression(callee, depth);
        for (const gmCodeTreeNode* argument = arguments; argument; argument = argument->next)
            expression(argument, depth);
    }

    // A call that names a type or a file with a literal: the file is checked once the folder is
    // known, and a type name tells what kind of object its type function makes.
    void literalArgument(const std::string& method, const std::string& argument, int line) {
        static const std::map<std::string, ObjectKind> kTypeMakers = {
            {"createEntity", ObjectKind::Entity},
            {"createEntityAsPlayer", ObjectKind::Entity},
            {"createParticle", ObjectKind::Particle},
            {"runProcess", ObjectKind::Process},
            {"startNewProcessList", ObjectKind::Process}};
        static const std::set<std::string> kFileLoaders = {"loadScript", "playSound", "loadSound",
                                                           "loadTexture"};
        const auto maker = kTypeMakers.find(method);
        if (maker != kTypeMakers.end()) {
            auto [entry, added] = kinds_.try_emplace(argument, maker->second);
            if (!added && entry->second != maker->second)
                entry->second = ObjectKind::Unknown;  // made as two kinds: check against both
            facts_.files.push_back({method, argument, line});
        } else if (kFileLoaders.contains(method)) {
            facts_.files.push_back({method, argument, line});
        }
    }

    FileFacts& facts_;
    std::set<std::string>& defined_;
    std::map<std::string, ObjectKind>& kinds_;
    std::vector<Function> functions_;
};

// ---- Compiling --------------------------------------------------------------------------------

// Reads "error (12) message" (the parser's and the compiler's entries) and "truncated char, line
// 12" (the scanner's warning); other entries keep line 0.
ScriptDiagnostic compilerDiagnostic(const std::string& file, const std::string& entry, Severity severity) {
    ScriptDiagnostic diagnostic{file, 0, severity, entry};
    int line = 0, used = 0;
    if (std::sscanf(entry.c_str(), "error (%d) %n", &line, &used) == 1 && used > 0) {
        diagnostic.line = line;
        diagnostic.message = entry.substr(static_cast<size_t>(used));
    } else if (const size_t at = entry.rfind(", line "); at != std::string::npos) {
        diagnostic.line = std::atoi(entry.c_str() + at + 7);
        diagnostic.message = entry.substr(0, at);
    }
    return diagnostic;
}

// Keeps the compiler's entries apart: errors fail the compile, warnings do not.
class CheckLog final : public gmCompileLog {
  public:
    explicit CheckLog(std::string file, std::vector<ScriptDiagnostic>& out)
        : file_(std::move(file)), out_(out) {}
    void addEntry(const char* text) override {
        out_.push_back(compilerDiagnostic(file_, text, Severity::Error));
        failed_ = true;
    }
    void addWarning(const char* text) override {
        out_.push_back(compilerDiagnostic(file_, text, Severity::Warning));
    }
    bool failed() const { return failed_; }

  private:
    std::string file_;
    std::vector<ScriptDiagnostic>& out_;
    bool failed_ = false;
};

// The line of the table field [name] the parser stamped [line]: the parser stamps a field's name
// with the line of the token after it, which for the last field of a table may be lines further
// down; the field is the nearest "name =" at or above that line (within kFieldLineSearch lines).
// [lineStarts] holds the offset of each line of [text].
constexpr int kFieldLineSearch = 50;
int fieldLine(const std::string& text, const std::vector<size_t>& lineStarts, const std::string& name,
              int line) {
    const int last = std::min(line, static_cast<int>(lineStarts.size()));
    for (int candidate = last; candidate >= 1 && candidate > last - kFieldLineSearch; --candidate) {
        const size_t begin = lineStarts[candidate - 1];
        const size_t end = std::min(text.find('\n', begin), text.size());
        const std::string_view lineText = std::string_view(text).substr(begin, end - begin);
        for (size_t at = lineText.find(name); at != std::string::npos; at = lineText.find(name, at + 1)) {
            const bool startsWord = at == 0 || !(std::isalnum(static_cast<unsigned char>(lineText[at - 1])) ||
                                                 lineText[at - 1] == '_');
            const size_t after = lineText.find_first_not_of(" \t", at + name.size());
            if (startsWord && after != std::string::npos && lineText[after] == '=' &&
                (after + 1 >= lineText.size() || lineText[after + 1] != '='))
                return candidate;
        }
    }
    return line;
}

std::vector<size_t> lineStartsOf(const std::string& text) {
    std::vector<size_t> starts = {0};
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\n')
            starts.push_back(i + 1);
    }
    return starts;
}

bool fileExists(const ScriptFolder& folder, const ScriptEngineNames& engine, const std::string& name,
                bool isScript) {
    if (folder.files.contains(name))
        return true;
    return isScript && (folder.files.contains(name + "c") || engine.defaultScripts.contains(name));
}

}  // namespace

// ---- Argument counts --------------------------------------------------------------------------

bool ScriptArgumentCounts::allows(int count) const {
    return any || counts.contains(count) || (variadicFrom >= 0 && count >= variadicFrom);
}

// Each form is "(p, p...)", followed by " or " and the next form, or by " -> " and its result
// (which may be followed by " or (" and the next form); a parameter starts with its type: n, i,
// b, s, c, f, any, table, or an upper-case type name. A piece after a parameter that starts
// otherwise ("at least 1", "clamped to 0..1") describes that parameter. "any..." takes any number
// from there; any other form ("... n x4", text without parentheses), or a result that says more
// about the forms ("each form may start with (n x, n y)"), accepts every count.
ScriptArgumentCounts scriptArgumentCounts(const std::string& forms) {
    ScriptArgumentCounts result;
    auto anyCount = [&result]() {
        result.any = true;
        return result;
    };
    const size_t arrow = forms.find(" -> ");
    if (arrow != std::string::npos && forms.find(" form", arrow) != std::string::npos)
        return anyCount();
    size_t at = 0;
    while (at < forms.size()) {
        if (forms[at] != '(')
            return anyCount();
        const size_t close = forms.find(')', at);
        if (close == std::string::npos)
            return anyCount();
        const std::string inside = forms.substr(at + 1, close - at - 1);
        if (!result.shown.empty())
            result.shown += " or ";
        result.shown += forms.substr(at, close - at + 1);
        int parameters = 0;
        bool variadic = false;
        for (size_t start = 0; !inside.empty() && start <= inside.size();) {
            size_t comma = inside.find(',', start);
            if (comma == std::string::npos)
                comma = inside.size();
            std::string piece = inside.substr(start, comma - start);
            start = comma + 1;
            piece.erase(0, std::min(piece.size(), piece.find_first_not_of(' ')));
            const std::string word = piece.substr(0, piece.find(' '));
            if (word == "any...") {
                variadic = true;
                break;
            }
            const bool upper = !word.empty() && word[0] >= 'A' && word[0] <= 'Z' &&
                               std::all_of(word.begin(), word.end(), [](char c) {
                                   return (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '_';
                               });
            static const std::set<std::string> kTypeWords = {"n", "i", "b", "s", "c", "f", "any", "table"};
            if (upper || kTypeWords.contains(word)) {
                ++parameters;
            } else if (parameters == 0 || piece.find("...") != std::string::npos) {
                return anyCount();
            }
        }
        if (variadic)
            result.variadicFrom =
                result.variadicFrom < 0 ? parameters : std::min(result.variadicFrom, parameters);
        else
            result.counts.insert(parameters);
        at = close + 1;
        if (forms.compare(at, 4, " or ") == 0) {
            at += 4;
        } else if (forms.compare(at, 4, " -> ") == 0) {
            const size_t next = forms.find(" or (", at);
            if (next == std::string::npos)
                return result;
            at = next + 4;
        } else if (at < forms.size()) {
            return anyCount();
        }
    }
    if (result.shown.empty())
        return anyCount();
    return result;
}

// ---- The checks -------------------------------------------------------------------------------

std::vector<ScriptDiagnostic> checkScripts(const ScriptFolder& folder, const ScriptEngineNames& engine) {
    std::vector<ScriptDiagnostic> out;
    std::vector<std::unique_ptr<FileFacts>> files;
    std::set<std::string> defined;
    std::map<std::string, ObjectKind> kinds = {{"Main", ObjectKind::Process}};

    for (const ScriptSource& source : folder.scripts) {
        auto facts = std::make_unique<FileFacts>();
        facts->file = source.name;
        facts->text = source.text;
        CheckLog log(source.name, out);
        const std::string text(source.text.c_str());  // the compiler reads up to the first NUL
        if (source.text.empty()) {
            out.push_back(
                {source.name, 1, Severity::Error, "the file is empty (the engine refuses to load it)"});
            continue;
        }
        // A file that does not compile is not walked; it still defines the type function its name
        // stands for, so that its error does not make every use of that name a warning too.
        gmFunctionCollector functions;
        if (gmParse(text.c_str(), facts->tree, log) != 0 || log.failed() ||
            gmCompile(facts->tree, functions, log) != 0 || log.failed()) {
            std::string typeName = source.name.substr(0, source.name.rfind('.'));
            std::replace(typeName.begin(), typeName.end(), '/', '_');
            defined.insert(typeName);
            continue;
        }
        Walker(*facts, defined, kinds).walkRoot(facts->tree.getRoot());
        files.push_back(std::move(facts));
    }

    auto report = [&](const FileFacts& file, int line, Severity severity, std::string message) {
        out.push_back({file.file, line, severity, std::move(message)});
    };
    // The names the engine defines and the folder does not replace.
    auto engineFunction = [&](const std::string& name) -> const std::string* {
        const auto found = engine.functions.find(name);
        return found != engine.functions.end() && !defined.contains(name) ? &found->second : nullptr;
    };
    auto engineObject = [&](const std::string& name) -> const std::map<std::string, std::string>* {
        const auto found = engine.objects.find(name);
        return found != engine.objects.end() && !defined.contains(name) ? &found->second : nullptr;
    };
    std::set<std::string> globalCandidates = engine.names;
    for (const auto& [name, forms] : engine.functions) globalCandidates.insert(name);
    for (const auto& [name, methods] : engine.objects) globalCandidates.insert(name);
    globalCandidates.insert(defined.begin(), defined.end());

    for (const auto& file : files) {
        for (const GlobalRead& read : file->reads) {
            if (defined.contains(read.name) || engine.names.contains(read.name) ||
                engine.functions.contains(read.name) || engine.objects.contains(read.name))
                continue;
            report(*file, read.line, Severity::Warning,
                   "\"" + read.name +
                       "\" is read as a global, but no script of the folder assigns it and the engine does "
                       "not define it" +
                       didYouMean(closestName(read.name, globalCandidates)));
        }

        for (const CallCheck& call : file->calls) {
            const std::string* forms = nullptr;
            std::string shown = call.name;
            if (call.kind == CallCheck::Kind::GlobalFunction) {
                forms = engineFunction(call.name);
            } else if (const auto* methods = engineObject(call.object)) {
                const auto method = methods->find(call.name);
                if (method == methods->end()) {
                    report(*file, call.line, Severity::Error,
                           call.object + " has no method \"" + call.name + "\"" +
                               didYouMean(closestName(call.name, *methods)));
                    continue;
                }
                forms = &method->second;
                shown = call.object + "." + call.name;
            }
            if (forms == nullptr)
                continue;
            const ScriptArgumentCounts counts = scriptArgumentCounts(*forms);
            if (counts.allows(call.arguments))
                continue;
            report(*file, call.line, Severity::Error,
                   "\"" + shown + "\" called with " + std::to_string(call.arguments) +
                       (call.arguments == 1 ? " argument" : " arguments") + ", expecting " + counts.shown);
        }

        for (const FileCheck& use : file->files) {
            const bool isType = use.method != "loadScript" && use.method != "playSound" &&
                                use.method != "loadSound" && use.method != "loadTexture";
            if (use.argument.empty() || use.argument[0] == '/' ||
                use.argument.find("..") != std::string::npos)
                continue;  // a plain particle (""), or a file outside the folder
            const std::string name = isType ? fileOfTypeName(use.argument) : use.argument;
            if (fileExists(folder, engine, name, isType || use.method == "loadScript"))
                continue;
            report(*file, use.line, Severity::Warning,
                   use.method + "(\"" + use.argument + "\"): there is no " + name + " in the folder");
        }

        const std::vector<size_t> lineStarts =
            file->tables.empty() ? std::vector<size_t>{} : lineStartsOf(file->text);
        for (const CallbackTable& table : file->tables) {
            ObjectKind kind = ObjectKind::Action;
            if (!table.typeName.empty()) {
                const auto found = kinds.find(table.typeName);
                kind = found != kinds.end() ? found->second : ObjectKind::Unknown;
            }
            for (const gmCodeTreeNode* field = table.table->children[0]; field; field = field->next) {
                const gmCodeTreeNode* name = field->children[0];
                const gmCodeTreeNode* value = field->children[1];
                if (!field->isOperation(kOpAssignField) || !name || !value ||
                    !value->isExpression(kExprFunction))
                    continue;
                int parameters = 0;
                for (const gmCodeTreeNode* p = value->children[0]; p; p = p->next) ++parameters;
                if (const Callback* callback = findCallback(name->text)) {
                    const int passed = callbackArgs(*callback, kind);
                    if (passed >= 0 && parameters > passed) {
                        report(*file, fieldLine(file->text, lineStarts, name->text, name->line),
                               Severity::Warning,
                               "callback \"" + name->text + "\" has " + std::to_string(parameters) +
                                   (parameters == 1 ? " parameter" : " parameters") +
                                   " but the engine passes " + std::to_string(passed));
                    }
                    continue;
                }
                std::vector<std::string> callbackNames;
                for (const Callback& callback : kCallbacks) callbackNames.emplace_back(callback.name);
                const std::string intended = closestName(name->text, callbackNames);
                if (!intended.empty()) {
                    report(
                        *file, fieldLine(file->text, lineStarts, name->text, name->line), Severity::Warning,
                        "\"" + name->text + "\" is not a function the engine calls" + didYouMean(intended));
                }
            }
        }
    }

    std::stable_sort(out.begin(), out.end(), [](const ScriptDiagnostic& a, const ScriptDiagnostic& b) {
        return a.file != b.file ? a.file < b.file : a.line < b.line;
    });
    out.erase(std::unique(out.begin(), out.end(),
                          [](const ScriptDiagnostic& a, const ScriptDiagnostic& b) {
                              return a.file == b.file && a.line == b.line && a.severity == b.severity &&
                                     a.message == b.message;
                          }),
              out.end());
    return out;
}

std::vector<ScriptCallback> scriptCallbacks() {
    std::vector<ScriptCallback> out;
    for (const Callback& c : kCallbacks)
        out.push_back({c.name, c.processArgs, c.entityArgs, c.particleArgs, c.actionArgs});
    return out;
}

// ---- Output -----------------------------------------------------------------------------------

std::string formatDiagnostic(const ScriptDiagnostic& diagnostic) {
    return diagnostic.file + ":" + std::to_string(diagnostic.line) + ": " +
           (diagnostic.severity == Severity::Error ? "error" : "warning") + ": " + diagnostic.message;
}

namespace {
// The length of the well-formed UTF-8 sequence at [at], or 0.
size_t utf8Length(const std::string& text, size_t at) {
    const unsigned char c = static_cast<unsigned char>(text[at]);
    const size_t length = c < 0x80 ? 1 : (c >> 5) == 0x6 ? 2 : (c >> 4) == 0xe ? 3 : (c >> 3) == 0x1e ? 4 : 0;
    if (length == 0 || at + length > text.size())
        return 0;
    for (size_t i = 1; i < length; ++i) {
        if ((static_cast<unsigned char>(text[at + i]) >> 6) != 0x2)
            return 0;
    }
    return length;
}

// A JSON string of [text]; bytes that are not UTF-8 (a binary file's string literal) become U+FFFD.
std::string jsonString(const std::string& text) {
    std::string out = "\"";
    for (size_t at = 0; at < text.size();) {
        const unsigned char c = static_cast<unsigned char>(text[at]);
        const size_t length = utf8Length(text, at);
        if (length == 0) {
            out += "\\ufffd";
            ++at;
            continue;
        }
        if (length > 1) {
            out.append(text, at, length);
            at += length;
            continue;
        }
        ++at;
        if (c == '"' || c == '\\') {
            out += '\\';
            out += static_cast<char>(c);
        } else if (c < 0x20) {
            char escaped[8];
            std::snprintf(escaped, sizeof(escaped), "\\u%04x", c);
            out += escaped;
        } else {
            out += static_cast<char>(c);
        }
    }
    return out + "\"";
}
}  // namespace

std::string diagnosticsJson(const std::vector<ScriptDiagnostic>& diagnostics) {
    std::string out = "[";
    for (size_t i = 0; i < diagnostics.size(); ++i) {
        const ScriptDiagnostic& d = diagnostics[i];
        out += i == 0 ? "\n  " : ",\n  ";
        out += "{\"file\": " + jsonString(d.file) + ", \"line\": " + std::to_string(d.line) +
               ", \"severity\": \"" + (d.severity == Severity::Error ? "error" : "warning") +
               "\", \"message\": " + jsonString(d.message) + "}";
    }
    return out + (diagnostics.empty() ? "]\n" : "\n]\n");
}

bool readScriptFile(const std::filesystem::path& path, std::string& text) {
    std::ifstream file(path, std::ios::binary);
    if (!file)
        return false;
    std::ostringstream contents;
    contents << file.rdbuf();
    text = contents.str();
    return !file.bad();
}
