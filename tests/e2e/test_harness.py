"""The harness itself: whatever a test started is gone when its session ends, also when the
test fails and when a program left something behind that ignores SIGTERM."""

import os
import pathlib
import unittest

import harness


def gone(pid):
    """Whether no process with this id runs any more (a zombie awaiting its reaper counts as
    gone)."""
    try:
        state = pathlib.Path(f"/proc/{pid}/stat").read_text().rsplit(")", 1)[1].split()[0]
    except (FileNotFoundError, ProcessLookupError):
        return True
    return state in ("Z", "X")


class HarnessCleanupTest(unittest.TestCase):
    def test_a_failing_test_leaves_nothing_running(self):
        started = []
        with self.assertRaises(ZeroDivisionError):
            with harness.Session(window_manager=True, name="cleanup") as s:
                started.append(s._xvfb.pid)
                started.extend(p.popen.pid for p in s._processes)  # openbox
                temp = s._temp
                # A program that has ended by itself and left a child that ignores SIGTERM.
                orphaning = s.start(["sh", "-c", "trap '' TERM; sleep 600 & echo $!"])
                orphan = int(orphaning.expect_line(lambda line: line.isdigit()))
                # A program that ignores SIGTERM and is still running.
                stubborn = s.start(["sh", "-c", "trap '' TERM; echo up; while :; do sleep 1; done"])
                stubborn.expect_line("up")
                started += [orphaning.popen.pid, orphan, stubborn.popen.pid]
                1 / 0  # the test fails here
        harness.wait_until(lambda: all(gone(pid) for pid in started), timeout=10,
                           what=f"processes {started} to end")
        self.assertFalse(temp.exists())


if __name__ == "__main__":
    unittest.main()
