#!/usr/bin/env python3
# SPDX-License-Identifier: GPL-3.0-or-later
"""Every JSON line vestiscop-cli writes, for success and for failure of every
command, against the one schema documented in docs/cli-json.md.

Usage: cli_json_test.py PROGRAM SCHEMA SHIPPED_DATA
"""
import json
import os
import random
import shutil
import struct
import subprocess
import sys
import tempfile

import jsonschema

program, schema_path, shipped = sys.argv[1:4]
with open(schema_path, encoding="utf-8") as f:
    schema = json.load(f)
jsonschema.Draft202012Validator.check_schema(schema)
validator = jsonschema.Draft202012Validator(schema)


def striped_bmp(path, size=512, stripe=32):
    """Red and white stripes with a little noise, as a scan has."""
    rng = random.Random(7)
    row_bytes = size * 3
    rows = []
    for y in range(size):
        base = (30, 30, 220) if (y // stripe) % 2 == 0 else (235, 235, 235)  # BGR
        rows.append(bytes(max(0, min(255, c + rng.randint(-8, 8))) for _ in range(size) for c in base))
    pixels = b"".join(reversed(rows))
    header = b"BM" + struct.pack("<IHHI", 54 + len(pixels), 0, 0, 54)
    header += struct.pack("<IiiHHIIiiII", 40, size, size, 1, 24, 0, len(pixels), 2835, 2835, 0, 0)
    assert len(pixels) == row_bytes * size
    with open(path, "wb") as f:
        f.write(header + pixels)


failures = []
seen = set()


def run(arguments, expect_ok, stdin=None, cwd=None, expect_lines=1):
    env = dict(os.environ)
    env["XDG_DATA_HOME"] = os.path.join(work, "xdg")
    env["VESTISCOP_TWAIN_MANAGER"] = os.path.join(work, "no-manager.so")
    env.pop("VESTISCOP_SHIPPED_DATA", None)
    with open(stdin, "rb") if stdin else open(os.devnull, "rb") as source:
        result = subprocess.run([program] + arguments, cwd=cwd or data, env=env, stdin=source, capture_output=True,
                                timeout=120)
    lines = result.stdout.decode("utf-8").splitlines()
    name = " ".join(arguments)
    if len(lines) != expect_lines:
        failures.append(f"{name}: {len(lines)} lines, expected {expect_lines}: {result.stdout!r} {result.stderr!r}")
        return
    expected = expect_ok if isinstance(expect_ok, list) else [expect_ok] * len(lines)
    for line, expect_ok in zip(lines, expected):
        obj = json.loads(line)
        for error in validator.iter_errors(obj):
            failures.append(f"{name}: {error.message} in {line}")
        if obj.get("ok") != expect_ok:
            failures.append(f"{name}: ok is {obj.get('ok')}, expected {expect_ok}: {line}")
        seen.add((obj.get("command"), obj.get("ok")))
    if (result.returncode == 0) != all(expected):
        failures.append(f"{name}: exit status {result.returncode} with ok {expected}")


work = tempfile.mkdtemp(prefix="vestiscop-json-")
try:
    data = os.path.join(work, "data")
    shutil.copytree(shipped, data)
    open(os.path.join(data, "odevy.dat"), "wb").close()
    picture = os.path.join(work, "pruhy.bmp")
    striped_bmp(picture)

    run(["analyze", "--json", picture], True)
    run(["analyze", "--json", "-"], True, stdin=picture)
    run(["analyze", "--json", picture, os.path.join(work, "chybi.bmp")], [True, False], expect_lines=2)
    run(["add", "--json", "Červená košile", picture], True)
    run(["analyze", "--json", picture], True)
    run(["list", "--json"], True)
    run(["correct", "--json", "Červená košile", picture], True)
    run(["correct", "--json", "nic", picture], False)
    run(["delete", "--json", "Červená košile"], True)
    run(["delete", "--json", "nic"], False)
    run(["scan", "--json"], False)
    # A failure of the start-up: the named directory has no configuration.
    empty = os.path.join(work, "empty")
    os.mkdir(empty)
    for command in (["list"], ["analyze", picture], ["scan"], ["add", "x", picture], ["correct", "x", picture],
                    ["delete", "x"]):
        run(["-C", empty, command[0], "--json"] + command[1:], False)
    # The seeded user data directory, from a directory without vestiscop.cfg.
    run(["list", "--json"], True, cwd=work)

    for command in ("analyze", "list", "add", "correct", "delete"):
        for ok in (True, False):
            if (command, ok) not in seen:
                failures.append(f"no line of {command} with ok={ok} was checked")
finally:
    shutil.rmtree(work, ignore_errors=True)

for failure in failures:
    print("FAILED:", failure)
print(f"{len(seen)} kinds of line checked, {len(failures)} failures")
sys.exit(1 if failures else 0)
