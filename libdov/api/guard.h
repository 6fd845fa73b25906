// The exception boundary of every public call: what is raised inside
// becomes an error code and a message.
#pragma once

#include <exception>
#include <new>
#include <string>

#include "dov/dov.h"
#include "libdov/document/document.h"

#include "converter/core/call_limits.h"
#include "converter/core/errors.h"

namespace dov {

// An error raised inside the library with the code it is reported with.
struct ApiError {
  dov_error code;
  std::string message;
};


inline dov_error Report(std::string& error, dov_error code, std::string message) noexcept {
  try {
    error = std::move(message);
  } catch (...) {
    error.clear();
  }
  return code;
}

template <typename Work>
dov_error Guard(std::string& error, Work&& work) noexcept {
  using dorv::frames::FramesError;
  try {
    error.clear();
    work();
    return DOV_OK;
  } catch (const ApiError& e) {
    return Report(error, e.code, e.message);
  } catch (const FramesError& e) {
    switch (e.Reason()) {
      case FramesError::Kind::Limit: return Report(error, DOV_ERROR_LIMIT, e.what());
      case FramesError::Kind::OutOfMemory: return Report(error, DOV_ERROR_OUT_OF_MEMORY, e.what());
      case FramesError::Kind::Argument: return Report(error, DOV_ERROR_INVALID_ARGUMENT, e.what());
      case FramesError::Kind::Unreadable: break;
    }
    return Report(error, DOV_ERROR_CORRUPT, e.what());
  } catch (const dorv::ELimitExceeded& e) {
    return Report(error, DOV_ERROR_LIMIT, e.what());
  } catch (const std::bad_alloc&) {
    return Report(error, DOV_ERROR_OUT_OF_MEMORY, "out of memory");
  } catch (const dorv::EOutOfMemory& e) {
    return Report(error, DOV_ERROR_OUT_OF_MEMORY, e.what());
  } catch (const std::exception& e) {
    return Report(error, DOV_ERROR_CORRUPT, e.what());
  } catch (...) {
    return Report(error, DOV_ERROR_CORRUPT, "unexpected failure");
  }
}

}  // namespace dov
