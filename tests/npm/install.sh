#!/usr/bin/env bash
# Installs the test servers' npm packages (tests/npm/package.json) into FOLDER/node_modules, once.
#   bash tests/npm/install.sh FOLDER
set -euo pipefail
here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
folder=${1:?usage: install.sh FOLDER}
if [ -f "$folder/node_modules/isbot/package.json" ]; then
    exit 0
fi
if ! command -v npm >/dev/null; then
    echo "install.sh: npm is missing (the nodejs and npm packages in scripts/debian-packages.txt)" >&2
    exit 1
fi
mkdir -p "$folder"
cp "$here/package.json" "$folder/package.json"
cd "$folder"
npm install --no-audit --no-fund --loglevel=error
