"""What the two packages hold: their files, the Debian package's Depends, the desktop entry
and the icon. Running the files is the teacher-install test's part."""

import subprocess
import tarfile
import tempfile
import unittest

import packages

PROGRAM_FILES = {"rollcall", "edbtool"} | ({"VoxSound.dat"} if packages.WITH_VOICE else set())


def run(*argv):
    return subprocess.run([str(a) for a in argv], check=True, capture_output=True,
                          text=True).stdout


class PackagesTest(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.scratch = tempfile.TemporaryDirectory()
        data = f"{cls.scratch.name}/data.tar"
        with open(data, "wb") as out:
            subprocess.run(["dpkg-deb", "--fsys-tarfile", packages.deb()], stdout=out,
                           check=True)
        cls.deb = packages.members(data)
        cls.portable = packages.members(packages.portable())
        cls.root = packages.install_deb(f"{cls.scratch.name}/root")

    @classmethod
    def tearDownClass(cls):
        cls.scratch.cleanup()

    def portable_file(self, name):
        with tarfile.open(packages.portable()) as tar:
            return tar.extractfile(f"rollcall/{name}").read()

    def test_file_lists(self):
        files = lambda members: {path for path, m in members.items() if m.isfile()}
        self.assertEqual(files(self.portable), {f"rollcall/{name}" for name in PROGRAM_FILES | {
            "install-desktop-entry.sh", "rollcall.desktop", "rollcall.svg"}})
        # The data folder is there, empty: the program never makes it.
        self.assertTrue(self.portable["rollcall/date"].isdir())
        self.assertFalse([p for p in self.portable if p.startswith("rollcall/date/")])
        self.assertEqual(files(self.deb), {f"opt/rollcall/{name}" for name in PROGRAM_FILES} | {
            "usr/bin/rollcall", "usr/share/applications/rollcall.desktop",
            "usr/share/icons/hicolor/scalable/apps/rollcall.svg"})
        # Stripped: with its debugging information the program is many times larger.
        self.assertLess(self.deb["opt/rollcall/rollcall"].size, 4_000_000)

    def test_depends(self):
        names = {d.split()[0] for d in run("dpkg-deb", "-f", packages.deb(), "Depends").split(",")}
        # Found in the program by dpkg-shlibdeps, and the two it cannot see: SDL is opened
        # with dlopen at the first sound, the font is no library.
        self.assertLessEqual({"libqt6widgets6", "libqt6gui6", "libxcb1", "libxcb-keysyms1",
                              "libc6", "libsdl2-2.0-0", "fonts-noto-cjk"}, names)
        self.assertFalse([n for n in names if n.endswith("-dev")])

    def test_desktop_entry_and_icon(self):
        entry = self.root / "usr/share/applications/rollcall.desktop"
        result = subprocess.run(["desktop-file-validate", entry], capture_output=True, text=True)
        self.assertEqual((result.returncode, result.stdout + result.stderr), (0, ""))
        lines = entry.read_text(encoding="utf-8").splitlines()
        head = lines[:lines.index("")]
        for line in ("Name[zh]=随机点名", "Categories=Education;", "Exec=rollcall",
                     "Icon=rollcall"):
            self.assertIn(line, head)
        self.assertTrue(next(l for l in head if l.startswith("Name=")).isascii())

        icon = self.root / "usr/share/icons/hicolor/scalable/apps/rollcall.svg"
        self.assertEqual(entry.read_bytes(), self.portable_file("rollcall.desktop"))
        self.assertEqual(icon.read_bytes(), self.portable_file("rollcall.svg"))
        # It draws at menu size: a transparent corner (its rounded edge), an opaque middle
        # and a picture, not a plain square.
        png = f"{self.scratch.name}/icon.png"
        run("rsvg-convert", "-w", "48", "-h", "48", icon, "-o", png)
        alpha = [float(run("convert", png, "-format", f"%[fx:p{{{x},{y}}}.a]", "info:"))
                 for x, y in ((0, 0), (24, 24))]
        self.assertEqual(alpha, [0.0, 1.0])
        self.assertGreater(int(run("identify", "-format", "%k", png)), 50)


if __name__ == "__main__":
    unittest.main()
