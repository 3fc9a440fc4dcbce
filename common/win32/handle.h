// One owner for every Win32 resource that a single call frees: Owned<Traits>
// holds the value, closes it once, and moves but never copies. The traits name
// the value's type, its empty value, which values are real, and the closing call.
#pragma once

#include <windows.h>

#include <utility>

template <typename Traits>
class Owned {
 public:
  using Type = typename Traits::Type;

  Owned() = default;
  explicit Owned(Type value) : value_(value) {}
  ~Owned() { reset(); }
  Owned(Owned&& other) noexcept : value_(other.release()) {}
  Owned& operator=(Owned&& other) noexcept {
    if (this != &other) reset(other.release());
    return *this;
  }
  Owned(const Owned&) = delete;
  Owned& operator=(const Owned&) = delete;

  Type get() const { return value_; }
  explicit operator bool() const { return Traits::valid(value_); }
  // Hands the value to a new owner (the clipboard, a VARIANT).
  Type release() { return std::exchange(value_, Traits::empty()); }
  // Closes what is held (closing twice does nothing), then holds `value`.
  void reset(Type value = Traits::empty()) {
    if (Traits::valid(value_)) Traits::close(value_);
    value_ = value;
  }

 private:
  Type value_ = Traits::empty();
};

// Kernel handles: files, processes, events. Some calls fail with null, CreateFile
// with INVALID_HANDLE_VALUE; neither is closed.
struct KernelHandleTraits {
  using Type = HANDLE;
  static Type empty() { return nullptr; }
  static bool valid(Type handle) { return handle != nullptr && handle != INVALID_HANDLE_VALUE; }
  static void close(Type handle) { CloseHandle(handle); }
};
using Handle = Owned<KernelHandleTraits>;

// A FindFirstFile search, ended with FindClose.
struct FindHandleTraits {
  using Type = HANDLE;
  static Type empty() { return INVALID_HANDLE_VALUE; }
  static bool valid(Type handle) { return handle != nullptr && handle != INVALID_HANDLE_VALUE; }
  static void close(Type handle) { FindClose(handle); }
};
using FindHandle = Owned<FindHandleTraits>;
