"""dovtool's exports read back by decoders that are not ours: GIF by Pillow
and gifsicle, APNG by Pillow and apngdis, WebP by webpmux, sheets by a small
atlas reader, palettes by their own layouts. Every decoded frame is compared
with `dovtool to-png --frame N --scale S` where the format is exact."""
import json
import os
import re
import shutil
import subprocess

import pytest
from PIL import Image

DOVTOOL = os.environ["DOVTOOL"]
SAMPLES = os.environ["DORV_SAMPLES_DIR"]


def run(*args, ok=True):
    p = subprocess.run([DOVTOOL, *map(str, args)], capture_output=True, text=True)
    if ok:
        assert p.returncode == 0, p.stderr
    return p


@pytest.fixture(scope="module")
def docs(tmp_path_factory):
    d = tmp_path_factory.mktemp("docs")
    subprocess.run([os.environ["DORV_MAKE_ANIM_DOCS"], str(d)], check=True)
    shutil.copy(os.path.join(SAMPLES, "animation.dov"), d)
    return d


def frame_png(doc, n, out, scale=1, extra=()):
    run("to-png", doc, "--frame", n, "--scale", scale, *extra, "-o", out)
    return Image.open(out).convert("RGBA")


def same_picture(got, want):
    """Equal pixel for pixel; a clear pixel's colour does not count."""
    assert got.size == want.size
    for g, w in zip(got.getdata(), want.getdata()):
        if w[3] == 0:
            assert g[3] == 0
        else:
            assert g == w


def frames_of(path):
    im = Image.open(path)
    for i in range(im.n_frames):
        im.seek(i)
        yield i, im.convert("RGBA"), dict(im.info)


def doc_delays(doc):
    info = json.loads(run("info", "--frames", doc).stdout)
    return [f["delay_ms"] for f in info["frame_list"]]


def gif_delays(ms):
    """The delays a GIF should carry: each frame ends at its time rounded."""
    out, end, shown = [], 0, 0
    for d in ms:
        end += d
        cs = (end + 5) // 10 - shown
        out.append(cs)
        shown += cs
    return out


@pytest.mark.parametrize("name,scale", [("pal_anim.dov", 2), ("rgb_anim.dov", 1), ("pal_same.dov", 3),
                                        ("many_anim.dov", 1)])
def test_gif_frames_palettes_delays_and_loop(docs, tmp_path, name, scale):
    doc = docs / name
    gif = tmp_path / "out.gif"
    p = run("to-anim", doc, "-o", gif, "--scale", scale)
    ms = doc_delays(doc)
    want_cs = gif_delays(ms)
    assert sum(want_cs) == (sum(ms) + 5) // 10
    for i, got, info in frames_of(gif):
        assert info["duration"] == want_cs[i] * 10
        assert info.get("loop") == 0
        same_picture(got, frame_png(doc, i, tmp_path / f"f{i}.png", scale))
    text = subprocess.run(["gifsicle", "--info", str(gif)], capture_output=True, text=True, check=True).stdout
    assert "loop forever" in text
    assert re.findall(r"delay ([\d.]+)s", text) == ["%.2f" % (c / 100) for c in want_cs]
    images = text.split("+ image #")[1:]
    if name == "many_anim.dov":
        # 400 colours in all, 200 a frame: each frame exact in its own table.
        assert "reduced" not in p.stderr
        assert "local color table [256]" in images[1]
    elif name == "pal_same.dov":
        # The second frame stores only what changed; the third is cleared
        # because the fourth is clear where it is not.
        assert " at 0,9" in images[1]
        assert ["disposal background" in im for im in images] == [False, False, True, False]
    else:
        assert text.count("disposal background") == len(ms)
    if name == "pal_anim.dov":
        # The fourth frame's palette is its own; the others share the first's.
        assert ["local color table" in im for im in images] == [i == 3 for i in range(6)]
        assert all("transparent 5" in im for im in images)
    short = sum(1 for c in want_cs if c < 2)
    assert ("less than 20 ms" in p.stderr) == (short > 0)


def test_gif_of_many_colours_is_reduced_with_a_warning(docs, tmp_path):
    p = run("to-anim", docs / "animation.dov", "-o", tmp_path / "a.gif")
    assert "more than 256 colours" in p.stderr
    assert Image.open(tmp_path / "a.gif").n_frames == 3


def test_gif_shows_partial_alpha_opaque_with_a_warning(docs, tmp_path):
    # The sprite layer alone keeps its soft alpha plane: few colours, so the
    # table is exact, but only fully clear pixels can stay clear.
    doc = docs / "animation.dov"
    p = run("to-anim", doc, "--layer", "sprite", "-o", tmp_path / "s.gif")
    assert "partial transparency is shown opaque" in p.stderr
    assert "reduced" not in p.stderr
    for i, got, _ in frames_of(tmp_path / "s.gif"):
        want = frame_png(doc, i, tmp_path / "w.png", 1, ("--layer", "sprite"))
        for g, w in zip(got.getdata(), want.getdata()):
            assert (g[3] == 0) == (w[3] == 0)
            if w[3] == 255:
                assert g == w


def test_thumbnail_enlarges_at_most_scale_times(docs, tmp_path):
    run("thumbnail", "-s", "256", "--scale", "2", os.path.join(SAMPLES, "palette4.dov"), tmp_path / "t.png")
    assert Image.open(tmp_path / "t.png").size == (80, 48)
    run("thumbnail", "-s", "256", os.path.join(SAMPLES, "palette4.dov"), tmp_path / "u.png")
    assert Image.open(tmp_path / "u.png").size == (240, 144)


@pytest.mark.parametrize("name,mode", [("pal_same.dov", "P"), ("pal_anim.dov", "RGBA"), ("animation.dov", "RGBA")])
def test_apng_frames_and_exact_delays(docs, tmp_path, name, mode):
    doc = docs / name
    out = tmp_path / "out.png"
    run("to-anim", doc, "--format", "apng", "-o", out)
    ms = doc_delays(doc)
    im = Image.open(out)
    assert im.mode == mode
    assert im.info.get("loop") == 0
    for i, got, info in frames_of(out):
        assert info["duration"] == ms[i]
        same_picture(got, frame_png(doc, i, tmp_path / f"f{i}.png"))
    # apngdis writes each frame and its delay as a fraction.
    work = tmp_path / "dis"
    work.mkdir()
    shutil.copy(out, work / "a.png")
    subprocess.run(["apngdis", "a.png", "f"], cwd=work, check=True, capture_output=True)
    for i in range(len(ms)):
        delay = (work / f"f{i + 1}.txt").read_text()
        num, den = map(int, re.search(r"delay=(\d+)/(\d+)", delay).groups())
        assert num * 1000 == ms[i] * den
        same_picture(Image.open(work / f"f{i + 1}.png").convert("RGBA"), frame_png(doc, i, tmp_path / "x.png"))


def test_webp_frames_durations_and_pixels(docs, tmp_path):
    doc = docs / "rgb_anim.dov"
    out = tmp_path / "out.webp"
    p = run("to-anim", doc, "-o", out)
    assert "less than 20 ms" in p.stderr
    text = subprocess.run(["webpmux", "-info", str(out)], capture_output=True, text=True, check=True).stdout
    assert "Number of frames: 3" in text
    rows = [l.split() for l in text.splitlines() if re.match(r"\s*\d+:", l)]
    assert [int(r[6]) for r in rows] == doc_delays(doc)
    for i, got, _ in frames_of(out):
        same_picture(got, frame_png(doc, i, tmp_path / f"f{i}.png", 1))


def test_chosen_layers_and_scale_apply_to_every_export(docs, tmp_path):
    doc = docs / "pal_anim.dov"
    only = frame_png(doc, 1, tmp_path / "only.png", 2, ("--layer", "ground"))
    hidden = frame_png(doc, 1, tmp_path / "hidden.png", 2, ("--hide-layer", "1"))
    whole = frame_png(doc, 1, tmp_path / "whole.png", 2)
    assert list(only.getdata()) == list(hidden.getdata())
    assert list(only.getdata()) != list(whole.getdata())
    run("to-anim", doc, "-o", tmp_path / "g.gif", "--scale", "2", "--layer", "ground")
    for i, got, _ in frames_of(tmp_path / "g.gif"):
        same_picture(got, frame_png(doc, i, tmp_path / "x.png", 2, ("--layer", "ground")))
    p = run("to-png", doc, "--layer", "nothing", "-o", tmp_path / "n.png", ok=False)
    assert p.returncode == 1 and "no layer 'nothing'" in p.stderr


def crop(sheet, r):
    return sheet.crop((r["x"], r["y"], r["x"] + r["w"], r["y"] + r["h"]))


SHEETS = [
    ("plain grid", "pal_anim.dov", []),
    ("trimmed, padded", "pal_anim.dov", ["--trim", "--padding", "2", "--layout", "rows", "--columns", "4"]),
    ("extruded, array", "rgb_anim.dov", ["--extrude", "2", "--format", "json-array", "--layout", "columns"]),
    ("split layers, packed", "pal_anim.dov", ["--split-layers", "--layout", "packed", "--trim", "--frame", "1-2,5"]),
    ("scaled colour", "animation.dov", ["--scale", "2", "--trim", "--extrude", "1", "--padding", "1"]),
]


@pytest.mark.parametrize("label,name,options", SHEETS, ids=[s[0] for s in SHEETS])
def test_sheet_cells_are_the_frames(docs, tmp_path, label, name, options):
    doc = docs / name
    sheet_path, data_path = tmp_path / "sheet.png", tmp_path / "sheet.json"
    run("to-sheet", doc, "-o", sheet_path, "--data", data_path, *options)
    data = json.loads(data_path.read_text())
    sheet = Image.open(sheet_path)
    assert data["meta"]["image"] == "sheet.png"
    assert [data["meta"]["size"]["w"], data["meta"]["size"]["h"]] == list(sheet.size)
    scale = int(data["meta"]["scale"])
    sheet = sheet.convert("RGBA")
    entries = data["frames"] if isinstance(data["frames"], list) else [
        dict(v, filename=k) for k, v in data["frames"].items()]
    delays = doc_delays(doc)
    extrude = int(options[options.index("--extrude") + 1]) if "--extrude" in options else 0
    layers = [l["name"] for l in json.loads(run("info", "--frames", doc).stdout)["frame_list"][0]["layers"]]
    for e in entries:
        m = re.fullmatch(r".*? (?:\((.+)\) )?(\d+)", e["filename"])
        frame, layer = int(m.group(2)), m.group(1)
        assert e["duration"] == delays[frame]
        assert e["rotated"] is False
        extra = ("--layer", str(layers.index(layer))) if layer else ()
        want = frame_png(doc, frame, tmp_path / "f.png", scale, extra)
        assert [e["sourceSize"]["w"], e["sourceSize"]["h"]] == list(want.size)
        s = e["spriteSourceSize"]
        assert e["trimmed"] == ((s["x"], s["y"], s["w"], s["h"]) != (0, 0) + want.size)
        cell = crop(sheet, e["frame"])
        same_picture(cell, crop(want, s))
        if extrude:
            r = e["frame"]
            grown = crop(sheet, dict(x=r["x"] - extrude, y=r["y"] - extrude, w=r["w"] + 2 * extrude,
                                     h=r["h"] + 2 * extrude))
            edge = cell.crop((0, 0, 1, 1)).getpixel((0, 0))
            assert grown.getpixel((0, 0)) == edge
    if "--split-layers" in options:
        assert len(entries) == 3 * 2
    assert len({e["filename"] for e in entries}) == len(entries)


def test_palette_sheet_stays_a_palette_picture(docs, tmp_path):
    run("to-sheet", docs / "pal_same.dov", "-o", tmp_path / "s.png")
    assert Image.open(tmp_path / "s.png").mode == "P"


@pytest.mark.parametrize("ext", ["gpl", "act", "pal", "hex"])
def test_palette_files_hold_the_frames_colours(docs, tmp_path, ext):
    doc = docs / "pal_anim.dov"
    out = tmp_path / f"p.{ext}"
    run("palette", doc, "--frame", "3", "-o", out)
    run("to-png", doc, "--frame", "3", "-o", tmp_path / "f.png")
    want = Image.open(tmp_path / "f.png").getpalette()[:768]
    raw = out.read_bytes()
    if ext == "act":
        got = list(raw[:768])
        assert raw[768:] == bytes([1, 0, 0, 5])
    else:
        lines = raw.decode().splitlines()
        if ext == "gpl":
            got = [int(v) for l in lines[4:] for v in l.split()[:3]]
        elif ext == "pal":
            assert lines[:3] == ["JASC-PAL", "0100", "256"]
            got = [int(v) for l in lines[3:] for v in l.split()]
        else:
            got = [int(l[i:i + 2], 16) for l in lines for i in (0, 2, 4)]
    assert got == want
    p = run("palette", docs / "rgb_anim.dov", "-o", tmp_path / "x.gpl", ok=False)
    assert p.returncode == 1 and "no palette" in p.stderr
