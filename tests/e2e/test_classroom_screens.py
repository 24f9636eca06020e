"""The screens of real classrooms: a laptop beside a projector (one X screen split into two
monitors), where the window comes up on the monitor of the slide show and keeps a place the
teacher dragged it to, across a restart; and a big panel, where the right-click menu makes
every window twice as large after a restart that keeps the counts."""

import re
import unittest

import harness

LAPTOP = (1366, 768, 0, 0)
PROJECTOR = (1920, 1080, 1366, 0)
# The main window's design size, by which it is centred on a monitor.
DESIGN = (246, 98)
PLACE_KEY = "main_window_place:1366x768+0+0,1920x1080+1366+0"
# Characters that fill their cell from top to bottom (王 and 五 are a few pixels flatter),
# so that the name's ink is the height of its font.
NAMES = ["张三", "李四", "赵敏"]


def centred(monitor):
    width, height, x, y = monitor
    return x + (width - DESIGN[0]) // 2, y + (height - DESIGN[1]) // 2


def on(monitor, point):
    width, height, x, y = monitor
    return x <= point[0] < x + width and y <= point[1] < y + height


def picks(s, roster):
    return sum(answers for _, _, answers, _ in s.read_class(roster))


class ClassroomScreensTest(unittest.TestCase):
    def near(self, s, window, corner, what):
        """The window's client area is just inside the frame whose corner is `corner`."""
        x, y = s.client_origin(window)
        self.assertTrue(0 <= x - corner[0] <= 8 and 0 <= y - corner[1] <= 40,
                        f"{what}: client at {(x, y)}, frame corner expected at {corner}")

    def slide_show(self, s, monitor):
        slides = s.start([harness.HELPERS / "slide_show", "--full-screen", "--at",
                          f"{monitor[2] + 100},{monitor[3] + 100}"])
        slides.expect_line("shown")
        window = s.wait_for_window("^slide-show$", process=slides)
        s.activate(window)
        return slides, window

    def roll(self, s, program, roster):
        """C, once the window has hidden; returns the main window once the pick is counted."""
        s.wait_for_no_window(harness.MAIN_TITLE, timeout=15)
        before = picks(s, roster)
        s.key("c")
        window = s.wait_for_window(harness.MAIN_TITLE, process=program)
        harness.wait_until(lambda: picks(s, roster) == before + 1, what="the pick")
        return window

    def test_a_laptop_beside_a_projector(self):
        with harness.Session(window_manager=True, screen="3286x1080x24", name="projector",
                             monitors=[LAPTOP, PROJECTOR]) as s:
            folder = s.program_folder()
            roster = s.make_class(folder, "九（1）班", NAMES)
            settings = folder / "rollcall.ini"
            s.xdotool("mousemove", "600", "400")
            program, window = s.start_rollcall(folder)
            # Nothing is active and the pointer rests on the laptop: the design's place there.
            self.near(s, window, centred(LAPTOP), "after start")
            self.assertFalse(settings.exists())

            # The slide show runs on the projector: C shows the window there, over it, and
            # the statistics come up beside it.
            slides, _ = self.slide_show(s, PROJECTOR)
            window = self.roll(s, program, roster)
            self.near(s, window, centred(PROJECTOR), "C beside slides on the projector")
            before = s.program_windows(program)
            s.key("v")
            statistics = harness.wait_until(
                lambda: next(iter(s.program_windows(program) - before), None),
                what="the statistics window")
            x, y = s.client_origin(statistics)
            self.assertTrue(on(PROJECTOR, (x, y)) and on(PROJECTOR, (x + 430, y + 340)),
                            (x, y))
            s.activate(statistics)
            s.key("alt+F4")
            harness.wait_until(lambda: statistics not in s.program_windows(program),
                               what="the statistics window to close")

            # The slide show moves to the laptop, and the window with it.
            slides.stop()
            slides, _ = self.slide_show(s, LAPTOP)
            window = self.roll(s, program, roster)
            self.near(s, window, centred(LAPTOP), "C beside slides on the laptop")

            # Without slides the window is framed, and the teacher drags it by its title to
            # the projector's top left; the place is kept for this pair of monitors.
            slides.stop()

            def drag(window):
                x, y = s.client_origin(window)
                s.xdotool("mousemove", str(x + 40), str(y - 8), "mousedown", "1")
                try:
                    s.xdotool("mousemove", str(x + 140), str(y - 8 + 40))
                    s.xdotool("mousemove", "1500", "120")
                    # The window may hide meanwhile; then the drag is done again.
                    harness.wait_until(lambda: s.client_origin(window)[0] > 1366
                                       or window not in s.find_windows(harness.MAIN_TITLE),
                                       what="the window to follow the mouse")
                finally:
                    s.xdotool("mouseup", "1")

            def kept():
                text = settings.read_text() if settings.exists() else ""
                found = re.search(re.escape(PLACE_KEY) + r"=(-?\d+),(-?\d+)$", text, re.M)
                return found and (int(found[1]), int(found[2]))
            place = s.with_window_shown(harness.MAIN_TITLE, drag, kept, what="the place kept")
            self.assertTrue(on(PROJECTOR, place), place)

            # Another day: the program starts again while the slides run on the laptop. The
            # window comes up at the teacher's place, not beside the slides.
            program.stop()
            slides, slide_window = self.slide_show(s, LAPTOP)
            program, window = s.start_rollcall(folder)
            self.near(s, window, place, "the kept place after a restart")
            s.activate(slide_window)
            window = self.roll(s, program, roster)
            self.near(s, window, place, "the kept place at C")

            # A place off every monitor (a projector since unplugged) is not used.
            program.stop()
            settings.write_text(f"{PLACE_KEY}=4000,300\n")
            program, window = s.start_rollcall(folder)
            s.activate(slide_window)
            window = self.roll(s, program, roster)
            self.near(s, window, centred(LAPTOP), "a place off the monitors")

    def test_a_big_panel_at_twice_the_size(self):
        with harness.Session(window_manager=True, screen="3840x2160x24", name="panel") as s:
            folder = s.program_folder()
            roster = s.make_class(folder, "九（1）班", NAMES)
            program, window = s.start_rollcall(folder)
            window = self.roll(s, program, roster)
            small = s.window_geometry(window)[2:]
            name_height = self.name_height(s, window, "at-100")
            self.assertTrue(45 <= name_height < 56, name_height)

            # The teacher right-clicks the window and picks 大小 / 200 %; the menu says that
            # it takes a restart, and the program asks before it restarts.
            def open_menu(window):
                x, y = s.client_origin(window)
                s.xdotool("mousemove", str(x + 80), str(y + 30), "click", "3")
            menus = []

            def menu_up():
                menus.extend(s.program_windows(program) - {window})
                return bool(menus)
            s.with_window_shown(harness.MAIN_TITLE, open_menu, menu_up, what="the menu")
            s.key("Down", "Down", "Right", "Down", "Down", "Return")  # 大小 / 200 %
            question = s.message_text(program, answer="alt+y")
            self.assertIn("重新启动", question)
            # The same process starts again, without the message of a second start.
            notice = s.wait_for_window(harness.NOTICE_TITLE, process=program)
            self.assertEqual(s.find_windows("^友情提醒$"), [])
            s.activate(notice)
            s.key("Return")
            window = s.wait_for_window(harness.MAIN_TITLE, process=program)
            self.assertIn("size_percent=200", (folder / "rollcall.ini").read_text())
            self.assertEqual(s.window_geometry(window)[2:], (small[0] * 2, small[1] * 2))
            # The counts are as they were; the next pick adds to them.
            self.assertEqual(picks(s, roster), 1)
            window = self.roll(s, program, roster)
            self.assertEqual(picks(s, roster), 2)
            # Twice as tall, to the pixel: 96 to 100 pixels of ink for a 112-pixel font (the
            # CJK serif face fills about seven eighths of its size).
            self.assertGreaterEqual(self.name_height(s, window, "at-200"), 2 * name_height)
            self.assertTrue(program.running())

    def name_height(self, s, window, name):
        """The height of the picked name's ink in the main window (the label's upper three
        quarters, clear of the count labels below it)."""
        _, _, width, height = s.window_geometry(window)
        shot = s.screenshot(name, window)
        box = s._run(["convert", shot, "-crop", f"{width}x{height * 3 // 4}+0+0", "+repage",
                      "-threshold", "50%", "-negate", "-format", "%@", "info:"])
        return int(box.split("x")[1].split("+")[0])


if __name__ == "__main__":
    unittest.main()
