#!/usr/bin/env bash
# Start-up: process start to the main window's first paint, against the smallest Qt window
# program, under one X server. The runs alternate (minimal, game, minimal, game, ...) so that
# drift of the machine lands on both sides of the ratio. The game starts on a copy of the built
# program folder whose services point at a closed port, so no service enters the figure; it is
# measured with the shipped game, with 10,000 favourites shown at start, and with a saved game
# of 32,767 holdings. Prints medians, peak resident memory and the ratios.
set -euo pipefail
build="${1:?usage: bench_startup.sh BUILD-DIR}"
runs="${RUNS:-31}"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

closed_port=$(python3 -c 'import socket; s=socket.socket(); s.bind(("127.0.0.1",0)); print(s.getsockname()[1])')
make_folder() { # name, favourites line
    cp -a "$build/bin" "$work/$1"
    printf 'QuoteHost=127.0.0.1:%s\r\nChartHost=127.0.0.1:%s\r\nInfoPage=http://127.0.0.1:%s/infos\r\n' \
        "$closed_port" "$closed_port" "$closed_port" >"$work/$1/services.cfg"
    printf '[Quorvane Settings]\r\nplayer\r\n%s\r\nEnableMusic=No\r\nUseProxy=No\r\nnull\r\nnull\r\n' "$2" \
        >"$work/$1/options.cfg"
}
make_folder shipped LoadFavorites=No
make_folder favorites LoadFavorites=Yes
python3 - "$work/favorites/player.fav" <<'PY'
import sys
with open(sys.argv[1], "wb") as f:
    f.write(b"[Quorvane Favorites File]\r\n")
    for i in range(10000):
        f.write(b"F%05d\r\n" % i)
PY
make_folder large LoadFavorites=No
python3 - "$work/large/player.qvn" <<'PY'
import sys
with open(sys.argv[1], "wb") as f:
    f.write(b"100000\r\n")
    for i in range(32767):
        f.write(b"Q%05d\r\n %d \r\n" % (i, i % 7))
PY

xvfb-run -a python3 - "$runs" "$build/bench/quorvane-minimal-window" "$build/bench/quorvane-startup" \
    "$work/shipped" "$work/favorites" "$work/large" <<'PY'
import os, statistics, subprocess, sys, time
runs, minimal, startup, *folders = sys.argv[1:]
runs = int(runs)
commands = {"minimal": [minimal]}
for folder in folders:
    commands[os.path.basename(folder)] = [startup, folder]

def once(argv):
    start = time.perf_counter()
    child = subprocess.Popen(argv, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    _, status, usage = os.wait4(child.pid, 0)
    elapsed = (time.perf_counter() - start) * 1000
    if status != 0:
        sys.exit(f"{argv} failed with status {status}")
    return elapsed, usage.ru_maxrss / 1024

for argv in commands.values():  # warm the caches
    once(argv)
times = {name: [] for name in commands}
rss = {name: [] for name in commands}
for _ in range(runs):
    for name, argv in commands.items():
        t, m = once(argv)
        times[name].append(t)
        rss[name].append(m)
base = statistics.median(times["minimal"])
print(f"startup, {runs} interleaved runs each, median time to first paint and peak RSS:")
print(f"  minimal Qt window   {base:7.1f} ms  {statistics.median(rss['minimal']):6.1f} MiB")
goals = {"shipped": 1.3, "favorites": 1.3, "large": None}
labels = {"shipped": "game, shipped files", "favorites": "game, 10,000 favourites", "large": "game, 32,767 holdings"}
for name in ("shipped", "favorites", "large"):
    t = statistics.median(times[name])
    line = f"  {labels[name]:<22}{t:7.1f} ms  {statistics.median(rss[name]):6.1f} MiB  ratio {t / base:.2f}"
    if goals[name]:
        line += f" (goal <= {goals[name]}: {'met' if t / base <= goals[name] else 'missed'})"
    else:
        extra = t - statistics.median(times["shipped"])
        line += f", {extra:+.1f} ms beside the shipped game (goal < +5 ms: {'met' if extra < 5 else 'missed'})"
    print(line)
PY
