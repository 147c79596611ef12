#!/usr/bin/env python3
"""Packs the VS Code extension with the build's target script and checks what the .vsix holds:
the extension, its grammar and language configuration, and the language client it runs.
Usage: check_vsix.py PACKAGE_SH OUT.vsix"""
import json
import subprocess
import sys
import zipfile

package, out = sys.argv[1:3]
subprocess.run([package, out], check=True, stdin=subprocess.DEVNULL)
with zipfile.ZipFile(out) as vsix:
    names = set(vsix.namelist())
    manifest = json.loads(vsix.read("extension/package.json"))
    grammar = json.loads(vsix.read("extension/syntaxes/gm.tmLanguage.json"))
wanted = ["extension/extension.js", "extension/language-configuration.json",
          "extension/node_modules/vscode-languageclient/node.js", "extension.vsixmanifest"]
missing = [name for name in wanted if name not in names]
unwanted = [name for name in names if "node_modules/@vscode/vsce" in name or "vscode-textmate" in name
            or (name.endswith(".sh") and name.count("/") == 1)]
problems = []
if missing:
    problems.append("missing: %s" % missing)
if unwanted:
    problems.append("packed tools: %s" % unwanted[:5])
if manifest["contributes"]["languages"][0]["extensions"] != [".gm"]:
    problems.append("the language is not .gm")
if grammar["scopeName"] != "source.gm":
    problems.append("the grammar's scope is %s" % grammar["scopeName"])
print("\n".join(problems) or "vsix: %d files, extension, grammar and language client in place" % len(names))
sys.exit(1 if problems else 0)
