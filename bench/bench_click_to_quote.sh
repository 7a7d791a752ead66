#!/usr/bin/env bash
# Click to quote against nginx serving one quote line, beside curl's own time for the same
# request in the same run.
set -euo pipefail
build="${1:?usage: bench_click_to_quote.sh BUILD-DIR}"
rounds="${ROUNDS:-200}"
dir=$(mktemp -d)
port=$(python3 -c 'import socket; s=socket.socket(); s.bind(("127.0.0.1",0)); print(s.getsockname()[1])')
mkdir -p "$dir/www/d" "$dir/temp"
printf '"IBM",85.5,"6/1/2004","4:00pm",-1.25,86.1,87,85,4200\r\n' > "$dir/www/d/quotes.csv"
user=""; [ "$(id -u)" -eq 0 ] && user="user root root;"
cat > "$dir/nginx.conf" <<CONF
$user
daemon on; worker_processes 1; pid $dir/nginx.pid; error_log $dir/error.log warn;
events { worker_connections 64; }
http { types { text/csv csv; } access_log off;
  client_body_temp_path $dir/temp/b; proxy_temp_path $dir/temp/p; fastcgi_temp_path $dir/temp/f;
  uwsgi_temp_path $dir/temp/u; scgi_temp_path $dir/temp/s;
  server { listen 127.0.0.1:$port; root $dir/www; } }
CONF
/usr/sbin/nginx -p "$dir" -e "$dir/error.log" -c "$dir/nginx.conf"
trap 'kill $(cat "$dir/nginx.pid") 2>/dev/null; rm -rf "$dir"' EXIT
for _ in $(seq 1 50); do curl -s -o /dev/null "http://127.0.0.1:$port/d/quotes.csv" && break; sleep 0.1; done

"$build/bench/bench_click_to_quote" "$port" IBM "$rounds"
url="http://127.0.0.1:$port/d/quotes.csv?s=IBM&f=sl1d1t1c1ohgv&e=.csv"
for _ in $(seq 1 "$rounds"); do curl -s -o /dev/null -w '%{time_total}\n' "$url"; done | python3 -c '
import sys
t = sorted(float(x) * 1000 for x in sys.stdin)
print(f"curl, same request: {len(t)} rounds, median {t[len(t)//2]:.2f} ms, p95 {t[int(0.95*(len(t)-1)+0.5)]:.2f} ms")'
