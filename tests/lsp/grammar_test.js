// Tokenises every script of a game folder with the .gm grammar through vscode-textmate (as VS
// Code does) and checks the scopes of the kinds of lines a game has.
// Usage: node grammar_test.js EXTENSION_FOLDER GAME_FOLDER
const fs = require('fs');
const path = require('path');

const [extension, game] = process.argv.slice(2).map((p) => path.resolve(p));
const modules = path.join(extension, 'node_modules');
const vsctm = require(path.join(modules, 'vscode-textmate'));
const onig = require(path.join(modules, 'vscode-oniguruma'));

const grammarPath = path.join(extension, 'syntaxes', 'gm.tmLanguage.json');
let failures = 0;
function fail(text) {
  failures++;
  console.log('FAIL ' + text);
}

async function loadGrammar() {
  const wasm = fs.readFileSync(path.join(modules, 'vscode-oniguruma', 'release', 'onig.wasm'));
  const onigLib = onig.loadWASM(wasm.buffer.slice(wasm.byteOffset, wasm.byteOffset + wasm.length)).then(() => ({
    createOnigScanner: (patterns) => new onig.OnigScanner(patterns),
    createOnigString: (s) => new onig.OnigString(s),
  }));
  const registry = new vsctm.Registry({
    onigLib,
    loadGrammar: async () => vsctm.parseRawGrammar(fs.readFileSync(grammarPath, 'utf8'), grammarPath),
  });
  return registry.loadGrammar('source.gm');
}

// Every line of [text] as a list of {text, scopes}; the state carries from line to line.
function tokenise(grammar, text) {
  let state = vsctm.INITIAL;
  return text.split('\n').map((line) => {
    const result = grammar.tokenizeLine(line, state);
    state = result.ruleStack;
    return result.tokens.map((t) => ({ text: line.slice(t.startIndex, t.endIndex), scopes: t.scopes }));
  });
}

// The innermost scope of the first token of [line] whose text is [word] (after trimming).
function scopeOf(line, word) {
  const token = line.find((t) => t.text.trim() === word);
  return token ? token.scopes[token.scopes.length - 1] : '(no token "' + word + '")';
}
function allScopesOf(line, word) {
  const token = line.find((t) => t.text.includes(word));
  return token ? token.scopes : [];
}

function expectScope(where, line, word, scope) {
  const got = scopeOf(line, word);
  if (got !== scope)
    fail(where + ': "' + word + '" is ' + got + ', expected ' + scope);
}

(async () => {
  const grammar = await loadGrammar();

  // Every script of the game tokenises, and each line's tokens cover it.
  const scripts = fs.readdirSync(game).filter((f) => f.endsWith('.gm'));
  if (scripts.length === 0)
    fail('no scripts in ' + game);
  const found = {};
  for (const file of scripts) {
    const text = fs.readFileSync(path.join(game, file), 'utf8');
    const lines = tokenise(grammar, text);
    text.split('\n').forEach((source, i) => {
      const joined = lines[i].map((t) => t.text).join('');
      if (joined !== source && joined !== source + '\n')
        fail(file + ':' + (i + 1) + ': the tokens do not cover the line');
      const kinds = [
        ['typeFunction', /^global [A-Z]\w* = function\(/],
        ['returnTable', /^\s*return table\(/],
        ['videoString', /Video\.setColour\("/],
        ['comment', /^\s*\/\//],
        ['keyConstant', /KEYBOARD_ESCAPE/],
        ['mathFunction', /MATH_SIN\(/],
        ['float', /\b0\.\d+\b/],
      ];
      for (const [kind, pattern] of kinds) {
        if (pattern.test(source) && !found[kind])
          found[kind] = { where: file + ':' + (i + 1), tokens: lines[i], source };
      }
    });
  }
  const expectations = {
    typeFunction: [['global', 'storage.modifier.gm'], ['function', 'storage.type.function.gm']],
    returnTable: [['return', 'keyword.control.gm'], ['table', 'storage.type.table.gm']],
    videoString: [['Video', 'support.class.engine.gm']],
    keyConstant: [['KEYBOARD_ESCAPE', 'support.constant.engine.gm']],
    mathFunction: [['MATH_SIN', 'support.function.engine.gm']],
  };
  for (const kind of ['typeFunction', 'returnTable', 'videoString', 'comment', 'keyConstant', 'mathFunction', 'float']) {
    const line = found[kind];
    if (!line) {
      fail('the game has no line of the kind "' + kind + '" to check');
      continue;
    }
    for (const [word, scope] of expectations[kind] || []) expectScope(line.where, line.tokens, word, scope);
    if (kind === 'typeFunction') {
      const name = line.source.match(/^global (\w+)/)[1];
      expectScope(line.where, line.tokens, name, 'entity.name.function.gm');
    }
    if (kind === 'videoString' && !allScopesOf(line.tokens, '"').includes('string.quoted.double.gm'))
      fail(line.where + ': the string argument is not a string');
    if (kind === 'comment' && !line.tokens.every((t) => t.text.trim() === '' || t.scopes.includes('comment.line.double-slash.gm')))
      fail(line.where + ': the comment line is not all comment');
    if (kind === 'float') {
      const number = line.source.match(/\b0\.\d+\b/)[0];
      expectScope(line.where, line.tokens, number, 'constant.numeric.gm');
    }
  }

  // Lines no game may have yet: comments and strings inside each other, a block comment over
  // lines, a backquoted string with a doubled backquote, and a name that only starts like an
  // engine constant.
  const lines = tokenise(grammar, [
    'local s = "a // not a comment \\" still";',
    '/* one',
    '   Video two */ x = 0x1F;',
    'local r = `raw ``q`` text`; KEYBOARD_ESCAPEX = 1;',
  ].join('\n'));
  if (!allScopesOf(lines[0], 'not a comment').includes('string.quoted.double.gm'))
    fail('"//" inside a string starts a comment');
  if (!allScopesOf(lines[0], 'still').includes('string.quoted.double.gm'))
    fail('an escaped quote ends the string');
  if (!allScopesOf(lines[2], 'Video').includes('comment.block.gm'))
    fail('a block comment does not go on to its second line');
  expectScope('block comment end', lines[2], '0x1F', 'constant.numeric.gm');
  if (!allScopesOf(lines[3], 'text').includes('string.quoted.other.gm') ||
      !allScopesOf(lines[3], '``').includes('constant.character.escape.gm'))
    fail('a doubled backquote ends the backquoted string');
  if (scopeOf(lines[3], 'KEYBOARD_ESCAPEX') === 'support.constant.engine.gm')
    fail('KEYBOARD_ESCAPEX is coloured as an engine constant');

  console.log(failures === 0 ? 'grammar: ' + scripts.length + ' scripts tokenised, every check passed' : failures + ' failures');
  process.exit(failures === 0 ? 0 : 1);
})().catch((error) => {
  console.log('FAIL ' + error.stack);
  process.exit(1);
});
