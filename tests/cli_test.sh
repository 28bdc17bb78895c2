#!/usr/bin/env bash
# The command line: help and version without a display, the trace of start-up,
# and a failure to open the window as one line and exit code 1.
set -u
corvane=$1
startup_traffic=$2 # the start-up traffic, one trace line each
failures=0
passed=0
check() { # check NAME CONDITION...
    local name=$1
    shift
    if "$@"; then echo "ok   $name"; passed=$((passed + 1)); else echo "FAIL $name"; failures=$((failures + 1)); fi
}

out=$(env -u DISPLAY -u QT_QPA_PLATFORM "$corvane" --version 2>&1)
check "version without a display" [ "$out" = "corvane 4.02" ]

out=$(env -u DISPLAY -u QT_QPA_PLATFORM "$corvane" --help 2>&1)
check "help names --trace" grep -q -- "--trace" <<<"$out"

out=$(env -u QT_QPA_PLATFORM DISPLAY=:97 timeout -k 3 20 "$corvane" 2>&1)
rc=$?
check "no display: exit 1" [ $rc -eq 1 ]
check "no display: one line" [ "$(wc -l <<<"$out")" -eq 1 ]
check "no display: says so" grep -q "^corvane: cannot open the window: .*display" <<<"$out"

# Remembered settings are put on the panel after start-up: its traffic stays.
# The rig sits at the remembered port, or the port would not be restored.
config=$(mktemp -d)
trap 'rm -rf "$config"' EXIT
mkdir -p "$config/Corvane"
printf '[panel]\nport=4264\nencoder=2\nspeed=High\n' >"$config/Corvane/corvane.conf"
# Ended by SIGTERM after 2 s: timeout says 124 when the program ended on it,
# 137 when it had to be killed.
out=$(XDG_CONFIG_HOME=$config QT_QPA_PLATFORM=offscreen timeout -k 3 2 "$corvane" --trace --rig-port 4264 2>&1 >/dev/null)
rc=$?
expected=$(cat "$startup_traffic")
check "trace of start-up" [ "$(grep -E '^(in|out|define|wait) ' <<<"$out")" = "$expected" ]
check "SIGTERM ends it" [ $rc -eq 124 ]

# A SIGTERM that comes before the program has even started (waiting, blocked,
# as it execs) ends it at once with exit code 0, before any port traffic.
pending_sigterm='import os, signal, sys
signal.pthread_sigmask(signal.SIG_BLOCK, {signal.SIGTERM})
os.kill(os.getpid(), signal.SIGTERM)
os.execv(sys.argv[1], sys.argv[1:])'
out=$(QT_QPA_PLATFORM=offscreen timeout -k 3 20 python3 -c "$pending_sigterm" "$corvane" --trace --no-settings 2>&1)
rc=$?
check "SIGTERM at start: exit 0" [ $rc -eq 0 ]
check "SIGTERM at start: ends before the port is touched" [ -z "$(grep -E '^(in|out) ' <<<"$out")" ]

rm -rf "${config:?}"/Corvane
XDG_CONFIG_HOME=$config QT_QPA_PLATFORM=offscreen timeout -k 3 2 "$corvane" --no-settings >/dev/null 2>&1
check "--no-settings writes no settings" [ -z "$(ls -A "$config")" ]

out=$(timeout -k 3 20 "$corvane" --no-such-option 2>&1)
check "unknown option: exit 1" [ $? -eq 1 ]

echo "$passed passed, $failures failed"
[ $failures -eq 0 ]
