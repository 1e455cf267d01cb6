#!/usr/bin/env python3
"""Compares frames rendered by the Windows render tool with the golden frames:
for every golden <effect>_<frame>.png, RENDERED_DIR/frame_<frame>.png. Prints
each frame that differs (how many pixels, the largest difference of one
colour channel, where the first few lie) and a summary. Exit code 1 when a
frame is missing or differs by more than the last-bit rounding of the two C
runtimes' single-precision logarithms: over 1 level in a channel or over 2
pixels (one value of a half-resolution effect) in a frame.
Usage: compare_frames.py GOLDEN_DIR RENDERED_DIR"""
import os
import struct
import sys
import zlib


def read_png(path):
    """8-bit RGB or RGBA, not interlaced: (width, height, rows of RGB tuples)."""
    data = open(path, "rb").read()
    assert data[:8] == b"\x89PNG\r\n\x1a\n", path
    at, idat, header = 8, b"", None
    while at < len(data):
        length, kind = struct.unpack(">I4s", data[at:at + 8])
        body = data[at + 8:at + 8 + length]
        if kind == b"IHDR":
            header = struct.unpack(">IIBBBBB", body)
        elif kind == b"IDAT":
            idat += body
        at += 12 + length
    width, height, depth, colour, _, _, interlace = header
    assert depth == 8 and colour in (2, 6) and interlace == 0, path
    channels = 3 if colour == 2 else 4
    raw = zlib.decompress(idat)
    stride = width * channels
    rows, previous = [], bytearray(stride)
    for y in range(height):
        kind = raw[y * (stride + 1)]
        line = bytearray(raw[y * (stride + 1) + 1:(y + 1) * (stride + 1)])
        for i in range(stride):
            a = line[i - channels] if i >= channels else 0
            b = previous[i]
            c = previous[i - channels] if i >= channels else 0
            if kind == 1:
                line[i] = (line[i] + a) & 0xFF
            elif kind == 2:
                line[i] = (line[i] + b) & 0xFF
            elif kind == 3:
                line[i] = (line[i] + (a + b) // 2) & 0xFF
            elif kind == 4:
                p = a + b - c
                pa, pb, pc = abs(p - a), abs(p - b), abs(p - c)
                pred = a if pa <= pb and pa <= pc else (b if pb <= pc else c)
                line[i] = (line[i] + pred) & 0xFF
        rows.append([tuple(line[x * channels:x * channels + 3]) for x in range(width)])
        previous = line
    return width, height, rows


def main():
    golden_dir, rendered_dir = sys.argv[1], sys.argv[2]
    golden = sorted(f for f in os.listdir(golden_dir) if f.endswith(".png"))
    bad, differing_frames = 0, 0
    for name in golden:
        frame = name[:-4].rsplit("_", 1)[1]
        rendered = os.path.join(rendered_dir, f"frame_{frame}.png")
        if not os.path.exists(rendered):
            print(f"FAIL: {name}: not rendered")
            bad += 1
            continue
        w, h, want = read_png(os.path.join(golden_dir, name))
        _, _, got = read_png(rendered)
        differing = [(x, y, max(abs(p - q) for p, q in zip(want[y][x], got[y][x])))
                     for y in range(h) for x in range(w) if want[y][x] != got[y][x]]
        if not differing:
            continue
        differing_frames += 1
        largest = max(d for _, _, d in differing)
        where = ", ".join(f"({x},{y}) by {d}" for x, y, d in differing[:5])
        beyond = largest > 1 or len(differing) > 2
        bad += beyond
        print(f"{'FAIL: ' if beyond else ''}{name}: {len(differing)} of {w * h} pixels differ, "
              f"largest channel difference {largest}: {where}")
    print(f"{len(golden) - differing_frames} of {len(golden)} golden frames identical under Wine, "
          f"{differing_frames - bad} differ in rounding only, {bad} beyond")
    return 1 if bad else 0


if __name__ == "__main__":
    sys.exit(main())
