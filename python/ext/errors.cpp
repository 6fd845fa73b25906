#include "errors.h"

namespace dovpy {
namespace {

// Owned by the module, which is never unloaded; a static owner would be
// released after the interpreter is gone.
PyObject* dov_error_type = nullptr;

}  // namespace

bool AddDovError(PyObject* module) {
  PyRef type(PyErr_NewExceptionWithDoc(
      "dov.DovError", "A document could not be read or written; the message is libdov's.", PyExc_Exception,
      nullptr));
  if (!type) return false;
  dov_error_type = type.get();
  return PyModule_AddObjectRef(module, "DovError", type.get()) == 0;
}

void SetDovError(const DovFailure& failure) {
  PyRef text(PyUnicode_DecodeUTF8(failure.message.data(), static_cast<Py_ssize_t>(failure.message.size()),
                                  "replace"));
  if (!text) return;
  PyRef error(PyObject_CallOneArg(dov_error_type, text.get()));
  if (!error) return;
  PyRef code(PyLong_FromLong(failure.code));
  if (!code || PyObject_SetAttrString(error.get(), "code", code.get()) < 0) return;
  PyErr_SetObject(dov_error_type, error.get());
}

void ThrowIfFailed(dov_error status, const char* message) {
  if (status == DOV_OK) return;
  std::string text = message != nullptr ? message : "";
  if (text.empty()) text = dov_error_string(status);
  throw DovFailure{static_cast<int>(status), std::move(text)};
}

}  // namespace dovpy
