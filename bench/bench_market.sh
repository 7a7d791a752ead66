#!/usr/bin/env bash
# The market service beside nginx serving the very same bytes as static files, both under wrk
# in the same run on free 127.0.0.1 ports: one quote, a 50-ticker quote, a cached chart, charts
# that always miss the cache, and the information page, each at 32, 256 and 1,000 connections.
# One line per figure: requests/s and p99 of both, the ratios and whether the goals hold:
#   p99 within 3x nginx's at 256 and 1,000 connections (every endpoint but the uncached chart,
#   which nginx does not render); one quote >= 0.5x nginx's rate, 50 tickers >= 0.6x, cached
#   chart >= 0.7x. "cores" is the CPU time the market used per second of the cell.
# Then a new request behind 1,000 idle keep-alive clients (goal p99 < 10 ms) and the market's
# resident memory after the uncached charts (goal < 96 MiB). Exits 0 whenever it ran.
#
#   bench/bench_market.sh BUILD-DIR
#   DURATION=10s CONNECTIONS="32 256" THREADS=2 ENDPOINTS="one fifty" bench/bench_market.sh build
set -euo pipefail

build="${1:?usage: bench_market.sh BUILD-DIR}"
duration="${DURATION:-5s}"
connection_counts="${CONNECTIONS:-32 256 1000}"
threads="${THREADS:-2}"
endpoints="${ENDPOINTS:-one fifty chart uncached infos}"
market="$build/bin/quorvane-market"
idle_tool="$build/bench/bench_idle_keepalive"

for tool in wrk nginx curl; do
    if ! command -v "$tool" >/dev/null 2>&1 && [ ! -x "/usr/sbin/$tool" ]; then
        echo "bench_market: $tool is missing (scripts/install-deps installs it)" >&2
        exit 1
    fi
done
[ -x "$market" ] || { echo "bench_market: $market is not built" >&2; exit 1; }
if [ ! -x "$idle_tool" ]; then
    cmake --build "$build" --target bench_idle_keepalive >/dev/null
fi
nginx_bin=$(command -v nginx || echo /usr/sbin/nginx)
# 1,000 connections for each server and wrk's own ends of them.
ulimit -n "$(ulimit -Hn)"

work=$(mktemp -d)
chmod 755 "$work"
market_pid=""
nginx_pid=""
cleanup() {
    [ -n "$market_pid" ] && kill "$market_pid" 2>/dev/null && wait "$market_pid" 2>/dev/null || true
    [ -n "$nginx_pid" ] && kill -QUIT "$nginx_pid" 2>/dev/null || true
    for _ in $(seq 50); do
        [ -n "$nginx_pid" ] && kill -0 "$nginx_pid" 2>/dev/null || break
        sleep 0.1
    done
    rm -rf "$work"
}
trap cleanup EXIT

# A port nothing answers on yet; the server's own start-up check catches the rare race.
free_port() {
    local port
    for _ in $(seq 100); do
        port=$((20000 + RANDOM % 40000))
        if ! (exec 3<>"/dev/tcp/127.0.0.1/$port") 2>/dev/null; then
            echo "$port"
            return 0
        fi
    done
    return 1
}

wait_for() {
    for _ in $(seq 100); do
        curl -sf -o /dev/null "$1" && return 0
        sleep 0.1
    done
    echo "bench_market: nothing answers at $1" >&2
    return 1
}

tickers=(MSFT IBM LM BA UDI CAT DE LR CSCO NOK MOT ALA DELL HPQ AAPL LOGI SUNW NTAP DASTY NOVL
    COMS TWX YHOO TOC EMC STX MXO WDC A TDK AMD INTC NVDA ATYT TXN TSM STM ERTS ADBE ORCL
    VRTS SYMC SAP AXP FNM FRE SLM CFC CIT UNH)
fifty=$(IFS=+; echo "${tickers[*]}")
tags='f=sl1d1t1c1ohgv&e=.csv'
declare -A market_path=(
    [one]="/d/quotes.csv?s=MSFT&$tags"
    [fifty]="/d/quotes.csv?s=$fifty&$tags"
    [chart]="/servlet/ChartEngine?symbol=MSFT&width=415&height=240&dur=1y&vol=1"
    [uncached]="/servlet/ChartEngine?symbol=MSFT&width=415&height=240&dur=1y&vol=1"
    [infos]="/infos"
)
# nginx answers each from a file holding the market's answer; the idle-crowd quote keeps the
# market's own path (nginx ignores the query).
declare -A nginx_path=([one]=/d/quotes.csv [fifty]=/fifty.csv [chart]=/chart.png [uncached]=/servlet/ChartEngine
    [infos]=/infos.html)
# Per-client cap raised: wrk opens every connection from 127.0.0.1.
market_port=$(free_port)
"$market" --port "$market_port" --quiet --per-client 4000 &
market_pid=$!
wait_for "http://127.0.0.1:$market_port/infos"

mkdir -p "$work/www/d" "$work/temp"
for e in one fifty chart infos; do
    curl -sf -o "$work/www${nginx_path[$e]}" "http://127.0.0.1:$market_port${market_path[$e]}"
done
chmod -R a+rX "$work/www"
nginx_port=$(free_port)
cat >"$work/nginx.conf" <<EOF
worker_processes auto;
worker_rlimit_nofile 8192;
daemon off;
pid $work/nginx.pid;
error_log $work/error.log warn;
events { worker_connections 4096; }
http {
    access_log off;
    keepalive_requests 100000;
    client_body_temp_path $work/temp/body;
    proxy_temp_path $work/temp/proxy;
    fastcgi_temp_path $work/temp/fastcgi;
    uwsgi_temp_path $work/temp/uwsgi;
    scgi_temp_path $work/temp/scgi;
    types { text/csv csv; image/png png; text/html html; }
    server {
        listen 127.0.0.1:$nginx_port backlog=1024;
        root $work/www;
        # Uncached charts: the one chart file whatever the query asks.
        location = /servlet/ChartEngine { try_files /chart.png =404; }
    }
}
EOF
"$nginx_bin" -p "$work" -e "$work/error.log" -c "$work/nginx.conf" &
nginx_pid=$!
wait_for "http://127.0.0.1:$nginx_port/infos.html"

# Uncached charts: every request a random size and ticker, so the cache (256 images) misses.
{
    echo "local tickers = {\"${tickers[*]}\"}"
    cat <<'EOF'
local list = {}
for t in string.gmatch(tickers[1], "%S+") do list[#list + 1] = t end
local n = 0
function setup(thread) n = n + 1; thread:set("id", n) end
function init(args) math.randomseed(os.time() * 1000 + (id or 0) * 7919) end
function request()
    local path = string.format("/servlet/ChartEngine?symbol=%s&width=%d&height=%d&dur=1y&vol=1",
        list[math.random(#list)], math.random(300, 600), math.random(200, 300))
    return wrk.format("GET", path)
end
EOF
} >"$work/uncached.lua"

clock_ticks=$(getconf CLK_TCK)
cpu_ticks() { awk '{ print $14 + $15 }' "/proc/$1/stat"; }
# Renders still queued when wrk stops would run into the next cell: wait until the market
# idles (under a tenth of a core over 0.3 s), 15 s at most.
settle() {
    local before after
    for _ in $(seq 50); do
        before=$(cpu_ticks "$market_pid")
        sleep 0.3
        after=$(cpu_ticks "$market_pid")
        [ $((after - before)) -le $((clock_ticks * 3 / 100)) ] && return 0
    done
}

# "requests/s p99-ms errors" from wrk's report.
measure() {
    local report script=()
    [ -n "${2:-}" ] && script=(-s "$2")
    report=$(wrk -t"$threads" -c"$3" -d"$duration" --timeout 10s --latency "${script[@]}" "$1" 2>&1)
    echo "$report" | awk '
        /Requests\/sec:/ { rps = $2 }
        /Socket errors|Non-2xx/ { errors = 1 }
        $1 == "99%" {
            v = $2; unit = v; sub(/[0-9.]+/, "", unit); sub(/[a-z]+$/, "", v)
            ms = v
            if (unit == "us") ms = v / 1000
            if (unit == "s") ms = v * 1000
        }
        END { printf "%.0f %.2f %s\n", rps, ms, errors ? "errors" : "-" }'
}

total_uncached=0
wrk -t1 -c4 -d1s "http://127.0.0.1:$market_port${market_path[one]}" >/dev/null
wrk -t1 -c4 -d1s "http://127.0.0.1:$nginx_port${nginx_path[one]}" >/dev/null
echo "quorvane-market beside nginx: wrk $threads threads, $duration a cell, load $(cut -d' ' -f1-3 /proc/loadavg)"
printf '%-9s %5s | %8s %8s %5s | %8s %8s | %5s %5s | %s\n' endpoint conns "market/s" "p99 ms" cores \
    "nginx/s" "p99 ms" rate p99x goals
for e in $endpoints; do
    script=""
    [ "$e" = uncached ] && script="$work/uncached.lua"
    for c in $connection_counts; do
        before=$(cpu_ticks "$market_pid")
        started=$(date +%s.%N)
        read -r m_rps m_p99 m_err < <(measure "http://127.0.0.1:$market_port${market_path[$e]}" "$script" "$c")
        ended=$(date +%s.%N)
        after=$(cpu_ticks "$market_pid")
        settle
        read -r n_rps n_p99 n_err < <(measure "http://127.0.0.1:$nginx_port${nginx_path[$e]}" "$script" "$c")
        [ "$e" = uncached ] && total_uncached=$(awk -v t="$total_uncached" -v r="$m_rps" -v s="$started" \
            -v f="$ended" 'BEGIN { printf "%.0f", t + r * (f - s) }')
        awk -v e="$e" -v c="$c" -v m="$m_rps" -v mp="$m_p99" -v n="$n_rps" -v np="$n_p99" \
            -v me="$m_err" -v ne="$n_err" -v cpu=$((after - before)) -v hz="$clock_ticks" \
            -v s="$started" -v f="$ended" 'BEGIN {
            rate = n > 0 ? m / n : 0
            p99x = np > 0 ? mp / np : 0
            want = e == "one" ? 0.5 : e == "fifty" ? 0.6 : e == "chart" ? 0.7 : 0
            verdict = ""
            if (want > 0)
                verdict = sprintf("rate >= %.1fx %s", want, rate >= want ? "goal met" : "goal missed")
            if (c >= 256 && e != "uncached")
                verdict = verdict (verdict == "" ? "" : ", ") "p99 <= 3x " (p99x <= 3 ? "goal met" : "goal missed")
            if (verdict == "") verdict = "(no goal)"
            if (me != "-") verdict = verdict ", market had errors"
            if (ne != "-") verdict = verdict ", nginx had errors"
            printf "%-9s %5d | %8.0f %8.2f %5.2f | %8.0f %8.2f | %5.2f %5.2f | %s\n",
                e, c, m, mp, cpu / hz / (f - s), n, np, rate, p99x, verdict
        }'
    done
done

# The idle crowd connects from 127.0.0.2 on, ten to an address, within the default caps.
read -r m50 m99 mfailed mopen < <("$idle_tool" "$market_port" 1000 200)
read -r n50 n99 nfailed nopen < <("$idle_tool" "$nginx_port" 1000 200)
awk -v m="$m99" -v m50="$m50" -v n="$n99" -v n50="$n50" -v mf="$mfailed" -v nf="$nfailed" \
    -v mo="$mopen" -v no="$nopen" 'BEGIN {
    printf "new request behind 1000 idle keep-alive clients: market p50 %.2f p99 %.2f ms (failed %d, %d idle open), nginx p50 %.2f p99 %.2f ms (failed %d, %d idle open); p99 < 10 ms %s\n",
        m50, m, mf, mo, n50, n, nf, no, (m < 10 && mf == 0) ? "goal met" : "goal missed"
}'
rss=$(awk '/^VmRSS:/ { print $2 }' "/proc/$market_pid/status")
awk -v r="$rss" -v u="$total_uncached" 'BEGIN {
    printf "market resident after about %d uncached charts: %.1f MiB; < 96 MiB %s\n", u, r / 1024,
        (r / 1024 < 96 && u >= 1000) ? "goal met" : (u < 1000 ? "not measured (fewer than 1000 charts)" : "goal missed")
}'
