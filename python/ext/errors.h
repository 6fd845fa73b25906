// dov.DovError, and the guard that turns every C++ failure into a Python
// exception at the edge of each function Python calls.
#pragma once

#include <new>
#include <stdexcept>
#include <string>

#include "dov/dov.h"
#include "pyref.h"

namespace dovpy {

// A failure of libdov (or of an argument the module refuses as libdov would).
struct DovFailure {
  int code;
  std::string message;
};

// Creates dov.DovError and adds it to the module.
bool AddDovError(PyObject* module);
// Sets DovError with the message and the code as its `code` attribute.
void SetDovError(const DovFailure& failure);
// Throws DovFailure when a libdov call failed, with the handle's message
// (or the code's text when the handle has none).
void ThrowIfFailed(dov_error status, const char* message);

// Runs the body; nothing thrown inside crosses into Python.
template <class Body>
PyObject* Guarded(Body&& body) noexcept {
  try {
    return body();
  } catch (const PythonError&) {
  } catch (const DovFailure& failure) {
    SetDovError(failure);
  } catch (const std::bad_alloc&) {
    PyErr_NoMemory();
  } catch (const std::exception& e) {
    PyErr_SetString(PyExc_RuntimeError, e.what());
  } catch (...) {
    PyErr_SetString(PyExc_RuntimeError, "unexpected failure in the dov module");
  }
  return nullptr;
}

}  // namespace dovpy
