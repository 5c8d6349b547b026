#!/usr/bin/env python3
# SPDX-License-Identifier: GPL-3.0-or-later
"""What a blind user hears from Vestiscop: the window under Orca, driven by
the keyboard, and what Orca says after every key checked step by step.

    screen_reader_test.py PROGRAM DATA_DIR [TRANSCRIPT_FILE [DROP_TOOL]]

PROGRAM is the windowed program, DATA_DIR the shipped data (configuration
and colour definitions). The scanner is SANE's virtual test device, slowed
down to scan for three or four seconds like a real flatbed: long enough for
Orca to read "Skenuji…" and for Esc to reach a scan still running, even on a
loaded machine. The window is then started again with a picture to open
and a test device that answers at once, as a fast scanner or a small area
does; DROP_TOOL (xdnd_drop, built beside this test) drops files on it. The
transcript of the last attempt is written to TRANSCRIPT_FILE when given.

A session whose desktop or screen reader does not come up, or in which Orca
says nothing at all, is tried once more; a wrong transcript fails at once.
Exit status 0 passed, 1 failed.
"""

import os
import shutil
import struct
import subprocess
import sys
import tempfile
import time

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from session import InfrastructureError, Session  # noqa: E402

SANE_TEST_DEVICE = """number_of_devices 1
mode Color
depth 8
hand-scanner false
three-pass false
three-pass-order RGB
resolution_min 1.0
resolution_max 1200.0
resolution_quant 1.0
resolution 50.0
invert-endianess false
read-limit true
read-limit-size 65536
read-delay true
read-delay-duration 200000
fuzzy-parameters false
ppl-loss 0
non-blocking false
select-fd false
enable-test-options false
geometry_min 0.0
geometry_max 200.0
geometry_quant 0.0
tl_x 0.0
tl_y 0.0
br_x 80.0
br_y 100.0
"""

# The same device without the delay between its reads: the scan is over
# within milliseconds of the key.
QUICK_SANE_TEST_DEVICE = SANE_TEST_DEVICE.replace("read-delay true", "read-delay false")

# The garment's name is typed in ASCII: under load the X test extension can
# lose keys that need a second keysym.
GARMENT = "Modra kosile"


class Scenario:
    def __init__(self, session, transcript, reopen_with=None, drop_tool=None):
        self.session = session
        self.transcript = transcript
        self.failures = []
        # Starts the window again with a picture to open (given a file name)
        # and the quick scanner.
        self.reopen_with = reopen_with
        self.drop_tool = drop_tool

    def step(self, title, *keys, until=None, settle=True):
        """Presses the keys and returns what Orca said until it has been
        quiet for a moment; with until, at least until a phrase holding it
        was said (a scan takes a while). Without settle, returns as soon as
        that phrase was said."""
        for key in keys:
            self.session.keys(key)
        if until is not None:
            self.session.wait_for_phrase(until, 40)
        if settle:
            self.session.wait_quiet()
        heard = self.session.take()
        self.transcript.append((title, " ".join(keys), heard))
        return heard

    def expect(self, title, heard, *wanted, absent=()):
        """The wanted phrases, in this order, in what was said; none of the
        absent phrases anywhere."""
        said = " | ".join(heard)
        position = 0
        for phrase in wanted:
            found = said.find(phrase, position)
            if found < 0:
                self.failures.append("%s: expected %r (in this order: %r) in %r" % (title, phrase, wanted, heard))
                return
            position = found + len(phrase)
        for phrase in absent:
            if phrase in said:
                self.failures.append("%s: did not expect %r in %r" % (title, phrase, heard))

    def once(self, title, heard, phrase):
        """The phrase said exactly once: a result is neither lost nor repeated."""
        times = sum(line.count(phrase) for line in heard)
        if times != 1:
            self.failures.append("%s: %r heard %d times, not once: %r" % (title, phrase, times, heard))

    def analysis_heard(self, title, heard, match, scanned=True):
        self.expect(title, heard, *(("Skenuji",) if scanned else ()), "% černá", "Vzor: Bez vzoru", match,
                    absent=("chyba", "Chyba", "Selhání") + (() if scanned else ("Skenuji",)))
        self.once(title, heard, "Vzor: Bez vzoru")

    def drop(self, title, picture):
        """Drops the picture on the middle of the view, as a file manager
        does, and returns what Orca said after it."""
        s = self.session
        window = subprocess.run(["xdotool", "getactivewindow"], env=s.env, capture_output=True, text=True,
                                check=True).stdout.strip()
        dropped = subprocess.run([self.drop_tool, window, "120", "120", picture], capture_output=True, text=True,
                                 env=dict(s.env, ASAN_OPTIONS="detect_leaks=0"))
        if dropped.returncode != 0:
            self.failures.append("%s: the drop failed: %s" % (title, dropped.stderr.strip()))
        s.wait_for_phrase("Vzor:", 20)
        s.wait_quiet()
        heard = s.take()
        self.transcript.append((title, "", heard))
        return heard

    def run(self):
        s = self.session
        heard = self.step("start")
        self.expect("start", heard, "Vestiscop", "Skenuj")

        heard = self.step("scan by Enter on Skenuj", "Return", until="Vzor:")
        self.analysis_heard("scan by Enter", heard, "Neznámý oděv")

        heard = self.step("to the name list", "alt+j")
        self.expect("name list", heard, "Pojmenování oděvu", "Neznámý oděv")
        heard = self.step("scan by Alt+S from the name list", "alt+s", until="Vzor:")
        self.analysis_heard("scan by Alt+S", heard, "Neznámý oděv")

        heard = self.step("scan by Enter in the colour field", "Return", until="Vzor:")
        self.analysis_heard("scan by Enter in the colour field", heard, "Neznámý oděv")

        heard = self.step("a second Enter while scanning does nothing", "Return", "Return", until="Vzor:")
        self.analysis_heard("second press", heard, "Neznámý oděv")
        if sum(1 for line in heard if "Skenuji" in line) != 1:
            self.failures.append("second press: 'Skenuji…' not heard exactly once: %r" % heard)

        heard = self.step("add: the naming dialog", "alt+p")
        self.expect("naming dialog", heard, "Pojmenování oděvu", "Zadejte pojmenování")
        s.type_text(GARMENT)
        s.wait_quiet()
        s.take()
        heard = self.step("the naming dialog: OK", "Tab")
        self.expect("naming dialog OK", heard, "OK")
        heard = self.step("the naming dialog: Zrušit", "Tab")
        self.expect("naming dialog Zrušit", heard, "Zrušit", absent=("Cancel",))
        heard = self.step("back to OK", "shift+Tab")
        self.expect("naming dialog back to OK", heard, "OK")
        heard = self.step("add: OK pressed", "Return")
        self.expect("add", heard, "Přidáno: " + GARMENT)
        self.once("add", heard, "Přidáno")

        heard = self.step("re-scan and hear the name", "alt+s", until="Vzor:")
        self.analysis_heard("re-scan", heard, GARMENT + " na 100%")

        heard = self.step("the name list tells the garment", "alt+j")
        self.expect("name list after match", heard, "Pojmenování oděvu", GARMENT + " na 100%")

        heard = self.step("correct: the question", "alt+o")
        self.expect("correct question", heard, "Opravdu chcete změnit", "Ano")
        heard = self.step("correct: Yes", "Return")
        self.expect("correct", heard, "Opraveno: " + GARMENT)
        self.once("correct", heard, "Opraveno")

        heard = self.step("delete: the question", "alt+v")
        self.expect("delete question", heard, "Opravdu chcete smazat", "Ano")
        heard = self.step("delete: Yes", "Return")
        self.expect("delete", heard, "Vymazáno: " + GARMENT, absent=("na 100%",))
        self.once("delete", heard, "Vymazáno")
        heard = self.step("leave the list", "Tab")
        self.expect("leave the list", heard, "Přidej")
        heard = self.step("come back to the list", "shift+Tab")
        self.expect("list after delete", heard, "Pojmenování oděvu", absent=("na 100%", GARMENT))
        heard = self.step("the colour field after delete", "alt+b")
        self.expect("colour field after delete", heard, "Nalezené barvy", absent=("na 100%", GARMENT))

        heard = self.step("the About box", "alt+g")
        self.expect("About", heard, "O programu", "Rozpoznávání barvy a vzoru oděvu", "OK")
        if sum(line.count("Rozpoznávání barvy a vzoru oděvu") for line in heard) != 1:
            self.failures.append("About: not read exactly once: %r" % heard)
        heard = self.step("the About box closed", "Escape")
        self.expect("About closed", heard, "Vestiscop")
        # The views end the Tab order, just before the colour field.
        heard = self.step("into the views", "alt+b", "shift+Tab")
        self.expect("views group", heard, "Zobrazení", "rádiové tlačítko")

        heard = self.step("a scan starts", "alt+s", until="Skenuji", settle=False)
        self.expect("scan starts", heard, "Skenuji")
        heard = self.step("Esc cancels it", "Escape", until="zrušeno")
        self.expect("cancel", heard, "Nalezené barvy", "Skenování zrušeno",
                    absent=("chyba", "Chyba", "Vzor:"))
        self.once("cancel", heard, "zrušeno")
        heard = self.step("the window is still there: scan again", "alt+s", until="Vzor:")
        self.analysis_heard("scan after cancel", heard, "Neznámý oděv")

        # A picture given on the command line (as the file manager's "Open
        # with" does) is heard once the window is up, without a key.
        if self.reopen_with is not None:
            self.step("close the window", "alt+k")
            self.reopen_with(write_black_bmp(os.path.join(s.root, "cerna.bmp")))
            s.wait_for_phrase("Vzor:", 60)
            s.wait_quiet()
            heard = s.take()
            self.transcript.append(("a file opened from the command line", "", heard))
            self.expect("file on the command line", heard, "Nalezené barvy", "% černá", "Vzor: Bez vzoru",
                        "Neznámý oděv", absent=("chyba", "Chyba", "Skenuji"))
            self.once("file on the command line", heard, "Vzor: Bez vzoru")

            # The focus goes to "Skenuji…" and back within milliseconds.
            heard = self.step("Enter in the colour field, the scanner answers at once", "Return", until="Vzor:")
            self.analysis_heard("quick scan by Enter in the colour field", heard, "Neznámý oděv")
            heard = self.step("and again", "Return", until="Vzor:")
            self.analysis_heard("second quick scan", heard, "Neznámý oděv")

            # Files dropped one after another on the window, whose colour
            # field has the focus all along.
            if self.drop_tool is not None:
                picture = os.path.join(s.root, "cerna.bmp")
                for number in (1, 2):
                    title = "dropped file %d" % number
                    self.analysis_heard(title, self.drop(title, picture), "Neznámý oděv", scanned=False)


def write_black_bmp(path, side=600):
    """A plain black 24-bit BMP, larger than the analysed region."""
    row = side * 3
    size = 54 + row * side
    header = b"BM" + struct.pack("<IHHI", size, 0, 0, 54) + \
        struct.pack("<IiiHHIIiiII", 40, side, side, 1, 24, 0, row * side, 7874, 7874, 0, 0)
    with open(path, "wb") as out:
        out.write(header + bytes(row * side))
    return path


def sane_directory(root, name, device):
    sane = os.path.join(root, name)
    os.makedirs(sane)
    with open(os.path.join(sane, "dll.conf"), "w") as out:
        out.write("test\n")
    with open(os.path.join(sane, "test.conf"), "w") as out:
        out.write(device)
    return sane


def attempt(program, data, root, transcript, drop_tool):
    log = open(os.path.join(root, "processes.log"), "w")
    session = Session(root, log)
    try:
        session.start()
        session.take()
        work = os.path.join(root, "work")
        shutil.copytree(data, work)
        environment = {
            "SANE_CONFIG_DIR": sane_directory(root, "sane", SANE_TEST_DEVICE),
            # Leaks of the toolkit's accessibility bridge are not what is tested here.
            "ASAN_OPTIONS": "detect_leaks=0",
        }
        first = session.spawn("program", [program], cwd=work, extra_env=environment)
        session.wait_quiet(quiet=2.0, first=60)

        def reopen_with(picture):
            try:
                first.wait(timeout=30)
            except subprocess.TimeoutExpired:
                raise InfrastructureError("the window did not close")
            quick = dict(environment, SANE_CONFIG_DIR=sane_directory(root, "sane-quick", QUICK_SANE_TEST_DEVICE))
            session.spawn("program", [program, picture], cwd=work, extra_env=quick)

        scenario = Scenario(session, transcript, reopen_with, drop_tool)
        scenario.run()
        return scenario.failures
    finally:
        session.stop()
        log.close()


def write_transcript(transcript, path):
    lines = []
    for title, keys, heard in transcript:
        lines.append("## %s%s" % (title, " — " + keys if keys.strip() else ""))
        lines.extend("    " + line for line in heard)
    text = "\n".join(lines) + "\n"
    if path:
        with open(path, "w", encoding="utf-8") as out:
            out.write(text)
    return text


def main():
    if len(sys.argv) < 3:
        print(__doc__)
        return 1
    program, data = os.path.abspath(sys.argv[1]), os.path.abspath(sys.argv[2])
    output = sys.argv[3] if len(sys.argv) > 3 else None
    drop_tool = os.path.abspath(sys.argv[4]) if len(sys.argv) > 4 else None
    start = time.monotonic()
    for number in (1, 2):
        root = tempfile.mkdtemp(prefix="vestiscop-speech-")
        transcript = []
        try:
            failures = attempt(program, data, root, transcript, drop_tool)
        except InfrastructureError as problem:
            print("attempt %d: infrastructure failure: %s" % (number, problem))
            print(write_transcript(transcript, output))
            shutil.rmtree(root, ignore_errors=True)
            continue
        heard_anything = any(heard for title, keys, heard in transcript)
        print(write_transcript(transcript, output))
        if not heard_anything:
            print("attempt %d: Orca said nothing at all" % number)
            shutil.rmtree(root, ignore_errors=True)
            continue
        print("(%.0f s)" % (time.monotonic() - start))
        if failures:
            print("FAILED, logs kept in %s:" % root)
            for failure in failures:
                print("  " + failure)
            return 1
        shutil.rmtree(root, ignore_errors=True)
        print("passed")
        return 0
    print("FAILED: the screen reader session could not be run twice in a row")
    return 1


if __name__ == "__main__":
    sys.exit(main())
