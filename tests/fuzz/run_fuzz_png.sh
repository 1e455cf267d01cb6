#!/usr/bin/env bash
# Builds the PNG loader's fuzz target with clang (libFuzzer, AddressSanitizer,
# UndefinedBehaviorSanitizer) and runs it for a bounded time.
#
#   tests/fuzz/run_fuzz_png.sh [SECONDS] [DATA_DIR]
#
# SECONDS defaults to 60; a long run: tests/fuzz/run_fuzz_png.sh 3600.
# The corpus is seeded with the generated pictures (DATA_DIR, default
# build/show) and hand-made damaged files; it lives in build-fuzz/corpus and
# grows from run to run.
set -euo pipefail
cd "$(dirname "$0")/../.."
seconds=${1:-60}
data=${2:-build/show}
out=build-fuzz
mkdir -p "$out/corpus" "$out/seeds"

CXX=${CXX:-clang++-14}
binary=$out/fuzz_png
sources=(tests/fuzz/fuzz_png.cpp core/texture.cpp core/texture_png.cpp)
if [ ! -x "$binary" ] || [ -n "$(find "${sources[@]}" core/texture.h -newer "$binary" 2>/dev/null)" ]; then
  "$CXX" -std=c++17 -O1 -g -I. -fsanitize=fuzzer,address,undefined -fno-sanitize-recover=all \
    "${sources[@]}" $(pkg-config --cflags --libs libpng) -o "$binary"
fi

# Seeds: every generated picture, and damaged variants of one of them.
if [ -d "$data/_glimmerock" ]; then
  find "$data/_glimmerock" -name '*.png' -size -200k | while read -r f; do
    cp "$f" "$out/seeds/$(echo "$f" | tr '/' '_')"
  done
fi
python3 - "$out/seeds" <<'PY'
import struct, sys, zlib, os
out = sys.argv[1]
def chunk(kind, data):
    return struct.pack(">I", len(data)) + kind + data + struct.pack(">I", zlib.crc32(kind + data) & 0xffffffff)
def png(w, h, depth=8, color=6, rows=None, crc_ok=True):
    ihdr = struct.pack(">IIBBBBB", w, h, depth, color, 0, 0, 0)
    bpp = {6: 4, 2: 3, 0: 1, 4: 2, 3: 1}[color]
    raw = rows if rows is not None else b"".join(b"\0" + bytes(range(w * bpp)) [:w*bpp].ljust(w * bpp, b"\x7f") for _ in range(h))
    data = b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", ihdr) + chunk(b"IDAT", zlib.compress(raw)) + chunk(b"IEND", b"")
    if not crc_ok:
        data = data[:29] + bytes([data[29] ^ 0xFF]) + data[30:]
    return data
good = png(8, 8)
seeds = {
    "good_rgba.png": good,
    "good_rgb.png": png(5, 3, color=2),
    "grey.png": png(4, 4, color=0),
    "truncated.png": good[: len(good) // 2],
    "bad_crc.png": png(8, 8, crc_ok=False),
    "huge_header.png": png(100000, 100000, rows=b"\0" * 16),
    "zero_width.png": png(0, 8, rows=b"\0" * 8),
    "signature_only.png": good[:8],
}
for name, data in seeds.items():
    open(os.path.join(out, name), "wb").write(data)
PY

log=$out/last-run.log
"$binary" "$out/corpus" "$out/seeds" -max_total_time="$seconds" -rss_limit_mb=2048 \
  -timeout=10 -print_final_stats=1 >"$log" 2>&1 || { tail -n 60 "$log"; exit 1; }
runs=$(grep -E '^stat::number_of_executed_units' "$log" | awk '{print $2}')
echo "fuzz_png: ${runs:-?} inputs in ${seconds} s, no failure"
echo "1 passed, 0 failed"
