"""GIF and APNG export of a 64-frame 256 x 256 palette animation and a
32-bit one, against Pillow's save_all of the same frames, in the same run:

  encode  dovtool's encoder on the frames in memory (dorv_bench_anim_encode)
          against Pillow's save_all on the same frames in memory;
  run     the whole `dovtool to-anim` (reading the document, composing,
          encoding, writing) against what a script would do instead: open
          the frames as PNG files and save_all them.

Goal: at most 0.5 x Pillow. Each time is the best of five.
usage: anim_export_bench.py DOVTOOL MAKE_ANIM_DOCS ANIM_ENCODE WORKDIR"""
import io
import json
import subprocess
import sys
import time
from pathlib import Path

from PIL import Image

REPEATS = 5
GOAL = 0.5


def best(work):
    times = []
    for _ in range(REPEATS):
        start = time.perf_counter()
        work()
        times.append(time.perf_counter() - start)
    return min(times) * 1000


def main():
    dovtool, make_docs, encode, work = sys.argv[1], sys.argv[2], sys.argv[3], Path(sys.argv[4])
    work.mkdir(parents=True, exist_ok=True)
    subprocess.run([make_docs, "--bench", str(work)], check=True)
    print(f"{'case':<26}{'encode ms':>10}{'Pillow':>8}{'ratio':>7}{'run ms':>9}{'Pillow':>8}{'ratio':>7}{'goal':>6}")
    for doc_name in ("bench_pal.dov", "bench_rgba.dov"):
        doc = work / doc_name
        info = json.loads(subprocess.run([dovtool, "info", "--frames", str(doc)], capture_output=True,
                                         check=True, text=True).stdout)
        delays = [f["delay_ms"] for f in info["frame_list"]]
        paths = []
        for i in range(len(delays)):
            paths.append(work / f"frame{i}.png")
            subprocess.run([dovtool, "to-png", "-q", "--frame", str(i), "-o", str(paths[-1]), str(doc)], check=True)
        frames = [Image.open(p) for p in paths]
        for f in frames:
            f.load()
        ours = json.loads(subprocess.run([encode, str(doc)], capture_output=True, check=True, text=True).stdout)
        for fmt, ext, pil_format in (("gif", "gif", "GIF"), ("apng", "png", "PNG")):
            out = work / f"out.{ext}"
            run = best(lambda: subprocess.run([dovtool, "to-anim", "-q", "--format", fmt, "-o", str(out), str(doc)],
                                              check=True))

            def save(images):
                images[0].save(io.BytesIO(), format=pil_format, save_all=True, append_images=images[1:],
                               duration=delays, loop=0)

            pil_encode = best(lambda: save(frames))
            pil_run = best(lambda: save([Image.open(p) for p in paths]))
            enc = ours[f"{fmt}_ms"]
            label = f"{fmt} {'palette' if 'pal' in doc_name else '32-bit'} 64x256x256"
            print(f"{label:<26}{enc:>10.1f}{pil_encode:>8.1f}{enc / pil_encode:>7.2f}"
                  f"{run:>9.1f}{pil_run:>8.1f}{run / pil_run:>7.2f}{GOAL:>6.2f}")
    return 0


if __name__ == "__main__":
    sys.exit(main())
