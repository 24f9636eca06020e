"""A teacher installs each package and starts the program from it under X: the portable
folder unpacked in the home folder, with its menu and login entries; the Debian package
unpacked into a scratch root, its rollcall command making the teacher's own copy, which a
second start and an upgrade keep, class file and all."""

import filecmp
import os
import pathlib
import subprocess
import tempfile
import unittest

import harness
import packages

CLASS = "三（2）班"


class TeacherInstallTest(unittest.TestCase):
    def validate(self, entry):
        result = subprocess.run(["desktop-file-validate", entry], capture_output=True, text=True)
        self.assertEqual((result.returncode, result.stdout + result.stderr), (0, ""), entry)

    def edbtool(self, tool, *args):
        subprocess.run([tool, *map(str, args)], check=True, capture_output=True)

    def make_class(self, folder, students):
        """A class file made with the package's own edbtool; returns its path."""
        roster = folder / "date" / f"{CLASS}.edb"
        self.edbtool(folder / "edbtool", "create", roster, *harness.ROSTER_FIELDS)
        for name in students:
            self.edbtool(folder / "edbtool", "add", roster, CLASS, name, 0, 0)
        return roster

    def test_portable_folder(self):
        with tempfile.TemporaryDirectory() as home, \
             harness.Session(window_manager=True, name="portable") as s:
            home = pathlib.Path(home)
            folder = packages.unpack_portable(home)
            self.make_class(folder, ["张三", "李四"])
            program, _ = s.start_rollcall(folder)
            s.wait_for_window(f"^{CLASS}按C键 随机点名$", process=program)
            s.screenshot("main-window")
            program.stop()
            self.assertEqual(sorted(os.listdir(folder / "date")), [f"{CLASS}.edb"])

            env = dict(os.environ, HOME=str(home))
            for variable in ("XDG_DATA_HOME", "XDG_CONFIG_HOME"):
                env.pop(variable, None)
            menu = home / ".local/share/applications/rollcall.desktop"
            login = home / ".config/autostart/rollcall.desktop"
            script = folder / "install-desktop-entry.sh"
            subprocess.run([script, "--autostart"], env=env, check=True)
            for entry in (menu, login):
                self.validate(entry)
                text = entry.read_text(encoding="utf-8")
                for command in ("", " --roll", " --wrong", " --statistics"):
                    self.assertIn(f'Exec="{folder}/rollcall"{command}\n', text)
            subprocess.run([script, "--no-autostart"], env=env, check=True)
            self.assertEqual((menu.exists(), login.exists()), (True, False))
            subprocess.run([script, "--remove"], env=env, check=True)
            self.assertEqual((menu.exists(), login.exists()), (False, False))

    def test_debian_package(self):
        with tempfile.TemporaryDirectory() as scratch, \
             harness.Session(window_manager=True, name="deb") as s:
            root = packages.install_deb(pathlib.Path(scratch) / "root")
            installed = root / "opt/rollcall"
            home = pathlib.Path(scratch) / "home"
            home.mkdir()
            s.env["HOME"] = str(home)
            for variable in ("XDG_DATA_HOME", "XDG_CONFIG_HOME"):
                s.env.pop(variable, None)
            own = home / ".local/share/rollcall"
            command = root / "usr/bin/rollcall"

            def start():
                program = s.start([command])
                s.activate(s.wait_for_window(harness.NOTICE_TITLE, process=program))
                s.key("Return")
                return program, s.wait_for_window(harness.MAIN_TITLE, process=program)

            program, _ = start()
            names = sorted(os.listdir(own))
            self.assertEqual(names, sorted(["date", *os.listdir(installed)]))
            self.assertEqual(os.listdir(own / "date"), [])
            for name in os.listdir(installed):
                self.assertTrue(filecmp.cmp(installed / name, own / name, shallow=False), name)
            program.stop()

            roster = self.make_class(own, ["王五", "赵六"])
            kept = roster.read_bytes()
            # An upgrade: the installed program is newer than the teacher's copy.
            upgraded = (installed / "rollcall").stat().st_mtime + 60
            os.utime(installed / "rollcall", (upgraded, upgraded))
            program, _ = start()
            s.wait_for_window(f"^{CLASS}按C键 随机点名$", process=program)
            self.assertEqual((own / "rollcall").stat().st_mtime, upgraded)
            self.assertEqual(roster.read_bytes(), kept)
            # The menu entry's 点名 runs the command through the package's rollcall.
            subprocess.run([command, "--roll"], env=s.env, check=True)
            harness.wait_until(lambda: sum(r[2] for r in s.read_class(roster)) == 1,
                               what="the pick of the command")
            program.stop()

            subprocess.run([command, "--start-at-login"], env=s.env, check=True)
            login = home / ".config/autostart/rollcall.desktop"
            self.validate(login)
            subprocess.run([command, "--no-start-at-login"], env=s.env, check=True)
            self.assertFalse(login.exists())


if __name__ == "__main__":
    unittest.main()
