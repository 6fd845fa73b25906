"""Pillow plug-in: ``import dov.pillow`` and Image.open() reads documents
with every frame (n_frames, seek, tell, info["duration"]); Image.save()
writes them, all frames with save_all=True.

Palette frames open in mode "P" with their palette and "transparency",
others as "RGBA". Each frame keeps its own size and mode, as TIFF pages do.
"""
import itertools
import warnings

from PIL import Image, ImageFile, ImagePalette, ImageSequence

from . import _dov
from ._document import open as _open_document
from ._save import save as _save_document

FORMAT = "DOV"
_options = {}


def _accept(prefix):
    return _dov.has_document_magic(prefix)


def _set_mode(image, mode):
    # Pillow 10.1 made `mode` a property backed by `_mode`.
    if isinstance(getattr(type(image), "mode", None), property):
        image._mode = mode
    else:
        image.mode = mode


class DovImageFile(ImageFile.ImageFile):
    format = FORMAT
    format_description = "DorvStudio document"
    _close_exclusive_fp_after_loading = False

    def _open(self):
        options = dict(_options)
        # Pillow's own guard against huge pictures, applied before libdov
        # takes memory for them.
        if Image.MAX_IMAGE_PIXELS and "max_frame_pixels" not in options:
            options["max_frame_pixels"] = 2 * Image.MAX_IMAGE_PIXELS
        try:
            self._document = _open_document(self.fp, **options)
        except _dov.DovError as error:
            if getattr(error, "code", None) == _dov.ERROR_NOT_A_DOCUMENT:
                raise SyntaxError(str(error)) from error
            raise
        if self._document.damaged:
            warnings.warn(f"damaged document, read as far as it goes: {self._document.messages}")
            self.info["damaged"] = self._document.messages
        self._frame_index = -1
        self._load_frame(0)

    @property
    def n_frames(self):
        return len(self._document.frames)

    @property
    def is_animated(self):
        return len(self._document.frames) > 1

    def seek(self, frame):
        if not self._seek_check(frame):
            return
        self._load_frame(frame)

    def tell(self):
        return self._frame_index

    def _load_frame(self, index):
        frame = self._document.frames[index]
        self._frame_index = index
        self._size = frame.size
        self.im = None
        self.info["duration"] = frame.delay_ms
        self.info["loop"] = 0
        self.info.pop("transparency", None)
        if frame.indexed:
            indexed = frame.to_indexed()
            _set_mode(self, "P")
            self.palette = ImagePalette.raw("RGB", indexed.palette_rgb())
            if indexed.transparent is not None:
                self.info["transparency"] = indexed.transparent
            self._pixels = indexed.indices
        else:
            _set_mode(self, "RGBA")
            self.palette = None
            self._pixels = None
        self.tile = [("dov", (0, 0) + frame.size, 0, None)]

    def load(self):
        # Every frame was read at open; a file Image.open opened is no
        # longer needed.
        if getattr(self, "_exclusive_fp", False) and self.fp:
            self.fp.close()
            self.fp = None
        if self.tile:
            pixels = self._pixels
            if pixels is None:
                pixels = self._document.frames[self._frame_index].to_rgba()
            self._pixels = None
            self.im = Image.core.new(self.mode, self.size)
            self.frombytes(pixels)
            self.tile = []
        return Image.Image.load(self)


def _frames_to_save(image, save_all):
    if not save_all:
        return [image]
    appended = image.encoderinfo.get("append_images", [])
    return [frame.copy() for sequence in itertools.chain([image], appended)
            for frame in ImageSequence.Iterator(sequence)]


def _save(image, fp, filename, save_all=False):
    info = image.encoderinfo
    position = image.tell()
    try:
        frames = _frames_to_save(image, save_all)
    finally:
        image.seek(position)
    duration = info.get("duration")
    if duration is None:
        delays = [frame.info.get("duration", 100) for frame in frames]
    elif isinstance(duration, (list, tuple)):
        delays = list(duration)
    else:
        delays = [duration] * len(frames)
    _save_document(fp, frames, [int(d) for d in delays], info.get("compression", "zlib"), info.get("quality", 0))


def _save_all(image, fp, filename):
    _save(image, fp, filename, save_all=True)


def register(**options):
    """Registers the plug-in (done on import). Options are dov.open()'s
    keyword arguments (limits, threads) for every Image.open()."""
    _options.clear()
    _options.update(options)
    Image.register_open(FORMAT, DovImageFile, _accept)
    Image.register_save(FORMAT, _save)
    Image.register_save_all(FORMAT, _save_all)
    Image.register_extension(FORMAT, ".dov")
    Image.register_mime(FORMAT, "image/x-dorvstudio")


register()
