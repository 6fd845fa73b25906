"""What a frame to be saved may be: a Picture, a Pillow image or a NumPy
array, each turned into the tuple the encoder takes."""
from typing import NamedTuple, Optional

from . import _dov

FORMATS = {
    "RGBA": (_dov.PIXELS_RGBA, 4),
    "RGB": (_dov.PIXELS_RGB, 3),
    "L": (_dov.PIXELS_GREY, 1),
    "LA": (_dov.PIXELS_GREY_ALPHA, 2),
    "P": (_dov.PIXELS_INDEXED, 1),
}


class Picture(NamedTuple):
    """Pixels in one of the formats of FORMATS (or "1": 8 pixels a byte, the
    first in the high bit, 1 white). stride 0 means rows packed; palette is
    red, green, blue bytes for "P"; transparent an index or None."""
    mode: str
    width: int
    height: int
    pixels: bytes
    stride: int = 0
    palette: Optional[bytes] = None
    transparent: Optional[int] = None


def _row_bytes(mode, width):
    if mode == "1":
        return (width + 7) // 8
    return width * FORMATS[mode][1]


def _encoder_tuple(picture):
    if picture.mode not in FORMATS and picture.mode != "1":
        raise ValueError(f"a picture's mode is one of {', '.join(FORMATS)} or 1, not {picture.mode!r}")
    code = _dov.PIXELS_MONO if picture.mode == "1" else FORMATS[picture.mode][0]
    stride = picture.stride or _row_bytes(picture.mode, picture.width)
    transparent = -1 if picture.transparent is None else picture.transparent
    palette = None if picture.palette is None else bytes(picture.palette)
    return (code, picture.width, picture.height, picture.pixels, stride, palette, transparent)


def _single_transparent(alphas):
    """The one fully clear index of a palette's alphas, when every other
    entry is opaque; False when the alphas need an alpha channel."""
    clear = [i for i, a in enumerate(alphas) if a == 0]
    if any(a not in (0, 255) for a in alphas) or len(clear) > 1:
        return False
    return clear[0] if clear else None


def _from_pillow(image):
    mode = image.mode
    if mode == "P":
        transparency = image.info.get("transparency")
        transparent = transparency if isinstance(transparency, int) else None
        if isinstance(transparency, (bytes, bytearray)):
            transparent = _single_transparent(transparency)
        palette = bytes(image.getpalette() or b"")[:768]
        if transparent is not False and palette:
            return Picture("P", image.width, image.height, image.tobytes(), 0, palette, transparent)
        image, mode = image.convert("RGBA"), "RGBA"
    elif mode not in FORMATS and mode != "1":
        keeps_alpha = "A" in mode or "a" in mode or "transparency" in image.info
        mode = "RGBA" if keeps_alpha else "RGB"
        image = image.convert(mode)
    return Picture(mode, image.width, image.height, image.tobytes())


def _from_numpy(array):
    import numpy

    if array.dtype != numpy.uint8:
        raise ValueError(f"arrays are saved from uint8 samples, not {array.dtype}")
    modes = {2: "L", 3: {1: "L", 2: "LA", 3: "RGB", 4: "RGBA"}}
    if array.ndim == 2:
        mode = "L"
    elif array.ndim == 3 and array.shape[2] in modes[3]:
        mode = modes[3][array.shape[2]]
    else:
        raise ValueError(f"an array is (height, width) or (height, width, 1 to 4), not {array.shape}")
    array = numpy.ascontiguousarray(array)
    return Picture(mode, array.shape[1], array.shape[0], array.tobytes())


def encoder_tuple(frame):
    """The encoder's tuple for one frame to be saved."""
    if isinstance(frame, Picture):
        return _encoder_tuple(frame)
    if hasattr(frame, "getpalette") and hasattr(frame, "tobytes") and hasattr(frame, "mode"):
        return _encoder_tuple(_from_pillow(frame))
    if type(frame).__module__ == "numpy" and hasattr(frame, "shape"):
        return _encoder_tuple(_from_numpy(frame))
    raise TypeError(f"a frame is a dov.Picture, a Pillow image or a NumPy array, not {type(frame).__name__}")
