#include "stream.h"

#include <cstring>
#include <new>

#include "errors.h"

namespace dovpy {
namespace {

constexpr size_t kFailed = static_cast<size_t>(-1);

// One read into the buffer; the count read. read() hands over bytes that
// Python owns: a file given a view of libdov's memory could keep it past
// the call.
size_t ReadOnce(PyObject* file, uint8_t* buffer, size_t size) {
  const Py_ssize_t want = static_cast<Py_ssize_t>(size > PY_SSIZE_T_MAX ? PY_SSIZE_T_MAX : size);
  PyRef chunk = Own(PyObject_CallMethod(file, "read", "n", want));
  if (chunk.get() == Py_None) throw DovFailure{DOV_ERROR_IO, "the file has no data ready (non-blocking)"};
  Py_buffer view;
  Check(PyObject_GetBuffer(chunk.get(), &view, PyBUF_SIMPLE));
  const size_t count = static_cast<size_t>(view.len);
  if (count <= size) std::memcpy(buffer, view.buf, count);
  PyBuffer_Release(&view);
  if (count > size) throw DovFailure{DOV_ERROR_IO, "read() returned more bytes than asked for"};
  return count;
}

// Keeps the first failure as a Python exception for the caller.
void Keep(StreamContext& context) {
  try {
    throw;
  } catch (const PythonError&) {
  } catch (const DovFailure& failure) {
    SetDovError(failure);
  } catch (const std::bad_alloc&) {
    PyErr_NoMemory();
  } catch (...) {
    PyErr_SetString(PyExc_RuntimeError, "the file callback failed");
  }
  if (!context.error.Pending()) context.error.Take();
  PyErr_Clear();
}

}  // namespace

size_t ReadFromFile(void* user, uint8_t* buffer, size_t size) {
  auto& context = *static_cast<StreamContext*>(user);
  GilHold hold;
  try {
    return ReadOnce(context.file, buffer, size);
  } catch (...) {
    Keep(context);
    return kFailed;
  }
}

int WriteToFile(void* user, const uint8_t* data, size_t size) {
  auto& context = *static_cast<StreamContext*>(user);
  GilHold hold;
  try {
    while (size > 0) {
      const Py_ssize_t want = static_cast<Py_ssize_t>(size > PY_SSIZE_T_MAX ? PY_SSIZE_T_MAX : size);
      PyRef bytes = Own(PyBytes_FromStringAndSize(reinterpret_cast<const char*>(data), want));
      PyRef written = Own(PyObject_CallMethod(context.file, "write", "O", bytes.get()));
      // Raw files may take part of the bytes; None counts as all of them.
      size_t count = static_cast<size_t>(want);
      if (written.get() != Py_None) {
        const Py_ssize_t n = PyLong_AsSsize_t(written.get());
        if (n == -1 && PyErr_Occurred()) throw PythonError{};
        if (n <= 0 || n > want) throw DovFailure{DOV_ERROR_IO, "write() took no bytes"};
        count = static_cast<size_t>(n);
      }
      data += count;
      size -= count;
    }
    return 1;
  } catch (...) {
    Keep(context);
    return 0;
  }
}

}  // namespace dovpy
