"""Steps the animation sample through GdkPixbuf.PixbufAnimation, as GTK
programs play it: every frame at its time, with dovtool's pixels and
delays, and the loop back to the first frame.

    python3 pixbuf_animation_test.py DOVTOOL SAMPLES_DIR
"""
import json
import os
import subprocess
import sys
import tempfile

import gi

gi.require_version("GdkPixbuf", "2.0")
from gi.repository import GdkPixbuf, GLib  # noqa: E402

SHORTEST_DELAY_MS = 20


def rgba(pixbuf):
    """The pixels as packed RGBA rows."""
    assert pixbuf.get_has_alpha() and pixbuf.get_n_channels() == 4
    data = pixbuf.get_pixels()
    stride, width = pixbuf.get_rowstride(), pixbuf.get_width()
    return b"".join(data[y * stride:y * stride + 4 * width] for y in range(pixbuf.get_height()))


def expected_frames(dovtool, path, work):
    """dovtool's frames (as pixbufs, through gdk-pixbuf's PNG loader) and delays."""
    info = json.loads(subprocess.check_output([dovtool, "info", "--frames", path]).decode().splitlines()[0])
    subprocess.check_call([dovtool, "to-png", "-q", "--all-frames", "--out-dir", work, path])
    base = os.path.splitext(os.path.basename(path))[0]
    frames = []
    for k, frame in enumerate(info["frame_list"]):
        png = GdkPixbuf.Pixbuf.new_from_file(os.path.join(work, "%s.f%03d.png" % (base, k))).add_alpha(False, 0, 0, 0)
        frames.append((rgba(png), max(frame["delay_ms"], SHORTEST_DELAY_MS)))
    return frames


def when(ms):
    """A GLib.TimeVal ms milliseconds after a fixed start."""
    t = GLib.TimeVal()
    t.tv_sec, t.tv_usec = 1000000 + ms // 1000, ms % 1000 * 1000
    return t


def main():
    dovtool, samples = sys.argv[1], sys.argv[2]
    path = os.path.join(samples, "animation.dov")
    failures = []
    with tempfile.TemporaryDirectory() as work:
        frames = expected_frames(dovtool, path, work)
    animation = GdkPixbuf.PixbufAnimation.new_from_file(path)
    if animation.is_static_image() or len(frames) < 2:
        failures.append("the sample does not play as an animation")
    it = animation.get_iter(when(0))
    now = 0
    # Once through every frame and into the next loop.
    for step in range(len(frames) + 1):
        pixels, delay = frames[step % len(frames)]
        it.advance(when(now))
        if it.get_delay_time() != delay:
            failures.append("frame %d: delay %d, expected %d" % (step, it.get_delay_time(), delay))
        if rgba(it.get_pixbuf()) != pixels:
            failures.append("frame %d: pixels differ from dovtool's" % step)
        # Half way through the frame it is still shown, for the rest of its delay.
        it.advance(when(now + delay // 2))
        if it.get_delay_time() != delay - delay // 2:
            failures.append("frame %d: %d ms left half way" % (step, it.get_delay_time()))
        now += delay
    for failure in failures:
        print("FAIL:", failure)
    print("stepped %d frames" % (len(frames) + 1))
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
