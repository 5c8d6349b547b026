# SPDX-License-Identifier: GPL-3.0-or-later
"""A private desktop with a screen reader, for hearing Vestiscop as a blind
user does: an X server, a window manager, a session bus with the
accessibility bus behind it, a speech server whose synthesiser writes text
instead of sound, and Orca with its own preferences. Orca's log of what it
says (the lines "SPEECH OUTPUT: '...'") is the transcript.

Nothing here touches the machine's own desktop, user settings or locale:
every process gets a private HOME, XDG directories, display and bus, and the
Czech locale is built into the session's own folder when the system lacks it.
"""

import os
import re
import shutil
import signal
import subprocess
import sys
import time


class InfrastructureError(Exception):
    """The desktop or the screen reader did not come up: nothing about the
    program under test can be concluded."""


# The utterance is quoted; Orca appends the voice it used after it.
SPEECH = re.compile(r"SPEECH OUTPUT: '(.*)'(?: voice=\S+)? ?(?:\{.*|None)?$")

# Orca's own launcher script, run inside a small wrapper that sends its log,
# line by line, to the file named by the first argument: the launcher's
# --debug-file option buffers it, so the last words could sit unwritten
# while the test waits for them.
ORCA_WRAPPER = r"""
import runpy, sys
from orca import debug
log = sys.argv[1]
sys.argv = ["orca"] + sys.argv[2:]
debug.debugLevel = debug.LEVEL_INFO
debug.eventDebugLevel = debug.LEVEL_OFF
debug.debugFile = open(log, "w", buffering=1, encoding="utf-8")
runpy.run_path("/usr/bin/orca", run_name="__main__")
"""

SPEECHD_CONF = """LogLevel 3
LogDir "{logdir}"
AudioOutputMethod "libao"
DefaultModule capture
DefaultLanguage "cs"
AddModule "capture" "sd_generic" "capture.conf"
"""

# The synthesiser: each utterance is appended to a file, nothing is played,
# so no sound card is needed.
CAPTURE_CONF = """GenericExecuteSynth "printf '%s\\\\n' \\'$DATA\\' >> {spoken}"
AddVoice "cs" "MALE1" "cs"
GenericLanguage "cs" "cs" "utf-8"
"""


def tool(name):
    path = shutil.which(name)
    if path is None:
        raise InfrastructureError("%s is not installed (scripts/debian-packages.txt lists it)" % name)
    return path


class Session:
    def __init__(self, root, log):
        self.root = root
        self.log = log
        self.processes = []
        self.env = {}
        self.orca_log = os.path.join(root, "orca.log")
        self.spoken_file = os.path.join(root, "speechd-spoken.txt")
        self._consumed = 0

    # ----- start-up -------------------------------------------------------

    def start(self):
        for name in ("Xvfb", "dbus-daemon", "metacity", "orca", "speech-dispatcher", "xdotool", "localedef"):
            tool(name)
        for sub in ("home", "config", "data", "cache", "runtime", "orca-prefs", "speechd-log"):
            os.makedirs(os.path.join(self.root, sub), exist_ok=True)
        os.chmod(os.path.join(self.root, "runtime"), 0o700)
        env = {
            "PATH": os.environ.get("PATH", "/usr/bin:/bin"),
            "HOME": os.path.join(self.root, "home"),
            "XDG_CONFIG_HOME": os.path.join(self.root, "config"),
            "XDG_DATA_HOME": os.path.join(self.root, "data"),
            "XDG_CACHE_HOME": os.path.join(self.root, "cache"),
            "XDG_RUNTIME_DIR": os.path.join(self.root, "runtime"),
            "XDG_SESSION_TYPE": "x11",
            "GSETTINGS_BACKEND": "memory",
            "LANG": "cs_CZ.UTF-8",
            "LANGUAGE": "cs",
            "LC_ALL": "cs_CZ.UTF-8",
            "NO_AT_BRIDGE": "0",
            "QT_LINUX_ACCESSIBILITY_ALWAYS_ON": "1",
            "QT_ACCESSIBILITY": "1",
        }
        for kept in ("ASAN_OPTIONS", "UBSAN_OPTIONS", "LSAN_OPTIONS", "TMPDIR"):
            if kept in os.environ:
                env[kept] = os.environ[kept]
        self.env = env
        self._czech_locale()
        self._start_x()
        self._start_bus()
        self.spawn("window manager", ["metacity", "--compositor=none", "--sm-disable"])
        self._wait_for_window_manager()
        self._start_speech_server()
        self._start_orca()

    def _czech_locale(self):
        listed = subprocess.run(["locale", "-a"], capture_output=True, text=True).stdout.split()
        if any(name.lower().replace("-", "") == "cs_cz.utf8" for name in listed):
            return
        target = os.path.join(self.root, "locale")
        os.makedirs(target, exist_ok=True)
        result = subprocess.run(["localedef", "-i", "cs_CZ", "-f", "UTF-8", os.path.join(target, "cs_CZ.UTF-8")],
                                capture_output=True, text=True)
        # localedef warns about the locale's own definitions and still builds it.
        if not os.path.isdir(os.path.join(target, "cs_CZ.UTF-8")):
            raise InfrastructureError("the Czech locale could not be built: " + result.stderr.strip())
        self.env["LOCPATH"] = target

    def _start_x(self):
        read_end, write_end = os.pipe()
        process = subprocess.Popen(["Xvfb", "-displayfd", str(write_end), "-screen", "0", "1024x768x24",
                                    "-nolisten", "tcp", "-noreset"],
                                   pass_fds=(write_end,), stdout=self.log, stderr=self.log, env=self.env)
        os.close(write_end)
        self.processes.append(("X server", process))
        number = b""
        deadline = time.monotonic() + 30
        while not number.endswith(b"\n"):
            if time.monotonic() > deadline or process.poll() is not None:
                os.close(read_end)
                raise InfrastructureError("Xvfb did not start")
            chunk = os.read(read_end, 16)
            if not chunk:
                break
            number += chunk
        os.close(read_end)
        self.env["DISPLAY"] = ":" + number.decode().strip()

    def _start_bus(self):
        process = subprocess.Popen(["dbus-daemon", "--session", "--nofork", "--print-address=1"],
                                   stdout=subprocess.PIPE, stderr=self.log, env=self.env, text=True)
        self.processes.append(("session bus", process))
        address = process.stdout.readline().strip()
        if not address:
            raise InfrastructureError("the session bus did not start")
        self.env["DBUS_SESSION_BUS_ADDRESS"] = address

    def _wait_for_window_manager(self):
        deadline = time.monotonic() + 30
        while time.monotonic() < deadline:
            probe = subprocess.run(["xprop", "-root", "_NET_SUPPORTING_WM_CHECK"], capture_output=True, text=True,
                                   env=self.env) if shutil.which("xprop") else None
            if probe is None:
                time.sleep(2)
                return
            if "window id" in probe.stdout:
                return
            time.sleep(0.2)
        raise InfrastructureError("the window manager did not start")

    def _start_speech_server(self):
        conf = os.path.join(self.env["XDG_CONFIG_HOME"], "speech-dispatcher")
        os.makedirs(os.path.join(conf, "modules"), exist_ok=True)
        with open(os.path.join(conf, "speechd.conf"), "w") as out:
            out.write(SPEECHD_CONF.format(logdir=os.path.join(self.root, "speechd-log")))
        with open(os.path.join(conf, "modules", "capture.conf"), "w") as out:
            out.write(CAPTURE_CONF.format(spoken=self.spoken_file))
        # libao, should anything open it, plays into nothing.
        with open(os.path.join(self.env["HOME"], ".libao"), "w") as out:
            out.write("default_driver=null\n")
        socket = os.path.join(self.env["XDG_RUNTIME_DIR"], "speech-dispatcher", "speechd.sock")
        self.spawn("speech server", ["speech-dispatcher", "--run-single", "--timeout", "0", "--config-dir", conf,
                                     "--log-dir", os.path.join(self.root, "speechd-log"),
                                     "--communication-method", "unix_socket", "--socket-path", socket])
        deadline = time.monotonic() + 30
        while not os.path.exists(socket):
            if time.monotonic() > deadline:
                raise InfrastructureError("the speech server did not start")
            time.sleep(0.1)

    def _start_orca(self):
        self.spawn("screen reader", self.orca_interpreter() + ["-c", ORCA_WRAPPER, self.orca_log,
                                     "-u", os.path.join(self.root, "orca-prefs")])
        # Orca is ready once it has spoken its welcome.
        self.wait_for_speech(lambda lines: len(lines) > 0, 60, "Orca did not start speaking")
        self.wait_quiet()

    @staticmethod
    def orca_interpreter():
        """Orca's own interpreter, the one its launcher names (it has the
        accessibility and toolkit bindings)."""
        with open(tool("orca"), encoding="utf-8") as launcher:
            return launcher.readline()[2:].strip().split()

    def spawn(self, what, argv, cwd=None, extra_env=None):
        env = dict(self.env)
        if extra_env:
            env.update(extra_env)
        process = subprocess.Popen(argv, cwd=cwd, env=env, stdout=self.log, stderr=self.log,
                                   start_new_session=True)
        self.processes.append((what, process))
        return process

    # ----- speech ---------------------------------------------------------

    def all_speech(self):
        try:
            with open(self.orca_log, encoding="utf-8", errors="replace") as log:
                return [match.group(1).strip() for match in map(SPEECH.search, log) if match]
        except FileNotFoundError:
            return []

    def log_size(self):
        try:
            return os.path.getsize(self.orca_log)
        except FileNotFoundError:
            return 0

    def wait_for_speech(self, condition, timeout, problem):
        deadline = time.monotonic() + timeout
        while time.monotonic() < deadline:
            self.check_alive()
            if condition(self.all_speech()[self._consumed:]):
                return
            time.sleep(0.1)
        raise InfrastructureError(problem)

    def wait_for_phrase(self, phrase, timeout):
        """Waits until Orca has said something holding phrase; returns
        quietly after timeout (the transcript then shows what is missing)."""
        deadline = time.monotonic() + timeout
        while time.monotonic() < deadline:
            self.check_alive()
            if any(phrase in line for line in self.all_speech()[self._consumed:]):
                return
            time.sleep(0.1)

    def wait_quiet(self, quiet=1.2, first=10.0, longest=45.0):
        """Waits until Orca has said something new (at most `first` seconds)
        and then neither spoken nor logged anything for `quiet` seconds."""
        start = time.monotonic()
        count = len(self.all_speech())
        size = self.log_size()
        last_change = start
        spoke = count > self._consumed
        while True:
            time.sleep(0.1)
            self.check_alive()
            now = time.monotonic()
            new_count = len(self.all_speech())
            new_size = self.log_size()
            if new_count != count or new_size != size:
                spoke = spoke or new_count > count
                count, size, last_change = new_count, new_size, now
            if now - last_change >= quiet and (spoke or now - start >= first):
                return
            if now - start >= longest:
                return

    def take(self):
        """What Orca said since the last call."""
        lines = self.all_speech()
        new = lines[self._consumed:]
        self._consumed = len(lines)
        return new

    # ----- input ----------------------------------------------------------

    def keys(self, *names):
        for name in names:
            subprocess.run(["xdotool", "key", "--delay", "80", name], env=self.env, check=True,
                           stdout=self.log, stderr=self.log)
            time.sleep(0.15)

    def type_text(self, text):
        subprocess.run(["xdotool", "type", "--delay", "60", text], env=self.env, check=True,
                       stdout=self.log, stderr=self.log)

    def check_alive(self):
        for what, process in self.processes:
            if what in ("X server", "session bus", "screen reader") and process.poll() is not None:
                raise InfrastructureError("the %s ended unexpectedly (status %s)" % (what, process.returncode))

    # ----- shutdown -------------------------------------------------------

    def stop(self):
        for what, process in reversed(self.processes):
            if process.poll() is None:
                try:
                    os.killpg(process.pid, signal.SIGTERM) if what not in ("X server", "session bus") \
                        else process.terminate()
                except (ProcessLookupError, PermissionError):
                    pass
        for what, process in reversed(self.processes):
            try:
                process.wait(timeout=10)
            except subprocess.TimeoutExpired:
                try:
                    os.killpg(process.pid, signal.SIGKILL) if what not in ("X server", "session bus") \
                        else process.kill()
                except (ProcessLookupError, PermissionError):
                    pass
                process.wait()
        self.processes = []
