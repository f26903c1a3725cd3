#!/usr/bin/env bash
# Serves the web build's site (build-web/site, made by scripts/build-web.sh) on this machine
# and prints the address to open: http://localhost:8080/ by default, or the port given.
#   scripts/serve-web.sh [PORT]
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
site="$root/build-web/site"
port=${1:-8080}
if [ ! -f "$site/index.html" ]; then
    echo "serve-web: no site in $site; build it first with scripts/build-web.sh" >&2
    exit 1
fi
exec python3 -B "$root/tests/web/site_server.py" "$site" "$port"
