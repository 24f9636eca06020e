"""The statistics window as a teacher uses it, under a real window manager: which roster it
shows and resets, opening it twice, and V, C and X while another program has the focus."""

import csv
import io
import os
import pathlib
import subprocess
import unittest

import harness

# Client-area points of the controls (the window definition's pixels).
ARROW = (154, 66)       # main window: "→"
STATISTICS = (194, 14)  # main window: 按钮2 "统计"
COMBO = (204, 64)       # main window: 组合框1
RESET = (196, 332)      # statistics window: 按钮1 "清空回答清空"
# The list starts 8 pixels in; its rows start below the header and are 18 pixels high.
FIRST_ROW_TOP = 31
ROW = 18
ROWS_LEFT = 10
WIDE_MAIN_WINDOW = 258  # the main window's client width after "→"
ROWS_WIDTH = 340
# A point in each column of the list: Num, 班级, 姓名, 被点名次数, 回答错误次数.
COLUMN_X = (23, 83, 153, 223, 313)


def roster(name, students):
    return [(name, student, answers, wrong) for student, answers, wrong in students]


class StatisticsWindowTest(unittest.TestCase):
    def click(self, s, window, point):
        s.xdotool("mousemove", "--window", str(window), str(point[0]), str(point[1]),
                  "click", "1")

    def program_windows(self, s, program):
        out = s._run(["xdotool", "search", "--onlyvisible", "--pid", str(program.popen.pid)],
                     check=False)
        return {int(w) for w in out.split()}

    def on_main_window(self, s, step, done, what, show=None):
        """step(main window) once the main window is up, until done() holds (see
        with_window_shown: the window hides by itself, C shows it again and rolls)."""
        return s.with_window_shown(harness.MAIN_TITLE, step, done, what, show)

    def open_statistics(self, s, program, opener):
        """Opens the statistics window with opener(opened), where opened() finds it once it
        is up, and returns it: the program's new window without a title (the main window
        has one, and so has the help balloon, which may come up meanwhile)."""
        before = self.program_windows(s, program)

        def opened():
            return next((w for w in self.program_windows(s, program) - before
                         if not s._run(["xdotool", "getwindowname", str(w)],
                                       check=False).strip()), None)
        opener(opened)
        return harness.wait_until(opened, what="the statistics window")

    def click_statistics(self, s, main, show=None):
        """An opener for open_statistics: "→" and "统计" on the main window."""
        def opener(opened):
            self.on_main_window(s, lambda w: self.click(s, w, ARROW),
                                lambda: s.window_geometry(main)[2] == WIDE_MAIN_WINDOW,
                                "the wide main window", show)
            self.on_main_window(s, lambda w: self.click(s, w, STATISTICS), opened,
                                "the statistics window", show)
        return opener

    def close(self, s, window):
        s.activate(window)
        s.key("alt+F4")
        harness.wait_until(lambda: int(window) not in self.program_windows(s, self.program),
                           what="the statistics window to close")

    def shown_rows(self, s, window, count):
        """What the list shows in its first `count` rows, cell by cell: each cell clicked and
        copied with Ctrl+C."""
        s.activate(window)
        rows = []
        for row in range(count):
            cells = []
            for x in COLUMN_X:
                self.click(s, window, (x, FIRST_ROW_TOP + ROW * row + ROW // 2))
                cells.append(s.copy_text())
            rows.append(tuple(cells))
        return rows

    def file_rows(self, s, path):
        """A roster file's records as the list shows them: numbered from 1."""
        return [(str(number), roster_class, name, str(answers), str(wrong))
                for number, (roster_class, name, answers, wrong)
                in enumerate(s.read_class(path), 1)]

    def rows(self, s, window, name, first, count):
        """A PNG of `count` list rows from row `first` (their left part, which no other
        window covers)."""
        shot = s.screenshot(name, window)
        path = shot.with_name(f"{shot.stem}-rows.png")
        s._run(["convert", shot, "-crop",
                f"{ROWS_WIDTH}x{ROW * count}+{ROWS_LEFT}+{FIRST_ROW_TOP + ROW * first}",
                "+repage", path])
        return path

    def test_both_fixed_files_follow_the_first_class(self):
        with harness.Session(window_manager=True, name="statistics-fixed") as s:
            folder = s.program_folder()
            date1 = [("甲", 5, 2), ("乙", 1, 1)]
            date2 = [("丙", 4, 3)]
            for file_name, students in (("date1.edb", date1), ("date2.edb", date2)):
                s.edbtool("create", folder / file_name, *harness.ROSTER_FIELDS)
                for student, answers, wrong in students:
                    s.edbtool("add", folder / file_name, "固定", student, str(answers),
                              str(wrong))
            first = s.make_class(folder, "一班", ["张三"])
            second = s.make_class(folder, "二班", [("李四", 3, 2)])

            self.program, main = s.start_rollcall(folder)
            program = self.program
            # The first class selected: date1.edb.
            window = self.open_statistics(s, program, self.click_statistics(s, main))
            self.assertEqual(self.shown_rows(s, window, 2), self.file_rows(s, folder / "date1.edb"))
            # One click would clear a whole class: asked first, and No is the default.
            self.click(s, window, RESET)
            self.assertEqual(s.message_text(program),
                             "确定要清空“固定”的全部回答和错误次数吗？")
            self.assertEqual(s.read_class(folder / "date1.edb"), roster("固定", date1))
            self.assertEqual(s.read_class(folder / "date2.edb"), roster("固定", date2))
            self.close(s, window)

            # Another class selected: date2.edb.
            self.on_main_window(s, lambda w: (self.click(s, w, COMBO), s.key("Down", "Return")),
                                lambda: s._run(["xdotool", "search", "--name",
                                                "^二班按C键 随机点名$"], check=False),
                                "the second class chosen")
            window = self.open_statistics(s, program, self.click_statistics(s, main))
            self.assertEqual(self.shown_rows(s, window, 1), self.file_rows(s, folder / "date2.edb"))
            self.click(s, window, RESET)
            s.message_text(program, "alt+y")
            harness.wait_until(lambda: s.read_class(folder / "date2.edb")
                               == roster("固定", [("丙", 0, 0)]),
                               what="date2.edb's counters at 0")
            # The classes' own counters are not the window's business.
            self.assertEqual(len(s.read_class(first)), 1)
            self.close(s, window)

            # Without date2.edb another class shows its own students: date1.edb belongs to
            # the first class alone, and is neither shown nor cleared here.
            os.remove(folder / "date2.edb")
            window = self.open_statistics(s, program, lambda opened: s.key("v"))
            self.assertEqual(self.shown_rows(s, window, 1), self.file_rows(s, second))
            self.click(s, window, RESET)
            self.assertEqual(s.message_text(program, "alt+y"),
                             "确定要清空“二班”的全部回答和错误次数吗？")
            harness.wait_until(lambda: s.read_class(second) == roster("二班", [("李四", 0, 0)]),
                               what="二班's counters at 0")
            self.assertEqual(s.read_class(folder / "date1.edb"), roster("固定", date1))

    def test_the_current_class_with_v_c_and_x_from_another_program(self):
        with harness.Session(window_manager=True, name="statistics-class") as s:
            folder = s.program_folder()
            students = [("张三", 2, 1), ("李四", 0, 3), ("王五", 0, 0)]
            path = s.make_class(folder, "一班", students)

            self.program, main = s.start_rollcall(folder)
            program = self.program

            def show_and_count():
                # The list shows this class: a C that shows the main window again has its
                # pick counted before the list is filled.
                def total():
                    return sum(answers for _, _, answers, _ in s.read_class(path))
                before = total()
                s.key("c")
                harness.wait_until(lambda: total() > before, what="C's pick counted")
            window = self.open_statistics(s, program,
                                          self.click_statistics(s, main, show_and_count))
            self.assertEqual(self.shown_rows(s, window, 3), self.file_rows(s, path))
            self.close(s, window)

            # V from another program's window; the same rows again.
            other = s.start(["xev"])
            s.activate(s.wait_for_window("^Event Tester$", process=other))
            window = self.open_statistics(s, program, lambda opened: s.key("v"))
            self.assertEqual(self.shown_rows(s, window, 3), self.file_rows(s, path))

            # C and X still work: one pick counted, one wrong answer for the picked student.
            students = [(name, answers, wrong) for _, name, answers, wrong in s.read_class(path)]
            s.key("c")

            def picked():
                # 1 + the row whose pick was counted, so that row 0 is found too.
                for row, (_, _, answers, _) in enumerate(s.read_class(path)):
                    if answers == students[row][1] + 1:
                        return row + 1
                return None
            row = harness.wait_until(picked, what="the pick counted") - 1
            s.key("x")
            harness.wait_until(lambda: s.read_class(path)[row][3] == students[row][2] + 1,
                               what="the wrong answer counted")

            self.click(s, window, RESET)
            s.message_text(program, "alt+y")
            harness.wait_until(lambda: s.read_class(path)
                               == roster("一班", [(n, 0, 0) for n, _, _ in students]),
                               what="every counter at 0, every student kept")
            # The list shows the three students again, not six.
            harness.wait_until(lambda: s.distinct_colours(self.rows(s, window, "reset", 3, 3))
                               == 1, what="nothing below the third row")
            self.assertEqual(self.shown_rows(s, window, 3), self.file_rows(s, path))

    def list_menu(self, s, program, window, keys):
        """Right-clicks the list's first row and, once the menu is up, works it with `keys`.
        Each call clicks another column: two right clicks at one place close together in
        time are a double click, which brings up no menu."""
        self.menu_column = getattr(self, "menu_column", 1) % 3 + 2
        before = s.program_windows(program)
        self.click_button(s, window, (COLUMN_X[self.menu_column], FIRST_ROW_TOP + ROW // 2), 3)
        harness.wait_until(lambda: s.program_windows(program) - before, what="the list's menu")
        s.key(*keys)

    def click_button(self, s, window, point, button):
        s.xdotool("mousemove", "--window", str(window), str(point[0]), str(point[1]),
                  "click", str(button))

    def test_copy_all_and_export_csv(self):
        with harness.Session(window_manager=True, name="statistics-export") as s:
            home = pathlib.Path(s.program_folder()) / "home"
            documents = home / "Documents"
            documents.mkdir(parents=True)
            s.env["HOME"] = str(home)
            folder = s.program_folder()
            # Names that CSV must quote: a comma, a quote, a line break.
            students = [("逗,号", 3, 1), ('A"引号', 0, 2), ("换\n行", 1, 0), ("张三", 0, 0)]
            path = s.make_class(folder, "一班", students)
            expected = [["Num", "班级", "姓名", "被点名次数", "回答错误次数"]] + [
                [str(number), "一班", name, str(answers), str(wrong)]
                for number, (name, answers, wrong) in enumerate(students, 1)]

            self.program, _ = s.start_rollcall(folder)
            program = self.program
            window = self.open_statistics(s, program, lambda opened: s.key("v"))

            # 复制全部: tab-separated, the header first, as a spreadsheet reads a paste.
            s.set_clipboard("nothing copied")
            self.list_menu(s, program, window, ("Down", "Return"))
            pasted = harness.wait_until(
                lambda: (lambda text: text if text not in (None, "nothing copied") else None)(
                    s.clipboard()), what="复制全部 to copy")
            self.assertEqual(list(csv.reader(io.StringIO(pasted, newline=""), delimiter="\t")),
                             expected)

            # 导出为 CSV…: the save dialog proposes the class and the date in Documents.
            self.list_menu(s, program, window, ("Down", "Down", "Return"))
            dialog = s.wait_for_window("^导出为 CSV$", process=program)
            s.activate(dialog)
            s.key("Return")
            exported = harness.wait_until(lambda: list(documents.glob("*.csv")),
                                          what="the CSV file")
            self.assertEqual(len(exported), 1)
            self.assertRegex(exported[0].name, r"^一班 统计 \d{4}-\d{2}-\d{2}\.csv$")
            data = exported[0].read_bytes()
            self.assertTrue(data.startswith(b"\xef\xbb\xbf"))
            with open(exported[0], encoding="utf-8-sig", newline="") as f:
                self.assertEqual(list(csv.reader(f)), expected)
            # The same rows through edbtool's own reader: the header names the fields of a
            # roster with a Num field in front, the rows are the exported bytes.
            copy = folder / "copy.edb"
            s.edbtool("create", copy, "Num:Int", *harness.ROSTER_FIELDS)
            header, _, rows = data.partition(b"\r\n")
            renamed = folder / "renamed.csv"
            renamed.write_bytes("Num,班级,姓名,回答次数,错误次数\r\n".encode() + rows)
            s.edbtool("import-csv", copy, renamed)
            self.assertEqual([record[1:] for record in s.read_class(copy)],
                             s.read_class(path))
            self.close(s, window)

            # A documents folder that cannot be written: one message, no file, no part of one.
            program.stop()
            if subprocess.run(["unshare", "-rm", "true"], check=False).returncode != 0:
                self.skipTest("no user namespaces here to make a read-only folder")
            os.remove(exported[0])
            self.program = program = s.start(
                ["unshare", "-rm", "sh", "-c",
                 f'mount --bind -o ro "{documents}" "{documents}" && exec ./rollcall'],
                cwd=folder)
            s.message_text(program)  # the notice
            s.wait_for_window(harness.MAIN_TITLE, process=program)
            window = self.open_statistics(s, program, lambda opened: s.key("v"))
            self.list_menu(s, program, window, ("Down", "Down", "Return"))
            dialog = s.wait_for_window("^导出为 CSV$", process=program)
            s.activate(dialog)
            s.key("Return")
            self.assertEqual(s.message_text(program),
                             f"统计没有导出：不能在文件夹“{documents}”里写入文件（这个文件夹不允许"
                             "写入）。请换一个文件夹再试。")
            with self.assertRaises(harness.HarnessError):
                s.wait_for_window(harness.NOTICE_TITLE, timeout=1.5)
            self.assertEqual(os.listdir(documents), [])
            self.assertTrue(program.running())


if __name__ == "__main__":
    unittest.main()
