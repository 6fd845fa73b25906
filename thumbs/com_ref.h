// One counted reference to a COM object, released when it goes.
#pragma once

#include <unknwn.h>

#include <utility>

namespace dorv::thumbs {

template <typename T>
class ComRef {
 public:
  ComRef() = default;
  // Takes a reference of its own to `object`.
  static ComRef Share(T* object) {
    if (object != nullptr) object->AddRef();
    return ComRef(object);
  }
  ComRef(ComRef&& other) noexcept : object_(std::exchange(other.object_, nullptr)) {}
  ComRef& operator=(ComRef&& other) noexcept {
    if (this != &other) {
      Reset();
      object_ = std::exchange(other.object_, nullptr);
    }
    return *this;
  }
  ComRef(const ComRef&) = delete;
  ComRef& operator=(const ComRef&) = delete;
  ~ComRef() { Reset(); }

  void Reset() {
    if (object_ != nullptr) std::exchange(object_, nullptr)->Release();
  }
  T* get() const { return object_; }
  explicit operator bool() const { return object_ != nullptr; }

 private:
  explicit ComRef(T* object) : object_(object) {}
  T* object_ = nullptr;
};

}  // namespace dorv::thumbs
