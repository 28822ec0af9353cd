#!/usr/bin/env bash
# Builds the demo game's folder GAME/GameData/ from demo/data/. The sources
# are kept in UTF-8; text files (.s, .txt, .dat) are converted to Shift-JIS
# (code page 932) on the way into the pack, as the engine reads them.
set -euo pipefail
BUILD=${1:-build}
GAME=${2:-$BUILD/demo}
TOOL="$BUILD/bin/tsukimi-pack"
cd "$(dirname "$0")/.."
if [ ! -x "$TOOL" ]; then
    echo "build-demo: $TOOL is missing (run make first)" >&2
    exit 1
fi
STAGE="$BUILD/demo-stage"
rm -rf "$STAGE"
mkdir -p "$STAGE" "$GAME/GameData"
(cd demo/data && find . -type f) | while IFS= read -r file; do
    mkdir -p "$STAGE/$(dirname "$file")"
    case "$file" in
        *.s|*.txt|*.dat)
            if ! iconv -f UTF-8 -t CP932 "demo/data/$file" > "$STAGE/$file"; then
                echo "build-demo: demo/data/$file has text without a Shift-JIS form" >&2
                exit 1
            fi ;;
        *) cp "demo/data/$file" "$STAGE/$file" ;;
    esac
done
# Animations: tsukimi-demo-art draws the pictures, tsukimi-anim builds the
# sources of demo/anim/ with them into the pack's "anim\" folder.
ANIM_TOOL="$BUILD/bin/tsukimi-anim"
ART_TOOL="$BUILD/bin/tsukimi-demo-art"
if [ -d demo/anim ]; then
    for tool in "$ANIM_TOOL" "$ART_TOOL"; do
        if [ ! -x "$tool" ]; then
            echo "build-demo: $tool is missing (run make first)" >&2
            exit 1
        fi
    done
    ART="$BUILD/demo-art"
    rm -rf "$ART"
    mkdir -p "$ART" "$STAGE/anim"
    "$ART_TOOL" "$ART"
    cp demo/anim/*.json "$ART/"
    for source in "$ART"/*.json; do
        name=$(basename "$source" .json)
        "$ANIM_TOOL" build "$source" "$STAGE/anim/$name.b"
    done
fi
"$TOOL" create "$GAME/GameData/data0.pack" "$STAGE"
echo "build-demo: $GAME/GameData/data0.pack"
