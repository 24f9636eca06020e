"""A name read aloud by the real program: a voice pack made by build/voicepack beside the
program, a class whose only student is 张三丰, C pressed under a real window manager, and
what SDL's disk driver played looked at: three separate sounds, each shorter than the
450 ms a character has at the roll's reading rate, all within 1.35 s. The sound is kept as
a WAV (and a spectrogram when sox is installed) under the artifacts folder, to listen to."""

import array
import pathlib
import shutil
import subprocess
import sys
import unittest

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


class ReadAloudTest(unittest.TestCase):
    def test_a_picked_name_is_read_aloud_from_the_made_pack(self):
        tool = harness.BUILD_DIR / "voicepack"
        if not tool.exists():
            raise unittest.SkipTest("voicepack is not built")
        with harness.Session(window_manager=True, name="read-aloud", audio="disk") as s:
            pack = s._temp / "VoxSound.dat"
            subprocess.run([tool, "--characters", NAME, "--output", pack], check=True,
                           capture_output=True, timeout=120)
            folder = s.program_folder(files=[pack])
            roster = s.make_class(folder, "一人班", [NAME])
            program, _ = s.start_rollcall(folder)
            s.key("c")
            harness.wait_until(lambda: s.read_class(roster)[0][2] == 1, what="the pick")

            # The device opens with the first sound, so the file starts with it; wait until
            # it holds the whole name and some silence after it.
            def played():
                if not s.audio_file.exists():
                    return None
                data = s.audio_file.read_bytes()
                samples = array.array("h", data[:len(data) // 2 * 2])  # may be mid-write
                runs = sound_runs(samples)
                if runs and len(samples) >= (runs[0][0] + 3 * CHARACTER_MS + 300) * RATE // 1000:
                    return samples, runs
                return None
            samples, runs = harness.wait_until(played, timeout=30, what="the name to be played")
            self.keep(s, samples)
            self.assertTrue(program.running())

            first = runs[0][0]
            within = [r for r in runs if r[0] < first + 3 * CHARACTER_MS]
            self.assertEqual(len(within), 3, f"sounds (start ms, length ms): {runs}")
            for start, length in within:
                self.assertLess(length, CHARACTER_MS, runs)
                self.assertGreater(length, 100, runs)
            self.assertLessEqual(within[-1][0] + within[-1][1], first + 3 * CHARACTER_MS, runs)

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
