#!/usr/bin/env bash
# Start-up: process start to the main window's first paint, the game's window on the built
# program folder against a minimal Qt window program, in the same run under the same X server.
# Both programs quit after their first paint. Prints medians and the ratio.
set -euo pipefail
build="${1:?usage: bench_startup.sh BUILD-DIR}"
runs="${RUNS:-15}"
out=$(mktemp -d)
trap 'rm -rf "$out"' EXIT
game=$(printf '%q %q' "$build/bench/quorvane-startup" "$build/bin")
xvfb-run -a hyperfine --style none --warmup 2 --runs "$runs" --export-json "$out/startup.json" \
    -n minimal "$build/bench/quorvane-minimal-window" \
    -n quorvane "$game" >/dev/null
python3 - "$out/startup.json" <<'PY'
import json, sys
r = {x["command"]: x for x in json.load(open(sys.argv[1]))["results"]}
m, q = r["minimal"]["median"] * 1000, r["quorvane"]["median"] * 1000
print(f"startup: minimal window median {m:.1f} ms, quorvane median {q:.1f} ms, ratio {q/m:.2f} (goal <= 1.5), {len(r['quorvane']['times'])} runs each")
PY
