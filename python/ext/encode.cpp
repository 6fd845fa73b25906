#include "encode.h"

#include <memory>
#include <string>
#include <vector>

#include "checked.h"
#include "errors.h"
#include "gil.h"
#include "stream.h"

namespace dovpy {
namespace {

struct EncoderFree {
  void operator()(dov_encoder* encoder) const { dov_encoder_destroy(encoder); }
};
using Encoder = std::unique_ptr<dov_encoder, EncoderFree>;

struct BufferRelease {
  void operator()(Py_buffer* view) const { PyBuffer_Release(view); }
};

void ThrowIfFailed(dov_encoder* encoder, dov_error status) {
  dovpy::ThrowIfFailed(status, dov_encoder_error_message(encoder));
}

uint32_t Dimension(Py_ssize_t value, const char* name) {
  if (value <= 0 || static_cast<unsigned long long>(value) > UINT32_MAX)
    throw DovFailure{DOV_ERROR_INVALID_ARGUMENT, std::string(name) + " must be from 1 to 2^32 - 1"};
  return static_cast<uint32_t>(value);
}

// Bytes of one row of pixels as the format packs them.
size_t RowBytes(int format, uint32_t width) {
  switch (format) {
    case DOV_PIXELS_RGBA: return CheckedMul(width, 4);
    case DOV_PIXELS_RGB: return CheckedMul(width, 3);
    case DOV_PIXELS_GREY_ALPHA: return CheckedMul(width, 2);
    case DOV_PIXELS_GREY:
    case DOV_PIXELS_INDEXED: return width;
    case DOV_PIXELS_MONO: return (size_t{width} + 7) / 8;
    default: throw DovFailure{DOV_ERROR_INVALID_ARGUMENT, "unknown pixel format " + std::to_string(format)};
  }
}

// Adds one frame tuple; its buffers are held only for the call.
void AddFrame(dov_encoder* encoder, PyObject* frame, PyObject* delay_object) {
  int format = 0, transparent = -1;
  Py_ssize_t width = 0, height = 0, stride = 0;
  PyObject *pixels_object = nullptr, *palette_object = nullptr;
  if (!PyArg_ParseTuple(frame, "innOnOi", &format, &width, &height, &pixels_object, &stride, &palette_object,
                        &transparent))
    throw PythonError{};
  const long delay = PyLong_AsLong(delay_object);
  if (delay == -1 && PyErr_Occurred()) throw PythonError{};
  if (delay < 0 || delay > INT32_MAX) throw DovFailure{DOV_ERROR_INVALID_ARGUMENT, "a delay must be from 0 to 2^31 - 1 ms"};

  dov_picture picture{};
  picture.format = static_cast<dov_pixel_format>(format);
  picture.width = Dimension(width, "width");
  picture.height = Dimension(height, "height");
  if (stride < 0) throw DovFailure{DOV_ERROR_INVALID_ARGUMENT, "the stride is negative"};
  picture.stride = static_cast<size_t>(stride);
  const size_t row = RowBytes(format, picture.width);

  Py_buffer pixels;
  Check(PyObject_GetBuffer(pixels_object, &pixels, PyBUF_SIMPLE));
  std::unique_ptr<Py_buffer, BufferRelease> pixels_held(&pixels);
  // libdov reads height rows of `stride` bytes, the last only as far as its
  // pixels go; a shorter buffer would be read past its end.
  if (picture.stride < row) throw DovFailure{DOV_ERROR_BUFFER_TOO_SMALL, "the stride is shorter than a row"};
  const size_t needed = CheckedAdd(PictureBytes(picture.height - 1, picture.stride), row);
  if (static_cast<size_t>(pixels.len) < needed)
    throw DovFailure{DOV_ERROR_BUFFER_TOO_SMALL, "the pixels hold " + std::to_string(pixels.len) +
                                                     " bytes; the picture needs " + std::to_string(needed)};
  picture.pixels = static_cast<const uint8_t*>(pixels.buf);

  Py_buffer palette{};
  std::unique_ptr<Py_buffer, BufferRelease> palette_held;
  if (palette_object != Py_None) {
    Check(PyObject_GetBuffer(palette_object, &palette, PyBUF_SIMPLE));
    palette_held.reset(&palette);
    if (palette.len % 3 != 0 || palette.len < 3 || palette.len > 768)
      throw DovFailure{DOV_ERROR_INVALID_ARGUMENT, "a palette is 1 to 256 colours of 3 bytes"};
    picture.palette = static_cast<const uint8_t*>(palette.buf);
    picture.palette_size = static_cast<uint32_t>(palette.len / 3);
  }
  picture.transparent_index = transparent;

  GilRelease release;
  ThrowIfFailed(encoder, dov_encoder_add_frame(encoder, &picture, static_cast<int32_t>(delay)));
}

struct FreeWritten {
  void operator()(uint8_t* data) const { dov_free(data); }
};

PyObject* Write(dov_encoder* encoder, PyObject* target) {
  if (target == Py_None) {
    uint8_t* data = nullptr;
    size_t size = 0;
    dov_error status;
    {
      GilRelease release;
      status = dov_encoder_write_memory(encoder, &data, &size);
    }
    std::unique_ptr<uint8_t, FreeWritten> written(data);
    ThrowIfFailed(encoder, status);
    if (size > static_cast<size_t>(PY_SSIZE_T_MAX)) throw DovFailure{DOV_ERROR_LIMIT, "the document is too large"};
    return PyBytes_FromStringAndSize(reinterpret_cast<const char*>(written.get()), static_cast<Py_ssize_t>(size));
  }
  if (PyUnicode_Check(target) || PyBytes_Check(target) || PyObject_HasAttrString(target, "__fspath__")) {
    PyObject* converted = nullptr;
    if (!PyUnicode_FSConverter(target, &converted)) throw PythonError{};
    PyRef path(converted);
    const std::string name(PyBytes_AS_STRING(path.get()), static_cast<size_t>(PyBytes_GET_SIZE(path.get())));
    if (name.find('\0') != std::string::npos) throw DovFailure{DOV_ERROR_INVALID_ARGUMENT, "the path holds a NUL"};
    dov_error status;
    {
      GilRelease release;
      status = dov_encoder_write_file(encoder, name.c_str());
    }
    ThrowIfFailed(encoder, status);
    Py_RETURN_NONE;
  }
  StreamContext context{target, {}};
  dov_error status;
  {
    GilRelease release;
    status = dov_encoder_write_callback(encoder, &WriteToFile, &context);
  }
  if (context.error.Pending()) context.error.Raise();
  ThrowIfFailed(encoder, status);
  Py_RETURN_NONE;
}

}  // namespace

PyObject* Encode(PyObject*, PyObject* args) {
  return Guarded([&]() -> PyObject* {
    PyObject *frames_object = nullptr, *delays_object = nullptr, *target = nullptr;
    int compression = 0, quality = 0, threads = 0;
    if (!PyArg_ParseTuple(args, "OOiiiO", &frames_object, &delays_object, &compression, &quality, &threads,
                          &target))
      return nullptr;
    PyRef frames = Own(PySequence_Fast(frames_object, "frames must be a sequence"));
    PyRef delays = Own(PySequence_Fast(delays_object, "delays must be a sequence"));
    const Py_ssize_t count = PySequence_Fast_GET_SIZE(frames.get());
    if (PySequence_Fast_GET_SIZE(delays.get()) != count)
      throw DovFailure{DOV_ERROR_INVALID_ARGUMENT, "there must be one delay per frame"};

    Encoder encoder(dov_encoder_create());
    if (!encoder) throw std::bad_alloc();
    ThrowIfFailed(encoder.get(),
                  dov_encoder_set_compression(encoder.get(), static_cast<dov_compression>(compression), quality));
    ThrowIfFailed(encoder.get(), dov_encoder_set_threads(encoder.get(), threads));
    for (Py_ssize_t i = 0; i < count; ++i)
      AddFrame(encoder.get(), PySequence_Fast_GET_ITEM(frames.get(), i), PySequence_Fast_GET_ITEM(delays.get(), i));
    return Write(encoder.get(), target);
  });
}

}  // namespace dovpy
