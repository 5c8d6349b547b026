#!/usr/bin/env python3
# SPDX-License-Identifier: GPL-3.0-or-later
"""The command line's speed on one large scan against ImageMagick's quantisation,
measured as ./bench.sh does, for one or more builds of vestiscop-cli side by side.

    tools/bench/compare_speed.py [--runs N] [--realtime] [--without-signatures]
                                 [--with-garment] IMAGE CLI [CLI...]

Each CLI analyses IMAGE with the shipped data/vestiscop.cfg, its region widened
to 2048 x 2048, in a data folder of its own that starts empty (as ./bench.sh's
speed step); /usr/bin/convert quantises it to three colours. The commands take
turns, N runs each (default 9), so that a busy spell of a shared machine falls
on all of them alike. Printed for each: the median wall time, the median
processor time (user + system, all threads) and the largest peak resident
memory, and the ratio of ImageMagick's median wall time to the command's.

--realtime runs every command under SCHED_FIFO (chrt -f 10, as root): on a
machine that others share, the measured commands then take the cores from the
others' work, which comes close to a quiet machine. --without-signatures
measures the same configuration without its Signatures key as well.
--with-garment measures it as well with IMAGE added as a garment first: a
catalogue that holds a garment with a signature, so that the scan's own is
measured and compared (an empty catalogue compares none).
"""

import argparse
import os
import pathlib
import shlex
import statistics
import subprocess
import sys
import tempfile
import time

ROOT = pathlib.Path(__file__).resolve().parents[2]
MAGICK = "/usr/bin/convert {image} +dither -colors 3 -format %c histogram:info:-"


def data_folder(parent: pathlib.Path, name: str, signatures: bool) -> pathlib.Path:
    folder = parent / name
    folder.mkdir()
    lines = []
    for line in (ROOT / "data" / "vestiscop.cfg").read_text(encoding="utf-8").splitlines():
        if line.startswith("Width = "):
            line = "Width = 2048"
        elif line.startswith("Height = "):
            line = "Height = 2048"
        elif line.startswith("Signatures = ") and not signatures:
            continue
        lines.append(line)
    (folder / "vestiscop.cfg").write_text("\n".join(lines) + "\n", encoding="utf-8")
    for table in ("barvy.txt", "barvy-zakladni.txt"):
        (folder / table).write_bytes((ROOT / "data" / table).read_bytes())
    return folder


def run(command: list, folder: pathlib.Path):
    start = time.perf_counter()
    child = subprocess.Popen(command, cwd=folder, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    _, status, usage = os.wait4(child.pid, 0)
    wall = time.perf_counter() - start
    if os.waitstatus_to_exitcode(status) != 0:
        sys.exit(f"failed: {shlex.join(command)}")
    return wall, usage.ru_utime + usage.ru_stime, usage.ru_maxrss / 1024


def main() -> None:
    parser = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    parser.add_argument("--runs", type=int, default=9)
    parser.add_argument("--realtime", action="store_true")
    parser.add_argument("--without-signatures", action="store_true")
    parser.add_argument("--with-garment", action="store_true")
    parser.add_argument("image", type=pathlib.Path)
    parser.add_argument("cli", nargs="+", type=pathlib.Path)
    arguments = parser.parse_args()
    prefix = ["chrt", "-f", "10"] if arguments.realtime else []
    image = arguments.image.resolve()
    load = os.getloadavg()[0]

    with tempfile.TemporaryDirectory(prefix="vestiscop-speed-") as scratch:
        parent = pathlib.Path(scratch)
        commands = []  # (label, command, folder)
        for index, cli in enumerate(arguments.cli):
            cli = cli.resolve()
            commands.append((f"{cli} (shipped)", [str(cli), "analyze", str(image)],
                             data_folder(parent, f"shipped-{index}", True)))
            if arguments.with_garment:
                folder = data_folder(parent, f"garment-{index}", True)
                subprocess.run([str(cli), "add", "garment", str(image)], cwd=folder, check=True,
                               stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
                commands.append((f"{cli} (one garment)", [str(cli), "analyze", str(image)], folder))
            if arguments.without_signatures:
                commands.append((f"{cli} (no Signatures key)", [str(cli), "analyze", str(image)],
                                 data_folder(parent, f"plain-{index}", False)))
        magick = parent / "magick"
        magick.mkdir()
        commands.append(("ImageMagick", shlex.split(MAGICK.format(image=image)), magick))

        results = {label: [] for label, _, _ in commands}
        for _ in range(arguments.runs):
            for label, command, folder in commands:
                results[label].append(run(prefix + command, folder))

    magick_wall = statistics.median(wall for wall, _, _ in results["ImageMagick"])
    print(f"{arguments.runs} interleaved runs each, {image.name}, load before: {load:.2f}"
          + (", SCHED_FIFO" if arguments.realtime else ""))
    for label, _, _ in commands:
        walls = [wall for wall, _, _ in results[label]]
        wall = statistics.median(walls)
        processor = statistics.median(cpu for _, cpu, _ in results[label])
        peak = max(rss for _, _, rss in results[label])
        ratio = "" if label == "ImageMagick" else f"  ImageMagick / this {magick_wall / wall:.2f}x"
        print(f"  {label}: wall {wall * 1000:.0f} ms ({min(walls) * 1000:.0f}-{max(walls) * 1000:.0f}),"
              f" processor {processor * 1000:.0f} ms, peak {peak:.0f} MiB{ratio}")


if __name__ == "__main__":
    main()
