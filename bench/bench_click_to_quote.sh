#!/usr/bin/env bash
# Click to quote (goal: median < 5 ms, p95 < 10 ms): a real press on a list row of the shown
# window to the first paint of the new quote, against the bundled market service and against
# nginx serving the same quote lines and chart, at a person's pace (one press every 200 ms) and
# back to back, beside curl's time_total for the same requests in the same run.
set -euo pipefail
build="${1:?usage: bench_click_to_quote.sh BUILD-DIR}"
rounds="${ROUNDS:-100}"
tickers=(IBM MSFT AAPL ORCL INTC CSCO DELL HPQ)
work=$(mktemp -d)
chmod 755 "$work"
market_pid=""
cleanup() {
    [ -n "$market_pid" ] && kill "$market_pid" 2>/dev/null && wait "$market_pid" 2>/dev/null || true
    [ -f "$work/nginx.pid" ] && kill -QUIT "$(cat "$work/nginx.pid")" 2>/dev/null || true
    rm -rf "$work"
}
trap cleanup EXIT
free_port() { python3 -c 'import socket; s=socket.socket(); s.bind(("127.0.0.1",0)); print(s.getsockname()[1])'; }
wait_for() {
    for _ in $(seq 100); do curl -sf -o /dev/null "$1" && return 0; sleep 0.1; done
    echo "bench_click_to_quote: nothing answers at $1" >&2
    return 1
}
quote_path() { echo "/d/quotes.csv?s=$1&f=sl1d1t1c1ohgv&e=.csv"; }

market_port=$(free_port)
"$build/bin/quorvane-market" --port "$market_port" --quiet &
market_pid=$!
wait_for "http://127.0.0.1:$market_port$(quote_path IBM)"

# nginx answers each ticker's quote with the line the market gave, and every chart with one PNG.
mkdir -p "$work/www/q" "$work/temp"
for t in "${tickers[@]}"; do
    curl -sf "http://127.0.0.1:$market_port$(quote_path "$t")" >"$work/www/q/$t.csv"
done
curl -sf "http://127.0.0.1:$market_port/servlet/ChartEngine?symbol=IBM" >"$work/www/chart.png"
chmod -R a+rX "$work/www"
nginx_port=$(free_port)
user=""; [ "$(id -u)" -eq 0 ] && user="user root root;"
cat >"$work/nginx.conf" <<CONF
$user
daemon on; worker_processes 1; pid $work/nginx.pid; error_log $work/error.log warn;
events { worker_connections 64; }
http { access_log off;
  client_body_temp_path $work/temp/b; proxy_temp_path $work/temp/p; fastcgi_temp_path $work/temp/f;
  uwsgi_temp_path $work/temp/u; scgi_temp_path $work/temp/s;
  server { listen 127.0.0.1:$nginx_port; root $work/www;
    location = /d/quotes.csv { default_type text/csv; try_files /q/\$arg_s.csv =404; }
    location = /servlet/ChartEngine { default_type image/png; try_files /chart.png =404; }
    location = /infos { return 404; } } }
CONF
/usr/sbin/nginx -p "$work" -e "$work/error.log" -c "$work/nginx.conf"
wait_for "http://127.0.0.1:$nginx_port$(quote_path IBM)"

curl_times() { # port: the same requests, rotating, one curl each
    for i in $(seq 0 $((rounds - 1))); do
        curl -s -o /dev/null -w '%{time_total}\n' "http://127.0.0.1:$1$(quote_path "${tickers[$((i % ${#tickers[@]}))]}")"
    done | python3 -c '
import sys
t = sorted(float(x) * 1000 for x in sys.stdin)
print(f"{t[len(t)//2]:.3f} {t[int(0.95*(len(t)-1)+0.5)]:.3f}")'
}

export QT_QPA_PLATFORM=offscreen
for server in market nginx; do
    port=$market_port; [ "$server" = nginx ] && port=$nginx_port
    read -r curl_median curl_p95 < <(curl_times "$port")
    for pace in 200 0; do
        read -r median p95 failed < <("$build/bench/bench_click_to_quote" "127.0.0.1:$port" "$pace" "$rounds" "${tickers[@]}" 2>/dev/null || true)
        label="every ${pace} ms"; [ "$pace" = 0 ] && label="back to back"
        if [ -z "${failed:-}" ]; then
            echo "click to quote vs $server $label: the benchmark did not finish"
            continue
        fi
        python3 - "$server" "$label" "$median" "$p95" "$failed" "$curl_median" "$curl_p95" "$rounds" <<'PY'
import sys
server, label, median, p95, failed, cm, cp, rounds = sys.argv[1:]
median, p95, cm, cp = map(float, (median, p95, cm, cp))
goal = "met" if median < 5 and p95 < 10 and failed == "0" else "missed"
print(f"click to quote vs {server:6} {label:13}: median {median:6.2f} ms (curl {cm:5.2f}, x{median/cm:4.1f}), "
      f"p95 {p95:6.2f} ms (curl {cp:5.2f}, x{p95/cp:4.1f}), {failed} of {rounds} without a quote; "
      f"goal median < 5, p95 < 10: {goal}")
PY
    done
done
