#!/usr/bin/env bash
# Puts the demonstration configuration in place as <app folder>/Logs/Default.cfg, only when
# that folder has no default configuration yet: an operator's own settings are never replaced.
#   scripts/demo/install-default-config.sh <app folder>
set -euo pipefail
app=${1:?usage: install-default-config.sh <app folder>}
here=$(cd "$(dirname "$0")" && pwd)
target="$app/Logs/Default.cfg"
if [ -e "$target" ]; then
    exit 0
fi
mkdir -p "$app/Logs"
cp "$here/Default.cfg" "$target"
echo "Installed the demo configuration as $target"
