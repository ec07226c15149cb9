#!/usr/bin/env bash
# Runs a game built from this source tree in the player's own folder,
# $XDG_DATA_HOME/puckslide3d (~/.local/share/puckslide3d by default), the folder where the
# installed game keeps its high scores too: Data/system/config.cfg there is the one list for
# both, it survives rebuilds, and the tracked configuration file stays as shipped.
# Usage: scripts/play-in-user-folder.sh GAME [OPTIONS...]
set -euo pipefail
game=$(realpath "$1")
shift
root=$(cd "$(dirname "$0")/.." && pwd)

# As the game does: a relative XDG_DATA_HOME does not count.
case "${XDG_DATA_HOME:-}" in
    /*) home="$XDG_DATA_HOME/puckslide3d" ;;
    *) home="$HOME/.local/share/puckslide3d" ;;
esac
mkdir -p "$home/Data/system"
# With data/ beside it the game reads the source tree's data and keeps the file in this folder.
ln -sfn "$root/data" "$home/data"
[ -f "$home/Data/system/config.cfg" ] || cp "$root/Data/system/config.cfg" "$home/Data/system/config.cfg"
cd "$home"
exec "$game" "$@"
