# dov.open's sources, limits and threads, and what it refuses: wrong types,
# files that are no documents, failing file objects; nothing crashes the
# interpreter (pytest's faulthandler reports a crash as a failure).
import io
import os
import pathlib
import subprocess
import sys
import threading

import pytest
from PIL import Image

import dov
import dov.pillow  # noqa: F401
from conftest import SAMPLES

ANIMATION = next(p for p in SAMPLES if p.stem == "animation")


class Unreadable(io.RawIOBase):
    def readable(self):
        return True

    def readinto(self, buffer):
        raise OSError("disk on fire")


class ReadsText:
    def read(self, size=-1):
        return "text"


class TrickleReader:
    """A raw file that gives a few bytes at a time, through read() only."""

    def __init__(self, data):
        self.data = data

    def read(self, size=-1):
        chunk, self.data = self.data[:7], self.data[7:]
        return chunk


@pytest.mark.parametrize("source", [
    lambda p: p, lambda p: str(p), lambda p: os.fsencode(str(p)).decode(), lambda p: p.read_bytes(),
    lambda p: bytearray(p.read_bytes()), lambda p: memoryview(p.read_bytes()), lambda p: open(p, "rb"),
    lambda p: io.BytesIO(p.read_bytes()), lambda p: TrickleReader(p.read_bytes()),
], ids=["path", "str", "fsdecoded", "bytes", "bytearray", "memoryview", "file", "bytesio", "trickle"])
def test_every_kind_of_source_reads_the_same(source):
    want = [f.to_rgba() for f in dov.open(ANIMATION).frames]
    assert [f.to_rgba() for f in dov.open(source(ANIMATION)).frames] == want


@pytest.mark.parametrize("source, error", [
    (b"", dov.DovError),
    (b"DorvX200", dov.DovError),
    (b"\x89PNG\r\n\x1a\n" + bytes(64), dov.DovError),
    (pathlib.Path("/nonexistent/a.dov"), dov.DovError),
    (pathlib.Path("/"), dov.DovError),
    ("bad\0path", ValueError),
    (Unreadable(), OSError),
    (ReadsText(), TypeError),
    (123, TypeError),
    (None, TypeError),
    ([b"DorvX200"], TypeError),
])
def test_bad_sources_raise(source, error):
    with pytest.raises(error):
        dov.open(source)


def test_dov_error_carries_libdov_code_and_message():
    with pytest.raises(dov.DovError) as caught:
        dov.open(b"hello, not a document")
    assert caught.value.code == dov._dov.ERROR_NOT_A_DOCUMENT
    assert str(caught.value)


@pytest.mark.parametrize("data", [b"", b"GIF89a" + bytes(30), b"hello\n", b"Dor"])
def test_pillow_tells_foreign_files_apart(data):
    with pytest.raises(Image.UnidentifiedImageError):
        Image.open(io.BytesIO(data))


@pytest.mark.parametrize("data", [b"Dorv", b"Dorv107", b"DorvX200" + bytes(40)])
def test_pillow_raises_dov_error_for_a_broken_document(data):
    with pytest.raises(dov.DovError):
        Image.open(io.BytesIO(data))


@pytest.mark.parametrize("limits", [{"max_frame_pixels": 96 * 64 - 1}, {"max_frames": 2},
                                    {"max_memory": 1024}])
def test_limits_refuse_before_reading(limits):
    with pytest.raises(dov.DovError) as caught:
        dov.open(ANIMATION, **limits)
    assert caught.value.code == dov._dov.ERROR_LIMIT
    dov.open(ANIMATION, max_frame_pixels=96 * 64, max_frames=3)


@pytest.mark.parametrize("kwargs, error", [({"max_frames": -1}, ValueError), ({"threads": 2}, dov.DovError),
                                           ({"max_frames": 2**32}, dov.DovError)])
def test_bad_keyword_arguments(kwargs, error):
    with pytest.raises(error):
        dov.open(ANIMATION, **kwargs)


def test_pillow_options_reach_the_decoder():
    try:
        dov.pillow.register(max_frames=1)
        with pytest.raises(dov.DovError):
            Image.open(ANIMATION)
    finally:
        dov.pillow.register()


def test_threads_give_the_same_pixels_and_one_document_serves_many_threads():
    want = [f.to_rgba() for f in dov.open(ANIMATION, threads=1).frames]
    doc = dov.open(ANIMATION)
    results = [None] * 8

    def work(k):
        results[k] = [f.to_rgba() for f in doc.frames] + [l.to_rgba() for l in doc.frames[k % 3].layers]

    threads = [threading.Thread(target=work, args=(k,)) for k in range(8)]
    for t in threads:
        t.start()
    for t in threads:
        t.join()
    for k, got in enumerate(results):
        assert got[:3] == want
        assert got[3:] == [l.to_rgba() for l in doc.frames[k % 3].layers]


def test_closed_document_refuses_pixels():
    with dov.open(ANIMATION) as doc:
        frame = doc.frames[0]
    with pytest.raises(ValueError):
        frame.to_rgba()


def test_indices_are_refused_for_colour_frames():
    with pytest.raises(dov.DovError) as caught:
        dov.open(ANIMATION).frames[0].to_indexed()
    assert caught.value.code == dov._dov.ERROR_NOT_INDEXED


def test_numpy_arrays_when_numpy_is_there():
    np = pytest.importorskip("numpy")
    frame = dov.open(next(p for p in SAMPLES if p.stem == "palette4")).frames[0]
    assert np.asarray(frame).shape == (24, 40, 4)
    assert frame.to_numpy(indexed=True).tobytes() == frame.to_indexed().indices
    assert frame.to_numpy().flags.writeable


def test_everything_but_arrays_works_without_numpy():
    script = f"""
import sys
sys.modules["numpy"] = None
import dov, dov.pillow
from PIL import Image
doc = dov.open({str(ANIMATION)!r})
assert len(doc.frames[2].to_rgba()) == 96 * 64 * 4
Image.open({str(ANIMATION)!r}).convert("RGB")
assert dov.open(dov.encode([Image.new("RGB", (3, 2))])).frames[0].size == (3, 2)
try:
    doc.frames[0].to_numpy()
except ImportError as e:
    print("ImportError:", e)
"""
    result = subprocess.run([sys.executable, "-c", script], capture_output=True, text=True)
    assert result.returncode == 0, result.stderr
    assert "ImportError: to_numpy() needs NumPy" in result.stdout


def test_pillow_pixel_guard_refuses_before_libdov_takes_memory(monkeypatch):
    monkeypatch.setattr(Image, "MAX_IMAGE_PIXELS", 96 * 64 // 2 - 1)
    with pytest.raises(dov.DovError) as caught:
        Image.open(ANIMATION)
    assert caught.value.code == dov._dov.ERROR_LIMIT
    monkeypatch.setattr(Image, "MAX_IMAGE_PIXELS", 96 * 64 // 2)
    with pytest.warns(Image.DecompressionBombWarning):
        assert Image.open(ANIMATION).size == (96, 64)
