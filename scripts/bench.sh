#!/usr/bin/env bash
# Benchmark, not a test: prints figures, fails only when it cannot measure.
# - the size of dist/vorsel.exe (target: at most 160 KiB);
# - IsOutlook64Bit over Office keys of 10, 1,000 and 10,000 subkeys on the native stand-in
#   (the time per subkey should stay roughly flat: the cost grows linearly).
set -euo pipefail
cd "$(dirname "$0")/.."

exe=dist/vorsel.exe
size=$(stat -c %s "$exe")
awk -v s="$size" 'BEGIN { printf "dist/vorsel.exe: %d bytes (%.1f KiB; target at most 160 KiB)\n", s, s / 1024 }'

probe=$(build/bench/test/bench/probe_bench)
echo "$probe"

echo
echo "figures:"
printf 'figure exe_size_bytes %d\n' "$size"
sed -E 's/.* ([0-9]+) subkeys: +([0-9]+) ns per call, +([0-9.]+) ns per subkey/figure probe_native_ns_per_subkey_\1 \3/' <<<"$probe"
echo "figure wine_time_ratio not measured: this machine's kernel runs no 32-bit Linux processes, which Wine needs for 32-bit programs"
