"""A document read by libdov: its frames, their layers and their pixels."""
import os
from typing import NamedTuple, Optional

from . import _dov, _numpy


class Indexed(NamedTuple):
    """A palette frame: one index a pixel, rows top first."""
    indices: bytes
    palette: bytes          # 256 entries of red, green, blue, alpha
    transparent: Optional[int]
    width: int
    height: int

    def palette_rgb(self):
        """The palette as 768 bytes of red, green, blue."""
        return bytes(b for i, b in enumerate(self.palette) if i % 4 != 3)


def open(source, *, max_frame_pixels=None, max_memory=None, max_frames=None, threads=0):
    """Reads a whole document from a path, a bytes-like object or a binary
    file (read to its end). The limits are libdov's (None: its default);
    threads=1 keeps all work on the calling thread. Raises DovError."""
    decoder = _dov.Decoder(max_frame_pixels=max_frame_pixels, max_memory=max_memory, max_frames=max_frames,
                           threads=threads)
    if isinstance(source, (str, os.PathLike)):
        decoder.read_file(source)
    elif isinstance(source, (bytes, bytearray, memoryview)):
        decoder.read_bytes(source)
    elif hasattr(source, "read"):
        decoder.read_stream(source)
    else:
        raise TypeError(f"dov.open() takes a path, bytes or a binary file, not {type(source).__name__}")
    return Document(decoder)


class Document:
    """Every frame of a document. A damaged document holds the frames read
    in full; `damaged` and `messages` say so."""

    def __init__(self, decoder):
        self._decoder = decoder
        info = decoder.info()
        self.width = info["width"]
        self.height = info["height"]
        self.frames_declared = info["frames_declared"]
        self.version = info["version"]
        self.damaged = info["damaged"]
        self.messages = info["messages"]
        self.not_fill_background = info["not_fill_background"]
        bg = info["background"]
        self.background = (bg & 0xFF, bg >> 8 & 0xFF, bg >> 16 & 0xFF)
        self.frames = tuple(Frame(self, i, decoder.frame_info(i)) for i in range(info["frame_count"]))

    @property
    def size(self):
        return (self.width, self.height)

    def __len__(self):
        return len(self.frames)

    def __iter__(self):
        return iter(self.frames)

    def __getitem__(self, index):
        return self.frames[index]

    def close(self):
        """Frees the decoder; pixels can no longer be asked for."""
        self._decoder = None

    def __enter__(self):
        return self

    def __exit__(self, *exc):
        self.close()

    def __repr__(self):
        state = " damaged" if self.damaged else ""
        return f"<dov.Document {self.width}x{self.height} {len(self.frames)} frames{state}>"

    def _use(self):
        if self._decoder is None:
            raise ValueError("the document is closed")
        return self._decoder


class Frame:
    """One frame: its composite and its layers."""

    def __init__(self, document, index, info):
        self._document = document
        self._layers = None
        self.index = index
        self.width = info["width"]
        self.height = info["height"]
        self.depth = info["depth"]
        self.delay = info["delay"]
        self.delay_ms = info["delay_ms"]
        self.disposal = info["disposal"]
        self.name = info["name"]
        self.indexed = info["indexed"]
        self.layer_count = info["layer_count"]
        self.transparent = info["transparent_index"] if info["transparent_index"] >= 0 else None

    @property
    def size(self):
        return (self.width, self.height)

    @property
    def layers(self):
        if self._layers is None:
            decoder = self._document._use()
            self._layers = tuple(Layer(self._document, self.index, i, decoder.layer_info(self.index, i))
                                 for i in range(self.layer_count))
        return self._layers

    def to_rgba(self):
        """The composite as bytes of red, green, blue, straight alpha."""
        return self._document._use().frame_rgba(self.index)

    def to_indexed(self):
        """A palette composite as indices and palette; DovError for a
        composite of colour pixels (see `indexed`)."""
        indices, palette, transparent = self._document._use().frame_indexed(self.index)
        return Indexed(indices, palette, transparent if transparent >= 0 else None, self.width, self.height)

    def to_numpy(self, indexed=False):
        """The composite as an (height, width, 4) array, or with indexed=True
        the indices as (height, width)."""
        if indexed:
            return _numpy.array(self.to_indexed().indices, self.height, self.width, 1)
        return _numpy.array(self.to_rgba(), self.height, self.width, 4)

    def __array__(self, dtype=None, copy=None):
        pixels = self.to_numpy()
        return pixels if dtype is None else pixels.astype(dtype)

    def __repr__(self):
        return f"<dov.Frame {self.index} {self.width}x{self.height} {self.depth}-bit {self.delay_ms} ms>"


class Layer:
    """One layer of a frame, as stored."""

    def __init__(self, document, frame, index, info):
        self._document = document
        self.frame = frame
        self.index = index
        self.width = info["width"]
        self.height = info["height"]
        self.name = info["name"]
        self.visible = info["visible"]
        self.opacity = info["opacity"]
        self.key = info["key"] if info["key"] >= 0 else None
        self.has_alpha_plane = info["has_alpha_plane"]
        self.alpha_on = info["alpha_on"]
        self.coding = info["coding"]

    @property
    def size(self):
        return (self.width, self.height)

    def to_rgba(self):
        """The layer alone as RGBA: its key and alpha plane as transparency,
        its opacity and visibility not applied."""
        return self._document._use().layer_rgba(self.frame, self.index)

    def to_numpy(self):
        return _numpy.array(self.to_rgba(), self.height, self.width, 4)

    def __repr__(self):
        return f"<dov.Layer {self.frame}.{self.index} {self.name!r} {self.coding}>"
