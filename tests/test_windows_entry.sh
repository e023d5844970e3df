#!/usr/bin/env bash
# quorvel.exe's command line under Wine: --help, the errors and their exit codes, and a game
# played from a key script far from the data, with a trace and a recording; the recording
# replayed by the harness gives the game's own trace line for line, and played by the game with
# the trace and a new recording on standard output gives the same files byte for byte.
#   test_windows_entry.sh GAME_EXE REPLAY_EXE SOURCE_DIR WORK_DIR
set -euo pipefail
game=$1 replay=$2 source=$3 work=$4
root=$(cd "$(dirname "$0")/.." && pwd)
fail() { echo "FAIL: $*" >&2; exit 1; }
wine() { "$root/scripts/wine-run" "$@"; }
rm -rf "$work"
mkdir -p "$work/sub"
cd "$work/sub"

# run EXPECTED_CODE ARGS...: the game's exit code must be EXPECTED_CODE; its standard output
# as written in out, its messages in err.txt (standard error is text: "\r\n")
run() {
  local expected=$1 rc=0
  shift
  wine "$game" "$@" > "$work/out" 2> "$work/err" || rc=$?
  tr -d '\r' < "$work/err" > "$work/err.txt"
  [ "$rc" -eq "$expected" ] || { cat "$work/err.txt" >&2; fail "quorvel $* exited with $rc, not $expected"; }
}

run 0 --help
grep -q '^usage: quorvel \[--record FILE\]' "$work/out" || fail "--help prints no usage"
run 2 --bogus
grep -qx 'quorvel: unknown argument "--bogus"' "$work/err.txt" || fail "an unknown option is not named"
grep -q '^usage: quorvel' "$work/err.txt" || fail "an unknown option shows no usage"
run 2 --keys missing.keys
grep -qx 'quorvel: cannot open key script missing.keys' "$work/err.txt" || fail "a missing key script is not named"
printf '1-5 W\nbogus line\n' > bad.keys
run 2 --keys bad.keys
grep -q '^quorvel: bad.keys: line 2: ' "$work/err.txt" || fail "a bad key script's line is not named"
run 2 --data-dir 'Z:/nowhere/at/all'
grep -q '^quorvel: cannot run from Z:/nowhere/at/all: ' "$work/err.txt" || fail "a missing data directory is not named"

# A short game: files relative to where it starts, the models from --data-dir.
printf '1-5 W\n3 SPACE\n6 ESC\n' > keys
run 0 --keys keys --trace ../trace.json --record game.keys --data-dir "Z:$source"
[ "$(wc -l < ../trace.json)" -eq 7 ] || fail "trace: expected set-up and 6 frames"
grep -q '^{"frame":6,' ../trace.json || fail "trace has no frame 6"
[ "$(grep -c ' dt=' game.keys)" -eq 6 ] || fail "recording: expected 6 frames"
# The recording played back by the harness: the same game, line for line.
(cd "$source" && wine "$replay" --keys "Z:$work/sub/game.keys" --trace "Z:$work/replayed.json") 2>/dev/null ||
  fail "the harness could not replay the recording"
diff "$work/trace.json" "$work/replayed.json" >&2 || fail "the replayed recording's trace differs from the game's"
(cd "$source" && wine "$replay" --keys "Z:$work/sub/game.keys" --trace -) >"$work/replayed-out.json" 2>/dev/null ||
  fail "the harness could not replay the recording to standard output"
cmp "$work/replayed-out.json" "$work/trace.json" >&2 || fail "the harness's trace on standard output differs from its trace file"
# Piped, the trace and the recording are the bytes the game writes to files, as the Linux game
# writes them (no "\r" before each "\n").
run 0 --keys game.keys --trace - --data-dir "Z:$source"
cmp "$work/out" "$work/trace.json" >&2 || fail "the trace on standard output differs from the game's trace file"
run 0 --keys game.keys --record - --data-dir "Z:$source"
cmp "$work/out" game.keys >&2 || fail "the recording on standard output differs from the recording it played"
echo "entry: options, errors, a played, traced and recorded game, and its replay"
