"""What the two packages hold: their files, the Debian package's Depends, the desktop entry
and the icon."""

import configparser
import stat
import subprocess
import tarfile
import tempfile
import unittest
import xml.etree.ElementTree as ElementTree

import packages

PROGRAM_FILES = {"rollcall", "edbtool"} | ({"VoxSound.dat"} if packages.WITH_VOICE else set())
SVG = "{http://www.w3.org/2000/svg}"


def regular_files(members):
    return {path: m for path, m in members.items() if m.isfile()}


def executable(member):
    return bool(member.mode & stat.S_IXUSR)


class PackagesTest(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.scratch = tempfile.TemporaryDirectory()
        cls.portable = packages.members(packages.portable())
        data = f"{cls.scratch.name}/data.tar"
        with open(data, "wb") as out:
            subprocess.run(["dpkg-deb", "--fsys-tarfile", packages.deb()], stdout=out,
                           check=True)
        cls.deb = packages.members(data)

    @classmethod
    def tearDownClass(cls):
        cls.scratch.cleanup()

    def test_file_lists(self):
        portable = regular_files(self.portable)
        self.assertEqual(set(portable), {f"rollcall/{name}" for name in PROGRAM_FILES | {
            "install-desktop-entry.sh", "rollcall.desktop", "rollcall.svg"}})
        # The data folder is there, empty, for the program never makes it.
        self.assertTrue(self.portable["rollcall/date"].isdir())
        self.assertEqual([p for p in self.portable if p.startswith("rollcall/date/")], [])

        deb = regular_files(self.deb)
        self.assertEqual(set(deb), {f"opt/rollcall/{name}" for name in PROGRAM_FILES} | {
            "usr/bin/rollcall", "usr/share/applications/rollcall.desktop",
            "usr/share/icons/hicolor/scalable/apps/rollcall.svg"})

        for files, runnable in ((portable, ["rollcall/rollcall", "rollcall/edbtool",
                                            "rollcall/install-desktop-entry.sh"]),
                                (deb, ["opt/rollcall/rollcall", "opt/rollcall/edbtool",
                                       "usr/bin/rollcall"])):
            for path in runnable:
                self.assertTrue(executable(files[path]), path)
        # Stripped: the build's program with its debugging information is many times larger.
        self.assertLess(deb["opt/rollcall/rollcall"].size, 4_000_000)

    def test_depends(self):
        field = subprocess.run(["dpkg-deb", "-f", packages.deb(), "Depends"], check=True,
                               capture_output=True, text=True).stdout
        names = {d.strip().split(" ")[0] for d in field.split(",")}
        # Found in the program by dpkg-shlibdeps, and the two it cannot see: SDL is opened
        # with dlopen at the first sound, the font is no library.
        for needed in ("libqt6widgets6", "libqt6gui6", "libxcb1", "libxcb-keysyms1", "libc6",
                       "libsdl2-2.0-0", "fonts-noto-cjk"):
            self.assertIn(needed, names)
        self.assertEqual([n for n in names if n.endswith("-dev")], [])
        # Every package named exists in the distribution (all are installed on this machine).
        missing = subprocess.run(["dpkg-query", "-W", *names], capture_output=True, text=True)
        self.assertEqual(missing.returncode, 0, missing.stderr)

    def test_desktop_entry(self):
        with tempfile.TemporaryDirectory() as root:
            packages.install_deb(root)
            entry = f"{root}/usr/share/applications/rollcall.desktop"
            result = subprocess.run(["desktop-file-validate", entry], capture_output=True,
                                    text=True)
            self.assertEqual((result.returncode, result.stdout + result.stderr), (0, ""))
            parser = configparser.ConfigParser(interpolation=None, strict=True)
            parser.optionxform = str
            parser.read(entry, encoding="utf-8")
            main = parser["Desktop Entry"]
            self.assertEqual(main["Name[zh]"], "随机点名")
            self.assertTrue(main["Name"].isascii())
            self.assertEqual(main["Categories"], "Education;")
            self.assertEqual((main["Exec"], main["Icon"]), ("rollcall", "rollcall"))
            with open(entry, "rb") as installed, \
                 open(f"{root}/usr/share/icons/hicolor/scalable/apps/rollcall.svg", "rb") as icon:
                self.assertEqual(installed.read(), self.read_portable("rollcall.desktop"))
                self.assertEqual(icon.read(), self.read_portable("rollcall.svg"))

    def test_icon_draws(self):
        image = ElementTree.fromstring(self.read_portable("rollcall.svg"))
        self.assertEqual(image.tag, f"{SVG}svg")
        _, _, width, height = image.get("viewBox").split()
        self.assertEqual(width, height)
        # Self-contained: nothing drawn from another file, nothing run.
        self.assertEqual([e.tag for e in image.iter() if e.tag in (f"{SVG}image", f"{SVG}script")],
                         [])
        with tempfile.TemporaryDirectory() as scratch:
            svg, png = f"{scratch}/icon.svg", f"{scratch}/icon.png"
            with open(svg, "wb") as out:
                out.write(self.read_portable("rollcall.svg"))
            subprocess.run(["rsvg-convert", "-w", "48", "-h", "48", svg, "-o", png], check=True)
            # A picture with a transparent corner (its rounded edge) and an opaque middle.
            corner, middle = (subprocess.run(
                ["convert", png, "-format", f"%[fx:p{{{x},{y}}}.a]", "info:"], check=True,
                capture_output=True, text=True).stdout for x, y in ((0, 0), (24, 24)))
            self.assertEqual((float(corner), float(middle)), (0.0, 1.0))
            colours = subprocess.run(["identify", "-format", "%k", png], check=True,
                                     capture_output=True, text=True).stdout
            self.assertGreater(int(colours), 50)

    @classmethod
    def read_portable(cls, name):
        with tarfile.open(packages.portable()) as tar:
            return tar.extractfile(f"rollcall/{name}").read()


if __name__ == "__main__":
    unittest.main()
