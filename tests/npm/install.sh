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
    # Debian's nodejs has npm in a package of its own (another nodejs may carry it and conflict with it).
    sudo=""
    [ "$(id -u)" -eq 0 ] || sudo="sudo"
    DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends npm >/dev/null || true
fi
if ! command -v npm >/dev/null; then
    echo "install.sh: npm is missing (install the nodejs package of scripts/debian-packages.txt, and npm)" >&2
    exit 1
fi
mkdir -p "$folder"
cp "$here/package.json" "$folder/package.json"
cd "$folder"
npm install --no-audit --no-fund --loglevel=error
