// Letting other Python threads run while libdov works, and taking the
// interpreter back inside libdov's callbacks.
#pragma once

#include "pyref.h"

namespace dovpy {

// Releases the interpreter for its scope.
class GilRelease {
 public:
  GilRelease() noexcept : state_(PyEval_SaveThread()) {}
  GilRelease(const GilRelease&) = delete;
  GilRelease& operator=(const GilRelease&) = delete;
  ~GilRelease() { PyEval_RestoreThread(state_); }

 private:
  PyThreadState* state_;
};

// Holds the interpreter for its scope, from a thread that released it.
class GilHold {
 public:
  GilHold() noexcept : state_(PyGILState_Ensure()) {}
  GilHold(const GilHold&) = delete;
  GilHold& operator=(const GilHold&) = delete;
  ~GilHold() { PyGILState_Release(state_); }

 private:
  PyGILState_STATE state_;
};

// A Python exception taken out of the way while libdov unwinds, and raised
// again once the call is back in Python.
class PendingError {
 public:
  // Takes the exception that is set (the interpreter must be held).
  void Take() noexcept {
#if PY_VERSION_HEX >= 0x030C0000
    value_ = PyRef(PyErr_GetRaisedException());
#else
    PyObject *type = nullptr, *value = nullptr, *traceback = nullptr;
    PyErr_Fetch(&type, &value, &traceback);
    PyErr_NormalizeException(&type, &value, &traceback);
    if (value != nullptr && traceback != nullptr) PyException_SetTraceback(value, traceback);
    Py_XDECREF(type);
    Py_XDECREF(traceback);
    value_ = PyRef(value);
#endif
  }
  bool Pending() const noexcept { return static_cast<bool>(value_); }
  // Raises the exception taken, as PythonError.
  [[noreturn]] void Raise() {
    PyObject* value = value_.release();
#if PY_VERSION_HEX >= 0x030C0000
    PyErr_SetRaisedException(value);
#else
    PyErr_Restore(Py_NewRef(reinterpret_cast<PyObject*>(Py_TYPE(value))), value,
                  PyException_GetTraceback(value));
#endif
    throw PythonError{};
  }

 private:
  PyRef value_;
};

}  // namespace dovpy
