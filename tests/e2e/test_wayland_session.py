"""The program in a Wayland session: weston on its headless back end with Xwayland, the
desktop's global shortcuts through the real portal front end with a test back end
(portal_backend.py), and an X11 session that says it is a Wayland one.

weston's headless back end has no seat: no key or click reaches any window, and Xwayland ends
when it is sent pointer motion through XTEST. There, the notice is closed as a window
manager's close button does (window_manager_stand_in), and the roll comes through the portal."""

import unittest

import harness

NOTICE_LINE_1 = "请牢记呼出软件界面和随机点名的快捷键 {} 键，点击确认按钮10秒后软件自动将隐藏界面！"
KEYS_TAKEN = "另外，软件已经注册了{}、{}、{}的快捷键，故本软件开启时这三键在文字输入的时候将不起作用。"
X11_FOCUS_ONLY = ("在 Wayland 桌面上，{} 键只在 X11 程序拥有焦点时起作用；可在桌面的键盘设置中把命令 "
                  "rollcall --roll 设为快捷键（见说明）。")
STUDENTS = ["张三", "李四"]


def picks(s, roster):
    return sum(record[2] for record in s.read_class(roster))


class WestonTest(unittest.TestCase):
    def test_starts_on_xwayland_and_comes_back_after_hiding(self):
        with harness.Session(wayland=True, name="weston") as s:
            backend = s.start_portal()
            folder = s.program_folder()
            roster = s.make_class(folder, "九（1）班", STUDENTS)
            program = s.start([folder / "rollcall"], cwd=folder)
            backend.expect_line("asked roll=c wrong=x statistics=v")
            # Its windows are X windows on Xwayland's display: the program runs on xcb.
            notice = s.wait_for_window(harness.NOTICE_TITLE, process=program)
            s._run([harness.HELPERS / "window_manager_stand_in", "close", notice])
            s.wait_for_window(harness.MAIN_TITLE, process=program)
            s.wait_for_no_window(harness.MAIN_TITLE)

            # Hidden inside weston's frame, shown there again.
            backend.send("activate roll")
            s.wait_for_window(harness.MAIN_TITLE, process=program)
            harness.wait_until(lambda: picks(s, roster) == 1, what="the roll to count")
            s.wait_for_no_window(harness.MAIN_TITLE)

            # Beside a full-screen slide show the window is shown unmanaged; weston keeps the
            # withdrawn window in its frame, where no map would ever show it. Without a seat
            # nothing is focused, so the slide show is made the active window by hand.
            slides = s.start([harness.HELPERS / "slide_show", "--full-screen"])
            slides.expect_line("shown")
            slide = s.wait_for_window("^slide-show$")
            s._run([harness.HELPERS / "window_manager_stand_in", "activate-full-screen", slide])
            backend.send("activate roll")
            s.wait_for_window(harness.MAIN_TITLE, process=program)
            harness.wait_until(lambda: picks(s, roster) == 2, what="the second roll to count")


class PortalTest(unittest.TestCase):
    """Under Xvfb with a window manager, in a session that calls itself Wayland: the X11 keys
    beside the portal's shortcuts."""

    def start(self, s, **portal):
        s.env["XDG_SESSION_TYPE"] = "wayland"
        backend = s.start_portal(**portal)
        folder = s.program_folder()
        roster = s.make_class(folder, "九（1）班", STUDENTS)
        program = s.start([folder / "rollcall"], cwd=folder)
        # Debian 12's front end has no registry, so the desktop learns no application id.
        backend.expect_line("session")
        text = s.message_text(program)
        s.wait_for_window(harness.MAIN_TITLE, process=program)
        return backend, program, roster, text

    def test_bound_shortcuts_are_named_and_roll(self):
        with harness.Session(window_manager=True, name="portal") as s:
            backend, program, roster, text = self.start(
                s, triggers={"roll": "Ctrl+Alt+R", "wrong": ""})
            lines = text.splitlines()
            # The desktop chose the roll's key, bound V as asked and left X without a key.
            self.assertEqual(lines[0], NOTICE_LINE_1.format("Ctrl+Alt+R"))
            self.assertEqual(lines[1], KEYS_TAKEN.format("Ctrl+Alt+R", "X", "v"))
            self.assertEqual(lines[3], X11_FOCUS_ONLY.format("X"))
            backend.send("activate roll")
            harness.wait_until(lambda: picks(s, roster) == 1, what="the shortcut to count")
            # The teacher may give X's shortcut a key in the desktop's settings later.
            backend.send("activate wrong")
            harness.wait_until(lambda: sum(r[3] for r in s.read_class(roster)) == 1,
                               what="the wrong answer to count")
            # C is the desktop's now, so it is not grabbed as well (one press would count
            # twice where both see it): it reaches the program that has the focus.
            slides = s.start([harness.HELPERS / "slide_show"])
            s.activate(s.wait_for_window("^slide-show$"))
            s.key("c")
            slides.expect_line("key C")
            self.assertTrue(program.running())

    def test_refused_shortcuts_leave_the_x11_keys(self):
        with harness.Session(window_manager=True, name="portal-refused") as s:
            backend, _, roster, text = self.start(s, refuse=True)
            self.assertEqual(text.splitlines()[1], KEYS_TAKEN.format("C", "X", "V"))
            self.assertEqual(text.splitlines()[3], X11_FOCUS_ONLY.format("C、X、V"))
            s.key("c")
            harness.wait_until(lambda: picks(s, roster) == 1, what="C to count")


if __name__ == "__main__":
    unittest.main()
