"""Global hot keys under a real X server: C, X and V pressed by another X client (xdotool)
reach the label's feedback event, whatever the lock keys, while another client holds a key,
while a modal window is open, and again after the keys were released and registered anew."""

import time
import unittest

import harness


def feedback(identifier):
    return f"feedback {identifier} 0"


class HotKeysTest(unittest.TestCase):
    def start_probe(self, s):
        probe = s.start([harness.HELPERS / "hotkey_probe"], stdin=True)
        probe.expect_line("ready")
        window = s.wait_for_window("C键 随机点名", process=probe)
        return probe, window

    def test_keys_reach_the_label_whatever_the_lock_keys(self):
        with harness.Session(name="hotkeys-locks") as s:
            probe, _ = self.start_probe(s)
            probe.send("register")
            self.assertEqual(probe.expect_line("registered"), "registered 33001 33002 33003")
            s.key("v")
            self.assertEqual(probe.expect_line("feedback"), feedback(33003))
            s.key("Num_Lock", "c")
            self.assertEqual(probe.expect_line("feedback"), feedback(33001))
            s.key("Caps_Lock", "x")
            self.assertEqual(probe.expect_line("feedback"), feedback(33002))
            s.key("Num_Lock", "v")
            self.assertEqual(probe.expect_line("feedback"), feedback(33003))
            # The keys stay registered to the end; the program still ends cleanly.
            probe.send("quit")
            self.assertEqual(probe.wait_exit(), 0)

    def test_a_held_key_counts_once(self):
        # A key held well past the server's auto-repeat delay (660 ms by default) sends a
        # stream of repeats; each key a teacher holds down is still one press.
        with harness.Session(name="hotkeys-hold") as s:
            probe, _ = self.start_probe(s)
            probe.send("register")
            probe.expect_line("registered")
            for key in ("x", "c", "v"):
                s.xdotool("keydown", key)
                time.sleep(1.5)  # the hold itself
                s.xdotool("keyup", key)
            s.key("c")
            # The last line proves that every event before it was handled.
            for identifier in (33002, 33001, 33003, 33001):
                self.assertEqual(probe.expect_line("feedback"), feedback(identifier))
            self.assertEqual([l for l in probe.unread_lines() if l.startswith("feedback")], [])

    def test_key_held_by_another_client_is_refused_and_the_others_work(self):
        with harness.Session(name="hotkeys-held") as s:
            holder = s.start([harness.HELPERS / "grab_key", "x"], stdin=True)
            self.assertEqual(holder.expect_line(lambda line: True), "grabbed")
            probe, _ = self.start_probe(s)
            probe.send("register")
            self.assertEqual(probe.expect_line("registered"), "registered 33001 0 33003")
            s.key("x", "c", "x", "v")
            self.assertEqual(probe.expect_line("feedback"), feedback(33001))
            self.assertEqual(probe.expect_line("feedback"), feedback(33003))
            # Key events arrive in order: nothing came for X before V's notification.
            self.assertNotIn(feedback(33002), probe.lines)

    def test_releasing_restores_normal_delivery_and_registering_again_works(self):
        with harness.Session(window_manager=True, name="hotkeys-release") as s:
            probe, _ = self.start_probe(s)
            probe.send("edit")
            probe.expect_line("edit-shown")
            s.activate(s.wait_for_window("^probe-edit$", process=probe))
            probe.send("register")
            self.assertEqual(probe.expect_line("registered"), "registered 33001 33002 33003")

            # While registered, the plain letter is taken from the focused edit box.
            s.key("c", "a")
            self.assertEqual(probe.expect_line("feedback"), feedback(33001))
            self.text_becomes(probe, "a")

            probe.send("unregister")
            self.assertEqual(probe.expect_line("unregistered"), "unregistered 1 1 1")
            s.key("c")
            self.text_becomes(probe, "ac")
            self.assertEqual([l for l in probe.unread_lines() if l.startswith("feedback")], [])

            probe.send("register")
            self.assertEqual(probe.expect_line("registered"), "registered 33004 33005 33006")
            s.key("v")
            self.assertEqual(probe.expect_line("feedback"), feedback(33006))

            # The program's own boxes may type the letters: the focused box gets them.
            probe.send("typing")
            probe.expect_line("typing")
            s.key("c", "x", "v")
            self.text_becomes(probe, "accxv")
            # Another program has the focus: the keys are taken from it again. (The first
            # presses may come before the program heard of the focus leaving; those the
            # other program gets, as it would get any key then.)
            slides = s.start([harness.HELPERS / "slide_show"])
            slides.expect_line("shown")
            s.activate(s.wait_for_window("^slide-show$", process=slides))
            harness.wait_until(lambda: s.key("c") or feedback(33004) in probe.unread_lines(),
                               what="C to be taken again")
            s.key("v")  # in order after every C: its notification is the last of them
            probe.expect_line(lambda line: line == feedback(33006))
            probe.unread_lines()
            # Keys pressed the moment the box has the focus again type, even when the program
            # hears of the focus and the keys together.
            edit = s.wait_for_window("^probe-edit$", process=probe)
            probe.send("stall")
            probe.expect_line("stalled")
            s.xdotool("windowactivate", "--sync", str(edit), "key", "x", "c")
            probe.send("go")
            self.text_becomes(probe, "accxvxc")
            self.assertEqual([l for l in probe.unread_lines() if l.startswith("feedback")], [])

    def test_keys_arrive_while_a_modal_window_is_open(self):
        with harness.Session(window_manager=True, name="hotkeys-modal") as s:
            probe, _ = self.start_probe(s)
            probe.send("register")
            probe.expect_line("registered")
            probe.send("modal")
            probe.expect_line("modal-open")
            s.key("v")
            self.assertEqual(probe.expect_line("feedback"), feedback(33003))
            probe.send("close-modal")
            probe.expect_line("modal-closed")

    def test_the_applications_way_registration_at_creation_and_v_opening_a_modal_window(self):
        # C, X and V registered while the main window is created, with WindowHandle; V's
        # handler opens the statistics window modally inside itself, so the next keys arrive
        # in the modal window's loop, inside the handler of the key before.
        with harness.Session(window_manager=True, name="hotkeys-like-app") as s:
            probe = s.start([harness.HELPERS / "hotkey_probe", "--like-app"], stdin=True)
            self.assertEqual(probe.expect_line("registered"), "registered 33001 33002 33003")
            probe.expect_line("ready")
            s.wait_for_window("C键 随机点名", process=probe)
            s.key("v")
            self.assertEqual(probe.expect_line("feedback"), feedback(33003))
            probe.expect_line("modal-open")
            s.key("c", "x")
            self.assertEqual(probe.expect_line("feedback"), feedback(33001))
            self.assertEqual(probe.expect_line("feedback"), feedback(33002))
            probe.send("close-modal")
            probe.expect_line("modal-closed")
            s.key("c")
            self.assertEqual(probe.expect_line("feedback"), feedback(33001))
            probe.send("quit")
            self.assertEqual(probe.wait_exit(), 0)

    @staticmethod
    def text_becomes(probe, expected):
        def check():
            probe.send("text")
            return probe.expect_line("text") == f"text {expected}".rstrip()
        harness.wait_until(check, what=f"the edit box to hold {expected!r}")


if __name__ == "__main__":
    unittest.main()
