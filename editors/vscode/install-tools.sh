#!/bin/sh
# Installs the extension's npm packages (the language client it ships, and the packer and grammar
# tokeniser the build and tests use) into node_modules here, at the versions of package-lock.json;
# quick when they are there already.
set -eu
cd "$(dirname "$0")"
if [ -f node_modules/.package-lock.json ] && [ ! package-lock.json -nt node_modules/.package-lock.json ]; then
  exit 0
fi
command -v npm >/dev/null || { echo "install-tools: npm is missing: run scripts/install-deps.sh"; exit 1; }
npm ci --no-audit --no-fund --loglevel=error
