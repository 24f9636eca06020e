#!/usr/bin/env python3
"""Makes the README's pictures in docs/ from the real program on a private X server with a
window manager: the main window with its key help, the main window widened after a pick,
its right-click menu, the statistics window with the menu of its list, and the class window
with its paste help; and, on a 3840x2160 panel at the sizes 100 % and 200 %, the notice, the
widened main window and the statistics.

    python3 tools/screenshots.py [BUILD_DIR]      (default build/; rollcall and edbtool built)

Needs Xvfb, openbox, xdotool and ImageMagick (tools/setup-debian.sh installs them)."""

import os
import pathlib
import subprocess
import sys

ROOT = pathlib.Path(__file__).resolve().parent.parent
BUILD = pathlib.Path(sys.argv[1] if len(sys.argv) > 1 else ROOT / "build").resolve()
os.environ.setdefault("ROLLCALL_BUILD_DIR", str(BUILD))
os.environ.setdefault("ROLLCALL_E2E_BIN", str(BUILD / "tests" / "e2e"))
os.environ.setdefault("ROLLCALL_E2E_ARTIFACTS", str(ROOT / "docs"))
sys.path.insert(0, str(ROOT / "tests" / "e2e"))

import harness  # noqa: E402  (found through the path set just above)

DOCS = ROOT / "docs"
CLASS = "九（1）班"
# (name, answers, wrong answers): a class some weeks into the term.
STUDENTS = [("张伟", 3, 1), ("王芳", 2, 0), ("李娜", 4, 2), ("刘洋", 1, 0), ("陈静", 2, 1),
            ("杨磊", 0, 0), ("赵敏", 3, 0), ("黄勇", 1, 1), ("周婷", 2, 0), ("吴杰", 1, 0)]
# Client-area points of the main window's controls (the window definition's pixels).
ARROW = (154, 66)
STATISTICS = (194, 14)
MANAGE = (194, 38)
BALLOON_YELLOW = "srgb(255,255,225)"


def click(s, window, point):
    s.xdotool("mousemove", "--window", str(window), str(point[0]), str(point[1]), "click", "1")


def program_windows(s, program):
    out = s._run(["xdotool", "search", "--onlyvisible", "--pid", str(program.popen.pid)],
                 check=False)
    return {int(w) for w in out.split()}


def new_window(s, program, opener):
    before = program_windows(s, program)
    opener()
    return harness.wait_until(lambda: next(iter(program_windows(s, program) - before), None),
                              what="a new window")


def pixel(s, path, x, y):
    return s._run(["convert", path, "-format", f"%[pixel:p{{{x},{y}}}]", "info:"]).strip()


def settled(s, name, window=None):
    """A capture of the screen (or of one window) once two in a row are the same: windows
    that were just shown, uncovered or resized have finished drawing."""
    shots = [s.screenshot(f"{name}-0", window)]

    def compare():
        shots.append(s.screenshot(f"{name}-{len(shots)}", window))
        result = subprocess.run(["compare", "-metric", "AE", shots[-2], shots[-1], "null:"],
                                env=s.env, capture_output=True, text=True)
        shots.pop(-2).unlink()
        return result.returncode == 0

    harness.wait_until(compare, what=f"{name} to settle")
    return shots[-1]


def save(s, name, shot):
    """The screen capture cut down to what is drawn on the black desktop, with a margin."""
    target = DOCS / f"{name}.png"
    s._run(["convert", shot, "-trim", "+repage", "-bordercolor", "black", "-border", "8",
            target])
    shot.unlink()
    print(target)


def save_window(name, shot):
    """A capture of one window as it is, at its own pixels."""
    target = DOCS / f"{name}.png"
    shot.rename(target)
    print(target)


def make_class(s, folder):
    roster = folder / "date" / f"{CLASS}.edb"
    s.edbtool("create", roster, *harness.ROSTER_FIELDS)
    for name, answers, wrong in STUDENTS:
        s.edbtool("add", roster, CLASS, name, str(answers), str(wrong))
    return roster


def panel(percent):
    """The windows on a big classroom panel at a size the right-click menu offers."""
    with harness.Session(window_manager=True, screen="3840x2160x24",
                         name=f"panel-{percent}") as s:
        folder = s.program_folder()
        roster = make_class(s, folder)
        (folder / "rollcall.ini").write_text(f"size_percent={percent}\n")
        program = s.start([folder / "rollcall"], cwd=folder)
        notice = s.wait_for_window(harness.NOTICE_TITLE, process=program)
        save_window(f"panel-{percent}-notice", settled(s, "notice", notice))
        s.activate(notice)
        s.key("Return")
        main_window = s.wait_for_window(harness.MAIN_TITLE, process=program)
        s.wait_for_no_window(harness.MAIN_TITLE, timeout=15)
        s.key("c")
        harness.wait_until(lambda: sum(a for _, _, a, _ in s.read_class(roster))
                           > sum(a for _, a, _ in STUDENTS), what="the pick to be counted")

        def scaled(point):
            return tuple(v * percent // 100 for v in point)
        # Taken before the name starts to blink, two seconds after the pick.
        click(s, main_window, scaled(ARROW))
        save_window(f"panel-{percent}-main-window", settled(s, "wide", main_window))
        statistics = new_window(s, program, lambda: click(s, main_window, scaled(STATISTICS)))
        s.activate(statistics)
        # The main window, on top of everything, hides by itself a few seconds after the pick.
        s.wait_for_no_window(harness.MAIN_TITLE)
        save_window(f"panel-{percent}-statistics", settled(s, "statistics", statistics))


def main():
    DOCS.mkdir(exist_ok=True)
    for percent in (100, 200):
        panel(percent)
    with harness.Session(window_manager=True, screen="800x600x24", name="shot") as s:
        folder = s.program_folder()
        roster = folder / "date" / f"{CLASS}.edb"
        s.edbtool("create", roster, *harness.ROSTER_FIELDS)
        for name, answers, wrong in STUDENTS:
            s.edbtool("add", roster, CLASS, name, str(answers), str(wrong))
        program, main_window = s.start_rollcall(folder)

        # The key help hangs below the "→" button from shortly after start.
        x, y, _, _ = s.window_geometry(main_window)
        shots = []

        def balloon_up():
            shots.append(s.screenshot(f"start-{len(shots)}"))
            return pixel(s, shots[-1], x + 154, y + 74 + 16 + 30) == BALLOON_YELLOW

        harness.wait_until(balloon_up, what="the key-help balloon")
        for shot in shots[:-1]:
            shot.unlink()
        save(s, "main-window", shots[-1])

        # C rolls the names and stops on one; the window widens with "→".
        s.key("c")
        harness.wait_until(lambda: sum(a for _, _, a, _ in s.read_class(roster))
                           > sum(a for _, a, _ in STUDENTS), what="the pick to be counted")
        click(s, main_window, ARROW)
        save(s, "main-window-wide", settled(s, "wide"))

        # A right click on the name: the menu, with 点名方式 opened.
        menu = new_window(s, program, lambda: s.xdotool(
            "mousemove", "--window", str(main_window), "80", "30", "click", "3"))
        s.key("Down", "Right")
        save(s, "main-window-menu", settled(s, "menu"))
        s.key("Escape", "Escape")
        harness.wait_until(lambda: menu not in program_windows(s, program),
                           what="the menu to close")

        statistics = new_window(s, program, lambda: click(s, main_window, STATISTICS))
        s.activate(statistics)
        # The main window, on top of everything, hides by itself a few seconds after the pick.
        s.wait_for_no_window(harness.MAIN_TITLE)
        save(s, "statistics-window", settled(s, "statistics"))
        # A right click on the list: copy every row, or export them as CSV.
        menu = new_window(s, program, lambda: s.xdotool(
            "mousemove", "--window", str(statistics), "150", "60", "click", "3"))
        save(s, "statistics-menu", settled(s, "statistics-menu"))
        s.key("Escape")
        harness.wait_until(lambda: menu not in program_windows(s, program),
                           what="the menu to close")
        s.activate(statistics)
        s.key("alt+F4")
        harness.wait_until(lambda: statistics not in program_windows(s, program),
                           what="the statistics window to close")

        if main_window not in program_windows(s, program):
            s.key("c")
            s.wait_for_window(harness.MAIN_TITLE)
        click(s, main_window, ARROW)
        classes = new_window(s, program, lambda: click(s, main_window, MANAGE))
        s.wait_for_no_window(harness.MAIN_TITLE)
        # The paste help comes up with the window, after its short delay.
        save(s, "class-window", settled(s, "classes"))




if __name__ == "__main__":
    main()
