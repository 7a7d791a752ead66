#!/usr/bin/env bash
# Start-up: process start to the main window's first paint, the game against a minimal Qt
# window program, in the same run under the same X server. Prints medians and the ratio.
set -euo pipefail
build="${1:?usage: bench_startup.sh BUILD-DIR}"
runs="${RUNS:-15}"
out=$(mktemp -d)
trap 'rm -rf "$out"' EXIT
export QUORVANE_QUIT_AFTER_FIRST_PAINT=1
xvfb-run -a hyperfine --style none --warmup 2 --runs "$runs" --export-json "$out/startup.json" \
    -n minimal "$build/bench/quorvane-minimal-window" \
    -n quorvane "$build/bin/quorvane" >/dev/null
python3 - "$out/startup.json" <<'PY'
import json, sys
r = {x["command"]: x for x in json.load(open(sys.argv[1]))["results"]}
m, q = r["minimal"]["median"] * 1000, r["quorvane"]["median"] * 1000
print(f"startup: minimal window median {m:.1f} ms, quorvane median {q:.1f} ms, ratio {q/m:.2f} (goal <= 1.5), {len(r['quorvane']['times'])} runs each")
PY
