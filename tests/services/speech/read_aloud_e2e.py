"""A name read aloud by the real program: a voice pack made by build/voicepack beside the
program, a class whose only student is 张三丰, C pressed under a real window manager, and
what SDL's disk driver played looked at: three separate sounds, each shorter than the
450 ms a character has at the roll's reading rate, all within 1.35 s. The sound is kept as
a WAV (and a spectrogram when sox is installed) under the artifacts folder, to listen to.
Then a voice file from elsewhere whose sound for 三 claims 64 GB: the other two are read,
and the program lives on."""

import array
import io
import math
import pathlib
import shutil
import struct
import subprocess
import sys
import unittest
import wave

sys.path.insert(0, str(pathlib.Path(__file__).resolve().parents[2] / "e2e"))
import harness  # noqa: E402

RATE = 44100            # the disk driver's format: 44100 Hz, signed 16-bit, mono
FRAME = RATE // 100     # 10 ms
# A frame is sound when it is louder than this (full scale 32768): far above the dither of
# nothing, far below a syllable's quietest voiced frame.
SOUND_LEVEL = 300
# A gap this long ends a sound. The closure of an affricate ("zh") is a silence of some
# 30 ms inside a syllable; between the three sounds of this name there is 80 ms or more.
MIN_GAP_FRAMES = 5
NAME = "张三丰"
CHARACTER_MS = 450


def sound_runs(samples):
    """(start_ms, length_ms) of each stretch of sound."""
    loud = []
    for start in range(0, len(samples) - FRAME + 1, FRAME):
        frame = samples[start:start + FRAME]
        loud.append(max(abs(v) for v in frame) > SOUND_LEVEL)
    runs, start, quiet = [], None, 0
    for i, is_loud in enumerate(loud + [False] * MIN_GAP_FRAMES):
        if is_loud:
            start = i if start is None else start
            quiet = 0
        elif start is not None:
            quiet += 1
            if quiet == MIN_GAP_FRAMES:
                runs.append((start * 10, (i - quiet + 1 - start) * 10))
                start = None
    return runs


def tone_wav(hz, ms, rate=16000):
    """A WAV image of a sine tone, 16-bit mono."""
    frames = b"".join(struct.pack("<h", round(16000 * math.sin(2 * math.pi * hz * i / rate)))
                      for i in range(rate * ms // 1000))
    out = io.BytesIO()
    with wave.open(out, "wb") as w:
        w.setnchannels(1)
        w.setsampwidth(2)
        w.setframerate(rate)
        w.writeframes(frames)
    return out.getvalue()


def voice_file(characters, sounds):
    """The bytes of a voice file: characters maps a character to its sound's name; sounds is
    a list of (name, WAV image), where a number instead of an image is the size the entry
    claims, its data left for the caller to add."""
    def string(text):
        data = text.encode("gbk")
        return bytes([len(data)]) + data

    # The class is stored with the first object; the others refer to it (load index 1).
    tags = [struct.pack("<HHH", 0xFFFF, 1, 6) + b"CVoice"]

    def entry(key, name, data=b""):
        tag = tags.pop() if tags else struct.pack("<H", 0x8001)
        claimed = isinstance(data, int)
        return (string(key) + tag + string(name) + string("wav") +
                struct.pack("<d", data if claimed else len(data)) + (b"" if claimed else data))

    return (struct.pack("<H", len(characters)) +
            b"".join(entry(c, name) for c, name in characters.items()) +
            struct.pack("<H", len(sounds)) + b"".join(entry(n, n, data) for n, data in sounds))


class ReadAloudTest(unittest.TestCase):
    def read_name(self, s, write_pack):
        """Starts the program with the voice file that write_pack(path) writes beside it
        (written in place: copying a sparse file would read all of it), picks 张三丰 and
        returns the played samples and their sound runs once the name and some silence after
        it were played."""
        folder = s.program_folder()
        write_pack(folder / "VoxSound.dat")
        roster = s.make_class(folder, "一人班", [NAME])
        program, _ = s.start_rollcall(folder)
        s.key("c")
        harness.wait_until(lambda: s.read_class(roster)[0][2] == 1, what="the pick")

        # The device opens with the first sound, so the file starts with it; wait until
        # it holds the whole name and some silence after it.
        def played():
            if not program.running():
                raise harness.HarnessError(f"the program ended: {program.stderr_lines[-5:]}")
            if not s.audio_file.exists():
                return None
            data = s.audio_file.read_bytes()
            samples = array.array("h", data[:len(data) // 2 * 2])  # may be mid-write
            runs = sound_runs(samples)
            if runs and len(samples) >= (runs[0][0] + 3 * CHARACTER_MS + 300) * RATE // 1000:
                return samples, runs
            return None
        samples, runs = harness.wait_until(played, timeout=30, what="the name to be played")
        self.assertTrue(program.running())
        return samples, runs

    def test_a_picked_name_is_read_aloud_from_the_made_pack(self):
        tool = harness.BUILD_DIR / "voicepack"
        if not tool.exists():
            raise unittest.SkipTest("voicepack is not built")
        with harness.Session(window_manager=True, name="read-aloud", audio="disk") as s:
            samples, runs = self.read_name(s, lambda pack: subprocess.run(
                [tool, "--characters", NAME, "--output", pack], check=True,
                capture_output=True, timeout=120))
            self.keep(s, samples)

            first = runs[0][0]
            within = [r for r in runs if r[0] < first + 3 * CHARACTER_MS]
            self.assertEqual(len(within), 3, f"sounds (start ms, length ms): {runs}")
            for start, length in within:
                self.assertLess(length, CHARACTER_MS, runs)
                self.assertGreater(length, 100, runs)
            self.assertLessEqual(within[-1][0] + within[-1][1], first + 3 * CHARACTER_MS, runs)

    def test_a_sound_that_claims_64_gb_is_passed_over(self):
        # A file far larger than memory that takes no room on disk (sparse): its last sound,
        # the one for 三, claims 64 GB and the file is that long.
        with harness.Session(window_manager=True, name="read-aloud-huge", audio="disk") as s:
            head = voice_file({"张": "zhang1", "三": "san1", "丰": "feng1"},
                              [("zhang1", tone_wav(440, 200)), ("feng1", tone_wav(660, 200)),
                               ("san1", 64 << 30)])

            def write_pack(pack):
                with open(pack, "wb") as f:
                    f.write(head)
                    f.truncate(len(head) + (64 << 30))
            _, runs = self.read_name(s, write_pack)
            first = runs[0][0]
            within = [r for r in runs if r[0] < first + 3 * CHARACTER_MS]
            self.assertEqual(len(within), 2, f"sounds (start ms, length ms): {runs}")

    def keep(self, s, samples):
        """The played sound as a WAV, and its spectrogram, beside the screenshots."""
        harness.ARTIFACTS.mkdir(parents=True, exist_ok=True)
        raw = harness.ARTIFACTS / "read-aloud.raw"
        raw.write_bytes(samples.tobytes())
        if shutil.which("sox"):
            wav = harness.ARTIFACTS / "read-aloud.wav"
            subprocess.run(["sox", "-t", "raw", "-r", str(RATE), "-e", "signed", "-b", "16",
                            "-c", "1", raw, wav], check=True)
            # sox draws no Chinese characters: the title is the pinyin.
            subprocess.run(["sox", wav, "-n", "spectrogram", "-t", "zhang1 san1 feng1",
                            "-o", harness.ARTIFACTS / "read-aloud.png"], check=True)
        raw.unlink()


if __name__ == "__main__":
    unittest.main()
