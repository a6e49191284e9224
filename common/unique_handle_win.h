// Move-only owners for Win32 handles. Each says which value means "no handle".
#pragma once

#include <windows.h>

#include <utility>

template <typename Traits>
class UniqueOwner {
 public:
  using Value = typename Traits::Value;
  UniqueOwner() = default;
  explicit UniqueOwner(Value value) : value_(value) {}
  UniqueOwner(UniqueOwner&& other) noexcept : value_(other.release()) {}
  UniqueOwner& operator=(UniqueOwner&& other) noexcept {
    reset(other.release());
    return *this;
  }
  UniqueOwner(const UniqueOwner&) = delete;
  UniqueOwner& operator=(const UniqueOwner&) = delete;
  ~UniqueOwner() { reset(); }

  Value get() const { return value_; }
  explicit operator bool() const { return value_ != Traits::Empty(); }
  // Closes what it held before taking the new value.
  void reset(Value value = Traits::Empty()) {
    if (value_ != Traits::Empty()) Traits::Close(value_);
    value_ = value;
  }
  Value release() { return std::exchange(value_, Traits::Empty()); }
  // For out-parameters: closes the current value and hands out the slot.
  Value* put() {
    reset();
    return &value_;
  }

 private:
  Value value_ = Traits::Empty();
};

// Process, thread, pipe, job and event handles: null is "none" (INVALID_HANDLE_VALUE is not
// used by any of the calls that fill these).
struct KernelHandleTraits {
  using Value = HANDLE;
  static Value Empty() { return nullptr; }
  static void Close(Value h) { CloseHandle(h); }
};
using UniqueHandle = UniqueOwner<KernelHandleTraits>;

struct GdiObjectTraits {
  using Value = HGDIOBJ;
  static Value Empty() { return nullptr; }
  static void Close(Value h) { DeleteObject(h); }
};
using UniqueGdiObject = UniqueOwner<GdiObjectTraits>;

struct IconTraits {
  using Value = HICON;
  static Value Empty() { return nullptr; }
  static void Close(Value h) { DestroyIcon(h); }
};
using UniqueIcon = UniqueOwner<IconTraits>;
