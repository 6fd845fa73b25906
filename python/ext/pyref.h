// Owned references to Python objects, and the one way a failed Python call
// leaves C++ code: PythonError, with the Python exception already set.
#pragma once

#define PY_SSIZE_T_CLEAN
#include <Python.h>

#include <utility>

namespace dovpy {

// Thrown after a Python call failed; the exception stays set for the caller.
struct PythonError {};

class PyRef {
 public:
  PyRef() noexcept = default;
  explicit PyRef(PyObject* owned) noexcept : object_(owned) {}
  PyRef(const PyRef&) = delete;
  PyRef& operator=(const PyRef&) = delete;
  PyRef(PyRef&& other) noexcept : object_(std::exchange(other.object_, nullptr)) {}
  PyRef& operator=(PyRef&& other) noexcept {
    if (this != &other) {
      Py_XDECREF(object_);
      object_ = std::exchange(other.object_, nullptr);
    }
    return *this;
  }
  ~PyRef() { Py_XDECREF(object_); }

  static PyRef Borrow(PyObject* borrowed) noexcept {
    Py_XINCREF(borrowed);
    return PyRef(borrowed);
  }
  PyObject* get() const noexcept { return object_; }
  PyObject* release() noexcept { return std::exchange(object_, nullptr); }
  explicit operator bool() const noexcept { return object_ != nullptr; }

 private:
  PyObject* object_ = nullptr;
};

// Takes a new reference from a Python call, or throws when the call failed.
inline PyRef Own(PyObject* result) {
  if (result == nullptr) throw PythonError{};
  return PyRef(result);
}

// Throws when a Python call that reports failure as -1 failed.
inline void Check(int status) {
  if (status < 0) throw PythonError{};
}

}  // namespace dovpy
