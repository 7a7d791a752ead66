#!/usr/bin/env bash
# The market service under abuse: quote latency with 1,000 idle and with 200 slowloris
# connections open, and resident memory after 100,000 requests (see bench_market_abuse.cpp).
# Give older executables to compare in the same run:
#
#   bench/bench_market_abuse.sh BUILD-DIR [OTHER-QUORVANE-MARKET...]
#   MARKET_BASELINE=/path/to/old/quorvane-market bench/bench_market_abuse.sh build
set -euo pipefail

build="${1:?usage: bench_market_abuse.sh BUILD-DIR [OTHER-QUORVANE-MARKET...]}"
shift
tool="$build/bench/bench_market_abuse"
market="$build/bin/quorvane-market"
if [ ! -x "$tool" ]; then
    cmake --build "$build" --target bench_market_abuse quorvane-market >/dev/null
fi
[ -x "$market" ] || { echo "bench_market_abuse: $market is not built" >&2; exit 1; }
markets=()
if [ -n "${MARKET_BASELINE:-}" ]; then
    markets+=("$MARKET_BASELINE")
fi
markets+=("$@" "$market")
exec "$tool" "${markets[@]}"
