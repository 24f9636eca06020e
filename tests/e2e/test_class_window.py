"""The class management window as a teacher uses it, under a real window manager: the
classes and their students last-first, the delete menu, creating a class from pasted names
with every message on the way, and the roll's class after the window closes."""

import os
import subprocess
import unittest

import harness

# Client-area points of the controls (the window definition's pixels).
ARROW = (154, 66)        # main window: "→"
MANAGE = (194, 38)       # main window: 按钮5 "管理"
COMBO = (204, 64)        # main window: 组合框1
CLASS_NAME_BOX = (260, 31)
PASTE_BOX = (260, 100)
CREATE = (263, 326)
EMPTY_CLASS_LIST = (40, 250)
WIDE_MAIN_WINDOW = 258    # the main window's client width after "→"
# Both lists have the same header; the rows below it are 18 pixels high.
HEADER = 23
ROW = 18
LIST1_TEXT_X = 4
LIST2_TEXT_X = 102        # the same place in 超级列表框2, which starts 98 pixels further right
TEXT_WIDTH = 60

MESSAGE_TITLE = "^信息：$"


def row_point(row):
    return (40, HEADER + ROW * row + ROW // 2)


class ClassWindowTest(unittest.TestCase):
    def click(self, s, window, point, button="1"):
        s.xdotool("mousemove", "--window", str(window), str(point[0]), str(point[1]),
                  "click", button)

    def program_windows(self, s, program):
        out = s._run(["xdotool", "search", "--onlyvisible", "--pid", str(program.popen.pid)],
                     check=False)
        return {int(w) for w in out.split()}

    def crop(self, s, shot, x, y, width, height, name):
        path = shot.with_name(f"{shot.stem}-{name}.png")
        s._run(["convert", shot, "-crop", f"{width}x{height}+{x}+{y}", "+repage", path])
        return path

    def same_pixels(self, s, first, second):
        result = subprocess.run(["compare", "-metric", "AE", first, second, "null:"],
                                capture_output=True, text=True, env=s.env, check=False)
        return result.stderr.strip() == "0"

    def blank(self, s, path):
        return s.distinct_colours(path) == 1

    def answer_message(self, s, program, key="Return"):
        """Waits for the program's message box, returns its text and closes it with key."""
        text = s.message_text(MESSAGE_TITLE, process=program)
        s.key(key)
        s.wait_for_no_window(MESSAGE_TITLE)
        return text

    def listing(self, date):
        """The class names in the order the program lists the data folder."""
        return [name[:-4] for name in os.listdir(date) if name.lower().endswith(".edb")]

    def class_file(self, date, name):
        """The class's file, whatever the case of its extension (the database gives a new
        file ".EDB"); None when there is none."""
        wanted = f"{name}.edb"
        return next((date / n for n in os.listdir(date) if n.lower() == wanted), None)

    def paste(self, s, window, box, text):
        """Puts text on the clipboard as another program does, clicks into the box and
        pastes it there (typing Chinese through xdotool loses characters now and then)."""
        s.set_clipboard(text)
        self.click(s, window, box)
        if box == CLASS_NAME_BOX:
            s.key("ctrl+a")
        s.key("ctrl+v")

    def test_a_teacher_looks_at_classes_creates_one_and_deletes_two(self):
        harness.require_tools("xclip", "convert", "compare")
        with harness.Session(window_manager=True, name="class-window") as s:
            folder = s.program_folder()
            date = folder / "date"
            for name in ("一班", "二班", "三班"):
                s.edbtool("create", date / f"{name}.edb", *harness.ROSTER_FIELDS)
            listing = self.listing(date)
            # 一班's students are the class names in listing order: listed last-first, its
            # names list must look exactly like the class list.
            for student in listing:
                s.edbtool("add", date / "一班.edb", "一班", student, "1", "0")
            s.edbtool("add", date / "二班.edb", "二班", "赵六", "0", "0")

            program, main = s.start_rollcall(folder)
            # The roll on the second class, so that closing the window visibly switches back.
            # Each click waits for the main window to be up (it hides by itself; C, which
            # shows it again, rolls, which does not matter here).
            s.with_window_shown(harness.MAIN_TITLE, lambda w: self.click(s, w, ARROW),
                                lambda: s.window_geometry(main)[2] == WIDE_MAIN_WINDOW,
                                what="the wide main window")
            s.with_window_shown(harness.MAIN_TITLE,
                                lambda w: (self.click(s, w, COMBO), s.key("Down", "Return")),
                                lambda: s._run(["xdotool", "search", "--name",
                                                f"^{listing[1]}按C键 随机点名$"], check=False),
                                what="the roll on the second class")
            before = self.program_windows(s, program)
            window = s.with_window_shown(
                harness.MAIN_TITLE, lambda w: self.click(s, w, MANAGE),
                lambda: next((w for w in self.program_windows(s, program) - before
                              if not s._run(["xdotool", "getwindowname", str(w)],
                                            check=False).strip()), None),
                what="the class window (the program's new window without a title)")
            first_class = s.read_class(date / "一班.edb")
            # The main window hides by itself and takes its help balloon along, which would
            # cover the create button.
            s.wait_for_no_window(harness.MAIN_TITLE)
            self.click(s, window, (300, 5))  # the paste help goes down when the window is clicked

            opened = s.screenshot("opened", window)
            classes = self.crop(s, opened, LIST1_TEXT_X, HEADER, TEXT_WIDTH, ROW * 3, "classes")
            self.assertTrue(self.blank(s, self.crop(s, opened, LIST2_TEXT_X, HEADER,
                                                    TEXT_WIDTH, ROW * 3, "no-names")))

            # No class selected: a right click shows no menu.
            windows = self.program_windows(s, program)
            self.click(s, window, EMPTY_CLASS_LIST, "3")
            with self.assertRaises(harness.HarnessError):
                harness.wait_until(lambda: self.program_windows(s, program) - windows,
                                   timeout=1.5, what="a menu")

            shown = list(reversed(listing))
            self.click(s, window, row_point(shown.index("一班")))
            harness.wait_until(lambda: self.same_pixels(
                s, classes, self.crop(s, s.screenshot("first-class", window), LIST2_TEXT_X,
                                      HEADER, TEXT_WIDTH, ROW * 3, "names")),
                what="一班's students, last first")

            # Another class replaces the names: one student, nothing below it.
            self.click(s, window, row_point(shown.index("二班")))

            def one_name():
                shot = s.screenshot("second-class", window)
                first = self.crop(s, shot, LIST2_TEXT_X, HEADER, TEXT_WIDTH, ROW, "row0")
                rest = self.crop(s, shot, LIST2_TEXT_X, HEADER + ROW, TEXT_WIDTH, ROW * 2,
                                 "rest")
                return not self.blank(s, first) and self.blank(s, rest)
            harness.wait_until(one_name, what="二班's one student alone")

            # Delete the class on screen through its menu.
            windows = self.program_windows(s, program)
            self.click(s, window, row_point(shown.index("二班")), "3")
            menu = harness.wait_until(
                lambda: next(iter(self.program_windows(s, program) - windows), None),
                what="the class menu")
            self.click(s, menu, (30, 10))
            self.assertEqual(self.answer_message(s, program), "删除成功")
            self.assertIsNone(self.class_file(date, "二班"))

            # A class whose file went away meanwhile cannot be deleted.
            shown = list(reversed(self.listing(date)))
            self.click(s, window, row_point(shown.index("三班")))
            os.remove(date / "三班.edb")
            self.click(s, window, row_point(shown.index("三班")), "3")
            menu = harness.wait_until(
                lambda: next(iter(self.program_windows(s, program) - windows), None),
                what="the class menu")
            self.click(s, menu, (30, 10))
            self.assertEqual(self.answer_message(s, program), "删除失败")

            # Creating: the name first, then the names, then it works.
            self.click(s, window, CREATE)
            self.assertEqual(self.answer_message(s, program), "你还没有填写班级")
            # A spreadsheet cell comes with its line break.
            self.paste(s, window, CLASS_NAME_BOX, "四班\r\n")
            self.click(s, window, PASTE_BOX)  # the hint goes
            self.click(s, window, CREATE)
            self.assertEqual(self.answer_message(s, program), "你还没有填写复制姓名")
            self.assertIsNone(self.class_file(date, "四班"))
            # A spreadsheet's CR LF, an old Mac text's CR and a text file's LF in one paste;
            # the empty line is a student without a name.
            self.paste(s, window, PASTE_BOX, "张一\r\n\r\n张二\r张三\n")
            self.click(s, window, CREATE)
            created = harness.wait_until(lambda: self.class_file(date, "四班"),
                                         what="the new class's file")
            self.assertEqual(s.read_class(created),
                             [("四班", n, 0, 0) for n in ("张一", "", "张二", "张三")])
            shown = list(reversed(self.listing(date)))
            self.assertEqual(len(shown), 2)
            harness.wait_until(lambda: not self.blank(s, self.crop(
                s, s.screenshot("created", window), LIST1_TEXT_X, HEADER + ROW,
                TEXT_WIDTH, ROW, "new-row")), what="the new class in the list")

            # An existing class: the question's default keeps it.
            self.paste(s, window, CLASS_NAME_BOX, "一班")
            self.paste(s, window, PASTE_BOX, "新生\n")
            self.click(s, window, CREATE)
            # Return: No, the default.
            self.assertEqual(self.answer_message(s, program),
                             "班级“一班”已存在，重新创建将清除原有学生和统计，是否继续？")
            self.assertEqual(s.read_class(date / "一班.edb"), first_class)

            # The class on screen cannot be created anew.
            self.click(s, window, row_point(shown.index("一班")))
            self.click(s, window, CREATE)
            self.assertEqual(self.answer_message(s, program),
                             "打开数据库失败，可能你正在使用该班级的数据库")
            self.assertEqual(s.read_class(date / "一班.edb"), first_class)

            # Closing: the combo's first class is the roll's class again.
            s.activate(window)
            s.key("alt+F4")
            title = f"^{self.listing(date)[0]}按C键 随机点名$"
            harness.wait_until(lambda: s._run(["xdotool", "search", "--name", title],
                                              check=False).strip(), what=title)
            self.assertTrue(program.running())


if __name__ == "__main__":
    unittest.main()
