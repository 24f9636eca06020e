"""The class management window as a teacher uses it, under a real window manager: the
classes and their students last-first, the delete menu, creating a class from pasted names
with every message on the way, and the roll's class after the window closes."""

import os
import signal
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
OPEN_FAILED = "打开数据库失败，可能你正在使用该班级的数据库"


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

    def listing(self, date):
        """The class names in the order the program lists the data folder."""
        return [name[:-4] for name in os.listdir(date) if name.lower().endswith(".edb")]

    def class_file(self, date, name):
        """The class's file, whatever the case of its extension (the database gives a new
        file ".EDB"); None when there is none."""
        wanted = f"{name}.edb"
        return next((date / n for n in os.listdir(date) if n.lower() == wanted), None)

    def widen(self, s, main):
        s.with_window_shown(harness.MAIN_TITLE, lambda w: self.click(s, w, ARROW),
                            lambda: s.window_geometry(main)[2] == WIDE_MAIN_WINDOW,
                            what="the wide main window")

    def open_class_window(self, s, program):
        """Clicks 管理 on the wide main window; returns the class window once nothing of the
        main window covers it."""
        before = self.program_windows(s, program)
        window = s.with_window_shown(
            harness.MAIN_TITLE, lambda w: self.click(s, w, MANAGE),
            lambda: next((w for w in self.program_windows(s, program) - before
                          if not s._run(["xdotool", "getwindowname", str(w)],
                                        check=False).strip()), None),
            what="the class window (the program's new window without a title)")
        # The main window hides by itself and takes its help balloon along, which would
        # cover the create button.
        s.wait_for_no_window(harness.MAIN_TITLE)
        self.click(s, window, (300, 5))  # the paste help goes down when the window is clicked
        return window

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
            s.edbtool("add", date / "三班.edb", "三班", "钱七", "0", "0")

            # Files cannot grow past 64 KB, as on a nearly full disk; every class here is
            # far smaller, but for one.
            program, main = s.start_rollcall(folder, file_size_limit=64 * 1024)
            # The roll on the second class, so that closing the window visibly switches back.
            # Each click waits for the main window to be up (it hides by itself; C, which
            # shows it again, rolls, which does not matter here).
            self.widen(s, main)
            s.with_window_shown(harness.MAIN_TITLE,
                                lambda w: (self.click(s, w, COMBO), s.key("Down", "Return")),
                                lambda: s._run(["xdotool", "search", "--name",
                                                f"^{listing[1]}按C键 随机点名$"], check=False),
                                what="the roll on the second class")
            roll_class = listing[1]
            window = self.open_class_window(s, program)

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

            # C while the window lists another class rolls the class of the main window's
            # title, not the one listed.
            listed = "一班" if roll_class != "一班" else "二班"
            self.click(s, window, row_point(shown.index(listed)))
            rolled_before = s.read_class(date / f"{roll_class}.edb")
            listed_before = s.read_class(date / f"{listed}.edb")
            s.key("c")
            harness.wait_until(
                lambda: sum(r[2] for r in s.read_class(date / f"{roll_class}.edb"))
                == sum(r[2] for r in rolled_before) + 1, what="the pick in the roll's class")
            self.assertEqual(s.read_class(date / f"{listed}.edb"), listed_before)
            s.wait_for_no_window(harness.MAIN_TITLE)
            first_class = s.read_class(date / "一班.edb")

            # Delete the class on screen through its menu: asked first, No the default.
            def delete(name, answer):
                windows = self.program_windows(s, program)
                self.click(s, window, row_point(shown.index(name)), "3")
                menu = harness.wait_until(
                    lambda: next(iter(self.program_windows(s, program) - windows), None),
                    what="the class menu")
                self.click(s, menu, (30, 10))
                return s.message_text(program, answer)
            self.assertEqual(delete("二班", "Return"),
                             "确定要删除班级“二班”吗？学生名单和统计将一并删除。")
            self.assertIsNotNone(self.class_file(date, "二班"))
            delete("二班", "alt+y")
            self.assertEqual(s.message_text(program), "删除成功")
            self.assertIsNone(self.class_file(date, "二班"))

            # A class whose file went away meanwhile cannot be deleted.
            shown = list(reversed(self.listing(date)))
            self.click(s, window, row_point(shown.index("三班")))
            os.remove(date / "三班.edb")
            delete("三班", "alt+y")
            self.assertEqual(s.message_text(program), "删除失败")

            # Creating: the name first, then the names, then it works.
            self.click(s, window, CREATE)
            self.assertEqual(s.message_text(program), "你还没有填写班级")
            # A spreadsheet cell comes with its line break.
            self.paste(s, window, CLASS_NAME_BOX, "四班\r\n")
            self.click(s, window, PASTE_BOX)  # the hint goes
            self.click(s, window, CREATE)
            self.assertEqual(s.message_text(program), "你还没有填写复制姓名")
            # Two columns of a spreadsheet: nothing is guessed.
            self.paste(s, window, PASTE_BOX, "张一\t1001\r\n张二\t1002\r\n")
            self.click(s, window, CREATE)
            self.assertEqual(s.message_text(program), "粘贴的内容有多列，请只复制姓名一列")
            # Names the field would cut: listed, and No (the default) creates nothing.
            self.paste(s, window, PASTE_BOX,
                       "古丽娜扎尔·艾尼瓦尔江\n古丽娜扎尔·艾尼瓦尔古丽\n")
            self.click(s, window, CREATE)
            question = s.message_text(program)
            self.assertIn("古丽娜扎尔·艾尼瓦尔江 → 古丽娜扎尔·艾尼瓦尔", question)
            self.assertIn("截短后有学生同名：古丽娜扎尔·艾尼瓦尔", question)
            self.assertIsNone(self.class_file(date, "四班"))
            # A spreadsheet's CR LF, an old Mac text's CR and a text file's LF in one paste;
            # blank lines and stray control characters make no students.
            self.paste(s, window, PASTE_BOX, "张一\r\n\r\n  \r\n张\x07二\r张三\n")
            self.click(s, window, CREATE)
            self.assertEqual(s.message_text(program), "班级“四班”创建成功，共 3 名学生。")
            created = self.class_file(date, "四班")
            self.assertEqual(s.read_class(created),
                             [("四班", n, 0, 0) for n in ("张一", "张二", "张三")])
            shown = list(reversed(self.listing(date)))
            self.assertEqual(len(shown), 2)
            harness.wait_until(lambda: not self.blank(s, self.crop(
                s, s.screenshot("created", window), LIST1_TEXT_X, HEADER + ROW,
                TEXT_WIDTH, ROW, "new-row")), what="the new class in the list")

            # A full stop in the name is part of it: the class is listed like any other.
            self.paste(s, window, CLASS_NAME_BOX, "初三.2班")
            self.paste(s, window, PASTE_BOX, "李一\n")
            self.click(s, window, CREATE)
            self.assertEqual(s.message_text(program), "班级“初三.2班”创建成功，共 1 名学生。")
            self.assertIn("初三.2班", self.listing(date))

            # An existing class: the question's default keeps it.
            self.paste(s, window, CLASS_NAME_BOX, "一班")
            self.paste(s, window, PASTE_BOX, "新生\n")
            self.click(s, window, CREATE)
            self.assertEqual(s.message_text(program),
                             "班级“一班”已存在，重新创建将清除原有学生和统计，是否继续？")
            self.assertEqual(s.read_class(date / "一班.edb"), first_class)
            # Yes, but another program opens the class before it is replaced: refused, and
            # nothing is added to the old class.
            self.click(s, window, CREATE)
            box = s.wait_for_window(MESSAGE_TITLE, process=program)
            holder = s.start([harness.BUILD_DIR / "tests" / "edb" / "edb_test_helper", "hold",
                              date / "一班.edb", "1"], stdin=True)
            holder.expect_line("ready")
            s.activate(box)
            s.key("alt+y")
            harness.wait_until(lambda: box not in s.find_windows(MESSAGE_TITLE),
                               what="the question to close")
            self.assertEqual(s.message_text(program), OPEN_FAILED)
            holder.popen.stdin.close()
            holder.wait_exit()
            self.assertEqual(s.read_class(date / "一班.edb"), first_class)
            self.assertEqual([n for n in os.listdir(date) if n.endswith(".new")], [])

            # The class on screen cannot be created anew. (The roll's own class could: it
            # is set aside for the creation, so choose another.)
            on_screen = "四班" if roll_class == "一班" else "一班"
            shown = list(reversed(self.listing(date)))
            self.click(s, window, row_point(shown.index(on_screen)))
            kept = s.read_class(self.class_file(date, on_screen))
            self.paste(s, window, CLASS_NAME_BOX, on_screen)
            self.paste(s, window, PASTE_BOX, "新生\n")
            self.click(s, window, CREATE)
            self.assertEqual(s.message_text(program), OPEN_FAILED)
            self.assertEqual(s.read_class(self.class_file(date, on_screen)), kept)

            # A disk that fills up: no half class, and the reason said.
            self.paste(s, window, CLASS_NAME_BOX, "大班")
            self.paste(s, window, PASTE_BOX, "".join(f"学生{i}\n" for i in range(3000)))
            self.click(s, window, CREATE)
            self.assertIn("磁盘可能已满", s.message_text(program))
            self.assertIsNone(self.class_file(date, "大班"))
            self.assertEqual([n for n in os.listdir(date) if n.endswith(".new")], [])

            # A name too long for a file, and a data folder taken away: each said as it is.
            self.paste(s, window, CLASS_NAME_BOX, "长" * 200)
            self.click(s, window, CREATE)
            self.assertEqual(s.message_text(program), "创建班级失败：班级名称太长。")
            os.rename(date, folder / "date-away")
            self.paste(s, window, CLASS_NAME_BOX, "五班")
            self.paste(s, window, PASTE_BOX, "周九\n")
            self.click(s, window, CREATE)
            self.assertEqual(s.message_text(program),
                             "创建班级失败：程序旁边没有存放班级的 date 文件夹。")
            os.rename(folder / "date-away", date)

            # Typed with the keyboard, as with an input method that spells 陈 chen and 谢 xie:
            # c, x and v go into the boxes, a line break starts a new line, and no counter
            # moves.
            counts = {name: s.read_class(self.class_file(date, name))
                      for name in self.listing(date)}
            self.click(s, window, CLASS_NAME_BOX)
            s.key("ctrl+a")
            s.type_text("cxv")
            self.click(s, window, PASTE_BOX)
            # (xdotool types a line break as the line-feed key, as on-screen keyboards do.)
            s.type_text("chen\nxie")
            s.key("Return")
            s.type_text("xu\nvivi")
            self.click(s, window, CREATE)
            self.assertEqual(s.message_text(program), "班级“cxv”创建成功，共 4 名学生。")
            self.assertEqual(s.read_class(self.class_file(date, "cxv")),
                             [("cxv", n, 0, 0) for n in ("chen", "xie", "xu", "vivi")])
            for name, records in counts.items():
                self.assertEqual(s.read_class(self.class_file(date, name)), records)
            # Out of the boxes, C is the program's key again: it shows the main window.
            s.wait_for_no_window(harness.MAIN_TITLE)
            self.click(s, window, row_point(0))
            s.key("c")
            s.wait_for_window(harness.MAIN_TITLE)

            # Closing: the combo's first class is the roll's class again.
            s.activate(window)
            s.key("alt+F4")
            title = f"^{self.listing(date)[0]}按C键 随机点名$"
            harness.wait_until(lambda: s._run(["xdotool", "search", "--name", title],
                                              check=False).strip(), what=title)
            self.assertTrue(program.running())
            program.stop()

            # Killed halfway through making a big class: no class, or all of it.
            program, main = s.start_rollcall(folder)
            self.widen(s, main)
            window = self.open_class_window(s, program)
            self.paste(s, window, CLASS_NAME_BOX, "巨班")
            self.paste(s, window, PASTE_BOX, "".join(f"学生{i}\n" for i in range(20000)))
            self.click(s, window, CREATE)
            s.wait_for_file(date / "巨班.edb.new")
            os.killpg(program.popen.pid, signal.SIGKILL)
            program.popen.wait()
            whole = self.class_file(date, "巨班")
            if whole is not None:
                self.assertEqual(len(s.read_class(whole)), 20000)


if __name__ == "__main__":
    unittest.main()
