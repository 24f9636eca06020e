"""End-to-end test harness: the real program under a private X server.

A Session starts its own Xvfb on a free display (Xvfb picks the number itself, so parallel
ctest runs never clash), optionally openbox where focus or stacking matters, and stops
everything it started when it ends, in reverse order. Waiting is always polling against a
deadline, never a fixed sleep.

Typical use:

    with harness.Session(window_manager=True) as s:
        folder = s.program_folder()          # rollcall copied in, empty date/ beside it
        app = s.start(folder / "rollcall", cwd=folder)
        window = s.wait_for_window("C键 随机点名")
        s.key("c")
        s.screenshot("after-c")

Paths come from the environment that CMake sets for each test: ROLLCALL_BUILD_DIR (the build
folder with rollcall and edbtool), ROLLCALL_E2E_BIN (the helper programs of tests/e2e),
ROLLCALL_E2E_ARTIFACTS (where screenshots go).
"""

import ctypes
import json
import os
import pathlib
import queue
import re
import resource
import shutil
import signal
import subprocess
import tempfile
import threading
import time
import unittest
import uuid

BUILD_DIR = pathlib.Path(os.environ.get("ROLLCALL_BUILD_DIR", "build")).resolve()
ARTIFACTS = pathlib.Path(os.environ.get("ROLLCALL_E2E_ARTIFACTS", BUILD_DIR / "e2e-artifacts"))
# The helper programs built for the end-to-end tests (hotkey_probe, grab_key).
HELPERS = pathlib.Path(os.environ.get("ROLLCALL_E2E_BIN", BUILD_DIR / "tests" / "e2e"))
DEFAULT_TIMEOUT = 20.0
# The fields of a class roster file, as edbtool create takes them.
ROSTER_FIELDS = ("班级:Text:20", "姓名:Text:20", "回答次数:Int", "错误次数:Int")
POLL_INTERVAL = 0.02
# The titles of the start-up notice and of the main window (which begins with the class).
NOTICE_TITLE = "^信息：$"
MAIN_TITLE = "按C键 随机点名$"
# The desktop that start_portal makes up, and its portal back end's bus name.
PORTAL_DESKTOP = "rollcalltest"
PORTAL_BACKEND_NAME = "org.freedesktop.impl.portal.desktop.rollcalltest"


# Looked up here, once: between fork and exec only an already resolved function may be
# called. Loading a library there can hang for good when another thread of the harness (a
# reader of a program's output) held the loader's lock at the moment of the fork.
_prctl = ctypes.CDLL(None, use_errno=True).prctl
_PR_SET_PDEATHSIG = 1


def _end_with_parent():
    """In a child before exec: the child gets SIGTERM when the test process dies, so that
    nothing outlives a test that was killed."""
    _prctl(_PR_SET_PDEATHSIG, signal.SIGTERM)


class HarnessError(AssertionError):
    """Raised when something the test waits for does not happen before its deadline."""


def wait_until(predicate, timeout=DEFAULT_TIMEOUT, what="condition"):
    """Polls predicate() until it returns something truthy; returns that. Fails at the deadline."""
    deadline = time.monotonic() + timeout
    while True:
        result = predicate()
        if result:
            return result
        if time.monotonic() >= deadline:
            raise HarnessError(f"timed out after {timeout:.1f} s waiting for {what}")
        time.sleep(POLL_INTERVAL)


def require_tools(*names):
    """Skips the calling test when one of the programs is not installed."""
    missing = [n for n in names if shutil.which(n) is None]
    if missing:
        raise unittest.SkipTest("not installed: " + ", ".join(missing))


class Process:
    """A started program whose stdout is collected line by line in the background."""

    def __init__(self, argv, env, cwd=None, stdin=False, file_size_limit=None):
        """file_size_limit: the largest file the program may write, in bytes, as on a disk
        that is nearly full: a write past it fails (EFBIG) instead of ending the program."""
        self.argv = [str(a) for a in argv]

        def before_exec():
            _end_with_parent()
            if file_size_limit is not None:
                signal.signal(signal.SIGXFSZ, signal.SIG_IGN)  # kept across exec
                resource.setrlimit(resource.RLIMIT_FSIZE, (file_size_limit, file_size_limit))
        self.popen = subprocess.Popen(
            self.argv, env=env, cwd=cwd,
            stdin=subprocess.PIPE if stdin else subprocess.DEVNULL,
            stdout=subprocess.PIPE, stderr=subprocess.PIPE,
            text=True, encoding="utf-8", errors="replace", bufsize=1,
            start_new_session=True, preexec_fn=before_exec)
        self.lines = []
        self.stderr_lines = []
        self._new_lines = queue.Queue()
        self._readers = [
            threading.Thread(target=self._read, args=(self.popen.stdout, self.lines, True),
                             daemon=True),
            threading.Thread(target=self._read, args=(self.popen.stderr, self.stderr_lines, False),
                             daemon=True),
        ]
        for r in self._readers:
            r.start()
        self._consumed = 0

    def _read(self, stream, into, notify):
        for line in stream:
            into.append(line.rstrip("\n"))
            if notify:
                self._new_lines.put(None)

    def send(self, line):
        """Writes one line to the program's stdin."""
        self.popen.stdin.write(line + "\n")
        self.popen.stdin.flush()

    def expect_line(self, predicate, timeout=DEFAULT_TIMEOUT, what=None):
        """Waits for the next stdout line (after those already consumed) that satisfies
        predicate(line) and returns it; lines before it are consumed too."""
        if isinstance(predicate, str):
            prefix = predicate
            predicate = lambda line: line.startswith(prefix)
            what = what or f"a line starting with {prefix!r}"
        deadline = time.monotonic() + timeout
        while True:
            # Taken before the lines are looked at: a program that wrote its last line and
            # ended at once is only finished with once its reader has taken everything.
            finished = self.popen.poll() is not None and not self._readers[0].is_alive()
            while self._consumed < len(self.lines):
                line = self.lines[self._consumed]
                self._consumed += 1
                if predicate(line):
                    return line
            left = deadline - time.monotonic()
            if left <= 0 or finished:
                raise HarnessError(
                    f"{self.argv[0]}: no {what or 'matching line'} within {timeout:.1f} s; "
                    f"stdout so far: {self.lines!r}; stderr: {self.stderr_lines[-10:]!r}")
            try:
                self._new_lines.get(timeout=min(left, 0.2))
            except queue.Empty:
                pass

    def unread_lines(self):
        """The stdout lines not consumed by expect_line yet (consumes them)."""
        rest = self.lines[self._consumed:]
        self._consumed = len(self.lines)
        return rest

    def sanitizer_report(self):
        """Whether AddressSanitizer or UndefinedBehaviorSanitizer reported on stderr."""
        return any("ERROR: AddressSanitizer" in line or "ERROR: LeakSanitizer" in line
                   or "runtime error:" in line for line in self.stderr_lines)

    def running(self):
        return self.popen.poll() is None

    def wait_exit(self, timeout=DEFAULT_TIMEOUT):
        """Waits for the program to end on its own; returns its exit code."""
        return wait_until(lambda: self.popen.poll() is not None or None, timeout,
                          f"{self.argv[0]} to exit") and self.popen.returncode

    def _signal_group(self, number):
        try:
            os.killpg(self.popen.pid, number)
        except (ProcessLookupError, PermissionError):
            pass  # the whole group has ended already

    def stop(self):
        """Ends the program and everything it started (its process group), also when the
        program itself has ended and left something running."""
        self._signal_group(signal.SIGTERM)
        try:
            self.popen.wait(timeout=5)
        except subprocess.TimeoutExpired:
            self._signal_group(signal.SIGKILL)
            self.popen.wait()
        # What the program started and that ignored SIGTERM goes now.
        self._signal_group(signal.SIGKILL)
        # Let the readers take the last lines (a sanitizer report comes at the very end).
        for reader in self._readers:
            reader.join(timeout=5)
        for stream in (self.popen.stdin, self.popen.stdout, self.popen.stderr):
            if stream:
                try:
                    stream.close()
                except OSError:
                    pass


class WindowEvents:
    """The showings of top-level windows, as the X server reports them to a listener of its
    own (window_events) the moment a window is mapped or unmapped, on the clock of
    time.monotonic(). Polling with xdotool sees a window late, by as long as the programs the
    test ran meanwhile took; these moments are the program's own."""

    def __init__(self, process):
        self._process = process
        process.expect_line("ready", what="the window listener to be ready")

    def showings(self, title):
        """(shown, hidden) of each time a window whose title matches the regular expression
        was shown, in order; hidden is None while it is still up."""
        pattern = re.compile(title)
        mapped, spans = set(), []
        for line in list(self._process.lines):
            at, kind, window, name = (line.split(" ", 3) + ["", "", ""])[:4]
            if kind not in ("map", "unmap") or not pattern.search(name):
                continue
            was_shown = bool(mapped)
            (mapped.add if kind == "map" else mapped.discard)(window)
            if mapped and not was_shown:
                spans.append([float(at), None])
            elif was_shown and not mapped:
                spans[-1][1] = float(at)
        return [tuple(span) for span in spans]

    def showing(self, title, after=0.0, timeout=DEFAULT_TIMEOUT):
        """Waits until the first showing of a window titled `title` that began at or after
        the moment `after` has ended; returns its (shown, hidden)."""
        return wait_until(
            lambda: next((span for span in self.showings(title)
                          if span[0] >= after and span[1] is not None), None),
            timeout, f"a showing of a window titled {title!r} to end")


class Session:
    """A private X display with the programs of one test. Use as a context manager."""

    def __init__(self, window_manager=False, screen="1024x768x24", name=None, audio="dummy",
                 wayland=False, monitors=()):
        """audio: SDL's audio driver for the programs. "dummy" (the default) plays into
        nothing, so no test depends on a sound device or a sound server; "disk" writes what
        the programs play to audio_file (44100 Hz, signed 16-bit, mono, in real time).
        wayland: a Wayland session instead: weston on its headless back end, with Xwayland as
        the X server and weston's own X window manager (window_manager is then implied).
        Programs get WAYLAND_DISPLAY and DISPLAY and choose their platform themselves.
        monitors: (width, height, x, y) of each monitor that the one X screen is split into,
        as an extended desktop is (a laptop beside a projector); the first is the primary
        one. Xvfb's own multi-screen mode stacks its screens at one place, so it cannot stand
        in for two monitors."""
        self.wayland = wayland
        self.window_manager = window_manager
        self.screen = screen
        self.monitors = list(monitors)
        self.name = name or "session"
        self.audio = audio
        self.audio_file = None
        self.display = None
        self.env = None
        self._processes = []
        self._xvfb = None
        self._temp = None
        self._window_events = None

    # -- lifetime ---------------------------------------------------------------------------

    def __enter__(self):
        require_tools("weston" if self.wayland else "Xvfb", "xdotool")
        self._temp = pathlib.Path(tempfile.mkdtemp(prefix="rollcall-e2e-"))
        try:
            if self.wayland:
                self._start_weston()
            else:
                self._start_xvfb()
                self._split_into_monitors()
            if self.window_manager and not self.wayland:
                self._start_window_manager()
        except BaseException:
            self.__exit__(None, None, None)
            raise
        return self

    def __exit__(self, exc_type, exc, tb):
        # Every step runs even when one before it fails, so that nothing is left behind.
        failures = []
        for p in reversed(self._processes):
            try:
                p.stop()
            except Exception as error:  # pylint: disable=broad-except
                failures.append(f"stopping {p.argv[0]}: {error!r}")
        reports = [f"{p.argv[0]}:\n" + "\n".join(p.stderr_lines[-40:])
                   for p in self._processes if p.sanitizer_report()]
        self._processes.clear()
        try:
            if self._xvfb and self._xvfb.poll() is None:
                self._xvfb.terminate()
                try:
                    self._xvfb.wait(timeout=5)
                except subprocess.TimeoutExpired:
                    self._xvfb.kill()
                    self._xvfb.wait()
        except Exception as error:  # pylint: disable=broad-except
            failures.append(f"stopping Xvfb: {error!r}")
        if self._temp:
            shutil.rmtree(self._temp, ignore_errors=True)
        if exc_type is None:
            # A sanitizer report fails the test even when the program went on or was stopped.
            if reports:
                raise HarnessError("sanitizer report:\n" + "\n".join(reports))
            if failures:
                raise HarnessError("cleaning up: " + "; ".join(failures))
        return False

    def _start_xvfb(self):
        read_end, write_end = os.pipe()
        # -noreset: by default the server resets whenever its last client leaves, and a
        # client that connects during the reset is refused; the program and xdotool connect
        # and leave all the time.
        self._xvfb = subprocess.Popen(
            ["Xvfb", "-displayfd", str(write_end), "-nolisten", "tcp", "-noreset", "-screen",
             "0", self.screen], pass_fds=(write_end,), stdout=subprocess.DEVNULL,
            stderr=subprocess.DEVNULL, start_new_session=True, preexec_fn=_end_with_parent)
        os.close(write_end)
        # Xvfb writes the display number when it accepts clients.
        number = b""
        deadline = time.monotonic() + DEFAULT_TIMEOUT
        os.set_blocking(read_end, False)
        while not number.endswith(b"\n"):
            if time.monotonic() >= deadline or self._xvfb.poll() is not None:
                os.close(read_end)
                raise HarnessError("Xvfb did not start")
            try:
                chunk = os.read(read_end, 16)
                if not chunk:
                    time.sleep(POLL_INTERVAL)
                number += chunk
            except BlockingIOError:
                time.sleep(POLL_INTERVAL)
        os.close(read_end)
        self._set_environment(":" + number.decode().strip())
        self.env["QT_QPA_PLATFORM"] = "xcb"

    def _start_weston(self):
        require_tools("Xwayland")
        os.chmod(self._temp, 0o700)  # Wayland clients refuse a runtime folder others can read
        socket = "wayland-rollcall"
        env = dict(os.environ, XDG_RUNTIME_DIR=str(self._temp))
        env.pop("DISPLAY", None)
        weston = Process(["weston", "--backend=headless-backend.so", "--xwayland",
                          f"--socket={socket}", "--idle-time=0", "--width=1024",
                          "--height=768", "--no-config"], env)
        self._processes.append(weston)
        # weston names the X display it listens on (on stderr, its log); Xwayland itself
        # starts with the first X client.
        line = wait_until(lambda: next((l for l in weston.stderr_lines
                                        if "xserver listening on display" in l), None)
                          or (not weston.running() and "ended"),
                          what="weston's Xwayland display")
        if line == "ended":
            raise HarnessError(f"weston ended: {weston.stderr_lines[-20:]!r}")
        self._set_environment(line.rsplit(" ", 1)[1])
        self.env["WAYLAND_DISPLAY"] = socket
        self.env["XDG_SESSION_TYPE"] = "wayland"
        self.env.pop("QT_QPA_PLATFORM", None)
        # Until weston's window manager runs, a window is mapped without a frame.
        self._run([HELPERS / "wait_for_window_manager"])

    def _set_environment(self, display):
        self.display = display
        self.env = dict(os.environ)
        self.env.update({"DISPLAY": self.display, "XDG_RUNTIME_DIR": str(self._temp)})
        # An X11 session: nothing of the desktop the tests were started from.
        for variable in ("WAYLAND_DISPLAY", "XAUTHORITY", "XDG_SESSION_TYPE",
                         "QT_QPA_PLATFORM"):
            self.env.pop(variable, None)
        self.env["SDL_AUDIODRIVER"] = self.audio
        if self.audio == "disk":
            self.audio_file = self._temp / "audio.raw"
            self.env["SDL_DISKAUDIOFILE"] = str(self.audio_file)
        # libxkbcommon-x11 (under Qt's xcb platform) copies unterminated names with strndup,
        # which AddressSanitizer's strict string checks misreport as an overflow.
        if "ASAN_OPTIONS" in self.env:
            self.env["ASAN_OPTIONS"] += ":strict_string_checks=0"

    def _split_into_monitors(self):
        if not self.monitors:
            return
        require_tools("xrandr")
        for number, (width, height, x, y) in enumerate(self.monitors):
            # The first monitor takes over the screen's only output, which makes it primary.
            self._run(["xrandr", "--setmonitor", f"monitor-{number}",
                       f"{width}/{width // 4}x{height}/{height // 4}+{x}+{y}",
                       "screen" if number == 0 else "none"])
        wait_until(lambda: f"Monitors: {len(self.monitors)}" in self._run(
            ["xrandr", "--listmonitors"]), what="the monitors to be set")

    def _start_window_manager(self):
        require_tools("openbox")
        self.start(["openbox", "--sm-disable"])
        # Announcing itself on the root window is not enough: a map request made while the
        # manager is still starting can be lost. Wait until it really manages a window.
        self._run([HELPERS / "wait_for_window_manager"])

    # -- programs ---------------------------------------------------------------------------

    def start(self, argv, cwd=None, stdin=False, file_size_limit=None):
        """Starts a program on this display; it is stopped when the session ends."""
        process = Process(argv, self.env, cwd=cwd, stdin=stdin, file_size_limit=file_size_limit)
        self._processes.append(process)
        return process

    def _run(self, argv, check=True):
        result = subprocess.run([str(a) for a in argv], env=self.env, capture_output=True,
                                text=True, encoding="utf-8", errors="replace", timeout=60)
        if check and result.returncode != 0:
            raise HarnessError(f"{argv[0]} failed ({result.returncode}): {result.stderr}")
        return result.stdout

    def program_folder(self, program=None, class_files=(), files=(), under=None):
        """A fresh program folder: a copy of the program (its folder is where the program file
        lies, so a link would point back into the build), a date/ folder holding copies of
        class_files (paths of .edb files), and copies of files beside the program (such as
        date1.edb, date2.edb or VoxSound.dat). With under, a relative path whose names may be
        bytes in any encoding, the folder is made inside those folders. The folder is removed
        with the session."""
        program = pathlib.Path(program or BUILD_DIR / "rollcall")
        parent = self._temp / os.fsdecode(under) if under else self._temp
        parent.mkdir(parents=True, exist_ok=True)
        folder = pathlib.Path(tempfile.mkdtemp(prefix="program-", dir=parent))
        shutil.copy2(program, folder / program.name)
        (folder / "date").mkdir()
        for path in class_files:
            shutil.copy2(path, folder / "date" / pathlib.Path(path).name)
        for path in files:
            shutil.copy2(path, folder / pathlib.Path(path).name)
        return folder

    def start_rollcall(self, folder, file_size_limit=None):
        """Starts the program in a program folder and takes it through start-up: the notice
        comes up first and is dismissed with Return, as a teacher does. Returns the process
        and the main window's id once the main window is visible. Needs the window manager,
        which gives the notice the focus."""
        program = self.start([pathlib.Path(folder) / "rollcall"], cwd=folder,
                             file_size_limit=file_size_limit)
        notice = self.wait_for_window(NOTICE_TITLE, process=program)
        self.activate(notice)
        self.key("Return")
        window = self.wait_for_window(MAIN_TITLE, process=program)
        return program, window

    def start_portal(self, triggers=None, refuse=False):
        """The desktop portal of a desktop that binds global shortcuts: Debian's real portal
        front end (xdg-desktop-portal) on a private session bus, with portal_backend.py as the
        desktop's back end, which binds each shortcut to its trigger in `triggers` (id ->
        the desktop's name of the key) or else to its preferred one, or with `refuse` binds
        none. Programs started afterwards use that bus. Returns the back end's process:
        send("activate roll") presses the shortcut "roll"."""
        front_end = pathlib.Path("/usr/libexec/xdg-desktop-portal")
        python = next((p for p in ("/usr/bin/python3", shutil.which("python3"))
                       if p and subprocess.run([p, "-c", "import dbus, gi"],
                                               capture_output=True, check=False).returncode == 0),
                      None)
        if not front_end.exists() or python is None or not shutil.which("dbus-daemon"):
            raise unittest.SkipTest("needs xdg-desktop-portal, dbus-daemon and python3-dbus")
        # The front end takes the back end whose UseIn names the current desktop; anything it
        # starts through the bus inherits the bus's environment, so that is set first.
        portals = self._temp / "portals"
        portals.mkdir(exist_ok=True)
        (portals / f"{PORTAL_DESKTOP}.portal").write_text(
            f"[portal]\nDBusName={PORTAL_BACKEND_NAME}\n"
            "Interfaces=org.freedesktop.impl.portal.GlobalShortcuts;\n"
            f"UseIn={PORTAL_DESKTOP}\n")
        self.env.update({"XDG_DESKTOP_PORTAL_DIR": str(portals),
                         "XDG_CURRENT_DESKTOP": PORTAL_DESKTOP})
        bus = self.start(["dbus-daemon", "--session", "--nofork", "--print-address=1"])
        self.env["DBUS_SESSION_BUS_ADDRESS"] = bus.expect_line("unix:")
        backend_argv = [python, pathlib.Path(__file__).with_name("portal_backend.py"),
                        "--name", PORTAL_BACKEND_NAME]
        for shortcut, trigger in (triggers or {}).items():
            backend_argv += ["--trigger", f"{shortcut}={trigger}"]
        if refuse:
            backend_argv.append("--refuse")
        backend = self.start(backend_argv, stdin=True)
        backend.expect_line("ready")
        self.start([front_end, "--replace"])
        wait_until(lambda: "true" in self._run(
            ["dbus-send", "--session", "--print-reply", "--dest=org.freedesktop.DBus",
             "/org/freedesktop/DBus", "org.freedesktop.DBus.NameHasOwner",
             "string:org.freedesktop.portal.Desktop"], check=False),
            what="the portal front end on the bus")
        return backend

    def window_events(self):
        """The showings of windows on this display from now on (WindowEvents). Start it
        before the program whose windows are to be timed."""
        if self._window_events is None:
            self._window_events = WindowEvents(self.start([HELPERS / "window_events"]))
        return self._window_events

    def with_window_shown(self, title, step, done, what, show=None, attempts=5):
        """Does step(window) on the visible window titled `title` and waits until done()
        holds; returns what it returned. The main window hides by itself a few seconds after
        start and after C, so a step may come too late: when the window is gone before done()
        holds, show() (by default C) shows it again and the step is done again. A test thus
        never depends on how long the window stays up. C also rolls: a test that minds passes
        a show() that waits for the roll to end."""
        hidden = object()
        for _ in range(attempts):
            window = (self.find_windows(title) or [None])[0]
            if window is None:
                (show or (lambda: self.key("c")))()
                window = self.wait_for_window(title)
            step(window)
            result = wait_until(lambda: done() or (not self.find_windows(title) and hidden),
                                what=what)
            if result is not hidden:
                return result
        raise HarnessError(f"the window titled {title!r} hid {attempts} times before {what}")

    def wait_for_file(self, path, predicate=None, timeout=DEFAULT_TIMEOUT):
        """Waits until the file exists (and predicate(path) holds, when given)."""
        path = pathlib.Path(path)
        wait_until(lambda: path.exists() and (predicate is None or predicate(path)), timeout,
                   f"{path}")

    # -- class files through edbtool --------------------------------------------------------

    def edbtool(self, *args):
        """Runs build/edbtool with the arguments and returns its stdout: the way tests create
        class files and read them back. Skips the test when edbtool has not been built."""
        tool = BUILD_DIR / "edbtool"
        if not tool.exists():
            raise unittest.SkipTest("edbtool is not built")
        return self._run([tool, *args])

    def make_class(self, folder, name, students):
        """Creates the class file folder/date/<name>.edb with the roster fields and one record
        per student; a student is a name or (name, answers, wrong answers). Returns its path."""
        path = pathlib.Path(folder) / "date" / f"{name}.edb"
        self.edbtool("create", path, *ROSTER_FIELDS)
        for student in students:
            student_name, answers, wrong = (
                (student, 0, 0) if isinstance(student, str) else student)
            self.edbtool("add", path, name, student_name, str(answers), str(wrong))
        return path

    def read_class(self, path):
        """The records of a class file as (class, name, answers, wrong answers) tuples, in
        file order."""
        # Read from a copy: edbtool takes the file's record locks, and a running program
        # meeting one of them fails its read or write, as it does with any other program. A
        # copy caught in the middle of the program's write is taken again.
        copy = self._temp / f"read-{uuid.uuid4().hex}{pathlib.Path(path).suffix}"

        def read():
            try:
                shutil.copyfile(path, copy)
                return json.loads(self.edbtool("dump", copy))
            except HarnessError:
                return None
            finally:
                copy.unlink(missing_ok=True)
        dump = wait_until(read, what=f"a whole read of {path}")
        return [tuple(record["values"]) for record in dump["records"]]

    # -- keys and windows -------------------------------------------------------------------

    def xdotool(self, *args):
        return self._run(["xdotool", *args])

    def key(self, *keys):
        """Presses and releases each key (xdotool names: "c", "Num_Lock", "ctrl+v") through
        the XTEST extension, as a keyboard would: the focused program or a grab gets it."""
        self.xdotool("key", *keys)

    def type_text(self, text):
        self.xdotool("type", text)

    def clipboard(self):
        """The text on the clipboard, or None when no program holds one."""
        result = subprocess.run(["xclip", "-o", "-selection", "clipboard"], env=self.env,
                                capture_output=True, timeout=10, check=False)
        return result.stdout.decode("utf-8", "replace") if result.returncode == 0 else None

    def set_clipboard(self, text):
        """Puts text on the clipboard as another program does (xclip holds it until a program
        takes the clipboard over) and waits until it is there."""
        require_tools("xclip")
        clip = self.start(["xclip", "-quiet", "-selection", "clipboard", "-in", "/dev/stdin"],
                          stdin=True)
        clip.popen.stdin.write(text)
        clip.popen.stdin.close()
        wait_until(lambda: self.clipboard() == text, what="the clipboard to hold the text")

    def copy_text(self):
        """Presses Ctrl+C in the focused window and returns the text it put on the
        clipboard (which may be empty)."""
        marker = f"nothing copied {uuid.uuid4()}"
        self.set_clipboard(marker)
        self.key("ctrl+c")
        return wait_until(lambda: (lambda text: [text] if text not in (None, marker) else None)(
            self.clipboard()), what="Ctrl+C to copy something")[0]

    def find_windows(self, title):
        """Ids of the visible windows whose title matches the regular expression."""
        out = self._run(["xdotool", "search", "--onlyvisible", "--name", title], check=False)
        return [int(line) for line in out.split()]

    def program_windows(self, program):
        """Ids of the visible windows of a started program, menus included."""
        out = self._run(["xdotool", "search", "--onlyvisible", "--pid", str(program.popen.pid)],
                        check=False)
        return {int(w) for w in out.split()}

    def wait_for_window(self, title, timeout=DEFAULT_TIMEOUT, process=None):
        """Waits until a visible window with this title exists; returns its id. With a
        process, fails at once when that process ends first."""
        def found():
            if process is not None and not process.running():
                raise HarnessError(
                    f"{process.argv[0]} ended with {process.popen.returncode} before a window "
                    f"titled {title!r} appeared; stderr: {process.stderr_lines[-20:]!r}")
            return (self.find_windows(title) or [None])[0]
        try:
            return wait_until(found, timeout, f"a window titled {title!r}")
        except HarnessError as error:
            tree = self._run(["xwininfo", "-root", "-tree"], check=False)
            raise HarnessError(f"{error}; windows on the screen:\n{tree}") from None

    def message_text(self, program, answer="Return", title=NOTICE_TITLE):
        """Waits for a message box of the program, returns its text and closes it with the
        key `answer` (Return takes the default button, "alt+y" answers Yes). The text is read
        the way a user can take it: Ctrl+C copies a box's title, a blank line and its text."""
        box = self.wait_for_window(title, process=program)
        self.activate(box)
        text = self.copy_text().partition("\n\n")[2]
        self.key(answer)
        wait_until(lambda: box not in self.find_windows(title), what="the box to close")
        return text

    def wait_for_no_window(self, title, timeout=DEFAULT_TIMEOUT):
        wait_until(lambda: not self.find_windows(title), timeout,
                   f"no window titled {title!r}")

    def activate(self, window):
        """Gives a window the focus through the window manager and waits until it has it."""
        self.xdotool("windowactivate", "--sync", str(window))
        wait_until(lambda: self._run(["xdotool", "getactivewindow"], check=False).strip()
                   == str(window), what=f"window {window} to be active")

    def client_origin(self, window):
        """Where the window's client area is on the screen. xdotool's position counts the
        frame's offset twice under a reparenting window manager; xwininfo's does not."""
        values = dict(line.strip().split(":  ", 1)
                      for line in self._run(["xwininfo", "-id", str(window)]).splitlines()
                      if line.strip().startswith("Absolute upper-left"))
        return int(values["Absolute upper-left X"]), int(values["Absolute upper-left Y"])

    def window_geometry(self, window):
        """(x, y, width, height) of a window."""
        values = {}
        for line in self._run(["xdotool", "getwindowgeometry", "--shell", str(window)]).split():
            key, _, value = line.partition("=")
            values[key] = int(value) if value.lstrip("-").isdigit() else value
        return values["X"], values["Y"], values["WIDTH"], values["HEIGHT"]

    def screenshot(self, name, window=None):
        """Saves a PNG of the screen (or of one window) under the artifacts folder; returns
        its path."""
        require_tools("import")
        ARTIFACTS.mkdir(parents=True, exist_ok=True)
        path = ARTIFACTS / f"{self.name}-{name}.png"
        self._run(["import", "-window", str(window) if window else "root", path])
        return path

    def image_size(self, path):
        """(width, height) of an image file."""
        out = self._run(["identify", "-format", "%w %h", path])
        width, height = out.split()
        return int(width), int(height)

    def distinct_colours(self, path):
        """How many colours an image holds: a blank capture has one."""
        return int(self._run(["identify", "-format", "%k", path]))
