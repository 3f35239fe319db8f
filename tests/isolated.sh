#!/bin/sh
# Runs a test with a home and XDG folders of its own, made empty in FOLDER first, so that no test
# can read or write the user's settings, record or trash, and no two tests share theirs.
set -eu
folder=$1
shift
rm -rf "$folder"
mkdir -p "$folder/home" "$folder/config" "$folder/data" "$folder/state" "$folder/cache"
mkdir -m 700 "$folder/runtime"
export HOME="$folder/home" XDG_CONFIG_HOME="$folder/config" XDG_DATA_HOME="$folder/data" \
    XDG_STATE_HOME="$folder/state" XDG_CACHE_HOME="$folder/cache" XDG_RUNTIME_DIR="$folder/runtime"
exec "$@"
