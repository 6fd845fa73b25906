#include "decoder.h"

#include <memory>
#include <mutex>
#include <new>
#include <string>

#include "checked.h"
#include "errors.h"
#include "gil.h"
#include "stream.h"

namespace dovpy {
namespace {

struct DecoderFree {
  void operator()(dov_decoder* decoder) const { dov_decoder_destroy(decoder); }
};

// A handle may be used by one thread at a time: the lock is taken with the
// interpreter released, so a callback waiting for the interpreter never
// waits on a thread that holds it.
struct DecoderState {
  std::unique_ptr<dov_decoder, DecoderFree> handle{dov_decoder_create()};
  std::mutex lock;
};

struct DecoderObject {
  PyObject_HEAD
  std::unique_ptr<DecoderState> state;
};

DecoderState& StateOf(PyObject* self) { return *reinterpret_cast<DecoderObject*>(self)->state; }

// Runs the work on the decoder with the interpreter released.
template <class Work>
auto Locked(PyObject* self, Work&& work) {
  DecoderState& state = StateOf(self);
  GilRelease release;
  std::lock_guard guard(state.lock);
  return work(state.handle.get());
}

void ThrowIfFailed(dov_decoder* decoder, dov_error status) {
  dovpy::ThrowIfFailed(status, dov_decoder_error_message(decoder));
}

PyRef Text(const char* utf8) {
  const std::string text = utf8 != nullptr ? utf8 : "";
  return Own(PyUnicode_DecodeUTF8(text.data(), static_cast<Py_ssize_t>(text.size()), "replace"));
}

void Put(PyObject* dict, const char* key, PyRef value) { Check(PyDict_SetItemString(dict, key, value.get())); }
PyRef Int(long long value) { return Own(PyLong_FromLongLong(value)); }
PyRef Unsigned(unsigned long long value) { return Own(PyLong_FromUnsignedLongLong(value)); }
PyRef Bool(int value) { return PyRef::Borrow(value ? Py_True : Py_False); }

uint64_t LimitArgument(PyObject* value, const char* name) {
  if (value == nullptr || value == Py_None) return 0;
  const unsigned long long limit = PyLong_AsUnsignedLongLong(value);
  if (limit == static_cast<unsigned long long>(-1) && PyErr_Occurred()) {
    PyErr_Format(PyExc_ValueError, "%s must be a whole number from 0 up", name);
    throw PythonError{};
  }
  return limit;
}

uint32_t Index(Py_ssize_t index) {
  if (index < 0 || static_cast<unsigned long long>(index) > UINT32_MAX)
    throw DovFailure{DOV_ERROR_RANGE, "index out of range"};
  return static_cast<uint32_t>(index);
}

dov_frame_info FrameInfo(PyObject* self, uint32_t frame) {
  return Locked(self, [&](dov_decoder* d) {
    dov_frame_info info{};
    ThrowIfFailed(d, dov_decoder_get_frame_info(d, frame, &info));
    return info;
  });
}

// ---- Methods ------------------------------------------------------------------

PyObject* New(PyTypeObject* type, PyObject* args, PyObject* kwargs) {
  return Guarded([&]() -> PyObject* {
    static const char* keywords[] = {"max_frame_pixels", "max_memory", "max_frames", "threads", nullptr};
    PyObject *pixels = nullptr, *memory = nullptr, *frames = nullptr;
    int threads = 0;
    if (!PyArg_ParseTupleAndKeywords(args, kwargs, "|$OOOi", const_cast<char**>(keywords), &pixels, &memory,
                                     &frames, &threads))
      return nullptr;
    dov_limits limits{};
    limits.max_frame_pixels = LimitArgument(pixels, "max_frame_pixels");
    limits.max_memory = LimitArgument(memory, "max_memory");
    const uint64_t max_frames = LimitArgument(frames, "max_frames");
    if (max_frames > UINT32_MAX) throw DovFailure{DOV_ERROR_INVALID_ARGUMENT, "max_frames is larger than 2^32 - 1"};
    limits.max_frames = static_cast<uint32_t>(max_frames);
    if (threads != 0 && threads != 1) throw DovFailure{DOV_ERROR_INVALID_ARGUMENT, "threads must be 0 or 1"};

    auto state = std::make_unique<DecoderState>();
    if (!state->handle) throw std::bad_alloc();
    ThrowIfFailed(state->handle.get(), dov_decoder_set_limits(state->handle.get(), &limits));
    ThrowIfFailed(state->handle.get(), dov_decoder_set_threads(state->handle.get(), threads));
    PyRef self = Own(type->tp_alloc(type, 0));
    new (&reinterpret_cast<DecoderObject*>(self.get())->state) std::unique_ptr<DecoderState>(std::move(state));
    return self.release();
  });
}

void Dealloc(PyObject* self) {
  PyTypeObject* type = Py_TYPE(self);
  reinterpret_cast<DecoderObject*>(self)->state.~unique_ptr();
  type->tp_free(self);
  Py_DECREF(type);
}

PyObject* ReadBytes(PyObject* self, PyObject* arg) {
  return Guarded([&]() -> PyObject* {
    Py_buffer view;
    Check(PyObject_GetBuffer(arg, &view, PyBUF_SIMPLE));
    std::unique_ptr<Py_buffer, decltype(&PyBuffer_Release)> held(&view, &PyBuffer_Release);
    Locked(self, [&](dov_decoder* d) {
      ThrowIfFailed(d, dov_decoder_read_memory(d, view.buf, static_cast<size_t>(view.len)));
    });
    Py_RETURN_NONE;
  });
}

PyObject* ReadFile(PyObject* self, PyObject* arg) {
  return Guarded([&]() -> PyObject* {
    PyObject* converted = nullptr;
    if (!PyUnicode_FSConverter(arg, &converted)) return nullptr;
    PyRef path(converted);
    const std::string name(PyBytes_AS_STRING(path.get()), static_cast<size_t>(PyBytes_GET_SIZE(path.get())));
    if (name.find('\0') != std::string::npos) throw DovFailure{DOV_ERROR_INVALID_ARGUMENT, "the path holds a NUL"};
    Locked(self, [&](dov_decoder* d) { ThrowIfFailed(d, dov_decoder_read_file(d, name.c_str())); });
    Py_RETURN_NONE;
  });
}

PyObject* ReadStream(PyObject* self, PyObject* file) {
  return Guarded([&]() -> PyObject* {
    StreamContext context{file, {}};
    std::string message;
    const dov_error status = Locked(self, [&](dov_decoder* d) {
      const dov_error got = dov_decoder_read_callback(d, &ReadFromFile, &context);
      if (got != DOV_OK) message = dov_decoder_error_message(d);
      return got;
    });
    // What the file raised is the cause; libdov only saw a failed read.
    if (context.error.Pending()) context.error.Raise();
    dovpy::ThrowIfFailed(status, message.c_str());
    Py_RETURN_NONE;
  });
}

PyObject* Info(PyObject* self, PyObject*) {
  return Guarded([&]() -> PyObject* {
    std::string messages;
    const dov_info info = Locked(self, [&](dov_decoder* d) {
      dov_info got{};
      ThrowIfFailed(d, dov_decoder_get_info(d, &got));
      messages = got.messages != nullptr ? got.messages : "";
      return got;
    });
    PyRef dict = Own(PyDict_New());
    Put(dict.get(), "frames_declared", Unsigned(info.frames_declared));
    Put(dict.get(), "frame_count", Unsigned(info.frame_count));
    Put(dict.get(), "width", Unsigned(info.width));
    Put(dict.get(), "height", Unsigned(info.height));
    Put(dict.get(), "background", Unsigned(info.background));
    Put(dict.get(), "not_fill_background", Bool(info.not_fill_background));
    Put(dict.get(), "version", Int(info.version));
    Put(dict.get(), "damaged", Bool(info.damaged));
    Put(dict.get(), "messages", Text(messages.c_str()));
    return dict.release();
  });
}

PyObject* FrameInfoMethod(PyObject* self, PyObject* arg) {
  return Guarded([&]() -> PyObject* {
    const Py_ssize_t index = PyLong_AsSsize_t(arg);
    if (index == -1 && PyErr_Occurred()) return nullptr;
    std::string name;
    const dov_frame_info info = Locked(self, [&](dov_decoder* d) {
      dov_frame_info got{};
      ThrowIfFailed(d, dov_decoder_get_frame_info(d, Index(index), &got));
      name = got.name != nullptr ? got.name : "";
      return got;
    });
    PyRef dict = Own(PyDict_New());
    Put(dict.get(), "width", Unsigned(info.width));
    Put(dict.get(), "height", Unsigned(info.height));
    Put(dict.get(), "depth", Unsigned(info.depth));
    Put(dict.get(), "delay", Int(info.delay));
    Put(dict.get(), "delay_ms", Int(info.delay_ms));
    Put(dict.get(), "disposal", Int(info.disposal));
    Put(dict.get(), "transparent_index", Int(info.transparent_index));
    Put(dict.get(), "layer_count", Unsigned(info.layer_count));
    Put(dict.get(), "indexed", Bool(info.indexed));
    Put(dict.get(), "name", Text(name.c_str()));
    return dict.release();
  });
}

PyObject* LayerInfoMethod(PyObject* self, PyObject* args) {
  return Guarded([&]() -> PyObject* {
    Py_ssize_t frame = 0, layer = 0;
    if (!PyArg_ParseTuple(args, "nn", &frame, &layer)) return nullptr;
    std::string name, coding;
    const dov_layer_info info = Locked(self, [&](dov_decoder* d) {
      dov_layer_info got{};
      ThrowIfFailed(d, dov_decoder_get_layer_info(d, Index(frame), Index(layer), &got));
      name = got.name != nullptr ? got.name : "";
      coding = got.coding != nullptr ? got.coding : "";
      return got;
    });
    PyRef dict = Own(PyDict_New());
    Put(dict.get(), "width", Unsigned(info.width));
    Put(dict.get(), "height", Unsigned(info.height));
    Put(dict.get(), "visible", Bool(info.visible));
    Put(dict.get(), "opacity", Int(info.opacity));
    Put(dict.get(), "key", Int(info.key));
    Put(dict.get(), "has_alpha_plane", Bool(info.has_alpha_plane));
    Put(dict.get(), "alpha_on", Bool(info.alpha_on));
    Put(dict.get(), "name", Text(name.c_str()));
    Put(dict.get(), "coding", Text(coding.c_str()));
    return dict.release();
  });
}

// A bytes object of the given size that a libdov call fills.
template <class Fill>
PyRef FilledBytes(size_t size, Fill&& fill) {
  if (size > static_cast<size_t>(PY_SSIZE_T_MAX)) throw DovFailure{DOV_ERROR_LIMIT, "the picture is too large for memory"};
  PyRef bytes = Own(PyBytes_FromStringAndSize(nullptr, static_cast<Py_ssize_t>(size)));
  fill(reinterpret_cast<uint8_t*>(PyBytes_AS_STRING(bytes.get())));
  return bytes;
}

PyObject* FrameRgba(PyObject* self, PyObject* arg) {
  return Guarded([&]() -> PyObject* {
    const Py_ssize_t index = PyLong_AsSsize_t(arg);
    if (index == -1 && PyErr_Occurred()) return nullptr;
    const uint32_t frame = Index(index);
    const dov_frame_info info = FrameInfo(self, frame);
    const size_t stride = CheckedMul(info.width, 4);
    return FilledBytes(PictureBytes(info.height, stride), [&](uint8_t* out) {
             Locked(self, [&](dov_decoder* d) {
               ThrowIfFailed(d, dov_decoder_frame_rgba(d, frame, out, stride, PictureBytes(info.height, stride)));
             });
           })
        .release();
  });
}

PyObject* FrameIndexed(PyObject* self, PyObject* arg) {
  return Guarded([&]() -> PyObject* {
    const Py_ssize_t index = PyLong_AsSsize_t(arg);
    if (index == -1 && PyErr_Occurred()) return nullptr;
    const uint32_t frame = Index(index);
    const dov_frame_info info = FrameInfo(self, frame);
    const size_t stride = info.width;
    PyRef palette = Own(PyBytes_FromStringAndSize(nullptr, 1024));
    int32_t transparent = -1;
    PyRef indices = FilledBytes(PictureBytes(info.height, stride), [&](uint8_t* out) {
      Locked(self, [&](dov_decoder* d) {
        ThrowIfFailed(d, dov_decoder_frame_indexed(d, frame, out, stride, PictureBytes(info.height, stride),
                                                   reinterpret_cast<uint8_t*>(PyBytes_AS_STRING(palette.get())),
                                                   &transparent));
      });
    });
    return Py_BuildValue("(OOi)", indices.get(), palette.get(), transparent);
  });
}

PyObject* LayerRgba(PyObject* self, PyObject* args) {
  return Guarded([&]() -> PyObject* {
    Py_ssize_t frame_arg = 0, layer_arg = 0;
    if (!PyArg_ParseTuple(args, "nn", &frame_arg, &layer_arg)) return nullptr;
    const uint32_t frame = Index(frame_arg), layer = Index(layer_arg);
    const dov_layer_info info = Locked(self, [&](dov_decoder* d) {
      dov_layer_info got{};
      ThrowIfFailed(d, dov_decoder_get_layer_info(d, frame, layer, &got));
      return got;
    });
    const size_t stride = CheckedMul(info.width, 4);
    return FilledBytes(PictureBytes(info.height, stride), [&](uint8_t* out) {
             Locked(self, [&](dov_decoder* d) {
               ThrowIfFailed(d, dov_decoder_layer_rgba(d, frame, layer, out, stride, PictureBytes(info.height, stride)));
             });
           })
        .release();
  });
}

PyMethodDef methods[] = {
    {"read_bytes", ReadBytes, METH_O, "Reads a document from a bytes-like object."},
    {"read_file", ReadFile, METH_O, "Reads a document from a path."},
    {"read_stream", ReadStream, METH_O, "Reads a document from a binary file object, to its end."},
    {"info", Info, METH_NOARGS, "The document's info as a dict."},
    {"frame_info", FrameInfoMethod, METH_O, "Frame N's info as a dict."},
    {"layer_info", LayerInfoMethod, METH_VARARGS, "Layer L of frame N's info as a dict."},
    {"frame_rgba", FrameRgba, METH_O, "Frame N's composite as RGBA bytes."},
    {"frame_indexed", FrameIndexed, METH_O, "Frame N's palette composite: (indices, RGBA palette, transparent)."},
    {"layer_rgba", LayerRgba, METH_VARARGS, "Layer L of frame N alone as RGBA bytes."},
    {nullptr, nullptr, 0, nullptr}};

PyType_Slot slots[] = {{Py_tp_new, reinterpret_cast<void*>(&New)},
                       {Py_tp_dealloc, reinterpret_cast<void*>(&Dealloc)},
                       {Py_tp_methods, methods},
                       {Py_tp_doc, const_cast<char*>("A libdov decoder and the document it read.")},
                       {0, nullptr}};

PyType_Spec decoder_type = {"dov._dov.Decoder", sizeof(DecoderObject), 0, Py_TPFLAGS_DEFAULT, slots};

}  // namespace

bool AddDecoderType(PyObject* module) {
  PyRef type(PyType_FromSpec(&decoder_type));
  return type && PyModule_AddObjectRef(module, "Decoder", type.get()) == 0;
}

}  // namespace dovpy
