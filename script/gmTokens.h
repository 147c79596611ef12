// Token numbers of the scanner; single-character tokens use their character code.
#pragma once

enum gmToken : int {
    kTokenEnd = 0,
    kTokenLocal = 258,       // KEYWORD_LOCAL "local"
    kTokenGlobal = 259,      // KEYWORD_GLOBAL "global"
    kTokenMember = 260,      // KEYWORD_MEMBER "member"
    kTokenAnd = 261,         // KEYWORD_AND "and" or "&&"
    kTokenOr = 262,          // KEYWORD_OR "or" or "||"
    kTokenIf = 263,          // KEYWORD_IF
    kTokenElse = 264,        // KEYWORD_ELSE
    kTokenWhile = 265,       // KEYWORD_WHILE
    kTokenFor = 266,         // KEYWORD_FOR
    kTokenForeach = 267,     // KEYWORD_FOREACH
    kTokenIn = 268,          // KEYWORD_IN
    kTokenBreak = 269,       // KEYWORD_BREAK
    kTokenContinue = 270,    // KEYWORD_CONTINUE
    kTokenNull = 271,        // KEYWORD_NULL
    kTokenDoWhile = 272,     // KEYWORD_DOWHILE
    kTokenReturn = 273,      // KEYWORD_RETURN
    kTokenFunction = 274,    // KEYWORD_FUNCTION
    kTokenTable = 275,       // KEYWORD_TABLE
    kTokenThis = 276,        // KEYWORD_THIS
    kTokenTrue = 277,        // KEYWORD_TRUE
    kTokenFalse = 278,       // KEYWORD_FALSE
    kTokenIdentifier = 279,  // IDENTIFIER
    kTokenHex = 280,         // CONSTANT_HEX
    kTokenBinary = 281,      // CONSTANT_BINARY
    kTokenInt = 282,         // CONSTANT_INT
    kTokenChar = 283,        // CONSTANT_CHAR
    kTokenFloat = 284,       // CONSTANT_FLOAT
    kTokenString = 285,      // CONSTANT_STRING
    kTokenAsgnBsr = 286,     // ">>="
    kTokenAsgnBsl = 287,     // "<<="
    kTokenAsgnAdd = 288,     // "+="
    kTokenAsgnMinus = 289,   // "-="
    kTokenAsgnTimes = 290,   // "*="
    kTokenAsgnDivide = 291,  // "/="
    kTokenAsgnRem = 292,     // "%="
    kTokenAsgnBand = 293,    // "&="
    kTokenAsgnBor = 294,     // "|="
    kTokenAsgnBxor = 295,    // "^="
    kTokenRightShift = 296,  // ">>"
    kTokenLeftShift = 297,   // "<<"
    kTokenLte = 298,         // "<="
    kTokenGte = 299,         // ">="
    kTokenEq = 300,          // "=="
    kTokenNeq = 301,         // "!="
    kTokenError = 302,       // any other character
};
