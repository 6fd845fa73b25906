// dov._dov: libdov's C face for the dov package. Only dov.h is used.
#include "decoder.h"
#include "encode.h"
#include "errors.h"

namespace dovpy {
namespace {

PyObject* HasDocumentMagic(PyObject*, PyObject* arg) {
  return Guarded([&]() -> PyObject* {
    Py_buffer view;
    Check(PyObject_GetBuffer(arg, &view, PyBUF_SIMPLE));
    const int magic = dov_has_document_magic(view.buf, static_cast<size_t>(view.len));
    PyBuffer_Release(&view);
    return PyBool_FromLong(magic);
  });
}

PyObject* Version(PyObject*, PyObject*) { return PyUnicode_FromString(dov_version_string()); }

PyMethodDef functions[] = {
    {"encode", Encode, METH_VARARGS,
     "encode(frames, delays, compression, quality, threads, target): writes a document."},
    {"has_document_magic", HasDocumentMagic, METH_O, "Whether the bytes start as a document."},
    {"version", Version, METH_NOARGS, "libdov's version."},
    {nullptr, nullptr, 0, nullptr}};

PyModuleDef module_def = {PyModuleDef_HEAD_INIT, "dov._dov", "libdov's C face.", -1, functions,
                          nullptr, nullptr, nullptr, nullptr};

bool AddConstants(PyObject* module) {
  const struct {
    const char* name;
    long value;
  } constants[] = {
      {"ERROR_INVALID_ARGUMENT", DOV_ERROR_INVALID_ARGUMENT}, {"ERROR_NOT_A_DOCUMENT", DOV_ERROR_NOT_A_DOCUMENT},
      {"ERROR_CORRUPT", DOV_ERROR_CORRUPT},                   {"ERROR_LIMIT", DOV_ERROR_LIMIT},
      {"ERROR_OUT_OF_MEMORY", DOV_ERROR_OUT_OF_MEMORY},       {"ERROR_IO", DOV_ERROR_IO},
      {"ERROR_RANGE", DOV_ERROR_RANGE},                       {"ERROR_BUFFER_TOO_SMALL", DOV_ERROR_BUFFER_TOO_SMALL},
      {"ERROR_NOT_INDEXED", DOV_ERROR_NOT_INDEXED},           {"PIXELS_RGBA", DOV_PIXELS_RGBA},
      {"PIXELS_RGB", DOV_PIXELS_RGB},                         {"PIXELS_GREY", DOV_PIXELS_GREY},
      {"PIXELS_GREY_ALPHA", DOV_PIXELS_GREY_ALPHA},           {"PIXELS_INDEXED", DOV_PIXELS_INDEXED},
      {"PIXELS_MONO", DOV_PIXELS_MONO},                       {"COMPRESSION_ZLIB", DOV_COMPRESSION_ZLIB},
      {"COMPRESSION_NONE", DOV_COMPRESSION_NONE},             {"COMPRESSION_LOSSY", DOV_COMPRESSION_LOSSY},
      {"DEFAULT_QUALITY", DOV_DEFAULT_QUALITY},
  };
  for (const auto& constant : constants)
    if (PyModule_AddIntConstant(module, constant.name, constant.value) < 0) return false;
  return true;
}

}  // namespace
}  // namespace dovpy

PyMODINIT_FUNC PyInit__dov() {
  dovpy::PyRef module(PyModule_Create(&dovpy::module_def));
  if (!module || !dovpy::AddDovError(module.get()) || !dovpy::AddDecoderType(module.get()) ||
      !dovpy::AddConstants(module.get()))
    return nullptr;
  return module.release();
}
