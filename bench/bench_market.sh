#!/usr/bin/env bash
# The market service's quote endpoint against nginx serving the same CSV line as a static
# file, both under wrk in the same run, on free 127.0.0.1 ports. Prints requests per second
# and 99th-percentile latency of both and the ratio (goal: at least half of nginx's rate).
#
#   bench/bench_market.sh BUILD-DIR
#   DURATION=10s CONNECTIONS=32 THREADS=2 bench/bench_market.sh build
set -euo pipefail

build="${1:?usage: bench_market.sh BUILD-DIR}"
duration="${DURATION:-10s}"
connections="${CONNECTIONS:-32}"
threads="${THREADS:-2}"
market="$build/bin/quorvane-market"
query='/d/quotes.csv?s=MSFT&f=sl1d1t1c1ohgv&e=.csv'

for tool in wrk nginx curl; do
    if ! command -v "$tool" >/dev/null 2>&1 && [ ! -x "/usr/sbin/$tool" ]; then
        echo "bench_market: $tool is missing (scripts/install-deps installs it)" >&2
        exit 1
    fi
done
[ -x "$market" ] || { echo "bench_market: $market is not built" >&2; exit 1; }
nginx_bin=$(command -v nginx || echo /usr/sbin/nginx)

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

market_port=$(free_port)
"$market" --port "$market_port" --quiet &
market_pid=$!
wait_for "http://127.0.0.1:$market_port$query"

# nginx serves the very line the service just answered.
mkdir -p "$work/www/d" "$work/temp"
curl -sf "http://127.0.0.1:$market_port$query" >"$work/www/d/quotes.csv"
chmod -R a+rX "$work/www"
nginx_port=$(free_port)
cat >"$work/nginx.conf" <<EOF
worker_processes auto;
daemon off;
pid $work/nginx.pid;
error_log $work/error.log warn;
events { worker_connections 1024; }
http {
    access_log off;
    keepalive_requests 100000;
    client_body_temp_path $work/temp/body;
    proxy_temp_path $work/temp/proxy;
    fastcgi_temp_path $work/temp/fastcgi;
    uwsgi_temp_path $work/temp/uwsgi;
    scgi_temp_path $work/temp/scgi;
    types { text/csv csv; }
    server {
        listen 127.0.0.1:$nginx_port;
        root $work/www;
    }
}
EOF
"$nginx_bin" -p "$work" -e "$work/error.log" -c "$work/nginx.conf" &
nginx_pid=$!
wait_for "http://127.0.0.1:$nginx_port$query"

# "Requests/sec" and the 99% latency in milliseconds from wrk's report.
measure() {
    local report
    report=$(wrk -t"$threads" -c"$connections" -d"$duration" --latency "$1")
    if echo "$report" | grep -q 'Non-2xx\|Socket errors'; then
        echo "bench_market: errors against $1:" >&2
        echo "$report" | grep 'Non-2xx\|Socket errors' >&2
    fi
    echo "$report" | awk '
        /Requests\/sec:/ { rps = $2 }
        $1 == "99%" {
            v = $2; unit = v; sub(/[0-9.]+/, "", unit); sub(/[a-z]+$/, "", v)
            ms = v
            if (unit == "us") ms = v / 1000
            if (unit == "s") ms = v * 1000
        }
        END { printf "%.0f %.2f\n", rps, ms }'
}

# Warm both up, then measure them one after the other.
wrk -t1 -c4 -d1s "http://127.0.0.1:$market_port$query" >/dev/null
wrk -t1 -c4 -d1s "http://127.0.0.1:$nginx_port$query" >/dev/null
read -r market_rps market_p99 < <(measure "http://127.0.0.1:$market_port$query")
read -r nginx_rps nginx_p99 < <(measure "http://127.0.0.1:$nginx_port$query")

awk -v m="$market_rps" -v mp="$market_p99" -v n="$nginx_rps" -v np="$nginx_p99" \
    -v c="$connections" -v t="$threads" -v d="$duration" 'BEGIN {
    ratio = 0
    if (n > 0) ratio = m / n
    printf "market quotes: wrk %s threads, %s connections, %s each\n", t, c, d
    printf "  quorvane-market  %9.0f requests/s   p99 %7.2f ms\n", m, mp
    printf "  nginx (static)   %9.0f requests/s   p99 %7.2f ms\n", n, np
    verdict = "NOT met"
    if (ratio >= 0.5) verdict = "met"
    printf "  ratio %.2f of nginx'\''s rate (goal >= 0.50): %s\n", ratio, verdict
}'
