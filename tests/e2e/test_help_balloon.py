"""After start-up the key-help balloon comes up below the main window's "→" button, light
yellow with dark text, under a real window manager."""

import re
import unittest

import harness

LIGHT_YELLOW = (0xFF, 0xFF, 0xE1)


class HelpBalloonTest(unittest.TestCase):
    def pixel(self, s, path, x, y):
        out = s._run(["convert", path, "-format", f"%[pixel:p{{{x},{y}}}]", "info:"])
        return tuple(int(v) for v in re.findall(r"\d+", out)[:3])

    def test_key_help_points_at_the_arrow_button(self):
        with harness.Session(window_manager=True, name="help-balloon") as s:
            folder = s.program_folder()
            program, window = s.start_rollcall(folder)
            x, y, _, _ = s.window_geometry(window)
            # The "→" button's lower right corner in the client area is (164, 74); the
            # balloon hangs below it with its pointer 16 pixels in from the body's left side
            # and 16 pixels long, and its text 12 pixels in. This point lies in the body's
            # margin, left of the text.
            inside = (x + 164 - 16 + 6, y + 74 + 16 + 30)
            shots = []

            def balloon_up():
                shots.append(s.screenshot(f"start-{len(shots)}"))
                return self.pixel(s, shots[-1], *inside) == LIGHT_YELLOW

            harness.wait_until(balloon_up, what="the key-help balloon")
            # Dark text inside the body: the key help's lines.
            region = f"240x90+{x + 164 + 12}+{y + 74 + 16 + 12}"
            light = float(s._run(["convert", shots[-1], "-crop", region, "-colorspace", "Gray",
                                  "-threshold", "30%", "-format", "%[fx:mean]", "info:"]))
            self.assertLess(light, 0.97)
            self.assertTrue(program.running())


if __name__ == "__main__":
    unittest.main()
