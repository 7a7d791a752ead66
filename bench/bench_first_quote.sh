#!/usr/bin/env bash
# The first click when the game has to start its own market (needs 127.0.0.1:8421 free).
set -euo pipefail
build="${1:?usage: bench_first_quote.sh BUILD-DIR}"
if curl -s -o /dev/null --max-time 1 http://127.0.0.1:8421/infos; then
    echo "skipped: something answers on 127.0.0.1:8421"
    exit 0
fi
"$build/bench/bench_first_quote" "$build/bin/quorvane-market" 10
