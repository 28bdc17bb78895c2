#!/usr/bin/env bash
# The command line of the program: a backend that cannot start ends it with
# one line and exit code 1, before any window; --help names the backends.
# Only failures that need no hardware are run, so no real port is touched.
set -uo pipefail
corvane=$1
passed=0
failed=0

check() { # NAME EXPECTED-CODE EXPECTED-OUTPUT ARGS...
    local name=$1 code=$2 expected=$3
    shift 3
    local output rc
    output=$(env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM "$corvane" "$@" 2>&1)
    rc=$?
    if [ "$rc" = "$code" ] && grep -qF -- "$expected" <<<"$output"; then
        passed=$((passed + 1))
    else
        failed=$((failed + 1))
        echo "FAIL $name: exit $rc, output:"
        echo "$output"
    fi
}

check "unknown backend" 1 'corvane: --port "serial": choose sim, ppdev, direct or gpio' --port serial
check "allow-io without direct" 1 "corvane: --allow-io needs --port direct" --allow-io 264-266
check "bad allow-io" 1 'corvane: --allow-io "264": give FIRST-LAST' --port direct --allow-io 264
check "gpio needs its lines" 1 "corvane: --port gpio needs --gpio-lines A,B,KEY,RIT" --port gpio --gpio-chip gpiochip0
check "gpio options need gpio" 1 "corvane: the --gpio-* options need --port gpio" --gpio-chip gpiochip0
check "no such chip" 1 "corvane: no GPIO chip /dev/gpiochip_none" --port gpio --gpio-chip gpiochip_none --gpio-lines 1,2,3,4
check "unknown model" 1 'corvane: --model: "KRV-10" is no KRV model' --model KRV-10
check "help names the backends" 0 "--port <sim|ppdev|direct|gpio>" --help
check "help names allow-io" 0 "--allow-io <FIRST-LAST>" --help
# The simulated port starts without hardware; the next check is for a display.
check "sim needs only a display" 1 "corvane: no display to connect to" --port sim

echo "command line: $passed passed, $failed failed"
[ "$failed" = 0 ]
