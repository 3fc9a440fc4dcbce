// One owner for every Win32 and COM resource that a single call frees:
// Owned<T, kClose> holds a value of type T, closes it once with kClose, and
// moves but never copies. Null is "nothing held"; so is INVALID_HANDLE_VALUE,
// which CreateFile and FindFirstFile return where other calls return null.
#pragma once

#include <windows.h>

#include <utility>

template <typename T, auto kClose>
class Owned {
 public:
  Owned() = default;
  explicit Owned(T value) : value_(value) {}
  ~Owned() { reset(); }
  Owned(Owned&& other) noexcept : value_(other.release()) {}
  Owned& operator=(Owned&& other) noexcept {
    if (this != &other) reset(other.release());
    return *this;
  }
  Owned(const Owned&) = delete;
  Owned& operator=(const Owned&) = delete;

  T get() const { return value_; }
  explicit operator bool() const { return held(value_); }
  // For the out parameter of a creating call; closes what was held.
  T* put() {
    reset();
    return &value_;
  }
  // Hands the value to a new owner (the clipboard, a VARIANT).
  T release() { return std::exchange(value_, T{}); }
  // Closes what is held (closing twice does nothing), then holds `value`.
  void reset(T value = T{}) {
    if (held(value_)) kClose(value_);
    value_ = value;
  }

 private:
  static bool held(T value) { return value != T{} && reinterpret_cast<void*>(value) != INVALID_HANDLE_VALUE; }

  T value_{};
};

using Handle = Owned<HANDLE, &CloseHandle>;
// A FindFirstFile search.
using FindHandle = Owned<HANDLE, &FindClose>;
