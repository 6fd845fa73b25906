"""Writing documents: frames with their delays, one layer a frame."""
from . import _dov
from ._pictures import Picture, encoder_tuple

COMPRESSIONS = {"zlib": _dov.COMPRESSION_ZLIB, "none": _dov.COMPRESSION_NONE, "lossy": _dov.COMPRESSION_LOSSY}
DEFAULT_DELAY_MS = 100


def _frames(frames):
    # One picture alone is one frame.
    if isinstance(frames, Picture) or hasattr(frames, "getpalette") or type(frames).__module__ == "numpy":
        return [frames]
    return list(frames)


def _delays(delays, count):
    if delays is None:
        return [DEFAULT_DELAY_MS] * count
    if isinstance(delays, int):
        return [delays] * count
    delays = [int(d) for d in delays]
    if len(delays) != count:
        raise ValueError(f"{len(delays)} delays for {count} frames")
    return delays


def _compression(compression, quality):
    if compression not in COMPRESSIONS:
        raise ValueError(f"compression is one of {', '.join(COMPRESSIONS)}, not {compression!r}")
    if not isinstance(quality, int) or not 0 <= quality <= 100:
        raise ValueError(f"quality is 1 to 100 (0 for the default), not {quality!r}")
    return COMPRESSIONS[compression]


def _encode(target, frames, delays, compression, quality, threads):
    frames = _frames(frames)
    if not frames:
        raise ValueError("a document needs at least one frame")
    code = _compression(compression, quality)
    tuples = [encoder_tuple(f) for f in frames]
    return _dov.encode(tuples, _delays(delays, len(tuples)), code, quality, threads, target)


def encode(frames, delays=None, compression="zlib", quality=0, threads=0):
    """The document of the frames as bytes (see save)."""
    return _encode(None, frames, delays, compression, quality, threads)


def save(target, frames, delays=None, compression="zlib", quality=0, threads=0):
    """Writes the frames (dov.Picture, Pillow images or NumPy arrays; or one
    of them) as a document to a path or a binary file. delays: milliseconds,
    one for all or one per frame (default 100). compression: "zlib", "none"
    or "lossy" (colour frames; palette and grey frames keep zlib), quality
    1 to 100 for lossy (0: 70). Raises DovError with libdov's message."""
    _encode(target, frames, delays, compression, quality, threads)
