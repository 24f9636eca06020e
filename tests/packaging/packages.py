"""The packages made by tools/package.sh for the packaging tests, and how to open them."""

import os
import pathlib
import subprocess
import tarfile

FOLDER = pathlib.Path(os.environ.get("ROLLCALL_PACKAGES", "build/tests/packaging/packages"))
WITH_VOICE = os.environ.get("ROLLCALL_PACKAGED_VOICE", "1") == "1"


def only(pattern):
    """The one package file matching the pattern."""
    found = sorted(FOLDER.glob(pattern))
    if len(found) != 1:
        raise AssertionError(f"expected one {pattern} in {FOLDER}, found {found}")
    return found[0]


def portable():
    return only("rollcall-*-portable.tar.gz")


def deb():
    return only("rollcall_*.deb")


def unpack_portable(into):
    """Unpacks the portable archive as a teacher does; returns the rollcall/ folder."""
    subprocess.run(["tar", "-xzf", portable(), "-C", into], check=True)
    return pathlib.Path(into) / "rollcall"


def install_deb(root):
    """Installs the Debian package's files under root, as dpkg would under /."""
    subprocess.run(["dpkg-deb", "-x", deb(), root], check=True)
    return pathlib.Path(root)


def members(archive):
    """{path: tarinfo} of a tar archive, paths without a leading "./" or trailing "/"."""
    with tarfile.open(archive) as tar:
        return {m.name.removeprefix("./").rstrip("/"): m for m in tar.getmembers()
                if m.name not in (".", "./")}
