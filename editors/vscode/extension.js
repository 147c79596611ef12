// Starts `tact-script lsp` for .gm files: diagnostics, completion, hover, definitions and
// symbols come from the server; highlighting from the grammar.
const vscode = require('vscode');
const { LanguageClient } = require('vscode-languageclient/node');

let client;

function activate(context) {
  const command = vscode.workspace.getConfiguration('tact').get('serverPath') || 'tact-script';
  const server = { command, args: ['lsp'] };
  client = new LanguageClient('tact', 'Tact game scripts', { run: server, debug: server }, {
    documentSelector: [{ scheme: 'file', language: 'gm' }, { scheme: 'untitled', language: 'gm' }],
    synchronize: { fileEvents: vscode.workspace.createFileSystemWatcher('**/*.{gm,gmc,wav,ogg,png,bmp,tga}') },
  });
  context.subscriptions.push({ dispose: () => client && client.stop() });
  return client.start();
}

function deactivate() {
  return client ? client.stop() : undefined;
}

module.exports = { activate, deactivate };
