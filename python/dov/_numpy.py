"""Pixels as NumPy arrays, for those who have NumPy; nothing else needs it."""


def array(data, height, width, channels):
    try:
        import numpy
    except ImportError as error:
        raise ImportError("to_numpy() needs NumPy; to_rgba() and to_indexed() give bytes without it") from error
    shape = (height, width) if channels == 1 else (height, width, channels)
    # A copy: arrays over bytes would be read-only.
    return numpy.frombuffer(data, dtype=numpy.uint8).reshape(shape).copy()
