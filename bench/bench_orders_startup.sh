#!/usr/bin/env bash
# Start-up after a closed night with 100 open orders, beside the same start-up with none: time to
# the main window's first paint (interleaved runs, medians, goal under 1.1x), then the fill
# questions one whole start asks of the market (goal: no more than one per order). Both folders
# point at one quorvane-market of this build on a free port of 127.0.0.1.
set -euo pipefail
build="${1:?usage: bench_orders_startup.sh BUILD-DIR}"
runs="${RUNS:-21}"
work=$(mktemp -d)
market_pid=
cleanup() {
    if [ -n "$market_pid" ]; then kill "$market_pid" 2>/dev/null || true; fi
    rm -rf "$work"
}
trap cleanup EXIT

"$build/bin/quorvane-market" --port 0 >"$work/market.log" 2>&1 &
market_pid=$!
for _ in $(seq 100); do
    grep -q 'serving on' "$work/market.log" 2>/dev/null && break
    sleep 0.1
done
port=$(grep -o 'serving on [^ ]*' "$work/market.log" | grep -o '[0-9]*$')
[ -n "$port" ] || { echo "the market did not start"; exit 1; }

make_folder() { # name
    cp -a "$build/bin" "$work/$1"
    printf 'QuoteHost=127.0.0.1:%s\r\nChartHost=127.0.0.1:%s\r\nInfoPage=http://127.0.0.1:%s/infos\r\n' \
        "$port" "$port" "$port" >"$work/$1/services.cfg"
    printf '[Quorvane Settings]\r\nplayer\r\nLoadFavorites=No\r\nEnableMusic=No\r\nUseProxy=No\r\nnull\r\nnull\r\n' \
        >"$work/$1/options.cfg"
}
make_folder none
make_folder orders
# 100 orders placed twelve hours ago on 100 listed stocks, none of which can fill: a night's range
# to search for each.
python3 - "$work/orders" <<'PY'
import datetime, os, sys
folder = sys.argv[1]
tickers = sorted(f[:-4] for f in os.listdir(os.path.join(folder, "data")) if f.endswith(".gif") and f != "null.gif")[:100]
placed = (datetime.datetime.now().astimezone() - datetime.timedelta(hours=12)).replace(microsecond=0).isoformat()
with open(os.path.join(folder, "player.ord"), "wb") as f:
    f.write(b"[Quorvane Orders File]\r\n")
    for i, ticker in enumerate(tickers, 1):
        f.write(f"{i};OPEN;LIMIT BUY;{ticker};10;0.01;{placed};{placed};;;;\r\n".encode("latin-1"))
PY

xvfb-run -a python3 - "$runs" "$build/bench/quorvane-startup" "$work/none" "$work/orders" <<'PY'
import os, statistics, subprocess, sys, time
runs, startup, none, orders = sys.argv[1:]
runs = int(runs)

def once(folder):
    start = time.perf_counter()
    child = subprocess.Popen([startup, folder], stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    _, status, _ = os.wait4(child.pid, 0)
    if status != 0:
        sys.exit(f"start-up on {folder} failed with status {status}")
    return (time.perf_counter() - start) * 1000

once(none), once(orders)  # warm the caches and the market's day ranges
times = {"none": [], "orders": []}
for _ in range(runs):
    times["none"].append(once(none))
    times["orders"].append(once(orders))
a, b = statistics.median(times["none"]), statistics.median(times["orders"])
print(f"start-up to first paint, {runs} interleaved runs each (medians):")
print(f"  no orders           {a:7.1f} ms")
print(f"  100 open orders     {b:7.1f} ms  ratio {b / a:.2f} (goal < 1.1: {'met' if b / a < 1.1 else 'missed'})")
PY

# One whole start of the game on the orders folder, until its first check has been answered.
before=$(grep -c 'GET /fill' "$work/market.log" || true)
timeout -s TERM 8 xvfb-run -a "$work/orders/quorvane" >/dev/null 2>&1 || true
after=$(grep -c 'GET /fill' "$work/market.log" || true)
echo "fill questions in one start with 100 open orders: $((after - before)) (goal: at most 100)"
