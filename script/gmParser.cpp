// The parse driver: one parse at a time, lexer and grammar wired to one tree and log.
#include "script/gmParser.h"

#include "script/gmLexer.h"
#include "script/gmParseContext.h"

#include <atomic>

namespace {

std::atomic<bool> parseInProgress{false};

}  // namespace

int gmParse(const char* text, gmCodeTree& tree, gmCompileLog& log) {
    if (parseInProgress.exchange(true)) {
        log.logf("error (%d) %s", 0, "parse already in progress");
        return 1;
    }
    tree.reset();
    gmLexer lexer(text);
    gmParseContext context;
    context.lexer = &lexer;
    context.tree = &tree;
    context.log = &log;
    // The grammar recovers from syntax errors and may still accept the text: any error fails it.
    const int result = gmRunGrammar(&context) != 0 || context.errors > 0 ? 1 : 0;
    if (result != 0) {
        tree.setRoot(nullptr);
    }
    parseInProgress.store(false);
    return result;
}
