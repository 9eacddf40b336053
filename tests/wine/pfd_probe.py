# Pixel probes of a PFD window picture (PPM) and its comparison with the Linux snapshot of the same flight state.
"""Checks a screenshot of the display window against the frame the flight state calls for.

probe:   the attitude (sky above, ground below the horizon line that pitch and bank give) and every
         annunciation of the frame description (its colour inside the box where it is printed).
compare: the Windows picture against the Linux 332 x 332 panel cropped to the same lower-left part.
full-attitude: the full layout's attitude area, live (sky and ground, no "ATT") or lost (neither
         sky nor ground, "ATT" in amber on black over the aircraft symbol).

Python standard library only. Pictures come as binary PPM (P6, maxval 255): `convert x.png x.ppm`.
"""
import argparse
import math
import sys

# Screen geometry of the panel (bottom-left origin, pixels of the 500 x 740 surface).
HORIZON_AT_ZERO_PITCH_Y = 165.0   # the horizon line passes the aircraft symbol at pitch 0
HORIZON_TURN_CENTRE_X = 168.4     # the horizon quad turns about its centre
PIXELS_PER_DEGREE = 3.454         # horizon travel per degree of pitch
TEXT_SPACE_PER_PIXEL = 640.0 / 500.0
GLYPH_ADVANCE_TEXT_UNITS = 10.0   # 7.8 px on screen
GLYPH_HEIGHT_PX = 16

COLOURS = {
    "green": (0, 255, 0),
    "white": (255, 255, 255),
    "byte-white": (255, 255, 255),
    "blue": (0, 200, 222),
    "amber": (255, 195, 0),
}


class Picture:
    """A decoded P6 picture: rows from the top, three bytes per pixel."""

    def __init__(self, path):
        with open(path, "rb") as f:
            data = f.read(64 * 1024 * 1024 + 1)
        if len(data) > 64 * 1024 * 1024:
            raise ValueError(f"{path}: larger than 64 MiB")
        fields, pos = [], 0
        while len(fields) < 4:
            while pos < len(data) and data[pos:pos + 1].isspace():
                pos += 1
            if pos < len(data) and data[pos:pos + 1] == b"#":
                while pos < len(data) and data[pos:pos + 1] not in (b"\n", b"\r"):
                    pos += 1
                continue
            start = pos
            while pos < len(data) and not data[pos:pos + 1].isspace():
                pos += 1
            if start == pos:
                raise ValueError(f"{path}: truncated PPM header")
            fields.append(data[start:pos])
        if fields[0] != b"P6":
            raise ValueError(f"{path}: not a binary PPM (magic {fields[0]!r})")
        try:
            self.width, self.height, maxval = (int(v) for v in fields[1:])
        except ValueError:
            raise ValueError(f"{path}: bad PPM size or maxval {fields[1:]!r}") from None
        if maxval != 255 or not (0 < self.width <= 8192 and 0 < self.height <= 8192):
            raise ValueError(f"{path}: unsupported PPM {self.width}x{self.height} maxval {maxval}")
        pos += 1  # the single blank after maxval
        need = self.width * self.height * 3
        if len(data) - pos < need:
            raise ValueError(f"{path}: {len(data) - pos} pixel bytes, {need} expected")
        self.pixels = data[pos:pos + need]
        self.path = path

    def at(self, x, row):
        """RGB at column x, row counted from the top; None outside."""
        if not (0 <= x < self.width and 0 <= row < self.height):
            return None
        i = (row * self.width + x) * 3
        return tuple(self.pixels[i:i + 3])

    def at_surface(self, x, y):
        """RGB at surface pixel (x, y), y counted from the bottom of the picture."""
        return self.at(x, self.height - 1 - y)


def is_sky(p):
    return p is not None and p[2] > 150 and p[2] > p[0] + 80 and p[1] > 60


def is_ground(p):
    return p is not None and 80 < p[0] < 220 and p[0] > p[1] + 20 and p[1] > p[2] + 20


def same_hue(p, colour, tolerance=0.15):
    """A lit pixel whose colour is `colour` scaled down (glyph edges are blended with black)."""
    if p is None or max(p) < 80:
        return False
    top, ref = max(p), max(colour)
    return all(abs(a / top - b / ref) <= tolerance for a, b in zip(p, colour))


def read_description(path):
    """The frame description of orvane-snapshot --describe: (pitch, bank) line values and the texts."""
    frame, texts = {}, []
    with open(path, encoding="utf-8") as f:
        for line in f:
            line = line.strip()
            if line.startswith("pitchOffset="):
                for item in line.split():
                    key, _, value = item.partition("=")
                    frame[key] = float(value)
            elif line.startswith("text "):
                # text "AP ENG" green 300 50
                first, last = line.index('"'), line.rindex('"')
                rest = line[last + 1:].split()
                if len(rest) != 3:
                    raise ValueError(f"{path}: bad text line {line!r}")
                texts.append((line[first + 1:last], rest[0], float(rest[1]), float(rest[2])))
    return frame, texts


def check_horizon(pic, pitch, bank, columns, report):
    """Sky above and ground below the expected horizon line in each probe column."""
    ok = True
    for x in columns:
        y = (HORIZON_AT_ZERO_PITCH_Y + PIXELS_PER_DEGREE * pitch
             - (x - HORIZON_TURN_CENTRE_X) * math.tan(math.radians(bank)))
        yi = int(round(y))
        above = [pic.at_surface(x, yy) for yy in range(yi + 4, yi + 17)]
        below = [pic.at_surface(x, yy) for yy in range(yi - 16, yi - 3)]
        sky = sum(is_sky(p) for p in above) / len(above)
        ground = sum(is_ground(p) for p in below) / len(below)
        # The line itself: midway between the lowest sky pixel and the highest ground pixel under it.
        edge = None
        for yy in range(yi + 12, yi - 13, -1):
            if is_ground(pic.at_surface(x, yy)):
                last_sky = next((s for s in range(yy + 1, yi + 13) if is_sky(pic.at_surface(x, s))), None)
                if last_sky is not None:
                    edge = (yy + last_sky) / 2.0
                break
        good = sky >= 0.9 and ground >= 0.9 and edge is not None and abs(edge - y) <= 3.0
        ok &= good
        report.append(f"horizon x={x}: expected y={y:.1f} (from bottom), found edge y={edge}, "
                      f"sky above {sky:.0%}, ground below {ground:.0%} -> {'ok' if good else 'FAIL'}")
    return ok


def check_text(pic, text, colour, tx, ty, report):
    """The text's colour fills part of the box where it is printed, more than any other text colour."""
    x0 = int(math.floor(tx / TEXT_SPACE_PER_PIXEL)) - 1
    x1 = int(math.ceil((tx + GLYPH_ADVANCE_TEXT_UNITS * len(text)) / TEXT_SPACE_PER_PIXEL)) + 2
    y0, y1 = int(ty) - 1, int(ty) + GLYPH_HEIGHT_PX + 1
    counts = {name: 0 for name in COLOURS if name != "byte-white"}
    for y in range(y0, y1 + 1):
        for x in range(x0, x1 + 1):
            p = pic.at_surface(x, y)
            for name in counts:
                if same_hue(p, COLOURS[name]):
                    counts[name] += 1
    key = "white" if colour == "byte-white" else colour
    glyphs = sum(1 for c in text if c != " ")
    good = counts.get(key, 0) >= 6 * glyphs and all(
        n < counts[key] for name, n in counts.items() if name != key)
    report.append(f"text {text!r} {colour} at text ({tx:g}, {ty:g}) = px x {x0}..{x1}, y {y0}..{y1}: "
                  f"{counts} -> {'ok' if good else 'FAIL'}")
    return good


def probe(args):
    pic = Picture(args.image)
    frame, texts = read_description(args.describe)
    report = [f"picture {pic.width}x{pic.height}"]
    ok = True
    if args.expect is not None:
        documented = sorted(tuple(item.rsplit(":", 1)) for item in args.expect.split(",") if item)
        described = sorted((t, c) for t, c, _, _ in texts)
        if documented != described:
            report.append(f"annunciations: documented {documented}, frame description {described} -> FAIL")
            ok = False
    pitch = args.pitch if args.pitch is not None else frame["pitchOffset"] / 0.0058
    bank = args.bank if args.bank is not None else frame["bank"]
    report.append(f"attitude: pitch {pitch:.3f} deg (nose down +), bank {bank:.3f} deg (left wing down +)")
    ok &= check_horizon(pic, pitch, bank, args.columns, report)
    for text, colour, tx, ty in texts:
        ok &= check_text(pic, text, colour, tx, ty, report)
    print("\n".join(report))
    print("probe:", "PASS" if ok else "FAIL")
    return 0 if ok else 1


# The full layout's attitude area in its panel's pixels (bottom-left origin): where the sky and
# ground show, and the amber flag's letters over the aircraft symbol.
FULL_SPHERE = (93, 150, 261, 345)
FULL_FLAG = (167, 239, 192, 255)


def is_brown_ground(p):
    """The ground's brown, not the aircraft symbol's yellow or an amber glyph's faded edge."""
    return p is not None and 80 < p[0] < 220 and p[1] * 4 < p[0] * 3 and p[1] > p[2] + 20 and p[2] > 15


def is_amber(p):
    """The flags' amber (green at 76% of red), not the aircraft symbol's yellow (84%)."""
    return p is not None and p[0] > 200 and 140 < p[1] < 0.8 * p[0] and p[2] < 80


def full_attitude(args):
    pic = Picture(args.image)
    x0, y0, x1, y1 = FULL_SPHERE
    area = [pic.at_surface(x, y) for y in range(y0, y1) for x in range(x0, x1)]
    sky = sum(is_sky(p) for p in area)
    ground = sum(is_brown_ground(p) for p in area)
    fx0, fy0, fx1, fy1 = FULL_FLAG
    flag = [pic.at_surface(x, y) for y in range(fy0, fy1) for x in range(fx0, fx1)]
    amber = sum(is_amber(p) for p in flag)
    black = sum(p is not None and max(p) < 24 for p in flag)
    report = [f"picture {pic.width}x{pic.height}; attitude area {len(area)} pixels: sky {sky}, ground {ground}; "
              f"flag box {len(flag)} pixels: amber {amber}, black {black}"]
    if args.expect == "live":
        ok = sky >= len(area) // 5 and ground >= len(area) // 5 and amber == 0
    else:
        ok = sky == 0 and ground == 0 and amber >= 40 and black >= len(flag) // 3
    report.append(f"full-attitude: expected {args.expect} -> {'PASS' if ok else 'FAIL'}")
    print("\n".join(report))
    return 0 if ok else 1


def compare(args):
    win = Picture(args.windows)
    lin = Picture(args.linux)
    if win.width > lin.width or win.height > lin.height:
        print(f"compare: Windows picture {win.width}x{win.height} is larger than the Linux panel "
              f"{lin.width}x{lin.height}")
        return 1
    largest, differing, total = 0, 0, win.width * win.height
    histogram = [0] * 256
    for y in range(win.height):
        for x in range(win.width):
            a = win.at_surface(x, y)
            b = lin.at_surface(x, y)  # both anchored at the bottom-left corner of the surface
            d = max(abs(a[0] - b[0]), abs(a[1] - b[1]), abs(a[2] - b[2]))
            histogram[d] += 1
            largest = max(largest, d)
            if d > args.threshold:
                differing += 1
    exact = histogram[0] / total
    share = differing / total
    print(f"compare: {win.width}x{win.height} Windows client area vs the lower-left of the "
          f"{lin.width}x{lin.height} Linux panel")
    print(f"compare: largest per-pixel difference {largest} (of 255); identical pixels {exact:.2%}; "
          f"pixels differing by more than {args.threshold}: {differing} ({share:.3%})")
    ok = share <= args.max_share
    print("compare:", "PASS" if ok else f"FAIL (more than {args.max_share:.2%})")
    return 0 if ok else 1


def main():
    parser = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    sub = parser.add_subparsers(dest="command", required=True)
    p = sub.add_parser("probe", help="check attitude and annunciations in a window picture")
    p.add_argument("--image", required=True, help="window client area, binary PPM")
    p.add_argument("--describe", required=True, help="output of orvane-snapshot --describe")
    p.add_argument("--expect", help="documented annunciations, e.g. 'AP ENG:green,LOC:green'")
    p.add_argument("--pitch", type=float, help="pitch in degrees (default: from the description)")
    p.add_argument("--bank", type=float, help="bank in degrees (default: from the description)")
    p.add_argument("--columns", type=lambda s: [int(v) for v in s.split(",")], default=[90, 96, 232, 238],
                   help="probe columns for the horizon (clear of the aircraft symbol and the ladder)")
    p.set_defaults(run=probe)
    c = sub.add_parser("compare", help="compare the Windows picture with the Linux panel")
    c.add_argument("--windows", required=True)
    c.add_argument("--linux", required=True)
    c.add_argument("--threshold", type=int, default=32, help="a pixel differs when a channel differs by more")
    c.add_argument("--max-share", type=float, default=0.01, help="largest share of differing pixels")
    c.set_defaults(run=compare)
    f = sub.add_parser("full-attitude", help="the full layout's attitude area: live or lost")
    f.add_argument("--image", required=True, help="window client area (the full panel), binary PPM")
    f.add_argument("--expect", required=True, choices=["live", "lost"])
    f.set_defaults(run=full_attitude)
    args = parser.parse_args()
    try:
        return args.run(args)
    except (OSError, ValueError, KeyError) as e:
        print(f"pfd_probe: {e}", file=sys.stderr)
        return 2


if __name__ == "__main__":
    sys.exit(main())
