# Writing documents: Pillow's save_all and dov.save round trips, conversions
# to other animated formats, and refusals of what cannot be written.
import io

import pytest
from PIL import Image, features

import dov
import dov.pillow  # noqa: F401
from conftest import SAMPLES


def visible(image):
    """RGBA bytes with the colour of clear pixels left out: documents store
    them black."""
    rgba = bytearray(image.convert("RGBA").tobytes())
    for i in range(3, len(rgba), 4):
        if rgba[i] == 0:
            rgba[i - 3:i] = b"\0\0\0"
    return bytes(rgba)


def three_frames(mode):
    frames = []
    for k in range(3):
        image = Image.new("RGBA", (23, 11), (40 * k, 200 - 30 * k, 90, 255))
        image.paste((255, 255, 0, 128 if k else 0), (k * 3, 2, k * 3 + 7, 8))
        frames.append(image.convert(mode) if mode != "P" else image.convert("RGB").quantize(16))
    if mode == "P":
        frames[1].info["transparency"] = 2
    return frames


@pytest.mark.parametrize("mode", ["RGBA", "RGB", "L", "LA", "P", "1"])
@pytest.mark.parametrize("compression", ["zlib", "none"])
def test_pillow_round_trip_keeps_frames_and_durations(mode, compression, tmp_path):
    frames = three_frames(mode)
    path = tmp_path / "three.dov"
    frames[0].save(path, save_all=True, append_images=frames[1:], duration=[40, 250, 1000],
                   compression=compression)
    reopened = Image.open(path)
    assert reopened.n_frames == 3
    for k, want in enumerate(frames):
        reopened.seek(k)
        assert reopened.info["duration"] == [40, 250, 1000][k]
        assert visible(reopened) == visible(want)
        if mode == "P":
            assert reopened.mode == "P"
            assert reopened.info.get("transparency") == want.info.get("transparency")


def test_lossy_save_stays_close_and_applies_quality(tmp_path):
    frame = Image.radial_gradient("L").convert("RGB").resize((64, 64))
    sizes = {}
    for quality in (10, 95):
        path = tmp_path / f"q{quality}.dov"
        frame.save(path, compression="lossy", quality=quality)
        sizes[quality] = path.stat().st_size
        got = Image.open(path).convert("RGB")
        diff = sum(abs(a - b) for a, b in zip(got.tobytes(), frame.tobytes())) / (64 * 64 * 3)
        assert diff < 8
    assert sizes[10] < sizes[95]


def test_single_save_writes_the_current_frame():
    image = Image.open(SAMPLES[0])
    image.seek(1)
    out = io.BytesIO()
    image.save(out, format="DOV")
    doc = dov.open(out.getvalue())
    assert len(doc.frames) == 1
    assert doc.frames[0].to_rgba() == image.convert("RGBA").tobytes()
    assert image.tell() == 1


def animation():
    return next(p for p in SAMPLES if p.stem == "animation")


@pytest.mark.parametrize("fmt, options", [
    ("GIF", {}),
    pytest.param("WEBP", {"lossless": True, "exact": True},
                 marks=pytest.mark.skipif(not features.check("webp_anim"), reason="no animated WebP")),
])
def test_pillow_converts_every_frame_to_other_formats(fmt, options, tmp_path):
    source = Image.open(animation())
    path = tmp_path / f"anim.{fmt.lower()}"
    source.save(path, format=fmt, save_all=True, **options)
    out = Image.open(path)
    assert out.n_frames == source.n_frames
    for k in range(source.n_frames):
        source.seek(k)
        out.seek(k)
        out.load()
        assert out.info["duration"] == source.info["duration"]
        if fmt == "WEBP":
            assert out.convert("RGBA").tobytes() == source.convert("RGBA").tobytes()


def test_save_takes_pictures_arrays_and_files(tmp_path):
    rows = bytes(range(6)) + b"\xff\xff" + bytes(range(6, 12)) + b"\xff\xff"
    picture = dov.Picture("RGB", 2, 2, rows, stride=8)
    target = io.BytesIO()
    dov.save(target, [picture, dov.Picture("P", 2, 1, b"\x00\x01", palette=b"\x01\x02\x03\x04\x05\x06",
                                           transparent=1)], delays=70)
    doc = dov.open(io.BytesIO(target.getvalue()))
    assert [f.delay_ms for f in doc.frames] == [70, 70]
    assert doc.frames[0].to_rgba() == bytes([0, 1, 2, 255, 3, 4, 5, 255, 6, 7, 8, 255, 9, 10, 11, 255])
    assert doc.frames[1].to_indexed().transparent == 1
    np = pytest.importorskip("numpy")
    array = np.arange(2 * 3 * 4, dtype=np.uint8).reshape(2, 3, 4)
    dov.save(tmp_path / "a.dov", array[:, ::-1])  # not contiguous
    assert (dov.open(tmp_path / "a.dov").frames[0].to_numpy() == array[:, ::-1]).all()


@pytest.mark.parametrize("call, error", [
    (lambda: dov.encode([]), ValueError),
    (lambda: dov.encode([Image.new("RGB", (2, 2))], delays=[1, 2]), ValueError),
    (lambda: dov.encode([Image.new("RGB", (2, 2))], delays=[-1]), dov.DovError),
    (lambda: dov.encode([Image.new("RGB", (2, 2))], compression="gzip"), ValueError),
    (lambda: dov.encode([Image.new("RGB", (2, 2))], compression="lossy", quality=101), ValueError),
    (lambda: dov.encode([dov.Picture("RGBA", 4, 4, bytes(63))]), dov.DovError),
    (lambda: dov.encode([dov.Picture("RGBA", 4, 4, bytes(64), stride=8)]), dov.DovError),
    (lambda: dov.encode([dov.Picture("RGB", 0, 4, b"")]), dov.DovError),
    (lambda: dov.encode([dov.Picture("P", 1, 1, b"\x00", palette=b"\x00" * 769)]), dov.DovError),
    (lambda: dov.encode([dov.Picture("CMYK", 1, 1, bytes(4))]), ValueError),
    (lambda: dov.encode(["not a picture"]), TypeError),
    (lambda: dov.save(object(), [Image.new("RGB", (1, 1))]), AttributeError),
])
def test_what_cannot_be_written_is_refused(call, error):
    with pytest.raises(error):
        call()
