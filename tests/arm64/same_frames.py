#!/usr/bin/env python3
"""Compares frames rendered by the render tool with golden frames exactly:
for each NAME (<effect>_<frame>), GOLDEN_DIR/NAME.png against
RENDERED_DIR/frame_<frame>.png, pixel for pixel. Prints every frame that
differs (how many pixels, the first one) and exits 1 when one is missing or
differs.
Usage: same_frames.py GOLDEN_DIR RENDERED_DIR NAME..."""
import os
import sys

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "windows"))
from compare_frames import read_png  # noqa: E402


def main():
    golden_dir, rendered_dir, names = sys.argv[1], sys.argv[2], sys.argv[3:]
    failed = 0
    for name in names:
        frame = int(name.rsplit("_", 1)[1])
        rendered = os.path.join(rendered_dir, "frame_%06d.png" % frame)
        if not os.path.exists(rendered):
            print("%s: no %s" % (name, rendered))
            failed += 1
            continue
        gw, gh, grows = read_png(os.path.join(golden_dir, name + ".png"))
        rw, rh, rrows = read_png(rendered)
        if (gw, gh) != (rw, rh):
            print("%s: %dx%d instead of %dx%d" % (name, rw, rh, gw, gh))
            failed += 1
            continue
        differ = [(x, y) for y in range(gh) for x in range(gw) if grows[y][x] != rrows[y][x]]
        if differ:
            x, y = differ[0]
            print("%s: %d pixels differ, the first at (%d, %d): %s instead of %s"
                  % (name, len(differ), x, y, rrows[y][x], grows[y][x]))
            failed += 1
        else:
            print("%s: identical" % name)
    print("%d of %d frames identical" % (len(names) - failed, len(names)))
    return 1 if failed else 0


if __name__ == "__main__":
    sys.exit(main())
