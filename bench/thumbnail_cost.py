#!/usr/bin/python3
"""What a file manager pays to show a MAG or DAR file: wall time and peak
memory of `zelkimg thumbnail`, `zelkimg info` and `gdk-pixbuf-thumbnailer`
(through our MAG loader module), one process per run, on crafted files made
to be costly and on the generated data set.

Usage: bench/thumbnail_cost.py [--size N] [--skip-data] [BUILD_DIR]
BUILD_DIR (default build) holds bin/zelkimg, bin/data/ and the module in
pixbuf-loaders/. Prints one Markdown table; a run that fails shows its exit
status after the time.
"""
import argparse
import os
import shutil
import struct
import subprocess
import sys
import tempfile
import time

MB = 1024 * 1024


def dar(records, tail=b""):
    """A DAR file: version 1, a grey colour table, then the given records."""
    table = b"".join(bytes((i, i, i, 0)) for i in range(256))
    return b"DAR\0\0\x01" + struct.pack("<H", len(records)) + bytes(4) + table + \
        b"".join(records) + tail


def record(width, height, row_size, rows=b""):
    return struct.pack("<HHHH", 6, width, height, row_size) + rows


def mag(colors, width, height, flag_a, flag_b, pixels):
    """A MAG file of `width` × `height` pixels with the given data areas."""
    header_length = 32 + 3 * colors
    fa = header_length
    fb = fa + len(flag_a)
    px = fb + len(flag_b)
    header = struct.pack("<BBBBhhhhIIIII", 0, 0, 0, 0x80 if colors == 256 else 0, 0, 0,
                         width - 1, height - 1, fa, fb, len(flag_b), px, len(pixels))
    palette = b"".join(bytes((i * 7 & 255, i * 13 & 255, i * 29 & 255)) for i in range(colors))
    return b"MAKI02  bench\x1a" + header + palette + flag_a + flag_b + pixels


def banded_mag(colors, width, height, band):
    """Rows copied from the row above, with a literal row every `band` rows:
    a tall picture whose data is mostly flag A, squeezing to a few KB."""
    columns = width // (8 if colors == 16 else 4)
    flag_a = bytearray((columns * height + 7) // 8)
    flag_b = bytearray()
    pixels = bytearray()
    for y in range(height):
        literal = y % band == 0
        toggles = y > 0 and (literal or (y - 1) % band == 0)
        if literal:
            pixels += bytes((x * 37 + y // band) & 255 for x in range(columns * 4))
        if toggles:  # the flags of every column change between literal and "copy from above"
            for c in range(columns):
                bit = y * columns + c
                flag_a[bit // 8] |= 0x80 >> (bit % 8)
            flag_b += b"\x44" * columns
    return mag(colors, width, height, bytes(flag_a), bytes(flag_b), bytes(pixels))


def crafted():
    """(name, bytes) of files made to be costly."""
    files = []
    # One record claiming 65535 × 2048 pixels with no row data: 1,044 bytes.
    files.append(("empty-claim.dar", dar([record(65535, 2048, 0)])))
    # 256 records claiming 65535 × 65535 each.
    files.append(("256-empty-claims.dar", dar([record(65535, 65535, 0)] * 256)))
    # Rows of 1 byte whose runs read on into the following rows: every byte
    # 0xFF draws 255 pixels (skip 255, count 255) in a pattern 510 wide.
    for count in (4, 15):
        rows = b"\xff" * 65535
        files.append((f"overlapping-rows-{count}.dar",
                      dar([record(510, 65535, 1, rows)] * count, b"\xff" * 260)))
    # A pattern as wide as the format allows, drawn only at its four corners.
    far = struct.pack("<HH", 255, 0) * 256 + struct.pack("<HH", 254, 1) + b"\x05\0\0\0"
    near = struct.pack("<HH", 0, 1) + b"\x05\0\0\0" + struct.pack("<HH", 0, 0) * 256
    blank = struct.pack("<HH", 0, 0) * 258
    rows = far + near + blank * 990 + near + far
    files.append(("wide-sparse.dar", dar([record(65535, len(rows) // len(far), len(far), rows)])))
    # MAG pictures of the largest size, mostly copied from the row above.
    files.append(("tall-4.3MB.mag", banded_mag(16, 4096, 32768, 44)))
    files.append(("tall-256.mag", banded_mag(256, 2048, 32768, 32768)))
    files.append(("tall-1MB.mag", banded_mag(16, 4096, 16300, 16300)))
    return files


def measure(argv, env, tmp):
    """(seconds, peak MB, exit status) of one run, as GNU time tells them:
    the peak of a child forked here would include this interpreter's."""
    report = os.path.join(tmp, "time.txt")
    done = subprocess.run(["/usr/bin/time", "-f", "%e %M", "-o", report] + argv, env=env,
                          stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    with open(report) as f:
        seconds, kilobytes = f.read().split()[-2:]
    return float(seconds), int(kilobytes) / 1024, done.returncode


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("build", nargs="?", default="build")
    parser.add_argument("--size", type=int, default=256, help="thumbnail size (default 256)")
    parser.add_argument("--skip-data", action="store_true", help="crafted files only")
    args = parser.parse_args()
    zelkimg = os.path.join(args.build, "bin", "zelkimg")
    module = os.path.join(args.build, "pixbuf-loaders", "libpixbufloader-mag.so")
    for needed in (zelkimg, module):
        if not os.path.exists(needed):
            sys.exit(f"thumbnail_cost: {needed} is missing; build first")

    with tempfile.TemporaryDirectory(prefix="zelk-thumb-") as tmp:
        cache = os.path.join(tmp, "loaders.cache")
        with open(cache, "w") as out:
            query = subprocess.run(["pkg-config", "--variable=gdk_pixbuf_query_loaders",
                                    "gdk-pixbuf-2.0"], capture_output=True, text=True, check=True)
            subprocess.run([query.stdout.strip(), module], stdout=out, check=True)
        # gdk-pixbuf-thumbnailer picks the module by the MIME type the
        # desktop's database gives, so it gets one that knows our types.
        share = os.path.join(tmp, "share")
        os.makedirs(os.path.join(share, "mime", "packages"))
        source = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
        shutil.copy(os.path.join(source, "packaging", "mime", "zelk.xml"),
                    os.path.join(share, "mime", "packages"))
        subprocess.run(["update-mime-database", os.path.join(share, "mime")], check=True,
                       stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        env = dict(os.environ, GDK_PIXBUF_MODULE_FILE=cache, XDG_DATA_DIRS=share + ":/usr/share")
        files = []
        for name, data in crafted():
            path = os.path.join(tmp, name)
            with open(path, "wb") as f:
                f.write(data)
            files.append(path)
        if not args.skip_data:
            for folder in (os.path.join(args.build, "bin", "data"), os.path.join(args.build, "bin")):
                files += sorted(os.path.join(folder, n) for n in os.listdir(folder)
                                if n.lower().endswith((".mag", ".dar")))

        out = os.path.join(tmp, "out.png")
        print(f"thumbnails of {args.size} px; time in s, peak memory in MB; "
              f"load average {os.getloadavg()[0]:.2f}\n")
        print("| file | bytes | thumbnail | info | gdk-pixbuf-thumbnailer |")
        print("|---|---:|---|---|---|")
        for path in files:
            runs = [[zelkimg, "thumbnail", path, out, "--size", str(args.size)],
                    [zelkimg, "info", path]]
            if path.lower().endswith(".mag"):
                runs.append(["gdk-pixbuf-thumbnailer", "-s", str(args.size), path, out])
            cells = []
            for argv in runs:
                seconds, peak, code = measure(argv, env, tmp)
                cells.append(f"{seconds:.2f} s, {peak:.0f} MB" + (f" (exit {code})" if code else ""))
            cells += ["—"] * (3 - len(cells))
            name = os.path.relpath(path, tmp if path.startswith(tmp) else os.path.join(args.build, "bin"))
            print(f"| {name} | {os.path.getsize(path):,} | " + " | ".join(cells) + " |", flush=True)


if __name__ == "__main__":
    main()
