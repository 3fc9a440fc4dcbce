// Owners for the COM resources of a late-bound call: the interface pointer,
// BSTRs, VARIANTs and SAFEARRAYs. Each frees its resource exactly once.
#pragma once

#include <windows.h>
// After windows.h, which it needs.
#include <oleauto.h>

#include <string_view>
#include <utility>
#include <vector>

template <typename Interface>
class ComPtr {
 public:
  ComPtr() = default;
  ComPtr(const ComPtr&) = delete;
  ComPtr& operator=(const ComPtr&) = delete;
  ComPtr(ComPtr&& other) noexcept : pointer_(std::exchange(other.pointer_, nullptr)) {}
  ComPtr& operator=(ComPtr&& other) noexcept {
    if (this != &other) {
      reset();
      pointer_ = std::exchange(other.pointer_, nullptr);
    }
    return *this;
  }
  ~ComPtr() { reset(); }

  Interface* get() const { return pointer_; }
  Interface* operator->() const { return pointer_; }
  explicit operator bool() const { return pointer_ != nullptr; }
  // For the out parameter of a creating call; drops what was held.
  void** put_void() {
    reset();
    return reinterpret_cast<void**>(&pointer_);
  }
  // Shares an interface someone else holds: takes a reference of its own.
  void reset_with_reference(Interface* pointer) {
    if (pointer != nullptr) pointer->AddRef();
    reset();
    pointer_ = pointer;
  }
  // Releasing twice does nothing.
  void reset() {
    if (pointer_ != nullptr) std::exchange(pointer_, nullptr)->Release();
  }

 private:
  Interface* pointer_ = nullptr;
};

class Bstr {
 public:
  explicit Bstr(std::wstring_view text)
      : value_(SysAllocStringLen(text.data(), static_cast<UINT>(text.size()))) {}
  Bstr(const Bstr&) = delete;
  Bstr& operator=(const Bstr&) = delete;
  ~Bstr() { SysFreeString(value_); }

  BSTR get() const { return value_; }
  // Hands the string to a new owner (a VARIANT).
  BSTR release() { return std::exchange(value_, nullptr); }

 private:
  BSTR value_;
};

class SafeArray {
 public:
  explicit SafeArray(SAFEARRAY* array) : array_(array) {}
  SafeArray(const SafeArray&) = delete;
  SafeArray& operator=(const SafeArray&) = delete;
  ~SafeArray() {
    if (array_ != nullptr) SafeArrayDestroy(array_);
  }

  SAFEARRAY* get() const { return array_; }
  SAFEARRAY* release() { return std::exchange(array_, nullptr); }

 private:
  SAFEARRAY* array_;
};

// Holds the element data of a SAFEARRAY locked for as long as it lives.
class SafeArrayData {
 public:
  explicit SafeArrayData(SAFEARRAY* array) : array_(array) {
    if (FAILED(SafeArrayAccessData(array_, &data_))) data_ = nullptr;
  }
  SafeArrayData(const SafeArrayData&) = delete;
  SafeArrayData& operator=(const SafeArrayData&) = delete;
  ~SafeArrayData() {
    if (data_ != nullptr) SafeArrayUnaccessData(array_);
  }

  void* get() const { return data_; }

 private:
  SAFEARRAY* array_;
  void* data_ = nullptr;
};

class Variant {
 public:
  Variant() { VariantInit(&value_); }
  Variant(const Variant&) = delete;
  Variant& operator=(const Variant&) = delete;
  ~Variant() { VariantClear(&value_); }

  VARIANT* get() { return &value_; }
  const VARIANT& operator*() const { return value_; }

 private:
  VARIANT value_;
};

// The argument block of one IDispatch::Invoke; clears every VARIANT it holds.
class VariantList {
 public:
  explicit VariantList(std::size_t count) : values_(count) {
    for (VARIANT& value : values_) VariantInit(&value);
  }
  VariantList(const VariantList&) = delete;
  VariantList& operator=(const VariantList&) = delete;
  ~VariantList() {
    for (VARIANT& value : values_) VariantClear(&value);
  }

  VARIANT* data() { return values_.data(); }
  VARIANT& operator[](std::size_t index) { return values_[index]; }
  std::size_t size() const { return values_.size(); }

 private:
  std::vector<VARIANT> values_;
};
