"""The program starts under X in a program folder with a class, shows its main window, and
the window can be captured."""

import unittest

import harness


class StartupWindowTest(unittest.TestCase):
    def test_main_window_comes_up(self):
        with harness.Session(window_manager=True, name="startup") as s:
            folder = s.program_folder()
            roster = s.make_class(folder, "九（1）班", ["张三", ("李四", 2, 1)])
            program, window = s.start_rollcall(folder)
            self.assertTrue(program.running())
            x, y, width, height = s.window_geometry(window)
            self.assertGreater(width, 0)
            self.assertGreater(height, 0)
            shot = s.screenshot("main-window")
            self.assertEqual(s.image_size(shot), (1024, 768))
            # The window is drawn: the capture is more than the plain background.
            self.assertGreater(s.distinct_colours(shot), 1)
            # Starting touches no counter.
            self.assertEqual(s.read_class(roster),
                             [("九（1）班", "张三", 0, 0), ("九（1）班", "李四", 2, 1)])


if __name__ == "__main__":
    unittest.main()
