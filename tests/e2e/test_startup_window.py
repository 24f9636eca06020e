"""The program starts under X in a program folder with a class, shows its main window, and
the window can be captured; in a Wayland session it runs on the X display of Xwayland."""

import unittest

import harness

# The main window's design: outer height 98 with a tool frame; the program narrows it to 170
# when it starts.
DESIGN_HEIGHT = 98
NARROW_WIDTH = 170
EDGE = 3
CAPTION = 18


class StartupWindowTest(unittest.TestCase):
    def crop(self, s, shot, x, y, width, height, name):
        path = shot.with_name(f"{shot.stem}-{name}.png")
        s._run(["convert", shot, "-crop", f"{width}x{height}+{x}+{y}", "+repage", path])
        return path

    def client_origin(self, s, window):
        """Where the window's client area is on the screen. xdotool's position counts the
        frame's offset twice under a reparenting window manager; xwininfo's does not."""
        values = dict(line.strip().split(":  ", 1)
                      for line in s._run(["xwininfo", "-id", str(window)]).splitlines()
                      if line.strip().startswith("Absolute upper-left"))
        return int(values["Absolute upper-left X"]), int(values["Absolute upper-left Y"])

    def commonest_colour(self, s, path):
        """The colour that covers most of an image (its background)."""
        out = s._run(["convert", path, "-format", "%c", "histogram:info:-"])
        count, colour = max(
            (int(line.split(":")[0]), line[line.index("(") + 1:line.index(")")])
            for line in out.splitlines() if ":" in line)
        return tuple(int(float(v)) for v in colour.split(",")[:3])

    def test_main_window_comes_up(self):
        with harness.Session(window_manager=True, name="startup") as s:
            folder = s.program_folder()
            roster = s.make_class(folder, "九（1）班", ["张三", ("李四", 2, 1)])
            program, window = s.start_rollcall(folder)
            self.assertTrue(program.running())
            x, y, width, height = s.window_geometry(window)
            self.assertGreater(width, 0)
            self.assertGreater(height, 0)
            # The client area is the design's outer size less the tool frame (3-pixel
            # edges and an 18-pixel caption), at the narrow width the program starts with.
            self.assertEqual((width, height), (NARROW_WIDTH - 2 * EDGE,
                                               DESIGN_HEIGHT - 2 * EDGE - CAPTION))
            # The window is drawn: the capture is more than the plain background, inside
            # the window there is the program's own drawing (text on its background), and
            # that background is not the desktop's. The window may be up a moment before it
            # is painted, so the capture is taken again until it is.
            left, top = self.client_origin(s, window)
            self.assertTrue(left + width < 1024 - 64 and top + height < 768 - 64)

            def capture():
                shot = s.screenshot("main-window")
                inside = self.crop(s, shot, left, top, width, height, "client")
                desktop = self.crop(s, shot, 1024 - 64, 768 - 64, 64, 64, "desktop")
                painted = (s.distinct_colours(inside) > 1 and self.commonest_colour(s, inside)
                           != self.commonest_colour(s, desktop))
                return (shot, inside, desktop) if painted else None
            shot, inside, desktop = harness.wait_until(capture,
                                                       what="the main window to be painted")
            self.assertEqual(s.image_size(shot), (1024, 768))
            self.assertGreater(s.distinct_colours(shot), 1)
            self.assertGreater(s.distinct_colours(inside), 1)
            self.assertNotEqual(self.commonest_colour(s, inside),
                                self.commonest_colour(s, desktop))
            # Starting touches no counter.
            self.assertEqual(s.read_class(roster),
                             [("九（1）班", "张三", 0, 0), ("九（1）班", "李四", 2, 1)])

    def test_a_wayland_session_runs_the_program_through_xwayland(self):
        # What a Wayland desktop sets. Qt would pick its Wayland platform there (or fail to
        # find it and say so), where no key can be grabbed.
        with harness.Session(window_manager=True, name="startup-wayland") as s:
            s.env.pop("QT_QPA_PLATFORM")
            s.env.update(WAYLAND_DISPLAY="wayland-1", XDG_SESSION_TYPE="wayland")
            folder = s.program_folder()
            program, _ = s.start_rollcall(folder)
            self.assertEqual([l for l in program.stderr_lines if "wayland" in l], [])


if __name__ == "__main__":
    unittest.main()
