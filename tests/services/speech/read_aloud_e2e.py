"""A name read aloud by the real program: a voice pack made by build/voicepack beside the
program, a class whose only student is 张三丰, C pressed under a real window manager.

Two records are looked at. What the program asked SDL to play, and when, comes from the
test's stand-in for SDL's library (sdl_call_log.cpp, first on LD_LIBRARY_PATH): the sounds
of 张, 三 and 丰 in this order, each replacing the one before, each shorter than the 450 ms a
character has at the roll's reading rate and queued no sooner than that after the one before.
What the device played comes from SDL's disk driver: each of those sounds whole, in order,
with silence between them and after them. The driver's thread writes whenever it gets to run,
so its file keeps no reliable time and is not timed. The sound is kept as a WAV (and a
spectrogram when sox is installed) under the artifacts folder, to listen to.

Then a voice file from elsewhere whose sound for 三 claims 64 GB: the other two are asked
for, and the program lives on."""

import io
import math
import os
import pathlib
import shutil
import struct
import subprocess
import sys
import unittest
import wave

sys.path.insert(0, str(pathlib.Path(__file__).resolve().parents[2] / "e2e"))
import harness  # noqa: E402

RATE = 44100            # the device's format: 44100 Hz, signed 16-bit, mono
BYTES_PER_MS = RATE * 2 / 1000
NAME = "张三丰"
CHARACTER_MS = 450
# A reading makes up this much of a sleep that returned late, so a character may be this
# much shorter than its 450 ms; never more.
CATCH_UP_MS = 20
# A character longer than this is no longer on the reading's schedule, even on a loaded
# machine: the reading rate was not applied.
LONGEST_CHARACTER_MS = 650
SILENCE_AFTER_MS = 300
SDL_CALL_LOG = pathlib.Path(os.environ.get(
    "ROLLCALL_SDL_CALL_LOG", harness.BUILD_DIR / "tests" / "services" / "speech" / "sdl_call_log"))


def pack_sounds(pack):
    """{character: WAV image} of a voice pack, read by the file's layout: two maps, the first
    giving each character (GBK) an entry that names its sound, the second giving each sound
    name an entry that holds the sound. Only the forms the tool writes are read."""
    data, pos, stored = pack.read_bytes(), 0, [None]  # load index 0 is the null object

    def take(form):
        nonlocal pos
        (value,) = struct.unpack_from(form, data, pos)
        pos += struct.calcsize(form)
        return value

    def string():
        nonlocal pos
        length = take("<B")
        assert length < 0xFF, "a long or marked string"
        pos += length
        return data[pos - length:pos]

    def entry():
        nonlocal pos
        tag = take("<H")
        if tag < 0x7FFF:
            return stored[tag]  # an entry stored before
        if tag == 0xFFFF:  # a new class: its schema and name
            take("<H")
            length = take("<H")
            pos += length
            stored.append("class")
        else:
            assert tag & 0x8000, f"tag {tag:#x}"
        stored.append(None)
        index = len(stored) - 1
        name, _ = string(), string()
        size = int(take("<d"))
        stored[index] = (name, data[pos:pos + size])
        pos += size
        return stored[index]

    def read_map():
        count = take("<H")
        assert count < 0xFFFF, "a long map"
        return dict((string(), entry()) for _ in range(count))
    characters = read_map()
    sounds = read_map()
    return {key.decode("gbk"): sounds[name][1] for key, (name, _) in characters.items()}


def sdl_calls(log):
    """The calls noted by the stand-in, as (kind, seconds, data) with the WAV image of each
    decode and the samples of each queue (None for the others)."""
    calls = []
    # The lines first: the stand-in writes a call's data before its line.
    lines = log.read_text().splitlines() if log.exists() else []
    blobs = {"decode": log.with_name(log.name + ".wav"), "queue": log.with_name(log.name + ".pcm")}
    contents = {kind: path.read_bytes() if path.exists() else b"" for kind, path in blobs.items()}
    offsets = dict.fromkeys(blobs, 0)
    for line in lines:
        kind, seconds, *size = line.split()
        data = None
        if kind in blobs:
            data = contents[kind][offsets[kind]:offsets[kind] + int(size[0])]
            offsets[kind] += int(size[0])
        calls.append((kind, float(seconds), data))
    return calls


def silence_after(samples, sounds):
    """When each sound lies whole in what the device played, in their order, with nothing but
    silence (zero samples) before, between and after them: how many bytes of silence follow
    the last one. None when they do not (yet)."""
    end = 0
    for sound in sounds:
        at = samples.find(sound, end)
        if at < 0 or samples[end:at].count(0) != at - end:
            return None
        end = at + len(sound)
    silence = len(samples) - end
    return silence if samples[end:].count(0) == silence else None


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
    def make_pack(self, characters, path):
        tool = harness.BUILD_DIR / "voicepack"
        if not tool.exists():
            raise unittest.SkipTest("voicepack is not built")
        subprocess.run([tool, "--characters", characters, "--output", path], check=True,
                       capture_output=True, timeout=120)
        return path

    def test_a_picked_name_is_read_aloud_from_the_made_pack(self):
        with harness.Session(window_manager=True, name="read-aloud", audio="disk") as s:
            pack = self.make_pack(NAME, s._temp / "VoxSound.dat")
            expected = [pack_sounds(pack)[c] for c in NAME]
            folder = s.program_folder(files=[pack])
            roster = s.make_class(folder, "一人班", [NAME])
            log = self.log_sdl_calls(s)
            # The driver takes a buffer of 23 ms every 10 ms, faster than the sound plays, so
            # that its thread running late never leaves a sound queued when the next replaces
            # it: what it writes is then what the program let play.
            s.env["SDL_DISKAUDIODELAY"] = "10"
            program, _ = s.start_rollcall(folder)
            s.key("c")
            harness.wait_until(lambda: s.read_class(roster)[0][2] == 1, what="the pick")

            def asked():
                calls = sdl_calls(log)
                return calls if sum(kind == "queue" for kind, _, _ in calls) >= len(NAME) else None
            try:
                self.check_what_was_asked(
                    harness.wait_until(asked, what="the name's sounds to be asked for"), expected)

                def silence_after_the_name():
                    sounds = [data for kind, _, data in sdl_calls(log) if kind == "queue"]
                    samples = s.audio_file.read_bytes() if s.audio_file.exists() else b""
                    # The driver may be writing a sample just now.
                    return silence_after(samples[:len(samples) // 2 * 2], sounds)
                harness.wait_until(
                    lambda: (silence_after_the_name() or 0) >= SILENCE_AFTER_MS * BYTES_PER_MS,
                    what="the sounds played whole, in order, silence between and after them")
            finally:
                self.keep(s, log)
            self.assertTrue(program.running())

    def log_sdl_calls(self, s):
        """Has the programs of the session use the stand-in for SDL, and returns its log."""
        log = s._temp / "sdl-calls"
        s.env["LD_LIBRARY_PATH"] = os.pathsep.join(
            filter(None, [str(SDL_CALL_LOG), s.env.get("LD_LIBRARY_PATH")]))
        s.env["ROLLCALL_SDL_LOG"] = str(log)
        return log

    def test_a_sound_that_claims_64_gb_is_passed_over(self):
        # A file far larger than memory that takes no room on disk (sparse): its last sound,
        # the one for 三, claims 64 GB and the file is that long. It is written in place:
        # copying a sparse file would read all of it.
        with harness.Session(window_manager=True, name="read-aloud-huge", audio="disk") as s:
            zhang, feng = tone_wav(440, 200), tone_wav(660, 200)
            head = voice_file({"张": "zhang1", "三": "san1", "丰": "feng1"},
                              [("zhang1", zhang), ("feng1", feng), ("san1", 64 << 30)])
            folder = s.program_folder()
            with open(folder / "VoxSound.dat", "wb") as f:
                f.write(head)
                f.truncate(len(head) + (64 << 30))
            roster = s.make_class(folder, "一人班", [NAME])
            log = self.log_sdl_calls(s)
            program, _ = s.start_rollcall(folder)
            s.key("c")
            harness.wait_until(lambda: s.read_class(roster)[0][2] == 1, what="the pick")
            # 丰 comes last: once it is asked for, the reading is over.
            decoded = harness.wait_until(
                lambda: (lambda d: d if len(d) >= 2 else None)(
                    [data for kind, _, data in sdl_calls(log) if kind == "decode"]),
                what="the two sounds to be asked for")
            self.assertEqual(decoded, [zhang, feng])
            self.assertTrue(program.running())

    def check_what_was_asked(self, calls, expected):
        """Each character's sound, each replacing what was left of the one before, each
        shorter than a character and played to its end before the next."""
        kinds = [kind for kind, _, _ in calls if kind != "open"]
        self.assertEqual(kinds, ["decode", "clear", "queue"] * len(NAME))
        decoded = [data for kind, _, data in calls if kind == "decode"]
        self.assertEqual(decoded, expected, f"sizes asked {[len(d) for d in decoded]}, "
                                            f"made {[len(e) for e in expected]}")
        queued = [(at, len(data) / BYTES_PER_MS) for kind, at, data in calls if kind == "queue"]
        for (at, length), (next_at, _) in zip(queued, queued[1:]):
            gap_ms = (next_at - at) * 1000
            self.assertGreaterEqual(gap_ms, max(length, CHARACTER_MS - CATCH_UP_MS), queued)
            self.assertLessEqual(gap_ms, LONGEST_CHARACTER_MS, queued)
        for _, length in queued:
            self.assertGreater(length, 100, queued)
            self.assertLess(length, CHARACTER_MS, queued)

    def keep(self, s, log):
        """The calls noted, and what the device played as a WAV and its spectrogram, beside
        the screenshots."""
        harness.ARTIFACTS.mkdir(parents=True, exist_ok=True)
        if log.exists():
            shutil.copy(log, harness.ARTIFACTS / "read-aloud-sdl-calls.txt")
        if not (s.audio_file and s.audio_file.exists()):
            return
        if shutil.which("sox"):
            wav = harness.ARTIFACTS / "read-aloud.wav"
            subprocess.run(["sox", "-t", "raw", "-r", str(RATE), "-e", "signed", "-b", "16",
                            "-c", "1", s.audio_file, wav], check=True)
            # sox draws no Chinese characters: the title is the pinyin.
            subprocess.run(["sox", wav, "-n", "spectrogram", "-t", "zhang1 san1 feng1",
                            "-o", harness.ARTIFACTS / "read-aloud.png"], check=True)


if __name__ == "__main__":
    unittest.main()
