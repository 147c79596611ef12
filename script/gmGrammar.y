/* The script grammar, LALR(1). Every reduction builds a code tree node. Operator precedence is
   expressed by the layering of the expression rules, loosest first; every binary level is
   left-associative.
   Error recovery: a syntax error is logged, then the parse resumes at the next `;` or at the `}`
   that closes the enclosing block; while it looks for them, a bracketed group is skipped whole
   (the body of an `if` whose condition is broken, a table's fields), so one parse reports each
   independent mistake once. The tree of a parse with errors is thrown away. */

%code requires {
#include "script/gmCodeTree.h"
#include <string>
struct gmParseContext;
}

%code {
#include "script/gmLiterals.h"
#include "script/gmParseContext.h"
#include "script/gmTokens.h"

#include <algorithm>
#include <cstring>
#include <new>
#include <string>

// The state stack starts at 200 entries and doubles up to 10000.
#define YYINITDEPTH 200
#define YYMAXDEPTH 10000

namespace {

int gmlex(GMSTYPE* value, gmParseContext* context, int errorStatus);
void gmerror(gmParseContext* context, const char* message);

int currentLine(const gmParseContext* context) { return context->lexer->getLine(); }

gmCodeTreeNode* makeStatement(gmParseContext* context, int type) {
    return context->tree->createNode(gmNodeKind::Statement, type, currentLine(context));
}

gmCodeTreeNode* makeExpression(gmParseContext* context, int type) {
    return context->tree->createNode(gmNodeKind::Expression, type, currentLine(context));
}

gmCodeTreeNode* makeOperation(gmParseContext* context, int code, gmCodeTreeNode* left, gmCodeTreeNode* right) {
    return context->tree->createOperation(code, left, right, currentLine(context));
}

// target op= value is built as target = (target op value), sharing the target subtree.
gmCodeTreeNode* makeAssignment(gmParseContext* context, int code, gmCodeTreeNode* target, gmCodeTreeNode* value) {
    if (code != kOpAssign) {
        value = makeOperation(context, code, target, value);
    }
    gmCodeTreeNode* node = context->tree->createNode(gmNodeKind::Expression, kExprOperation, currentLine(context));
    node->data = kOpAssign;
    gmCodeTree::setChild(node, 0, target);
    gmCodeTree::setChild(node, 1, value);
    return node;
}

gmCodeTreeNode* makeNode(gmParseContext* context, gmNodeKind kind, int type, gmCodeTreeNode* child0,
                         gmCodeTreeNode* child1 = nullptr, gmCodeTreeNode* child2 = nullptr,
                         gmCodeTreeNode* child3 = nullptr) {
    gmCodeTreeNode* node = context->tree->createNode(kind, type, currentLine(context));
    gmCodeTree::setChild(node, 0, child0);
    gmCodeTree::setChild(node, 1, child1);
    gmCodeTree::setChild(node, 2, child2);
    gmCodeTree::setChild(node, 3, child3);
    return node;
}

gmCodeTreeNode* discard(gmCodeTreeNode* node) {
    if (node) {
        node->flags |= kNodeFlagDiscard;
    }
    return node;
}

}  // namespace

// The scanner learns the parser's recovery status: 3 while it discards tokens after an error.
#define gmlex(value, context) gmlex(value, context, yyerrstatus)
}

%define api.pure full
%define api.prefix {gm}
%define parse.error custom
%param {gmParseContext* context}

%union {
    gmCodeTreeNode* node;
    const std::string* text;
    int code;
}

%token KEYWORD_LOCAL 258
%token KEYWORD_GLOBAL 259
%token KEYWORD_MEMBER 260
%token KEYWORD_AND 261
%token KEYWORD_OR 262
%token KEYWORD_IF 263
%token KEYWORD_ELSE 264
%token KEYWORD_WHILE 265
%token KEYWORD_FOR 266
%token KEYWORD_FOREACH 267
%token KEYWORD_IN 268
%token KEYWORD_BREAK 269
%token KEYWORD_CONTINUE 270
%token KEYWORD_NULL 271
%token KEYWORD_DOWHILE 272
%token KEYWORD_RETURN 273
%token KEYWORD_FUNCTION 274
%token KEYWORD_TABLE 275
%token KEYWORD_THIS 276
%token KEYWORD_TRUE 277
%token KEYWORD_FALSE 278
%token <text> IDENTIFIER 279
%token <text> CONSTANT_HEX 280
%token <text> CONSTANT_BINARY 281
%token <text> CONSTANT_INT 282
%token <text> CONSTANT_CHAR 283
%token <text> CONSTANT_FLOAT 284
%token <text> CONSTANT_STRING 285
%token SYMBOL_ASGN_BSR 286
%token SYMBOL_ASGN_BSL 287
%token SYMBOL_ASGN_ADD 288
%token SYMBOL_ASGN_MINUS 289
%token SYMBOL_ASGN_TIMES 290
%token SYMBOL_ASGN_DIVIDE 291
%token SYMBOL_ASGN_REM 292
%token SYMBOL_ASGN_BAND 293
%token SYMBOL_ASGN_BOR 294
%token SYMBOL_ASGN_BXOR 295
%token SYMBOL_RIGHT_SHIFT 296
%token SYMBOL_LEFT_SHIFT 297
%token SYMBOL_LTE 298
%token SYMBOL_GTE 299
%token SYMBOL_EQ 300
%token SYMBOL_NEQ 301
%token TOKEN_ERROR 302

%type <node> statement_list statement compound_statement var_statement expression_statement
%type <node> selection_statement iteration_statement jump_statement assignment_expression
%type <node> constant_expression_statement constant_expression logical_or_expression
%type <node> logical_and_expression inclusive_or_expression exclusive_or_expression and_expression
%type <node> equality_expression relational_expression shift_expression additive_expression
%type <node> multiplicative_expression unary_expression postfix_expression argument_expression_list
%type <node> table_constructor function_constructor field_list field parameter_list parameter
%type <node> primary_expression identifier constant constant_string_list
%type <code> var_type unary_operator

%start program

%%

program
  : statement_list                                  { context->tree->setRoot($1); }
  ;

statement_list
  : statement                                       { $$ = $1; }
  | statement_list statement                        { $$ = gmCodeTree::appendToList($1, $2); }
  ;

statement
  : expression_statement                            { $$ = $1; }
  | var_statement                                   { $$ = $1; }
  | selection_statement                             { $$ = $1; }
  | iteration_statement                             { $$ = $1; }
  | jump_statement                                  { $$ = $1; }
  | error ';'                                       { $$ = nullptr; }
  ;

compound_statement
  : '{' '}'                                         { $$ = makeNode(context, gmNodeKind::Statement, kStmtCompound, nullptr); }
  | '{' statement_list '}'                          { $$ = makeNode(context, gmNodeKind::Statement, kStmtCompound, $2); }
  | '{' error '}'                                   { $$ = nullptr; }
  | '{' statement_list error '}'                    { $$ = nullptr; }
  ;

var_statement
  : var_type identifier ';'
        {
            $$ = makeNode(context, gmNodeKind::Declaration, kDeclVariable, $2);
            $$->data = $1;
        }
  | var_type identifier '=' constant_expression ';'
        {
            $$ = makeNode(context, gmNodeKind::Declaration, kDeclVariable, $2);
            $$->data = $1;
            gmCodeTreeNode* target = context->tree->createIdentifier($2->text, $2->line);
            $$->next = discard(makeAssignment(context, kOpAssign, target, $4));
        }
  ;

var_type
  : KEYWORD_LOCAL                                   { $$ = kScopeLocal; }
  | KEYWORD_GLOBAL                                  { $$ = kScopeGlobal; }
  | KEYWORD_MEMBER                                  { $$ = kScopeMember; }
  ;

expression_statement
  : ';'                                             { $$ = nullptr; }
  | assignment_expression ';'                       { $$ = discard($1); }
  ;

selection_statement
  : KEYWORD_IF '(' constant_expression ')' compound_statement
        { $$ = makeNode(context, gmNodeKind::Statement, kStmtIf, $3, $5); }
  | KEYWORD_IF '(' constant_expression ')' compound_statement KEYWORD_ELSE compound_statement
        { $$ = makeNode(context, gmNodeKind::Statement, kStmtIf, $3, $5, $7); }
  | KEYWORD_IF '(' constant_expression ')' compound_statement KEYWORD_ELSE selection_statement
        { $$ = makeNode(context, gmNodeKind::Statement, kStmtIf, $3, $5, $7); }
  ;

iteration_statement
  : KEYWORD_WHILE '(' constant_expression ')' compound_statement
        { $$ = makeNode(context, gmNodeKind::Statement, kStmtWhile, $3, $5); }
  | KEYWORD_DOWHILE '(' constant_expression ')' compound_statement
        { $$ = makeNode(context, gmNodeKind::Statement, kStmtDoWhile, $3, $5); }
  | KEYWORD_FOR '(' expression_statement constant_expression_statement ')' compound_statement
        { $$ = makeNode(context, gmNodeKind::Statement, kStmtFor, $3, $4, nullptr, $6); }
  | KEYWORD_FOR '(' expression_statement constant_expression_statement assignment_expression ')' compound_statement
        { $$ = makeNode(context, gmNodeKind::Statement, kStmtFor, $3, $4, discard($5), $7); }
  | KEYWORD_FOREACH '(' identifier KEYWORD_IN constant_expression ')' compound_statement
        { $$ = makeNode(context, gmNodeKind::Statement, kStmtForeach, $5, $3, nullptr, $7); }
  | KEYWORD_FOREACH '(' identifier KEYWORD_AND identifier KEYWORD_IN constant_expression ')' compound_statement
        { $$ = makeNode(context, gmNodeKind::Statement, kStmtForeach, $7, $5, $3, $9); }
  ;

jump_statement
  : KEYWORD_CONTINUE ';'                            { $$ = makeStatement(context, kStmtContinue); }
  | KEYWORD_BREAK ';'                               { $$ = makeStatement(context, kStmtBreak); }
  | KEYWORD_RETURN ';'                              { $$ = makeStatement(context, kStmtReturn); }
  | KEYWORD_RETURN constant_expression ';'          { $$ = makeNode(context, gmNodeKind::Statement, kStmtReturn, $2); }
  ;

assignment_expression
  : logical_or_expression                                   { $$ = $1; }
  | postfix_expression '=' logical_or_expression            { $$ = makeAssignment(context, kOpAssign, $1, $3); }
  | postfix_expression SYMBOL_ASGN_BSR logical_or_expression { $$ = makeAssignment(context, kOpShiftRight, $1, $3); }
  | postfix_expression SYMBOL_ASGN_BSL logical_or_expression { $$ = makeAssignment(context, kOpShiftLeft, $1, $3); }
  | postfix_expression SYMBOL_ASGN_ADD logical_or_expression { $$ = makeAssignment(context, kOpAdd, $1, $3); }
  | postfix_expression SYMBOL_ASGN_MINUS logical_or_expression { $$ = makeAssignment(context, kOpMinus, $1, $3); }
  | postfix_expression SYMBOL_ASGN_TIMES logical_or_expression { $$ = makeAssignment(context, kOpTimes, $1, $3); }
  | postfix_expression SYMBOL_ASGN_DIVIDE logical_or_expression { $$ = makeAssignment(context, kOpDivide, $1, $3); }
  | postfix_expression SYMBOL_ASGN_REM logical_or_expression { $$ = makeAssignment(context, kOpRem, $1, $3); }
  | postfix_expression SYMBOL_ASGN_BAND logical_or_expression { $$ = makeAssignment(context, kOpBitAnd, $1, $3); }
  | postfix_expression SYMBOL_ASGN_BOR logical_or_expression { $$ = makeAssignment(context, kOpBitOr, $1, $3); }
  | postfix_expression SYMBOL_ASGN_BXOR logical_or_expression { $$ = makeAssignment(context, kOpBitXor, $1, $3); }
  ;

constant_expression_statement
  : ';'                                             { $$ = nullptr; }
  | constant_expression ';'                         { $$ = $1; }
  ;

constant_expression
  : logical_or_expression                           { $$ = $1; }
  ;

logical_or_expression
  : logical_and_expression                          { $$ = $1; }
  | logical_or_expression KEYWORD_OR logical_and_expression { $$ = makeOperation(context, kOpOr, $1, $3); }
  ;

logical_and_expression
  : inclusive_or_expression                         { $$ = $1; }
  | logical_and_expression KEYWORD_AND inclusive_or_expression { $$ = makeOperation(context, kOpAnd, $1, $3); }
  ;

inclusive_or_expression
  : exclusive_or_expression                         { $$ = $1; }
  | inclusive_or_expression '|' exclusive_or_expression { $$ = makeOperation(context, kOpBitOr, $1, $3); }
  ;

exclusive_or_expression
  : and_expression                                  { $$ = $1; }
  | exclusive_or_expression '^' and_expression      { $$ = makeOperation(context, kOpBitXor, $1, $3); }
  ;

and_expression
  : equality_expression                             { $$ = $1; }
  | and_expression '&' equality_expression          { $$ = makeOperation(context, kOpBitAnd, $1, $3); }
  ;

equality_expression
  : relational_expression                           { $$ = $1; }
  | equality_expression SYMBOL_EQ relational_expression  { $$ = makeOperation(context, kOpEq, $1, $3); }
  | equality_expression SYMBOL_NEQ relational_expression { $$ = makeOperation(context, kOpNeq, $1, $3); }
  ;

relational_expression
  : shift_expression                                { $$ = $1; }
  | relational_expression '<' shift_expression      { $$ = makeOperation(context, kOpLt, $1, $3); }
  | relational_expression '>' shift_expression      { $$ = makeOperation(context, kOpGt, $1, $3); }
  | relational_expression SYMBOL_LTE shift_expression { $$ = makeOperation(context, kOpLte, $1, $3); }
  | relational_expression SYMBOL_GTE shift_expression { $$ = makeOperation(context, kOpGte, $1, $3); }
  ;

shift_expression
  : additive_expression                             { $$ = $1; }
  | shift_expression SYMBOL_LEFT_SHIFT additive_expression  { $$ = makeOperation(context, kOpShiftLeft, $1, $3); }
  | shift_expression SYMBOL_RIGHT_SHIFT additive_expression { $$ = makeOperation(context, kOpShiftRight, $1, $3); }
  ;

additive_expression
  : multiplicative_expression                       { $$ = $1; }
  | additive_expression '+' multiplicative_expression { $$ = makeOperation(context, kOpAdd, $1, $3); }
  | additive_expression '-' multiplicative_expression { $$ = makeOperation(context, kOpMinus, $1, $3); }
  ;

multiplicative_expression
  : unary_expression                                { $$ = $1; }
  | multiplicative_expression '*' unary_expression  { $$ = makeOperation(context, kOpTimes, $1, $3); }
  | multiplicative_expression '/' unary_expression  { $$ = makeOperation(context, kOpDivide, $1, $3); }
  | multiplicative_expression '%' unary_expression  { $$ = makeOperation(context, kOpRem, $1, $3); }
  ;

unary_expression
  : postfix_expression                              { $$ = $1; }
  | unary_operator unary_expression                 { $$ = makeOperation(context, $1, $2, nullptr); }
  ;

unary_operator
  : '+'                                             { $$ = kOpUnaryPlus; }
  | '-'                                             { $$ = kOpUnaryMinus; }
  | '~'                                             { $$ = kOpBitInvert; }
  | '!'                                             { $$ = kOpNot; }
  ;

postfix_expression
  : primary_expression                              { $$ = $1; }
  | postfix_expression '[' constant_expression ']'  { $$ = makeOperation(context, kOpIndex, $1, $3); }
  | postfix_expression '(' ')'                      { $$ = makeNode(context, gmNodeKind::Expression, kExprCall, $1); }
  | postfix_expression '(' argument_expression_list ')'
        { $$ = makeNode(context, gmNodeKind::Expression, kExprCall, $1, $3); }
  | postfix_expression ':' identifier '(' ')'
        { $$ = makeNode(context, gmNodeKind::Expression, kExprCall, $3, nullptr, $1); }
  | postfix_expression ':' identifier '(' argument_expression_list ')'
        { $$ = makeNode(context, gmNodeKind::Expression, kExprCall, $3, $5, $1); }
  | postfix_expression '.' identifier               { $$ = makeOperation(context, kOpDot, $1, $3); }
  ;

argument_expression_list
  : constant_expression                             { $$ = $1; }
  | argument_expression_list ',' constant_expression { $$ = gmCodeTree::appendToList($1, $3); }
  ;

table_constructor
  : KEYWORD_TABLE '(' ')'                           { $$ = makeNode(context, gmNodeKind::Expression, kExprTable, nullptr); }
  | KEYWORD_TABLE '(' field_list ')'                { $$ = makeNode(context, gmNodeKind::Expression, kExprTable, $3); }
  | '{' '}'                                         { $$ = makeNode(context, gmNodeKind::Expression, kExprTable, nullptr); }
  | '{' field_list '}'                              { $$ = makeNode(context, gmNodeKind::Expression, kExprTable, $2); }
  | '{' field_list ',' '}'                          { $$ = makeNode(context, gmNodeKind::Expression, kExprTable, $2); }
  ;

function_constructor
  : KEYWORD_FUNCTION '(' parameter_list ')' compound_statement
        { $$ = makeNode(context, gmNodeKind::Expression, kExprFunction, $3, $5); }
  | KEYWORD_FUNCTION '(' ')' compound_statement
        { $$ = makeNode(context, gmNodeKind::Expression, kExprFunction, nullptr, $4); }
  ;

field_list
  : field                                           { $$ = $1; }
  | field_list ',' field                            { $$ = gmCodeTree::appendToList($1, $3); }
  ;

field
  : constant_expression                             { $$ = $1; }
  | identifier '=' constant_expression
        {
            $$ = makeNode(context, gmNodeKind::Expression, kExprOperation, $1, $3);
            $$->data = kOpAssignField;
        }
  ;

parameter_list
  : parameter                                       { $$ = $1; }
  | parameter_list ',' parameter                    { $$ = gmCodeTree::appendToList($1, $3); }
  ;

parameter
  : identifier                                      { $$ = makeNode(context, gmNodeKind::Declaration, kDeclParameter, $1); }
  | identifier '=' constant_expression              { $$ = makeNode(context, gmNodeKind::Declaration, kDeclParameter, $1, $3); }
  ;

primary_expression
  : identifier                                      { $$ = $1; }
  | '.' identifier                                  { $$ = $2; $$->flags |= kNodeFlagDot; }
  | KEYWORD_THIS                                    { $$ = makeExpression(context, kExprThis); }
  | constant                                        { $$ = $1; }
  | table_constructor                               { $$ = $1; }
  | function_constructor                            { $$ = $1; }
  | '(' constant_expression ')'                     { $$ = $2; }
  ;

identifier
  : IDENTIFIER                                      { $$ = context->tree->createIdentifier(*$1, currentLine(context)); }
  ;

constant
  : CONSTANT_HEX                                    { $$ = context->tree->createIntConstant(gmHexValue($1->c_str()), currentLine(context)); }
  | CONSTANT_BINARY                                 { $$ = context->tree->createIntConstant(gmBinaryValue($1->c_str()), currentLine(context)); }
  | CONSTANT_INT                                    { $$ = context->tree->createIntConstant(gmDecimalValue($1->c_str()), currentLine(context)); }
  | KEYWORD_TRUE                                    { $$ = context->tree->createIntConstant(1, currentLine(context)); }
  | KEYWORD_FALSE                                   { $$ = context->tree->createIntConstant(0, currentLine(context)); }
  | CONSTANT_CHAR
        {
            bool truncated = false;
            const int32_t value = gmCharValue($1->c_str(), truncated);
            if (truncated) {
                context->log->warnf("truncated char, line %d", currentLine(context));
            }
            $$ = context->tree->createIntConstant(value, currentLine(context));
        }
  | CONSTANT_FLOAT                                  { $$ = context->tree->createFloatConstant(gmFloatValue($1->c_str()), currentLine(context)); }
  | constant_string_list                            { $$ = $1; }
  | KEYWORD_NULL                                    { $$ = context->tree->createNullConstant(currentLine(context)); }
  ;

constant_string_list
  : CONSTANT_STRING                                 { $$ = context->tree->createStringConstant(gmStringValue($1->c_str()), currentLine(context)); }
  | constant_string_list CONSTANT_STRING            { $$ = $1; $$->text += gmStringValue($2->c_str()); }
  ;

%%

static_assert(int{KEYWORD_LOCAL} == int{kTokenLocal} && int{KEYWORD_FALSE} == int{kTokenFalse} &&
                  int{IDENTIFIER} == int{kTokenIdentifier} && int{CONSTANT_STRING} == int{kTokenString} &&
                  int{SYMBOL_NEQ} == int{kTokenNeq} && int{TOKEN_ERROR} == int{kTokenError},
              "the grammar's token numbers must be the scanner's");

namespace {

// Fewer possible next tokens than this are listed in a syntax error message.
constexpr int kMaxListedTokens = 5;
// Syntax errors logged per parse; the next one is logged as "too many errors" and ends the parse.
constexpr int kMaxLoggedErrors = 20;

// Reads the next token from the scanner, keeping the brace depth.
int scanToken(gmParseContext* context) {
    const int token = context->lexer->next();
    if (token == '{') {
        ++context->braceDepth;
    } else if (token == '}') {
        --context->braceDepth;
    }
    return token;
}

bool isOpening(int token) { return token == '{' || token == '(' || token == '['; }
bool isClosing(int token) { return token == '}' || token == ')' || token == ']'; }

// Skips the rest of a bracketed group whose opening bracket was read (any closing bracket closes),
// up to and including its closing one; false when the end of the text comes first.
bool skipGroup(gmParseContext* context) {
    for (int depth = 1; depth > 0;) {
        const int token = scanToken(context);
        if (token == kTokenEnd) {
            return false;
        }
        depth += isOpening(token) ? 1 : isClosing(token) ? -1 : 0;
    }
    return true;
}

#undef gmlex
// [errorStatus] 3: the parser is discarding tokens after an error until one it can take (`;`,
// `}`). A bracketed group then is skipped whole, the one that opened at the error included, so the
// parse does not resume inside a group the mistake left; a skipped `{...}` (a body, a table) ends
// the broken statement, read as a `;`.
int gmlex(GMSTYPE* value, gmParseContext* context, int errorStatus) {
    value->text = nullptr;
    if (context->stopped) {
        return kTokenEnd;
    }
    int opened = errorStatus == 3 && isOpening(context->lastToken) ? context->lastToken : 0;
    int token = 0;
    for (;;) {
        if (opened != 0) {
            if (!skipGroup(context)) {
                token = kTokenEnd;
                break;
            }
            if (opened == '{') {
                token = ';';
                break;
            }
        }
        token = scanToken(context);
        if (errorStatus != 3 || !isOpening(token)) {
            break;
        }
        opened = token;
    }
    context->lastToken = token;
    switch (token) {
        case kTokenIdentifier:
        case kTokenHex:
        case kTokenBinary:
        case kTokenInt:
        case kTokenChar:
        case kTokenFloat:
        case kTokenString:
            value->text = &context->tokenTexts.emplace_back(context->lexer->getText());
            break;
        default:
            value->text = nullptr;
            break;
    }
    return token;
}

// The names the messages use: the token names, the quoted characters, "$" for the end of the text
// and "$undefined." for a token number the grammar does not know.
const char* symbolName(yysymbol_kind_t symbol) {
    switch (symbol) {
        case YYSYMBOL_YYEOF:
            return "$";
        case YYSYMBOL_YYUNDEF:
            return "$undefined.";
        default:
            return yysymbol_name(symbol);
    }
}

void gmerror(gmParseContext* context, const char* message) {
    // The generated parser reports a state stack beyond its limit as exhausted memory.
    if (std::strcmp(message, "memory exhausted") == 0) {
        message = "parser stack overflow";
    }
    ++context->errors;
    context->log->logf("error (%d) %s", currentLine(context), message);
}

}  // namespace

// Logs "parse error", followed by the possible next tokens when there are fewer than five. Past
// kMaxLoggedErrors, logs "too many errors" once and stops the scanner, which ends the parse.
// After a logged error, two kinds are taken for its follow-ons and not logged (they still fail the
// parse): an error on the same line, and one at the top level while the text's braces say it is
// inside a block or at a `}` there (the recovery left a block early or lost its `{`).
static int yyreport_syntax_error(const yypcontext_t* parseContext, gmParseContext* context) {
    ++context->errors;
    if (context->stopped) {
        return 0;
    }
    yysymbol_kind_t expected[YYNTOKENS];
    const int count = std::max(yypcontext_expected_tokens(parseContext, expected, YYNTOKENS), 0);
    // The end of the text is expected only after a complete statement at the top level.
    const bool atTopLevel = std::find(expected, expected + count, YYSYMBOL_YYEOF) != expected + count;
    const int line = currentLine(context);
    if (context->loggedErrors > 0 &&
        (line == context->lastErrorLine || (atTopLevel && (context->braceDepth != 0 || context->lastToken == '}')))) {
        return 0;
    }
    context->lastErrorLine = line;
    if (++context->loggedErrors > kMaxLoggedErrors) {
        context->stopped = true;
        context->log->logf("error (%d) %s", line, "too many errors");
        return 0;
    }
    try {
        std::string message = "parse error";
        // A state with a shift on the error token takes no default reduction, so at the top level
        // the statement starters are listed with the end; without error recovery the parser
        // reduced the program first and expected the end alone. The message stays the latter.
        if (atTopLevel) {
            message += ", expecting `$'";
        } else if (count > 0 && count < kMaxListedTokens) {
            for (int i = 0; i < count; ++i) {
                message += i == 0 ? ", expecting `" : " or `";
                message += symbolName(expected[i]);
                message += "'";
            }
        }
        context->log->logf("error (%d) %s", line, message.c_str());
    } catch (const std::bad_alloc&) {
        context->log->logf("error (%d) %s", line, "parse error; also virtual memory exceeded");
    }
    return 0;
}

int gmRunGrammar(gmParseContext* context) { return gmparse(context); }
