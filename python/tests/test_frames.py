# Every sample and test document read through the package, and through the
# Pillow plug-in, is what dovtool reads: the same frames and layers with the
# same attributes, and pixel for pixel the same pictures.
import io
import warnings

import pytest
from PIL import Image

import dov
import dov.pillow  # noqa: F401  (registers the plug-in)
from conftest import DOCUMENTS, KEPT, SAMPLES, dovtool, dovtool_info

FILES = SAMPLES + DOCUMENTS + KEPT


def tool_frame(path, n):
    result = dovtool("to-png", "-q", "--allow-damaged", "--frame", n, "-o", "-", path)
    assert result.returncode == 0, result.stderr
    return Image.open(io.BytesIO(result.stdout))


def assert_same_picture(got, want):
    """A Pillow image against dovtool's PNG: mode, size, pixels, palette and
    transparent index."""
    assert (got.mode, got.size) == (want.mode, want.size)
    if want.mode == "P":
        assert got.tobytes() == want.tobytes()
        assert got.getpalette()[:len(want.getpalette())] == want.getpalette()
        assert got.info.get("transparency") == want.info.get("transparency")
    assert got.convert("RGBA").tobytes() == want.convert("RGBA").tobytes()


def frame_image(frame):
    if frame.indexed:
        indexed = frame.to_indexed()
        image = Image.frombytes("P", frame.size, indexed.indices)
        image.putpalette(indexed.palette_rgb())
        if indexed.transparent is not None:
            image.info["transparency"] = indexed.transparent
        return image
    return Image.frombytes("RGBA", frame.size, frame.to_rgba())


def check_like_dovtool(path, tmp_path):
    want = dovtool_info(path)
    if "error" in want:
        with pytest.raises(dov.DovError):
            dov.open(path)
        return
    doc = dov.open(path)
    assert len(doc.frames) == want["frames"]
    assert (doc.width, doc.height, doc.version) == (want["width"], want["height"], want["version"])
    assert doc.damaged == ("damaged" in want)
    for frame, listed in zip(doc.frames, want["frame_list"]):
        assert (frame.name, frame.size, frame.depth, frame.delay, frame.delay_ms, frame.disposal) == (
            listed["name"], (listed["width"], listed["height"]), listed["depth"], listed["delay"],
            listed["delay_ms"], listed["disposal"])
        assert [(l.name, l.visible, l.opacity, -1 if l.key is None else l.key, l.has_alpha_plane, l.alpha_on,
                 l.coding) for l in frame.layers] == [
            (l["name"], l["visible"], l["opacity"], l["key"], l["alpha_plane"], l["alpha_on"], l["coding"])
            for l in listed["layers"]]
        assert_same_picture(frame_image(frame), tool_frame(path, frame.index))
    # Each layer alone, for the last frame.
    last = doc.frames[-1]
    out = tmp_path / "layers"
    dovtool("to-png", "-q", "--allow-damaged", "--layers", "--frame", last.index, "--out-dir", out, path)
    for layer in last.layers:
        want_layer = Image.open(out / f"{path.stem}.f{last.index:03d}.l{layer.index:03d}.png").convert("RGBA")
        assert (layer.size, layer.to_rgba()) == (want_layer.size, want_layer.tobytes())


@pytest.mark.parametrize("path", FILES, ids=lambda p: f"{p.parent.name}/{p.name}")
def test_package_reads_as_dovtool(path, tmp_path):
    check_like_dovtool(path, tmp_path)


def check_pillow_like_dovtool(path):
    want = dovtool_info(path)
    with warnings.catch_warnings():
        warnings.simplefilter("ignore")
        if "error" in want or not dov.has_magic(path.read_bytes()[:16]):
            # Refused, or a legacy file without a magic that Pillow cannot tell.
            with pytest.raises((dov.DovError, Image.UnidentifiedImageError)):
                Image.open(path)
            return
        image = Image.open(path)
    assert image.format == "DOV"
    assert (image.n_frames, image.is_animated) == (want["frames"], want["frames"] > 1)
    for n, listed in enumerate(want["frame_list"]):
        image.seek(n)
        assert image.tell() == n
        assert (image.info["duration"], image.info["loop"]) == (listed["delay_ms"], 0)
        assert_same_picture(image, tool_frame(path, n))
    with pytest.raises(EOFError):
        image.seek(image.n_frames)


@pytest.mark.parametrize("path", FILES, ids=lambda p: f"{p.parent.name}/{p.name}")
def test_pillow_reads_as_dovtool(path):
    check_pillow_like_dovtool(path)


CUTS = [0, 1, 8, 20, 0.25, 0.5, 0.9, -1]


@pytest.mark.parametrize("path", SAMPLES + [d for d in DOCUMENTS if d.stem in ("layers", "blocks8", "jpeg24")],
                         ids=lambda p: p.stem)
def test_truncated_files_read_as_dovtool_reads_them(path, tmp_path):
    data = path.read_bytes()
    for cut in CUTS:
        size = int(len(data) * cut) if isinstance(cut, float) else cut % len(data)
        part = tmp_path / f"{path.stem}-{size}.dov"
        part.write_bytes(data[:size])
        check_like_dovtool(part, tmp_path)
        check_pillow_like_dovtool(part)


def test_damaged_document_keeps_its_messages_and_warns():
    scrambled = [d for d in DOCUMENTS if d.stem == "scrambled"]
    if not scrambled:
        pytest.skip("no test documents")
    doc = dov.open(scrambled[0])
    assert doc.damaged and "識別コード" in doc.messages
    with pytest.warns(UserWarning, match="damaged"):
        image = Image.open(scrambled[0])
    assert image.info["damaged"] == doc.messages
