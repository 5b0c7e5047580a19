#!/usr/bin/env bash
# Sets up a fresh Debian 12 machine (the same installs as ./test.sh), builds RecMorph in Release,
# makes the bundled sample recordings if they are missing and converts them with
# `recmorph --batch`. The H.265 samples go through ffmpeg, the others through ClipRemuxer.
#   ./run.sh         convert the samples; the AVI files land in build-release/run/
#   ./run.sh --gui   open the dialog instead (needs a display)
set -euo pipefail
cd "$(dirname "$0")"
source scripts/setup.sh

gui=0
case "${1:-}" in
  "") ;;
  --gui) gui=1 ;;
  *) echo "usage: $0 [--gui]" >&2; exit 2 ;;
esac

recmorph_setup
cmake --preset release >/dev/null
# Only the programs a run needs; ./test.sh builds the tests.
cmake --build --preset release --target recmorph ClipRemuxer tqvsample

bin="$PWD/build-release/bin"
if [ "$gui" -eq 1 ]; then
  exec "$bin/recmorph"
fi

# The sample maker makes only the samples that are missing.
samples="$PWD/build-release/samples"
"$bin/tqvsample" "$samples"

# Convert copies, so that the side files and AVI files do not mix with the samples.
out="$PWD/build-release/run"
rm -rf "$out"
mkdir -p "$out"
cp "$samples"/*.tqv "$out"/

echo "run: converting ${out}/*.tqv"
status=0
"$bin/recmorph" --batch "$out"/*.tqv || status=$?

echo
echo "run: the AVI files are in $out:"
ls -l "$out"/*.avi 2>/dev/null || echo "run: no AVI file was written"
exit "$status"
