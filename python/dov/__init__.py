"""DorvStudio documents (.dov) over libdov.

    import dov
    doc = dov.open("walk.dov")            # a path, bytes or a binary file
    for frame in doc.frames:
        print(frame.index, frame.size, frame.delay_ms, [l.name for l in frame.layers])
    rgba = doc.frames[0].to_rgba()        # bytes, 4 x width x height
    dov.save("copy.dov", [rgba_picture], delays=[120])

``import dov.pillow`` lets Pillow open and save documents.
"""
from ._dov import DovError
from ._dov import version as _libdov_version
from ._document import Document, Frame, Indexed, Layer, open
from ._pictures import Picture
from ._save import encode, save

__version__ = "1.0.0"
libdov_version = _libdov_version()


def has_magic(data):
    """Whether the bytes start as a document (legacy files without a magic
    are not told)."""
    from ._dov import has_document_magic

    return has_document_magic(data)


__all__ = ["DovError", "Document", "Frame", "Indexed", "Layer", "Picture", "encode", "has_magic", "open",
           "save", "libdov_version"]
