// Starts `scenario_tool lsp` for the scenario files and hands them to it.
const vscode = require('vscode');
const { LanguageClient, TransportKind } = require('vscode-languageclient/node');

let client;

function activate(context) {
  const tool = vscode.workspace.getConfiguration('scenario').get('toolPath') || 'scenario_tool';
  const server = { command: tool, args: ['lsp'], transport: TransportKind.stdio };
  client = new LanguageClient('scenario', 'Scenario files', server, {
    documentSelector: [{ scheme: 'file', language: 'scenario' }],
    synchronize: {
      // A file of a scenario folder changed by another program (init, a build).
      fileEvents: vscode.workspace.createFileSystemWatcher('**/{linea,treno,scenario,note,rallentamenti,scheda_treno}.txt'),
    },
  });
  context.subscriptions.push({ dispose: () => client && client.stop() });
  return client.start();
}

function deactivate() {
  return client ? client.stop() : undefined;
}

module.exports = { activate, deactivate };
